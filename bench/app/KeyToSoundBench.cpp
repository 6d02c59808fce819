// Key-down to sound: from the moment a key-down event reaches the program to the output period
// that carries the first sample of the sight cue it started. Real key presses (XTest) into the
// game window, the real event loop and sound card; the default 512-frame period is compared
// with the 2048 frames many small SDL games ship with.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Stage.h"
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

void KeyToSound(benchmark::State& state) {
  const int period = int(state.range(0));
  const int lefts = 200;
  const int gapMs = 110;
  const e2e::Reference cue = e2e::Reference::load(packFolder() / "m.mp3");
  // Its opening is enough to know it, and stays clear of the next press's cue.
  const int64_t listenFrames = std::min(cue.frames(), e2e::framesOf(0.08));
  for (auto _ : state) {
    PeriodLog periods(2.0 * lefts * gapMs / 1000.0 + 20.0);
    KeyLog keys;
    LiveProgram program({.periodFrames = period, .tap = &periods, .firstWindow = "Form1"});
    // Every attacker down, as at the end of a won game: their cries grow as loud as the cue
    // within half a minute and would drown it for the listener, not for the key's way to it.
    // Still on the event loop's thread here, before its first tick.
    for (int k = 1; k <= Form1::kSlots; ++k) program.form1.indioActivo(k) = 0;
    SDL_AddEventWatch(KeyLog::watch, &keys);
    // Left then Right, over and over: the sight steps between two places and every step plays
    // the cue afresh. Presses fall at random moments of the output period, as a player's do.
    std::thread player([&] {
      // The window has the keyboard once its focus event comes (or surely after a while).
      const auto giveUp = Clock::now() + std::chrono::seconds(3);
      while (!keys.focused && Clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      // Past the fanfare the first tick plays for the won game.
      std::this_thread::sleep_for(std::chrono::seconds(3));
      std::vector<std::string> sequence;
      for (int i = 0; i < lefts; ++i) sequence.insert(sequence.end(), {"Left", "Right"});
      e2e::Desk(privateDisplay().name()).pressAll(sequence, gapMs);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      LiveProgram::quit();
    });
    program.run();
    player.join();
    SDL_DelEventWatch(KeyLog::watch, &keys);

    const std::vector<PeriodLog::Period> log = periods.periods();
    const e2e::Recording rec = periods.recording();
    // The first period rendered after a moment, and the one holding a frame.
    const auto periodAfter = [&](Clock::time_point at) {
      return std::find_if(log.begin(), log.end(), [&](const auto& p) { return p.at >= at; });
    };
    std::vector<double> leftMs, allMs;
    int missed = 0;
    for (size_t i = 0; i < keys.presses.size(); ++i) {
      const auto from = periodAfter(keys.presses[i].at);
      const auto to = i + 1 < keys.presses.size() ? periodAfter(keys.presses[i + 1].at) : log.end();
      if (from == log.end()) break;
      // The next key's cue starts in a period rendered after that key: not before `to`.
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
    state.SetLabel("audio driver " + program.audioDriver());
  }
}
BENCHMARK(KeyToSound)
    ->ArgName("period")
    ->Arg(512)
    ->Arg(2048)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace korvanta::bench
