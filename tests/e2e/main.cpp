// Runs the end-to-end checks: e2e_tests [gtest options] KORVANTA PACK_FOLDER [BUILD_FOLDER]
#include <gtest/gtest.h>

#include <cstdio>

#include "ProgramUnderTest.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  using namespace korvanta;
  testing::InitGoogleTest(&argc, argv);
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: e2e_tests [gtest options] KORVANTA PACK_FOLDER [BUILD_FOLDER]\n");
    return 2;
  }
  e2e::beginRun(
      {fs::absolute(argv[1]), fs::absolute(argv[2]), argc == 4 ? fs::absolute(argv[3]) : ""});
  const int status = RUN_ALL_TESTS();
  e2e::endRun();
  return status;
}
