// The real menu on a hand-driven desktop, with a stand-in answering to the game window's name:
// walking the spoken ring of items with the music ducking under each voice, Enter on a play item
// or the manual item, Escape's farewell before the program ends, and the music that runs by
// itself, tag sounds over three moments of each piece and a new piece with its own colour.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "menu/Form2.h"
#include "pack/Manifest.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Harness.h"
#include "ui/Keys.h"

namespace korvanta::test {
namespace {

class MenuTest : public ::testing::Test {
 protected:
  MenuTest() {
    h.desktop.add(menu);
    h.desktop.add(game);
  }
  // Windows keeps a file from being removed while the decode worker still reads it.
  ~MenuTest() override {
    h.engine.cache.waitUntilDecoded();
    std::filesystem::remove_all(h.folder);
  }

  // Writes the tone pack (some lengths chosen, some files left out) and opens the menu.
  void open(const std::map<std::string, double>& seconds = {},
            const std::vector<std::string>& missing = {}) {
    writeFixturePack(h.folder, seconds);
    for (const std::string& name : missing) std::filesystem::remove(h.folder / name);
    h.desktop.show("Form2");
  }

  // The voice of the item at `position` of the ring, 0 to 9.
  std::string itemVoice(int position) const {
    return h.sound("ex" + std::to_string(position + 1) + ".mp3");
  }

  void press(int16_t keyCode, int times = 1) {
    for (int i = 0; i < times; ++i) h.press(keyCode);
  }

  Harness h{freshFolder("menu")};
  Form2 menu{h.desktop};
  // The menu only ever asks for "Form1" by name; this counts how often a game was started.
  StandIn game{h.desktop, "Form1", "Form2"};
};

using MenuRing = MenuTest;
using MenuEnter = MenuTest;

TEST_F(MenuRing,
       OtherKeysDoNothing_DownWalksEveryItemToTheManualWhichEnterOpens_ThenTheSilentPlace) {
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
  const int32_t music = menu.MFondo.volume();
  const int32_t tags = menu.MColetilla.volume();

  // Enter on the manual item opens the manual, every time, and the menu carries on as it was.
  press(key::kEnter);
  press(key::kEnter);
  EXPECT_EQ(h.opened, (std::vector<std::string>{KORVANTA_MANUAL_ADDRESS, KORVANTA_MANUAL_ADDRESS}));
  EXPECT_FALSE(h.opened.front().empty());
  EXPECT_TRUE(menu.loaded());
  EXPECT_EQ(game.loads, 0);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(9));
  EXPECT_EQ(menu.MPresentación.position(), manualItemSoFar);
  EXPECT_EQ(menu.MFondo.volume(), music);
  EXPECT_EQ(menu.MColetilla.volume(), tags);

  // The silent place loads nothing: the manual item speaks on where it was.
  press(key::kDown);
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
    for (h.tick(); !menu.MPresentación.playedOut(); h.tick())
      ASSERT_EQ(menu.MFondo.volume(), -2000);
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
  EXPECT_TRUE(menu.MPresentación.playedOut());
  EXPECT_TRUE(h.desktop.running());
  press(key::kDown);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(6));
  // Escape and Enter in one tick: the farewell goes with the menu, and the game plays on.
  press(key::kEscape);
  press(key::kEnter);
  EXPECT_EQ(game.loads, 2);
  h.tick(300);
  EXPECT_TRUE(h.desktop.running());
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

class MenuSoundBed : public MenuTest {
 protected:
  // A tag is one of the game's own sounds of the pack: no music, no voice of the menu's guide.
  bool isTag(const std::string& file) const {
    const std::string folder = h.sound("");
    const pack::PackEntry* entry =
        file.starts_with(folder) ? pack::findEntry(file.substr(folder.size())) : nullptr;
    return entry && entry->role != pack::Role::Music && entry->speaker != pack::Speaker::Guide;
  }

