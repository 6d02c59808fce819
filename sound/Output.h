// Where the mixer's sound goes: the audio device, or a hand-driven clock for tests and tools.
#pragma once

#include <vector>

#include "Mixer.h"

namespace korvanta {

// Drives the mixer by hand, "advance N frames", so tests hear exactly what was played.
class ManualOutput {
 public:
  explicit ManualOutput(Mixer& mixer) : mixer_(mixer) {}

  // Renders `frames` output frames and keeps them as the last block.
  void advance(int frames);
  // Advances by whole output periods of at most 512 frames, as the device would.
  void advanceSeconds(double seconds);

  // Interleaved stereo of the last `advance`.
  const std::vector<float>& lastBlock() const { return block_; }

 private:
  Mixer& mixer_;
  std::vector<float> block_;
};

}  // namespace korvanta
