// The one sound engine of the program: its mixer and its cache of decoded files.
#pragma once

#include "Mixer.h"
#include "SoundCache.h"

namespace korvanta {

struct SoundEngine {
  Mixer mixer;
  SoundCache cache;
};

}  // namespace korvanta
