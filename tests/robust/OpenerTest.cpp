// The manual's web page: the desktop's opener gets the address whole, with no shell between, and
// the game never waits for the browser. On Windows the shell's own "open" does it, letters beyond
// ASCII included.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "platform/Opener.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Waiting.h"

#ifdef _WIN32
#include <windows.h>

#include "sound/Text.h"
#else
#include <unistd.h>

#include <cstdlib>
#endif

namespace korvanta::test {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32

// Whatever the shell opens stands for the browser: a batch file that leaves a mark beside itself.
fs::path writeProbe(const fs::path& file) {
  std::ofstream(file) << "@echo opened> \"%~dp0" << utf8(file.stem()) << ".txt\"\r\n";
  return fs::path(file).replace_extension(".txt");
}

// The probe's mark, once whole: "opened"; waited for, so a shell that never runs it fails.
bool marked(const fs::path& mark) {
  return waitFor([&] { return fileText(mark).starts_with("opened"); });
}

// Removes what the probe's run may still hold open (the batch file, its mark, their folder).
void removeOnceFree(const fs::path& entry) {
  std::error_code error;
  waitFor([&] { return fs::remove(entry, error) || !fs::exists(entry, error); });
}

TEST(Opener, TheShellOpensTheAddressByItsWholeNameOrBesideTheProgram) {
  // In a folder that no narrow code page can spell.
  const fs::path dir = freshFolder("opener") / pathFromUtf8("Página ñandú 表");
  fs::create_directories(dir);
  const fs::path mark = writeProbe(dir / "open.bat");
  openWithDesktopOpener(utf8(dir / "open.bat"));
  EXPECT_TRUE(marked(mark));
  for (const fs::path& entry : {mark, dir / "open.bat", dir, dir.parent_path()})
    removeOnceFree(entry);

  // A bare file name, as the manual's address is given, is found beside the program.
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), DWORD(self.size())));
  const fs::path beside = fs::path(self).parent_path() / "opener-probe.bat";
  const fs::path besideMark = writeProbe(beside);
  fs::remove(besideMark);
  openWithDesktopOpener("opener-probe.bat");
  EXPECT_TRUE(marked(besideMark));
  for (const fs::path& entry : {besideMark, beside}) removeOnceFree(entry);
}

#else

// PATH, where the opener is looked up, as a test sets it; restored afterwards.
struct PathSetTo {
  static std::string now() { return std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"; }
  explicit PathSetTo(const std::string& value) : saved(now()) { setenv("PATH", value.c_str(), 1); }
  ~PathSetTo() { setenv("PATH", saved.c_str(), 1); }
  const std::string saved;
};

TEST(Opener, TheAddressArrivesWhole_NoShellRunsIt_AndTheGameGoesOnWithoutWaiting) {
  const fs::path dir = freshFolder("opener");
  // Without an opener on the system, one line says so and the game goes on.
  testing::internal::CaptureStderr();
  {
    PathSetTo path(dir.string());
    openWithDesktopOpener("file:///usr/share/doc/korvanta/index.html");
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::ranges::count(said, '\n'), 1) << said;
  EXPECT_NE(said.find("xdg-open"), std::string::npos) << said;

  // A stand-in xdg-open: notes how it was called, then stays open like a browser would until the
  // test lets it go (ten seconds at most), and notes that it finished.
  fs::create_directories(dir / "bin");
  const fs::path opener = dir / "bin" / "xdg-open";
  std::ofstream(opener) << "#!/bin/sh\n"
                        << "d='" << dir.string() << "'\n"
                        << "printf '%s\\n' \"$#\" \"$1\" \"$PPID\" > \"$d/call\"\n"
                        << "mv \"$d/call\" \"$d/called\"\n"
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

  EXPECT_TRUE(waitFor([&] { return fs::exists(dir / "called"); }));
  // One argument, the address whole, from the game's own process, not a shell in between.
  EXPECT_EQ(fileText(dir / "called"), "1\n" + address + "\n" + std::to_string(getpid()) + "\n");

  std::ofstream(dir / "release").close();
  EXPECT_TRUE(waitFor([&] { return fs::exists(dir / "finished"); }));
  for (int i = 1; i <= 4; ++i) EXPECT_FALSE(fs::exists(p + std::to_string(i))) << i;
  fs::remove_all(dir);
}

#endif

}  // namespace
}  // namespace korvanta::test
