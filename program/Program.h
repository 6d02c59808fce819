// The whole program wired in one place: the sound engine and the sound card, the screen, the
// desktop and both windows. Program start and the benchmarks run this same wiring.
#pragma once

#include <memory>
#include <string>

#include "Windows.h"
#include "platform/SdlScreen.h"
#include "sound/AudioTap.h"
#include "sound/Output.h"
#include "sound/SoundEngine.h"
#include "ui/Desktop.h"
#include "ui/Random.h"

namespace korvanta {

// How the sound card is driven; play uses the defaults.
struct ProgramOptions {
  // Frames per sound card period; 0 leaves it to the output (the server's connection holds
  // several shorter periods than a card through SDL).
  int periodFrames = 0;
  // Sees every period the sound card takes (measuring tools only).
  AudioTap* tap = nullptr;
  // SDL's audio even where the sound server's own connection would play (to compare the two).
  bool throughSdl = false;
};

// Where the sound goes: the sound server's own connection when one is the way to play (Linux,
// SDL_AUDIODRIVER unset or pulseaudio), SDL's audio for everything else.
std::unique_ptr<AudioOutput> chooseAudioOutput(Mixer& mixer, const ProgramOptions& options);

class Program {
 public:
  // The menu greets the player and is the only window whose keys can end the program.
  static constexpr const char* kFirstWindow = "Form2";

  // Wires everything and opens the sound card; the display must already be started.
  explicit Program(const ProgramOptions& options = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Shows the first window; a benchmark may start straight in the game ("Form1").
  void start(const std::string& firstWindow = kFirstWindow);
  // Runs the event loop until the program ends, then closes the sound card so nothing that
  // listened to it is still fed.
  void run();

  SoundEngine engine;
  std::unique_ptr<AudioOutput> audio;
  SdlScreen screen;
  Random random;
  Desktop desktop;

 private:
  Windows windows_;

 public:
  Form1& form1 = windows_.form1;
  Form2& form2 = windows_.form2;
};

}  // namespace korvanta
