// Enter: a game from any play item, the manual from the manual item.
#include "MenuTest.h"

#include "ui/Keys.h"

namespace korvanta::test {
namespace {

using MenuEnter = MenuTest;

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

TEST_F(MenuEnter, TheSilentPlaceStartsAGameToo) {
  open();
  press(key::kUp);
  press(key::kEnter);
  EXPECT_EQ(game.loads, 1);
  EXPECT_FALSE(menu.loaded());
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

}  // namespace
}  // namespace korvanta::test
