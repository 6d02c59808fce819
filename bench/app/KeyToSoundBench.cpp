// Key-down to sound: from the moment a key-down event reaches the program to the output period
// that carries the first sample of the sight cue it started. Real key presses (XTest) into the
// game window, the real event loop and sound card; the default period is compared with the
// 2048 frames many small SDL games ship with, and measured again through a sound server, where
// the server's underruns and the holes they leave are counted too.
#include <SDL.h>

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include "Stage.h"
#include "platform/PulseOutput.h"
#include "tests/support/Listening.h"

namespace korvanta::bench {
namespace {

using Clock = e2e::Clock;

// Keeps every period the sound card takes, with the moment it was rendered.
class PeriodLog : public AudioTap {
 public:
  struct Period {
    Clock::time_point at;
    int64_t firstFrame;
    int frames;
  };

  explicit PeriodLog(double seconds) {
    // Filled on the audio thread without allocating: room is made here.
    samples_.resize(size_t(seconds * e2e::kRate) * 2);
    periods_.resize(size_t(seconds * e2e::kRate / 64));
  }

  void rendered(const float* out, int frames) override {
    const Clock::time_point now = Clock::now();
    const size_t n = count_.load(std::memory_order_relaxed);
    if (n == periods_.size() || size_t(frames_ + frames) * 2 > samples_.size()) return;
    std::copy(out, out + frames * 2, samples_.begin() + frames_ * 2);
    periods_[n] = {now, frames_, frames};
    frames_ += frames;
    count_.store(n + 1, std::memory_order_release);
  }

  // Read once the device is closed.
  std::vector<Period> periods() const {
    return {periods_.begin(), periods_.begin() + count_.load(std::memory_order_acquire)};
  }
  e2e::Recording recording() const {
    e2e::Recording rec;
    for (int64_t i = 0; i < frames_; ++i) {
      rec.left.push_back(samples_[2 * i]);
      rec.right.push_back(samples_[2 * i + 1]);
      rec.mono.push_back((samples_[2 * i] + samples_[2 * i + 1]) / 2);
    }
    return rec;
  }

 private:
  std::vector<float> samples_;
  std::vector<Period> periods_;
  int64_t frames_ = 0;
  std::atomic<size_t> count_{0};
};

// Watches SDL's queue: when each arrow key-down arrived, and when the window got the keyboard.
struct KeyLog {
  struct Press {
    Clock::time_point at;
    bool left;
  };
  std::vector<Press> presses;
  std::atomic<bool> focused{false};

