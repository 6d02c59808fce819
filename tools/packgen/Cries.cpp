#include "Cries.h"

#include <optional>
#include <vector>

#include "Voice.h"

namespace korvanta::pack {

namespace {

using namespace vowel;
using Score = std::vector<Glide>;

// An "h" or "k": breath alone, shaped by the vowel that follows.
Glide breath(double seconds, Vowel v, double pitch, double loud = 0.6) {
  return {.seconds = seconds,
          .vowels = {v, v},
          .pitch = {pitch, pitch},
          .voice = {0, 0},
          .breath = {loud, loud}};
}

// A voice coming in: from silence to `loud` while the vowel and pitch move.
Glide onset(double seconds, Vowel from, Vowel to, double pitchFrom, double pitchTo, double loud) {
  return {
      .seconds = seconds, .vowels = {from, to}, .pitch = {pitchFrom, pitchTo}, .voice = {0, loud}};
}

// A voice dying away to silence.
Glide release(double seconds, Vowel from, Vowel to, double pitchFrom, double pitchTo, double loud) {
  return {
      .seconds = seconds, .vowels = {from, to}, .pitch = {pitchFrom, pitchTo}, .voice = {loud, 0}};
}

// A short shout: in fast, held, out fast.
void bark(Score& s, Vowel v, double pitch, double hold, double gap, double fall = 0.85) {
  s.push_back(breath(0.03, v, pitch, 0.7));
  s.push_back(onset(0.04, v, v, pitch * 0.95, pitch, 1.0));
  s.push_back(tone(hold, v, v, pitch, pitch * (1.0 + fall) / 2.0, 1.0));
  s.push_back(release(0.08, v, v, pitch * (1.0 + fall) / 2.0, pitch * fall, 1.0));
  if (gap > 0) s.push_back(rest(gap, v, pitch * fall));
}

struct Design {
  Throat throat;
  Score score;
};

// Fourteen men shouting at the gunman, each told by the pitch of his voice, how far it moves, how
// bright it is and the rhythm of his shout. Nothing for a voice the game does not have.
std::optional<Design> design(int number) {
  switch (number) {
    case 1:  // a battle yell that rises as he charges: "aaaaAAAH!"
      return Design{{.softness = 0.75, .vibratoCents = 10, .driftCents = 20},
                    {onset(0.15, uh, a, 190, 210, 0.7), tone(0.95, a, a, 210, 310, 1.0),
                     release(0.25, a, a, 310, 260, 1.0)}};
    case 2:  // a deep bellow from a big chest, sliding down: "HOOOO-oh"
      return Design{{.formantScale = 0.88, .softness = 1.15, .vibratoHz = 4.5, .vibratoCents = 15},
                    {onset(0.1, u, o, 125, 130, 0.8), tone(0.6, o, o, 130, 112, 1.0),
                     tone(0.4, o, u, 112, 90, 1.0), release(0.25, u, u, 90, 80, 1.0)}};
    case 3: {  // three barked shouts: "HEH! HEH! HEEEH!"
      Score s;
      bark(s, e, 165, 0.16, 0.12);
      bark(s, e, 165, 0.16, 0.12);
      bark(s, e, 170, 0.4, 0.0, 0.8);
      return Design{{.softness = 0.75, .vibratoCents = 0, .rasp = 0.3}, s};
    }
    case 4: {  // a taunting laugh that runs down: "ha-ha-ha-ha-haaa"
      Score s;
      for (int n = 0; n < 4; ++n) bark(s, ae, 450 - 25 * n, 0.08, 0.07);
      bark(s, ae, 340, 0.35, 0.0, 0.8);
      return Design{{.formantScale = 1.1, .softness = 0.85, .vibratoCents = 0}, s};
    }
    case 5:  // a rasping roar, held and level
      return Design{{.formantScale = 0.9,
                     .softness = 0.7,
                     .vibratoCents = 0,
                     .driftCents = 25,
                     .rasp = 0.8,
                     .bandwidth = 1.2},
                    {breath(0.05, uh, 118, 0.7), onset(0.1, uh, a, 118, 122, 0.9),
                     tone(0.95, a, a, 122, 126, 1.0), release(0.3, a, a, 126, 112, 1.0)}};
    case 6:  // a high falsetto scream climbing, with a wide vibrato
      return Design{{.formantScale = 1.2, .softness = 0.9, .vibratoHz = 6, .vibratoCents = 45},
                    {onset(0.3, a, i, 430, 520, 1.0), tone(0.9, i, i, 520, 700, 1.0),
                     release(0.3, i, e, 700, 560, 1.0)}};
    case 7: {  // a stuttered threat: "eh-eh-eh-EEEH!"
      Score s;
      for (int n = 0; n < 3; ++n) bark(s, e, 340, 0.1, 0.09, 0.95);
      bark(s, e, 350, 0.55, 0.0, 0.9);
      return Design{{.formantScale = 1.05, .softness = 0.65, .vibratoCents = 0, .bandwidth = 0.9},
                    s};
    }
    case 8:  // a call that leaps up an octave and more: "OH—HEEY!"
      return Design{{.softness = 0.9, .vibratoHz = 5, .vibratoCents = 20},
                    {breath(0.04, o, 150), onset(0.06, o, o, 145, 150, 1.0),
                     tone(0.3, o, o, 150, 155, 1.0), release(0.08, o, o, 155, 150, 1.0),
                     rest(0.08, e, 330), breath(0.04, e, 330), onset(0.06, e, e, 320, 340, 1.0),
                     tone(0.55, e, ae, 340, 360, 1.0), release(0.2, ae, ae, 360, 300, 1.0)}};
    case 9:  // a breathy signal call: hoo, HOO, hoo
      return Design{{.formantScale = 1.1, .softness = 1.3, .vibratoHz = 4.5, .vibratoCents = 15},
                    {{.seconds = 0.25,
                      .vowels = {u, u},
                      .pitch = {280, 300},
                      .voice = {0.7, 0.6},
                      .breath = {0.3, 0.3}},
                     rest(0.12, u, 360),
                     {.seconds = 0.45,
                      .vowels = {u, u},
                      .pitch = {360, 400},
                      .voice = {1.0, 0.8},
                      .breath = {0.3, 0.3}},
                     rest(0.12, u, 300),
                     {.seconds = 0.35,
                      .vowels = {u, u},
                      .pitch = {300, 250},
                      .voice = {0.8, 0.0},
                      .breath = {0.3, 0.0}}}};
    case 10:  // a hoarse scream that breaks and falls away into a groan
      return Design{{.formantScale = 1.05, .softness = 0.7, .vibratoCents = 10, .rasp = 0.5},
                    {onset(0.08, i, i, 350, 360, 1.0), tone(0.3, i, e, 360, 300, 1.0),
                     tone(0.7, e, o, 300, 130, 1.0), release(0.25, o, o, 130, 110, 1.0)}};
    case 11:  // a high, ringing hail, long then short: "HEEEY—HEY!"
      return Design{{.formantScale = 1.1, .softness = 0.7, .vibratoHz = 6, .vibratoCents = 12},
                    {breath(0.04, e, 420), onset(0.06, e, e, 410, 430, 1.0),
                     tone(0.6, e, i, 430, 440, 1.0), release(0.12, i, i, 440, 420, 1.0),
                     rest(0.1, e, 420), breath(0.03, e, 430), onset(0.04, e, e, 430, 440, 1.0),
                     tone(0.25, e, i, 440, 430, 1.0), release(0.12, i, i, 430, 380, 1.0)}};
    case 12: {  // two long, dark shouts from a low voice: "HOAAH—HOAAAH"
      Score s;
      bark(s, o, 118, 0.4, 0.12, 0.9);
      bark(s, o, 122, 0.55, 0.0, 0.8);
      return Design{{.formantScale = 0.9, .softness = 1.0, .vibratoCents = 8, .rasp = 0.2}, s};
    }
    case 13:  // a long hail across the plain, rising and breaking at the top
      return Design{{.formantScale = 1.15, .vibratoHz = 5.5, .vibratoCents = 30},
                    {{.seconds = 0.5, .vowels = {o, u}, .pitch = {300, 480}, .voice = {0.3, 1.0}},
                     tone(0.6, u, u, 480, 520, 1.0),
                     {.seconds = 0.35, .vowels = {u, u}, .pitch = {520, 380}, .voice = {1.0, 0.4}},
                     rest(0.1, i, 560),
                     onset(0.05, i, a, 540, 560, 1.0),
                     release(0.2, a, a, 560, 440, 1.0)}};
    case 15: {  // three quick calls and a long shout: "hup, hup, hup, HAAA!"
      Score s;
      for (int n = 0; n < 3; ++n) bark(s, uh, 200, 0.05, 0.09, 0.95);
      s.push_back(onset(0.07, uh, a, 205, 210, 1.0));
      s.push_back(tone(0.6, a, a, 210, 190, 1.0));
      s.push_back(release(0.15, a, uh, 190, 175, 1.0));
      return Design{{.formantScale = 0.95, .softness = 1.05, .vibratoCents = 10}, s};
    }
  }
  return std::nullopt;
}

}  // namespace

Samples cry(int number, Rng& rng) {
  const std::optional<Design> d = design(number);
  if (!d) return {};
  Samples s = sing(d->score, d->throat, rng);
  // A touch of open air, so the cry sounds outdoors rather than in a box.
  addSpace(s, rng, 0.18, 0.25);
  fadeEnds(s, 0.005, 0.05);
  return s;
}

}  // namespace korvanta::pack
