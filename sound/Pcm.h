// Decoded audio of one file, immutable once made and shared by every player that holds it.
#pragma once

#include <cstdint>
#include <vector>

namespace korvanta {

struct Pcm {
  // Frames per second of the file itself; the mixer steps through it at this rate.
  int rate = 0;
  // 1 (mono) or 2 (interleaved stereo).
  int channels = 0;
  // Interleaved signed 16-bit samples: half the memory of floats for long ambience beds.
  std::vector<int16_t> samples;

  int64_t frames() const { return channels > 0 ? int64_t(samples.size()) / channels : 0; }
  // Exact length in seconds; a finished player reads this very value as its position.
  double seconds() const { return rate > 0 ? double(frames()) / rate : 0.0; }
};

}  // namespace korvanta
