#include "SoundFolder.h"

#include <fstream>
#include <system_error>

#include "pack/Manifest.h"
#include "sound/Text.h"

namespace korvanta {

namespace {

// Whether `folder` holds any file of the pack. A file is opened by name, so a folder that can
// be searched but not listed still counts; one that cannot be searched sets `problem`.
bool holdsAnyOfThePack(const std::filesystem::path& folder, std::string& problem) {
  for (const pack::PackEntry& entry : pack::manifest()) {
    std::error_code error;
    const auto status = std::filesystem::status(folder / entry.name, error);
    if (std::filesystem::exists(status)) return true;
    if (error && error != std::errc::no_such_file_or_directory) {
      problem = error.message();
      return false;
    }
  }
  return false;
}

std::string quoted(const std::filesystem::path& folder) {
  return "\"" + utf8(folder) + "\"";
}

}  // namespace

SoundFolder chooseSoundFolder(const std::filesystem::path& start,
                              const std::filesystem::path& installed) {
  std::string problem;
  if (!start.empty() && holdsAnyOfThePack(start, problem)) return {};
  const std::string here = start.empty() ? "the folder it started in is gone"
                           : problem.empty()
                               ? "no sounds in " + quoted(start)
                               : "cannot read " + quoted(start) + " (" + problem + ")";
  std::string ignored;
  if (!installed.empty() && holdsAnyOfThePack(installed, ignored))
    return {installed,
            "korvanta: " + here + "; playing the installed ones from " + quoted(installed)};
  return {start.empty() ? std::filesystem::path("/") : std::filesystem::path(),
          "korvanta: " + here + ", and none installed in " + quoted(installed) +
              "; playing silence. Write a pack with `korvanta-pack FOLDER` and start there, or "
              "play from the source tree with `./dev play`"};
}

std::filesystem::path installedPack(const std::filesystem::path& programFolder) {
  // Unknown, it must not become a folder relative to wherever we started.
  if (programFolder.empty()) return {};
  return (programFolder / KORVANTA_PACK_FROM_PROGRAM).lexically_normal();
}

std::string manualInPackLanguage(const std::string& address,
                                 const std::filesystem::path& soundFolder) {
  std::ifstream file(soundFolder / pack::kLanguageFile);
  std::string code;
  file >> code;
  const std::string english = ".html";
  if (code != "es" || !address.ends_with(english)) return address;
  return address.substr(0, address.size() - english.size()) + ".es" + english;
}

}  // namespace korvanta
