// The game's short effects: the sight cue, the guns, hits, arrows, the knell and the fanfare.
#pragma once

#include "Dsp.h"

namespace korvanta::pack {

// "m.mp3": a bright, broadband tick whose place in the stereo field is easy to hear.
Samples sightCue(Rng& rng);
// The four guns a player chooses between, "d1.mp3" to "d4.mp3" in that order.
enum class Gun { Pistol, Rifle, Shotgun, Ricochet };
// A shot of `gun`; the rifle's comes with a canyon echo, the ricochet's with its whine.
Samples gunshot(Gun gun, Rng& rng);
// "c.mp3": a bullet pushed in and the cylinder turned.
Samples reload(Rng& rng);
// "g.mp3": the hammer falling on an empty chamber.
Samples emptyGun(Rng& rng);
// "g1.mp3": a thud and a grunt.
Samples hit(Rng& rng);
// "g2.mp3": a cry of pain.
Samples painCry(Rng& rng);
// Four arrows that sound different flying past, "f1.mp3" to "f4.mp3" in that order.
enum class Arrow { Light, Heavy, Fluttering, Bowstring };
Samples arrow(Arrow kind, Rng& rng);
// "muerte.mp3": one stroke of a knell; the game plays it five times over.
Samples knell(Rng& rng);
// "exito.mp3": a short fanfare.
Samples fanfare(Rng& rng);

}  // namespace korvanta::pack
