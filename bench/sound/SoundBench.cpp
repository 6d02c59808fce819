// What the sound player costs: loading a file, mixing many players, and starting a sound.
#include <benchmark/benchmark.h>

#include <cmath>

#include "sound/Output.h"
#include "sound/Player.h"
#include "tests/support/FixturePack.h"

namespace korvanta {
namespace {

const std::filesystem::path& threeSecondFile() {
  static const std::filesystem::path file = [] {
    auto folder = test::freshFolder("bench");
    test::writeTone(folder / "three.mp3", 3.0);
    return folder / "three.mp3";
  }();
  return file;
}

// First load: the file is decoded.
void FileWriteFirstLoad(benchmark::State& state) {
  const std::string path = threeSecondFile().string();
  for (auto _ : state) {
    SoundEngine engine;
    Player player(engine, {});
    player.file(path);
    benchmark::DoNotOptimize(player.duration());
  }
}
BENCHMARK(FileWriteFirstLoad)->Unit(benchmark::kMillisecond);

// Reload of a cached file, as the game does at every attacker step.
void FileWriteCachedReload(benchmark::State& state) {
  const std::string path = threeSecondFile().string();
  SoundEngine engine;
  Player player(engine, {});
  player.file(path);
  for (auto _ : state) {
    player.file(path);
    benchmark::DoNotOptimize(player.duration());
  }
}
BENCHMARK(FileWriteCachedReload)->Unit(benchmark::kMicrosecond);

// 20 players sounding at once, mixed one 512-frame period at a time, through the limiter (the
// sum is far beyond full scale) and with one of them restarted every period, so a fading tail
// is always under way. The counter is the share of one core that mixing takes in real time.
void MixTwentyPlayers(benchmark::State& state) {
  const std::string path = threeSecondFile().string();
  SoundEngine engine;
  std::vector<std::unique_ptr<Player>> players;
  for (int i = 0; i < 20; ++i) {
    players.push_back(std::make_unique<Player>(
        engine, PlayerDesign{.autostart = true, .volume = -600, .playCount = 1000}));
    players.back()->balance(-5000 + 500 * i);
    players.back()->file(path);
  }
  std::vector<float> out(512 * 2);
  size_t next = 0;
  for (auto _ : state) {
    players[next]->position(0);
    next = (next + 1) % players.size();
    engine.mixer.render(out.data(), 512);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["core_share"] =
      benchmark::Counter(double(state.iterations()) * 512 / Mixer::kOutputRate,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(MixTwentyPlayers)->Unit(benchmark::kMicrosecond);

// The limiter through a second of silence long after a loud mix, as in a game left quiet: an
// envelope lingering as a denormal would cost several times as much per frame.
void LimiterThroughLongSilence(benchmark::State& state) {
  Limiter limiter(Mixer::kOutputRate);
  std::vector<float> loud(2 * 512, 2.0f), silence(2 * Mixer::kOutputRate, 0.0f);
  limiter.process(loud.data(), 512);
  // Past the 13 s it takes the envelope to decay that far.
  for (int second = 0; second < 20; ++second) limiter.process(silence.data(), Mixer::kOutputRate);
  for (auto _ : state) {
    limiter.process(silence.data(), Mixer::kOutputRate);
    benchmark::DoNotOptimize(silence.data());
  }
}
BENCHMARK(LimiterThroughLongSilence)->Unit(benchmark::kMicrosecond);

// Frames from `play` to the first sample of that sound in the output, with 512-frame periods;
// the play comes at a random point between two periods, as a key does.
void PlayToFirstSample(benchmark::State& state) {
  const std::string path = threeSecondFile().string();
  SoundEngine engine;
  ManualOutput output(engine.mixer);
  Player player(engine, {.autostart = false, .volume = 0, .playCount = 1});
  player.file(path);
  int64_t worst = 0;
  for (auto _ : state) {
    player.position(0);
    player.play();
    int64_t frames = 0;
    for (bool heard = false; !heard; frames += 512) {
      output.advance(512);
      for (size_t i = 0; i < output.lastBlock().size() && !heard; i += 2)
        if (output.lastBlock()[i] != 0.0f) {
          heard = true;
          frames += int64_t(i / 2) - 512;
        }
    }
    worst = std::max(worst, frames + 512);
    player.position(1000);
  }
  state.counters["worst_frames_within_period"] = double(worst);
}
BENCHMARK(PlayToFirstSample)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvanta
