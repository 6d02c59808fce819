#include "Mp3Decoder.h"

namespace korvanta {

namespace {

// No real MP3 yields more frames per byte of file than this (the thinnest MPEG frames carry
// about 24); the bound keeps a forged file from claiming all memory.
constexpr int64_t kMaxFramesPerByte = 64;

DecodeResult decodeWhole(Mp3Reader::Opened opened) {
  if (auto* reason = std::get_if<std::string>(&opened)) return *reason;
  Mp3Decoder decoder(std::get<std::unique_ptr<Mp3Reader>>(std::move(opened)));
  decoder.decodeAll();
  if (!decoder.foundAudio()) return std::string("no audio in the file");
  return std::shared_ptr<const Pcm>(decoder.pcm());
}

}  // namespace

Mp3Decoder::Mp3Decoder(std::unique_ptr<Mp3Reader> reader) : reader_(std::move(reader)) {}

Mp3Decoder::Opened Mp3Decoder::open(const std::filesystem::path& path, int outputRate) {
  Mp3Reader::Opened opened = Mp3Reader::open(path, outputRate);
  if (auto* reason = std::get_if<std::string>(&opened)) return *reason;
  return std::make_unique<Mp3Decoder>(std::get<std::unique_ptr<Mp3Reader>>(std::move(opened)));
}

Mp3Decoder::~Mp3Decoder() {
  if (pcm_ && !ended_) end();
}

const std::shared_ptr<Pcm>& Mp3Decoder::pcm() {
  if (!pcm_) {
    const Mp3Reader& file = *reader_;
    const int64_t maxFrames =
        file.outputFramesOf(int64_t(file.bytes()) * kMaxFramesPerByte) + Pcm::kBlockFrames;
    pcm_ = std::make_shared<Pcm>(file.outputRate(), file.channels(), file.announcedOutputFrames(),
                                 maxFrames, file.resampled() ? file.sourceRate() : 0,
                                 file.announcedFrames());
  }
  return pcm_;
}

bool Mp3Decoder::decodeSome(int64_t frames) {
  if (ended_) return false;
  pcm();
  pending_.clear();
  const bool more = reader_->read(frames, pending_);
  if (reader_->resampled()) pcm_->sourceGrew(reader_->framesRead());
  if (!pending_.empty() && !pcm_->append(pending_.data(), pending_.size())) {
    end();
    return false;
  }
  if (!more) end();
  return more;
}

void Mp3Decoder::decodeAll() {
  while (decodeSome(int64_t(1) << 20)) {
  }
}

void Mp3Decoder::end() {
  ended_ = true;
  const Mp3Reader& file = *reader_;
  // A file that yields no audio stands in as one second of silence at its own rate.
  if (!file.resampled())
    pcm_->finish(file.sourceRate());
  else if (file.foundAudio())
    pcm_->finishAt(file.outputFramesOf(file.framesRead()), file.framesRead());
  else
    pcm_->finishAt(file.outputRate(), file.sourceRate());
  reader_->close();
  std::vector<int16_t>().swap(pending_);
}

DecodeResult decodeMp3(const std::filesystem::path& path) {
  return decodeWhole(Mp3Reader::open(path));
}

DecodeResult decodeMp3Bytes(const unsigned char* data, size_t size) {
  return decodeWhole(Mp3Reader::openBytes(data, size));
}

}  // namespace korvanta
