#include "Mp3Reader.h"

#include <mpg123.h>
#include <soxr.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <numeric>
#include <system_error>

#include "Text.h"

namespace korvanta {

namespace {

// Source frames the resampler's filter needs before a seek's target to have settled.
constexpr int64_t kResamplerPreroll = 8192;

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
  // Every rate the file may have, as 16-bit samples: libsoxr takes them to the mixer's rate.
  mpg123_format_none(handle);
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  return handle;
}

// Source frames decoded before a seek's target and dropped. A Layer III frame may take its data
// from bytes carried by the frames before it (the bit reservoir: up to 511 bytes in MPEG-1, 255
// in MPEG-2 and 2.5), which at the thinnest bit rate of a low sample rate reaches back some 25
// frames; then one frame more, whose overlap the target's first samples need.
int64_t seekPreroll(mpg123_handle* handle, int rate, int channels) {
  mpg123_frameinfo info{};
  const int samplesPerFrame = mpg123_spf(handle);
  if (mpg123_info(handle, &info) != MPG123_OK || samplesPerFrame <= 0) return kResamplerPreroll;
  int64_t frames = 2;
  if (info.layer == 3) {
    const bool mpeg1 = info.version == MPG123_1_0;
    const int lowestBitrate = mpeg1 ? 32000 : 8000;
    const int frameBytes = samplesPerFrame / 8 * lowestBitrate / rate;
    // Less the header, a checksum and the side information.
    const int sideInfo = mpeg1 ? (channels == 1 ? 17 : 32) : (channels == 1 ? 9 : 17);
    const int payload = std::max(frameBytes - 4 - 2 - sideInfo, 1);
    const int reservoir = mpeg1 ? 511 : 255;
    frames = (reservoir + payload - 1) / payload + 2;
  }
  return std::max(frames * samplesPerFrame, kResamplerPreroll);
}

}  // namespace

struct Mp3Reader::Source {
  ~Source() {
    if (file) std::fclose(file);
  }
  // Read through a generous buffer: the decoder asks for a few bytes at a time.
  std::FILE* file = nullptr;
  std::vector<unsigned char> bytes;
  size_t at = 0;
};

