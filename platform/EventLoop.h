// The one user-interface thread: waits for keys and window events, and ticks every timer.
#pragma once

#include <cstdint>
#include <functional>

#include "SdlScreen.h"
#include "ui/Desktop.h"
#include "ui/HeldKeys.h"

union SDL_Event;

namespace korvanta {

// Where the loop's time comes from and how it waits for events: SDL's, unless a test gives its
// own so that late wake-ups can be made to order.
struct LoopClock {
  // Milliseconds on a steady clock.
  std::function<uint64_t()> now;
  // The next event, waiting up to `timeoutMs` for it (0: only if one is queued); false if none.
  std::function<bool(SDL_Event& event, int timeoutMs)> wait;
};

LoopClock sdlClock();

// Ends the running loop from any thread, as the last window's close control would.
void requestQuit();

class EventLoop {
 public:
  EventLoop(Desktop& desktop, SdlScreen& screen, LoopClock clock = sdlClock());

  // Runs until the program ends or no window is loaded.
  void run();

 private:
  void handle(const SDL_Event& event);

  Desktop& desktop_;
  SdlScreen& screen_;
  LoopClock clock_;
  // Keys still held when the window loses the keyboard are released, so nothing sticks.
  HeldKeys keys_;
};

}  // namespace korvanta
