#include "Timer.h"

namespace korvanta {

Timer::Timer(int interval, std::function<void()> onTick)
    : designInterval_(interval), onTick_(std::move(onTick)) {}

void Timer::create() {
  alive_ = true;
  interval_ = designInterval_;
  waitedMs_ = 0;
}

void Timer::destroy() {
  alive_ = false;
  interval_ = 0;
}

void Timer::interval(int milliseconds) {
  interval_ = milliseconds < 0 ? 0 : milliseconds;
  waitedMs_ = 0;
}

void Timer::elapse(int elapsedMs) {
  if (!alive_ || interval_ == 0) return;
  waitedMs_ += elapsedMs;
  if (waitedMs_ < interval_) return;
  // Time that slipped by is not made up with a burst of ticks: one tick, then wait afresh.
  waitedMs_ = 0;
  onTick_();
}

}  // namespace korvanta
