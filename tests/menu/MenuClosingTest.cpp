// Escape: the farewell, and the end of the program once it has played out.
#include "MenuTest.h"

#include "ui/Keys.h"

namespace korvanta::test {
namespace {

using MenuClosing = MenuTest;

// Ticks while the program runs; checks it ends on exactly the tick the awaited voice ends.
// Returns the ticks it took.
int ticksUntilTheEnd(Harness& h, const Player& voice, int limit) {
  int ticks = 0;
  while (h.desktop.running() && ticks < limit) {
    h.tick();
    ++ticks;
    EXPECT_EQ(h.desktop.running(), voice.position() != voice.duration()) << "tick " << ticks;
  }
  return ticks;
}

TEST_F(MenuClosing, TheProgramEndsTheTickTheFarewellHasPlayedOut) {
  open();
  // The greeting ending is no reason to close.
  h.tick(300);
  ASSERT_TRUE(h.desktop.running());
  ASSERT_EQ(menu.MFondo.volume(), -300);

  press(key::kEscape);
  EXPECT_EQ(menu.MPresentación.file(), h.sound("exito.mp3"));
  EXPECT_EQ(menu.MFondo.volume(), -300);
  const int ticks = ticksUntilTheEnd(h, menu.MPresentación, 500);
  EXPECT_FALSE(h.desktop.running());
  EXPECT_NEAR(ticks * 0.01, menu.MPresentación.duration(), 0.02);
}

TEST_F(MenuClosing, AnItemChosenAfterEscapeIsTheVoiceAwaited) {
  open({{"exito.mp3", 0.5}, {"ex2.mp3", 1.5}});
  press(key::kEscape);
  h.tick(10);
  press(key::kDown);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(1));
  const int ticks = ticksUntilTheEnd(h, menu.MPresentación, 500);
  EXPECT_FALSE(h.desktop.running());
  EXPECT_GT(ticks, 100) << "the cut-off farewell would have ended long before";
}

TEST_F(MenuClosing, AMissingFarewellStillEndsTheProgram) {
  open({}, {"exito.mp3"});
  press(key::kEscape);
  const int ticks = ticksUntilTheEnd(h, menu.MPresentación, 500);
  EXPECT_FALSE(h.desktop.running());
  EXPECT_NEAR(ticks, 100, 2) << "a missing file is a second of silence";
}

}  // namespace
}  // namespace korvanta::test
