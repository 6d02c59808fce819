#include "ProgramFolder.h"

#include <SDL_filesystem.h>
#include <SDL_stdinc.h>

#include "sound/Text.h"

namespace korvanta {

std::filesystem::path programFolder() {
  char* base = SDL_GetBasePath();
  if (!base) return {};
  // SDL answers in UTF-8, whatever the system's own narrow encoding.
  std::filesystem::path folder = pathFromUtf8(base);
  SDL_free(base);
  return folder;
}

}  // namespace korvanta
