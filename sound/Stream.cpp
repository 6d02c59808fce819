#include "Stream.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace korvanta {

namespace {

// Source frames decoded per slice: a few milliseconds of the worker's time.
constexpr int64_t kSliceFrames = 4096;
// Read at once when the stream is made, so a sound never starts dry.
constexpr int64_t kPrefill = 12000;
// The worker waits until there is at least this much room before decoding more.
constexpr int64_t kMinRoom = 4800;

}  // namespace

Stream::Stream(std::unique_ptr<Mp3Reader> reader, std::function<void(const std::string&)> damaged,
               std::function<void()> moved)
    : frames_(std::max<int64_t>(reader->announcedOutputFrames(), 1)),
      seconds_(reader->announcedSeconds()),
      channels_(reader->channels()),
      reader_(std::move(reader)),
      damaged_(std::move(damaged)),
      moved_(std::move(moved)),
      audioEnd_(frames_),
      ring_(std::make_unique_for_overwrite<int16_t[]>(size_t(kReadAhead * channels_))) {
  while (buffered_ < kPrefill && decodedTo_ < audioEnd_ && fill()) {
  }
}

Stream::~Stream() = default;

int Stream::read(int64_t at, int count, float* out) const {
  // The worker holds the lock only to publish a few counts, so a second or third try finds it
  // free; giving up at once would make the voice wait a whole period.
  std::unique_lock<std::mutex> lock(mutex_, std::defer_lock);
  for (int tries = 0; tries < 3 && !lock.try_lock(); ++tries) std::this_thread::yield();
  if (!lock.owns_lock()) {
    std::fill(out, out + 2 * count, 0.0f);
    return count;
  }
  // A reader that jumped (a seek, a rewind) starts the read-ahead afresh unless it is already
  // buffered.
  const int64_t ahead = at - start_;
  if (ahead != 0) {
    const int64_t drop = ahead > 0 && ahead < buffered_ ? ahead : buffered_;
    ringHead_ = (ringHead_ + drop) % kReadAhead;
    buffered_ -= drop;
    start_ = at;
  }
  constexpr float kScale = 1.0f / 32768.0f;
  const int n = int(std::min<int64_t>(count, buffered_));
  for (int i = 0; i < n; ++i) {
    const int16_t* frame = ring_.get() + ((ringHead_ + i) % kReadAhead) * channels_;
    out[2 * i] = frame[0] * kScale;
    out[2 * i + 1] = frame[channels_ - 1] * kScale;
  }
  std::fill(out + 2 * n, out + 2 * count, 0.0f);
  ringHead_ = (ringHead_ + n) % kReadAhead;
  buffered_ -= n;
  start_ = (start_ + n) % frames_;
  return count - n;
}

bool Stream::decoded(int64_t at, int count) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const int64_t ahead = at - start_;
  return ahead >= 0 && ahead + count <= buffered_;
}

void Stream::prepare(int64_t at) const {
  bool starved = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t ahead = at - start_;
    if (ahead < 0 || ahead >= buffered_) {
      ringHead_ = (ringHead_ + buffered_) % kReadAhead;
      buffered_ = 0;
      start_ = at;
    }
    starved = buffered_ - (at - start_) < kPrefill;
  }
  // The worker looks at streams only every 10 ms; one that has little ahead of its reader is
  // looked at now.
  if (starved && moved_) moved_();
}

bool Stream::fill() {
  int64_t next = 0;
  int64_t room = 0;
  int64_t writeAt = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    next = (start_ + buffered_) % frames_;
    room = kReadAhead - buffered_;
    writeAt = (ringHead_ + buffered_) % kReadAhead;
  }
  if (room < std::min(kMinRoom, frames_)) return false;
  if (next != decodedTo_) {
    // The reader jumped, or the read-ahead wraps to the start of the file.
    if (next < audioEnd_ && !reader_->seek(next)) {
      audioEnd_ = next;
      if (!reported_) damaged_("the file cannot be read any more");
      reported_ = true;
    }
    decodedTo_ = next;
    slice_.clear();
  }
  // More is decoded only once what was decoded has found room. A seek's lead-in counts as work
  // even when it leaves nothing to keep yet.
  const bool decoding = slice_.empty() && decodedTo_ < audioEnd_;
  if (decoding) {
    const bool more = reader_->read(kSliceFrames, slice_);
    const int64_t got = std::min(int64_t(slice_.size()) / channels_, frames_ - decodedTo_);
    slice_.resize(size_t(got * channels_));
    if (got > 0) foundAudio_ = true;
    // Truncated, deleted or replaced while playing: what is left of the file is silence.
    if (!more) audioEnd_ = decodedTo_ + got;
    if (const std::string why = more ? "" : reader_->damage(); !why.empty() && !reported_) {
      damaged_(why);
      reported_ = true;
    }
  }
  // Past the end of the file's audio, silence is written straight into the read-ahead.
  const bool silence = slice_.empty() && decodedTo_ >= audioEnd_;
  int64_t n = silence ? std::min({room, frames_ - decodedTo_, kMinRoom})
                      : std::min<int64_t>(int64_t(slice_.size()) / channels_, room);
  // Written where the reader does not look, so the lock is held only to publish it: the audio
  // thread's try-lock then hardly ever finds it taken. No more than the ring holds is written,
  // so it wraps at most once: two plain copies.
  const int64_t beforeWrap = std::min(n, kReadAhead - writeAt);
  int16_t* const ring = ring_.get();
  if (silence) {
    std::memset(ring + writeAt * channels_, 0, size_t(beforeWrap * channels_) * sizeof(int16_t));
    std::memset(ring, 0, size_t((n - beforeWrap) * channels_) * sizeof(int16_t));
  } else {
    std::copy_n(slice_.data(), beforeWrap * channels_, ring + writeAt * channels_);
    std::copy_n(slice_.data() + beforeWrap * channels_, (n - beforeWrap) * channels_, ring);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Only if the reader has not jumped meanwhile; otherwise the next round starts afresh.
    const bool inStep =
        (start_ + buffered_) % frames_ == next && (ringHead_ + buffered_) % kReadAhead == writeAt;
    if (!inStep) n = 0;
    buffered_ += n;
  }
  if (!silence) slice_.erase(slice_.begin(), slice_.begin() + ptrdiff_t(n * channels_));
  decodedTo_ += n;
  return decoding || n > 0;
}

}  // namespace korvanta
