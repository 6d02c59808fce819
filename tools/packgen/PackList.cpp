#include "PackList.h"

#include <map>

#include "Ambience.h"
#include "Cries.h"
#include "Effects.h"
#include "Levels.h"
#include "Music.h"

namespace korvanta::pack {

namespace {

const std::map<std::string, std::string>& lines() {
  static const std::map<std::string, std::string> texts = {
      {"no salgo.mp3", "I'm not coming out. Not while they're still out there!"},
      {"exito1.mp3", "That's the last of them. I can ride on now."},
      {"fin.mp3", "They got me... It's all over."},
      {"ex1.mp3",
       "Welcome to Korvanta. You defend a gunman, by ear, against an ambush. Use the Up and Down "
       "arrow keys to hear the menu items. Press Enter to start a game. Press Escape to leave."},
      {"ex2.mp3",
       "The sight. Your gun sight is a sound, heard from the left, the centre or the right. The "
       "Left and Right arrow keys move it one step. Up jumps it to the far right, Down to the far "
       "left, and Shift brings it back to the centre. Press Enter to play."},
      {"ex3.mp3",
       "Loading and firing. Press Space to load one bullet; the gun holds five. Press Control to "
       "fire where the sight is. An empty gun only clicks. Press Enter to play."},
      {"ex4.mp3",
       "Your shot. The keys 1, 2, 3 and 4 choose the sound of your gun, and let you hear it. Press "
       "Enter to play."},
      {"ex5.mp3",
       "The attackers. Each attacker cries out from his own place, and his cry grows louder as he "
       "comes closer. Put the sight on his cry, and fire while he is still crying out. Press Enter "
       "to play."},
      {"ex6.mp3",
       "Arrows. An attacker who comes close shoots an arrow each time his cry ends. An arrow that "
       "lands at the centre, where the gunman stands, kills him. Press Enter to play."},
      {"ex7.mp3",
       "Bullets. You get five spare bullets for each attacker. When your bullets run low, fallen "
       "attackers return in a new wave, and each brings three more bullets. Press Enter to play."},
      {"ex8.mp3",
       "Leaving a game. Press Escape at any time. The gunman says a last word, and then you are "
       "back in this menu. Press Enter to play."},
      {"ex9.mp3",
       "Winning and losing. Bring down every attacker, and a fanfare tells you that you have won. "
       "If an arrow kills the gunman, a bell tolls, and the game is lost. Then press Escape to "
       "return. Press Enter to play."},
      {"ex10.mp3",
       "The manual. Press Enter to open the game's web page in your browser, with the keys, the "
       "rules and the list of sound files."},
  };
  return texts;
}

bool startsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

// The number in a name such as "i13.mp3" or "A4.MP3".
int numberIn(const std::string& name) {
  int n = 0;
  for (char c : name.substr(0, name.find('.')))
    if (c >= '0' && c <= '9') n = n * 10 + (c - '0');
  return n;
}

}  // namespace

double targetLoudness(Role role) {
  switch (role) {
    case Role::Gun:
      return -16.0;
    case Role::Cry:
    case Role::Jingle:
    case Role::Hit:
      return -17.0;
    case Role::Click:
      return -19.0;
    case Role::Music:
      return -20.0;
    case Role::Ambience:
      // A bed under everything: the game plays it 10 dB down, and far cries must rise above it.
      return -30.0;
    default:
      return -18.0;
  }
}

Span allowedSeconds(const std::string& name) {
  if (startsWith(name, "A")) return {20.0, 40.0};
  if (startsWith(name, "msc")) return {14.0, 40.0};
  if (startsWith(name, "ex")) return {2.0, 20.0};
  if (name == "exito.mp3") return {1.0, 3.0};
  if (name == "m.mp3") return {0.05, 0.3};
  if (name == "c.mp3" || name == "g.mp3") return {0.05, 0.4};
  if (name == "g1.mp3" || name == "g2.mp3") return {0.2, 1.2};
  if (name == "muerte.mp3") return {0.2, 0.999};
  if (startsWith(name, "d")) return {0.2, 2.0};
  if (startsWith(name, "i")) return {0.8, 2.5};
  if (startsWith(name, "f") && name != "fin.mp3") return {0.8, 1.2};
  return {1.0, 5.0};  // the gunman's lines
}

const std::vector<PackSound>& packSounds() {
  static const std::vector<PackSound> sounds = [] {
    std::vector<PackSound> s;
    const auto numbered = [&](const char* stem, int from, int to, const char* ext, Role role) {
      for (int n = from; n <= to; ++n) s.push_back({stem + std::to_string(n) + ext, role});
    };
    numbered("A", 1, 6, ".MP3", Role::Ambience);
    s.push_back({"m.mp3", Role::Cue});
    numbered("d", 1, 4, ".mp3", Role::Gun);
    s.push_back({"c.mp3", Role::Click});
    s.push_back({"g.mp3", Role::Click});
    s.push_back({"g1.mp3", Role::Hit});
    s.push_back({"g2.mp3", Role::Hit});
    numbered("i", 1, 13, ".mp3", Role::Cry);
    s.push_back({"i15.mp3", Role::Cry});
    numbered("f", 1, 4, ".mp3", Role::Arrow);
    s.push_back({"muerte.mp3", Role::Death});
    s.push_back({"exito.mp3", Role::Jingle});
    for (const char* line : {"exito1.mp3", "fin.mp3", "no salgo.mp3"})
      s.push_back({line, Role::Speech});
    numbered("ex", 1, 10, ".mp3", Role::Speech);
    s.push_back({"msc.mp3", Role::Music});
    numbered("msc", 1, 2, ".mp3", Role::Music);
    return s;
  }();
  return sounds;
}

const PackSound* findSound(const std::string& name) {
  for (const PackSound& s : packSounds())
    if (s.name == name) return &s;
  return nullptr;
}

std::string spokenText(const std::string& name) {
  const auto found = lines().find(name);
  return found == lines().end() ? std::string() : found->second;
}

Samples makeSound(const PackSound& sound, Speech& speech) {
  Rng rng(sound.name);
  const std::string& name = sound.name;
  const int number = numberIn(name);
  Samples s;
  switch (sound.role) {
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
      s = speech.say(spokenText(name), startsWith(name, "ex") ? guide() : gunman());
      break;
    case Role::Music:
      s = music(number == 0 ? 1 : number + 1, rng);
      break;
  }
  normalize(s, targetLoudness(sound.role));
  return s;
}

}  // namespace korvanta::pack
