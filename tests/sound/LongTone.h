// Long tone files for the tests of long sounds: a low rate keeps ten minutes quick to make.
#pragma once

#include <cmath>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "tools/mp3/Mp3Writer.h"

namespace korvanta::test {

// Mono 8 kHz, 440 Hz at 0.3, with the Info tag that announces the exact length.
inline void writeLongTone(const std::filesystem::path& file, double seconds) {
  constexpr int kRate = 8000;
  std::vector<float> samples(size_t(std::lround(seconds * kRate)));
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = 0.3f * float(std::sin(2.0 * std::numbers::pi * 440.0 * double(i) / kRate));
  const std::string error = writeMp3(file, samples, {.rate = kRate, .vbrQuality = 9});
  if (!error.empty()) throw std::runtime_error(error);
}

}  // namespace korvanta::test
