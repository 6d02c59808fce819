// The keys held down in the program's window, so that none outlives the window's keyboard focus.
#pragma once

#include <cstdint>
#include <vector>

namespace korvanta {

class Desktop;

// Passes key events on to the desktop and remembers which keys are down. When the window loses
// the keyboard, the key-ups of those keys would go to another window: they are released here
// instead, so the game's key latch frees and no modifier stays pressed.
class HeldKeys {
 public:
  explicit HeldKeys(Desktop& desktop) : desktop_(desktop) {}

  // A key went down (auto-repeat included) or came up in the window.
  void keyDown(int16_t keyCode, int16_t shift);
  void keyUp(int16_t keyCode, int16_t shift);

  // The window lost the keyboard: every key still held comes up, modifier keys last, each with
  // an empty shift state.
  void focusLost();

  bool held(int16_t keyCode) const;

 private:
  Desktop& desktop_;
  // In the order they went down.
  std::vector<int16_t> held_;
};

}  // namespace korvanta
