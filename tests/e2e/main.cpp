// Runs the end-to-end checks: e2e_tests [gtest options] KORVANTA PACK_FOLDER [BUILD_FOLDER]
#include <gtest/gtest.h>

#include <cstdio>

#include "ProgramUnderTest.h"

namespace korvanta::e2e {

namespace {
ProgramUnderTest given;
}  // namespace

const ProgramUnderTest& programUnderTest() {
  return given;
}

}  // namespace korvanta::e2e

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: e2e_tests [gtest options] KORVANTA PACK_FOLDER [BUILD_FOLDER]\n");
    return 2;
  }
  korvanta::e2e::given = {std::filesystem::absolute(argv[1]), std::filesystem::absolute(argv[2]),
                          argc == 4 ? std::filesystem::absolute(argv[3]) : ""};
  return RUN_ALL_TESTS();
}
