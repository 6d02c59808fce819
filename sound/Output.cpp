#include "Output.h"

#include <algorithm>
#include <cmath>

namespace korvanta {

void ManualOutput::advance(int frames) {
  block_.resize(size_t(frames) * 2);
  mixer_.render(block_.data(), frames);
}

void ManualOutput::advanceSeconds(double seconds) {
  int64_t left = std::llround(seconds * Mixer::kOutputRate);
  while (left > 0) {
    const int frames = int(std::min<int64_t>(left, kPeriod));
    advance(frames);
    left -= frames;
  }
}

}  // namespace korvanta
