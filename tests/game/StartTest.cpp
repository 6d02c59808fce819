// An ambush from start to leaving: who attacks, with which voice, from where; the farewell that
// fits Escape, the menu once it has played out, a second game after it, and bad sound packs.
#include <fstream>
#include <map>
#include <set>
#include <utility>

#include "GameFixture.h"

namespace korvanta::test {
namespace {

using StartTest = GameTest;
using LeavingTest = GameTest;

bool onGrid(int32_t place) {
  return place >= -5000 && place <= 5000 && place % 500 == 0;
}

TEST_F(StartTest, LoadingSetsTheSceneInSilenceWithTheAmbienceAlone_VoicesAndPlacesAtEvenChances) {
  start();
  EXPECT_EQ(game.soundDir, h.folder.string());

  // One of the six ambiences, at -1000, sounding at once.
  const std::string ambience = game.MAmbiente.file();
  EXPECT_EQ(ambience.substr(0, ambience.size() - 7), game.soundDir);
  EXPECT_TRUE(std::set<std::string>(
                  {"\\A1.MP3", "\\A2.MP3", "\\A3.MP3", "\\A4.MP3", "\\A5.MP3", "\\A6.MP3"})
                  .contains(ambience.substr(ambience.size() - 7)));
  EXPECT_EQ(game.MAmbiente.volume(), -1000);
  h.tick(5);
  EXPECT_GT(game.MAmbiente.position(), 0.0);

  // The sight waits at the centre with its cue loaded but silent; the gun is empty.
  EXPECT_EQ(game.MMirilla.file(), h.sound("m.mp3"));
  EXPECT_EQ(game.MMirilla.volume(), -300);
  EXPECT_EQ(game.MMirilla.balance(), 0);
  EXPECT_EQ(game.MMirilla.position(), 0.0);
  EXPECT_EQ(game.puedeIzquierda, 1);
  EXPECT_EQ(game.puedeDerecha, 1);
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_EQ(game.disparoElegido, "d3.mp3");
  EXPECT_EQ(game.PISTOLERO.file(), "");

  // Slots 1 to 4 always attack; five spares for each attacker.
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(game.indioActivo(k), 1);
  EXPECT_GE(game.indiosActivos, 4);
  EXPECT_EQ(game.balasReserva, 5 * game.indiosActivos);

  // Every slot, in play or not, is far away, voiced and placed, and silent until it steps.
  for (int k = 1; k <= Form1::kSlots; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(game.MIndio(k).volume(), -4000);
    EXPECT_TRUE(onGrid(game.MIndio(k).balance()));
    EXPECT_EQ(game.vozIndio(k).rfind(game.soundDir + "\\i", 0), 0u);
    const std::string file = game.MIndio(k).file();
    EXPECT_TRUE(file == "" || file == game.vozIndio(k)) << file;
  }

  // Over many starts: fourteen voices and twenty-one places with even chances.
  std::map<std::string, int> voices;
  std::map<int32_t, int> places;
  int slot7Joined = 0;
  constexpr int kRounds = 3000;
  for (int round = 0; round < kRounds; ++round) {
    game.asignaIndios();
    game.SITUACIÓN();
    for (int k = 1; k <= Form1::kSlots; ++k) {
      ++voices[game.vozIndio(k)];
      ++places[game.MIndio(k).balance()];
    }
    for (int k = 5; k <= 7; ++k) game.indioActivo(k) = 0;
    game.activaIndios();
    slot7Joined += game.indioActivo(7);
    EXPECT_EQ(game.balasReserva, 5 * game.indiosActivos);
  }
  // Fifteen draws of a voice, but no 14th file: the fourth voice is heard twice as often.
  constexpr double kDraws = 7.0 * kRounds;
  EXPECT_EQ(voices.size(), 14u);
  EXPECT_FALSE(voices.contains(h.sound("i14.mp3")));
  for (const auto& [voice, count] : voices)
    EXPECT_NEAR(count / kDraws, voice == h.sound("i4.mp3") ? 2.0 / 15 : 1.0 / 15, 0.012) << voice;
  // Every place of the grid, each as likely.
  EXPECT_EQ(places.size(), 21u);
  for (const auto& [place, count] : places) {
    EXPECT_TRUE(onGrid(place)) << place;
    EXPECT_NEAR(count / kDraws, 1.0 / 21, 0.01) << place;
  }
  // One chance in seven.
  EXPECT_NEAR(slot7Joined / double(kRounds), 1.0 / 7, 0.03);

  // The clock renews its play count of 2 on every tick: the ambience outlasts its two passes.
  h.tick(int(game.MAmbiente.duration() * 100 * 3));
  EXPECT_FALSE(game.MAmbiente.playedOut());
  EXPECT_EQ(game.MAmbiente.file(), ambience);
}

TEST_F(StartTest, ASecondGameKeepsSlotSixAndTheHeldKeyButStartsAfresh) {
  // Every attacker's voice and place.
  const auto scene = [&] {
    std::pair<std::vector<std::string>, std::vector<int32_t>> voicesAndPlaces;
    for (int k = 1; k <= Form1::kSlots; ++k) {
      voicesAndPlaces.first.push_back(game.vozIndio(k));
      voicesAndPlaces.second.push_back(game.MIndio(k).balance());
    }
    return voicesAndPlaces;
  };
  start();
  game.indioActivo(6) = 1;
  h.press(key::kDigit0 + 2);
  const auto first = scene();

  // Leave, with Up still held down as the window goes.
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("no salgo.mp3"));
  h.keyDown(key::kUp);
  h.tickUntil([&] { return !game.loaded(); }, 300);
  ASSERT_EQ(menu.loads, 1);

