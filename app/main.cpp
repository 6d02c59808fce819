// Program start: opens the display and the sound card, wires the two windows, runs the loop.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AudioDevice.h"
#include "app/Desktop.h"
#include "app/EventLoop.h"
#include "app/Random.h"
#include "app/SdlScreen.h"
#include "game/Form1.h"
#include "menu/Form2.h"
#include "sound/SoundEngine.h"

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

int main(int, char**) {
  using namespace korvanta;
  if (!displayNamed()) {
    std::fprintf(stderr, "korvanta: cannot open a window: no display (DISPLAY is not set)\n");
    return 1;
  }
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "korvanta: cannot open a window (no display?): %s\n", SDL_GetError());
    return 1;
  }
  if (!onRealDisplay()) {
    std::fprintf(stderr, "korvanta: cannot open a window: the display cannot be reached\n");
    SDL_Quit();
    return 1;
  }
  // The game reads keys only; text input would also make some desktops pop up an input method.
  SDL_StopTextInput();

  SoundEngine engine;
  AudioDevice audio(engine.mixer);
  audio.open();
  SdlScreen screen;
  Random random;
  Desktop desktop(engine, screen, random);
  Form1 form1(desktop);
  Form2 form2(desktop);
  desktop.add(form1);
  desktop.add(form2);

  // The menu greets the player and is the only window whose keys can end the program.
  desktop.show("Form2");
  EventLoop(desktop, screen, audio).run();

  audio.close();
  SDL_Quit();
  return 0;
}
