// The menu's keys: walking the spoken ring of items with the music ducking under each voice,
// Enter on a play item or the manual item, and Escape's farewell before the program ends.
#include "MenuTest.h"

namespace korvanta::test {
namespace {

using MenuRing = MenuTest;
using MenuEnter = MenuTest;

TEST_F(MenuRing, OtherKeysDoNothingAndDownWalksEveryItemThenTheSilentPlaceThenBackToTheFirst) {
  open();
  h.tick(5);
  for (int16_t code : {key::kLeft, key::kRight, key::kSpace, key::kShift, int16_t(key::kDigit0 + 1),
                       int16_t(key::kLetterA)}) {
    press(code);
  }
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(0));
  EXPECT_GT(menu.MPresentación.position(), 0.0);
  EXPECT_TRUE(menu.loaded());
  EXPECT_EQ(game.loads, 0);
  EXPECT_TRUE(h.opened.empty());
  h.tick(200);
  EXPECT_TRUE(h.desktop.running());

  for (int position = 1; position <= 9; ++position) {
    h.tick(3);
    press(key::kDown);
    EXPECT_EQ(menu.MPresentación.file(), itemVoice(position));
    EXPECT_EQ(menu.MPresentación.position(), 0.0);
  }
  h.tick(20);
  const double manualItemSoFar = menu.MPresentación.position();
  press(key::kDown);
  // The silent place loads nothing: the manual item speaks on where it was.
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(9));
  EXPECT_EQ(menu.MPresentación.position(), manualItemSoFar);
  press(key::kDown);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(0));
}

TEST_F(MenuRing,
       MusicAndTagsRecedeUnderEachVoiceAndComeBackTheTickItEnds_UpFromTheFirstFallsSilent) {
  open();
  EXPECT_EQ(menu.MFondo.volume(), -2000);
  EXPECT_EQ(menu.MColetilla.volume(), -300);
  for (int16_t move : {int16_t(0), key::kDown, key::kDown, key::kUp, key::kUp}) {
    if (move != 0) press(move);
    EXPECT_EQ(menu.MFondo.volume(), -2000);
    EXPECT_EQ(menu.MColetilla.volume(), move == 0 ? -300 : -1300);
    while (true) {
      h.tick();
      if (ended(menu.MPresentación)) break;
      ASSERT_EQ(menu.MFondo.volume(), -2000);
    }
    EXPECT_EQ(menu.MFondo.volume(), -300);
    EXPECT_EQ(menu.MColetilla.volume(), -300);
    EXPECT_EQ(menu.MPresentación.volume(), -600);
  }

  // Up from the first item falls silent: the music ducks, but nothing new speaks, so the very next
  // tick finds the first item's voice ended and lifts the music again.
  h.tick();
  press(key::kUp);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(0));
  EXPECT_EQ(menu.MFondo.volume(), -2000);
  EXPECT_EQ(menu.MColetilla.volume(), -1300);
  h.tick();
  EXPECT_EQ(menu.MFondo.volume(), -300);
  EXPECT_EQ(menu.MColetilla.volume(), -300);
  // Then the manual item speaks, and on up the ring.
  press(key::kUp);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(9));
  press(key::kUp);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(8));
}

TEST_F(MenuEnter, AGameStartedFromTheSixthItemEvenAfterEscapeComesBackToTheSamePlace) {
  open();
  press(key::kDown, 5);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(5));
  // Escape's farewell is cut short by Enter: the game starts and the program goes on.
  press(key::kEscape);
  h.tick(5);
  press(key::kEnter);
  EXPECT_EQ(game.loads, 1);
  EXPECT_TRUE(game.loaded());
  EXPECT_FALSE(menu.loaded());
  h.tick(200);
  EXPECT_TRUE(h.desktop.running());

  // The game's farewell shows the menu and leaves; the menu greets anew, its closing check idle.
  h.desktop.show("Form2");
  game.Unload();
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(0));
  EXPECT_EQ(menu.MFondo.file(), h.sound("msc.mp3"));
  h.tick(300);
  EXPECT_TRUE(ended(menu.MPresentación));
  EXPECT_TRUE(h.desktop.running());
  press(key::kDown);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(6));
}

TEST_F(MenuEnter, TheManualItemOpensTheManualAndTheMenuCarriesOn) {
  open();
  press(key::kUp, 2);
  h.tick(30);
  const double voiceSoFar = menu.MPresentación.position();
  const int32_t music = menu.MFondo.volume();
  const int32_t tags = menu.MColetilla.volume();

  press(key::kEnter);
  press(key::kEnter);
  EXPECT_EQ(h.opened, (std::vector<std::string>{KORVANTA_MANUAL_ADDRESS, KORVANTA_MANUAL_ADDRESS}));
  EXPECT_FALSE(h.opened.front().empty());
  EXPECT_TRUE(menu.loaded());
  EXPECT_EQ(game.loads, 0);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(9));
  EXPECT_EQ(menu.MPresentación.position(), voiceSoFar);
  EXPECT_EQ(menu.MFondo.volume(), music);
  EXPECT_EQ(menu.MColetilla.volume(), tags);

  // Still on the manual item: Down reaches the silent place, then the first item.
  press(key::kDown, 2);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(0));
}

// A pack's chosen lengths and missing files, whether Down chooses an item a little after Escape,
// and how long the voice then awaited lasts.
struct Farewell {
  std::map<std::string, double> seconds;
  std::vector<std::string> missing;
  bool chooseItem;
  double awaited;
};
class MenuClosing : public MenuTest, public ::testing::WithParamInterface<Farewell> {};

TEST_P(MenuClosing, TheProgramEndsTheTickTheAwaitedVoiceHasPlayedOut) {
  const Farewell& farewell = GetParam();
  open(farewell.seconds, farewell.missing);
  // The greeting ending is no reason to close.
  h.tick(300);
  ASSERT_TRUE(h.desktop.running());
  ASSERT_EQ(menu.MFondo.volume(), -300);
  press(key::kEscape);
  EXPECT_EQ(menu.MPresentación.file(), h.sound("exito.mp3"));
  EXPECT_EQ(menu.MFondo.volume(), -300);
  if (farewell.chooseItem) {
    h.tick(10);
    press(key::kDown);
    EXPECT_EQ(menu.MPresentación.file(), itemVoice(1));
  }
  const Player& voice = menu.MPresentación;
  int ticks = 0;
  for (; h.desktop.running() && ticks < 500; ++ticks) {
    h.tick();
    EXPECT_EQ(h.desktop.running(), voice.position() != voice.duration()) << "tick " << ticks;
  }
  EXPECT_FALSE(h.desktop.running());
  EXPECT_NEAR(ticks * 0.01, farewell.awaited, 0.02);
}

INSTANTIATE_TEST_SUITE_P(
    Farewells, MenuClosing,
    ::testing::Values(Farewell{{}, {}, false, fixtureSeconds("exito.mp3")},
                      // The chosen item, not the farewell it cut off, is awaited.
                      Farewell{{{"exito.mp3", 0.5}, {"ex2.mp3", 1.5}}, {}, true, 1.5},
                      // A missing file is a second of silence.
                      Farewell{{}, {"exito.mp3"}, false, 1.0}));

}  // namespace
}  // namespace korvanta::test
