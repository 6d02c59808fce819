#include "Instruments.h"

#include <algorithm>
#include <cmath>

namespace korvanta::pack {

Samples pluck(double hz, double ring, double brightness, Rng& rng) {
  const double period = double(kRate) / hz;
  // Loop delay = whole samples + half a sample (the averaging filter) + an all-pass fraction.
  const int whole = std::max(2, int(std::floor(period - 0.5 - 0.1)));
  const double fraction = period - 0.5 - whole;
  const double allpass = (1.0 - fraction) / (1.0 + fraction);
  const double loss = std::pow(10.0, -3.0 / (ring * hz));

  std::vector<double> line(size_t(whole), 0.0);
  // Two gentle low-pass stages: a soft pick for low brightness, a sharp one near 1.
  OnePole tone(500.0 + 9000.0 * brightness * brightness), tone2(800.0 + 9000.0 * brightness);
  for (double& x : line) x = tone2(tone(float(rng.bipolar())));
  double mean = 0;
  for (double x : line) mean += x;
  mean /= whole;
  for (double& x : line) x -= mean;

  Samples out(size_t(framesOf(ring + 0.05)));
  size_t at = 0;
  double last = 0, apIn = 0, apOut = 0;
  for (float& y : out) {
    const double current = line[at];
    const double averaged = 0.5 * (current + last);
    last = current;
    const double shifted = allpass * averaged + apIn - allpass * apOut;
    apIn = averaged;
    apOut = shifted;
    line[at] = shifted * loss;
    at = (at + 1) % line.size();
    y = float(current);
  }
  fadeEnds(out, 0.0, 0.05);
  return out;
}

Samples brass(double hz, double seconds, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  const int harmonics = std::min(24, int(0.45 * kRate / hz));
  const double vibratoStart = 0.25 + 0.1 * rng.uniform();
  double phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    const double swell = std::min(1.0, t / 0.03) * (0.8 + 0.2 * std::exp(-t / 0.08));
    const double release = std::min(1.0, (seconds - t) / 0.08);
    const double env = swell * std::max(0.0, release);
    const double vib = t > vibratoStart ? 0.004 * std::sin(2 * kPi * 5.2 * t) : 0.0;
    phase += 2 * kPi * hz * (1.0 + vib) / kRate;
    double sum = 0;
    for (int k = 1; k <= harmonics; ++k)
      sum += std::sin(k * phase) * std::pow(env, 0.3 * k) / std::pow(k, 0.9);
    out[i] = float(0.25 * env * sum);
  }
  return out;
}

Samples flute(double hz, double seconds, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  Biquad breath = Biquad::bandpass(2.0 * hz, 2.0);
  double phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    const double env = std::min(1.0, t / 0.06) * std::clamp((seconds - t) / 0.1, 0.0, 1.0);
    const double vib = 0.006 * std::sin(2 * kPi * 5.0 * t) * std::clamp((t - 0.3) / 0.3, 0.0, 1.0);
    phase += 2 * kPi * hz * (1.0 + vib) / kRate;
    const double body = std::sin(phase) + 0.18 * std::sin(2 * phase) + 0.06 * std::sin(3 * phase);
    const double air = breath(float(rng.bipolar())) * (0.5 + 1.5 * std::exp(-t / 0.05));
    out[i] = float(0.4 * env * (body + 0.35 * air));
  }
  return out;
}

Samples drum(double hz, double seconds, double snap, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  Biquad slap = Biquad::bandpass(900, 1.0);
  double phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    const double pitch = hz * (1.0 + 0.7 * std::exp(-t / 0.03));
    phase += 2 * kPi * pitch / kRate;
    const double body = std::sin(phase) * attackDecay(t, 0.002, seconds * 0.35);
    const double hit = slap(float(rng.bipolar())) * attackDecay(t, 0.001, 0.02);
    out[i] = float(0.6 * body + 1.2 * snap * hit);
  }
  fadeEnds(out, 0.0, 0.03);
  return out;
}

Samples shaker(double seconds, double loud, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  Biquad high = Biquad::highpass(5000);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    out[i] = float(loud * 0.5 * high(float(rng.bipolar())) * attackDecay(t, 0.008, seconds * 0.3));
  }
  return out;
}

Samples knock(double hz, double tau, Rng& rng) {
  Samples out(size_t(framesOf(tau * 6.0 + 0.01)));
  Biquad body = Biquad::bandpass(hz, 12.0), overtone = Biquad::bandpass(hz * 2.7, 10.0);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    const float strike = float(rng.bipolar() * attackDecay(t, 0.0005, 0.003));
    out[i] = float(6.0 * body(strike) + 2.5 * overtone(strike)) *
             float(std::min(1.0, std::exp(-(t - 0.003) / tau)));
  }
  fadeEnds(out, 0.0, 0.01);
  return out;
}

Samples bell(double hz, double seconds) {
  static constexpr double ratios[] = {0.5, 1.0, 1.19, 1.56, 2.0, 2.51, 2.66, 3.01};
  static constexpr double gains[] = {0.6, 1.0, 0.45, 0.35, 0.5, 0.25, 0.2, 0.15};
  Samples out(size_t(framesOf(seconds)));
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    double sum = 0;
    for (int p = 0; p < 8; ++p)
      sum += gains[p] * std::sin(2 * kPi * hz * ratios[p] * t) *
             attackDecay(t, 0.002, seconds * 0.6 / (1.0 + 0.4 * p));
    out[i] = float(0.25 * sum);
  }
  fadeEnds(out, 0.0, 0.04);
  return out;
}

Samples splash(double seconds, double lowCutHz, Rng& rng) {
  Samples out(size_t(framesOf(seconds)));
  Biquad cut = Biquad::highpass(lowCutHz);
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = double(i) / kRate;
    out[i] = float(0.5 * cut(float(rng.bipolar())) * attackDecay(t, 0.003, seconds * 0.3));
  }
  fadeEnds(out, 0.0, 0.03);
  return out;
}

}  // namespace korvanta::pack
