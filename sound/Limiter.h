// Keeps the mix within -0.5 dBFS without delaying it, and leaves it untouched below -3 dBFS.
#pragma once

namespace korvanta {

class Limiter {
 public:
  // Level below which the limiter is exactly unity (-3 dBFS), and the ceiling it never crosses
  // (-0.5 dBFS).
  static constexpr float kThreshold = 0.70794578f;
  static constexpr float kCeiling = 0.94406088f;

  explicit Limiter(int rate);

  // Limits interleaved stereo in place.
  void process(float* samples, int frames);
  // How loud the recent peak was, as the limiter holds it.
  float envelope() const { return envelope_; }

 private:
  // How far above the threshold the recent peak stands: held briefly, then released slowly.
  float envelope_ = 0.0f;
  int holdLeft_ = 0;
  const int holdFrames_;
  const float release_;
};

}  // namespace korvanta
