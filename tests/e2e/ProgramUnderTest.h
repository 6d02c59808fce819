// The real program and the folder of the generated pack, as CTest names them on the command line.
#pragma once

#include <filesystem>

namespace korvanta::e2e {

struct ProgramUnderTest {
  // The built `korvanta` executable.
  std::filesystem::path program;
  // The default pack: the program starts in this folder and reads its sounds from it.
  std::filesystem::path pack;
};

const ProgramUnderTest& programUnderTest();

}  // namespace korvanta::e2e
