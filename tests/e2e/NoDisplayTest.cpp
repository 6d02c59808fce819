// Started where there is no display at all: the player learns why in one line, and the program
// ends at once with a failure status instead of hanging or crashing.
#include <gtest/gtest.h>

#include <algorithm>

#include "Processes.h"
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

}  // namespace
}  // namespace korvanta::e2e
