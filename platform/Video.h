// The display as the program starts and ends with it, and where the program's own file lies.
#pragma once

#include <filesystem>
#include <string>

namespace korvanta {

// Opens the display the windows go to. Without one, says why in one line on stderr and returns
// false: a program whose windows no key can reach must not start.
bool startVideo();
// Lets the display go again; the sound card must be closed first.
void stopVideo();

// The folder of our own executable, wherever the installation was put or unpacked; empty if it
// cannot be told.
std::filesystem::path programFolder();

}  // namespace korvanta
