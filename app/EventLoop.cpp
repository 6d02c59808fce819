#include "EventLoop.h"

#include <SDL.h>

#include <algorithm>

#include "Keys.h"
#include "Window.h"

namespace korvanta {

EventLoop::EventLoop(Desktop& desktop, SdlScreen& screen, AudioDevice& audio)
    : desktop_(desktop), screen_(screen), audio_(audio), keys_(desktop) {}

void EventLoop::run() {
  Uint64 nextTick = SDL_GetTicks64() + kTickMilliseconds;
  while (desktop_.running()) {
    const Uint64 now = SDL_GetTicks64();
    if (now >= nextTick) {
      desktop_.elapse(kTickMilliseconds);
      // A late tick is not caught up with a burst: the next one is a whole period away.
      nextTick = std::max(nextTick + kTickMilliseconds, now + 1);
      if (nextTick + kTickMilliseconds < now) nextTick = now + kTickMilliseconds;
      continue;
    }
    // Sleep until the next event or the next tick, whichever comes first.
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, int(nextTick - now))) {
      handle(event);
      while (desktop_.running() && SDL_PollEvent(&event)) handle(event);
    }
  }
}

void EventLoop::handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN: {
      const int16_t code = keyCodeOf(event.key.keysym.sym);
      if (code == 0) break;
      keys_.keyDown(code, shiftStateOf(event.key.keysym.mod));
      break;
    }
    case SDL_KEYUP: {
      const int16_t code = keyCodeOf(event.key.keysym.sym);
      if (code == 0) break;
      keys_.keyUp(code, shiftStateOf(event.key.keysym.mod));
      break;
    }
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
      if (!event.adevice.iscapture && event.adevice.which == audio_.id()) audio_.reopen();
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
