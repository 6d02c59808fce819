#include "Limiter.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

namespace {

// The envelope holds a peak through a low note's cycle, then falls with this time constant:
// slow enough not to pump, quick enough that a quiet sound after a loud one is soon heard whole.
constexpr double kHoldSeconds = 0.02;
constexpr double kReleaseSeconds = 0.15;
// An envelope this far below the threshold (-120 dBFS) is taken as none: decaying on through
// silence, it would end stuck at a denormal value, several times as costly to work with.
constexpr float kNegligible = 1e-6f;

// The level a peak of `x` (above the threshold) is brought to: the identity's slope at the
// threshold, bending smoothly towards the ceiling and never reaching it.
float shaped(float x) {
  constexpr float room = Limiter::kCeiling - Limiter::kThreshold;
  return Limiter::kThreshold + room * std::tanh((x - Limiter::kThreshold) / room);
}

}  // namespace

Limiter::Limiter(int rate)
    : holdFrames_(int(kHoldSeconds * rate)),
      release_(float(std::exp(-1.0 / (kReleaseSeconds * rate)))) {}

void Limiter::process(float* samples, int frames) {
  for (int i = 0; i < frames; ++i) {
    float* frame = samples + 2 * i;
    const float peak = std::max(std::abs(frame[0]), std::abs(frame[1]));
    // No look-ahead: a new peak is met at once, so nothing is delayed.
    if (peak >= envelope_) {
      envelope_ = peak;
      holdLeft_ = holdFrames_;
    } else if (holdLeft_ > 0) {
      --holdLeft_;
    } else {
      envelope_ = std::max(peak, envelope_ * release_);
      if (envelope_ < kNegligible) envelope_ = 0.0f;
    }
    if (envelope_ <= kThreshold) continue;
    const float gain = shaped(envelope_) / envelope_;
    frame[0] *= gain;
    frame[1] *= gain;
  }
}

}  // namespace korvanta
