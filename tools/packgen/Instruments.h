// Simple instruments for the music, the jingle and the knell. Each returns one note.
#pragma once

#include "Dsp.h"

namespace korvanta::pack {

// Plucked string (Karplus-Strong): guitar at brightness about 0.5, banjo near 0.9.
// `ring` is the time in seconds for the note to fall by 60 dB.
Samples pluck(double hz, double ring, double brightness, Rng& rng);
// Brass note that brightens as it swells.
Samples brass(double hz, double seconds, Rng& rng);
// Wooden flute with breath and a late vibrato.
Samples flute(double hz, double seconds, Rng& rng);
// Skin drum: a falling pitched thump with a slap of noise (`snap` 0 to 1).
Samples drum(double hz, double seconds, double snap, Rng& rng);
// Dry rattle for keeping time.
Samples shaker(double seconds, double loud, Rng& rng);
// Hollow knock: a woodblock, a hoof on hard ground.
Samples knock(double hz, double tau, Rng& rng);
// Struck metal with inharmonic partials.
Samples bell(double hz, double seconds);
// Noise splash that fades over `seconds`: a cymbal, a hiss.
Samples splash(double seconds, double lowCutHz, Rng& rng);

}  // namespace korvanta::pack
