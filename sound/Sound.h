// What a voice plays: audio at the mixer's rate, held whole in memory or streamed from disk.
#pragma once

#include <cstdint>

namespace korvanta {

class Sound {
 public:
  virtual ~Sound() = default;

  // Length in output frames as far as known; final once `complete()`.
  virtual int64_t frames() const = 0;
  // Exact length in seconds at the file's own rate: what a finished player reads as its position.
  virtual double seconds() const = 0;
  // The length will not change any more.
  virtual bool complete() const = 0;

  // Audio thread: writes `count` frames from frame `at` into `out` as interleaved stereo floats.
  // Those ready come first; the rest, not decoded yet, are silence, and their number is returned.
  // Never blocks.
  virtual int read(int64_t at, int count, float* out) const = 0;
  // The `count` frames from `at` could be read now (the hand-driven output waits for them).
  virtual bool decoded(int64_t at, int count) const = 0;
  // UI thread, outside the mixer's lock: a voice will soon read from `at`; a stream starts
  // reading ahead there.
  virtual void prepare(int64_t /*at*/) const {}
  // Only one cursor may read it at a time (a stream's read-ahead follows a single reader).
  virtual bool oneReader() const { return false; }
};

}  // namespace korvanta
