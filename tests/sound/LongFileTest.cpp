// Ten-minute files, such as an ambience bed or a pack's oversized music: they load at once, play
// while they are decoded, and keep the player's contract about lengths and ends.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "sound/Output.h"
#include "sound/Player.h"
#include "tests/sound/LongTone.h"
#include "tests/support/FixturePack.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;

using Bytes = std::string;

// The ten-minute tone, encoded once per test process.
const Bytes& tenMinutes() {
  static const Bytes bytes = [] {
    const fs::path file = test::freshFolder("ten-minutes") / "long.mp3";
    test::writeLongTone(file, 600.0);
    std::ifstream in(file, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), {});
  }();
  return bytes;
}

// Bytes of the first frame of an MPEG-2 or 2.5 Layer III stream (ours: 8 kHz), the Info frame.
size_t firstFrameBytes(const Bytes& mp3) {
  const auto b1 = uint8_t(mp3[1]);
  const auto b2 = uint8_t(mp3[2]);
  EXPECT_EQ(uint8_t(mp3[0]), 0xFF);
  EXPECT_EQ((b1 >> 1) & 3, 1) << "Layer III";
  EXPECT_NE((b1 >> 3) & 3, 3) << "MPEG-2 or 2.5";
  static constexpr int kKbps[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  const bool mpeg25 = ((b1 >> 3) & 3) == 0;
  const int rates[] = {mpeg25 ? 11025 : 22050, mpeg25 ? 12000 : 24000, mpeg25 ? 8000 : 16000};
  return size_t(72000 * kKbps[b2 >> 4] / rates[(b2 >> 2) & 3] + ((b2 >> 1) & 1));
}

double rms(const std::vector<float>& block) {
  double sum = 0;
  for (float sample : block) sum += double(sample) * sample;
  return std::sqrt(sum / double(block.size()));
}

struct LongFile : ::testing::Test {
  fs::path folder = test::freshFolder("long");
  SoundEngine engine;
  ManualOutput output{engine.mixer};
  std::string path(const std::string& name) { return folder.string() + "\\" + name; }
  void write(const std::string& name, const Bytes& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
  }
};

TEST_F(LongFile, TenMinutesLoadAtOnceAndPlayFromTheFirstTickWhileDecoding) {
  write("ambience.mp3", tenMinutes());
  Player bed(engine, {.autostart = true, .volume = 0, .playCount = 1});
  Player echo(engine, {.autostart = false, .volume = 0, .playCount = 1});
  bed.file(path("ambience.mp3"));
  // The Info tag gives the exact length before a single frame is decoded.
  EXPECT_EQ(bed.duration(), 600.0);
  EXPECT_EQ(bed.position(), 0.0);
  EXPECT_LT(bed.position(), bed.duration()) << "a file just loaded is not finished";

  // Loaded again while it is still being decoded: the same audio, not a second decoding.
  echo.file(path("ambience.mp3"));
  EXPECT_EQ(engine.cache.size(), 1u);
  EXPECT_EQ(engine.cache.get(path("ambience.mp3")), engine.cache.get(path("ambience.mp3")));
  EXPECT_EQ(echo.duration(), 600.0);

  // Time runs for the sounding file whether or not its frames are decoded yet.
  output.advanceSeconds(0.5);
  EXPECT_NEAR(bed.position(), 0.5, 0.001);
  EXPECT_EQ(echo.position(), 0.0);

  engine.cache.waitUntilDecoded();
  EXPECT_EQ(bed.duration(), 600.0) << "the announced length was exact";
  // Five minutes in, the tone is there.
  bed.position(300.0);
  output.advanceSeconds(0.1);
  EXPECT_GT(rms(output.lastBlock()), 0.1);
  EXPECT_NEAR(bed.position(), 300.1, 0.001);

  // Its end is exact, and it falls silent.
  bed.position(599.9);
  output.advanceSeconds(0.2);
  EXPECT_EQ(bed.position(), bed.duration());
  EXPECT_EQ(rms(output.lastBlock()), 0.0);
  echo.play();
  output.advanceSeconds(0.1);
  EXPECT_NEAR(echo.position(), 0.1, 0.001);
  EXPECT_GT(rms(output.lastBlock()), 0.1);
}

TEST_F(LongFile, AHalfDownloadedLongFileEndsWhereItsAudioEnds) {
  // Two fifths of the bytes: the tag still promises ten minutes, the audio lasts about four.
  const Bytes& whole = tenMinutes();
  write("cut.mp3", whole.substr(0, whole.size() * 2 / 5));
  Player early(engine, {.autostart = true, .volume = 0, .playCount = 1});
  Player late(engine, {.autostart = true, .volume = 0, .playCount = 1});
  early.file(path("cut.mp3"));
  late.file(path("cut.mp3"));
  EXPECT_GT(early.duration(), 0.0);
  EXPECT_LT(early.position(), early.duration());
  // One player is sent past where the audio will turn out to stop (or, if decoding has already
  // found the end, straight to that end).
  late.position(500.0);
  output.advanceSeconds(0.2);

  engine.cache.waitUntilDecoded();
  const double real = early.duration();
  EXPECT_NEAR(real, 240.0, 5.0);
  EXPECT_EQ(late.duration(), real);
  // The next period ends the one that had gone too far, exactly at the real length.
  output.advance(512);
  EXPECT_EQ(late.position(), late.duration());
  EXPECT_LT(early.position(), early.duration());
  EXPECT_NEAR(early.position(), 0.2 + 512.0 / 48000, 0.001);

  early.position(real - 0.05);
  output.advanceSeconds(0.1);
  EXPECT_EQ(early.position(), early.duration());
  // A player loading it now reads the settled length, and is not finished.
  Player fresh(engine, {.autostart = false, .volume = 0, .playCount = 1});
  fresh.file(path("cut.mp3"));
  EXPECT_EQ(fresh.duration(), real);
  EXPECT_EQ(fresh.position(), 0.0);
}

TEST_F(LongFile, ALongFileWithoutAudioIsReportedOnceAndStandsInAsASecondOfSilence) {
  // The Info frame that promises ten minutes, then text where the audio should be.
  const Bytes& whole = tenMinutes();
  Bytes forged = whole.substr(0, firstFrameBytes(whole));
  for (int i = 0; i < 2000; ++i) forged += "this is not audio\n";
  write("forged.mp3", forged);

  Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
  ::testing::internal::CaptureStderr();
  player.file(path("forged.mp3"));
  EXPECT_LT(player.position(), player.duration());
  engine.cache.waitUntilDecoded();
  player.file(path("forged.mp3"));
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("forged.mp3"), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line only: " << said;

  EXPECT_EQ(player.duration(), 1.0);
  output.advanceSeconds(0.9);
  EXPECT_LT(player.position(), player.duration());
  EXPECT_EQ(rms(output.lastBlock()), 0.0);
  output.advanceSeconds(0.2);
  EXPECT_EQ(player.position(), player.duration());
}

}  // namespace
}  // namespace korvanta