  // One timer pass with the music held at `seconds`; true if it started a tag sound.
  bool tagStartsAt(double seconds) {
    const std::string marker = h.sound("no tag yet");
    menu.MColetilla.file(marker);
    menu.MFondo.position(seconds);
    h.desktop.elapse(10);
    return menu.MColetilla.file() != marker;
  }
};

TEST_F(MenuSoundBed, TagsSoundInsideThreeWindowsOfEachPieceAndEachNewPieceBringsItsOwnColour) {
  open();
  const uint32_t before = menu.BackColor();
  std::set<std::string> files;
  std::set<int32_t> sides;
  int restarts = 0;
  while (menu.MFondo.position() < 5.0) {
    h.tick();
    const double music = menu.MFondo.position();
    const bool restarted = !menu.MColetilla.file().empty() && menu.MColetilla.position() == 0.0;
    ASSERT_EQ(restarted, music > 2.0 && music < 4.0) << "music at " << music;
    if (restarted) {
      ++restarts;
      files.insert(menu.MColetilla.file());
      sides.insert(menu.MColetilla.balance());
    }
  }
  EXPECT_GE(restarts, 190);
  // Ten different sounds of the game, from the far left, the far right and the centre.
  EXPECT_EQ(files.size(), 10u);
  for (const std::string& file : files) EXPECT_TRUE(isTag(file)) << file;
  EXPECT_EQ(sides, (std::set<int32_t>{9000, -9000, 0}));

  const std::string lastDrawn = menu.MColetilla.file();
  h.tickUntil([&] { return menu.MColetilla.playedOut(); }, 150);
  EXPECT_TRUE(menu.MColetilla.playedOut());
  EXPECT_EQ(menu.MColetilla.file(), lastDrawn);

  // Seconds after a window opens, and whether a tag may start then; the windows open at 2, 6 and
  // 10 seconds into the piece and last two seconds.
  const std::pair<double, bool> moments[] = {{-0.5, false}, {0.0, false}, {0.01, true}, {1.0, true},
                                             {1.99, true},  {2.0, false}, {2.5, false}};
  for (double low : {2.0, 6.0, 10.0}) {
    for (const auto& [after, starts] : moments)
      EXPECT_EQ(tagStartsAt(low + after), starts) << low << " + " << after;
  }
  EXPECT_EQ(menu.BackColor(), before) << "the first piece keeps the window's colour";

  // Each piece always brings the same colour, and no other piece brings it.
  std::map<std::string, uint32_t> colourOf;
  std::set<uint32_t> colours;
  for (int piece = 0; piece < 8; ++piece) {
    menu.MFondo.position(menu.MFondo.duration() - 0.1);
    h.tickUntil([&] { return menu.MFondo.position() < 1.0; }, 20);
    ASSERT_EQ(menu.MFondo.position(), 0.0);
    const std::string music = menu.MFondo.file();
    EXPECT_TRUE(music == h.sound("msc.mp3") || music == h.sound("msc1.mp3") ||
                music == h.sound("msc2.mp3"))
        << music;
    EXPECT_EQ(colourOf.emplace(music, menu.BackColor()).first->second, menu.BackColor()) << music;
    colours.insert(menu.BackColor());
    EXPECT_TRUE(isTag(menu.MColetilla.file())) << menu.MColetilla.file();
    EXPECT_EQ(menu.MColetilla.position(), 0.0);
    h.tick();
    EXPECT_GT(menu.MFondo.position(), 0.0) << "the new piece plays";
  }
  EXPECT_GE(colourOf.size(), 2u);
  EXPECT_EQ(colours.size(), colourOf.size());
}

TEST_F(MenuSoundBed, MissingMusicAndVoicesLeaveTheMenuAnswering) {
  open({}, {"msc.mp3", "msc1.mp3", "msc2.mp3", "ex1.mp3", "ex2.mp3", "ex3.mp3", "ex10.mp3"});
  const uint32_t before = menu.BackColor();
  press(key::kDown, 2);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(2));
  h.tick(150);
  // Each missing file is a second of silence: the voice ends and a new piece is drawn.
  EXPECT_EQ(menu.MFondo.volume(), -300);
  EXPECT_NE(menu.BackColor(), before);
  EXPECT_TRUE(h.desktop.running());
  press(key::kUp, 4);
  EXPECT_EQ(menu.MPresentación.file(), itemVoice(9));
  EXPECT_EQ(menu.MFondo.volume(), -2000);
  press(key::kEnter);
  EXPECT_EQ(h.opened.size(), 1u);
  press(key::kDown);
  // The silent place starts a game too.
  press(key::kEnter);
  EXPECT_EQ(game.loads, 1);
  EXPECT_FALSE(menu.loaded());
}

}  // namespace
}  // namespace korvanta::test
