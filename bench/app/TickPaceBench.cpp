// The pace of the game clock: the real period between ticks of a 1 ms window timer, the kind
// the game's clock is, over 10,000 ticks of the real event loop during a game, against the
// intended 10 ms.
#include <vector>

#include "Stage.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta::bench {
namespace {

// A window with nothing but a 1 ms timer that notes when it ticks, beside the game window.
class PaceWindow : public Window {
 public:
  PaceWindow(Desktop& desktop, size_t ticks)
      : Window(desktop, "Pace"), wanted_(ticks), timer_(1, [this] { tick(); }) {
    controls({}, {&timer_});
    times.reserve(ticks);
  }

  std::vector<e2e::Clock::time_point> times;

 private:
  void tick() {
    times.push_back(e2e::Clock::now());
    if (times.size() == wanted_) End();
  }

  size_t wanted_;
  Timer timer_;
};

void TickPace(benchmark::State& state) {
  const size_t periods = 10000;
  for (auto _ : state) {
    LiveProgram program({.firstWindow = "Form1", .sevenAttackers = true});
    // Shown once the game has loaded, in the same desktop, so both tick on the same passes.
    PaceWindow pace(program.desktop, periods + 1);
    program.desktop.add(pace);
    pace.Show();
    program.run();

    std::vector<double> ms;
    for (size_t i = 1; i < pace.times.size(); ++i)
      ms.push_back(1000.0 * e2e::secondsBetween(pace.times[i - 1], pace.times[i]));
    const Spread spread(ms);
    state.counters["ticks"] = double(ms.size());
    state.counters["median_ms"] = spread.median();
    state.counters["p99_ms"] = spread.at(0.99);
    state.counters["p1_ms"] = spread.at(0.01);
    state.counters["mean_ms"] = spread.mean();
    state.counters["max_ms"] = spread.max();
  }
}
BENCHMARK(TickPace)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace korvanta::bench
