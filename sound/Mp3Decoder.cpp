#include "Mp3Decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>

namespace korvanta {

namespace {

using Handle = std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)>;

Handle newHandle() {
  static std::once_flag once;
  // mpg123_init is required once per process on older library versions and harmless on newer.
  std::call_once(once, [] { mpg123_init(); });
  int error = MPG123_OK;
  Handle handle(mpg123_new(nullptr, &error), mpg123_delete);
  if (!handle) return handle;
  mpg123_param(handle.get(), MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  // Every rate the file may have, as 16-bit samples: the mixer resamples, the decoder must not.
  mpg123_format_none(handle.get());
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  return handle;
}

// The file's bytes, read by the decoder as if from disk, so that it can seek to scan the length.
struct Memory {
  const unsigned char* data;
  size_t size;
  size_t at;
};

ssize_t readMemory(void* source, void* buffer, size_t count) {
  auto* memory = static_cast<Memory*>(source);
  const size_t n = std::min(count, memory->size - memory->at);
  std::memcpy(buffer, memory->data + memory->at, n);
  memory->at += n;
  return ssize_t(n);
}

off_t seekMemory(void* source, off_t offset, int whence) {
  auto* memory = static_cast<Memory*>(source);
  off_t base = 0;
  if (whence == SEEK_CUR) base = off_t(memory->at);
  if (whence == SEEK_END) base = off_t(memory->size);
  const off_t target = base + offset;
  if (target < 0 || target > off_t(memory->size)) return -1;
  memory->at = size_t(target);
  return target;
}

// Decodes from an opened handle. mpg123_scan's own return code is not trusted: a failed
// mpg123_getformat or a negative length is what really tells a file that is not MP3.
DecodeResult decodeOpened(mpg123_handle* handle) {
  mpg123_scan(handle);
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK)
    return std::string("not an MP3 file");
  const off_t length = mpg123_length(handle);
  if (length < 0) return std::string("not an MP3 file");
  mpg123_format_none(handle);
  mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16);

  Pcm pcm;
  pcm.rate = int(rate);
  pcm.channels = channels;
  pcm.samples.reserve(size_t(length) * size_t(channels));
  std::vector<unsigned char> buffer(64 * 1024);
  for (;;) {
    size_t done = 0;
    const int status = mpg123_read(handle, buffer.data(), buffer.size(), &done);
    const auto* samples = reinterpret_cast<const int16_t*>(buffer.data());
    pcm.samples.insert(pcm.samples.end(), samples, samples + done / sizeof(int16_t));
    if (status == MPG123_DONE) break;
    if (status == MPG123_NEW_FORMAT) continue;
    // A truncated or damaged tail ends the file where the damage starts.
    if (status != MPG123_OK) break;
  }
  // Whole frames only, so the length in frames is exact.
  pcm.samples.resize(pcm.samples.size() - pcm.samples.size() % size_t(channels));
  if (pcm.frames() == 0) return std::string("no audio in the file");
  return pcm;
}

}  // namespace

DecodeResult decodeMp3(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::string("cannot open it");
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
  if (file.bad()) return std::string("cannot read it");
  if (bytes.empty()) return std::string("the file is empty");
  return decodeMp3Bytes(bytes.data(), bytes.size());
}

DecodeResult decodeMp3Bytes(const unsigned char* data, size_t size) {
  Handle handle = newHandle();
  if (!handle) return std::string("the MP3 decoder could not start");
  Memory memory{data, size, 0};
  mpg123_replace_reader_handle(handle.get(), readMemory, seekMemory, nullptr);
  if (mpg123_open_handle(handle.get(), &memory) != MPG123_OK) return std::string("cannot open it");
  DecodeResult result = decodeOpened(handle.get());
  mpg123_close(handle.get());
  return result;
}

}  // namespace korvanta
