#include "Text.h"

namespace korvanta {

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

}  // namespace korvanta
