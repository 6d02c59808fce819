// The default pack's contents: every file the game and the menu load, what each is for, and how it
// is made.
#pragma once

#include <string>
#include <vector>

#include "Dsp.h"
#include "Speech.h"

namespace korvanta::pack {

// What a sound does for the player; sets how loud it is made.
enum class Role { Cue, Gun, Click, Hit, Cry, Arrow, Death, Jingle, Speech, Ambience, Music };

// Loudness (dB, see Levels.h) each role is brought to.
double targetLoudness(Role role);

// Shortest and longest length a role's files may have, in seconds.
struct Span {
  double shortest, longest;
};
Span allowedSeconds(const std::string& name);

struct PackSound {
  // File name as the game spells it.
  std::string name;
  Role role;
};

// All 51 files, in a fixed order.
const std::vector<PackSound>& packSounds();

// The sound is found by name; nullptr for a name that is not in the pack.
const PackSound* findSound(const std::string& name);

// Makes the finished samples of one file (normalized, ready to encode). Speech is needed only by
// spoken files; the result depends on nothing but the name.
Samples makeSound(const PackSound& sound, Speech& speech);

// The words of a spoken file, or an empty string for a file that is not spoken.
std::string spokenText(const std::string& name);

}  // namespace korvanta::pack
