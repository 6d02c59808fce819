#include "Voice.h"

#include <algorithm>
#include <cmath>

namespace korvanta::pack {

Glide rest(double seconds, Vowel v, double pitch) {
  return {.seconds = seconds, .vowels = {v, v}, .pitch = {pitch, pitch}, .voice = {0, 0}};
}

Glide tone(double seconds, Vowel from, Vowel to, double pitchFrom, double pitchTo, double loud) {
  return {.seconds = seconds,
          .vowels = {from, to},
          .pitch = {pitchFrom, pitchTo},
          .voice = {loud, loud}};
}

namespace {

constexpr int kBlock = 32;
constexpr int kMaxHarmonics = 240;

// Follows a target at block rate, so jumps between glides become quick slides instead of clicks.
struct Follower {
  double value;
  double coefficient;
  Follower(double start, double hz)
      : value(start), coefficient(1.0 - std::exp(-2.0 * kPi * hz * kBlock / kRate)) {}
  double operator()(double target) { return value += coefficient * (target - value); }
};

// The shape a vowel gives to the harmonics: its resonances side by side, the lower ones strongest,
// over a floor of presence that keeps a shout bright.
double vowelGain(double hz, const double* formants, const double* halfWidths) {
  static constexpr double strength[5] = {1.0, 0.6, 0.35, 0.25, 0.15};
  double gain = 0.03;
  for (int n = 0; n < 5; ++n) {
    const double off = (hz - formants[n]) / halfWidths[n];
    gain += strength[n] / std::sqrt(1.0 + off * off);
  }
  return gain;
}

}  // namespace

Samples sing(const std::vector<Glide>& score, const Throat& throat, Rng& rng) {
  int64_t total = 0;
  for (const Glide& g : score) total += framesOf(g.seconds);
  Samples out(size_t(total), 0.0f);
  if (score.empty()) return out;

  const Glide& first = score.front();
  Follower voiceLoud(first.voice.from, 60), breathLoud(first.breath.from, 60);
  Follower logPitch(std::log(first.pitch.from), 25);
  Follower f1(first.vowels.from.f1, 30), f2(first.vowels.from.f2, 30), f3(first.vowels.from.f3, 30),
      f4(first.vowels.from.f4, 30);
  Drift drift(rng, 4.0);
  Biquad breathBands[3] = {Biquad::bandpass(500, 3), Biquad::bandpass(1500, 4),
                           Biquad::bandpass(2500, 4)};
  const double halfWidths[5] = {60 * throat.bandwidth, 80 * throat.bandwidth,
                                120 * throat.bandwidth, 160 * throat.bandwidth,
                                250 * throat.bandwidth};

  std::vector<double> before(kMaxHarmonics + 1, 0.0), now(kMaxHarmonics + 1, 0.0);
  double phase = 0.0, halfPhase = 0.0, lastVoice = 0.0;
  size_t glide = 0;
  int64_t glideStart = 0;

  for (int64_t at = 0; at < total; at += kBlock) {
    while (glide + 1 < score.size() && at >= glideStart + framesOf(score[glide].seconds)) {
      glideStart += framesOf(score[glide].seconds);
      ++glide;
    }
    const Glide& g = score[glide];
    const double length = std::max<double>(1.0, double(framesOf(g.seconds)));
    const double x = std::clamp(double(at - glideStart) / length, 0.0, 1.0);
    const double shape = smoothstep(x);
    const double t = double(at) / kRate;

    const double voice = voiceLoud(g.voice.from + (g.voice.to - g.voice.from) * x);
    const double breath = breathLoud(g.breath.from + (g.breath.to - g.breath.from) * x);
    const double pitchLog =
        logPitch(std::log(g.pitch.from) + (std::log(g.pitch.to) - std::log(g.pitch.from)) * x);
    double formants[5] = {f1(g.vowels.from.f1 + (g.vowels.to.f1 - g.vowels.from.f1) * shape),
                          f2(g.vowels.from.f2 + (g.vowels.to.f2 - g.vowels.from.f2) * shape),
                          f3(g.vowels.from.f3 + (g.vowels.to.f3 - g.vowels.from.f3) * shape),
                          f4(g.vowels.from.f4 + (g.vowels.to.f4 - g.vowels.from.f4) * shape),
                          4500.0};

    for (double& f : formants) f *= throat.formantScale;

    const double cents = throat.vibratoCents * std::sin(2.0 * kPi * throat.vibratoHz * t) +
                         throat.driftCents * drift.next();
    const double pitch = std::exp(pitchLog) * std::pow(2.0, cents / 1200.0);
    const int harmonics = std::clamp(int(0.45 * kRate / pitch), 1, kMaxHarmonics);

    // Louder voices are brighter: the harmonics fall off less steeply as the voice rises.
    const double rollOff = throat.softness + 0.6 * (1.0 - std::min(1.0, voice));
    double energy = 0.0;
    std::fill(now.begin(), now.end(), 0.0);
    for (int k = 1; k <= harmonics; ++k) {
      now[k] = std::pow(k, -rollOff) * vowelGain(k * pitch, formants, halfWidths);
      energy += now[k] * now[k];
    }
    const double scale = energy > 0 ? 0.3 * std::sqrt(2.0 / energy) : 0.0;
    for (int k = 1; k <= harmonics; ++k) now[k] *= scale;
    for (int n = 0; n < 3; ++n) breathBands[n].setBandpass(formants[n], 3.0 + n);

    const double step = 2.0 * kPi * pitch / kRate;
    const int64_t end = std::min<int64_t>(total, at + kBlock);
    for (int64_t i = at; i < end; ++i) {
      const double w = double(i - at) / kBlock;
      phase += step;
      if (phase > 2.0 * kPi) phase -= 2.0 * kPi;
      halfPhase += 0.5 * step;
      if (halfPhase > 2.0 * kPi) halfPhase -= 2.0 * kPi;
      // sin(k·phase) for every k by the Chebyshev recurrence: one sine and one cosine per sample.
      const double c2 = 2.0 * std::cos(phase);
      double previous = 0.0, current = std::sin(phase), sumBefore = 0.0, sumNow = 0.0;
      for (int k = 1; k <= harmonics; ++k) {
        sumBefore += before[k] * current;
        sumNow += now[k] * current;
        const double next = c2 * current - previous;
        previous = current;
        current = next;
      }
      const double loud = lastVoice + (voice - lastVoice) * w;
      double voiced = (sumBefore + (sumNow - sumBefore) * w) * loud;
      voiced *= 1.0 + throat.rasp * 0.6 * std::sin(halfPhase);
      const float noise = float(rng.bipolar());
      const double air =
          0.6 * breathBands[0](noise) + breathBands[1](noise) + 0.8 * breathBands[2](noise);
      out[size_t(i)] = float(voiced + 0.9 * breath * air);
    }
    before.swap(now);
    lastVoice = voice;
  }
  return out;
}

}  // namespace korvanta::pack
