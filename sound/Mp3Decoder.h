// Decodes MP3 files with libmpg123, exactly as long as their encoder meant, whole or a slice at
// a time.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Pcm.h"

typedef struct mpg123_handle_struct mpg123_handle;

namespace korvanta {

// An MP3 opened for decoding: its format and announced length are known at once, its audio is
// decoded into `pcm()` on demand, so a long file can be decoded away from the UI thread.
class Mp3Decoder {
 public:
  using Opened = std::variant<std::unique_ptr<Mp3Decoder>, std::string>;

  // Opens a file and reads only its first frames; a one-line reason if it is not an MP3.
  static Opened open(const std::filesystem::path& path);
  // The same for bytes held in memory (the fuzzer's way in); the bytes are copied.
  static Opened openBytes(const unsigned char* data, size_t size);

  ~Mp3Decoder();
  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  // The audio being filled in, readable by players while it grows.
  const std::shared_ptr<Pcm>& pcm() const { return pcm_; }
  // Samples (frames times channels) the file announces: how much work decoding it will be.
  int64_t announcedSamples() const;

  // Decodes about `frames` more frames; false once the file has ended, the audio being finished
  // then (one second of silence if there was no audio at all, see `foundAudio`).
  bool decodeSome(int64_t frames);
  // Decodes what is left.
  void decodeAll();
  // Whether any audio came out of the file; meaningful once decoding has ended.
  bool foundAudio() const { return pcm_->ready() > 0; }
  // Why the file is unfit (no audio, or cut short of the length its tag gives), or empty when it
  // is whole; meaningful once decoding has ended.
  std::string damage() const;

 private:
  // Where the bytes come from: a file, or bytes held in memory.
  struct Source;
  Mp3Decoder() = default;
  static Opened start(std::unique_ptr<Mp3Decoder> decoder, size_t bytes);
  static ssize_t read(void* source, void* buffer, size_t count);
  static off_t seek(void* source, off_t offset, int whence);
  void end();

  mpg123_handle* handle_ = nullptr;
  // Must outlive the handle's reads.
  std::unique_ptr<Source> source_;
  std::shared_ptr<Pcm> pcm_;
  std::vector<unsigned char> buffer_;
  bool ended_ = false;
  // The length the file announced, and whether an encoder's tag gave it (else it is a guess).
  int64_t announcedFrames_ = 0;
  bool lengthExact_ = false;
};

// Decoded audio, or a one-line reason why the file could not be decoded.
using DecodeResult = std::variant<std::shared_ptr<const Pcm>, std::string>;

// Decodes `path` completely; never throws for bad input.
DecodeResult decodeMp3(const std::filesystem::path& path);

// Decodes MP3 bytes held in memory completely; the fuzzer and the file path share the decoder.
DecodeResult decodeMp3Bytes(const unsigned char* data, size_t size);

}  // namespace korvanta
