// CPU of the whole program, every thread counted: a game with all seven attackers closing in
// for a minute, and the menu left alone for a minute. Goal for both: under 2% of one core.
#include <chrono>
#include <thread>

#include "Stage.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta::bench {
namespace {

// Keeps seven attackers coming for the whole minute: when an arrow has killed the gunman (after
// half a minute or so, nobody defending him), it starts the next game at once, as a player
// would, with slots 5 to 7 still active from the last. It looks on every loop tick, on the
// event loop's own thread.
class Referee : public Window {
 public:
  Referee(Desktop& desktop, Form1& game)
      : Window(desktop, "Referee"), game_(game), timer_(1, [this] { look(); }) {
    controls({}, {&timer_});
  }
  int games = 1;

 private:
  void look() {
    if (game_.pistoleroMuerto != 1) return;
    game_.Unload();
    for (int k = 1; k <= Form1::kSlots; ++k) game_.indioActivo(k) = 1;
    game_.Show();
    ++games;
  }

  Form1& game_;
  Timer timer_;
};

void ProgramCpu(benchmark::State& state, bool inGame) {
  const auto minute = std::chrono::seconds(60);
  for (auto _ : state) {
    LiveProgram program({.firstWindow = inGame ? "Form1" : "Form2", .sevenAttackers = inGame});
    Referee referee(program.desktop, program.form1);
    if (inGame) {
      program.desktop.add(referee);
      referee.Show();
    }
    double cpu = 0.0, mainCpu = 0.0, wall = 0.0;
    // Counting starts once the window has loaded: start-up is measured on its own.
    std::thread stopwatch([&] {
      const double cpuBefore = processCpuSeconds();
      const double mainBefore = mainThreadCpuSeconds();
      const auto before = e2e::Clock::now();
      std::this_thread::sleep_for(minute);
      cpu = processCpuSeconds() - cpuBefore;
      mainCpu = mainThreadCpuSeconds() - mainBefore;
      wall = e2e::secondsBetween(before, e2e::Clock::now());
      LiveProgram::quit();
    });
    program.run();
    stopwatch.join();
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    // The event loop's thread; the rest is mostly the sound card's thread.
    state.counters["loop_thread_percent"] = 100.0 * mainCpu / wall;
    state.counters["other_threads_percent"] = 100.0 * (cpu - mainCpu) / wall;
    state.counters["seconds"] = wall;
    if (inGame) state.counters["games"] = referee.games;
    state.SetLabel("audio driver " + program.audioDriver());
  }
}
BENCHMARK_CAPTURE(ProgramCpu, GameSevenAttackers, true)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(ProgramCpu, MenuIdle, false)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace korvanta::bench
