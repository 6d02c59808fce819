#include "Pcm.h"

#include <algorithm>
#include <new>

namespace korvanta {

Pcm::Pcm(int rate, int channels, int64_t announcedFrames, int64_t maxFrames, int sourceRate,
         int64_t announcedSourceFrames)
    : rate_(rate > 0 ? rate : 1),
      channels_(std::clamp(channels, 1, 2)),
      sourceRate_(std::max(sourceRate, 0)),
      sourceFrames_(std::max<int64_t>(announcedSourceFrames, 1)),
      blockCount_(size_t((std::max<int64_t>(maxFrames, 1) + kBlockFrames - 1) >> kBlockShift)),
      blocks_(new std::unique_ptr<int16_t[]>[blockCount_]),
      // At least one frame until decoding says otherwise, so that a file just loaded never
      // reads as finished (position 0 against a length of 0).
      length_(std::clamp<int64_t>(announcedFrames, 1, std::max<int64_t>(maxFrames, 1))) {}

bool Pcm::append(const int16_t* samples, size_t count) {
  const int64_t samplesPerBlock = kBlockFrames * channels_;
  while (count > 0) {
    const size_t block = size_t(samplesWritten_ / samplesPerBlock);
    if (block >= blockCount_) return false;
    if (!blocks_[block]) {
      // Allocated here, on the decoder's thread; the audio thread only ever reads.
      blocks_[block].reset(new (std::nothrow) int16_t[size_t(samplesPerBlock)]);
      if (!blocks_[block]) return false;
    }
    const int64_t offset = samplesWritten_ % samplesPerBlock;
    const size_t n = size_t(std::min<int64_t>(int64_t(count), samplesPerBlock - offset));
    std::copy_n(samples, n, blocks_[block].get() + offset);
    samples += n;
    count -= n;
    samplesWritten_ += int64_t(n);

    const int64_t ready = samplesWritten_ / channels_;
    ready_.store(ready, std::memory_order_release);
    // A file may turn out longer than its header said: the length grows with what is decoded.
    if (ready > length_.load(std::memory_order_relaxed))
      length_.store(ready, std::memory_order_release);
  }
  return true;
}

double Pcm::seconds() const {
  if (sourceRate_ > 0) return double(sourceFrames_.load(std::memory_order_acquire)) / sourceRate_;
  return double(frames()) / rate_;
}

int Pcm::read(int64_t at, int count, float* out) const {
  constexpr float kScale = 1.0f / 32768.0f;
  // Looked at before the frames: once complete, every frame there will ever be is published.
  const bool done = complete();
  const int64_t readable = std::min(ready(), frames());
  int i = 0;
  for (; i < count && at + i < readable; ++i) {
    const int16_t* f = frame(at + i);
    out[2 * i] = f[0] * kScale;
    out[2 * i + 1] = f[channels_ - 1] * kScale;
  }
  std::fill(out + 2 * i, out + 2 * count, 0.0f);
  return done ? 0 : count - i;
}

bool Pcm::decoded(int64_t at, int count) const {
  return complete() || at + count <= ready();
}

void Pcm::sourceGrew(int64_t sourceFrames) {
  if (sourceFrames > sourceFrames_.load(std::memory_order_relaxed))
    sourceFrames_.store(sourceFrames, std::memory_order_release);
}

void Pcm::finishAt(int64_t frames, int64_t sourceFrames) {
  sourceFrames_.store(std::max<int64_t>(sourceFrames, 1), std::memory_order_release);
  length_.store(std::max<int64_t>(frames, 1), std::memory_order_release);
  complete_.store(true, std::memory_order_release);
}

void Pcm::finish(int64_t standInFrames) {
  const int64_t ready = ready_.load(std::memory_order_relaxed);
  length_.store(ready > 0 ? ready : std::max<int64_t>(standInFrames, 1), std::memory_order_release);
  complete_.store(true, std::memory_order_release);
}

}  // namespace korvanta
