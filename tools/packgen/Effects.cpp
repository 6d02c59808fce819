#include "Effects.h"

#include <cmath>
#include <optional>

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

// Noise through a filter at `hz`, dying away with a time constant of `tau` seconds.
struct Noise {
  double hz, tau, gain;
};

// A tone that slides from `fromHz` to `toHz` in its first moments, dying away like a noise.
struct Thump {
  double fromHz, toHz, tau, gain;
};

// A gun's report, part by part.
struct Blast {
  // The supersonic crack: noise above `hz`.
  Noise crack;
  // The muzzle blast: noise below `hz`.
  Noise body;
  // Felt in the chest more than heard.
  Thump thump;
  // The roll that follows: noise below `hz`.
  Noise tail;
  double seconds;
};

// Every part is cut from the same noise, so that they are heard as one shot.
Samples blast(const Blast& b, Rng& rng) {
  Biquad crackCut = Biquad::highpass(b.crack.hz), bodyCut = Biquad::lowpass(b.body.hz, 0.8);
  Biquad tailCut = Biquad::lowpass(b.tail.hz);
  double phase = 0;
  return render(b.seconds, [&](double t) {
    const float noise = float(rng.bipolar());
    const double crack = crackCut(noise) * attackDecay(t, 0.0004, b.crack.tau);
    const double body = bodyCut(noise) * attackDecay(t, 0.001, b.body.tau);
    phase +=
        2 * kPi * (b.thump.toHz + (b.thump.fromHz - b.thump.toHz) * std::exp(-t / 0.02)) / kRate;
    const double thump = std::sin(phase) * attackDecay(t, 0.001, b.thump.tau);
    const double tail = tailCut(noise) * attackDecay(t, 0.01, b.tail.tau);
    return b.crack.gain * crack + b.body.gain * body + b.thump.gain * thump + b.tail.gain * tail;
  });
}

// Adds a delayed, darker copy: a cliff answering the shot.
void echo(Samples& s, double delay, double gain) {
  Samples copy(s);
  OnePole dark(1500);
  for (float& x : copy) x = dark(x);
  mixInto(s, copy, delay, gain);
}

// An arrow passing by: its rush is noise through a band that falls from `fromHz` to `toHz` as it
// passes, `passAt` seconds in.
struct Flight {
  double seconds, fromHz, toHz, q, passAt;
  // Above 0: the rush flutters this many times a second.
  double flutterHz = 0;
  // Loudness of the shaft's whistle under the rush.
  double whistle = 0;
};

