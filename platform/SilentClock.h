// Keeps the mixer's time while no device takes its sound: renders its periods into nothing, as a
// device would, so every position and every end of a sound still comes on time.
#pragma once

#include <chrono>
#include <vector>

#include "sound/AudioTap.h"
#include "sound/Mixer.h"

namespace korvanta {

class SilentClock {
 public:
  using Clock = std::chrono::steady_clock;

  SilentClock(Mixer& mixer, int periodFrames, AudioTap* tap);

  // Time is kept from `from` on: the moment the last device stopped taking sound.
  void startFrom(Clock::time_point from) { due_ = from; }
  // Renders every period that has fallen due by now; when the next one falls due.
  Clock::time_point catchUp();

 private:
  Mixer& mixer_;
  int period_;
  AudioTap* tap_;
  std::vector<float> silence_;
  Clock::time_point due_ = Clock::now();
};

}  // namespace korvanta
