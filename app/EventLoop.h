// The one user-interface thread: waits for keys and window events, and ticks every timer.
#pragma once

#include <cstdint>

#include "AudioDevice.h"
#include "Desktop.h"
#include "HeldKeys.h"
#include "SdlScreen.h"

union SDL_Event;

namespace korvanta {

// The desktop this game was made for delivered timer ticks no faster than every 10 ms, and the
// pace of play (one attacker step in 200 ticks on average) rests on that rate.
inline constexpr int kTickMilliseconds = 10;

class EventLoop {
 public:
  EventLoop(Desktop& desktop, SdlScreen& screen, AudioDevice& audio);

  // Runs until the program ends or no window is loaded.
  void run();

 private:
  void handle(const SDL_Event& event);

  Desktop& desktop_;
  SdlScreen& screen_;
  AudioDevice& audio_;
  // Keys still held when the window loses the keyboard are released, so nothing sticks.
  HeldKeys keys_;
};

}  // namespace korvanta
