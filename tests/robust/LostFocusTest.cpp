// Keys held while the window loses the keyboard, and keys the game has no use for: nothing stays
// pressed, the sight never sticks.
#include <gtest/gtest.h>

#include <SDL_events.h>

#include <functional>

#include "platform/EventLoop.h"
#include "tests/game/GameFixture.h"
#include "ui/HeldKeys.h"

namespace korvanta::test {
namespace {

class LostFocusTest : public GameTest {
 protected:
  LostFocusTest() { start(); }

  // What the event loop does with the desktop's key events.
  HeldKeys keys{h.desktop};
};

TEST_F(LostFocusTest, KeysHeldAsTheWindowLosesTheKeyboardAreLetGo_TheSightNeverLocks) {
  // Left held down: one step, and auto-repeat does not walk the sight any further.
  for (int i = 0; i < 6; ++i) keys.keyDown(key::kLeft, 0);
  EXPECT_EQ(game.MMirilla.balance(), -500);
  EXPECT_EQ(game.teclaUsada, 1);
  EXPECT_TRUE(keys.held(key::kLeft));

  // The player switches to another window with Left still down; its key-up goes elsewhere.
  keys.focusLost();
  EXPECT_EQ(game.teclaUsada, 0);
  EXPECT_FALSE(keys.held(key::kLeft));

  // Back in the game, the next press of Left moves the sight again.
  h.tick(5);
  keys.keyDown(key::kLeft, 0);
  EXPECT_EQ(game.MMirilla.balance(), -1000);
  keys.keyUp(key::kLeft, 0);
  keys.keyDown(key::kRight, 0);
  EXPECT_EQ(game.MMirilla.balance(), -500);
  keys.keyUp(key::kRight, 0);

  // A second loss of focus with nothing held sends nothing and changes nothing.
  keys.focusLost();
  EXPECT_EQ(game.MMirilla.balance(), -500);

  // Shift (which centres) and Ctrl (which fires) held together with Right, then focus is lost.
  h.press(key::kSpace);
  ASSERT_EQ(game.balasCargadas, 1);
  keys.keyDown(key::kShift, shift::kShift);
  EXPECT_EQ(game.MMirilla.balance(), 0);
  keys.keyDown(key::kCtrl, shift::kShift | shift::kCtrl);
  keys.keyDown(key::kRight, shift::kShift | shift::kCtrl);
  EXPECT_EQ(game.MMirilla.balance(), 0) << "the latch holds while Shift is down";
  keys.focusLost();
  EXPECT_FALSE(keys.held(key::kShift));
  EXPECT_FALSE(keys.held(key::kCtrl));
  EXPECT_FALSE(keys.held(key::kRight));
  EXPECT_EQ(game.teclaUsada, 0);

  // Later keys arrive with an empty shift state (SDL clears its own on focus loss): Right moves
  // the sight instead of centring it, and no shot goes off with it.
  for (int i = 0; i < 2; ++i) {
    keys.keyDown(key::kRight, 0);
    keys.keyUp(key::kRight, 0);
  }
  EXPECT_EQ(game.MMirilla.balance(), 1000);
  EXPECT_EQ(game.balasCargadas, 1);
}

TEST_F(LostFocusTest, AnyKeyFreesTheLatchAndCountsForCtrlFiringAndShiftCentring) {
  h.press(key::kSpace);
  ASSERT_EQ(game.balasCargadas, 1);

  // SDL's key events, one per wait of the real event loop, and what must hold once each is handled.
  struct Step {
    Uint32 type;
    SDL_Keycode sym;
    Uint16 mod;
    std::function<void()> then;
  };
  const std::vector<Step> steps = {
      {SDL_KEYDOWN, SDLK_LEFT, 0, [&] { EXPECT_EQ(game.MMirilla.balance(), -500); }},
      {SDL_KEYDOWN, SDLK_TAB, 0, [&] { EXPECT_EQ(game.teclaUsada, 1); }},
      {SDL_KEYUP, SDLK_TAB, 0, [&] { EXPECT_EQ(game.teclaUsada, 0) << "Tab's key-up"; }},
      {SDL_KEYDOWN, SDLK_LEFT, 0, [&] { EXPECT_EQ(game.MMirilla.balance(), -1000); }},
      {SDL_KEYDOWN, SDLK_TAB, KMOD_LCTRL, [&] { EXPECT_EQ(game.balasCargadas, 0) << "Ctrl+Tab"; }},
      {SDL_KEYDOWN, SDLK_F5, KMOD_RCTRL | KMOD_NUM,
       [&] { EXPECT_EQ(game.MMirilla.file(), h.sound("g.mp3")); }},
      {SDL_KEYDOWN, SDLK_BACKSPACE, KMOD_LSHIFT,
       [&] { EXPECT_EQ(game.MMirilla.balance(), -1000) << "the latch is still set by Left"; }},
      {SDL_KEYUP, SDLK_KP_PLUS, 0, [&] { EXPECT_EQ(game.teclaUsada, 0); }},
      {SDL_KEYDOWN, SDLK_COMMA, KMOD_RSHIFT | KMOD_CAPS,
       [&] {
         EXPECT_EQ(game.MMirilla.balance(), 0) << "Shift+comma centres";
         EXPECT_EQ(game.MMirilla.file(), h.sound("m.mp3"));
         EXPECT_EQ(game.teclaUsada, 1);
       }},
      {SDL_KEYDOWN, SDLK_RIGHT, 0, [&] { EXPECT_EQ(game.MMirilla.balance(), 0); }},
      {SDL_QUIT, 0, 0, [] {}},
  };
  size_t next = 0;
  SdlScreen screen;
  // The clock stands still, so no tick comes between the keys; the last event closes the window.
  EventLoop loop(h.desktop, screen,
                 {.now = [] { return uint64_t(0); },
                  .wait =
                      [&](SDL_Event& event, int) {
                        if (next > 0) steps[next - 1].then();
                        if (next == steps.size()) return false;
                        event = {};
                        event.type = steps[next].type;
                        event.key.keysym.sym = steps[next].sym;
                        event.key.keysym.mod = steps[next].mod;
                        ++next;
                        return true;
                      }});
  loop.run();
  EXPECT_EQ(next, steps.size());
  EXPECT_FALSE(game.loaded());
}

}  // namespace
}  // namespace korvanta::test