  // The menu starts the next game.
  h.desktop.show("Form1");
  EXPECT_EQ(game.salidaPedida, 0);
  EXPECT_EQ(game.indioActivo(6), 1);
  EXPECT_EQ(game.balasReserva, 5 * game.indiosActivos);
  EXPECT_GE(game.indiosActivos, 5);
  EXPECT_EQ(game.disparoElegido, "d3.mp3");
  EXPECT_EQ(game.MIndio(3).file(), "");
  EXPECT_EQ(game.MIndio(3).volume(), -4000);
  EXPECT_EQ(game.PISTOLERO.file(), "");
  const auto second = scene();
  EXPECT_NE(second.first, first.first);
  EXPECT_NE(second.second, first.second);

  // The latch from the key held as the last game ended still holds until a key comes up.
  h.press(key::kRight);
  EXPECT_EQ(game.MMirilla.balance(), 0);
  h.press(key::kRight);
  EXPECT_EQ(game.MMirilla.balance(), 500);
}

TEST_F(LeavingTest, EscapeSaysTheFarewellTheClockHasCounted_PressedAgainWaitsForTheLastOne) {
  start();
  // The last attacker is down, but until the clock has counted, attackers still seem to be there.
  inPlayUpTo(0);
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("no salgo.mp3"));
  EXPECT_EQ(game.PISTOLERO.volume(), -500);
  EXPECT_EQ(game.salidaPedida, 1);
  const int farewell = int(game.PISTOLERO.duration() * 100);

  // Halfway through, the win counted, Escape again starts the fitting farewell over.
  h.tick(farewell / 2);
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("exito1.mp3"));
  EXPECT_EQ(game.PISTOLERO.volume(), -500);
  EXPECT_LT(game.PISTOLERO.position(), 0.02);
  h.tick(farewell * 3 / 4);
  EXPECT_TRUE(game.loaded());
  EXPECT_EQ(menu.loads, 0);

  // A shot meanwhile still fires, and the game goes on until the farewell ends.
  hands.reload();
  hands.fire();
  EXPECT_EQ(game.balasCargadas, 0);
  EXPECT_LT(h.tickUntil([&] { return !game.loaded(); }, farewell), farewell / 2);

  // The menu came up while the game window was still there; then the game went silent.
  EXPECT_EQ(menu.loads, 1);
  EXPECT_TRUE(menu.besideStillLoaded);
  EXPECT_TRUE(menu.loaded());
  EXPECT_EQ(game.PISTOLERO.file(), "");
  const int16_t lastDraw = game.sorteoPaso;
  h.tick(50);
  EXPECT_EQ(game.sorteoPaso, lastDraw);
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
  const int shots = hands.shootEveryCry(5000);
  EXPECT_EQ(hands.inPlay(), 0);
  EXPECT_LE(shots, attackers);
  h.tick();
  EXPECT_EQ(game.MFlecha(1).file(), h.sound("exito.mp3"));

  // The missing farewell is a second of silence; then the menu.
  h.press(key::kEscape);
  EXPECT_EQ(game.PISTOLERO.file(), h.sound("exito1.mp3"));
  EXPECT_NEAR(h.tickUntil([&] { return !game.loaded(); }, 300), 100, 5);
  EXPECT_EQ(menu.loads, 1);
}

}  // namespace
}  // namespace korvanta::test