ssize_t Mp3Reader::readSource(void* from, void* buffer, size_t count) {
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

off_t Mp3Reader::seekSource(void* from, off_t offset, int whence) {
  Source& source = *static_cast<Source*>(from);
  if (source.file) return fseeko(source.file, offset, whence) == 0 ? ftello(source.file) : -1;
  off_t base = 0;
  if (whence == SEEK_CUR) base = off_t(source.at);
  if (whence == SEEK_END) base = off_t(source.bytes.size());
  if (offset < -base || offset > off_t(source.bytes.size()) - base) return -1;
  source.at = size_t(base + offset);
  return off_t(source.at);
}

Mp3Reader::~Mp3Reader() {
  if (handle_) {
    mpg123_close(handle_);
    mpg123_delete(handle_);
  }
  if (resampler_) soxr_delete(resampler_);
}

Mp3Reader::Opened Mp3Reader::open(const std::filesystem::path& path, int outputRate) {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(path, error);
  if (error) return std::string("cannot open it");
  if (bytes == 0) return std::string("the file is empty");
  std::unique_ptr<Mp3Reader> reader(new Mp3Reader);
  reader->source_ = std::make_unique<Source>();
  reader->source_->file = openFile(path, "rb");
  if (!reader->source_->file) return std::string("cannot open it");
  std::setvbuf(reader->source_->file, nullptr, _IOFBF, 64 * 1024);
  return start(std::move(reader), size_t(bytes), outputRate);
}

Mp3Reader::Opened Mp3Reader::openBytes(const unsigned char* data, size_t size, int outputRate) {
  if (size == 0) return std::string("the file is empty");
  std::unique_ptr<Mp3Reader> reader(new Mp3Reader);
  reader->source_ = std::make_unique<Source>();
  reader->source_->bytes.assign(data, data + size);
  return start(std::move(reader), size, outputRate);
}

// Reads the first frames for the format and the announced length. mpg123's length is exact
// when the file carries an Info tag (ours all do), and an estimate from the file size otherwise.
Mp3Reader::Opened Mp3Reader::start(std::unique_ptr<Mp3Reader> reader, size_t bytes,
                                   int outputRate) {
  reader->handle_ = newHandle();
  mpg123_handle* handle = reader->handle_;
  if (!handle) return std::string("the MP3 decoder could not start");
  // The bytes are read as if from disk, so that the decoder can seek to find its tags.
  mpg123_replace_reader_handle(handle, readSource, seekSource, nullptr);
  if (mpg123_open_handle(handle, reader->source_.get()) != MPG123_OK)
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
  reader->lengthExact_ =
      mpg123_getstate(handle, MPG123_ENC_DELAY, &encoderDelay, &unused) == MPG123_OK &&
      encoderDelay >= 0;
  reader->announcedFrames_ = std::max<int64_t>(int64_t(length), 1);
  reader->rate_ = int(rate);
  reader->channels_ = channels;
  reader->seekPreroll_ = seekPreroll(handle, int(rate), channels);
  reader->bytes_ = bytes;
  reader->outputRate_ = int(rate);
  if (outputRate > 0 && outputRate != rate) {
    // High quality, without dither, so the same file always resamples to the same samples.
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    soxr_io_spec_t undithered = io;
    undithered.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    reader->resampler_ = soxr_create(double(rate), double(outputRate), unsigned(channels), &error,
                                     &undithered, &quality, nullptr);
    if (!reader->resampler_ || error) return std::string("the resampler could not start");
    reader->outputRate_ = outputRate;
  }
  return reader;
}

int64_t Mp3Reader::outputFramesOf(int64_t sourceFrames) const {
  if (!resampler_) return sourceFrames;
  return (sourceFrames * outputRate_ + rate_ / 2) / rate_;
}

bool Mp3Reader::decodeInto(int64_t frames, std::vector<int16_t>& out) {
  if (drained_) return false;
  const size_t frameBytes = size_t(channels_) * sizeof(int16_t);
  buffer_.resize(
      std::clamp<size_t>(size_t(std::max<int64_t>(frames, 1)) * frameBytes, 4096, 64 * 1024));
  int64_t decoded = 0;
  bool atEnd = false;
  // A bounded number of reads per slice, so a caller that slices stays responsive even where
  // stretches of the file yield nothing.
  for (int reads = 0; decoded < frames && reads < 256 && !atEnd; ++reads) {
    size_t done = 0;
    const int status = mpg123_read(handle_, buffer_.data(), buffer_.size(), &done);
    const size_t count = done / frameBytes;
    const auto* in = reinterpret_cast<const int16_t*>(buffer_.data());
    if (!resampler_) out.insert(out.end(), in, in + count * size_t(channels_));
    for (size_t used = 0; resampler_ && used < count;) {
      size_t taken = 0, given = 0;
      samples_.resize(((count - used) * size_t(outputRate_) / size_t(rate_) + 64) *
                      size_t(channels_));
      soxr_process(resampler_, in + used * size_t(channels_), count - used, &taken, samples_.data(),
                   samples_.size() / size_t(channels_), &given);
      out.insert(out.end(), samples_.begin(), samples_.begin() + ptrdiff_t(given * channels_));
      used += taken;
      if (taken == 0 && given == 0) break;
    }
    sourceRead_ += int64_t(count);
    decoded += int64_t(count);
    // The end, or a truncated or damaged tail: the file ends where the damage starts.
    if (status != MPG123_OK && status != MPG123_NEW_FORMAT) atEnd = true;
  }
  if (!atEnd) return true;
  // What the resampler still holds is the end of the file.
  samples_.resize(4096 * size_t(channels_));
  for (size_t given = 1; resampler_ && given > 0;) {
    soxr_process(resampler_, nullptr, 0, nullptr, samples_.data(), 4096, &given);
    out.insert(out.end(), samples_.begin(), samples_.begin() + ptrdiff_t(given * channels_));
  }
  drained_ = true;
  return false;
}

bool Mp3Reader::read(int64_t frames, std::vector<int16_t>& out) {
  const size_t from = out.size();
  const bool more = decodeInto(frames, out);
  // After a seek, the resampler's lead-in is dropped up to the frame asked for.
  const int64_t skip = std::min<int64_t>(skipOutput_, int64_t(out.size() - from) / channels_);
  out.erase(out.begin() + ptrdiff_t(from), out.begin() + ptrdiff_t(from + skip * channels_));
  skipOutput_ -= skip;
  return more;
}

bool Mp3Reader::seek(int64_t outputFrame) {
  // Whole blocks of source frames map to whole output frames; the seek starts on one of them,
  // early enough for the resampler to have settled by the target.
  const int64_t g = std::gcd(int64_t(rate_), int64_t(outputRate_));
  const int64_t sourceBlock = rate_ / g;
  const int64_t outputBlock = outputRate_ / g;
  const int64_t preroll = (seekPreroll_ + sourceBlock - 1) / sourceBlock;
  const int64_t block = std::max<int64_t>(outputFrame / outputBlock - preroll, 0);
  const off_t at = mpg123_seek(handle_, off_t(block * sourceBlock), SEEK_SET);
  if (at < 0) return false;
  if (resampler_) soxr_clear(resampler_);
  sourceRead_ = int64_t(at);
  skipOutput_ = std::max<int64_t>(outputFrame - outputFramesOf(int64_t(at)), 0);
  drained_ = false;
  return true;
}

std::string Mp3Reader::damage() const {
  if (!foundAudio()) return "no audio in the file";
  // A half-downloaded file still plays its first part; one MPEG frame of slack for other encoders.
  constexpr int64_t kFrameSlack = 1152;
  if (lengthExact_ && sourceRead_ < announcedFrames_ - kFrameSlack) {
    char reason[96];
    std::snprintf(reason, sizeof reason, "the file is cut short (%.1f of %.1f seconds)",
                  double(sourceRead_) / rate_, double(announcedFrames_) / rate_);
    return reason;
  }
  return {};
}

void Mp3Reader::close() {
  mpg123_close(handle_);
  std::vector<unsigned char>().swap(buffer_);
  std::vector<int16_t>().swap(samples_);
  source_.reset();
}

Mp3Reader::Opened openSoundFile(const std::filesystem::path& file, int outputRate) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::string("the file is missing");
  return Mp3Reader::open(file, outputRate);
}

}  // namespace korvanta
