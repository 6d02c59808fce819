#include "Output.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace korvanta {

void ManualOutput::advance(int frames) {
  // Bounded, so that a decoder that never gets there (a bug) shows as late frames, not a hang.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (keepPace_ && !mixer_.decodedAhead(frames) && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  block_.resize(size_t(frames) * 2);
  mixer_.render(block_.data(), frames);
}

void ManualOutput::advanceSeconds(double seconds) {
  int64_t left = std::llround(seconds * Mixer::kOutputRate);
  while (left > 0) {
    const int frames = int(std::min<int64_t>(left, kDefaultPeriod));
    advance(frames);
    left -= frames;
  }
}

}  // namespace korvanta
