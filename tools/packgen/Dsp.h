// Small signal-processing kit for the sound pack: a seeded random source, filters, envelopes and
// buffer helpers. Depends on nothing but the standard library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvanta::pack {

// Every file of the pack is mono at this rate, the rate espeak-ng speaks at.
constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

using Samples = std::vector<float>;

// Number of frames in `seconds`, rounded to the nearest frame.
int64_t framesOf(double seconds);

// Seeded generator (xoshiro-style): each sound owns one, so a file never depends on what was
// generated before it and two runs give the same bytes.
class Rng {
 public:
  explicit Rng(uint64_t seed);
  // Seed taken from a name, so each file's randomness is tied to that file alone.
  explicit Rng(const std::string& name);
  uint64_t next();
  // Uniform in [0, 1).
  double uniform();
  // Uniform in [-1, 1).
  double bipolar() { return 2.0 * uniform() - 1.0; }
  // Uniform in [a, b).
  double range(double a, double b) { return a + (b - a) * uniform(); }
  // Uniform integer in [0, n).
  int below(int n) { return int(uniform() * n); }

 private:
  uint64_t s_[4];
};

// Second-order filter (direct form I); its coefficients may be changed between samples for sweeps.
class Biquad {
 public:
  static Biquad lowpass(double hz, double q = 0.707);
  static Biquad highpass(double hz, double q = 0.707);
  static Biquad bandpass(double hz, double q);
  // Peak (resonance) gain of 1 at `hz`.
  void setLowpass(double hz, double q = 0.707);
  void setHighpass(double hz, double q = 0.707);
  void setBandpass(double hz, double q);
  float operator()(float x);

 private:
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// One-pole smoother for control signals and gentle tone shaping.
class OnePole {
 public:
  explicit OnePole(double hz = 1000.0);
  void setCutoff(double hz);
  float operator()(float x);

 private:
  double a_ = 0, y_ = 0;
};

// Slowly wandering value in [-1, 1]: smoothed random steps for wind gusts and pitch drift.
class Drift {
 public:
  Drift(Rng& rng, double changesPerSecond);
  float next();

 private:
  Rng& rng_;
  double step_;
  double phase_ = 1.0, from_ = 0.0, to_ = 0.0;
};

// Attack then exponential decay: `tau` seconds to fall to 1/e.
double attackDecay(double t, double attack, double tau);
// Smooth 0-to-1 ramp over [0, 1].
double smoothstep(double x);
// Frequency of a MIDI note number (69 = A 440 Hz).
double noteHz(double midi);
// Decibels to a gain factor, and back.
double dbToGain(double db);
double gainToDb(double gain);

// Adds `src` times `gain` into `dst` starting at `atSeconds`, growing `dst` if needed.
void mixInto(Samples& dst, const Samples& src, double atSeconds, double gain = 1.0);
// Appends `src` after `dst` with `gapSeconds` of silence in between.
void append(Samples& dst, const Samples& src, double gapSeconds = 0.0);
// Short raised-cosine fades at the ends, so a file never starts or stops with a click.
void fadeEnds(Samples& s, double inSeconds, double outSeconds);
// Removes leading and trailing stretches quieter than `threshold`, keeping `padSeconds` around.
void trimSilence(Samples& s, double threshold, double padSeconds);
// Open-air space: a diffuse, darkened tail `amount` as strong as the sound, `tailSeconds` long.
void addSpace(Samples& s, Rng& rng, double amount, double tailSeconds);
// Blends the last `seconds` into the start so a bed played over and over joins without a seam.
void loopJoin(Samples& s, double seconds);

}  // namespace korvanta::pack
