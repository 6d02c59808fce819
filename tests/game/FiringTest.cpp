// The player's hands on the gun: the sight's moves and end stops, loading, firing, who falls to a
// shot and what the bullets left decide afterwards.
#include <cmath>
#include <tuple>

#include "GameFixture.h"
#include "sound/Limiter.h"
#include "tests/support/Listening.h"

namespace korvanta::test {
namespace {

using AimingTest = GameTest;
using FiringTest = GameTest;

TEST_F(AimingTest, TheSightStopsAtBothEndsAndMovesOncePerKeyPress) {
  start();
  Player& sight = game.MMirilla;
  // Down jumps to the far left and Up to the far right, and the cue is heard there. At the end the
  // outward arrow does nothing at all; the inward one works and frees the outward one again.
  for (const auto& [jump, end, outward, inward] :
       {std::tuple{key::kDown, -5000, key::kLeft, key::kRight},
        std::tuple{key::kUp, 5000, key::kRight, key::kLeft}}) {
    SCOPED_TRACE(end);
    h.press(jump);
    EXPECT_EQ(sight.balance(), end);
    EXPECT_EQ(sight.file(), h.sound("m.mp3"));
    h.tick();
    const int near = end < 0 ? 0 : 1;
    // Twice the energy in the near channel of the last 10 ms heard.
    EXPECT_GT(e2e::rms(h.output.lastBlock(), near),
              std::sqrt(2.0) * e2e::rms(h.output.lastBlock(), 1 - near));
    h.tick(20);
    h.press(outward);
    EXPECT_EQ(sight.balance(), end);
    EXPECT_TRUE(sight.playedOut());
    h.press(inward);
    EXPECT_EQ(sight.balance(), end - end / 10);
    EXPECT_FALSE(sight.playedOut());
    h.press(outward);
    EXPECT_EQ(sight.balance(), end);
  }

  // A held arrow key moves once, whatever its auto-repeat does.
  h.press(key::kLeft);
  for (int i = 0; i < 3; ++i) h.keyDown(key::kLeft);
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
  // Ctrl before any reload answers with the empty-gun sound.
  hands.fire();
  EXPECT_EQ(game.MMirilla.file(), h.sound("g.mp3"));
  // A won game: shots fire, but nobody comes back and the gunman keeps quiet.
  inPlayUpTo(0);
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
  hands.reload();
  EXPECT_EQ(game.balasCargadas, 5);
  EXPECT_TRUE(game.MMirilla.playedOut());

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
  hands.fire();
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
  hands.reload();
  h.press(key::kEscape, shift::kCtrl);
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_EQ(game.rutaDisparo, h.sound("d1.mp3"));
  EXPECT_EQ(game.salidaPedida, 1);
}

TEST_F(FiringTest, OneShotDownsEverySoundingAttackerAtTheSightAndNoOneElse) {
  start();
  for (int k = 1; k <= Form1::kSlots; ++k) {
    game.indioActivo(k) = 1;
    game.MIndio(k).balance(-2500);
  }
  // One step off the sight.
  game.MIndio(1).balance(-2000);
  cry(1);
  cry(2);
  // Its cry has played out: too late.
  cryEnded(3);
  // Already down.
  cry(4);
  game.indioActivo(4) = 0;
  cry(5);
  // It has just shot: rewound, it can be hit until its next cry has played through.
  cryEnded(6);
  game.MIndio(6).position(0);
  // Never heard yet (slot 7).

  hands.aimAt(-2500);
  hands.reload();
  const int16_t counted = game.indiosActivos;
  hands.fire();

  EXPECT_EQ(game.MMirilla.file(), h.sound("d3.mp3"));
  EXPECT_EQ(game.MMirilla.balance(), -2500);
  // Each falls to one of the two hit sounds, the same for all, from where it stood.
  const std::string hit = game.MIndio(2).file();
  EXPECT_TRUE(hit == h.sound("g1.mp3") || hit == h.sound("g2.mp3")) << hit;
  for (int k : {2, 5, 6}) {
    SCOPED_TRACE(k);
    EXPECT_EQ(game.indioActivo(k), 0);
    EXPECT_EQ(game.MIndio(k).file(), hit);
    EXPECT_FALSE(game.MIndio(k).playedOut());
    EXPECT_EQ(game.MIndio(k).balance(), -2500);
  }
  for (int k : {1, 3, 7}) EXPECT_EQ(game.indioActivo(k), 1) << k;
  EXPECT_EQ(game.MIndio(3).file(), game.vozIndio(3));
  EXPECT_EQ(game.MIndio(4).file(), game.vozIndio(4));
  EXPECT_EQ(game.MIndio(7).file(), "");

  // The count waits for the clock.
  EXPECT_EQ(game.indiosActivos, counted);
  h.tick();
  EXPECT_EQ(game.indiosActivos, 3);
}

TEST_F(FiringTest, TheClimaxNeverPassesFullScaleAndTheShotCutsTheSightCueWithoutAClick) {
  start();
  // Takes in what was just played: its loudest sample and its sharpest bend between frames (a cut
  // tone bends sharply, a tone or a fade hardly at all).
  float loudest = 0.0f, largestBend = 0.0f, last = 0.0f, slope = 0.0f;
  const auto hear = [&] {
    for (size_t i = 0; i < h.output.lastBlock().size(); i += 2) {
      const float sample = h.output.lastBlock()[i];
      loudest = std::max(loudest, std::abs(sample));
      largestBend = std::max(largestBend, std::abs(sample - last - slope));
      slope = sample - last;
      last = sample;
    }
  };
  // The sight cue sounds at full loudness, a bullet loaded beforehand; the shot replaces the cue,
  // fired near a crest of it, where cutting it dead would be heard most.
  hands.reload();
  h.tick(30);
  game.MMirilla.volume(0);
  hands.aimAt(-500);
  h.tick(5);
  for (int i = 0; i < 2 || std::abs(last) < 0.2f; ++i, hear()) h.output.advance(1);
  largestBend = 0.0f;
  hands.fire();
  h.tick();
  hear();
  EXPECT_LT(largestBend, 0.02f) << "the cue fades under the shot instead of stopping dead";
  EXPECT_EQ(game.MMirilla.position(), 480.0 / 48000) << "the shot starts on time";

  // All seven at the gunman, crying at full loudness, three of them shooting, then a shot.
  for (int k = 1; k <= Form1::kSlots; ++k) {
    game.indioActivo(k) = 1;
    game.MIndio(k).volume(0);
    game.MIndio(k).balance(0);
    k <= 3 ? cryEnded(k) : cry(k);
  }
  game.flecha();
  for (int k = 1; k <= 3; ++k) cry(k);
  hands.reload();
  hands.fire();
  loudest = 0.0f;
  for (int t = 0; t < 50; ++t, hear()) h.tick();
  // Seven cries at 0.3 each would reach 2.1 and more.
  EXPECT_LE(loudest, Limiter::kCeiling);
  EXPECT_GT(loudest, 0.9f);
}

TEST_F(FiringTest, TheBulletsLeftDecideWhenTheFallenReturnAndWhenTheGunmanSpeaks) {
  start();
  // In play, loaded and spare before the shot; counted and spare after it, and whether the gunman
  // said "no salgo".
  const struct {
    int inPlay, loaded, spare, inPlayAfter, spareAfter;
    bool speaks;
  } cases[] = {
      // Left: 6 = 3 x 2, so slots 3 to 5 come back with 3 spares each.
      {2, 2, 5, 5, 14, false},
      // 7 = 3 x 2 + 1 and 5 = 3 x 2 - 1 do the same.
      {2, 3, 5, 5, 14, false},
      {2, 1, 5, 5, 14, false},
      // 8 = 3 x 2 + 2: nothing.
      {2, 4, 5, 2, 5, false},
      // Nobody in play: never.
      {0, 1, 0, 0, 0, false},
      // 4 in play, 9 left = 4 + 5: "no salgo".
      {4, 2, 8, 4, 8, true},
      // 1 in play, 6 left = 1 + 5: he keeps quiet for a single attacker.
      {1, 2, 5, 1, 5, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.inPlay << " in play, " << c.loaded << "+" << c.spare);
    inPlayUpTo(c.inPlay);
    game.indiosActivos = int16_t(c.inPlay);
    game.balasCargadas = c.loaded;
    game.balasReserva = c.spare;
    game.PISTOLERO.file(h.sound("fin.mp3"));
    game.PISTOLERO.volume(-600);
    hands.fire();
    EXPECT_EQ(game.balasCargadas, c.loaded - 1);
    EXPECT_EQ(game.indiosActivos, c.inPlayAfter);
    EXPECT_EQ(hands.inPlay(), c.inPlayAfter);
    EXPECT_EQ(game.balasReserva, c.spareAfter);
    EXPECT_EQ(game.PISTOLERO.file() == h.sound("no salgo.mp3"), c.speaks);
    // He speaks at full loudness; otherwise he is left as he was.
    EXPECT_EQ(game.PISTOLERO.volume(), c.speaks ? 0 : -600);
  }

  // Slots 6 and 7 never come back; those in play stay as they are.
  inPlayUpTo(0);
  for (int k : {1, 3, 5}) game.indioActivo(k) = 1;
  game.balasReserva = 1;
  game.repetir();
  EXPECT_EQ(game.balasReserva, 7);
  EXPECT_EQ(game.indiosActivos, 5);
  EXPECT_EQ(game.indioActivo(6), 0);
  EXPECT_EQ(game.indioActivo(7), 0);
}

}  // namespace
}  // namespace korvanta::test
