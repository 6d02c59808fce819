#include "SdlKeys.h"

#include <SDL_keycode.h>

#include "ui/Keys.h"

namespace korvanta {

int16_t keyCodeOf(SDL_Keycode sym) {
  if (sym >= SDLK_0 && sym <= SDLK_9) return int16_t(key::kDigit0 + (sym - SDLK_0));
  if (sym >= SDLK_a && sym <= SDLK_z) return int16_t(key::kLetterA + (sym - SDLK_a));
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return int16_t(key::kKeypad0 + 1 + (sym - SDLK_KP_1));
  switch (sym) {
    case SDLK_KP_0:
      return key::kKeypad0;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return key::kEnter;
    case SDLK_ESCAPE:
      return key::kEscape;
    case SDLK_SPACE:
      return key::kSpace;
    case SDLK_LEFT:
      return key::kLeft;
    case SDLK_UP:
      return key::kUp;
    case SDLK_RIGHT:
      return key::kRight;
    case SDLK_DOWN:
      return key::kDown;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return key::kShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return key::kCtrl;
    case SDLK_LALT:
    case SDLK_RALT:
      return key::kAlt;
    default:
      return key::kOther;
  }
}

int16_t shiftStateOf(uint16_t sdlMod) {
  int16_t state = 0;
  if (sdlMod & KMOD_SHIFT) state |= shift::kShift;
  if (sdlMod & KMOD_CTRL) state |= shift::kCtrl;
  if (sdlMod & KMOD_ALT) state |= shift::kAlt;
  return state;
}

}  // namespace korvanta
