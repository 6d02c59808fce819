// Checking a folder before playing: the generator names the files the game could not play.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "tests/support/FixturePack.h"
#include "tools/packgen/PackWriter.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;

TEST(PackCheck, NamesTheMissingAndBrokenFilesOfAHomeMadePack) {
  const fs::path folder = test::freshFolder("own-pack");
  test::writeFixturePack(folder);
  EXPECT_TRUE(pack::checkPack(folder).empty()) << "a complete pack passes";

  // A player's own pack: one file forgotten, one that is not an MP3 at all, one empty, one cut
  // short, and one named in other case, which the game still finds.
  fs::remove(folder / "no salgo.mp3");
  fs::resize_file(folder / "msc.mp3", fs::file_size(folder / "msc.mp3") / 2);
  std::ofstream(folder / "i4.mp3") << "this is a text file, not a sound";
  std::ofstream(folder / "f2.mp3").close();
  fs::rename(folder / "A3.MP3", folder / "a3.mp3");

  const std::vector<pack::CheckProblem> problems = pack::checkPack(folder);
  ASSERT_EQ(problems.size(), 4u);
  std::map<std::string, std::string> byName;
  for (const auto& p : problems) byName[p.name] = p.reason;
  EXPECT_EQ(byName["no salgo.mp3"], "missing");
  EXPECT_FALSE(byName["i4.mp3"].empty());
  EXPECT_NE(byName["i4.mp3"], "missing");
  EXPECT_FALSE(byName["f2.mp3"].empty());
  EXPECT_NE(byName["msc.mp3"].find("cut short"), std::string::npos) << byName["msc.mp3"];
  EXPECT_EQ(byName.count("A3.MP3"), 0u);
}

TEST(PackCheck, AnEmptyFolderLacksAllFiftyOne) {
  const std::vector<pack::CheckProblem> problems = pack::checkPack(test::freshFolder("no-pack"));
  ASSERT_EQ(problems.size(), 51u);
  for (const auto& p : problems) EXPECT_EQ(p.reason, "missing") << p.name;
}

}  // namespace
}  // namespace korvanta
