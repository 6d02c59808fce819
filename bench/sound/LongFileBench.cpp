// What loading a ten-minute file costs the UI thread, and what streaming it costs as it plays.
#include <benchmark/benchmark.h>

#include <chrono>

#include "sound/Output.h"
#include "sound/Player.h"
#include "tests/support/FixturePack.h"

namespace korvanta {
namespace {

using Clock = std::chrono::steady_clock;

const std::filesystem::path& tenMinuteFile() {
  static const std::filesystem::path file = [] {
    auto folder = test::freshFolder("bench-long");
    test::writeLongTone(folder / "ten.mp3", 600.0);
    return folder / "ten.mp3";
  }();
  return file;
}

// The `file` write alone, as the UI thread sees it: it must fit in one 10 ms tick.
void FileWriteFirstLoadTenMinutes(benchmark::State& state) {
  const std::string path = tenMinuteFile().string();
  for (auto _ : state) {
    SoundEngine engine;
    Player player(engine, {.autostart = true, .volume = -600, .playCount = 1});
    const auto start = Clock::now();
    player.file(path);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    benchmark::DoNotOptimize(player.duration());
    // Leaving the engine abandons the decoding; not part of the load.
  }
}
BENCHMARK(FileWriteFirstLoadTenMinutes)->UseManualTime()->Unit(benchmark::kMillisecond);

// One second of a streamed ten-minute file played through, with the worker keeping its
// read-ahead full; the CPU time is the whole process's, worker included, per second of audio.
void TenMinutesStreamedPerSecond(benchmark::State& state) {
  const std::string path = tenMinuteFile().string();
  SoundEngine engine;
  ManualOutput output(engine.mixer);
  Player player(engine, {.autostart = true, .volume = -600, .playCount = 1000});
  player.file(path);
  for (auto _ : state) {
    for (int period = 0; period < 48000 / 512; ++period) {
      output.advance(512);
      if (period % 16 == 0) engine.cache.waitUntilDecoded();
    }
  }
  state.counters["late_frames"] = double(engine.mixer.lateFrames());
}
BENCHMARK(TenMinutesStreamedPerSecond)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvanta
