// Reads MP3 files with libmpg123 a slice at a time, from any point, exactly as long as their
// encoder meant, at their own rate or resampled by libsoxr to the mixer's.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

typedef struct mpg123_handle_struct mpg123_handle;
typedef struct soxr* soxr_t;

namespace korvanta {

// An MP3 opened for reading: its format and announced length are known at once; its audio comes
// out in order from wherever it was last sought. A stream reads it so; a whole-file decoder too.
class Mp3Reader {
 public:
  using Opened = std::variant<std::unique_ptr<Mp3Reader>, std::string>;

  // Opens a file and reads only its first frames; a one-line reason if it is not an MP3. With an
  // `outputRate`, the audio comes out resampled to it; its length in seconds stays the file's.
  static Opened open(const std::filesystem::path& path, int outputRate = 0);
  // The same for bytes held in memory (the fuzzer's way in); the bytes are copied.
  static Opened openBytes(const unsigned char* data, size_t size, int outputRate = 0);

  ~Mp3Reader();
  Mp3Reader(const Mp3Reader&) = delete;
  Mp3Reader& operator=(const Mp3Reader&) = delete;

  // The file's own rate, the rate its audio comes out at, and its channels.
  int sourceRate() const { return rate_; }
  int outputRate() const { return outputRate_; }
  int channels() const { return channels_; }
  bool resampled() const { return resampler_ != nullptr; }
  // The file's size: what bounds the audio it can honestly hold.
  size_t bytes() const { return bytes_; }
  // The length the file announces, in its own frames, in seconds and in output frames.
  int64_t announcedFrames() const { return announcedFrames_; }
  double announcedSeconds() const { return double(announcedFrames_) / rate_; }
  int64_t announcedOutputFrames() const { return outputFramesOf(announcedFrames_); }
  // Output frames that `sourceFrames` of the file become.
  int64_t outputFramesOf(int64_t sourceFrames) const;

  // Appends about `frames` more source frames' worth of output samples to `out`; false once the
  // file has ended (everything left has then been appended).
  bool read(int64_t frames, std::vector<int16_t>& out);
  // The next output frame `read` gives is `outputFrame`. False if the file cannot be read there
  // any more.
  bool seek(int64_t outputFrame);
  // Source frames read so far: where the file ended, once it has.
  int64_t framesRead() const { return sourceRead_; }

  // Whether any audio came out of the file; meaningful once reading has ended.
  bool foundAudio() const { return sourceRead_ > 0; }
  // Why the file is unfit (no audio, or cut short of the length its tag gives), or empty when it
  // is whole; meaningful once reading has ended.
  std::string damage() const;
  // Lets go of the file and the buffers; nothing more can be read.
  void close();

 private:
  // Where the bytes come from: a file, or bytes held in memory.
  struct Source;
  Mp3Reader() = default;
  static Opened start(std::unique_ptr<Mp3Reader> reader, size_t bytes, int outputRate);
  static ssize_t readSource(void* source, void* buffer, size_t count);
  static off_t seekSource(void* source, off_t offset, int whence);
  // Reads and resamples the next slice into `out`; false at the end of the file.
  bool decodeInto(int64_t frames, std::vector<int16_t>& out);

  mpg123_handle* handle_ = nullptr;
  // Null when the audio keeps its own rate.
  soxr_t resampler_ = nullptr;
  int rate_ = 0;
  int channels_ = 1;
  int outputRate_ = 0;
  size_t bytes_ = 0;
  // Source frames read so far, and output frames still to drop after a seek.
  int64_t sourceRead_ = 0;
  int64_t skipOutput_ = 0;
  // Source frames a seek decodes before its target, for the target to come out exact.
  int64_t seekPreroll_ = 0;
  // The file has given all it has and the resampler has been drained.
  bool drained_ = false;
  std::vector<int16_t> samples_;
  // Must outlive the handle's reads.
  std::unique_ptr<Source> source_;
  std::vector<unsigned char> buffer_;
  // The length the file announced, and whether an encoder's tag gave it (else it is a guess).
  int64_t announcedFrames_ = 0;
  bool lengthExact_ = false;
};

// Opens a sound file as the game does: the reader, or why the file is missing or unplayable.
Mp3Reader::Opened openSoundFile(const std::filesystem::path& file, int outputRate = 0);

}  // namespace korvanta
