#include "Mp3Decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>

#include "platform/Text.h"

namespace korvanta {

namespace {

// No real MP3 yields more frames per byte of file than this (the thinnest MPEG frames carry
// about 24); the bound keeps a forged file from claiming all memory.
constexpr int64_t kMaxFramesPerByte = 64;

mpg123_handle* newHandle() {
  static std::once_flag once;
  // mpg123_init is required once per process on older library versions and harmless on newer.
  std::call_once(once, [] { mpg123_init(); });
  int error = MPG123_OK;
  mpg123_handle* handle = mpg123_new(nullptr, &error);
  if (!handle) return nullptr;
  // No Frankenstein streams: the format cannot change halfway and decoding stops at the length
  // the Info tag announces, so the length known at once is never exceeded. ID3v2 tags (cover
  // art can be megabytes) are skipped unread.
  mpg123_param(handle, MPG123_FLAGS,
               MPG123_GAPLESS | MPG123_QUIET | MPG123_NO_FRANKENSTEIN | MPG123_SKIP_ID3V2, 0.0);
  // Every rate the file may have, as 16-bit samples: the mixer resamples, the decoder must not.
  mpg123_format_none(handle);
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  return handle;
}

}  // namespace

struct Mp3Decoder::Source {
  ~Source() {
    if (file) std::fclose(file);
  }
  // Read through a generous buffer: the decoder asks for a few bytes at a time.
  std::FILE* file = nullptr;
  std::vector<unsigned char> bytes;
  size_t at = 0;
};

ssize_t Mp3Decoder::read(void* from, void* buffer, size_t count) {
  Source& source = *static_cast<Source*>(from);
  if (source.file) {
    const size_t n = std::fread(buffer, 1, count, source.file);
    return n == 0 && std::ferror(source.file) ? -1 : ssize_t(n);
  }
  const size_t n = std::min(count, source.bytes.size() - source.at);
  std::memcpy(buffer, source.bytes.data() + source.at, n);
  source.at += n;
  return ssize_t(n);
}

off_t Mp3Decoder::seek(void* from, off_t offset, int whence) {
  Source& source = *static_cast<Source*>(from);
  if (source.file) return fseeko(source.file, offset, whence) == 0 ? ftello(source.file) : -1;
  off_t base = 0;
  if (whence == SEEK_CUR) base = off_t(source.at);
  if (whence == SEEK_END) base = off_t(source.bytes.size());
  if (offset < -base || offset > off_t(source.bytes.size()) - base) return -1;
  source.at = size_t(base + offset);
  return off_t(source.at);
}

Mp3Decoder::~Mp3Decoder() {
  // Abandoned halfway (the program is ending): the audio ends where decoding stopped.
  if (pcm_ && !ended_) end();
  if (handle_) {
    mpg123_close(handle_);
    mpg123_delete(handle_);
  }
}

Mp3Decoder::Opened Mp3Decoder::open(const std::filesystem::path& path) {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(path, error);
  if (error) return std::string("cannot open it");
  if (bytes == 0) return std::string("the file is empty");
  std::unique_ptr<Mp3Decoder> decoder(new Mp3Decoder);
  decoder->source_ = std::make_unique<Source>();
  decoder->source_->file = openFile(path, "rb");
  if (!decoder->source_->file) return std::string("cannot open it");
  std::setvbuf(decoder->source_->file, nullptr, _IOFBF, 64 * 1024);
  return start(std::move(decoder), size_t(bytes));
}

Mp3Decoder::Opened Mp3Decoder::openBytes(const unsigned char* data, size_t size) {
  if (size == 0) return std::string("the file is empty");
  std::unique_ptr<Mp3Decoder> decoder(new Mp3Decoder);
  decoder->source_ = std::make_unique<Source>();
  decoder->source_->bytes.assign(data, data + size);
  return start(std::move(decoder), size);
}

// Reads the first frames for the format and the announced length. mpg123's length is exact
// when the file carries an Info tag (ours all do), and an estimate from the file size otherwise.
Mp3Decoder::Opened Mp3Decoder::start(std::unique_ptr<Mp3Decoder> decoder, size_t bytes) {
  decoder->handle_ = newHandle();
  mpg123_handle* handle = decoder->handle_;
  if (!handle) return std::string("the MP3 decoder could not start");
  // The bytes are read as if from disk, so that the decoder can seek to find its tags.
  mpg123_replace_reader_handle(handle, read, seek, nullptr);
  if (mpg123_open_handle(handle, decoder->source_.get()) != MPG123_OK)
    return std::string("cannot open it");
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
      (channels != 1 && channels != 2))
    return std::string("not an MP3 file");
  const off_t length = mpg123_length(handle);
  if (length < 0) return std::string("not an MP3 file");
  mpg123_format_none(handle);
  mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16);

  // Only an encoder's Info tag carries the encoder delay; its length is then exact, not guessed.
  long encoderDelay = -1;
  double unused = 0;
  decoder->lengthExact_ =
      mpg123_getstate(handle, MPG123_ENC_DELAY, &encoderDelay, &unused) == MPG123_OK &&
      encoderDelay >= 0;
  decoder->announcedFrames_ = int64_t(length);

  const int64_t maxFrames = int64_t(bytes) * kMaxFramesPerByte + Pcm::kBlockFrames;
  decoder->pcm_ = std::make_shared<Pcm>(int(rate), channels, int64_t(length), maxFrames);
  return decoder;
}

