#include "Levels.h"

#include <algorithm>
#include <cmath>

namespace korvanta::pack {

Level measure(const Samples& s) {
  Level level;
  if (s.empty()) return level;
  double peak = 0, sum = 0;
  for (float x : s) {
    peak = std::max(peak, double(std::fabs(x)));
    sum += double(x) * x;
  }
  level.peakDb = gainToDb(peak);
  level.rmsDb = gainToDb(std::sqrt(sum / double(s.size())));

  const size_t block = size_t(framesOf(0.02));
  std::vector<double> powers;
  for (size_t at = 0; at < s.size(); at += block) {
    const size_t end = std::min(s.size(), at + block);
    double p = 0;
    for (size_t i = at; i < end; ++i) p += double(s[i]) * s[i];
    powers.push_back(p / double(end - at));
  }
  const double loudest = *std::max_element(powers.begin(), powers.end());
  double gated = 0;
  int count = 0;
  size_t first = powers.size(), last = 0;
  for (size_t b = 0; b < powers.size(); ++b) {
    if (powers[b] >= loudest * 1e-3) {
      gated += powers[b];
      ++count;
    }
    if (powers[b] >= loudest * 1e-2) first = std::min(first, b), last = b;
  }
  level.loudnessDb = gainToDb(std::sqrt(gated / count));
  level.heardSeconds = double(last - first + 1) * 0.02;
  return level;
}

Samples firstChannel(const Pcm& pcm) {
  Samples s(size_t(pcm.frames()));
  for (int64_t i = 0; i < pcm.frames(); ++i) s[size_t(i)] = float(pcm.frame(i)[0]) / 32768.0f;
  return s;
}

void normalize(Samples& s, double targetDb) {
  const Level before = measure(s);
  if (before.peakDb <= -150.0) return;
  const double gain = dbToGain(targetDb - before.loudnessDb);
  const double ceiling = dbToGain(kCeilingDb);
  const double knee = 0.6 * ceiling;
  double peak = 0;
  for (float& x : s) {
    double y = x * gain;
    const double a = std::fabs(y);
    // Above the knee the curve bends towards the ceiling and never reaches it.
    if (a > knee)
      y = std::copysign(knee + (ceiling - knee) * std::tanh((a - knee) / (ceiling - knee)), y);
    x = float(y);
    peak = std::max(peak, std::fabs(y));
  }
  if (peak > ceiling)
    for (float& x : s) x = float(x * ceiling / peak);
}

}  // namespace korvanta::pack
