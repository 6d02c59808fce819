// The attackers' cries: fourteen men shouting, each with his own pitch, rhythm and throat, so that
// a player can tell them apart while aiming at them.
#pragma once

#include "Dsp.h"

namespace korvanta::pack {

// Cry of voice file "i<number>.mp3": number 1 to 13 or 15 (there is no voice 14).
Samples cry(int number, Rng& rng);

}  // namespace korvanta::pack
