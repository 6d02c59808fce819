// Where the sounds come from: the folder the program starts in, or, when that folder holds none
// of the pack's files, the default pack installed beside the program.
#pragma once

#include <filesystem>
#include <string>

namespace korvanta {

struct SoundFolder {
  // The folder to change into before the first window loads; empty to stay where we are.
  std::filesystem::path changeTo;
  // The one line that tells the player about the change, or empty.
  std::string message;
};

// `start`: the folder the program started in, empty when it cannot be told (deleted under us).
// `installed`: the installed default pack's folder, empty when it cannot be told.
SoundFolder chooseSoundFolder(const std::filesystem::path& start,
                              const std::filesystem::path& installed);

// The installed default pack, found from the folder of the program's own executable, so that an
// installation moved elsewhere or unpacked anywhere finds its sounds too. Empty if the program's
// folder is unknown.
std::filesystem::path installedPack(const std::filesystem::path& programFolder);

// The manual's `address` in the language of the pack in `soundFolder`: a Spanish pack opens the
// Spanish manual beside the English one ("index.html" becomes "index.es.html"); any other pack,
// or one that does not say, the English.
std::string manualInPackLanguage(const std::string& address,
                                 const std::filesystem::path& soundFolder);

}  // namespace korvanta
