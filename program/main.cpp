// Program start: reads the command line, opens the display, chooses the sound folder, then runs
// the wired program.
// On Windows SDL's own WinMain starts the program and calls main, as this header renames it.
#include <SDL_main.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <system_error>

#include "Keys.h"
#include "Program.h"
#include "SoundFolder.h"
#include "platform/ProgramFolder.h"
#include "platform/Video.h"
#include "sound/Text.h"

namespace {

using korvanta::programFolder;

// One line per row of `keys`, the first under `heading`.
void printKeys(const char* heading, std::span<const korvanta::KeyUse> keys) {
  for (const korvanta::KeyUse& use : keys) {
    std::printf("%-14s%-13.*s%.*s\n", heading, int(use.keys.size()), use.keys.data(),
                int(use.does.size()), use.does.data());
    heading = "";
  }
}

void printHelp() {
  std::printf(
      "usage: korvanta [--help | --version]\n"
      "KORVANTA, an audio-only arcade game: defend an ambushed gunman by ear alone.\n\n");
  printKeys("In the menu:", korvanta::kMenuKeys);
  printKeys("In a game:", korvanta::kGameKeys);
  std::printf(
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
  if (!startVideo()) return 1;
  enterSoundFolder();
  {
    Program program;
    program.start();
    program.run();
  }
  stopVideo();
  return 0;
}
