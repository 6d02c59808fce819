// SDL's keys and modifier state translated into the window layer's key codes and shift mask.
#pragma once

#include <SDL_keyboard.h>

#include <cstdint>

namespace korvanta {

// The window key code of an SDL key; kOther for a key without a code of its own.
int16_t keyCodeOf(SDL_Keycode sym);

// The shift mask of SDL's modifier state; lock keys (Num Lock, Caps Lock) are not part of it.
int16_t shiftStateOf(uint16_t sdlMod);

}  // namespace korvanta
