// What the first `file` of each of the pack's 51 files costs the game's thread, while an audio
// thread renders as the sound card's would: the longest stall is what a player could feel as a
// late key or a late timer (goal: at most 2 ms).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <time.h>

#include "Stage.h"
#include "sound/Player.h"
#include "tests/support/FixturePack.h"

namespace korvanta::bench {
namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the calling thread, in seconds: on a machine shared with other work, the clock also
// counts the time the thread was waiting for a core.
double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void FirstFileStall(benchmark::State& state) {
  const std::string folder = packFolder().string();
  std::vector<double> ms, cpuMs;
  double worst = 0.0;
  std::string worstFile;
  for (auto _ : state) {
    // A fresh engine each round, so that every load is a first one.
    for (int round = 0; round < 10; ++round) {
      SoundEngine engine;
      std::atomic<bool> stop{false};
      std::thread audio([&] {
        std::vector<float> out(2 * 512);
        while (!stop) {
          engine.mixer.render(out.data(), 512);
          std::this_thread::sleep_for(std::chrono::microseconds(10667));
        }
      });
      Player player(engine, {.autostart = true, .volume = -600, .playCount = 1});
      for (const std::string& name : test::packFileNames()) {
        const auto start = Clock::now();
        const double cpu = threadCpuSeconds();
        player.file(folder + "\\" + name);
        cpuMs.push_back(1000.0 * (threadCpuSeconds() - cpu));
        ms.push_back(1000.0 * std::chrono::duration<double>(Clock::now() - start).count());
        if (ms.back() > worst) {
          worst = ms.back();
          worstFile = name;
        }
        // A tick of the game between two loads.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      stop = true;
      audio.join();
    }
  }
  const Spread spread(ms);
  state.counters["loads"] = double(ms.size());
  state.counters["median_ms"] = spread.median();
  state.counters["p99_ms"] = spread.at(0.99);
  state.counters["max_ms"] = spread.max();
  state.counters["cpu_max_ms"] = Spread(cpuMs).max();
  state.SetLabel("longest: " + worstFile);
}
BENCHMARK(FirstFileStall)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace korvanta::bench
