// Program start: opens the display and the sound card, wires the two windows, runs the loop.
#include <SDL.h>

#include <cstdio>

#include "app/AudioDevice.h"
#include "app/Desktop.h"
#include "app/EventLoop.h"
#include "app/Random.h"
#include "app/SdlScreen.h"
#include "game/Form1.h"
#include "menu/Form2.h"
#include "sound/SoundEngine.h"

int main(int, char**) {
  using namespace korvanta;
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "korvanta: cannot open a window (no display?): %s\n", SDL_GetError());
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
