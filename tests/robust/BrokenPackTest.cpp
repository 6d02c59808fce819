// A hand-made pack with one bad file, each of the 51 in turn and each kind of damage: the program
// starts, the menu answers, a game is played and left, the menu ends the program, and stderr
// names the bad file once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "HandDrivenProgram.h"
#include "tests/support/FixturePack.h"

namespace korvanta::test {
namespace {

namespace fs = std::filesystem;

// A valid MP3 of ten minutes, made once per process at a low rate so that making it is quick,
// and removed when the process ends.
const fs::path& tenMinuteMp3() {
  struct Made {
    Made() : file(freshFolder("ten-minutes") / "long.mp3") { writeLongTone(file, 600.0); }
    ~Made() { fs::remove_all(file.parent_path()); }
    fs::path file;
  };
  static const Made made;
  return made.file;
}

// One kind of damage a file of a home-made pack may come with.
struct Damage {
  const char* name;
  void (*spoil)(const fs::path& file);
  // Still a good MP3, which the program plays without a word.
  bool valid = false;
  // Named in the test list by its name, not its bytes.
  friend void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }
};

const Damage kDamages[] = {
    {"Missing", [](const fs::path& file) { fs::remove(file); }},
    {"Empty", [](const fs::path& file) { fs::resize_file(file, 0); }},
    {"CutInHalf", [](const fs::path& file) { fs::resize_file(file, fs::file_size(file) / 2); }},
    {"RandomBytes",
     [](const fs::path& file) {
       const auto size = fs::file_size(file);
       std::mt19937 bytes(uint32_t(std::hash<std::string>{}(file.filename().string())));
       std::ofstream out(file, std::ios::binary | std::ios::trunc);
       for (uintmax_t i = 0; i < size; ++i) out.put(char(bytes()));
     }},
    {"Text",
     [](const fs::path& file) {
       std::ofstream(file, std::ios::trunc) << "Sounds for my pack, recorded at home.\n"
                                            << "Put the real files here later.\n";
     }},
    {"TenMinutesLong", [](const fs::path& file) { copyOver(tenMinuteMp3(), file); }, true},
};

// A farewell of one second, or the second of silence standing in for a bad one, with room.
constexpr int kFarewellTicks = 300;
// A farewell of ten minutes.
constexpr int kLongFarewellTicks = 60'000 + kFarewellTicks;

// How many times stderr names `file`, and how many lines it says in all.
std::pair<size_t, size_t> namings(const std::string& said, const std::string& file) {
  size_t naming = 0;
  for (size_t at = said.find("/" + file + "\""); at != std::string::npos;
       at = said.find("/" + file + "\"", at + 1))
    ++naming;
  return {naming, size_t(std::ranges::count(said, '\n'))};
}

class BrokenPack : public ::testing::TestWithParam<Damage> {};
int casesRun = 0;

// The menu answers where the player left it, and its Escape ends the program within `goodbye`.
void menuAnswersAndEnds(HandDrivenProgram& p, int goodbye) {
  p.h.press(key::kDown);
  EXPECT_EQ(p.menu.MPresentación.file(), p.h.sound("ex2.mp3"));
  p.h.press(key::kEscape);
  EXPECT_LT(p.h.tickUntil([&] { return !p.h.desktop.running(); }, goodbye), goodbye)
      << "the menu's Escape never ended the program";
}

// One run of the program on a pack in which `name` is damaged.
void playThrough(HandDrivenProgram& p, const std::string& name, bool longFile) {
  // What the run arranges so that the program is sure to load `name` (0 where any will do): the
  // menu's piece of music (2 or 3), the game's ambience (1..6) and first voice (1..15), the first
  // hit sound, an arrow (1..4) that lands at the centre and kills the gunman, or a win.
  const auto number = [&] { return std::stoi(name.substr(1)); };
  const int piece = name == "msc1.mp3" ? 2 : name == "msc2.mp3" ? 3 : 0;
  const int ambience = name[0] == 'A' ? number() : 0;
  const int voice = name[0] == 'i' ? number() : 0;
  const int hitSound = name == "g2.mp3" ? 2 : 1;
  const bool death = name == "muerte.mp3" || name == "fin.mp3";
  const bool win = name == "exito1.mp3";
  const int arrow = death ? 1 : name[0] == 'f' ? number() : 0;
  Form1& game = p.game;
  Form2& menu = p.menu;
  Harness& h = p.h;

  // The program starts at the menu, which greets.
  h.desktop.show("Form2");
  ASSERT_TRUE(menu.loaded());
  EXPECT_EQ(menu.MPresentación.file(), h.sound("ex1.mp3"));

  // The menu answers: Down speaks each item around the whole ring, the eleventh silent, back to
  // the first.
  for (int position = 1; position <= 11; ++position) {
    h.press(key::kDown);
    if (position != 10) {
      EXPECT_EQ(menu.MPresentación.file(),
                h.sound("ex" + std::to_string(position % 11 + 1) + ".mp3"));
    }
  }

  // The music plays through its first window of tag sounds; or on to the piece wanted.
  h.tick(450);
  for (int t = 0; piece && t < 3000 && menu.MFondo.file() != h.sound(name); ++t) {
    if (menu.MFondo.duration() - menu.MFondo.position() < 0.05)
      p.arrange([&](Random& r) { return r.draw(3) == piece; });
    h.tick();
  }

  // Enter starts a game, with the ambience and first voice wanted.
  p.arrange([&](Random& r) {
    const int drawnAmbience = r.draw(6);
    r.draw(5, 10);
    r.draw(5, 10);
    r.draw(6, 12);
    const int drawnVoice = r.draw(15);
    return (!ambience || drawnAmbience == ambience) &&
           (!voice || drawnVoice == voice || (voice == 4 && drawnVoice == 14));
  });
  h.press(key::kEnter);
  ASSERT_TRUE(game.loaded());
  EXPECT_FALSE(menu.loaded());

  // Every key of the gun: an empty click, the four shot sounds, a bullet, the sight.
  p.hands.fire();
  for (int n = 1; n <= 4; ++n) h.press(int16_t(key::kDigit0 + n));
  h.press(key::kDigit0 + 3);
  p.hands.reload();
  EXPECT_EQ(game.balasCargadas, 1);
  h.press(key::kLeft);
  EXPECT_EQ(game.MMirilla.balance(), -500);
  h.press(key::kRight);
  EXPECT_EQ(game.MMirilla.balance(), 0);

  // The first attacker cries and falls to one shot.
  EXPECT_TRUE(p.shoot(1, hitSound));
  EXPECT_EQ(game.MIndio(1).file(), h.sound("g" + std::to_string(hitSound) + ".mp3"));

  // An attacker closes in over thirteen steps; when its cry has ended, its next step shoots.
  if (arrow) {
    for (int s = 0; s < 13; ++s) p.step(2);
    EXPECT_EQ(game.MIndio(2).volume(), -1400);
    h.tickUntil([&] { return game.MIndio(2).position() == game.MIndio(2).duration(); }, 300);
    p.arrange([&](Random& r) {
      return r.draw(200) == 2 && r.draw(4) == arrow && (r.draw(21) == 11) == death;
    });
    h.tick();
    EXPECT_EQ(game.MFlecha(2).file(), h.sound("f" + std::to_string(arrow) + ".mp3"));
    EXPECT_EQ(game.pistoleroMuerto, death ? 1 : 0);
  }
  // Or the player downs every attacker and hears the success.
  if (win) {
    for (int k = 2; k <= Form1::kSlots; ++k)
      if (game.indioActivo(k) == 1) {
        EXPECT_TRUE(p.shoot(k, 1)) << "slot " << k;
      }
    h.tick();
    EXPECT_EQ(game.MFlecha(1).file(), h.sound("exito.mp3"));
  }

  // Some play with the keys the game knows best.
  const int16_t keys[] = {key::kSpace, key::kLeft, key::kCtrl, key::kRight};
  for (int t = 0; t < 160; ++t) {
    h.tick();
    const int16_t code = keys[t % 4];
    if (t % 10 == 0) h.press(code, code == key::kCtrl ? shift::kCtrl : 0);
    EXPECT_GE(game.balasCargadas, 0);
    EXPECT_LE(game.balasCargadas, 5);
  }
  h.tick();

  // Escape: the gunman's farewell, then the menu comes back by itself.
  h.press(key::kEscape);
  const bool longFarewell = longFile && game.PISTOLERO.file() == h.sound(name);
  const int farewell = longFarewell ? kLongFarewellTicks : kFarewellTicks;
  const int tookToMenu = h.tickUntil([&] { return menu.loaded() && !game.loaded(); }, farewell);
  ASSERT_LT(tookToMenu, farewell) << "the game never went back to the menu";

  menuAnswersAndEnds(p, longFile && name == "exito.mp3" ? kLongFarewellTicks : kFarewellTicks);
}

TEST_P(BrokenPack, EveryFileInTurnStillLetsThePlayerPlayAndLeave_AndIsNamedOnce) {
  const Damage& damage = GetParam();
  for (const std::string& name : packFileNames()) {
    SCOPED_TRACE(name);
    const fs::path folder = freshFolder("broken");
    writeFixturePack(folder);
    damage.spoil(folder / name);

    testing::internal::CaptureStderr();
    {
      HandDrivenProgram p(folder);
      playThrough(p, name, damage.valid);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    const size_t once = damage.valid ? 0 : 1;
    EXPECT_EQ(namings(said, name), std::pair(once, once)) << said;
    fs::remove_all(folder);
    ++casesRun;
  }
  std::printf("[ matrix   ] %d cases run\n", casesRun);
}

INSTANTIATE_TEST_SUITE_P(Damage, BrokenPack, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// A long file is decoded in the background, so its damage shows only once decoding is done.
TEST(BrokenPackLongFile, HalfADownloadedTenMinutePieceIsNamedOnceAndPlaysWhatItHolds) {
  const fs::path folder = freshFolder("half-long");
  writeFixturePack(folder);
  copyOver(tenMinuteMp3(), folder / "msc.mp3");
  fs::resize_file(folder / "msc.mp3", fs::file_size(folder / "msc.mp3") / 2);

  testing::internal::CaptureStderr();
  {
    HandDrivenProgram p(folder);
    p.h.desktop.show("Form2");
    // Streamed, it keeps the ten minutes its tag promises.
    EXPECT_DOUBLE_EQ(p.menu.MFondo.duration(), 600.0);
    p.h.tick(20);
    EXPECT_GT(p.menu.MFondo.position(), 0.1);
    // Where its bytes run out it goes on as silence, and is named.
    p.menu.MFondo.position(295.0);
    for (int second = 0; second < 10; ++second) {
      p.h.engine.cache.waitUntilDecoded();
      p.h.tick(100);
    }
    EXPECT_DOUBLE_EQ(p.menu.MFondo.duration(), 600.0);
    EXPECT_NEAR(p.menu.MFondo.position(), 305.0, 0.1);
    menuAnswersAndEnds(p, kFarewellTicks);
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(namings(said, "msc.mp3"), std::pair(size_t(1), size_t(1))) << said;
  EXPECT_NE(said.find("/msc.mp3\": the file is cut short"), std::string::npos) << said;
  fs::remove_all(folder);
}

}  // namespace
}  // namespace korvanta::test
