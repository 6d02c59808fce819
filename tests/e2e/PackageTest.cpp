// The game as a Linux desktop meets it: installed under a prefix of the player's choosing, and
// as a Debian package that is checked by Debian's own tools, unpacked anywhere and played.
// Nothing is ever installed into the system.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iostream>
#include <regex>

#include "ProgramUnderTest.h"
#include "pack/Manifest.h"

namespace korvanta::e2e {
namespace {

namespace fs = std::filesystem;

// The value of `key` in a desktop entry, without the quotes Exec may carry.
std::string entry(const fs::path& launcher, const std::string& key) {
  std::ifstream in(launcher);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  std::smatch value;
  std::regex_search(text, value, std::regex("(^|\n)" + key + "=\"?([^\"\n]*)"));
  return value[2];
}

// What an installation holds, under its prefix.
std::vector<std::string> installedFiles() {
  std::vector<std::string> files;
  for (const char* file : {"games/korvanta", "bin/korvanta-pack", "share/man/man6/korvanta.6.gz",
                           "share/man/man1/korvanta-pack.1.gz", "share/doc/korvanta/copyright",
                           "share/metainfo/org.korvanta.korvanta.metainfo.xml",
                           "share/applications/org.korvanta.korvanta.desktop",
                           "share/icons/hicolor/scalable/apps/org.korvanta.korvanta.svg"})
    files.push_back(file);
  for (const char* size : {"16x16", "48x48", "64x64", "256x256"})
    files.push_back("share/icons/hicolor/" + std::string(size) + "/apps/org.korvanta.korvanta.png");
  for (const pack::PackEntry& sound : pack::manifest())
    files.push_back("share/korvanta/sounds/" + std::string(sound.name));
  return files;
}

TEST(Installed, ManPagesLaunchersIconsAndMetadataWhereDesktopsLook) {
  if (!missingTool({"desktop-file-validate", "appstreamcli"}).empty())
    GTEST_SKIP() << "needs desktop-file-utils and appstream; `./dev test` installs them";
  // A prefix with a space and letters beyond ASCII, outside the places desktops search.
  const fs::path prefix = scratch("installed") / "Mis juegos";
  const CommandResult install = runCommand(
      {"cmake", "--install", programUnderTest().build.string(), "--prefix", prefix}, {}, 120.0);
  ASSERT_EQ(install.status, 0) << install.output;

  for (const std::string& file : installedFiles())
    EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
  const CommandResult metadata =
      runCommand({"appstreamcli", "validate", "--no-net",
                  prefix / "share/metainfo/org.korvanta.korvanta.metainfo.xml"});
  EXPECT_EQ(metadata.status, 0) << metadata.output;

  // Every launcher (one per installed pack) is clean, and what it names is there.
  for (const fs::directory_entry& file : fs::directory_iterator(prefix / "share/applications")) {
    const CommandResult valid = runCommand({"desktop-file-validate", file.path()});
    EXPECT_EQ(valid.status, 0) << valid.output;
    EXPECT_EQ(valid.output, "") << file.path();
    EXPECT_EQ(access(entry(file.path(), "Exec").c_str(), X_OK), 0) << file.path();
    EXPECT_TRUE(fs::is_regular_file(entry(file.path(), "Icon"))) << file.path();
    EXPECT_TRUE(fs::is_directory(entry(file.path(), "Path"))) << file.path();
  }
}

// One package made by CPack from the build tree, never installed: its contents, Debian's checks
// of it, and the game unpacked anywhere.
TEST(Package, HoldsTheGameAndItsPackPassesLintianAndGreetsUnpackedAnywhere) {
  if (!missingTool({"cpack", "dpkg-deb", "dpkg-shlibdeps", "lintian", "Xvfb"}).empty())
    GTEST_SKIP() << "needs dpkg-dev, lintian and Xvfb; `./dev test` installs them";
  const fs::path folder = scratch("package");
  const CommandResult made = runCommand({"cpack", "-G", "DEB", "-B", folder.string(), "--config",
                                         programUnderTest().build / "CPackConfig.cmake"},
                                        {}, 300.0);
  fs::path deb;
  for (const fs::directory_entry& file : fs::directory_iterator(folder))
    if (file.path().extension() == ".deb") deb = file.path();
  ASSERT_FALSE(deb.empty()) << "CPack made no package:\n" << made.output;
  std::cout << "package: " << deb.filename().string() << ", " << fs::file_size(deb) << " bytes\n";
  const CommandResult contents = runCommand({"dpkg-deb", "-c", deb});
  ASSERT_EQ(contents.status, 0) << contents.output;
  for (const std::string& file : installedFiles())
    EXPECT_NE(contents.output.find("./usr/" + file + "\n"), std::string::npos) << file;
  // The dependencies come from the binaries themselves.
  const CommandResult depends = runCommand({"dpkg-deb", "-f", deb, "Depends"});
  EXPECT_NE(depends.output.find("libsdl2"), std::string::npos) << depends.output;
  EXPECT_NE(depends.output.find("libmpg123"), std::string::npos) << depends.output;
  // Errors fail; warnings are shown for a person to judge.
  const CommandResult lint = runCommand({"lintian", deb}, {}, 300.0);
  std::cout << "lintian:\n" << lint.output;
  EXPECT_EQ(lint.output.find("E: "), std::string::npos) << lint.output;
  EXPECT_NE(lint.status, -1) << "lintian did not finish";

  const fs::path root = folder / "root";
  const CommandResult unpacked = runCommand({"dpkg-deb", "-x", deb, root});
  ASSERT_EQ(unpacked.status, 0) << unpacked.output;
  // A player's home folder with spaces and letters beyond ASCII, holding no sounds.
  const fs::path home = folder / "Casa de Ñandú";
  fs::create_directory(home);
  const fs::path pack = root / "usr/share/korvanta/sounds";
  const fs::path recording = folder / "output.f32";

  VirtualDisplay display;
  Child::Options options = theGame(display.name(), recording.string());
  options.argv = {(root / "usr/games/korvanta").string()};
  options.folder = options.set["HOME"] = home.string();
  Child game(options);
  waitForFrame(recording, framesOf(1.5), {&game});
  game.stop();
  const std::string said = game.output();
  const std::string first = said.substr(0, said.find('\n'));
  EXPECT_NE(first.find('"' + home.string() + '"'), std::string::npos) << said;
  EXPECT_NE(first.find('"' + pack.string() + '"'), std::string::npos) << said;
  EXPECT_EQ(said.find("cannot play"), std::string::npos) << said;
  const Heard greeting = listenFor(Recording::read(recording), Reference::load(pack / "ex1.mp3"), 0,
                                   framesOf(0.5), framesOf(1.0));
  EXPECT_GT(greeting.score, 0.8) << "the greeting from the installed pack";
}

}  // namespace
}  // namespace korvanta::e2e