  // Runs on the thread that queues the event, the event loop's, as the event arrives; SDL stamps
  // the event's own (millisecond) timestamp at this same moment.
  static int watch(void* self, SDL_Event* event) {
    auto* log = static_cast<KeyLog*>(self);
    if (event->type == SDL_KEYDOWN && !event->key.repeat &&
        (event->key.keysym.sym == SDLK_LEFT || event->key.keysym.sym == SDLK_RIGHT))
      log->presses.push_back({Clock::now(), event->key.keysym.sym == SDLK_LEFT});
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
      log->focused = true;
    return 1;
  }
};

constexpr int kLefts = 200;
constexpr int kGapMs = 110;

// The player: Left then Right, over and over, once the game window has the keyboard; the sight
// steps between two places and every step plays the cue afresh. Presses fall at random moments
// of the output period, as a player's do. Ends the program after the last.
void playLeftsAndRights(const KeyLog& keys) {
  // The window has the keyboard once its focus event comes (or surely after a while).
  const auto giveUp = Clock::now() + std::chrono::seconds(3);
  while (!keys.focused && Clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  // Past the fanfare the first tick plays for the won game.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  std::vector<std::string> sequence;
  for (int i = 0; i < kLefts; ++i) sequence.insert(sequence.end(), {"Left", "Right"});
  e2e::Desk(privateDisplay().name()).pressAll(sequence, kGapMs);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  LiveProgram::quit();
}

// What a run through the program's own sound card says of it.
struct Played {
  std::string driver;
  // Underflows the sound server reported of the stream (its own connection only).
  int underruns = 0;
};

Played playedBy(const LiveProgram& program) {
  const auto* server = dynamic_cast<const PulseOutput*>(program.audio.get());
  return {program.audioDriver(), server ? server->underruns() : 0};
}

// Runs a game whose attackers are all down, the player pressing away, with `tap` on the sound
// card. Every attacker down, as at the end of a won game: their cries grow as loud as the cue
// within half a minute and would drown it for the listener, not for the key's way to it.
Played playGame(int period, AudioTap* tap, KeyLog& keys, bool throughSdl = false) {
  LiveProgram program(
      {.periodFrames = period, .tap = tap, .throughSdl = throughSdl, .firstWindow = "Form1"});
  // Still on the event loop's thread here, before its first tick.
  for (int k = 1; k <= Form1::kSlots; ++k) program.form1.indioActivo(k) = 0;
  SDL_AddEventWatch(KeyLog::watch, &keys);
  std::thread player([&] { playLeftsAndRights(keys); });
  program.run();
  player.join();
  SDL_DelEventWatch(KeyLog::watch, &keys);
  return playedBy(program);
}

// From each key-down to the moment the stretch of sound carrying its cue was seen: `log` holds
// when each stretch of `rec` came, as the sound card's periods or as the monitor's recording grew.
void report(benchmark::State& state, int period, const std::vector<PeriodLog::Period>& log,
            const e2e::Recording& rec, const KeyLog& keys) {
  const e2e::Reference cue = e2e::Reference::load(packFolder() / "m.mp3");
  // Its opening is enough to know it, and stays clear of the next press's cue.
  const int64_t listenFrames = std::min(cue.frames(), e2e::framesOf(0.08));
  // The first stretch that came after a moment.
  const auto after = [&](Clock::time_point at) {
    return std::find_if(log.begin(), log.end(), [&](const auto& p) { return p.at >= at; });
  };
  std::vector<double> leftMs, allMs;
  int missed = 0;
  for (size_t i = 0; i < keys.presses.size(); ++i) {
    const auto from = after(keys.presses[i].at);
    const auto to = i + 1 < keys.presses.size() ? after(keys.presses[i + 1].at) : log.end();
    if (from == log.end()) break;
    // The next key's cue starts in a stretch that came after that key: not before `to`.
    const int64_t last = to == log.end() ? rec.frames() : to->firstFrame - 1;
    const e2e::Heard heard =
        e2e::listenFor(rec, cue, from->firstFrame - from->frames, last, listenFrames);
    const auto carrier = std::find_if(log.begin(), log.end(), [&](const auto& p) {
      return heard.onset >= p.firstFrame && heard.onset < p.firstFrame + p.frames;
    });
    if (heard.score < 0.8 || carrier == log.end() || carrier->at < keys.presses[i].at) {
      ++missed;
      continue;
    }
    const double ms = 1000.0 * e2e::secondsBetween(keys.presses[i].at, carrier->at);
    allMs.push_back(ms);
    if (keys.presses[i].left) leftMs.push_back(ms);
  }
  const Spread left(leftMs), all(allMs);
  state.counters["period_ms"] = 1000.0 * period / e2e::kRate;
  state.counters["left_presses"] = double(left.values.size());
  state.counters["median_ms"] = left.median();
  state.counters["p99_ms"] = left.at(0.99);
  state.counters["max_ms"] = left.max();
  state.counters["all_keys_median_ms"] = all.median();
  state.counters["missed"] = missed;
}

// Measured where the program hands its periods to SDL's dummy driver, which takes them in real
// time as a sound card would.
void KeyToSound(benchmark::State& state) {
  const int period = int(state.range(0));
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  for (auto _ : state) {
    PeriodLog periods(2.0 * kLefts * kGapMs / 1000.0 + 20.0);
    KeyLog keys;
    const std::string driver = playGame(period, &periods, keys).driver;
    report(state, period, periods.periods(), periods.recording(), keys);
    state.SetLabel("audio driver " + driver);
  }
}
BENCHMARK(KeyToSound)
    ->ArgName("period")
    ->Arg(256)
    ->Arg(512)
    ->Arg(2048)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// A private sound server of either kind, its sink's monitor recorded into a file that is watched
// as it grows, and the program pointed at it.
class ServerStage {
 public:
  ServerStage(e2e::SoundServer::Kind kind, int recorderMs) {
    char pattern[] = "/tmp/korvanta-bench-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("no scratch folder");
    folder_ = pattern;
    file_ = folder_ / "monitor.f32";
    server_.emplace((folder_ / "server").string(), kind);
    server_->start();
    e2e::Child::Options recording = server_->recording(file_.string());
    std::replace(recording.argv.begin(), recording.argv.end(), std::string("--latency-msec=20"),
                 "--latency-msec=" + std::to_string(recorderMs));
    recorder_.emplace(recording);
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    setenv("PULSE_SERVER", server_->address().c_str(), 1);
    watcher_ = std::thread([this] {
      for (int64_t had = 0; !done_; std::this_thread::sleep_for(std::chrono::microseconds(500))) {
        const int64_t has = e2e::framesOnDisk(file_);
        if (has > had) grew_.push_back({Clock::now(), had, int(has - had)});
        had = std::max(had, has);
      }
    });
  }
  ~ServerStage() {
    stopWatching();
    unsetenv("PULSE_SERVER");
    unsetenv("SDL_AUDIODRIVER");
    recorder_.reset();
    server_.reset();
    std::filesystem::remove_all(folder_);
  }
  // When each stretch of the recording came; read once the program has ended.
  const std::vector<PeriodLog::Period>& stopWatching() {
    if (watcher_.joinable()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      done_ = true;
      watcher_.join();
    }
    return grew_;
  }
  e2e::Recording recording() const { return e2e::Recording::read(file_); }

 private:
  std::filesystem::path folder_, file_;
  std::optional<e2e::SoundServer> server_;
  std::optional<e2e::Child> recorder_;
  std::vector<PeriodLog::Period> grew_;
  std::atomic<bool> done_{false};
  std::thread watcher_;
};

e2e::SoundServer::Kind serverKind(const benchmark::State& state, int arg) {
  return state.range(arg) ? e2e::SoundServer::Kind::kPipeWire : e2e::SoundServer::Kind::kPulseAudio;
}

// Measured where a player would hear it: at the monitor of a private PulseAudio server's sink
// (or PipeWire's), recorded with parec in 5 ms fragments, so the figure includes up to one
// fragment of the recorder's own wait. Through the program's own connection to the server, or
// through SDL's driver as before it.
void KeyToSoundThroughServer(benchmark::State& state) {
  const int period = int(state.range(0));
  for (auto _ : state) {
    ServerStage stage(serverKind(state, 1), 5);
    KeyLog keys;
    const Played played = playGame(period, nullptr, keys, state.range(2) != 0);
    const auto& grew = stage.stopWatching();
    const e2e::Recording recording = stage.recording();
    report(state, period, grew, recording, keys);
    state.counters["underruns"] = played.underruns;
    state.counters["holes"] = e2e::holes(recording);
    state.SetLabel("audio driver " + played.driver + ", heard at the monitor");
  }
}
BENCHMARK(KeyToSoundThroughServer)
    ->ArgNames({"period", "pipewire", "sdl"})
    ->Args({128, 0, 0})
    ->Args({256, 0, 0})
    ->Args({512, 0, 0})
    ->Args({512, 0, 1})
    ->Args({128, 1, 0})
    ->Args({256, 1, 0})
    ->Args({512, 1, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Long play through a server, as a player leaves the game running: half the time in the menu
// with its music, then a game, with `busy` processes spinning beside the program. The server's
// underruns of the program's stream and the holes they leave in the monitor's recording.
// KORVANTA_BENCH_SECONDS sets the whole time (600 by default).
void UnderrunsThroughServer(benchmark::State& state) {
  const int period = int(state.range(0));
  const char* seconds = std::getenv("KORVANTA_BENCH_SECONDS");
  const double total = seconds ? std::atof(seconds) : 600.0;
  for (auto _ : state) {
    std::vector<std::unique_ptr<e2e::Child>> busy;
    for (int i = 0; i < state.range(2); ++i)
      busy.push_back(std::make_unique<e2e::Child>(
          e2e::Child::Options{.argv = {"sh", "-c", "while :; do :; done"}, .endsWithUs = true}));
    ServerStage stage(serverKind(state, 1), 20);
    LiveProgram program({.periodFrames = period});
    std::thread player([&] {
      std::this_thread::sleep_for(std::chrono::duration<double>(total / 2));
      e2e::Desk(privateDisplay().name()).press("Return");
      std::this_thread::sleep_for(std::chrono::duration<double>(total / 2));
      LiveProgram::quit();
    });
    program.run();
    player.join();
    stage.stopWatching();
    const e2e::Recording recording = stage.recording();
    const Played played = playedBy(program);
    state.counters["seconds"] = recording.seconds();
    state.counters["underruns"] = played.underruns;
    state.counters["holes"] = e2e::holes(recording);
    state.SetLabel("audio driver " + played.driver);
  }
}
BENCHMARK(UnderrunsThroughServer)
    ->ArgNames({"period", "pipewire", "busy"})
    ->ArgsProduct({{PulseOutput::kPeriodFrames}, {0, 1}, {0, 2}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace korvanta::bench
