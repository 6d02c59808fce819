#include "Video.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace korvanta {

namespace {

// Without a display SDL falls back to an invisible window that no key can ever reach; a player
// would be left with a program that never answers. Unless a driver was asked for by name, that
// counts as having no display. Nothing is tried when no display is named at all, so no library
// adds its own complaint to ours.
bool displayNamed() {
#ifdef _WIN32
  return true;  // Windows always has its desktop.
#endif
  return std::getenv("SDL_VIDEODRIVER") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}
bool onRealDisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return std::getenv("SDL_VIDEODRIVER") ||
         (driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0);
}

// SDL opens an X input method, which parses the locale's whole Compose table: about 15 ms of a
// 45 ms start before the greeting. The game reads keys, never text, so it goes without; the
// variable is put back at once, so a browser opened for the manual composes as it always does.
bool initVideoWithoutComposeTable() {
#ifdef _WIN32
  return SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
#else
  const char* own = std::getenv("XCOMPOSEFILE");
  const std::string saved = own ? own : "";
  setenv("XCOMPOSEFILE", "/dev/null", 1);
  const bool started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
  if (own)
    setenv("XCOMPOSEFILE", saved.c_str(), 1);
  else
    unsetenv("XCOMPOSEFILE");
  return started;
#endif
}

}  // namespace

bool startVideo() {
  if (!displayNamed()) {
    std::fprintf(stderr, "korvanta: cannot open a window: no display (DISPLAY is not set)\n");
    return false;
  }
  if (!initVideoWithoutComposeTable()) {
    std::fprintf(stderr, "korvanta: cannot open a window (no display?): %s\n", SDL_GetError());
    return false;
  }
  if (!onRealDisplay()) {
    std::fprintf(stderr, "korvanta: cannot open a window: the display cannot be reached\n");
    SDL_Quit();
    return false;
  }
  // The game reads keys only; text input would also make some desktops pop up an input method.
  SDL_StopTextInput();
  return true;
}

void stopVideo() {
  SDL_Quit();
}

}  // namespace korvanta
