// Decodes MP3 files with libmpg123, exactly as long as their encoder meant, whole or a slice at
// a time, at their own rate or resampled by libsoxr to the mixer's.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Pcm.h"

typedef struct mpg123_handle_struct mpg123_handle;
typedef struct soxr* soxr_t;

namespace korvanta {

// An MP3 opened for decoding: its format and announced length are known at once, its audio is
// decoded into `pcm()` on demand, so a long file can be decoded away from the UI thread.
class Mp3Decoder {
 public:
  using Opened = std::variant<std::unique_ptr<Mp3Decoder>, std::string>;

  // Opens a file and reads only its first frames; a one-line reason if it is not an MP3. With an
  // `outputRate`, the audio comes out resampled to it; its length in seconds stays the file's.
  static Opened open(const std::filesystem::path& path, int outputRate = 0);
  // The same for bytes held in memory (the fuzzer's way in); the bytes are copied.
  static Opened openBytes(const unsigned char* data, size_t size, int outputRate = 0);

  ~Mp3Decoder();
  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  // The audio being filled in, readable by players while it grows (made on first use).
  const std::shared_ptr<Pcm>& pcm();
  // Samples (frames times channels) the file announces: how much work decoding it will be.
  int64_t announcedSamples() const { return announcedFrames_ * channels_; }
  // The file's own rate and channels, and its length in seconds as announced.
  int sourceRate() const { return rate_; }
  int channels() const { return channels_; }
  double announcedSeconds() const { return double(announcedFrames_) / rate_; }
  // The announced length in output frames (the file's own when not resampled).
  int64_t announcedOutputFrames() const { return outputFramesOf(announcedFrames_); }
  // Output frames that `sourceFrames` of the file become.
  int64_t outputFramesOf(int64_t sourceFrames) const;

  // Without a `pcm()`: appends about `frames` more source frames' worth of output samples to
  // `out`; false once the file has ended (everything left has then been appended).
  bool produce(int64_t frames, std::vector<int16_t>& out);
  // Without a `pcm()`: the next output frame `produce` gives is `outputFrame`. False if the file
  // cannot be read there any more.
  bool seekOutput(int64_t outputFrame);

  // Decodes about `frames` more frames; false once the file has ended, the audio being finished
  // then (one second of silence if there was no audio at all, see `foundAudio`).
  bool decodeSome(int64_t frames);
  // Decodes what is left.
  void decodeAll();
  // Whether any audio came out of the file; meaningful once decoding has ended.
  bool foundAudio() const { return sourceRead_ > 0; }
  // Why the file is unfit (no audio, or cut short of the length its tag gives), or empty when it
  // is whole; meaningful once decoding has ended.
  std::string damage() const;

 private:
  // Where the bytes come from: a file, or bytes held in memory.
  struct Source;
  Mp3Decoder() = default;
  static Opened start(std::unique_ptr<Mp3Decoder> decoder, size_t bytes, int outputRate);
  static ssize_t read(void* source, void* buffer, size_t count);
  static off_t seek(void* source, off_t offset, int whence);
  void end();

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
  std::shared_ptr<Pcm> pcm_;
  std::vector<unsigned char> buffer_;
  bool ended_ = false;
  // Samples decoded but not yet appended to the audio: the end trims the resampler's tail.
  std::vector<int16_t> pending_;
  // The length the file announced, and whether an encoder's tag gave it (else it is a guess).
  int64_t announcedFrames_ = 0;
  bool lengthExact_ = false;
};

// Opens a sound file as the game does: the decoder, or why the file is missing or unplayable.
Mp3Decoder::Opened openSoundFile(const std::filesystem::path& file, int outputRate = 0);

// What the game reports on playing `file` through: why it is missing or unplayable, or that it
// holds no audio or is cut short; empty when it plays whole. The pack check asks exactly this.
std::string inspectSoundFile(const std::filesystem::path& file);

// Decoded audio, or a one-line reason why the file could not be decoded.
using DecodeResult = std::variant<std::shared_ptr<const Pcm>, std::string>;

// Decodes `path` completely; never throws for bad input.
DecodeResult decodeMp3(const std::filesystem::path& path);

// Decodes MP3 bytes held in memory completely; the fuzzer and the file path share the decoder.
DecodeResult decodeMp3Bytes(const unsigned char* data, size_t size);

}  // namespace korvanta
