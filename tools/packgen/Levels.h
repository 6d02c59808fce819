// Loudness of the pack's sounds: measuring peak and RMS, and bringing each sound to the level its
// role asks for without clipping.
#pragma once

#include "Dsp.h"
#include "sound/Pcm.h"

namespace korvanta::pack {

// Levels in dB relative to full scale.
struct Level {
  double peakDb = -180.0;
  // Over the whole file.
  double rmsDb = -180.0;
  // Over the parts that sound (20 ms blocks within 30 dB of the loudest): how loud it is heard.
  double loudnessDb = -180.0;
  // How long it is heard above its own quiet tail: from the first to the last 20 ms block within
  // 20 dB of the loudest. For a cry, the time a player has to aim at it.
  double heardSeconds = 0.0;
};

Level measure(const Samples& s);

// The first channel of decoded audio as floats, to be measured as the game will play it.
Samples firstChannel(const Pcm& pcm);

// No sample of the pack goes above this, leaving room for the encoder's overshoot.
constexpr double kCeilingDb = -1.0;

// Brings the loudness to `targetDb`; peaks that would pass the ceiling are rounded off softly,
// then the whole is lowered if it still does.
void normalize(Samples& s, double targetDb);

}  // namespace korvanta::pack
