#include "Recipes.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "Ambience.h"
#include "Cries.h"
#include "Effects.h"
#include "Levels.h"
#include "Music.h"

namespace korvanta::pack {

namespace {

// One sound of a family, such as with<gunshot, Gun::Rifle>: the family's recipe for that kind.
template <auto make, auto kind>
Samples with(Rng& rng) {
  return make(kind, rng);
}

// How each file that is not spoken is made, by its name in the pack.
struct Recipe {
  std::string_view name;
  Samples (*make)(Rng&);
};

constexpr Recipe kRecipes[] = {
    {"A1.MP3", with<ambience, Bed::Prairie>},
    {"A2.MP3", with<ambience, Bed::Night>},
    {"A3.MP3", with<ambience, Bed::Creek>},
    {"A4.MP3", with<ambience, Bed::Forest>},
    {"A5.MP3", with<ambience, Bed::Canyon>},
    {"A6.MP3", with<ambience, Bed::Rain>},
    {"m.mp3", sightCue},
    {"d1.mp3", with<gunshot, Gun::Pistol>},
    {"d2.mp3", with<gunshot, Gun::Rifle>},
    {"d3.mp3", with<gunshot, Gun::Shotgun>},
    {"d4.mp3", with<gunshot, Gun::Ricochet>},
    {"c.mp3", reload},
    {"g.mp3", emptyGun},
    {"g1.mp3", hit},
    {"g2.mp3", painCry},
    {"i1.mp3", with<cry, 1>},
    {"i2.mp3", with<cry, 2>},
    {"i3.mp3", with<cry, 3>},
    {"i4.mp3", with<cry, 4>},
    {"i5.mp3", with<cry, 5>},
    {"i6.mp3", with<cry, 6>},
    {"i7.mp3", with<cry, 7>},
    {"i8.mp3", with<cry, 8>},
    {"i9.mp3", with<cry, 9>},
    {"i10.mp3", with<cry, 10>},
    {"i11.mp3", with<cry, 11>},
    {"i12.mp3", with<cry, 12>},
    {"i13.mp3", with<cry, 13>},
    {"i15.mp3", with<cry, 15>},
    {"f1.mp3", with<arrow, Arrow::Light>},
    {"f2.mp3", with<arrow, Arrow::Heavy>},
    {"f3.mp3", with<arrow, Arrow::Fluttering>},
    {"f4.mp3", with<arrow, Arrow::Bowstring>},
    {"muerte.mp3", knell},
    {"exito.mp3", fanfare},
    {"msc.mp3", with<music, Piece::Ballad>},
    {"msc1.mp3", with<music, Piece::WarDrums>},
    {"msc2.mp3", with<music, Piece::Gallop>},
};

}  // namespace

Samples makeSound(const PackEntry& entry, Language language, Speech& speech) {
  Samples s;
  if (entry.role == Role::Speech) {
    s = speech.say(std::string(entry.text(language)), voiceOf(entry.speaker, language));
  } else if (const auto recipe = std::ranges::find(kRecipes, entry.name, &Recipe::name);
             recipe != std::end(kRecipes)) {
    Rng rng{std::string(entry.name)};
    s = recipe->make(rng);
  }
  normalize(s, entry.loudnessDb);
  return s;
}

}  // namespace korvanta::pack
