// A long file played from disk: a worker keeps a bounded read-ahead filled, the audio thread
// takes from it without ever waiting, and memory stays the same however long the file is.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Mp3Reader.h"
#include "Sound.h"

namespace korvanta {

class Stream : public Sound {
 public:
  // Read-ahead kept filled, in output frames: two seconds at the mixer's rate.
  static constexpr int64_t kReadAhead = 2 * 48000;

  // Takes over an opened reader (resampling to the output rate) and reads its first frames at
  // once, so that a sound starts without a gap. `damaged` runs once, on the worker, if the file
  // turns out to be cut short or unreadable. `moved` runs when a reader jumps, to wake the worker.
  Stream(std::unique_ptr<Mp3Reader> reader, std::function<void(const std::string&)> damaged,
         std::function<void()> moved);
  ~Stream() override;

  // The announced length: exact from the file's tag, whatever the reading later finds.
  int64_t frames() const override { return frames_; }
  double seconds() const override { return seconds_; }
  bool complete() const override { return true; }
  int read(int64_t at, int count, float* out) const override;
  bool decoded(int64_t at, int count) const override;
  void prepare(int64_t at) const override;
  bool oneReader() const override { return true; }

  // Whether the first reading found any audio at all.
  bool foundAudio() const { return foundAudio_; }

  // The worker's side: decodes one slice into the read-ahead if it has room. False when there
  // was nothing to do.
  bool fill();

 private:
  const int64_t frames_;
  const double seconds_;
  const int channels_;
  // The worker's alone once the stream is built.
  std::unique_ptr<Mp3Reader> reader_;
  std::function<void(const std::string&)> damaged_;
  const std::function<void()> moved_;
  // Decoded frames from `decodedTo_` on, waiting for room in the read-ahead.
  std::vector<int16_t> slice_;
  // Output frame at which `slice_` starts, and where the file's audio stopped (silence after it).
  int64_t decodedTo_ = 0;
  int64_t audioEnd_;
  bool foundAudio_ = false;
  bool reported_ = false;

  // The read-ahead: a ring of frames that continue the file from `start_`, wrapping from its end
  // to its start so a looping sound never runs dry at the seam. The audio thread only try-locks.
  mutable std::mutex mutex_;
  // Left unset when made: only frames written by the worker are ever read, and a stream opens on
  // the game's thread, where zeroing two seconds of frames would be paid at every file write.
  const std::unique_ptr<int16_t[]> ring_;
  mutable int64_t start_ = 0;
  mutable int64_t ringHead_ = 0;
  mutable int64_t buffered_ = 0;
};

}  // namespace korvanta
