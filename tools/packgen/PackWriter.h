// Writes the default pack into a folder, each file listened to once written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Levels.h"
#include "pack/Manifest.h"

namespace korvanta::pack {

// What was written for one file.
struct FileReport {
  std::string name;
  // Frames the file was made with: what it must decode to.
  int64_t frames = 0;
  // Levels of the file as decoded, as the game will hear it.
  Level level;
  uintmax_t bytes = 0;
  // Empty, or why the file could not be written.
  std::string error;
  // Its line could not be spoken, so nothing of the pack was written.
  bool stoppedThePack = false;
};

// Makes and writes the named files (all 51 when `names` is empty) into `folder`, creating it,
// with the spoken files in `language` and the language file. Every line is spoken first: if one
// cannot be, only its report comes back, and nothing is written.
std::vector<FileReport> writePack(const std::filesystem::path& folder,
                                  const std::vector<std::string>& names = {},
                                  Language language = Language::English);

// Why the pack cannot be made in `language` (flite or espeak-ng lacks a voice it needs), or empty.
std::string cannotSpeak(Language language);

}  // namespace korvanta::pack
