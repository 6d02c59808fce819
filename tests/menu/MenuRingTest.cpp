// Walking the spoken ring of items, and the music ducking under each voice.
#include "MenuTest.h"

#include "ui/Keys.h"

namespace korvanta::test {
namespace {

using MenuRing = MenuTest;

TEST_F(MenuRing, DownWalksEveryItemThenTheSilentPlaceThenBackToTheFirst) {
  open();
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(0));
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

TEST_F(MenuRing, UpFromTheFirstItemFallsSilentThenSpeaksTheManualItem) {
  open();
  h.tickUntil([&] { return ended(menu.MPresentación); }, 300);
  h.tick();
  press(key::kUp);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(0));
  EXPECT_EQ(menu.MFondo.volume(), -2000);
  EXPECT_EQ(menu.MColetilla.volume(), -1300);
  // Nothing new speaks, so the very next tick finds the greeting ended and lifts the music.
  h.tick();
  EXPECT_EQ(menu.MFondo.volume(), -300);
  EXPECT_EQ(menu.MColetilla.volume(), -300);
  press(key::kUp);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(9));
  press(key::kUp);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(8));
}

TEST_F(MenuRing, KeysOutsideTheMenuDoNothing) {
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
}

TEST_F(MenuRing, MusicAndTagsRecedeUnderEachVoiceAndComeBackTheTickItEnds) {
  open();
  EXPECT_EQ(menu.MFondo.volume(), -2000);
  EXPECT_EQ(menu.MColetilla.volume(), -300);
  for (int16_t move : {int16_t(0), key::kDown, key::kDown, key::kUp}) {
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
}

}  // namespace
}  // namespace korvanta::test
