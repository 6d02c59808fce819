// Outdoor beds under a game: prairie wind, night crickets, a creek, forest birds, a canyon, rain.
// Each loops without a seam, since the game plays its bed over and over for the whole game.
#pragma once

#include "Dsp.h"

namespace korvanta::pack {

// The six beds, "A1.MP3" to "A6.MP3" in that order.
enum class Bed { Prairie, Night, Creek, Forest, Canyon, Rain };
Samples ambience(Bed bed, Rng& rng);

}  // namespace korvanta::pack
