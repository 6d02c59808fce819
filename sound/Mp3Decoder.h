// Decodes a whole MP3 into memory, a slice at a time, so that a file can start playing while the
// rest of it is decoded away from the UI thread.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <variant>

#include "Mp3Reader.h"
#include "Pcm.h"

namespace korvanta {

// An opened file on its way into memory: its audio grows in `pcm()` as it is decoded.
class Mp3Decoder {
 public:
  using Opened = std::variant<std::unique_ptr<Mp3Decoder>, std::string>;

  explicit Mp3Decoder(std::unique_ptr<Mp3Reader> reader);
  // Opens a file for decoding whole; a one-line reason if it is not an MP3.
  static Opened open(const std::filesystem::path& path, int outputRate = 0);
  // Abandoned halfway (the program is ending): the audio ends where decoding stopped.
  ~Mp3Decoder();
  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  // The audio being filled in, readable by players while it grows (made on first use).
  const std::shared_ptr<Pcm>& pcm();
  // Decodes about `frames` more of the file's frames; false once the file has ended, the audio
  // being finished then (one second of silence if there was no audio at all, see `foundAudio`).
  bool decodeSome(int64_t frames);
  // Decodes what is left.
  void decodeAll();
  // Whether any audio came out, and why the file is unfit; meaningful once decoding has ended.
  bool foundAudio() const { return reader_->foundAudio(); }
  std::string damage() const { return reader_->damage(); }

 private:
  void end();

  std::unique_ptr<Mp3Reader> reader_;
  std::shared_ptr<Pcm> pcm_;
  // Samples decoded but not yet appended to the audio: the end trims the resampler's tail.
  std::vector<int16_t> pending_;
  bool ended_ = false;
};

// Decoded audio, or a one-line reason why the file could not be decoded.
using DecodeResult = std::variant<std::shared_ptr<const Pcm>, std::string>;

// Decodes `path` completely; never throws for bad input.
DecodeResult decodeMp3(const std::filesystem::path& path);

// Decodes MP3 bytes held in memory completely; the fuzzer and the file path share the decoder.
DecodeResult decodeMp3Bytes(const unsigned char* data, size_t size);

}  // namespace korvanta
