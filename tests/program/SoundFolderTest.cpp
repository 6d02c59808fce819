// Where the sounds come from at start: the start folder if it holds any of the pack, else the
// installed default pack, and one plain line whenever the player is not where he thinks.
#include <gtest/gtest.h>

#include <fstream>

#include "pack/Manifest.h"
#include "program/SoundFolder.h"
#include "tests/support/FixturePack.h"

namespace korvanta {
namespace {

TEST(SoundFolder, AFolderWithoutThePacksFilesGivesWayToTheInstalledPackSayingSoOnce) {
  // A home folder with spaces and letters beyond ASCII, as players have them.
  const std::filesystem::path root = test::freshFolder("sound-folder") / "Año nuevo de Ñandú";
  const std::filesystem::path home = root / "home", mine = root / "mine";
  const std::filesystem::path installed = root / "share/korvanta/sounds";
  for (const auto& folder : {home, mine, installed}) std::filesystem::create_directories(folder);
  std::ofstream(installed / "ex1.mp3") << "x";
  // A partial or custom pack is used as it is.
  std::ofstream(mine / "no salgo.mp3") << "x";
  const SoundFolder own = chooseSoundFolder(mine, installed);
  EXPECT_TRUE(own.changeTo.empty());
  EXPECT_EQ(own.message, "");

  // Files that are not the pack's, or spelt another way, do not count.
  std::ofstream(home / "notes.txt") << "x";
  std::ofstream(home / "EX1.MP3") << "x";
  const SoundFolder fromHome = chooseSoundFolder(home, installed);
  EXPECT_EQ(fromHome.changeTo, installed);
  EXPECT_NE(fromHome.message.find('"' + home.string() + '"'), std::string::npos);
  EXPECT_NE(fromHome.message.find('"' + installed.string() + '"'), std::string::npos);
  EXPECT_EQ(fromHome.message.find('\n'), std::string::npos);

  // A start folder that cannot be searched, or that was deleted, names its trouble.
  const SoundFolder unreadable = chooseSoundFolder(mine / "no salgo.mp3", installed);
  EXPECT_EQ(unreadable.changeTo, installed);
  EXPECT_NE(unreadable.message.find("cannot read"), std::string::npos) << unreadable.message;
  EXPECT_EQ(chooseSoundFolder({}, installed).changeTo, installed);

  // No installed pack (a run from the build tree): silence, and where to get sounds.
  const SoundFolder none = chooseSoundFolder(home, root / "gone");
  EXPECT_TRUE(none.changeTo.empty());
  for (const std::string& said :
       {home.string(), (root / "gone").string(), std::string("korvanta-pack"),
        std::string("./dev play"), std::string("silence")})
    EXPECT_NE(none.message.find(said), std::string::npos) << said << " in: " << none.message;
  EXPECT_EQ(chooseSoundFolder({}, root / "gone").changeTo, "/") << "a folder that exists";

  EXPECT_EQ(installedPack("/opt/korvanta/games/"), "/opt/korvanta/share/korvanta/sounds");
  EXPECT_EQ(installedPack(""), "");
  EXPECT_TRUE(chooseSoundFolder(home, "").changeTo.empty()) << "not the start folder's parent";
  std::filesystem::remove_all(root.parent_path());
}

TEST(SoundFolder, TheSpanishPackOpensTheSpanishManualAndAnyOtherPackTheEnglish) {
  const std::filesystem::path folder = test::freshFolder("manual-language");
  const std::string manual = "file:///usr/share/doc/korvanta/index.html";
  EXPECT_EQ(manualInPackLanguage(manual, folder), manual) << "a pack that does not say";
  std::ofstream(folder / pack::kLanguageFile) << "es\n";
  EXPECT_EQ(manualInPackLanguage(manual, folder), "file:///usr/share/doc/korvanta/index.es.html");
  EXPECT_EQ(manualInPackLanguage("manual/index.html", folder), "manual/index.es.html");
}

}  // namespace
}  // namespace korvanta
