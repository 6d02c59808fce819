// The menu's three pieces of music, each long enough for all three of the menu's tag windows.
#pragma once

#include "Dsp.h"

namespace korvanta::pack {

// "msc.mp3" (1): a campfire guitar ballad; "msc1.mp3" (2): war drums and flute;
// "msc2.mp3" (3): a galloping banjo tune.
Samples music(int number, Rng& rng);

}  // namespace korvanta::pack
