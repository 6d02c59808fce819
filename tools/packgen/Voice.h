// A small formant singer for cries, shouts and groans: a glottal buzz made of harmonics, shaped by
// the resonances of a vowel, with breath noise. Pitch, vowel and loudness glide along a score.
#pragma once

#include <vector>

#include "Dsp.h"

namespace korvanta::pack {

// First four resonances of a vowel in Hz, for a grown man's throat.
struct Vowel {
  double f1, f2, f3, f4;
};

namespace vowel {
constexpr Vowel a{730, 1090, 2440, 3400};   // "father"
constexpr Vowel ae{660, 1720, 2410, 3400};  // "cat"
constexpr Vowel e{530, 1840, 2480, 3500};   // "bed"
constexpr Vowel i{280, 2250, 2900, 3700};   // "see"
constexpr Vowel o{570, 840, 2410, 3400};    // "law"
constexpr Vowel u{310, 870, 2240, 3300};    // "boot"
constexpr Vowel uh{620, 1190, 2390, 3400};  // "cup"
}  // namespace vowel

// Where a quantity of a glide starts and where it ends.
template <typename T>
struct Span {
  T from, to;
};

// One stretch of a score: everything moves from its start value to its end value.
struct Glide {
  double seconds;
  Span<Vowel> vowels;
  // In Hz.
  Span<double> pitch;
  // Loudness of the voiced sound, 0 to 1.
  Span<double> voice;
  // Loudness of breath noise (an "h", a hiss, a rasp of air), 0 to 1.
  Span<double> breath{0.0, 0.0};
};

// Silence of `seconds` in a score, holding the vowel and pitch.
Glide rest(double seconds, Vowel v, double pitch);
// A held or gliding vowel with a loudness of `loud` throughout.
Glide tone(double seconds, Vowel from, Vowel to, double pitchFrom, double pitchTo, double loud);

// The character of the throat singing the score.
struct Throat {
  // Above 1: a smaller throat (a youth or a woman); below 1: a big chest.
  double formantScale = 1.0;
  // Roll-off of the harmonics: 0.7 is a bright shout, 1.4 a soft hum.
  double softness = 1.0;
  double vibratoHz = 5.5;
  double vibratoCents = 25.0;
  // Slow random wander of the pitch, in cents.
  double driftCents = 15.0;
  // Growl made of subharmonics, 0 to 1.
  double rasp = 0.0;
  // Widens the resonances: above 1 sounds duller and more nasal.
  double bandwidth = 1.0;
};

// Sings `score` and returns the sound, not yet normalized.
Samples sing(const std::vector<Glide>& score, const Throat& throat, Rng& rng);

}  // namespace korvanta::pack
