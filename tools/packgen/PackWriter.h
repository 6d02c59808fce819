// Writes the default pack into a folder and checks a folder for a usable pack.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "Levels.h"

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
};

// Makes and writes the named files (all 51 when `names` is empty) into `folder`, creating it.
std::vector<FileReport> writePack(const std::filesystem::path& folder,
                                  const std::vector<std::string>& names = {});

// The level table: one line per file with its length, peak, RMS, loudness and size.
std::string levelTable(const std::vector<FileReport>& reports);

// A file of the pack that the game would not be able to play.
struct CheckProblem {
  std::string name;
  // "missing", or the decoder's reason.
  std::string reason;
};

// Lists the files of the 51 that are missing from `folder` or do not decode.
std::vector<CheckProblem> checkPack(const std::filesystem::path& folder);

}  // namespace korvanta::pack
