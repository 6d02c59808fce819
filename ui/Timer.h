// A window's timer control: ticks while its window is loaded and its interval is not 0.
#pragma once

#include <functional>

namespace korvanta {

// The desktop this game was made for delivered timer ticks no faster than every 10 ms, and the
// pace of play (one attacker step in 200 ticks on average) rests on that rate.
inline constexpr int kTickMilliseconds = 10;

class Timer {
 public:
  // `interval` in milliseconds at every load of the window; 0 means idle until code sets one.
  Timer(int interval, std::function<void()> onTick);

  // The window loads: back to the design interval.
  void create();
  // The window unloads: no more ticks.
  void destroy();

  // Milliseconds between ticks; 0 stops the timer.
  void interval(int milliseconds);

  // One pass of the event loop's clock, `elapsedMs` after the last; ticks when due.
  void elapse(int elapsedMs);

 private:
  const int designInterval_;
  std::function<void()> onTick_;
  int interval_ = 0;
  bool alive_ = false;
  int waitedMs_ = 0;
};

}  // namespace korvanta
