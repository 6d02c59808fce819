// The music that runs by itself: tag sounds over three moments of each piece, a new piece at its
// end with the window colour that goes with it.
#include <set>
#include <utility>

#include "MenuTest.h"

#include "pack/Manifest.h"

namespace korvanta::test {
namespace {

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
  h.tickUntil([&] { return ended(menu.MColetilla); }, 150);
  EXPECT_TRUE(ended(menu.MColetilla));
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
