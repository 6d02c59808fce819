// Writes the fuzzer's seed corpus: a few tiny MP3s of our own in the shapes a sound pack may
// hold (rates, mono and stereo, with and without the Info tag, cut short, with a tag in front).
#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "tools/mp3/Mp3Writer.h"

namespace {

using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

std::vector<float> tone(int rate, double seconds) {
  std::vector<float> samples(size_t(seconds * rate));
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = 0.4f * float(std::sin(2.0 * std::numbers::pi * 440.0 * double(i) / rate));
  return samples;
}

// Constant bit rate stereo without the Info tag: the length can only be estimated up front.
Bytes plainStereo(int rate, double seconds) {
  lame_global_flags* lame = lame_init();
  lame_set_num_channels(lame, 2);
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_brate(lame, 32);
  lame_set_bWriteVbrTag(lame, 0);
  Bytes out;
  if (lame_init_params(lame) >= 0) {
    const std::vector<float> left = tone(rate, seconds);
    std::vector<float> right(left.rbegin(), left.rend());
    std::vector<unsigned char> buffer(left.size() * 5 / 4 + 7200);
    int n = lame_encode_buffer_ieee_float(lame, left.data(), right.data(), int(left.size()),
                                          buffer.data(), int(buffer.size()));
    if (n > 0) out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    n = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
    if (n > 0) out.insert(out.end(), buffer.begin(), buffer.begin() + n);
  }
  lame_close(lame);
  return out;
}

void write(const fs::path& file, const Bytes& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  using korvanta::encodeMp3;
  for (int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000})
    write(folder / ("tone-" + std::to_string(rate) + ".mp3"),
          encodeMp3(tone(rate, 0.05), {.rate = rate, .vbrQuality = 9}));
  write(folder / "stereo-untagged.mp3", plainStereo(22050, 0.1));

  // The head of a long file: its Info tag announces minutes that never come.
  Bytes head = encodeMp3(tone(8000, 90.0), {.rate = 8000, .vbrQuality = 9});
  head.resize(std::min<size_t>(head.size(), 1500));
  write(folder / "long-head.mp3", head);

  // An ID3v2 tag in front of a short tone.
  Bytes tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
  tagged.resize(30, 0);
  const Bytes body = encodeMp3(tone(16000, 0.05), {.rate = 16000, .vbrQuality = 9});
  tagged.insert(tagged.end(), body.begin(), body.end());
  write(folder / "id3-tagged.mp3", tagged);

  // Text where a sound should be.
  const std::string text = "not a sound\n";
  write(folder / "text.mp3", Bytes(text.begin(), text.end()));
  return 0;
}
