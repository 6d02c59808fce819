// Text at the system's edges. The game keeps text and paths in std::string as UTF-8, while
// Windows reads narrow strings in its own code page: every crossing converts explicitly.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace korvanta {

// A path as UTF-8, whatever the system's narrow encoding.
std::string utf8(const std::filesystem::path& path);
// A path from UTF-8 text.
std::filesystem::path pathFromUtf8(std::string_view text);

// std::fopen for a path, by its whole name even where the narrow encoding cannot spell it.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

}  // namespace korvanta
