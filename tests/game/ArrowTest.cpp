// Arrows: who shoots, where the arrow lands, and the gunman's death at the centre.
#include "GameFixture.h"

namespace korvanta::test {
namespace {

using ArrowTest = GameTest;

TEST_F(ArrowTest, OnlyAttackersInBowRangeWhoseCryHasEndedShootEachFromItsOwnPlayer) {
  start();
  for (int k = 1; k <= Form1::kSlots; ++k) game.indioActivo(k) = k <= 5 ? 1 : 0;
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
  arrangeDraws([](Random& r) {
    return r.draw(4) == 1 && r.draw(21) == 10 && r.draw(4) == 4 && r.draw(21) == 12;
  });
  game.flecha();
  EXPECT_EQ(game.MFlecha(3).file(), h.sound("f1.mp3"));
  EXPECT_EQ(game.MFlecha(3).balance(), 500);
  EXPECT_EQ(game.MFlecha(5).file(), h.sound("f4.mp3"));
  EXPECT_EQ(game.MFlecha(5).balance(), -500);
  for (int k : {3, 5}) {
    EXPECT_EQ(game.MFlecha(k).volume(), 0);
    EXPECT_TRUE(sounding(game.MFlecha(k)));
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
}

TEST_F(ArrowTest, AnArrowAtTheCentreKillsTheGunmanAndEndsTheFight) {
  start();
  for (int k = 1; k <= Form1::kSlots; ++k) game.indioActivo(k) = k <= 4 ? 1 : 0;
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

  arrangeDraws([](Random& r) { return r.draw(200) == 2 && r.draw(4) > 0 && r.draw(21) == 11; });
  h.tick();

  EXPECT_EQ(game.pistoleroMuerto, 1);
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_EQ(game.balasReserva, 0);
  for (int k = 1; k <= Form1::kSlots; ++k) EXPECT_EQ(game.indioActivo(k), 0) << k;
  // The same tick counts nobody left, and yet there is no success.
  EXPECT_EQ(game.indiosActivos, 0);
  EXPECT_NE(game.MFlecha(1).file(), h.sound("exito.mp3"));

  // The death at the centre, five times over.
  EXPECT_EQ(game.MIndio100.file(), h.sound("muerte.mp3"));
  EXPECT_EQ(game.MIndio100.balance(), 0);
  EXPECT_EQ(game.MIndio100.volume(), -600);
  // The killing arrow itself sounds at the centre.
  EXPECT_EQ(game.MFlecha(3).balance(), 0);
  EXPECT_EQ(game.MFlecha(3).volume(), 0);
  EXPECT_TRUE(sounding(game.MFlecha(3)));
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
  EXPECT_TRUE(sounding(game.MIndio100));
  h.tick(int(death * 100 * 1.5));
  EXPECT_FALSE(sounding(game.MIndio100));

  // The gun is empty for good: Ctrl clicks, Space finds nothing to load.
  fire();
  EXPECT_EQ(game.MMirilla.file(), h.sound("g.mp3"));
  reload();
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
