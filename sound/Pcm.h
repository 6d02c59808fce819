// Decoded audio of one file, shared by every player that holds it. A long file plays while it is
// still being decoded: frames become readable in order, and its length settles when decoding ends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "Sound.h"

namespace korvanta {

class Pcm : public Sound {
 public:
  // Frames per block. Blocks never move once written, so the audio thread can read the front of
  // a file while the decoder appends to its back, without a lock and without copying.
  static constexpr int kBlockShift = 14;
  static constexpr int64_t kBlockFrames = int64_t(1) << kBlockShift;

  // `announcedFrames` is the length the file's header promises (at least one frame is assumed);
  // `maxFrames` the most it may ever hold (decoding past it cuts the file there). Audio resampled
  // from another rate names that `sourceRate`, whose frames give the exact length in seconds.
  Pcm(int rate, int channels, int64_t announcedFrames, int64_t maxFrames, int sourceRate = 0,
      int64_t announcedSourceFrames = 0);
  Pcm(const Pcm&) = delete;
  Pcm& operator=(const Pcm&) = delete;

  // Frames per second of the samples held: the mixer's rate, other files being resampled to it.
  int rate() const { return rate_; }
  // 1 (mono) or 2 (interleaved stereo).
  int channels() const { return channels_; }

  // Length in frames as far as known: the announced one while decoding, the real one after.
  int64_t frames() const override { return length_.load(std::memory_order_acquire); }
  // Length in seconds at the file's own rate; a finished player reads this very value.
  double seconds() const override;
  // Frames decoded so far; only these may be read. Once decoding has ended, frames past them up
  // to the length are the file's silence; before, they are still to come.
  int64_t ready() const { return ready_.load(std::memory_order_acquire); }
  // Decoding has ended and `frames()` is final.
  bool complete() const override { return complete_.load(std::memory_order_acquire); }
  int read(int64_t at, int count, float* out) const override;
  bool decoded(int64_t at, int count) const override;

  // The interleaved 16-bit samples of frame `at`, which must be below `ready()`.
  const int16_t* frame(int64_t at) const {
    return blocks_[size_t(at >> kBlockShift)].get() + (at & (kBlockFrames - 1)) * channels_;
  }

  // The decoder's side, used by one thread at a time. Appends interleaved samples (a frame may
  // be split across calls); false once the file holds `maxFrames` or memory ran out.
  bool append(const int16_t* samples, size_t count);
  // Decoding has ended: the length becomes the frames decoded, or `standInFrames` of silence
  // when there were none.
  void finish(int64_t standInFrames);
  // Decoding of resampled audio has ended: exactly `frames` long, from `sourceFrames` of the file.
  void finishAt(int64_t frames, int64_t sourceFrames);
  // Source frames decoded so far, when they outgrow the announced length.
  void sourceGrew(int64_t sourceFrames);

 private:
  const int rate_;
  const int channels_;
  // The file's own rate, and its length in its own frames (resampled audio only; else 0).
  const int sourceRate_;
  std::atomic<int64_t> sourceFrames_;
  const size_t blockCount_;
  // Written only by the decoder, each before `ready_` is published past it.
  std::unique_ptr<std::unique_ptr<int16_t[]>[]> blocks_;
  // Samples written, including those of a frame not yet complete; decoder side only.
  int64_t samplesWritten_ = 0;
  std::atomic<int64_t> ready_{0};
  std::atomic<int64_t> length_;
  std::atomic<bool> complete_{false};
};

}  // namespace korvanta
