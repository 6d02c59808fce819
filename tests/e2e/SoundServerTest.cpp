// The program through a real sound server, as most Linux players hear it: a private PulseAudio or
// PipeWire server, the program on SDL's pulseaudio driver, and the server's own recording of what
// reached its sink. The program starts before the server, lives through the server's death and a
// sink taken away, and each time the sound comes back it is heard where and as loud as it should.
#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <stdexcept>
#include <thread>

#include "ProgramUnderTest.h"

namespace korvanta::e2e {
namespace {

using namespace std::chrono_literals;

// A sound may be found up to this many frames before the recording showed its key's moment:
// what the server had not yet handed to the recorder.
constexpr int64_t kSlack = 4800;

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class ThroughASoundServer : public testing::TestWithParam<SoundServer::Kind> {
 protected:
  void SetUp() override {
    std::vector<std::string> tools = SoundServer::programs(kind());
    tools.insert(tools.end(), {"Xvfb", "xdotool"});
    if (const std::string tool = missingTool(tools); !tool.empty())
      GTEST_SKIP() << "needs " << tool << "; `./dev test` installs it";
    serve();
    display_.emplace();
    desk_.emplace(display_->name());
  }
  void TearDown() override {
    if (program_) std::cout << "The program said:\n" << program_->output();
  }
  virtual SoundServer::Kind kind() const { return GetParam(); }

  // A new server in a folder of its own, not yet started.
  void serve() { server_.emplace(scratch("server").string(), kind()); }

  // Starts the program on the server's address, whether the server runs yet or not.
  void start() {
    Child::Options options = theGame(display_->name(), "");
    options.set.erase("SDL_DISKAUDIOFILE");
    options.set["SDL_AUDIODRIVER"] = "pulseaudio";
    options.set["PULSE_SERVER"] = server_->address();
    const bool first = !program_;
    program_.emplace(options);
    if (first) kept_.output("program.txt", *program_);
    waitForOnlyWindow(*desk_, *program_, 0, 20.0);
  }

  // Waits up to `seconds` until the program has said `what` `times` times.
  bool said(const std::string& what, size_t times, double seconds) {
    return within(seconds, [&] { return count(program_->output(), what) >= times; }, {&*program_});
  }

  // Starts the server; how long the program then took to play through it.
  double startServerAndWaitForTheProgram(size_t timesFound) {
    server_->start();
    const auto up = Clock::now();
    if (!said("korvanta: found a sound device (pulseaudio)", timesFound, 10.0))
      throw std::runtime_error("the program never took up the server");
    const double took = secondsBetween(up, Clock::now());
    std::cout << "playing through the server " << took << " s after it answered\n";
    return took;
  }

  // Records a sink's monitor afresh, from now on.
  void record(const std::string& sink = "korvanta") {
    file_ = scratch("monitor") / ("monitor-" + std::to_string(++recordings_) + ".f32");
    kept_.file(file_);
    recorder_.emplace(server_->recording(file_.string(), sink));
    waitFor(framesOf(0.3));
  }
  void waitFor(int64_t frame) { waitForFrame(file_, frame, {&*program_, &*recorder_}); }

  // Presses a key and listens for `name` in the `seconds` after it, on its first `listen` s.
  Heard pressAndListen(const std::string& key, const std::string& name, double seconds,
                       double listen) {
    const int64_t mark = framesOnDisk(file_);
    desk_->press(key);
    waitFor(mark + framesOf(seconds + 0.2));
    std::cout << key << ":\n";
    return hear(Recording::read(file_), name, mark - kSlack, mark + framesOf(seconds), listen,
                mark);
  }

  // Presses a key of the sight and expects its cue at `place`.
  void expectCue(const std::string& key, double place) {
    const Heard cue = pressAndListen(key, "m.mp3", 0.6, 0.08);
    EXPECT_GT(cue.score, 0.7) << key;
    EXPECT_NEAR(cue.balance(), place, 150.0) << key;
  }

  std::filesystem::path file_;
  std::optional<SoundServer> server_;
  std::optional<VirtualDisplay> display_;
  std::optional<Desk> desk_;
  std::optional<Child> program_, recorder_;
  int recordings_ = 0;
  KeptOnFailure kept_;
};

TEST_P(ThroughASoundServer, StartedBeforeItLivesThroughItsDeathAndALostSinkAndIsHeardEachTime) {
  start();
  ASSERT_TRUE(said("korvanta: no sound device", 1, 10.0)) << "the program plays silently at first";
  EXPECT_LT(startServerAndWaitForTheProgram(1), 2.0) << "taken up within two seconds";

  // Into a game; the sight steps left and its cue is heard there.
  record();
  desk_->press("Return");
  waitFor(framesOnDisk(file_) + framesOf(1.5));
  expectCue("Left", -500.0);

  // The server dies in the middle of the game: the program says so once and plays on silently;
  // a new server is taken up, without a restart.
  server_->kill();
  ASSERT_TRUE(said("korvanta: the sound device is gone", 1, 5.0));
  std::this_thread::sleep_for(1500ms);
  ASSERT_TRUE(program_->running());
  EXPECT_LT(startServerAndWaitForTheProgram(2), 2.0);
  record();
  expectCue("Right", 0.0);

  // The sink goes away and comes back: the server keeps the program's stream aside meanwhile
  // and moves it back, so the sound resumes with nothing for the program to do or say.
  ASSERT_EQ(server_->pactl({"unload-module", "module-null-sink"}).status, 0);
  std::this_thread::sleep_for(1000ms);
  server_->loadSink(48000, 2);
  ASSERT_TRUE(said("korvanta: found a sound device", count(program_->output(), "is gone"), 3.0));
  record();
  expectCue("Right", 500.0);

  // Out of the game: after the gunman's farewell the menu greets again, centred, at its -600.
  const Heard greeting = pressAndListen("Escape", "ex1.mp3", 6.0, 1.0);
  EXPECT_GT(greeting.score, 0.8);
  EXPECT_NEAR(greeting.gainLeft, gainOf(-600), 0.1);
  EXPECT_NEAR(greeting.gainRight, gainOf(-600), 0.1);

  // Headphones plugged in: a new default device, which the sound follows at once, without a
  // word; unplugged again, it goes back to the device that remained. In the menu, where no
  // attacker's cry grows over the key's sound (the second item is passed by: the tags of the
  // music's start sound over it).
  desk_->press("Down");
  const std::string headphones = server_->loadSink(48000, 2, "headphones");
  record("headphones");
  EXPECT_GT(pressAndListen("Down", "ex3.mp3", 1.0, 0.6).score, 0.7) << "on the headphones";
  ASSERT_EQ(server_->pactl({"unload-module", headphones}).status, 0);
  // PipeWire's session manager takes a moment to link the stream to the device that remained.
  std::this_thread::sleep_for(1000ms);
  record();
  EXPECT_GT(pressAndListen("Down", "ex4.mp3", 1.0, 0.6).score, 0.7) << "back on the first";

  ASSERT_TRUE(program_->running());
  const std::string said = program_->output();
  EXPECT_EQ(count(said, "\n"), 2 * count(said, "found a sound device")) << "a line for each change";
  EXPECT_EQ(count(said, "is gone"), count(said, "found a sound device") - 1);
}

INSTANTIATE_TEST_SUITE_P(PulseAudioAndPipeWire, ThroughASoundServer,
                         testing::Values(SoundServer::Kind::kPulseAudio,
                                         SoundServer::Kind::kPipeWire),
                         [](const auto& kind) {
                           return kind.param == SoundServer::Kind::kPipeWire ? "PipeWire"
                                                                             : "PulseAudio";
                         });

// PulseAudio alone serves the table: what the program meets of it is the same protocol.
struct AWrongSoundServer : ThroughASoundServer {
  SoundServer::Kind kind() const override { return SoundServer::Kind::kPulseAudio; }
};

// What can be wrong with a player's sound server: each is said in one line, the program never
// hangs, and its keys still work (Escape in the menu ends it once its farewell has played out,
// which a silent output times as a device would).
TEST_F(AWrongSoundServer, EachIsSaidInOneLineAndTheKeysStillWork) {
  // A server killed at once leaves its socket behind, and the connection is refused there. A
  // frozen one takes the connection and never answers until it is woken.
  enum Server { kNone, kRefusing, kRunning, kFrozen };
  struct Case {
    const char* what;
    Server server;
    int rate, channels;
    std::string said;
  };
  for (const Case& c : {Case{"no server at all", kNone, 48000, 2, "no sound device"},
                        Case{"a refusing server", kRefusing, 48000, 2, "no sound device"},
                        Case{"a sink at 44.1 kHz", kRunning, 44100, 2, "plays 44100 Hz"},
                        Case{"a mono sink", kRunning, 48000, 1, "plays mono"},
                        Case{"a frozen server", kFrozen, 48000, 2, "does not answer"}}) {
    SCOPED_TRACE(c.what);
    serve();
    if (c.server != kNone) server_->start(c.rate, c.channels);
    if (c.server == kRefusing) server_->kill();
    if (c.server == kFrozen) server_->freeze(true);
    start();
    ASSERT_TRUE(said(c.said, 1, 10.0)) << program_->output();
    EXPECT_TRUE(program_->output().starts_with("korvanta: ")) << program_->output();
    size_t lines = 1;
    if (c.server == kFrozen) {
      // Woken, it is played through at once; frozen again in the middle of play, it is let go
      // within half a second, and the menu's farewell still ends the program.
      server_->freeze(false);
      ASSERT_TRUE(said("found a sound device", 1, 1.0));
      record();
      EXPECT_GT(pressAndListen("Down", "ex2.mp3", 1.0, 0.6).score, 0.7) << "heard when woken";
      recorder_.reset();
      server_->freeze(true);
      const auto frozen = Clock::now();
      ASSERT_TRUE(said("is gone", 1, 2.0));
      EXPECT_LT(secondsBetween(frozen, Clock::now()), 0.6);
      lines = 3;
    } else if (c.server != kRunning) {
      // A look for the server again passes by without a word.
      std::this_thread::sleep_for(1500ms);
    } else {
      record();
      EXPECT_GT(pressAndListen("Down", "ex2.mp3", 1.0, 0.6).score, 0.7) << "heard all the same";
    }
    desk_->press("Escape");
    const auto escaped = Clock::now();
    EXPECT_EQ(program_->wait(20.0), 0) << "the menu's farewell ends the program";
    std::cout << "ended " << secondsBetween(escaped, Clock::now()) << " s after Escape\n";
    EXPECT_EQ(count(program_->output(), "\n"), lines) << program_->output();
    if (c.server == kFrozen) server_->freeze(false);
  }
}

}  // namespace
}  // namespace korvanta::e2e
