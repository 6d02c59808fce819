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

// Every include of the layer's sources: the folder of a project include ("sound", "ui"...), or
// "SDL" for any of SDL's headers.
std::map<std::string, std::set<std::string>> includesOf(const std::string& layer, int& files) {
  static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::map<std::string, std::set<std::string>> found;
  for (const auto& entry : fs::directory_iterator(fs::path(KORVANTA_SOURCE_DIR) / layer)) {
    if (entry.path().extension() != ".h" && entry.path().extension() != ".cpp") continue;
    ++files;
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (!std::regex_search(line, m, include)) continue;
      const std::string target = m[2];
      if (target.rfind("SDL", 0) == 0) found["SDL"].insert(entry.path().filename());
      const auto slash = target.find('/');
      if (m[1] == "\"" && slash != std::string::npos)
        found[target.substr(0, slash)].insert(entry.path().filename());
    }
  }
  return found;
}

TEST(Layout, EachLayerIncludesOnlyTheLayersBelowIt_AndOnlyThePlatformKnowsSdl) {
  const std::map<std::string, std::set<std::string>> allowed = {
      {"sound", {"sound"}},
      {"ui", {"ui", "sound"}},
      {"menu", {"menu", "ui", "sound"}},
      {"game", {"game", "ui", "sound"}},
      {"platform", {"platform", "ui", "sound", "SDL"}},
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
