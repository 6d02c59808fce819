// What loading a ten-minute file costs the UI thread, and how long its background decoding takes.
#include <benchmark/benchmark.h>

#include <chrono>

#include "sound/Player.h"
#include "tests/sound/LongTone.h"
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

// From the `file` write until the whole file is decoded on the worker.
void TenMinutesDecodedInBackground(benchmark::State& state) {
  const std::string path = tenMinuteFile().string();
  for (auto _ : state) {
    SoundEngine engine;
    Player player(engine, {.autostart = false, .volume = -600, .playCount = 1});
    player.file(path);
    engine.cache.waitUntilDecoded();
    benchmark::DoNotOptimize(player.duration());
  }
}
BENCHMARK(TenMinutesDecodedInBackground)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvanta
