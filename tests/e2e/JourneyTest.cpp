// A player's whole visit, with the real program in a real X server: real key presses (XTest)
// and what the program really played, recorded by SDL's disk driver and listened to. The visit
// is one run of the program told in scenes, in order, each going on where the last one left it.
// Every wait is counted in recorded output, the program's own clock, so a busy machine only
// makes the visit slower, never different.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "ProgramUnderTest.h"
#include "sound/Limiter.h"
#include "tests/support/Listening.h"
#include "tests/support/Processes.h"

namespace korvanta::e2e {
namespace {

// A sound may start up to this many frames before the recording file showed the moment its key
// went down: the file lags the mixer by the period being written.
constexpr int64_t kSlack = 2048;

// Loudness of a player's volume setting (hundredths of a decibel) as a linear gain.
double gainOf(int hundredthsOfDb) {
  return std::pow(10.0, hundredthsOfDb / 2000.0);
}

// The menu music's tag sounds start two seconds into a piece and from then on restart on every
// tick of their windows, masking whatever else plays. Whether `seconds` from `from` are heard
// before them.
bool beforeTheTags(int64_t musicOnset, int64_t from, double seconds) {
  return from + framesOf(seconds) <= musicOnset + framesOf(2.0);
}

class Journey : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (findOnPath("Xvfb").empty() || findOnPath("xdotool").empty()) return;
    char pattern[] = "/tmp/korvanta-e2e-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder_ = pattern;
    recordingFile_ = folder_ / "output.f32";
    // Built with AddressSanitizer, the program would fail its exit status for what the desktop's
    // message bus library keeps at exit; leaks of our own still count.
    const std::filesystem::path leaksToIgnore = folder_ / "leaks.supp";
    std::ofstream(leaksToIgnore) << "leak:libdbus-1.so\n";
    try {
      display_.emplace();
      desk_.emplace(display_->name());
      Child::Options options =
          gameOnDisplay(programUnderTest().program.string(), programUnderTest().pack.string(),
                        display_->name(), recordingFile_.string());
      options.set["LSAN_OPTIONS"] =
          "suppressions=" + leaksToIgnore.string() + ":print_suppressions=0";
      program_.emplace(options);
    } catch (const std::exception& error) {
      startError_ = error.what();
    }
  }

  static void TearDownTestSuite() {
    if (!log_.str().empty()) std::cout << "What was heard:\n" << log_.str();
    program_.reset();
    desk_.reset();
    display_.reset();
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }

  void SetUp() override {
    ASSERT_EQ(startError_, "") << "the visit could not begin";
    if (!program_) GTEST_SKIP() << "needs Xvfb and xdotool; `./dev test` installs them";
    // A scene cannot go on from a visit that broke off; it fails rather than hide the break.
    if (brokenOff_) FAIL() << "an earlier scene of the visit broke off";
  }
  void TearDown() override { brokenOff_ = brokenOff_ || HasFatalFailure(); }

  static const Reference& sound(const std::string& name) {
    auto found = references_.find(name);
    if (found == references_.end())
      found = references_.emplace(name, Reference::load(programUnderTest().pack / name)).first;
    return found->second;
  }

  static int64_t recorded() { return framesOnDisk(recordingFile_); }
  static Recording recording() { return Recording::read(recordingFile_); }

  static void mustBeRunning(const std::string& waitingFor) {
    if (!program_->running())
      throw std::runtime_error("the program ended while waiting for " + waitingFor +
                               "; it said:\n" + program_->output());
  }

  // Waits until the program has played up to `frame`.
  static void waitForFrame(int64_t frame) {
    // Generous: three times real time plus ten seconds before calling the program stuck.
    const auto deadline = Clock::now() + std::chrono::duration<double>(
                                             3.0 * double(frame - recorded()) / kRate + 10.0);
    while (recorded() < frame) {
      mustBeRunning("its sound");
      if (Clock::now() > deadline) throw std::runtime_error("the program's sound stalled");
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // Presses a key; returns how much had been recorded just before.
  static int64_t press(const std::string& key) {
    mustBeRunning(key);
    const int64_t mark = recorded();
    desk_->press(key);
    return mark;
  }

  // Waits for exactly one window captioned "KORVANTA", other than `gone`, and returns it.
  static unsigned long waitForOnlyWindow(unsigned long gone, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
      mustBeRunning("a window");
      const std::vector<unsigned long> windows = desk_->windowsCaptioned("KORVANTA");
      if (windows.size() == 1 && windows[0] != gone) return windows[0];
      if (Clock::now() > deadline)
        throw std::runtime_error("no single new window captioned KORVANTA appeared");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // The sound among `names` that is heard best in [from, to], judged on its first `seconds`.
  static std::pair<std::string, Heard> bestOf(const Recording& recording,
                                              const std::vector<std::string>& names, int64_t from,
                                              int64_t to, double seconds,
                                              double* runnerUp = nullptr) {
    std::pair<std::string, Heard> best;
    double second = 0.0;
    for (const std::string& name : names) {
      const Heard heard = listenFor(recording, sound(name), from, to, framesOf(seconds));
      if (heard.score > best.second.score) {
        second = best.second.score;
        best = {name, heard};
      } else {
        second = std::max(second, heard.score);
      }
    }
    if (runnerUp) *runnerUp = second;
    return best;
  }

  // Notes what was heard where, for the log of every run.
  static Heard note(const std::string& what, const Heard& heard, int64_t mark = -1,
                    const std::string& markName = "its key") {
    log_ << "  " << what << ": at " << heard.onsetSeconds() << " s";
    if (mark >= 0)
      log_ << " (" << 1000.0 * double(heard.onset - mark) / kRate << " ms after " << markName
           << ")";
    log_ << ", score " << heard.score << ", gains " << heard.gainLeft << " / " << heard.gainRight
         << ", place " << heard.balance() << "\n";
    return heard;
  }
  static void note(const std::string& what, double value) {
    log_ << "  " << what << ": " << value << "\n";
  }

  static inline std::ostringstream log_;
  static inline std::filesystem::path folder_;
  static inline std::filesystem::path recordingFile_;
  static inline std::optional<VirtualDisplay> display_;
  static inline std::optional<Desk> desk_;
  static inline std::optional<Child> program_;
  static inline std::map<std::string, Reference> references_;
  // What later scenes go on from: the windows, and where the music started, in recorded frames,
  // at the first greeting and at the second.
  static inline unsigned long menuWindow_ = 0, gameWindow_ = 0;
  static inline int64_t musicOnset_ = -1, musicAgain_ = -1;
  // Keys pressed in one scene and listened for in the next, and how long the program ran.
  static inline int64_t enter_ = -1, leave_ = -1, down_ = -1, goodbye_ = -1;
  static inline double ranFor_ = 0.0;
  static inline bool brokenOff_ = false;
  static inline std::string startError_;
};

TEST_F(Journey, TheMenuGreetsAndDownSpeaksEachItemWhileTheMusicStepsBackThenEnterGoesIn) {
  const Reference& greeting = sound("ex1.mp3");
  const Reference& itemTwo = sound("ex2.mp3");
  const Reference& itemThree = sound("ex3.mp3");
  const Reference& music = sound("msc.mp3");
  menuWindow_ = waitForOnlyWindow(0, 20.0);
  EXPECT_EQ(desk_->focusedWindow(), menuWindow_) << "the menu window has the keyboard by itself";

  // Down twice: the greeting is cut by the second item, and that by the third, which then ends.
  // The second item speaks before the music's first tag sounds.
  waitForFrame(framesOf(1.3));
  const int64_t down1 = press("Down");
  waitForFrame(down1 + framesOf(2.4));
  const int64_t down2 = press("Down");
  waitForFrame(down2 + itemThree.frames() + framesOf(2.0));
  // Enter goes in now, before any listening, so that the music still plays loud when it stops.
  enter_ = press("Return");
  const Recording rec = recording();

  // The greeting is heard at once, centred, at the voices' -600.
  const Heard greeted = note("greeting", listenFor(rec, greeting, 0, framesOf(1.2), framesOf(1.0)));
  EXPECT_GT(greeted.score, 0.8);
  EXPECT_LT(greeted.onsetSeconds(), 1.0) << "the greeting starts as the program starts";
  EXPECT_NEAR(greeted.gainLeft, gainOf(-600), 0.1);
  EXPECT_NEAR(greeted.gainRight, gainOf(-600), 0.1);

  // Two different item voices, each where its key was pressed.
  const Heard second = note(
      "Down: ex2", listenFor(rec, itemTwo, down1 - kSlack, down2 - kSlack, framesOf(0.6)), down1);
  const Heard third =
      note("Down: ex3",
           listenFor(rec, itemThree, down2 - kSlack, down2 + framesOf(1.0), framesOf(2.0)), down2);
  EXPECT_GT(second.score, 0.7);
  EXPECT_GT(third.score, 0.7);
  EXPECT_LT(listenFor(rec, itemThree, down1 - kSlack, down2 - kSlack, framesOf(1.0)).score, 0.3)
      << "the first Down speaks the second item, not the third";
  EXPECT_LT(
      listenFor(rec, itemTwo, down2 + framesOf(0.5), down2 + framesOf(1.5), framesOf(1.0)).score,
      0.3)
      << "the second Down cuts the second item off";

  // The music, started with the greeting, is ducked under the voices and comes back once the
  // third item has ended. It is found where it plays loud, then measured along its course. It
  // is looked for up to half a second after the greeting: a busy machine's decoding may hold it
  // back, which the check of its start then names.
  const int64_t voicesEnd = third.onset + itemThree.frames();
  const int64_t loudFrom = voicesEnd + framesOf(0.3);
  const int64_t loudTo = std::min(
      {voicesEnd + framesOf(1.5), enter_ - kSlack, greeted.onset + music.frames() - framesOf(0.1)});
  ASSERT_GT(loudTo - loudFrom, framesOf(0.5)) << "the pack's first music is too short to measure";
  const Heard musicHeard =
      note("music", listenFor(rec, music, loudFrom - framesOf(0.5), loudFrom + framesOf(0.5),
                              loudTo - loudFrom, loudFrom - greeted.onset));
  musicOnset_ = musicHeard.onset;
  EXPECT_GT(musicHeard.score, 0.6);
  EXPECT_NEAR(double(musicHeard.onset), double(greeted.onset), double(framesOf(0.25)))
      << "the music starts with the greeting";
  const double ducked = gainWithin(rec, music, musicHeard.onset, third.onset + framesOf(1.0),
                                   third.onset + framesOf(3.0));
  const double duckedUnderSecond =
      gainWithin(rec, music, musicHeard.onset, second.onset + framesOf(0.2), down2 - kSlack);
  const double restored = gainWithin(rec, music, musicHeard.onset, loudFrom, loudTo);
  note("music gain under ex2", duckedUnderSecond);
  note("music gain under ex3", ducked);
  note("music gain after the voices", restored);
  EXPECT_NEAR(restored, gainOf(-300), 0.2) << "the music comes back after the voices";
  EXPECT_NEAR(ducked, gainOf(-2000), 0.06) << "the music is ducked under the third item";
  EXPECT_NEAR(duckedUnderSecond, gainOf(-2000), 0.08) << "and under the second";
  EXPECT_LT(ducked, 0.35 * restored);
}

TEST_F(Journey, EnterOpensTheGameWithOneOfTheSixAmbiencesAndTheMusicStops) {
  const int64_t enter = enter_;
  gameWindow_ = waitForOnlyWindow(menuWindow_, 10.0);
  EXPECT_EQ(desk_->focusedWindow(), gameWindow_)
      << "the game window has the keyboard without a click";
  waitForFrame(enter + framesOf(1.5));
  const Recording rec = recording();

  // The game's ambience at -1000, one of the six.
  double runnerUp = 0.0;
  const auto [ambienceName, ambience] =
      bestOf(rec, {"A1.MP3", "A2.MP3", "A3.MP3", "A4.MP3", "A5.MP3", "A6.MP3"}, enter - kSlack,
             enter + framesOf(1.5), 1.0, &runnerUp);
  note("Enter: " + ambienceName, ambience, enter);
  note("next best ambience score", runnerUp);
  EXPECT_GT(ambience.score, 0.7) << ambienceName;
  EXPECT_LT(runnerUp, 0.5);
  EXPECT_NEAR(ambience.gain(), gainOf(-1000), 0.08) << ambienceName;
  ASSERT_GE(musicOnset_, 0) << "the music was not found in the menu";
  EXPECT_LT(std::fabs(gainWithin(rec, sound("msc.mp3"), musicOnset_, enter + framesOf(0.5),
                                 enter + framesOf(1.5))),
            0.03)
      << "the menu's music ends when the game starts";
}

TEST_F(Journey, CtrlClicksOnAnEmptyGunThenSpaceLoadsAndCtrlFiresFromTheSight) {
  const Reference& shotSound = sound("d3.mp3");
  const int64_t emptyShot = press("ctrl");
  waitForFrame(emptyShot + framesOf(0.7));
  const int64_t reload = press("space");
  waitForFrame(reload + framesOf(0.7));
  const int64_t shot = press("ctrl");
  waitForFrame(shot + framesOf(0.9));
  const Recording rec = recording();

  // The empty gun clicks, and fires nothing.
  const Heard click =
      note("Ctrl: g.mp3",
           listenFor(rec, sound("g.mp3"), emptyShot - kSlack, reload - kSlack, kRate), emptyShot);
  EXPECT_GT(click.score, 0.7);
  EXPECT_NEAR(click.gain(), gainOf(-300), 0.12);
  EXPECT_LT(listenFor(rec, shotSound, emptyShot - kSlack, reload - kSlack, framesOf(0.5)).score,
            0.3);

  // The bullet loads; the shot sounds centred, where the sight stands.
  const Heard loaded =
      note("Space: c.mp3", listenFor(rec, sound("c.mp3"), reload - kSlack, shot - kSlack, kRate),
           reload);
  EXPECT_GT(loaded.score, 0.7);
  const Heard fired = note(
      "Ctrl: d3.mp3",
      listenFor(rec, shotSound, shot - kSlack, rec.frames() - framesOf(0.5), framesOf(0.5)), shot);
  EXPECT_GT(fired.score, 0.7);
  EXPECT_NEAR(fired.gain(), gainOf(-300), 0.12);
  EXPECT_NEAR(fired.balance(), 0.0, 150.0);
}

TEST_F(Journey, LeftAndRightWalkTheSightCueFromTheLeftToTheRight) {
  const std::vector<std::string> keys = {"Left", "Left", "Right", "Right", "Right", "Right"};
  const std::vector<double> places = {-500, -1000, -500, 0, 500, 1000};
  std::vector<int64_t> marks;
  for (const std::string& key : keys) {
    marks.push_back(press(key));
    waitForFrame(marks.back() + framesOf(0.5));
  }
  const Recording rec = recording();

  std::vector<Heard> cues;
  for (size_t i = 0; i < marks.size(); ++i) {
    const int64_t until = i + 1 < marks.size() ? marks[i + 1] : rec.frames();
    cues.push_back(note(keys[i] + ": m.mp3",
                        listenFor(rec, sound("m.mp3"), marks[i] - kSlack, until - kSlack, kRate),
                        marks[i]));
    EXPECT_GT(cues[i].score, 0.7) << keys[i] << " #" << i;
    EXPECT_NEAR(cues[i].balance(), places[i], 150.0) << keys[i] << " #" << i;
  }
  EXPECT_GT(cues.front().gainLeft, 1.15 * cues.front().gainRight) << "Left: heard on the left";
  EXPECT_GT(cues.back().gainRight, 1.4 * cues.back().gainLeft) << "Right: heard on the right";
}

// The way out is timed by the program's sound alone, and listened to only once the program has
// ended: listening takes long in a slow build, and the menu's farewell has to come in early.
TEST_F(Journey, EscapeInTheGameThenDownAndEscapeInTheMenuEndTheProgram) {
  leave_ = press("Escape");
  menuWindow_ = waitForOnlyWindow(gameWindow_, 20.0);
  // Some of the greeting, then the next item, which ducks the music and its tag sounds until the
  // voice after it has ended; Escape's farewell cuts the item in. Both keys go in one run of the
  // key presser, so that however slowly it starts, the item is heard for the time between them.
  waitForFrame(recorded() + framesOf(0.4));
  mustBeRunning("Down and Escape");
  down_ = recorded();
  desk_->pressAll({"Down", "Escape"}, 400);
  goodbye_ = down_ + framesOf(0.4);
  EXPECT_EQ(desk_->focusedWindow(), menuWindow_) << "the menu is back with the keyboard";
  const std::optional<int> status = program_->wait(20.0);
  ASSERT_TRUE(status) << "the program did not end by itself after the menu's farewell";
  EXPECT_EQ(*status, 0) << program_->output();
  EXPECT_TRUE(desk_->windowsCaptioned("KORVANTA").empty());
  ranFor_ = secondsBetween(program_->started(), program_->ended());
}

TEST_F(Journey, TheGunmansFarewellIsHeardThenTheMenuGreetsAgainAtOnce) {
  const Recording rec = recording();
  const auto [farewellName, farewell] = bestOf(rec, {"no salgo.mp3", "exito1.mp3", "fin.mp3"},
                                               leave_ - kSlack, leave_ + framesOf(1.0), 1.0);
  note("Escape: " + farewellName, farewell, leave_);
  EXPECT_GT(farewell.score, 0.7) << farewellName;
  EXPECT_NEAR(farewell.gain(), gainOf(-500), 0.12) << farewellName;

  const int64_t farewellEnd = farewell.onset + sound(farewellName).frames();
  const Heard greetedAgain = note("greeting again",
                                  listenFor(rec, sound("ex1.mp3"), farewellEnd - kSlack,
                                            farewellEnd + framesOf(2.0), framesOf(0.3)),
                                  farewellEnd, "the farewell's end");
  EXPECT_GT(greetedAgain.score, 0.7);
  EXPECT_GE(greetedAgain.onset, farewellEnd) << "the menu waits for the farewell to end";
  EXPECT_LT(greetedAgain.onset - farewellEnd, framesOf(1.0)) << "and then comes back at once";
  // The music starts again with the greeting.
  musicAgain_ = greetedAgain.onset;
}

TEST_F(Journey, TheMenuKeptItsPlaceAndItsFarewellPlaysToTheEndThenTheProgramEnds) {
  const Reference& goodbyeJingle = sound("exito.mp3");
  const Recording rec = recording();
  SCOPED_TRACE(testing::Message() << "recording of " << rec.seconds() << " s over " << ranFor_
                                  << " s of running");
  // The recording is float32 stereo at 48 kHz: whole frames, plausible samples, and as many
  // frames as the program ran (the disk driver keeps real time).
  EXPECT_EQ(std::filesystem::file_size(recordingFile_) % (2 * sizeof(float)), 0u);
  EXPECT_TRUE(rec.plausible) << "loudest sample " << rec.loudest;
  EXPECT_LE(rec.loudest, Limiter::kCeiling) << "never beyond -0.5 dBFS";
  EXPECT_GT(rec.seconds(), 0.8 * ranFor_ - 1.0);
  EXPECT_LT(rec.seconds(), 1.25 * ranFor_);

  // After the third item comes the fourth.
  const Heard fourth =
      note("Down: ex4",
           listenFor(rec, sound("ex4.mp3"), down_ - kSlack, down_ + framesOf(1.0), framesOf(0.3)),
           down_);
  EXPECT_GT(fourth.score, 0.7);

  const Heard bye = note(
      "Escape: exito.mp3",
      listenFor(rec, goodbyeJingle, goodbye_ - kSlack, goodbye_ + framesOf(1.0), framesOf(0.6)),
      goodbye_, "0.4 s after Down's key");
  note("recording ends after it (s)",
       double(rec.frames() - bye.onset - goodbyeJingle.frames()) / kRate);
  ASSERT_GE(musicAgain_, 0) << "the menu's greeting was not heard again";
  EXPECT_TRUE(beforeTheTags(musicAgain_, bye.onset, 0.6))
      << "Escape came too late: its farewell is not heard before the music's tag sounds";
  EXPECT_GT(bye.score, 0.7);
  EXPECT_NEAR(bye.gain(), gainOf(-600), 0.1);
  const int64_t byeEnd = bye.onset + goodbyeJingle.frames();
  EXPECT_GE(rec.frames(), byeEnd) << "the farewell plays to its end";
  EXPECT_LT(rec.frames() - byeEnd, framesOf(1.0)) << "the program ends once it has played out";
}

}  // namespace
}  // namespace korvanta::e2e
