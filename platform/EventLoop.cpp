#include "EventLoop.h"

#include <SDL.h>

#include <algorithm>

#include "SdlKeys.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta {

LoopClock sdlClock() {
  return {.now = [] { return uint64_t(SDL_GetTicks64()); },
          .wait = [](SDL_Event& event,
                     int timeoutMs) { return SDL_WaitEventTimeout(&event, timeoutMs) == 1; }};
}

void requestQuit() {
  SDL_Event event{};
  event.type = SDL_QUIT;
  SDL_PushEvent(&event);
}

EventLoop::EventLoop(Desktop& desktop, SdlScreen& screen, AudioDevice& audio, LoopClock clock)
    : desktop_(desktop), screen_(screen), audio_(audio), clock_(std::move(clock)), keys_(desktop) {}

void EventLoop::run() {
  uint64_t nextTick = clock_.now() + kTickMilliseconds;
  while (desktop_.running()) {
    const uint64_t now = clock_.now();
    if (now >= nextTick) {
      desktop_.elapse(kTickMilliseconds);
      // A late tick is not caught up with: the next one is a whole period after it, so ticks
      // never come closer together than the pace of play allows.
      nextTick = std::max(nextTick, now) + kTickMilliseconds;
      continue;
    }
    // Sleep until the next event or the next tick, whichever comes first.
    SDL_Event event;
    if (clock_.wait(event, int(nextTick - now))) {
      handle(event);
      while (desktop_.running() && clock_.wait(event, 0)) handle(event);
    }
  }
}

void EventLoop::handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
      keys_.keyDown(keyCodeOf(event.key.keysym.sym), shiftStateOf(event.key.keysym.mod));
      break;
    case SDL_KEYUP:
      keys_.keyUp(keyCodeOf(event.key.keysym.sym), shiftStateOf(event.key.keysym.mod));
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE)
        desktop_.closeRequested(event.window.windowID);
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) screen_.repaint(event.window.windowID);
      // SDL itself sends the key-ups of held keys and clears its modifier state before this
      // (X11: checked with keys held across a change of focus); this is the backstop for a
      // video driver that does not.
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) keys_.focusLost();
      break;
    case SDL_AUDIODEVICEREMOVED:
      // Device 0 is one that was never open, not ours while we are between devices.
      if (!event.adevice.iscapture && event.adevice.which != 0 &&
          event.adevice.which == audio_.id())
        audio_.reopen();
      break;
    case SDL_QUIT:
      // The last window's close control: every window unloads, no procedure runs.
      for (Window* window = desktop_.focused(); window; window = desktop_.focused())
        window->Unload();
      break;
    default:
      break;
  }
}

}  // namespace korvanta
