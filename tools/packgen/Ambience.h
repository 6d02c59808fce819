// Outdoor beds under a game: prairie wind, night crickets, a creek, forest birds, a canyon, rain.
// Each loops without a seam, since the game plays its bed twice in a row.
#pragma once

#include "Dsp.h"

namespace korvanta::pack {

// Bed of file "A<number>.MP3", number 1 to 6.
Samples ambience(int number, Rng& rng);

}  // namespace korvanta::pack
