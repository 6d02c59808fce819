// The game clock: attackers step one at a time, success is announced once, idle gunmen die.
#include "GameFixture.h"

namespace korvanta::test {
namespace {

using ClockTest = GameTest;

TEST_F(ClockTest, OneAttackerAtMostStepsPerTickGrowingLouderAsItsCryStartsAgain) {
  start();
  for (int k = 1; k <= 6; ++k) game.indioActivo(k) = 1;
  game.indioActivo(7) = 0;
  int steps = 0;
  for (int t = 0; t < 2000 && game.pistoleroMuerto == 0; ++t) {
    std::vector<int32_t> before;
    for (int k = 1; k <= Form1::kSlots; ++k) before.push_back(game.MIndio(k).volume());
    h.tick();
    EXPECT_EQ(game.indiosActivos, inPlay());
    // What is heard of a step: one attacker, a little nearer, crying from the start again.
    int louder = 0;
    for (int k = 1; k <= Form1::kSlots; ++k) {
      if (game.MIndio(k).volume() == before[k - 1]) continue;
      ++louder;
      EXPECT_EQ(game.MIndio(k).volume(), before[k - 1] + 200) << "tick " << t;
      EXPECT_EQ(game.MIndio(k).file(), game.vozIndio(k));
      EXPECT_LT(game.MIndio(k).position(), 0.02);
    }
    EXPECT_LE(louder, 1) << "tick " << t;
    steps += louder;
  }
  // Six attackers with a chance of 1 in 200 each per tick.
  EXPECT_NEAR(steps, 2000 * 6 / 200, 25);
  // The empty slot drawn now and then was never touched.
  EXPECT_EQ(game.MIndio(7).volume(), -4000);
  EXPECT_EQ(game.MIndio(7).file(), "");
}

TEST_F(ClockTest, AnAttackerAtTheGunmanShootsStaysAtFullLoudnessAndCriesAgain) {
  start();
  for (int k = 2; k <= Form1::kSlots; ++k) game.indioActivo(k) = 0;
  game.MIndio(1).volume(0);
  cryEnded(1);
  // Slot 1 steps; its arrow is a sound f2 far to the left.
  arrangeDraws([](Random& r) { return r.draw(200) == 1 && r.draw(4) == 2 && r.draw(21) == 21; });
  h.tick();
  EXPECT_EQ(game.MFlecha(1).file(), h.sound("f2.mp3"));
  EXPECT_EQ(game.MFlecha(1).balance(), -5000);
  EXPECT_EQ(game.MFlecha(1).volume(), 0);
  EXPECT_TRUE(sounding(game.MFlecha(1)));
  EXPECT_EQ(game.MIndio(1).volume(), 0);
  EXPECT_EQ(game.MIndio(1).file(), game.vozIndio(1));
  EXPECT_TRUE(sounding(game.MIndio(1)));
  EXPECT_EQ(game.pistoleroMuerto, 0);
}

TEST_F(ClockTest, APlayerWhoShootsEveryCryWinsAndHearsSuccessOnceOnTheNextTick) {
  start();
  const int attackers = game.indiosActivos;
  const int shots = shootEveryCry(5000);
  ASSERT_EQ(inPlay(), 0);
  EXPECT_LE(shots, attackers);
  EXPECT_EQ(game.balasCargadas + game.balasReserva, 5 * attackers - shots);
  EXPECT_EQ(game.pistoleroMuerto, 0);
  // Each fell to the hit sound, from its own place.
  for (int k = 1; k <= Form1::kSlots; ++k) {
    if (game.MIndio(k).file() != "") {
      EXPECT_TRUE(game.MIndio(k).file() == h.sound("g1.mp3") ||
                  game.MIndio(k).file() == h.sound("g2.mp3"));
    }
  }

  // Not at the hit itself: on the tick after it, centred and at full loudness.
  EXPECT_NE(game.MFlecha(1).file(), h.sound("exito.mp3"));
  h.tick();
  EXPECT_EQ(game.indiosActivos, 0);
  EXPECT_EQ(game.MFlecha(1).file(), h.sound("exito.mp3"));
  EXPECT_EQ(game.MFlecha(1).balance(), 0);
  EXPECT_EQ(game.MFlecha(1).volume(), 0);
  EXPECT_TRUE(sounding(game.MFlecha(1)));

  // Once: it plays through and is never started again.
  double last = game.MFlecha(1).position();
  for (int t = 0; t < 150; ++t) {
    h.tick();
    EXPECT_GE(game.MFlecha(1).position(), last);
    last = game.MFlecha(1).position();
  }
  EXPECT_FALSE(sounding(game.MFlecha(1)));
  EXPECT_TRUE(game.loaded());
}

TEST_F(ClockTest, LeftAloneTheAttackersCloseInUntilAnArrowKillsTheGunman) {
  start();
  int t = 0;
  for (; t < 60000 && game.pistoleroMuerto == 0; ++t) {
    h.tick();
    for (int k = 1; k <= Form1::kSlots; ++k) {
      const int32_t v = game.MIndio(k).volume();
      ASSERT_TRUE(v >= -4000 && v <= 0 && v % 200 == 0) << v;
    }
  }
  ASSERT_EQ(game.pistoleroMuerto, 1);
  // The attackers first have to come within bow range: 13 steps, 200 ticks apart on average.
  EXPECT_GT(t, 13 * 100);
  EXPECT_EQ(game.indiosActivos, 0);
  EXPECT_EQ(game.MIndio100.file(), h.sound("muerte.mp3"));
  EXPECT_NE(game.MFlecha(1).file(), h.sound("exito.mp3"));
  h.tick(300);
  EXPECT_NE(game.MFlecha(1).file(), h.sound("exito.mp3"));
  EXPECT_TRUE(game.loaded());
}

}  // namespace
}  // namespace korvanta::test
