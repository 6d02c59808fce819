// The key codes and shift mask the windows receive, whatever keyboard they came from.
#pragma once

#include <cstdint>

namespace korvanta {

namespace key {
inline constexpr int16_t kEnter = 13;
inline constexpr int16_t kShift = 16;
inline constexpr int16_t kCtrl = 17;
inline constexpr int16_t kAlt = 18;
inline constexpr int16_t kEscape = 27;
inline constexpr int16_t kSpace = 32;
inline constexpr int16_t kLeft = 37;
inline constexpr int16_t kUp = 38;
inline constexpr int16_t kRight = 39;
inline constexpr int16_t kDown = 40;
// Digits 0 to 9 of the main keyboard are 48 to 57; letters A to Z are 65 to 90.
inline constexpr int16_t kDigit0 = 48;
inline constexpr int16_t kLetterA = 65;
// Keypad digits 0 to 9 are 96 to 105.
inline constexpr int16_t kKeypad0 = 96;
// Every other key (Tab, Backspace, F-keys, punctuation...): still a key going down and up, which
// the latch, firing and centring rules count, but a code that no rule tests.
inline constexpr int16_t kOther = 255;
}  // namespace key

// Bits of the shift state.
namespace shift {
inline constexpr int16_t kShift = 1;
inline constexpr int16_t kCtrl = 2;
inline constexpr int16_t kAlt = 4;
}  // namespace shift

}  // namespace korvanta
