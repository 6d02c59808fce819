#include "Recipes.h"

#include <string>

#include "Ambience.h"
#include "Cries.h"
#include "Effects.h"
#include "Levels.h"
#include "Music.h"

namespace korvanta::pack {

namespace {

// The number in a name such as "i13.mp3" or "A4.MP3".
int numberIn(std::string_view name) {
  int n = 0;
  for (char c : name.substr(0, name.find('.')))
    if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
  return n;
}

}  // namespace

Samples makeSound(const PackEntry& entry, Language language, Speech& speech) {
  const std::string name(entry.name);
  Rng rng(name);
  const int number = numberIn(name);
  Samples s;
  switch (entry.role) {
    case Role::Ambience:
      s = ambience(number, rng);
      break;
    case Role::Cue:
      s = sightCue(rng);
      break;
    case Role::Gun:
      s = gunshot(number, rng);
      break;
    case Role::Click:
      s = name == "c.mp3" ? reload(rng) : emptyGun(rng);
      break;
    case Role::Hit:
      s = name == "g1.mp3" ? hit(rng) : painCry(rng);
      break;
    case Role::Cry:
      s = cry(number, rng);
      break;
    case Role::Arrow:
      s = arrow(number, rng);
      break;
    case Role::Death:
      s = knell(rng);
      break;
    case Role::Jingle:
      s = fanfare(rng);
      break;
    case Role::Speech:
      s = speech.say(std::string(entry.text(language)), voiceOf(entry.speaker, language));
      break;
    case Role::Music:
      s = music(number == 0 ? 1 : number + 1, rng);
      break;
  }
  normalize(s, entry.loudnessDb);
  return s;
}

}  // namespace korvanta::pack