std::optional<Flight> flightOf(Arrow kind) {
  switch (kind) {
    case Arrow::Light:  // a thin whistle
      return Flight{
          .seconds = 1.0, .fromHz = 4200, .toHz = 1700, .q = 3.0, .passAt = 0.55, .whistle = 0.12};
    case Arrow::Heavy:  // a broad low rush
      return Flight{.seconds = 0.95, .fromHz = 1500, .toHz = 550, .q = 1.3, .passAt = 0.45};
    case Arrow::Fluttering:  // ragged fletching, then it strikes wood
      return Flight{
          .seconds = 1.05, .fromHz = 2600, .toHz = 1100, .q = 2.0, .passAt = 0.5, .flutterHz = 26};
    case Arrow::Bowstring:  // the bowstring is heard first
      return Flight{
          .seconds = 1.05, .fromHz = 3200, .toHz = 1300, .q = 2.5, .passAt = 0.62, .whistle = 0.05};
  }
  return std::nullopt;
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

Samples gunshot(Gun gun, Rng& rng) {
  Samples s;
  switch (gun) {
    case Gun::Pistol:  // short and crisp
      s = blast({.crack = {.hz = 1200, .tau = 0.004, .gain = 1.0},
                 .body = {.hz = 2500, .tau = 0.035, .gain = 0.8},
                 .thump = {.fromHz = 180, .toHz = 80, .tau = 0.03, .gain = 0.6},
                 .tail = {.hz = 1200, .tau = 0.12, .gain = 0.25},
                 .seconds = 0.55},
                rng);
      addSpace(s, rng, 0.2, 0.2);
      break;
    case Gun::Rifle:  // a hard crack that the canyon throws back twice
      s = blast({.crack = {.hz = 1200, .tau = 0.003, .gain = 1.2},
                 .body = {.hz = 3500, .tau = 0.05, .gain = 0.7},
                 .thump = {.fromHz = 140, .toHz = 60, .tau = 0.05, .gain = 0.5},
                 .tail = {.hz = 900, .tau = 0.2, .gain = 0.3},
                 .seconds = 0.7},
                rng);
      echo(s, 0.28, 0.35);
      echo(s, 0.62, 0.18);
      addSpace(s, rng, 0.15, 0.2);
      break;
    case Gun::Shotgun:  // a deep boom
      s = blast({.crack = {.hz = 1200, .tau = 0.006, .gain = 0.7},
                 .body = {.hz = 1000, .tau = 0.09, .gain = 1.0},
                 .thump = {.fromHz = 100, .toHz = 45, .tau = 0.09, .gain = 0.9},
                 .tail = {.hz = 600, .tau = 0.25, .gain = 0.35},
                 .seconds = 0.9},
                rng);
      addSpace(s, rng, 0.25, 0.2);
      break;
    case Gun::Ricochet: {  // the bullet sings off a rock
      s = blast({.crack = {.hz = 1200, .tau = 0.004, .gain = 1.0},
                 .body = {.hz = 2800, .tau = 0.03, .gain = 0.7},
                 .thump = {.fromHz = 170, .toHz = 80, .tau = 0.025, .gain = 0.5},
                 .tail = {.hz = 1200, .tau = 0.08, .gain = 0.2},
                 .seconds = 0.3},
                rng);
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
  const Samples grunt = sing({{.seconds = 0.03,
                               .vowels = {vowel::uh, vowel::uh},
                               .pitch = {150, 150},
                               .voice = {0, 0},
                               .breath = {0.4, 0.4}},
                              {.seconds = 0.16,
                               .vowels = {vowel::uh, vowel::uh},
                               .pitch = {155, 125},
                               .voice = {1.0, 0.5}},
                              {.seconds = 0.12,
                               .vowels = {vowel::uh, vowel::o},
                               .pitch = {125, 100},
                               .voice = {0.5, 0.0}}},
                             chest, rng);
  mixInto(s, grunt, 0.04, 0.8);
  addSpace(s, rng, 0.15, 0.15);
  fadeEnds(s, 0.0, 0.04);
  return s;
}

Samples painCry(Rng& rng) {
  const Throat throat{.softness = 0.8, .vibratoHz = 7, .vibratoCents = 40, .rasp = 0.5};
  Samples s = sing(
      {{.seconds = 0.04,
        .vowels = {vowel::a, vowel::a},
        .pitch = {260, 260},
        .voice = {0, 0},
        .breath = {0.5, 0.5}},
       {.seconds = 0.12, .vowels = {vowel::a, vowel::a}, .pitch = {260, 300}, .voice = {0.2, 1.0}},
       tone(0.45, vowel::a, vowel::o, 300, 200, 1.0),
       {.seconds = 0.3, .vowels = {vowel::o, vowel::uh}, .pitch = {200, 130}, .voice = {1.0, 0.0}}},
      throat, rng);
  addSpace(s, rng, 0.18, 0.2);
  fadeEnds(s, 0.005, 0.04);
  return s;
}

Samples arrow(Arrow kind, Rng& rng) {
  const std::optional<Flight> flight = flightOf(kind);
  if (!flight) return {};
  const Flight& f = *flight;
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
  if (kind == Arrow::Fluttering) {
    mixInto(s, knock(320, 0.03, rng), f.seconds - 0.14, 0.6);
    mixInto(s, drum(90, 0.12, 0.2, rng), f.seconds - 0.14, 0.4);
  }
  if (kind == Arrow::Bowstring) {
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
