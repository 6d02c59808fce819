#include "Effects.h"

#include <cmath>

#include "Instruments.h"
#include "Voice.h"

namespace korvanta::pack {

namespace {

// Fills `seconds` of sound from a function of time.
template <typename F>
Samples render(double seconds, F&& at) {
  Samples out(size_t(framesOf(seconds)));
  for (size_t i = 0; i < out.size(); ++i) out[i] = float(at(double(i) / kRate));
  return out;
}

// A small metal part striking another: a tick of noise with a short ring.
Samples metalClick(double bandHz, double ringHz, double ringTau, Rng& rng) {
  Biquad band = Biquad::bandpass(bandHz, 2.5);
  return render(ringTau * 6.0 + 0.01, [&](double t) {
    const double tick = band(float(rng.bipolar())) * attackDecay(t, 0.0003, 0.0025);
    const double ring =
        std::sin(2 * kPi * ringHz * t) * attackDecay(t, 0.0005, ringTau) +
        0.5 * std::sin(2 * kPi * ringHz * 1.48 * t) * attackDecay(t, 0.0005, 0.6 * ringTau);
    return 1.6 * tick + 0.3 * ring;
  });
}

struct Blast {
  double crackTau, crackGain;
  double bodyHz, bodyTau, bodyGain;
  double thumpFrom, thumpTo, thumpTau, thumpGain;
  double tailHz, tailTau, tailGain;
  double seconds;
};

// The report of a gun: the supersonic crack, the muzzle blast, the chest-felt thump, the roll.
Samples blast(const Blast& b, Rng& rng) {
  Biquad crackCut = Biquad::highpass(1200), bodyCut = Biquad::lowpass(b.bodyHz, 0.8);
  Biquad tailCut = Biquad::lowpass(b.tailHz);
  double phase = 0;
  return render(b.seconds, [&](double t) {
    const float noise = float(rng.bipolar());
    const double crack = crackCut(noise) * attackDecay(t, 0.0004, b.crackTau);
    const double body = bodyCut(noise) * attackDecay(t, 0.001, b.bodyTau);
    phase += 2 * kPi * (b.thumpTo + (b.thumpFrom - b.thumpTo) * std::exp(-t / 0.02)) / kRate;
    const double thump = std::sin(phase) * attackDecay(t, 0.001, b.thumpTau);
    const double tail = tailCut(noise) * attackDecay(t, 0.01, b.tailTau);
    return b.crackGain * crack + b.bodyGain * body + b.thumpGain * thump + b.tailGain * tail;
  });
}

// Adds a delayed, darker copy: a cliff answering the shot.
void echo(Samples& s, double delay, double gain) {
  Samples copy(s);
  OnePole dark(1500);
  for (float& x : copy) x = dark(x);
  mixInto(s, copy, delay, gain);
}

}  // namespace

Samples sightCue(Rng& rng) {
  Biquad air = Biquad::highpass(600);
  double phase = 0;
  Samples s = render(0.12, [&](double t) {
    const double hiss = air(float(rng.bipolar())) * attackDecay(t, 0.001, 0.018);
    phase += 2 * kPi * (1400 + 1600 * std::min(1.0, t / 0.04)) / kRate;
    const double ping = std::sin(phase) * attackDecay(t, 0.002, 0.03);
    return 0.9 * hiss + 0.35 * ping;
  });
  fadeEnds(s, 0.0, 0.02);
  return s;
}

Samples gunshot(int kind, Rng& rng) {
  Samples s;
  switch (kind) {
    case 1:  // pistol: short and crisp
      s = blast({0.004, 1.0, 2500, 0.035, 0.8, 180, 80, 0.03, 0.6, 1200, 0.12, 0.25, 0.55}, rng);
      addSpace(s, rng, 0.2, 0.2);
      break;
    case 2:  // rifle: a hard crack that the canyon throws back twice
      s = blast({0.003, 1.2, 3500, 0.05, 0.7, 140, 60, 0.05, 0.5, 900, 0.2, 0.3, 0.7}, rng);
      echo(s, 0.28, 0.35);
      echo(s, 0.62, 0.18);
      addSpace(s, rng, 0.15, 0.2);
      break;
    case 3:  // shotgun: a deep boom
      s = blast({0.006, 0.7, 1000, 0.09, 1.0, 100, 45, 0.09, 0.9, 600, 0.25, 0.35, 0.9}, rng);
      addSpace(s, rng, 0.25, 0.2);
      break;
    default: {  // ricochet: the bullet sings off a rock
      s = blast({0.004, 1.0, 2800, 0.03, 0.7, 170, 80, 0.025, 0.5, 1200, 0.08, 0.2, 0.3}, rng);
      double phase = 0;
      Samples whine = render(0.6, [&](double t) {
        phase += 2 * kPi * (1000 + 2400 * std::exp(-t / 0.22)) *
                 (1 + 0.02 * std::sin(2 * kPi * 31 * t)) / kRate;
        const double env = std::sin(kPi * std::min(1.0, t / 0.6)) * std::exp(-t / 0.35);
        return std::sin(phase) * env;
      });
      mixInto(s, whine, 0.06, 0.45);
      addSpace(s, rng, 0.2, 0.2);
      break;
    }
  }
  fadeEnds(s, 0.0, 0.05);
  return s;
}

Samples reload(Rng& rng) {
  Samples s(size_t(framesOf(0.28)), 0.0f);
  mixInto(s, metalClick(2500, 3800, 0.015, rng), 0.0);
  mixInto(s, metalClick(1600, 2600, 0.02, rng), 0.09, 0.8);
  mixInto(s, metalClick(3000, 5000, 0.006, rng), 0.17, 0.5);
  s.resize(size_t(framesOf(0.28)));
  fadeEnds(s, 0.0, 0.02);
  return s;
}

Samples emptyGun(Rng& rng) {
  Samples s(size_t(framesOf(0.16)), 0.0f);
  mixInto(s, metalClick(1200, 1900, 0.012, rng), 0.0);
  mixInto(s, metalClick(2200, 3100, 0.005, rng), 0.028, 0.3);
  s.resize(size_t(framesOf(0.16)));
  fadeEnds(s, 0.0, 0.02);
  return s;
}

Samples hit(Rng& rng) {
  Biquad low = Biquad::lowpass(300);
  double phase = 0;
  Samples s = render(0.5, [&](double t) {
    phase += 2 * kPi * (50 + 35 * std::exp(-t / 0.03)) / kRate;
    return 1.2 * low(float(rng.bipolar())) * attackDecay(t, 0.001, 0.05) +
           std::sin(phase) * attackDecay(t, 0.002, 0.07);
  });
  const Throat chest{.formantScale = 0.95, .softness = 0.9, .vibratoCents = 0, .rasp = 0.4};
  const Samples grunt = sing({{0.03, vowel::uh, vowel::uh, 150, 150, 0, 0, 0.4, 0.4},
                              {0.16, vowel::uh, vowel::uh, 155, 125, 1.0, 0.5},
                              {0.12, vowel::uh, vowel::o, 125, 100, 0.5, 0.0}},
                             chest, rng);
  mixInto(s, grunt, 0.04, 0.8);
  addSpace(s, rng, 0.15, 0.15);
  fadeEnds(s, 0.0, 0.04);
  return s;
}

Samples painCry(Rng& rng) {
  const Throat throat{.softness = 0.8, .vibratoHz = 7, .vibratoCents = 40, .rasp = 0.5};
  Samples s = sing({{0.04, vowel::a, vowel::a, 260, 260, 0, 0, 0.5, 0.5},
                    {0.12, vowel::a, vowel::a, 260, 300, 0.2, 1.0},
                    tone(0.45, vowel::a, vowel::o, 300, 200, 1.0),
                    {0.3, vowel::o, vowel::uh, 200, 130, 1.0, 0.0}},
                   throat, rng);
  addSpace(s, rng, 0.18, 0.2);
  fadeEnds(s, 0.005, 0.04);
  return s;
}

Samples arrow(int kind, Rng& rng) {
  struct Flight {
    double seconds, fromHz, toHz, q, passAt, flutterHz, whistle;
  };
  static constexpr Flight flights[4] = {
      {1.0, 4200, 1700, 3.0, 0.55, 0, 0.12},  // light arrow, a thin whistle
      {0.95, 1500, 550, 1.3, 0.45, 0, 0.0},   // heavy shaft, a broad low rush
      {1.05, 2600, 1100, 2.0, 0.5, 26, 0.0},  // ragged fletching that flutters, then strikes wood
      {1.05, 3200, 1300, 2.5, 0.62, 0, 0.05}  // the bowstring is heard first
  };
  const Flight& f = flights[(kind - 1) & 3];
  Biquad band = Biquad::bandpass(f.fromHz, f.q);
  double phase = 0;
  Samples s = render(f.seconds, [&](double t) {
    // Passing by: the pitch falls as it goes (Doppler) and the rush swells and dies away.
    const double pass = 0.5 + 0.5 * std::tanh((t - f.passAt) / 0.08);
    const double hz = f.fromHz + (f.toHz - f.fromHz) * pass;
    band.setBandpass(hz, f.q);
    const double near = (t - f.passAt) / (t < f.passAt ? 0.24 : 0.16);
    double env = std::exp(-near * near);
    if (f.flutterHz > 0) env *= 1.0 - 0.6 * (0.5 + 0.5 * std::sin(2 * kPi * f.flutterHz * t));
    phase += 2 * kPi * hz * 0.5 / kRate;
    return env * (band(float(rng.bipolar())) * 2.5 + f.whistle * std::sin(phase));
  });
  if (kind == 3) {
    mixInto(s, knock(320, 0.03, rng), f.seconds - 0.14, 0.6);
    mixInto(s, drum(90, 0.12, 0.2, rng), f.seconds - 0.14, 0.4);
  }
  if (kind == 4) {
    mixInto(s, pluck(98, 0.45, 0.75, rng), 0.0, 0.7);
    mixInto(s, knock(700, 0.01, rng), 0.0, 0.3);
  }
  s.resize(size_t(framesOf(f.seconds)));
  fadeEnds(s, 0.005, 0.05);
  return s;
}

Samples knell(Rng& rng) {
  Samples s = bell(110, 0.9);
  mixInto(s, drum(55, 0.6, 0.3, rng), 0.0, 0.8);
  s.resize(size_t(framesOf(0.9)));
  // Played five times in a row: each stroke must die away before the next begins.
  fadeEnds(s, 0.0, 0.2);
  return s;
}

Samples fanfare(Rng& rng) {
  struct Note {
    double at, seconds;
    int midi;
  };
  static constexpr Note notes[] = {{0.00, 0.12, 67}, {0.12, 0.12, 72}, {0.24, 0.12, 76},
                                   {0.36, 0.30, 79}, {0.68, 0.12, 76}, {0.80, 1.00, 72},
                                   {0.80, 1.00, 76}, {0.80, 1.00, 79}, {0.80, 1.00, 84}};
  Samples s;
  for (const Note& n : notes) mixInto(s, brass(noteHz(n.midi), n.seconds, rng), n.at, 0.5);
  mixInto(s, drum(65, 0.8, 0.4, rng), 0.80, 0.9);
  mixInto(s, splash(1.1, 4000, rng), 0.80, 0.35);
  addSpace(s, rng, 0.2, 0.3);
  fadeEnds(s, 0.0, 0.1);
  return s;
}

}  // namespace korvanta::pack
