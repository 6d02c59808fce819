// Started where there is no display at all, asked for help, or started in a folder without
// sounds: the player learns what happened in plain lines, and nothing hangs or crashes.
#include <gtest/gtest.h>

#include <algorithm>

#include "ProgramUnderTest.h"

namespace korvanta::e2e {
namespace {

TEST(WithoutADisplay, TheProgramSaysSoInOneLineAndEndsWithStatusOne) {
  Child program({.argv = {programUnderTest().program.string()},
                 .unset = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
                 .folder = programUnderTest().pack.string(),
                 .captureOutput = true});
  const std::optional<int> status = program.wait(20.0);
  ASSERT_TRUE(status) << "still running without a display";
  EXPECT_EQ(*status, 1);

  const std::string& said = program.output();
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_TRUE(said.ends_with("\n")) << said;
  EXPECT_NE(said.find("korvanta"), std::string::npos) << said;
  EXPECT_NE(said.find("display"), std::string::npos) << said;
}

TEST(StartingUp, HelpVersionUsageAndAStartFarFromAnySounds) {
  const std::string program = programUnderTest().program.string();
  const CommandResult help = runCommand({program, "--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* said :
       {"Ctrl", "Shift", "Escape", "starts in", "share/korvanta/sounds", "manual: file://"})
    EXPECT_NE(help.output.find(said), std::string::npos) << said << " in:\n" << help.output;
  const CommandResult version = runCommand({program, "--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.output.starts_with("korvanta 1.")) << version.output;
  for (const char* wrong : {"--play", "sounds", "-v"}) {
    const CommandResult usage = runCommand({program, wrong});
    EXPECT_EQ(usage.status, 2) << wrong;
    EXPECT_EQ(usage.output, "usage: korvanta [--help | --version]\n") << wrong;
  }

  // Run from the build tree, nothing is installed beside it: a home folder with spaces and
  // letters beyond ASCII, no sounds anywhere, and the program still runs, in silence.
  const std::filesystem::path home = scratch("start") / "Canción de Ñandú";
  std::filesystem::create_directory(home);
  Child started(
      {.argv = {program},
       .set = {{"HOME", home.string()}, {"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}},
       .folder = home.string(),
       .captureOutput = true});
  within(20.0,
         [&] { return started.output().find('\n') != std::string::npos || !started.running(); });
  const std::string said = started.output();
  const std::string first = said.substr(0, said.find('\n'));
  EXPECT_TRUE(started.running()) << said;
  for (const std::string& named :
       {'"' + home.string() + '"', std::string("korvanta-pack"), std::string("./dev play")})
    EXPECT_NE(first.find(named), std::string::npos) << named << " in: " << first;
  started.stop();
}

}  // namespace
}  // namespace korvanta::e2e
