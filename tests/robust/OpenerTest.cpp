// The manual's web page: the desktop's opener gets the address untouched, with no shell between,
// and the game never waits for the browser.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Opener.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Waiting.h"

namespace korvanta::test {
namespace {

namespace fs = std::filesystem;

// PATH, where the opener is looked up, as a test sets it; restored afterwards.
class PathSetTo {
 public:
  static std::string now() { return std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"; }
  explicit PathSetTo(const std::string& value) : saved_(now()) { setenv("PATH", value.c_str(), 1); }
  ~PathSetTo() { setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Waits for a file the stand-in opener writes; bounded, so a broken opener fails the test.
bool appears(const fs::path& file) {
  return waitFor([&] { return fs::exists(file); });
}

TEST(Opener, TheAddressArrivesWhole_NoShellRunsIt_AndTheGameGoesOnWithoutWaiting) {
  const fs::path dir = freshFolder("opener");
  fs::create_directories(dir / "bin");
  // A stand-in xdg-open: notes how it was called, then stays open like a browser would until the
  // test lets it go (ten seconds at most), and notes that it finished.
  const fs::path opener = dir / "bin" / "xdg-open";
  std::ofstream(opener) << "#!/bin/sh\n"
                        << "d='" << dir.string() << "'\n"
                        << "printf '%s' \"$#\" > \"$d/count\"\n"
                        << "printf '%s' \"$1\" > \"$d/argument\"\n"
                        << "printf '%s' \"$PPID\" > \"$d/parent\"\n"
                        << "touch \"$d/called\"\n"
                        << "i=0\n"
                        << "while [ ! -e \"$d/release\" ] && [ $i -lt 200 ]; do\n"
                        << "  sleep 0.05; i=$((i+1))\n"
                        << "done\n"
                        << "touch \"$d/finished\"\n";
  fs::permissions(opener, fs::perms::owner_all);

  // Every trick a shell would fall for, each creating a file if a shell ever read the address.
  const std::string p = dir.string() + "/pwned";
  const std::string address = "file:///tmp/a b;touch " + p + "1;'$(touch " + p + "2)'`touch " + p +
                              "3`\"$(touch " + p + "4)\"";
  {
    PathSetTo path((dir / "bin").string() + ":" + PathSetTo::now());
    openWithDesktopOpener(address);
    // Back already, while the opener is still open: the call never waits for it.
    EXPECT_FALSE(fs::exists(dir / "finished"));
  }

  EXPECT_TRUE(appears(dir / "called"));
  EXPECT_EQ(contents(dir / "count"), "1");
  EXPECT_EQ(contents(dir / "argument"), address);
  // Started by the game's own process, not by a shell in between.
  EXPECT_EQ(contents(dir / "parent"), std::to_string(getpid()));

  std::ofstream(dir / "release").close();
  EXPECT_TRUE(appears(dir / "finished"));
  for (int i = 1; i <= 4; ++i) EXPECT_FALSE(fs::exists(p + std::to_string(i))) << i;
  fs::remove_all(dir);
}

TEST(Opener, WithoutAnOpenerOnTheSystemOneLineSaysSoAndTheGameGoesOn) {
  const fs::path empty = freshFolder("no-opener");
  testing::internal::CaptureStderr();
  {
    PathSetTo path(empty.string());
    openWithDesktopOpener("file:///usr/share/doc/korvanta/index.html");
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("xdg-open"), std::string::npos) << said;
  fs::remove_all(empty);
}

}  // namespace
}  // namespace korvanta::test
