#include "Dsp.h"

#include <algorithm>
#include <cmath>

namespace korvanta::pack {

int64_t framesOf(double seconds) {
  return int64_t(std::llround(seconds * kRate));
}

namespace {

uint64_t splitmix(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

uint64_t hashName(const std::string& name) {
  uint64_t h = 0xCBF29CE484222325ULL;
  for (unsigned char c : name) h = (h ^ c) * 0x100000001B3ULL;
  return h;
}

double clampHz(double hz) {
  return std::clamp(hz, 10.0, 0.49 * kRate);
}

}  // namespace

Rng::Rng(uint64_t seed) {
  for (uint64_t& word : s_) word = splitmix(seed);
}

Rng::Rng(const std::string& name) : Rng(hashName(name)) {}

uint64_t Rng::next() {
  const uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

double Rng::uniform() {
  return double(next() >> 11) * 0x1.0p-53;
}

Biquad Biquad::lowpass(double hz, double q) {
  Biquad b;
  b.setLowpass(hz, q);
  return b;
}

Biquad Biquad::highpass(double hz, double q) {
  Biquad b;
  b.setHighpass(hz, q);
  return b;
}

Biquad Biquad::bandpass(double hz, double q) {
  Biquad b;
  b.setBandpass(hz, q);
  return b;
}

void Biquad::setLowpass(double hz, double q) {
  const double w = 2.0 * kPi * clampHz(hz) / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
  const double a0 = 1 + alpha;
  b0_ = (1 - c) / 2 / a0;
  b1_ = (1 - c) / a0;
  b2_ = b0_;
  a1_ = -2 * c / a0;
  a2_ = (1 - alpha) / a0;
}

void Biquad::setHighpass(double hz, double q) {
  const double w = 2.0 * kPi * clampHz(hz) / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
  const double a0 = 1 + alpha;
  b0_ = (1 + c) / 2 / a0;
  b1_ = -(1 + c) / a0;
  b2_ = b0_;
  a1_ = -2 * c / a0;
  a2_ = (1 - alpha) / a0;
}

void Biquad::setBandpass(double hz, double q) {
  const double w = 2.0 * kPi * clampHz(hz) / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
  const double a0 = 1 + alpha;
  b0_ = alpha / a0;
  b1_ = 0;
  b2_ = -alpha / a0;
  a1_ = -2 * c / a0;
  a2_ = (1 - alpha) / a0;
}

float Biquad::operator()(float x) {
  const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return float(y);
}

OnePole::OnePole(double hz) {
  setCutoff(hz);
}

void OnePole::setCutoff(double hz) {
  a_ = 1.0 - std::exp(-2.0 * kPi * clampHz(hz) / kRate);
}

float OnePole::operator()(float x) {
  y_ += a_ * (x - y_);
  return float(y_);
}

Drift::Drift(Rng& rng, double changesPerSecond) : rng_(rng), step_(changesPerSecond / kRate) {
  to_ = rng_.bipolar();
}

float Drift::next() {
  phase_ += step_;
  if (phase_ >= 1.0) {
    phase_ -= 1.0;
    from_ = to_;
    to_ = rng_.bipolar();
  }
  return float(from_ + (to_ - from_) * smoothstep(phase_));
}

double attackDecay(double t, double attack, double tau) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / tau);
}

double smoothstep(double x) {
  x = std::clamp(x, 0.0, 1.0);
  return x * x * (3 - 2 * x);
}

double noteHz(double midi) {
  return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

double dbToGain(double db) {
  return std::pow(10.0, db / 20.0);
}

double gainToDb(double gain) {
  return gain > 1e-9 ? 20.0 * std::log10(gain) : -180.0;
}

void mixInto(Samples& dst, const Samples& src, double atSeconds, double gain) {
  const size_t start = size_t(std::max<int64_t>(0, framesOf(atSeconds)));
  if (dst.size() < start + src.size()) dst.resize(start + src.size(), 0.0f);
  for (size_t i = 0; i < src.size(); ++i) dst[start + i] += float(gain * src[i]);
}

void append(Samples& dst, const Samples& src, double gapSeconds) {
  dst.resize(dst.size() + size_t(framesOf(gapSeconds)), 0.0f);
  dst.insert(dst.end(), src.begin(), src.end());
}

void fadeEnds(Samples& s, double inSeconds, double outSeconds) {
  const size_t in = std::min(s.size(), size_t(framesOf(inSeconds)));
  const size_t out = std::min(s.size(), size_t(framesOf(outSeconds)));
  for (size_t i = 0; i < in; ++i) s[i] *= float(0.5 - 0.5 * std::cos(kPi * double(i) / in));
  for (size_t i = 0; i < out; ++i)
    s[s.size() - 1 - i] *= float(0.5 - 0.5 * std::cos(kPi * double(i) / out));
}

void trimSilence(Samples& s, double threshold, double padSeconds) {
  const auto loud = [&](float x) { return std::fabs(x) > threshold; };
  const auto first = std::find_if(s.begin(), s.end(), loud);
  if (first == s.end()) return;
  const auto last = std::find_if(s.rbegin(), s.rend(), loud).base();
  const int64_t pad = framesOf(padSeconds);
  const int64_t from = std::max<int64_t>(0, (first - s.begin()) - pad);
  const int64_t to = std::min<int64_t>(int64_t(s.size()), (last - s.begin()) + pad);
  s = Samples(s.begin() + from, s.begin() + to);
}

void addSpace(Samples& s, Rng& rng, double amount, double tailSeconds) {
  // A diffuse tail made of sparse random taps ("velvet noise"): smooth to the ear at this density,
  // and far cheaper than convolving with a dense response.
  struct Tap {
    size_t offset;
    double gain;
  };
  std::vector<Tap> taps;
  const double tau = tailSeconds / 5.0;
  double energy = 0;
  for (double t = 0.015; t < tailSeconds; t += rng.range(0.2, 1.8) / 1500.0) {
    const double g = (rng.uniform() < 0.5 ? -1.0 : 1.0) * std::exp(-t / tau);
    taps.push_back({size_t(framesOf(t)), g});
    energy += g * g;
  }
  const double scale = energy > 0 ? amount / std::sqrt(energy) : 0.0;
  const size_t length = s.size();
  Samples wet(length + size_t(framesOf(tailSeconds)), 0.0f);
  for (const Tap& tap : taps) {
    const float g = float(tap.gain * scale);
    for (size_t i = 0; i < length; ++i) wet[i + tap.offset] += g * s[i];
  }
  // Air and leaves soak up the highs of what comes back.
  OnePole dark(3000.0);
  s.resize(wet.size(), 0.0f);
  for (size_t i = 0; i < wet.size(); ++i) s[i] += dark(wet[i]);
  fadeEnds(s, 0.0, std::min(tailSeconds, 0.5 * double(s.size()) / kRate));
}

void loopJoin(Samples& s, double seconds) {
  const size_t n = std::min(s.size() / 2, size_t(framesOf(seconds)));
  const size_t tail = s.size() - n;
  for (size_t i = 0; i < n; ++i) {
    const double x = double(i) / n;
    s[i] = float(s[i] * std::sin(0.5 * kPi * x) + s[tail + i] * std::cos(0.5 * kPi * x));
  }
  s.resize(tail);
}

}  // namespace korvanta::pack