int64_t Mp3Decoder::announcedSamples() const {
  return pcm_->frames() * pcm_->channels();
}

bool Mp3Decoder::decodeSome(int64_t frames) {
  if (ended_) return false;
  const size_t frameBytes = size_t(pcm_->channels()) * sizeof(int16_t);
  buffer_.resize(
      std::clamp<size_t>(size_t(std::max<int64_t>(frames, 1)) * frameBytes, 4096, 64 * 1024));
  int64_t decoded = 0;
  // A bounded number of reads per slice, so a caller that slices stays responsive even where
  // stretches of the file yield nothing.
  for (int reads = 0; decoded < frames && reads < 256; ++reads) {
    size_t done = 0;
    const int status = mpg123_read(handle_, buffer_.data(), buffer_.size(), &done);
    const size_t count = done / sizeof(int16_t);
    if (count > 0 && !pcm_->append(reinterpret_cast<const int16_t*>(buffer_.data()), count)) {
      end();
      return false;
    }
    decoded += int64_t(done / frameBytes);
    if (status == MPG123_OK || status == MPG123_NEW_FORMAT) continue;
    // The end, or a truncated or damaged tail: the file ends where the damage starts.
    end();
    return false;
  }
  return true;
}

void Mp3Decoder::decodeAll() {
  while (decodeSome(int64_t(1) << 20)) {
  }
}

std::string Mp3Decoder::damage() const {
  if (!foundAudio()) return "no audio in the file";
  // A half-downloaded file still plays its first part; one MPEG frame of slack for other encoders.
  constexpr int64_t kFrameSlack = 1152;
  if (lengthExact_ && pcm_->frames() < announcedFrames_ - kFrameSlack) {
    char reason[96];
    std::snprintf(reason, sizeof reason, "the file is cut short (%.1f of %.1f seconds)",
                  double(pcm_->frames()) / pcm_->rate(), double(announcedFrames_) / pcm_->rate());
    return reason;
  }
  return {};
}

void Mp3Decoder::end() {
  ended_ = true;
  // A file that yields no audio stands in as one second of silence at its own rate.
  pcm_->finish(pcm_->rate());
  mpg123_close(handle_);
  std::vector<unsigned char>().swap(buffer_);
  source_.reset();
}

namespace {

DecodeResult decodeWhole(Mp3Decoder::Opened opened) {
  if (auto* reason = std::get_if<std::string>(&opened)) return *reason;
  Mp3Decoder& decoder = *std::get<std::unique_ptr<Mp3Decoder>>(opened);
  decoder.decodeAll();
  if (!decoder.foundAudio()) return std::string("no audio in the file");
  return std::shared_ptr<const Pcm>(decoder.pcm());
}

}  // namespace

DecodeResult decodeMp3(const std::filesystem::path& path) {
  return decodeWhole(Mp3Decoder::open(path));
}

DecodeResult decodeMp3Bytes(const unsigned char* data, size_t size) {
  return decodeWhole(Mp3Decoder::openBytes(data, size));
}

}  // namespace korvanta
