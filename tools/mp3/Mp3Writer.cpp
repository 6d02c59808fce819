#include "Mp3Writer.h"

#include <lame/lame.h>

#include <algorithm>
#include <fstream>
#include <memory>

namespace korvanta {

std::vector<unsigned char> encodeMp3(const std::vector<float>& samples,
                                     const Mp3Settings& settings) {
  std::unique_ptr<lame_global_flags, decltype(&lame_close)> lame(lame_init(), lame_close);
  lame_set_num_channels(lame.get(), 1);
  lame_set_mode(lame.get(), MONO);
  lame_set_in_samplerate(lame.get(), settings.rate);
  lame_set_out_samplerate(lame.get(), settings.rate);
  lame_set_VBR(lame.get(), vbr_default);
  lame_set_VBR_q(lame.get(), settings.vbrQuality);
  // The Info tag carries encoder delay and padding: without it the decoder cannot trim the file
  // to the length we meant, and the game's end-of-sound tests would drift.
  lame_set_bWriteVbrTag(lame.get(), 1);
  if (lame_init_params(lame.get()) < 0) return {};

  std::vector<unsigned char> out;
  const size_t chunk = 8192;
  std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
  for (size_t at = 0; at < samples.size(); at += chunk) {
    const int n = int(std::min(chunk, samples.size() - at));
    const int written = lame_encode_buffer_ieee_float(lame.get(), samples.data() + at, nullptr, n,
                                                      buffer.data(), int(buffer.size()));
    if (written < 0) return {};
    out.insert(out.end(), buffer.begin(), buffer.begin() + written);
  }
  const int flushed = lame_encode_flush(lame.get(), buffer.data(), int(buffer.size()));
  if (flushed < 0) return {};
  out.insert(out.end(), buffer.begin(), buffer.begin() + flushed);

  // The tag frame is reserved at the start of the stream and filled in once the length is known.
  std::vector<unsigned char> tag(4096);
  const size_t tagSize = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
  if (tagSize > 0 && tagSize <= out.size()) std::copy_n(tag.begin(), tagSize, out.begin());
  return out;
}

std::string writeMp3(const std::filesystem::path& path, const std::vector<float>& samples,
                     const Mp3Settings& settings) {
  const std::vector<unsigned char> bytes = encodeMp3(samples, settings);
  if (bytes.empty()) return "the encoder refused the settings";
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return "cannot create " + path.string();
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!file) return "cannot write " + path.string();
  return {};
}

}  // namespace korvanta
