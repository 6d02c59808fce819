// The game clock: attackers step one at a time and shoot arrows once their cry has ended, an
// arrow at the centre kills the gunman, success is announced once.
#include <tuple>

#include "GameFixture.h"

namespace korvanta::test {
namespace {

using ClockTest = GameTest;
using ArrowTest = GameTest;

TEST_F(ClockTest, APlayerWhoShootsEveryCryWinsAndHearsSuccessOnceOnTheNextTick) {
  start();
  const int attackers = game.indiosActivos;
  const int shots = hands.shootEveryCry(5000);
  ASSERT_EQ(hands.inPlay(), 0);
  EXPECT_LE(shots, attackers);
  EXPECT_EQ(game.balasCargadas + game.balasReserva, 5 * attackers - shots);
  EXPECT_EQ(game.pistoleroMuerto, 0);
  // Each fell to the hit sound, from its own place.
  for (int k = 1; k <= Form1::kSlots; ++k) {
    const std::string fell = game.MIndio(k).file();
    EXPECT_TRUE(fell == "" || fell == h.sound("g1.mp3") || fell == h.sound("g2.mp3")) << fell;
  }

  // Not at the hit itself: on the tick after it, centred and at full loudness.
  EXPECT_NE(game.MFlecha(1).file(), h.sound("exito.mp3"));
  h.tick();
  EXPECT_EQ(game.indiosActivos, 0);
  EXPECT_EQ(game.MFlecha(1).file(), h.sound("exito.mp3"));
  EXPECT_EQ(game.MFlecha(1).balance(), 0);
  EXPECT_EQ(game.MFlecha(1).volume(), 0);
  EXPECT_FALSE(game.MFlecha(1).playedOut());

  // Once: it plays through and is never started again.
  double last = game.MFlecha(1).position();
  for (int t = 0; t < 150; ++t) {
    h.tick();
    EXPECT_GE(game.MFlecha(1).position(), last);
    last = game.MFlecha(1).position();
  }
  EXPECT_TRUE(game.MFlecha(1).playedOut());
  EXPECT_TRUE(game.loaded());
}

TEST_F(ClockTest, LeftAloneTheAttackersStepOneAtATimeAndCloseInUntilAnArrowKillsTheGunman) {
  start();
  inPlayUpTo(6);
  int steps = 0, t = 0;
  for (; t < 60000 && game.pistoleroMuerto == 0; ++t) {
    std::vector<int32_t> before;
    for (int k = 1; k <= Form1::kSlots; ++k) before.push_back(game.MIndio(k).volume());
    h.tick();
    EXPECT_EQ(game.indiosActivos, hands.inPlay());
    // What is heard of a step: one attacker, a little nearer, crying from the start again. The
    // gunman's death pulls his killer back instead.
    int louder = 0;
    for (int k = 1; k <= Form1::kSlots; ++k) {
      const int32_t v = game.MIndio(k).volume();
      ASSERT_TRUE(v >= -4000 && v <= 0 && v % 200 == 0) << v;
      if (v == before[k - 1] || game.pistoleroMuerto == 1) continue;
      ++louder;
      EXPECT_EQ(v, before[k - 1] + 200) << "tick " << t;
      EXPECT_EQ(game.MIndio(k).file(), game.vozIndio(k));
      EXPECT_LT(game.MIndio(k).position(), 0.02);
    }
    EXPECT_LE(louder, 1) << "tick " << t;
    if (t < 2000) steps += louder;
  }
  // Six attackers with a chance of 1 in 200 each per tick.
  EXPECT_NEAR(steps, 2000 * 6 / 200, 25);
  // The empty slot drawn now and then was never touched.
  EXPECT_EQ(game.MIndio(7).volume(), -4000);
  EXPECT_EQ(game.MIndio(7).file(), "");
  ASSERT_EQ(game.pistoleroMuerto, 1);
  // The attackers first have to come within bow range: 13 steps, 200 ticks apart on average.
  EXPECT_GT(t, 13 * 100);
  // No success follows, however long the game is left.
  h.tick(300);
  EXPECT_NE(game.MFlecha(1).file(), h.sound("exito.mp3"));
  EXPECT_TRUE(game.loaded());
}

TEST_F(ArrowTest,
       OnlyAttackersInBowRangeWhoseCryHasEndedShootEachFromItsOwnPlayer_EvenAtTheGunman) {
  start();
  inPlayUpTo(5);
  // Still crying, however close.
  game.MIndio(1).volume(0);
  cry(1);
  // Quiet, too far away.
  game.MIndio(2).volume(-1600);
  cryEnded(2);
  // Just within range.
  game.MIndio(3).volume(-1400);
  cryEnded(3);
  // Down.
  game.indioActivo(4) = 0;
  game.MIndio(4).volume(-200);
  cryEnded(4);
  game.MIndio(5).volume(-1000);
  cryEnded(5);

  // Slot 3's arrow is f1 just right of the gunman, slot 5's is f4 just left of him.
  ASSERT_TRUE(hands.arrangeDraws([](Random& r) {
    return r.draw(4) == 1 && r.draw(21) == 10 && r.draw(4) == 4 && r.draw(21) == 12;
  }));
  game.flecha();
  for (const auto& [k, arrow, place] : {std::tuple{3, "f1.mp3", 500}, {5, "f4.mp3", -500}}) {
    EXPECT_EQ(game.MFlecha(k).file(), h.sound(arrow));
    EXPECT_EQ(game.MFlecha(k).balance(), place);
    EXPECT_EQ(game.MFlecha(k).volume(), 0);
    EXPECT_FALSE(game.MFlecha(k).playedOut());
    // Rewound: it cannot shoot again until its next cry has played through.
    EXPECT_EQ(game.MIndio(k).position(), 0.0);
  }
  for (int k : {1, 2, 4, 6, 7}) EXPECT_EQ(game.MFlecha(k).file(), "") << k;
  EXPECT_EQ(game.rutaFlecha, h.sound("f4.mp3"));
  EXPECT_EQ(game.balanceFlecha, -500);
  EXPECT_EQ(game.pistoleroMuerto, 0);

  // A second look before anyone steps again launches nothing.
  h.tick(10);
  const double flown = game.MFlecha(3).position();
  game.flecha();
  EXPECT_EQ(game.MFlecha(3).position(), flown);
  EXPECT_EQ(game.balanceFlecha, -500);

  // Slot 1, at the gunman, steps once its cry has ended: it shoots, an f2 far to the left, and
  // stays at full loudness, crying again.
  cryEnded(1);
  ASSERT_TRUE(hands.arrangeDraws(
      [](Random& r) { return r.draw(200) == 1 && r.draw(4) == 2 && r.draw(21) == 21; }));
  h.tick();
  EXPECT_EQ(game.MFlecha(1).file(), h.sound("f2.mp3"));
  EXPECT_EQ(game.MFlecha(1).balance(), -5000);
  EXPECT_EQ(game.MFlecha(1).volume(), 0);
  EXPECT_FALSE(game.MFlecha(1).playedOut());
  EXPECT_EQ(game.MIndio(1).volume(), 0);
  EXPECT_EQ(game.MIndio(1).file(), game.vozIndio(1));
  EXPECT_FALSE(game.MIndio(1).playedOut());
  EXPECT_EQ(game.pistoleroMuerto, 0);
}

TEST_F(ArrowTest, AnArrowAtTheCentreKillsTheGunmanAndEndsTheFight) {
  start();
  inPlayUpTo(4);
  game.balasCargadas = 3;
  game.balasReserva = 7;
  game.MIndio(1).volume(-3000);
  // Slot 2 has reached the gunman and is crying; it is the one that steps.
  game.MIndio(2).volume(0);
  cry(2);
  // Slot 3 at the gunman too, its cry ended: it shoots, at the centre.
  game.MIndio(3).volume(0);
  cryEnded(3);
  // Slot 4 is due as well, but the dead do not get shot at.
  game.MIndio(4).volume(-1400);
  cryEnded(4);

  ASSERT_TRUE(hands.arrangeDraws(
      [](Random& r) { return r.draw(200) == 2 && r.draw(4) > 0 && r.draw(21) == 11; }));
  h.tick();

  EXPECT_EQ(game.pistoleroMuerto, 1);
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_EQ(game.balasReserva, 0);
  EXPECT_EQ(hands.inPlay(), 0);
  // The same tick counts nobody left, and yet no success ever comes (checked last).
  EXPECT_EQ(game.indiosActivos, 0);

  // The death at the centre, five times over.
  EXPECT_EQ(game.MIndio100.file(), h.sound("muerte.mp3"));
  EXPECT_EQ(game.MIndio100.balance(), 0);
  EXPECT_EQ(game.MIndio100.volume(), -600);
  // The killing arrow itself sounds at the centre.
  EXPECT_EQ(game.MFlecha(3).balance(), 0);
  EXPECT_EQ(game.MFlecha(3).volume(), 0);
  EXPECT_FALSE(game.MFlecha(3).playedOut());
  EXPECT_EQ(game.MFlecha(4).file(), "");
  EXPECT_EQ(game.MIndio(4).position(), game.MIndio(4).duration());
  // Pulled back from the gunman; the stepping one then comes back to 0 and cries again.
  EXPECT_EQ(game.MIndio(3).volume(), -200);
  EXPECT_EQ(game.MIndio(2).volume(), 0);
  EXPECT_EQ(game.MIndio(2).file(), game.vozIndio(2));
  EXPECT_EQ(game.MIndio(1).volume(), -3000);
  EXPECT_EQ(game.MIndio(4).volume(), -1400);

  const double death = game.MIndio100.duration();
  h.tick(int(death * 100 * 4));
  EXPECT_FALSE(game.MIndio100.playedOut());
  h.tick(int(death * 100 * 1.5));
  EXPECT_TRUE(game.MIndio100.playedOut());

  // The gun is empty for good: Ctrl clicks, Space finds nothing to load.
  hands.fire();
  EXPECT_EQ(game.MMirilla.file(), h.sound("g.mp3"));
  hands.reload();
  EXPECT_EQ(game.MMirilla.file(), h.sound("g.mp3"));
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_NE(game.MFlecha(1).file(), h.sound("exito.mp3"));

  // The dead gunman's farewell, and back to the menu once it is over.
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("fin.mp3"));
  EXPECT_EQ(game.PISTOLERO.volume(), -500);
  h.tickUntil([&] { return !game.loaded(); }, 300);
  EXPECT_FALSE(game.loaded());
  EXPECT_EQ(menu.loads, 1);
}

}  // namespace
}  // namespace korvanta::test
