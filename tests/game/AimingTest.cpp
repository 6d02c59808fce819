// The player's keys: the sight's moves and end stops, the latch, reloading and firing.
#include <cmath>

#include "GameFixture.h"

namespace korvanta::test {
namespace {

using AimingTest = GameTest;

// Loudness of one channel (0 left, 1 right) in the last 10 ms heard.
double energy(const std::vector<float>& block, int channel) {
  double sum = 0;
  for (size_t i = channel; i < block.size(); i += 2) sum += double(block[i]) * block[i];
  return sum;
}

TEST_F(AimingTest, TheSightStopsAtBothEndsAndMovesOncePerKeyPress) {
  start();
  Player& sight = game.MMirilla;

  // Down jumps to the far left, and the cue is heard there.
  h.press(key::kDown);
  EXPECT_EQ(sight.balance(), -5000);
  EXPECT_EQ(sight.file(), h.sound("m.mp3"));
  h.tick();
  EXPECT_GT(energy(h.output.lastBlock(), 0), 2 * energy(h.output.lastBlock(), 1));

  // At the end, Left does nothing at all; Right works and frees Left again.
  h.tick(20);
  h.press(key::kLeft);
  EXPECT_EQ(sight.balance(), -5000);
  EXPECT_FALSE(sounding(sight));
  h.press(key::kRight);
  EXPECT_EQ(sight.balance(), -4500);
  EXPECT_TRUE(sounding(sight));
  h.press(key::kLeft);
  EXPECT_EQ(sight.balance(), -5000);

  // The same at the far right.
  h.press(key::kUp);
  EXPECT_EQ(sight.balance(), 5000);
  h.tick(20);
  h.press(key::kRight);
  EXPECT_EQ(sight.balance(), 5000);
  EXPECT_FALSE(sounding(sight));
  h.press(key::kLeft);
  EXPECT_EQ(sight.balance(), 4500);
  // One step short of the end blocks nothing.
  h.press(key::kRight);
  EXPECT_EQ(sight.balance(), 5000);

  // A held arrow key moves once, whatever its auto-repeat does.
  h.press(key::kLeft);
  h.keyDown(key::kLeft);
  h.keyDown(key::kLeft);
  h.keyDown(key::kLeft);
  EXPECT_EQ(sight.balance(), 4000);
  h.keyUp(key::kLeft);
  h.press(key::kLeft);
  EXPECT_EQ(sight.balance(), 3500);

  // Shift alone centres; while it is held no arrow moves the sight.
  h.keyDown(key::kShift, shift::kShift);
  EXPECT_EQ(sight.balance(), 0);
  EXPECT_EQ(sight.file(), h.sound("m.mp3"));
  h.keyDown(key::kLeft, shift::kShift);
  h.keyDown(key::kUp, shift::kShift);
  EXPECT_EQ(sight.balance(), 0);
  h.keyUp(key::kShift);
  h.press(key::kLeft);
  EXPECT_EQ(sight.balance(), -500);
}

TEST_F(AimingTest, ReloadingAndFiringFollowTheKeysAndTheBullets) {
  start();
  // A won game: shots fire, but nobody comes back and the gunman keeps quiet.
  for (int k = 1; k <= Form1::kSlots; ++k) game.indioActivo(k) = 0;
  h.tick();
  game.balasReserva = 10;

  // Holding Space loads one bullet per repeat, five at most, even with Left still held down.
  h.keyDown(key::kLeft);
  for (int i = 0; i < 8; ++i) h.keyDown(key::kSpace);
  h.keyUp(key::kSpace);
  EXPECT_EQ(game.balasCargadas, 5);
  EXPECT_EQ(game.balasReserva, 5);
  EXPECT_EQ(game.MMirilla.file(), h.sound("c.mp3"));
  h.tick(30);
  reload();
  EXPECT_EQ(game.balasCargadas, 5);
  EXPECT_FALSE(sounding(game.MMirilla));

  // Ctrl+Space fires, then loads: the reload is what is heard.
  h.press(key::kSpace, shift::kCtrl);
  EXPECT_EQ(game.balasCargadas, 5);
  EXPECT_EQ(game.balasReserva, 4);
  EXPECT_EQ(game.rutaDisparo, h.sound("d3.mp3"));
  EXPECT_EQ(game.MMirilla.file(), h.sound("c.mp3"));

  // Key 2 chooses the shot and previews it; the keypad's 3 chooses nothing.
  h.press(key::kDigit0 + 2);
  EXPECT_EQ(game.MMirilla.file(), h.sound("d2.mp3"));
  h.press(key::kKeypad0 + 3);
  fire();
  EXPECT_EQ(game.rutaDisparo, h.sound("d2.mp3"));
  EXPECT_EQ(game.balasCargadas, 4);

  // Shift and Ctrl together neither centre nor fire.
  h.press(key::kLeft);
  h.press(key::kCtrl, shift::kShift | shift::kCtrl);
  EXPECT_EQ(game.balasCargadas, 4);
  EXPECT_EQ(game.MMirilla.balance(), -1000);

  // Held Ctrl fires on every repeat until the gun clicks empty.
  for (int i = 0; i < 6; ++i) h.keyDown(key::kCtrl, shift::kCtrl);
  h.keyUp(key::kCtrl);
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_EQ(game.balasReserva, 4);
  EXPECT_EQ(game.MMirilla.file(), h.sound("g.mp3"));

  // Shift+1 chooses shot 1, and the centring of the same press is what is heard.
  h.press(key::kDigit0 + 1, shift::kShift);
  EXPECT_EQ(game.disparoElegido, "d1.mp3");
  EXPECT_EQ(game.MMirilla.file(), h.sound("m.mp3"));
  EXPECT_EQ(game.MMirilla.balance(), 0);

  // Ctrl+Escape fires the last loaded bullet, then asks to leave.
  reload();
  h.press(key::kEscape, shift::kCtrl);
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_EQ(game.rutaDisparo, h.sound("d1.mp3"));
  EXPECT_EQ(game.salidaPedida, 1);
}

}  // namespace
}  // namespace korvanta::test
