// The sound player's contract, heard through the hand-driven output.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "platform/Text.h"
#include "sound/Output.h"
#include "sound/Player.h"
#include "tests/support/FixturePack.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;
using test::freshFolder;
using test::writeTone;

// Root mean square of one channel (0 left, 1 right) of an interleaved block.
double rms(const std::vector<float>& block, int channel) {
  double sum = 0;
  for (size_t i = channel; i < block.size(); i += 2) sum += block[i] * block[i];
  return std::sqrt(sum / double(block.size() / 2));
}

// Left and right RMS over `seconds` of output, after one period for any gain change to settle.
std::pair<double, double> listen(ManualOutput& output, double seconds) {
  output.advance(512);
  double left = 0, right = 0;
  int blocks = 0;
  for (; blocks * 480 < seconds * 48000; ++blocks) {
    output.advance(480);
    left += std::pow(rms(output.lastBlock(), 0), 2);
    right += std::pow(rms(output.lastBlock(), 1), 2);
  }
  return {std::sqrt(left / blocks), std::sqrt(right / blocks)};
}

struct PlayerTest : ::testing::Test {
  fs::path folder = freshFolder("player");
  SoundEngine engine;
  ManualOutput output{engine.mixer};
  // A game path: folder, then a name starting with a backslash.
  std::string path(const std::string& name) { return folder.string() + "\\" + name; }
};

TEST_F(PlayerTest, FinishedFileReadsItsDurationExactlyAfterEveryPass) {
  writeTone(folder / "tone.mp3", 0.25);
  Player player(engine, {.autostart = false, .volume = -600, .playCount = 1});
  player.playCount(3);
  player.file(path("tone.mp3"));
  // The decoder gives back exactly the frames that were encoded.
  EXPECT_DOUBLE_EQ(player.duration(), std::lround(0.25 * 22050) / 22050.0);
  EXPECT_EQ(player.position(), 0.0);
  EXPECT_NE(player.position(), player.duration()) << "a file just loaded is not finished";

  // Not started: time passes, nothing moves.
  output.advanceSeconds(0.5);
  EXPECT_EQ(player.position(), 0.0);

  player.play();
  for (int pass = 0; pass < 3; ++pass) {
    output.advanceSeconds(0.2);
    EXPECT_LT(player.position(), player.duration()) << "pass " << pass;
    EXPECT_GT(player.position(), 0.0);
    output.advanceSeconds(0.05);
  }
  output.advanceSeconds(0.01);
  EXPECT_EQ(player.position(), player.duration());
  // It stays there, and the output is silent again.
  output.advanceSeconds(0.3);
  EXPECT_EQ(player.position(), player.duration());
  EXPECT_EQ(rms(output.lastBlock(), 0), 0.0);
}

TEST_F(PlayerTest, ReadBacksAndFileWritesKeepTheSettings) {
  writeTone(folder / "a.mp3", 0.2);
  writeTone(folder / "b.mp3", 0.4);
  Player player(engine, {.autostart = true, .volume = -600, .playCount = 1});
  EXPECT_EQ(player.duration(), 0.0) << "never given a file";
  EXPECT_EQ(player.position(), 0.0);
  EXPECT_EQ(player.volume(), -600);
  EXPECT_EQ(player.balance(), 0);

  player.volume(-1234);
  player.balance(-9000);
  player.playCount(2);
  player.file(path("a.mp3"));
  EXPECT_EQ(player.file(), path("a.mp3"));
  player.file(path("b.mp3"));
  EXPECT_EQ(player.file(), path("b.mp3"));
  EXPECT_EQ(player.volume(), -1234);
  EXPECT_EQ(player.balance(), -9000);
  // The play count of 2 survived the second load: two passes of 0.4 s.
  output.advanceSeconds(0.6);
  EXPECT_LT(player.position(), player.duration());
  output.advanceSeconds(0.25);
  EXPECT_EQ(player.position(), player.duration());

  // The window loads again: design settings, no file, centred.
  player.create();
  EXPECT_EQ(player.file(), "");
  EXPECT_EQ(player.volume(), -600);
  EXPECT_EQ(player.balance(), 0);
  EXPECT_EQ(player.duration(), 0.0);
}

TEST_F(PlayerTest, AutostartPlaysOnLoadWhileOthersWaitForPlay) {
  writeTone(folder / "t.mp3", 0.5);
  Player automatic(engine, {.autostart = true, .volume = 0, .playCount = 1});
  Player manual(engine, {.autostart = false, .volume = 0, .playCount = 1});
  automatic.file(path("t.mp3"));
  manual.file(path("t.mp3"));
  output.advanceSeconds(0.1);
  EXPECT_NEAR(automatic.position(), 0.1, 0.001);
  EXPECT_EQ(manual.position(), 0.0);
  manual.play();
  output.advanceSeconds(0.1);
  EXPECT_NEAR(manual.position(), 0.1, 0.001);
  // play on a sounding file does not restart it.
  automatic.play();
  EXPECT_NEAR(automatic.position(), 0.2, 0.001);
}

