#include "Video.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

bool startVideo() {
  if (!displayNamed()) {
    std::fprintf(stderr, "korvanta: cannot open a window: no display (DISPLAY is not set)\n");
    return false;
  }
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
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
