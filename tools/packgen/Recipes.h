// How each file of the pack is made: the manifest says what a file is, this makes its sound.
#pragma once

#include "Dsp.h"
#include "Speech.h"
#include "pack/Manifest.h"

namespace korvanta::pack {

// Makes the finished samples of one file, brought to its entry's loudness and ready to encode;
// empty when nothing makes it (a line that cannot be spoken, a name without a recipe). Speech is
// needed only by spoken files; the result depends on nothing but the entry and the language.
Samples makeSound(const PackEntry& entry, Language language, Speech& speech);

}  // namespace korvanta::pack
