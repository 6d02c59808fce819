#include "SdlScreen.h"

#include <SDL.h>

namespace korvanta {

SdlScreen::~SdlScreen() {
  // The loop has stopped waiting: SDL sends no more wake-ups.
  for (const auto& [id, colour] : colours_)
    if (SDL_Window* window = SDL_GetWindowFromID(id)) SDL_DestroyWindow(window);
  for (const NativeId id : hidden_)
    if (SDL_Window* window = SDL_GetWindowFromID(id)) SDL_DestroyWindow(window);
}

NativeId SdlScreen::open(const std::string& caption) {
  while (!hidden_.empty()) {
    const NativeId id = hidden_.back();
    hidden_.pop_back();
    SDL_Window* window = SDL_GetWindowFromID(id);
    if (!window) continue;
    SDL_SetWindowTitle(window, caption.c_str());
    SDL_ShowWindow(window);
    colours_[id] = 0;
    return id;
  }
  // A window that only shows a colour needs no GPU: the default accelerated surface would first
  // start a whole GL driver, a quarter of a second before the menu's greeting could sound.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Window* window = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, 480, 320, SDL_WINDOW_SHOWN);
  if (!window) {
    SDL_Log("korvanta: cannot open a window: %s", SDL_GetError());
    return 0;
  }
  const NativeId id = SDL_GetWindowID(window);
  colours_[id] = 0;
  return id;
}

void SdlScreen::close(NativeId id) {
  if (!colours_.erase(id)) return;
  SDL_Window* window = SDL_GetWindowFromID(id);
  if (!window) return;
  SDL_HideWindow(window);
  hidden_.push_back(id);
}

void SdlScreen::fill(NativeId id, uint32_t bgr) {
  const auto shown = colours_.find(id);
  if (shown == colours_.end()) return;
  shown->second = bgr;
  repaint(id);
}

void SdlScreen::repaint(NativeId id) {
  const auto shown = colours_.find(id);
  SDL_Window* window = SDL_GetWindowFromID(id);
  if (shown == colours_.end() || !window) return;
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (!surface) return;
  const uint32_t bgr = shown->second;
  SDL_FillRect(surface, nullptr,
               SDL_MapRGB(surface->format, bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff));
  SDL_UpdateWindowSurface(window);
}

void SdlScreen::focus(NativeId id) {
  SDL_Window* window = SDL_GetWindowFromID(id);
  if (!window) return;
  // A window left behind when another closes does not get the keyboard back by itself, and a
  // blind player cannot click it: ask for it. Setting the input focus directly could fail with
  // BadMatch on a window mapped but not yet viewable, and an X error ends the program.
  SDL_RaiseWindow(window);
}

}  // namespace korvanta
