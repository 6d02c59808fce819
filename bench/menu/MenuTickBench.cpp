// One tick of the menu, its music and voice sounding, while an audio thread renders beside it
// ten times as often as a sound card would: what the user-interface thread spends per tick, its
// waits for the mixer's lock (held for each whole period rendered) included.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <vector>

#include "menu/Form2.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Harness.h"

namespace korvanta::test {
namespace {

void BM_MenuTickBesideTheAudioThread(benchmark::State& state) {
  const auto folder = freshFolder("menu-bench");
  writeFixturePack(folder, {{"msc.mp3", 600.0}, {"ex1.mp3", 600.0}});
  Harness h(folder);
  Form2 menu(h.desktop);
  StandIn game(h.desktop, "Form1", "Form2");
  h.desktop.add(menu);
  h.desktop.add(game);
  h.desktop.show("Form2");
  h.engine.cache.waitUntilDecoded();
  std::jthread audio([&](std::stop_token stop) {
    std::vector<float> out(2 * 512);
    while (!stop.stop_requested()) {
      h.engine.mixer.render(out.data(), 512);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  for (auto _ : state) h.desktop.elapse(10);
  if (!menu.loaded() || menu.MFondo.playedOut()) state.SkipWithError("the music did not play on");
}
BENCHMARK(BM_MenuTickBesideTheAudioThread)->Unit(benchmark::kMicrosecond)->Repetitions(5);

}  // namespace
}  // namespace korvanta::test
