#include "SoundPath.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "Text.h"

namespace korvanta {

namespace fs = std::filesystem;

namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

}  // namespace

fs::path resolveSoundPath(const std::string& gamePath) {
  std::string native = gamePath;
  std::replace(native.begin(), native.end(), '\\', '/');
  const fs::path path = pathFromUtf8(native);
  std::error_code error;
  if (fs::exists(path, error)) return path;

  // Only one entry may match: with two ("a1.mp3" and "A1.mp3") neither is the obvious choice.
  const std::string wanted = lowered(utf8(path.filename()));
  fs::path match;
  int matches = 0;
  fs::directory_iterator entry(path.parent_path(), error);
  for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
    if (lowered(utf8(entry->path().filename())) == wanted) {
      match = entry->path();
      ++matches;
    }
  }
  return matches == 1 ? match : path;
}

}  // namespace korvanta
