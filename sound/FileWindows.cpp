#include <cstring>

#include "Text.h"

namespace korvanta {

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
  // The mode is plain ASCII ("rb"), so widening it letter by letter is exact.
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(path.c_str(), wideMode.c_str());
}

}  // namespace korvanta
