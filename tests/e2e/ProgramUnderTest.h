// The real program, the folder of the generated pack and the build, as CTest names them on the
// command line.
#pragma once

#include <filesystem>

namespace korvanta::e2e {

struct ProgramUnderTest {
  // The built `korvanta` executable.
  std::filesystem::path program;
  // The default pack: the program starts in this folder and reads its sounds from it.
  std::filesystem::path pack;
  // The build tree, for the checks of its installation and package (they are given it alone).
  std::filesystem::path build;
};

const ProgramUnderTest& programUnderTest();

}  // namespace korvanta::e2e
