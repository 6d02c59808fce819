#include "Listening.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <variant>

#include "sound/Mp3Decoder.h"
#include "sound/Player.h"

namespace korvanta::e2e {

using Complex = std::complex<double>;

void fourier(std::vector<Complex>& values, bool inverse) {
  const size_t n = values.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(values[i], values[j]);
  }
  for (size_t length = 2; length <= n; length <<= 1) {
    const double angle = 2 * std::numbers::pi / double(length) * (inverse ? 1 : -1);
    const Complex unit = std::polar(1.0, angle);
    for (size_t start = 0; start < n; start += length) {
      Complex twiddle = 1.0;
      for (size_t k = 0; k < length / 2; ++k) {
        const Complex even = values[start + k];
        const Complex odd = values[start + k + length / 2] * twiddle;
        values[start + k] = even + odd;
        values[start + k + length / 2] = even - odd;
        twiddle *= unit;
      }
    }
  }
  if (inverse)
    for (Complex& v : values) v /= double(n);
}

double rms(const std::vector<float>& interleaved, int channel) {
  const size_t step = channel < 0 ? 1 : 2;
  double sum = 0;
  for (size_t i = std::max(channel, 0); i < interleaved.size(); i += step)
    sum += double(interleaved[i]) * interleaved[i];
  return std::sqrt(sum / double(interleaved.size() / step));
}

Reference Reference::load(const std::filesystem::path& file) {
  // Decoded and resampled exactly as the engine does.
  Mp3Decoder::Opened opened = Mp3Decoder::open(file, kRate);
  if (const auto* reason = std::get_if<std::string>(&opened))
    throw std::runtime_error(file.string() + ": " + *reason);
  Mp3Decoder& decoder = *std::get<std::unique_ptr<Mp3Decoder>>(opened);
  decoder.decodeAll();
  const Pcm& pcm = *decoder.pcm();
  std::vector<float> frames(size_t(2 * pcm.frames()));
  pcm.read(0, int(pcm.frames()), frames.data());
  Reference ref;
  for (size_t i = 0; i < frames.size(); i += 2)
    ref.samples.push_back((frames[i] + frames[i + 1]) / 2);
  return ref;
}

Recording Recording::read(const std::filesystem::path& file) {
  std::vector<float> interleaved(size_t(2 * framesOnDisk(file)));
  std::ifstream(file, std::ios::binary)
      .read(reinterpret_cast<char*>(interleaved.data()),
            std::streamsize(interleaved.size() * sizeof(float)));
  Recording recording;
  // Recordings run to minutes, and are read again while the program plays.
  for (auto* channel : {&recording.left, &recording.right, &recording.mono})
    channel->reserve(interleaved.size() / 2);
  for (size_t i = 0; i < interleaved.size(); i += 2) {
    const float l = interleaved[i], r = interleaved[i + 1];
    recording.left.push_back(l);
    recording.right.push_back(r);
    recording.mono.push_back((l + r) / 2);
    if (std::isfinite(l) && std::isfinite(r))
      recording.loudest = std::max({recording.loudest, std::fabs(l), std::fabs(r)});
    else
      recording.plausible = false;
  }
  // Summed players may overshoot full scale a little; raw integers read as floats would not
  // stay anywhere near it.
  if (recording.loudest > 4.0f) recording.plausible = false;
  return recording;
}

int holes(const Recording& recording, int64_t minFrames, int64_t maxFrames) {
  const auto sounding = [&](int64_t i) {
    return std::max(std::abs(recording.left[i]), std::abs(recording.right[i])) > 0.001f;
  };
  int found = 0;
  int64_t silentFrom = -1;
  for (int64_t i = 0; i < recording.frames(); ++i) {
    const bool silent = recording.left[i] == 0.0f && recording.right[i] == 0.0f;
    if (silent && silentFrom < 0) silentFrom = i;
    if (silent || silentFrom < 0) continue;
    const int64_t length = i - silentFrom;
    if (silentFrom > 0 && length >= minFrames && length < maxFrames && sounding(silentFrom - 1) &&
        sounding(i))
      ++found;
    silentFrom = -1;
  }
  return found;
}

int64_t framesOnDisk(const std::filesystem::path& file) {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(file, error);
  return error ? 0 : int64_t(bytes / (2 * sizeof(float)));
}

// By the player's own law of the far channel's attenuation.
double Heard::balance() const {
  if (gainLeft <= 0.0 || gainRight <= 0.0) return std::nan("");
  return 20.0 * std::log10(gainRight / gainLeft) * 5000.0 / farChannelAttenuationDb(5000);
}

Heard listenFor(const Recording& recording, const Reference& ref, int64_t from, int64_t to,
                int64_t refFrames, int64_t refFrom) {
  const int64_t length = std::min(refFrames, ref.frames() - refFrom);
  from = std::max<int64_t>(from, 0);
  to = std::min(to, recording.frames() - 1);
  if (length <= 0 || to < from) return {};

  // Correlation of the stretch against every start in [from, to], all at once through the FFT.
  const int64_t lags = to - from + 1;
  const int64_t span = lags + length - 1;
  const size_t size = std::bit_ceil(size_t(span));
  std::vector<Complex> heard(size), wanted(size);
  // With the energy of the recording before each start, for the normalized score.
  std::vector<double> energyBefore(span + 1, 0.0);
  for (int64_t i = 0; i < span; ++i) {
    const double s = from + i < recording.frames() ? recording.mono[from + i] : 0.0;
    heard[i] = s;
    energyBefore[i + 1] = energyBefore[i] + s * s;
  }
  double wantedEnergy = 0.0;
  for (int64_t i = 0; i < length; ++i) {
    const double s = ref.samples[refFrom + i];
    wanted[i] = s;
    wantedEnergy += s * s;
  }
  if (wantedEnergy <= 0.0) return {};
  fourier(heard, false);
  fourier(wanted, false);
  for (size_t i = 0; i < size; ++i) heard[i] *= std::conj(wanted[i]);
  fourier(heard, true);

  Heard best;
  for (int64_t lag = 0; lag < lags; ++lag) {
    const double energy = energyBefore[lag + length] - energyBefore[lag];
    if (energy <= 1e-12 * double(length)) continue;
    const double score = heard[lag].real() / std::sqrt(wantedEnergy * energy);
    if (score > best.score) {
      best.score = score;
      best.onset = from + lag - refFrom;
    }
  }
  if (best.score <= 0.0) return {};
  double left = 0.0, right = 0.0;
  for (int64_t i = 0; i < length; ++i) {
    const int64_t at = best.onset + refFrom + i;
    if (at >= recording.frames()) break;
    left += recording.left[at] * ref.samples[refFrom + i];
    right += recording.right[at] * ref.samples[refFrom + i];
  }
  best.gainLeft = left / wantedEnergy;
  best.gainRight = right / wantedEnergy;
  return best;
}

double gainWithin(const Recording& recording, const Reference& ref, int64_t onset, int64_t from,
                  int64_t to) {
  from = std::max({from, onset, int64_t(0)});
  to = std::min({to, onset + ref.frames(), recording.frames()});
  double together = 0.0, energy = 0.0;
  for (int64_t at = from; at < to; ++at) {
    const double s = ref.samples[at - onset];
    together += recording.mono[at] * s;
    energy += s * s;
  }
  return energy > 0.0 ? together / energy : 0.0;
}

}  // namespace korvanta::e2e
