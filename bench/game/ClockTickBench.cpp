// One tick of the game clock in which an attacker steps: the arrow check of all seven slots,
// then its cry reloaded from the (warm) cache and played. Mixing is the audio thread's and is
// left out: this is what the user-interface thread spends per tick.
#include <benchmark/benchmark.h>

#include "game/Form1.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Harness.h"
#include "ui/Random.h"

namespace korvanta::test {
namespace {

// The harness clock value under which the next tick's step draw names one of the seven slots;
// with `arrow`, that slot's arrow check also launches one arrow, away from the gunman.
uint64_t clockForAStep(Harness& h, bool arrow) {
  for (uint64_t c = h.clock + 1;; ++c) {
    h.clock = c;
    Random probe = h.random;
    if (probe.draw(200) > Form1::kSlots) continue;
    if (!arrow) return c;
    probe.draw(4);
    if (probe.draw(21) != 11) return c;
  }
}

void tickWithAStep(benchmark::State& state, bool arrow) {
  const auto folder = freshFolder("game-bench");
  writeFixturePack(folder);
  Harness h(folder);
  Form1 game(h.desktop);
  h.desktop.add(game);
  h.desktop.show("Form1");
  // Every voice and arrow once, so the ticks measured decode nothing.
  for (int k = 1; k <= Form1::kSlots; ++k) {
    game.indioActivo(k) = 1;
    game.MIndio(k).file(game.vozIndio(k));
    for (const char* f : {"\\f1.mp3", "\\f2.mp3", "\\f3.mp3", "\\f4.mp3"})
      game.MFlecha(k).file(game.soundDir + f);
  }
  h.engine.cache.waitUntilDecoded();

  // Each tick measured is checked afterwards, outside the timing: did a slot step, did slot 1
  // shoot (its cry rewound).
  int64_t steps = 0;
  int64_t arrows = 0;
  const auto check = [&] {
    if (game.sorteoPaso >= 1 && game.sorteoPaso <= Form1::kSlots) ++steps;
    if (game.MIndio(1).position() == 0.0) ++arrows;
  };
  bool ticked = false;
  for (auto _ : state) {
    state.PauseTiming();
    if (ticked) check();
    for (int k = 1; k <= Form1::kSlots; ++k) {
      // Far away, or (for the arrow) slot 1 within range with its cry played out.
      game.MIndio(k).volume(arrow && k == 1 ? -1000 : -3000);
      game.MIndio(k).position(game.MIndio(k).duration());
    }
    h.clock = clockForAStep(h, arrow);
    state.ResumeTiming();

    h.desktop.elapse(10);
    ticked = true;
  }
  if (ticked) check();
  if (steps != state.iterations() || (arrow && arrows != state.iterations()))
    state.SkipWithError("a measured tick moved nobody or launched no arrow");
  if (game.pistoleroMuerto != 0) state.SkipWithError("the gunman died; the ticks were not alike");
}

void BM_ClockTickWithAStep(benchmark::State& state) {
  tickWithAStep(state, false);
}
void BM_ClockTickWithAStepAndAnArrow(benchmark::State& state) {
  tickWithAStep(state, true);
}

BENCHMARK(BM_ClockTickWithAStep)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ClockTickWithAStepAndAnArrow)->Unit(benchmark::kMicrosecond)->Repetitions(5);

}  // namespace
}  // namespace korvanta::test
