#include "Ambience.h"

#include <cmath>

#include "Instruments.h"
#include "Voice.h"

namespace korvanta::pack {

namespace {

// The length a bed is made with; the seam blend takes the last seconds back off.
constexpr double kJoin = 2.0;

// Moving air: low rumble and a hiss that rise together in gusts.
Samples wind(double seconds, double strength, double gustsPerSecond, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  Drift gust(rng, gustsPerSecond), flicker(rng, 3.0);
  OnePole body(350), rumble(120);
  Biquad howl = Biquad::bandpass(500, 1.5), leaves = Biquad::highpass(2500);
  for (float& y : out) {
    const double g = 0.55 + 0.45 * gust.next();
    howl.setBandpass(300 + 600 * g, 1.5);
    const float n = float(rng.bipolar());
    const double low = 2.5 * body(n) + 1.5 * rumble(n);
    const double rustle = leaves(n) * (0.5 + 0.5 * flicker.next()) * 0.25;
    y = float(strength * g * (low + 2.0 * howl(n) + g * rustle));
  }
  return out;
}

// A cricket: bursts of three or four pulses of a high tone.
void crickets(Samples& bed, double hz, double every, double loud, Rng& rng) {
  const double seconds = double(bed.size()) / kRate;
  for (double at = rng.range(0.0, every); at < seconds - 0.3; at += every * rng.range(0.8, 1.25)) {
    const int pulses = 3 + rng.below(2);
    Samples chirp(size_t(framesOf(0.03 * pulses)));
    for (size_t i = 0; i < chirp.size(); ++i) {
      const double t = double(i) / kRate, inPulse = std::fmod(t, 0.03);
      const double env = inPulse < 0.016 ? std::sin(kPi * inPulse / 0.016) : 0.0;
      chirp[i] = float(env * std::sin(2 * kPi * hz * t));
    }
    mixInto(bed, chirp, at, loud);
  }
}

// A songbird: a phrase of quick sweeping notes.
Samples birdPhrase(Rng& rng) {
  Samples phrase;
  const int notes = 3 + rng.below(6);
  const double base = rng.range(2500, 4200);
  for (int n = 0; n < notes; ++n) {
    const double length = rng.range(0.04, 0.12), from = base * rng.range(0.8, 1.3),
                 to = base * rng.range(0.7, 1.4);
    Samples note(size_t(framesOf(length)));
    double phase = 0;
    for (size_t i = 0; i < note.size(); ++i) {
      const double x = double(i) / double(note.size());
      phase += 2 * kPi * (from + (to - from) * x) / kRate;
      note[i] = float(std::sin(kPi * x) * std::sin(phase));
    }
    append(phrase, note, rng.range(0.02, 0.08));
  }
  return phrase;
}

// A hawk far above: a falling, rasping scream that the hills repeat.
Samples hawk(Rng& rng) {
  Samples s(size_t(framesOf(0.8)));
  double phase = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = double(i) / kRate;
    phase += 2 * kPi * (2900 - 900 * t / 0.8 + 120 * std::sin(2 * kPi * 45 * t)) / kRate;
    s[i] = float(std::sin(kPi * t / 0.8) * std::sin(phase) * (0.8 + 0.2 * rng.bipolar()));
  }
  addSpace(s, rng, 0.5, 0.6);
  return s;
}

// Water over stones: a brown rush with bubbles bursting on top.
Samples creek(double seconds, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  double brown = 0;
  OnePole soft(900);
  Biquad sparkle = Biquad::highpass(1500);
  Drift swell(rng, 0.5);
  for (float& y : out) {
    const float n = float(rng.bipolar());
    brown = 0.995 * brown + 0.05 * n;
    y = float(0.8 * soft(float(brown)) + 0.12 * sparkle(n) * (0.7 + 0.3 * swell.next()));
  }
  for (double at = 0; at < seconds - 0.1; at += rng.range(0.01, 0.07)) {
    const double from = rng.range(400, 1400), length = rng.range(0.015, 0.04);
    Samples bubble(size_t(framesOf(length)));
    double phase = 0;
    for (size_t i = 0; i < bubble.size(); ++i) {
      const double t = double(i) / kRate;
      phase += 2 * kPi * from * (1 + 2.5 * t / length) / kRate;
      bubble[i] = float(std::sin(phase) * std::exp(-t / (length * 0.4)));
    }
    mixInto(out, bubble, at, rng.range(0.03, 0.12));
  }
  return out;
}

// Light rain: countless tiny drops and a steady hiss.
Samples rain(double seconds, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  Biquad hiss = Biquad::highpass(3000);
  OnePole patter(1800);
  for (float& y : out) {
    const float n = float(rng.bipolar());
    y = float(0.12 * hiss(n) + 0.3 * patter(n));
  }
  for (double at = 0; at < seconds - 0.05; at += rng.range(0.002, 0.015)) {
    Biquad drop = Biquad::bandpass(rng.range(2000, 6000), 6);
    Samples d(size_t(framesOf(0.02)));
    for (size_t i = 0; i < d.size(); ++i)
      d[i] = drop(float(rng.bipolar() * std::exp(-double(i) / (kRate * 0.002))));
    mixInto(out, d, at, rng.range(0.2, 1.2));
  }
  return out;
}

// Thunder rolling in the distance.
Samples thunder(double seconds, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  double brown = 0;
  OnePole low(140);
  Drift roll(rng, 6.0);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    brown = 0.998 * brown + 0.04 * rng.bipolar();
    const double env = std::min(1.0, t / 0.4) * std::exp(-t / (seconds * 0.35));
    out[i] = float(6.0 * low(float(brown)) * env * (0.6 + 0.4 * roll.next()));
  }
  fadeEnds(out, 0.0, 0.5);
  return out;
}

}  // namespace

