// Encodes mono sample buffers to MP3 files with libmp3lame, tagged so they decode to exact length.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvanta {

struct Mp3Settings {
  int rate = 22050;
  // VBR quality 0 (best) to 9; VBR always carries the Info tag that gives the exact length.
  int vbrQuality = 4;
};

// Writes `samples` (mono, -1 to 1) to `path`. Returns an empty string, or why it failed.
std::string writeMp3(const std::filesystem::path& path, const std::vector<float>& samples,
                     const Mp3Settings& settings = {});

// The encoded bytes of `samples`, with the Info tag written over the first frame.
std::vector<unsigned char> encodeMp3(const std::vector<float>& samples,
                                     const Mp3Settings& settings = {});

}  // namespace korvanta
