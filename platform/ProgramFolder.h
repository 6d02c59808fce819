// Where the program's own file lies, so that an installation can find what it installed beside it.
#pragma once

#include <filesystem>

namespace korvanta {

// The folder of our own executable, wherever the installation was put or unpacked; empty if it
// cannot be told.
std::filesystem::path programFolder();

}  // namespace korvanta
