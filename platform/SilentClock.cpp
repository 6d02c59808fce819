#include "SilentClock.h"

namespace korvanta {

SilentClock::SilentClock(Mixer& mixer, int periodFrames, AudioTap* tap)
    : mixer_(mixer), period_(periodFrames), tap_(tap), silence_(size_t(periodFrames) * 2) {}

SilentClock::Clock::time_point SilentClock::catchUp() {
  const auto period =
      std::chrono::nanoseconds(int64_t(period_) * 1'000'000'000 / Mixer::kOutputRate);
  const Clock::time_point now = Clock::now();
  // After a stall as long as a suspended machine's, time starts again rather than racing.
  if (now - due_ > std::chrono::seconds(2)) due_ = now;
  for (; due_ <= now; due_ += period) {
    mixer_.render(silence_.data(), period_);
    if (tap_) tap_->rendered(silence_.data(), period_);
  }
  return due_;
}

}  // namespace korvanta