Samples ambience(Bed kind, Rng& rng) {
  Samples bed;
  switch (kind) {
    case Bed::Prairie:  // steady wind through grass
      bed = wind(30 + kJoin, 1.0, 0.35, rng);
      break;
    case Bed::Night: {  // crickets, a soft breeze and an owl
      bed = wind(28 + kJoin, 0.12, 0.2, rng);
      crickets(bed, 4400, 0.7, 0.15, rng);
      crickets(bed, 4950, 0.95, 0.1, rng);
      crickets(bed, 3900, 1.3, 0.07, rng);
      const Throat owl{.formantScale = 1.1, .softness = 1.5, .vibratoCents = 5, .driftCents = 3};
      for (double at : {6.0, 19.0}) {
        const Samples hoot = sing({{.seconds = 0.05,
                                    .vowels = {vowel::u, vowel::u},
                                    .pitch = {380, 380},
                                    .voice = {0, 0.6},
                                    .breath = {0.2, 0.2}},
                                   {.seconds = 0.25,
                                    .vowels = {vowel::u, vowel::u},
                                    .pitch = {380, 370},
                                    .voice = {0.6, 0.0},
                                    .breath = {0.2, 0.0}},
                                   rest(0.15, vowel::u, 360),
                                   {.seconds = 0.05,
                                    .vowels = {vowel::u, vowel::u},
                                    .pitch = {360, 360},
                                    .voice = {0, 0.5},
                                    .breath = {0.2, 0.2}},
                                   {.seconds = 0.45,
                                    .vowels = {vowel::u, vowel::u},
                                    .pitch = {360, 330},
                                    .voice = {0.5, 0.0},
                                    .breath = {0.2, 0.0}}},
                                  owl, rng);
        mixInto(bed, hoot, at, 0.35);
      }
      break;
    }
    case Bed::Creek:  // a creek running over stones
      bed = creek(32 + kJoin, rng);
      mixInto(bed, wind(32 + kJoin, 0.15, 0.3, rng), 0.0);
      break;
    case Bed::Forest: {  // at the forest's edge, birds, leaves, a woodpecker
      bed = wind(30 + kJoin, 0.35, 0.3, rng);
      for (double at = 0.5; at < 29.0; at += rng.range(1.5, 3.5))
        mixInto(bed, birdPhrase(rng), at, 0.06);
      for (int n = 0; n < 14; ++n) mixInto(bed, knock(1100, 0.012, rng), 13.0 + n * 0.055, 0.05);
      break;
    }
    case Bed::Canyon: {  // a hard wind whistling in the rocks, a hawk overhead
      bed = wind(34 + kJoin, 1.1, 0.25, rng);
      Biquad whistleA = Biquad::bandpass(420, 30), whistleB = Biquad::bandpass(630, 30);
      Drift gust(rng, 0.2);
      for (float& x : bed) {
        const double g = std::max(0.0, double(gust.next()));
        x += float(g * (30.0 * whistleA(x) + 20.0 * whistleB(x)));
      }
      mixInto(bed, hawk(rng), 8.0, 0.4);
      mixInto(bed, hawk(rng), 24.0, 0.3);
      break;
    }
    case Bed::Rain:  // light rain with thunder far away
      bed = rain(26 + kJoin, rng);
      mixInto(bed, thunder(5.0, rng), 11.0, 0.9);
      break;
  }
  loopJoin(bed, kJoin);
  fadeEnds(bed, 0.01, 0.01);
  return bed;
}

}  // namespace korvanta::pack
