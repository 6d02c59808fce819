// Leaving with Escape: the farewell that fits, the menu once it has played out, bad sound packs.
#include <fstream>

#include "GameFixture.h"

namespace korvanta::test {
namespace {

using LeavingTest = GameTest;

TEST_F(LeavingTest, EscapeWhileAttackersRemainAndPressedTwiceWaitsForTheLastFarewell) {
  start();
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("no salgo.mp3"));
  EXPECT_EQ(game.PISTOLERO.volume(), -500);
  EXPECT_EQ(game.salidaPedida, 1);
  const int farewell = int(game.PISTOLERO.duration() * 100);

  // Halfway through, Escape again starts the farewell over.
  h.tick(farewell / 2);
  h.press(key::kEscape);
  EXPECT_LT(game.PISTOLERO.position(), 0.02);
  h.tick(farewell * 3 / 4);
  EXPECT_TRUE(game.loaded());
  EXPECT_EQ(menu.loads, 0);

  // A shot meanwhile still fires, and the game goes on until the farewell ends.
  reload();
  fire();
  EXPECT_EQ(game.balasCargadas, 0);
  const int waited = h.tickUntil([&] { return !game.loaded(); }, farewell);
  EXPECT_LT(waited, farewell / 2);

  // The menu came up while the game window was still there; then the game went silent.
  EXPECT_EQ(menu.loads, 1);
  EXPECT_TRUE(menu.gameStillLoaded);
  EXPECT_TRUE(menu.loaded());
  EXPECT_EQ(game.PISTOLERO.file(), "");
  const int16_t lastDraw = game.sorteoPaso;
  h.tick(50);
  EXPECT_EQ(game.sorteoPaso, lastDraw);
  EXPECT_EQ(menu.loads, 1);
}

TEST_F(LeavingTest, AfterAWinTheGunmanSaysSoButOnlyOnceTheClockHasCountedTheLastOne) {
  start();
  for (int k = 1; k <= Form1::kSlots; ++k) game.indioActivo(k) = 0;
  // Before the clock has counted, attackers still seem to be there.
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("no salgo.mp3"));
  h.tick();
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("exito1.mp3"));
  EXPECT_EQ(game.PISTOLERO.volume(), -500);
  EXPECT_EQ(game.MFlecha(1).file(), h.sound("exito.mp3"));
  h.tickUntil([&] { return !game.loaded(); }, 300);
  EXPECT_EQ(menu.loads, 1);
}

TEST_F(LeavingTest, AGameWithMissingAndBrokenSoundsStillPlaysToItsEndAndLeaves) {
  namespace fs = std::filesystem;
  for (const char* gone : {"A1.MP3", "A2.MP3", "A3.MP3", "i3.mp3", "i7.mp3", "g1.mp3", "exito1.mp3",
                           "no salgo.mp3", "d3.mp3"})
    fs::remove(h.folder / gone);
  for (const char* broken : {"A4.MP3", "i1.mp3", "i4.mp3", "g2.mp3", "exito.mp3", "m.mp3"})
    std::ofstream(h.folder / broken, std::ios::binary | std::ios::trunc) << "not a sound at all";

  start();
  const int attackers = game.indiosActivos;
  const int shots = shootEveryCry(5000);
  EXPECT_EQ(inPlay(), 0);
  EXPECT_LE(shots, attackers);
  h.tick();
  EXPECT_EQ(game.MFlecha(1).file(), h.sound("exito.mp3"));

  // The missing farewell is a second of silence; then the menu.
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("exito1.mp3"));
  const int waited = h.tickUntil([&] { return !game.loaded(); }, 300);
  EXPECT_FALSE(game.loaded());
  EXPECT_NEAR(waited, 100, 5);
  EXPECT_EQ(menu.loads, 1);
}

}  // namespace
}  // namespace korvanta::test
