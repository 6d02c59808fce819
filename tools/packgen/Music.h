// The menu's three pieces of music, each long enough for all three of the menu's tag windows.
#pragma once

#include "Dsp.h"

namespace korvanta::pack {

// "msc.mp3": a campfire guitar ballad; "msc1.mp3": war drums and flute; "msc2.mp3": a galloping
// banjo tune.
enum class Piece { Ballad, WarDrums, Gallop };
Samples music(Piece piece, Rng& rng);

}  // namespace korvanta::pack
