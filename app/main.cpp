// Program start: opens the display and the sound card, wires the two windows, runs the loop.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/AudioDevice.h"
#include "app/Desktop.h"
#include "app/EventLoop.h"
#include "app/Random.h"
#include "app/SdlScreen.h"
#include "app/SoundFolder.h"
#include "game/Form1.h"
#include "menu/Form2.h"
#include "platform/Text.h"
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

// The folder of our own executable, wherever the installation was put or unpacked.
std::filesystem::path programFolder() {
  char* base = SDL_GetBasePath();
  if (!base) return {};
  // SDL answers in UTF-8, whatever the system's own narrow encoding.
  std::filesystem::path folder = korvanta::pathFromUtf8(base);
  SDL_free(base);
  return folder;
}

void printHelp() {
  std::printf(
      "usage: korvanta [--help | --version]\n"
      "KORVANTA, an audio-only arcade game: defend an ambushed gunman by ear alone.\n"
      "\n"
      "In the menu:  Up, Down     walk through the spoken items\n"
      "              Enter        start a game (on the web page item: open the manual)\n"
      "              Escape       say goodbye and end the program\n"
      "In a game:    Left, Right  move the sight one step\n"
      "              Up, Down     jump the sight to the far right, far left\n"
      "              Shift        centre the sight\n"
      "              Space        load one bullet from the spares\n"
      "              Ctrl         fire\n"
      "              1 to 4       choose the sound of the shots\n"
      "              Escape       leave the game\n"
      "\n"
      "The 51 sound files are read from the folder the game starts in. When it holds none\n"
      "of them, the installed default pack is played instead:\n"
      "  %s\n"
      "\n"
      "The manual: %s\n",
      korvanta::utf8(korvanta::installedPack(programFolder())).c_str(), KORVANTA_MANUAL_ADDRESS);
}

// Before the first window loads: a start folder without sounds gives way to the installed pack.
void enterSoundFolder() {
  std::error_code error;
  std::filesystem::path start = std::filesystem::current_path(error);
  if (error) start.clear();
  const korvanta::SoundFolder chosen =
      korvanta::chooseSoundFolder(start, korvanta::installedPack(programFolder()));
  if (!chosen.message.empty()) std::fprintf(stderr, "%s\n", chosen.message.c_str());
  if (chosen.changeTo.empty()) return;
  std::filesystem::current_path(chosen.changeTo, error);
  if (error)
    std::fprintf(stderr, "korvanta: cannot change into \"%s\": %s\n",
                 korvanta::utf8(chosen.changeTo).c_str(), error.message().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korvanta;
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    printHelp();
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("korvanta %s\n", KORVANTA_VERSION);
    return 0;
  }
  if (argc > 1) {
    std::fprintf(stderr, "usage: korvanta [--help | --version]\n");
    return 2;
  }
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
  enterSoundFolder();

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
