// The manual's web page on Windows: the shell's own "open" gets the address whole, letters beyond
// ASCII included, and the game does not wait for what it starts.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "platform/Opener.h"
#include "sound/Text.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Waiting.h"

namespace korvanta::test {
namespace {

namespace fs = std::filesystem;

// Whatever the shell opens stands for the browser: a batch file that leaves a mark beside itself.
fs::path writeProbe(const fs::path& file) {
  std::ofstream(file) << "@echo opened> \"%~dp0" << utf8(file.stem()) << ".txt\"\r\n";
  return fs::path(file).replace_extension(".txt");
}

// The probe's mark, once whole: "opened"; waited for, so a shell that never runs it fails.
bool marked(const fs::path& mark) {
  return waitFor([&] {
    std::string word;
    std::ifstream(mark) >> word;
    return word == "opened";
  });
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

}  // namespace
}  // namespace korvanta::test
