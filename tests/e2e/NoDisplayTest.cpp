// Started where there is no display at all, asked for help, or started in a folder without
// sounds: the player learns what happened in plain lines, and nothing hangs or crashes.
#include <gtest/gtest.h>

#include <algorithm>

#include "ProgramUnderTest.h"

namespace korvanta::e2e {
namespace {

TEST(StartingUp, WithoutADisplayForHelpVersionOrAWrongWordAndFarFromAnySounds) {
  const std::string program = programUnderTest().program.string();
  Child undisplayed({.argv = {program},
                     .unset = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
                     .folder = programUnderTest().pack.string(),
                     .captureOutput = true});
  EXPECT_EQ(undisplayed.wait(20.0), 1) << "without a display it ends at once, with status 1";
  const std::string& complaint = undisplayed.output();
  EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1) << complaint;
  EXPECT_TRUE(complaint.ends_with("\n")) << complaint;
  EXPECT_NE(complaint.find("korvanta"), std::string::npos) << complaint;
  EXPECT_NE(complaint.find("display"), std::string::npos) << complaint;

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
