#include "Cries.h"

#include <vector>

#include "Voice.h"

namespace korvanta::pack {

namespace {

using namespace vowel;
using Score = std::vector<Glide>;

// An "h" or "k": breath alone, shaped by the vowel that follows.
Glide breath(double seconds, Vowel v, double pitch, double loud = 0.6) {
  return {seconds, v, v, pitch, pitch, 0, 0, loud, loud};
}

// A voice coming in: from silence to `loud` while the vowel and pitch move.
Glide onset(double seconds, Vowel from, Vowel to, double pitchFrom, double pitchTo, double loud) {
  return {seconds, from, to, pitchFrom, pitchTo, 0, loud};
}

// A voice dying away to silence.
Glide release(double seconds, Vowel from, Vowel to, double pitchFrom, double pitchTo, double loud) {
  return {seconds, from, to, pitchFrom, pitchTo, loud, 0};
}

// A quick yelp: in fast, out fast.
void yip(Score& s, double pitch, double hold, double gap) {
  s.push_back(onset(0.05, i, a, pitch * 0.9, pitch, 1.0));
  s.push_back(release(hold, a, a, pitch, pitch * 0.8, 1.0));
  s.push_back(rest(gap, a, pitch * 0.8));
}

struct Design {
  Throat throat;
  Score score;
};

Design design(int number) {
  switch (number) {
    case 1:  // high ululation: a rapid tongue trill over a rising wail
      return {{.formantScale = 1.15,
               .softness = 0.85,
               .vibratoCents = 0,
               .trillHz = 7.5,
               .trillDepth = 0.9},
              {onset(0.08, a, a, 400, 420, 0.9), tone(1.25, a, a, 420, 490, 1.0),
               release(0.25, a, o, 490, 380, 1.0)}};
    case 2:  // deep whoop rising an octave and falling back
      return {{.formantScale = 0.95, .vibratoHz = 5, .vibratoCents = 20},
              {onset(0.08, u, u, 130, 150, 0.8), tone(0.45, u, o, 150, 300, 1.0),
               tone(0.25, o, o, 300, 280, 1.0), release(0.35, o, u, 280, 160, 1.0)}};
    case 3: {  // "hey-YAH!": short, then a loud bark
      return {{.softness = 0.8, .vibratoCents = 0},
              {breath(0.06, e, 200), tone(0.2, e, i, 200, 230, 0.8), rest(0.08, i, 260),
               onset(0.06, i, a, 260, 300, 1.0), tone(0.45, a, a, 300, 230, 1.0),
               release(0.14, a, a, 230, 180, 1.0)}};
    }
    case 4: {  // a string of yips, the last one long
      Score s;
      for (int n = 0; n < 4; ++n) yip(s, 520 + 15 * n, 0.07, 0.11);
      s.push_back(onset(0.06, i, a, 540, 580, 1.0));
      s.push_back(tone(0.4, a, a, 580, 430, 1.0));
      s.push_back(release(0.14, a, a, 430, 360, 1.0));
      return {{.formantScale = 1.2, .softness = 0.9, .vibratoCents = 0, .driftCents = 20}, s};
    }
    case 5:  // rasping roar from a big chest
      return {{.formantScale = 0.88,
               .softness = 0.75,
               .vibratoCents = 0,
               .driftCents = 35,
               .rasp = 0.8,
               .bandwidth = 1.3},
              {breath(0.05, uh, 110, 0.7), onset(0.1, uh, a, 110, 120, 0.9),
               tone(0.7, a, a, 120, 135, 1.0), release(0.3, a, o, 135, 95, 1.0)}};
    case 6:  // falsetto wail climbing high, with a wide vibrato
      return {{.formantScale = 1.25, .softness = 0.9, .vibratoHz = 6, .vibratoCents = 45},
              {onset(0.4, a, i, 320, 450, 1.0), tone(0.9, i, i, 450, 620, 1.0),
               release(0.45, i, e, 620, 380, 1.0)}};
    case 7:  // low, fast trill
      return {{.vibratoCents = 0, .trillHz = 11, .trillDepth = 0.85},
              {onset(0.1, u, uh, 200, 210, 0.8), tone(0.85, uh, uh, 210, 260, 1.0),
               release(0.6, uh, u, 260, 190, 1.0)}};
    case 8:  // "ho, ho, HEY!"
      return {{.formantScale = 0.95, .softness = 0.9, .vibratoCents = 0},
              {breath(0.04, o, 160), release(0.16, o, o, 160, 150, 0.9), rest(0.08, o, 170),
               breath(0.04, o, 170), release(0.16, o, o, 170, 160, 0.9), rest(0.08, e, 230),
               breath(0.05, e, 230), tone(0.5, e, i, 230, 260, 1.0),
               release(0.15, i, i, 260, 200, 1.0)}};
    case 9:  // breathy hoot call: hoo, HOO, hoo
      return {{.formantScale = 1.1, .softness = 1.3, .vibratoHz = 4.5, .vibratoCents = 15},
              {{0.25, u, u, 280, 300, 0.7, 0.6, 0.3, 0.3},
               rest(0.12, u, 360),
               {0.45, u, u, 360, 400, 1.0, 0.8, 0.3, 0.3},
               rest(0.12, u, 300),
               {0.35, u, u, 300, 250, 0.8, 0.0, 0.3, 0.0}}};
    case 10:  // piercing screech falling away
      return {{.formantScale = 1.3,
               .softness = 0.7,
               .vibratoHz = 7,
               .vibratoCents = 30,
               .bandwidth = 0.8},
              {onset(0.3, i, i, 520, 600, 1.0), tone(0.15, i, a, 600, 640, 1.0),
               tone(0.35, a, a, 640, 420, 0.9), release(0.15, a, a, 420, 350, 0.9)}};
    case 11: {  // chant: hey-ya, hey-ya
      Score s;
      for (int n = 0; n < 2; ++n) {
        s.push_back(breath(0.04, e, 200));
        s.push_back(release(0.22, e, e, 200, 195, 0.9));
        s.push_back(rest(0.05, i, 250));
        s.push_back(onset(0.05, i, a, 240, 250, 1.0));
        if (n == 0) {
          s.push_back(release(0.28, a, a, 250, 240, 1.0));
          s.push_back(rest(0.08, e, 200));
        } else {
          s.push_back(release(0.45, a, a, 250, 200, 1.0));
        }
      }
      return {{.formantScale = 0.97, .vibratoHz = 5, .vibratoCents = 15}, s};
    }
    case 12:  // two barked shouts: HAH! HAH!
      return {{.formantScale = 0.92, .softness = 0.75, .vibratoCents = 0, .rasp = 0.3},
              {breath(0.04, a, 150, 0.8), release(0.18, a, a, 160, 170, 1.0), rest(0.25, a, 165),
               breath(0.04, a, 165, 0.8), release(0.3, a, a, 165, 120, 1.0)}};
    case 13:  // coyote howl with a yelp at its end
      return {{.formantScale = 1.2, .vibratoHz = 5.5, .vibratoCents = 35},
              {{0.5, o, u, 340, 560, 0.3, 1.0},
               tone(0.7, u, u, 560, 600, 1.0),
               {0.4, u, u, 600, 420, 1.0, 0.4},
               rest(0.1, i, 650),
               onset(0.05, i, a, 620, 650, 1.0),
               release(0.2, a, a, 650, 500, 1.0)}};
    default: {  // 15: ki-ki-ki-YAAA
      Score s;
      for (int n = 0; n < 3; ++n) {
        s.push_back(breath(0.025, i, 380, 1.0));
        s.push_back(release(0.08, i, i, 380, 370, 1.0));
        s.push_back(rest(0.07, i, 380));
      }
      s.push_back(onset(0.07, i, a, 400, 460, 1.0));
      s.push_back(tone(0.55, a, a, 460, 340, 1.0));
      s.push_back(release(0.15, a, a, 340, 300, 1.0));
      return {{.formantScale = 1.1, .softness = 0.8, .vibratoCents = 10}, s};
    }
  }
}

}  // namespace

Samples cry(int number, Rng& rng) {
  const Design d = design(number);
  Samples s = sing(d.score, d.throat, rng);
  // A touch of open air, so the cry sounds outdoors rather than in a box.
  addSpace(s, rng, 0.18, 0.25);
  fadeEnds(s, 0.005, 0.05);
  return s;
}

}  // namespace korvanta::pack