TEST_F(PlayerTest, RewindingMakesAFinishedSoundUnfinishedAndPlayStartsItAgain) {
  writeTone(folder / "t.mp3", 0.1);
  Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
  player.file(path("t.mp3"));
  output.advanceSeconds(0.2);
  ASSERT_EQ(player.position(), player.duration());
  player.position(0);
  EXPECT_EQ(player.position(), 0.0);
  EXPECT_GT(player.duration(), player.position());
  // Rewound but not started: it waits.
  output.advanceSeconds(0.05);
  EXPECT_EQ(player.position(), 0.0);
  player.play();
  output.advanceSeconds(0.05);
  EXPECT_NEAR(player.position(), 0.05, 0.001);
  output.advanceSeconds(0.1);
  EXPECT_EQ(player.position(), player.duration());
  // play after the end starts from the beginning.
  player.play();
  output.advanceSeconds(0.02);
  EXPECT_NEAR(player.position(), 0.02, 0.001);
}

TEST_F(PlayerTest, GainLawsPlaceTheSoundAndChangesApplyWithinOnePeriod) {
  writeTone(folder / "t.mp3", 2.0);
  Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
  player.file(path("t.mp3"));
  const auto [full, fullRight] = listen(output, 0.1);
  ASSERT_GT(full, 0.1);
  EXPECT_NEAR(fullRight, full, full * 0.01);

  // -2000 hundredths of a dB is a factor of 10, after one period of glide.
  player.volume(-2000);
  auto [left, right] = listen(output, 0.1);
  EXPECT_NEAR(left, full / 10, full * 0.002);

  // Balance 9000: the left channel drops by 90 dB, the right stays at the player's level.
  player.volume(0);
  player.balance(9000);
  std::tie(left, right) = listen(output, 0.1);
  EXPECT_LT(left, full * 1e-4);
  EXPECT_NEAR(right, full, full * 0.01);
  player.balance(-9000);
  std::tie(left, right) = listen(output, 0.1);
  EXPECT_NEAR(left, full, full * 0.01);
  EXPECT_LT(right, full * 1e-4);
  // 5000 (an end of the sight's grid) is 50 dB down on the far side.
  player.balance(5000);
  std::tie(left, right) = listen(output, 0.1);
  EXPECT_NEAR(left, full * std::pow(10.0, -2.5), full * 0.0005);

  // The glide itself: no jump larger than the tone's own slope while the gain changes.
  player.balance(0);
  output.advance(512);
  player.volume(-4000);
  output.advance(512);
  const auto& block = output.lastBlock();
  float largestStep = 0;
  for (size_t i = 2; i < block.size(); i += 2)
    largestStep = std::max(largestStep, std::abs(block[i] - block[i - 2]));
  EXPECT_LT(largestStep, 0.05f);
}

TEST_F(PlayerTest, BadFilesStandInAsOneSecondOfSilenceAndAreReportedOnce) {
  std::ofstream(folder / "empty.mp3").close();
  std::ofstream(folder / "text.mp3") << "this is not a sound\n";
  {
    std::ofstream garbage(folder / "garbage.mp3", std::ios::binary);
    for (int i = 0; i < 5000; ++i) garbage.put(char((i * 7919) % 251));
  }
  writeTone(folder / "whole.mp3", 1.0);
  {
    // Half of a good file: it plays what survives.
    std::ifstream in(folder / "whole.mp3", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream(folder / "half.mp3", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  }

  Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
  for (const char* name : {"missing.mp3", "empty.mp3", "text.mp3", "garbage.mp3"}) {
    ::testing::internal::CaptureStderr();
    player.file(path(name));
    player.file(path(name));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(name), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line only: " << said;
    EXPECT_EQ(player.duration(), 1.0) << name;
    EXPECT_EQ(player.file(), path(name));
    output.advanceSeconds(0.5);
    EXPECT_LT(player.position(), player.duration()) << name;
    output.advanceSeconds(0.6);
    EXPECT_EQ(player.position(), player.duration()) << name;
  }
  player.file(path("half.mp3"));
  EXPECT_GT(player.duration(), 0.0);
  EXPECT_LT(player.duration(), 1.0);
}

TEST_F(PlayerTest, GamePathsFindFilesWhateverTheirCaseAndFolderName) {
  // A folder with spaces and letters beyond ASCII, some beyond any narrow code page of Windows,
  // and a pack saved in lower case. The game's paths are UTF-8 whatever the system.
  const fs::path odd = folder / pathFromUtf8("Mis sonidos ñandú 表");
  fs::create_directories(odd);
  EXPECT_EQ(fs::directory_iterator(folder)->path().filename().u16string(), u"Mis sonidos ñandú 表");
  writeTone(odd / "a1.mp3", 0.3);
  writeTone(odd / "no salgo.mp3", 0.2);
  const std::string gameFolder = utf8(odd);
  Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
  player.file(gameFolder + "\\A1.MP3");
  EXPECT_DOUBLE_EQ(player.duration(), std::lround(0.3 * 22050) / 22050.0);
  EXPECT_EQ(player.file(), gameFolder + "\\A1.MP3");
  player.file(gameFolder + "\\no salgo.mp3");
  EXPECT_DOUBLE_EQ(player.duration(), std::lround(0.2 * 22050) / 22050.0);

  // Decoded once: reloading costs a cache hit, and the cache keeps one entry per path.
  const size_t cached = engine.cache.size();
  for (int i = 0; i < 10; ++i) player.file(gameFolder + "\\A1.MP3");
  EXPECT_EQ(engine.cache.size(), cached);
}

}  // namespace
}  // namespace korvanta
