// Checks a folder for a pack the game can play whole, each file fit for its part.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvanta::pack {

// A file of the pack that the game would not be able to play, or that strays from the manifest.
struct CheckProblem {
  std::string name;
  // "missing", the decoder's reason, or how the file strays from its length or loudness.
  std::string reason;
  // The game plays the file, though it does not fit its part as the manifest has it.
  bool playable = false;
};

// Lists the files of the 51 that are missing from `folder`, do not decode, or last longer or
// shorter than their entries allow or are far louder or quieter than their entries.
std::vector<CheckProblem> checkPack(const std::filesystem::path& folder);

}  // namespace korvanta::pack
