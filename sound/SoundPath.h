// Turns a sound path as the game writes it ("folder\name.mp3") into a file on this system.
#pragma once

#include <filesystem>
#include <string>

namespace korvanta {

// Maps backslashes to the platform's separator and, where the exact name is missing, picks the
// one entry of the folder that matches it case-insensitively (packs made on other systems).
std::filesystem::path resolveSoundPath(const std::string& gamePath);

}  // namespace korvanta
