#include "HeldKeys.h"

#include <algorithm>
#include <utility>

#include "Desktop.h"
#include "Keys.h"

namespace korvanta {

namespace {

bool isModifier(int16_t keyCode) {
  return keyCode == key::kShift || keyCode == key::kCtrl || keyCode == key::kAlt;
}

}  // namespace

void HeldKeys::keyDown(int16_t keyCode, int16_t shift) {
  if (!held(keyCode)) held_.push_back(keyCode);
  desktop_.keyDown(keyCode, shift);
}

void HeldKeys::keyUp(int16_t keyCode, int16_t shift) {
  std::erase(held_, keyCode);
  desktop_.keyUp(keyCode, shift);
}

void HeldKeys::focusLost() {
  std::vector<int16_t> held = std::exchange(held_, {});
  // Ordinary keys first, as a hand lifting off the keyboard would, then the modifiers.
  std::stable_partition(held.begin(), held.end(), [](int16_t code) { return !isModifier(code); });
  for (int16_t code : held) desktop_.keyUp(code, 0);
}

bool HeldKeys::held(int16_t keyCode) const {
  return std::find(held_.begin(), held_.end(), keyCode) != held_.end();
}

}  // namespace korvanta
