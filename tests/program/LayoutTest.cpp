// The folders are the architecture: which layer may include which, read from the sources
// themselves, so that an arrow pointing the wrong way fails here before it spreads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace korvanta {
namespace {

namespace fs = std::filesystem;

// Every include of the layer's sources, in its subfolders too: the folder of a project include
// ("sound", "ui"...), "SDL_main" for SDL's renaming of main, or "SDL" for any other of its headers.
std::map<std::string, std::set<std::string>> includesOf(const std::string& layer, int& files) {
  std::map<std::string, std::set<std::string>> found;
  // The opening mark says whether the target is quoted.
  static const std::regex includeLine(R"(^\s*#\s*include\s*([<"])([^>"]*)[>"])");
  for (const auto& entry :
       fs::recursive_directory_iterator(fs::path(KORVANTA_SOURCE_DIR) / layer)) {
    if (entry.path().extension() != ".h" && entry.path().extension() != ".cpp") continue;
    ++files;
    std::ifstream in(entry.path());
    std::smatch include;
    for (std::string line; std::getline(in, line);) {
      if (!std::regex_search(line, include, includeLine)) continue;
      const std::string target = include[2];
      if (target.starts_with("SDL"))
        found[target == "SDL_main.h" ? "SDL_main" : "SDL"].insert(entry.path().filename());
      const auto slash = target.find('/');
      if (include[1] == "\"" && slash != std::string::npos)
        found[target.substr(0, slash)].insert(entry.path().filename());
    }
  }
  return found;
}

TEST(Layout, EachLayerIncludesOnlyTheLayersBelowIt_AndOnlyThePlatformKnowsSdl) {
  const std::map<std::string, std::set<std::string>> allowed = {
      // The pack's manifest stands alone: the program and the pack tool both read it.
      {"pack", {"pack"}},
      {"sound", {"sound"}},
      {"ui", {"ui", "sound"}},
      {"menu", {"menu", "ui", "sound"}},
      {"game", {"game", "ui", "sound"}},
      {"platform", {"platform", "ui", "sound", "SDL"}},
      // The wiring sees every layer; of SDL only the header that lets SDL start it on Windows.
      {"program", {"program", "platform", "menu", "game", "ui", "sound", "pack", "SDL_main"}},
      // The build's own tools make and check packs: sounds and the manifest, never a window.
      {"tools", {"tools", "sound", "pack"}},
  };
  for (const auto& [layer, may] : allowed) {
    int files = 0;
    for (const auto& [folder, includers] : includesOf(layer, files))
      for (const std::string& file : includers)
        EXPECT_TRUE(may.count(folder)) << layer << "/" << file << " includes from " << folder;
    EXPECT_GT(files, 1) << "no sources read in " << layer;
  }
}

}  // namespace
}  // namespace korvanta
