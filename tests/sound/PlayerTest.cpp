// The sound player's contract, heard through the hand-driven output.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "sound/Limiter.h"
#include "sound/Player.h"
#include "sound/Text.h"
#include "tests/sound/SoundTest.h"
#include "tests/support/Listening.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;
using e2e::rms;
using test::writeTone;

// Power spectrum in dB of 16384 frames of one channel, Blackman-Harris windowed.
std::vector<double> spectrumDb(const std::vector<float>& interleaved, int channel) {
  constexpr size_t n = 16384;
  std::vector<std::complex<double>> x(n);
  for (size_t i = 0; i < n; ++i) {
    const double t = 2 * std::numbers::pi * double(i) / (n - 1);
    const double w =
        0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
    x[i] = interleaved[2 * i + size_t(channel)] * w;
  }
  e2e::fourier(x);
  std::vector<double> db(n / 2);
  for (size_t k = 0; k < n / 2; ++k) db[k] = 10 * std::log10(std::norm(x[k]) + 1e-30);
  return db;
}

struct PlayerTest : test::SoundTest {
  // Left and right RMS of 0.1 s, after one period for any gain change to settle.
  std::pair<double, double> listen() {
    output.advance(512);
    output.advance(4800);
    return {rms(output.lastBlock(), 0), rms(output.lastBlock(), 1)};
  }
  // Plays `frames` and gives the largest jump between frames, from the last one heard before.
  float largestStep(int frames) {
    const std::vector<float>& block = output.lastBlock();
    std::vector<float> heard(2, 0.0f);
    if (!block.empty()) heard.assign(block.end() - 2, block.end());
    output.advance(frames);
    heard.insert(heard.end(), block.begin(), block.end());
    float largest = 0;
    for (size_t i = 2; i < heard.size(); ++i)
      largest = std::max(largest, std::abs(heard[i] - heard[i - 2]));
    return largest;
  }
};

TEST_F(PlayerTest, SoundsStartWhenToldOrOnLoadingAndEndExactlyAfterEveryPass) {
  writeTone(folder / "tone.mp3", 0.25);
  Player player(engine, {.autostart = false, .volume = -600, .playCount = 1});
  Player automatic(engine, {.autostart = true, .volume = -600, .playCount = 1});
  player.playCount(3);
  player.file(path("tone.mp3"));
  automatic.file(path("tone.mp3"));
  // The decoder gives back exactly the frames that were encoded.
  EXPECT_DOUBLE_EQ(player.duration(), std::lround(0.25 * 22050) / 22050.0);
  EXPECT_EQ(player.position(), 0.0) << "a file just loaded is not finished";
  EXPECT_FALSE(player.playedOut());
  // Not started, it waits while the autostarting one plays; play on a sounding file goes on.
  output.advanceSeconds(0.1);
  EXPECT_EQ(player.position(), 0.0);
  EXPECT_NEAR(automatic.position(), 0.1, 0.001);
  automatic.play();
  EXPECT_NEAR(automatic.position(), 0.1, 0.001);

  // Rewound, a finished sound waits for play; played after its end, it starts from the beginning.
  output.advanceSeconds(0.2);
  ASSERT_EQ(automatic.position(), automatic.duration());
  automatic.position(0);
  EXPECT_EQ(automatic.position(), 0.0);
  output.advanceSeconds(0.05);
  EXPECT_EQ(automatic.position(), 0.0);
  automatic.play();
  output.advanceSeconds(0.05);
  EXPECT_NEAR(automatic.position(), 0.05, 0.001);
  output.advanceSeconds(0.25);
  EXPECT_EQ(automatic.position(), automatic.duration());
  automatic.play();
  output.advanceSeconds(0.02);
  EXPECT_NEAR(automatic.position(), 0.02, 0.001);

  player.play();
  for (int pass = 0; pass < 3; ++pass) {
    output.advanceSeconds(0.2);
    EXPECT_LT(player.position(), player.duration()) << "pass " << pass;
    EXPECT_GT(player.position(), 0.0);
    output.advanceSeconds(0.05);
  }
  output.advanceSeconds(0.01);
  EXPECT_EQ(player.position(), player.duration());
  EXPECT_TRUE(player.playedOut());
  // It stays there, and the output is silent again.
  output.advanceSeconds(0.3);
  EXPECT_EQ(player.position(), player.duration());
  EXPECT_EQ(rms(output.lastBlock()), 0.0);

  // A count written while it sounds renews it, the pass under way being the first: written on
  // every tick, as the clock does, it never ends; written no more, it ends after one more pass.
  player.playCount(1);
  player.play();
  for (int tick = 0; tick < 100; ++tick) {
    player.playCount(2);
    output.advanceSeconds(0.01);
  }
  EXPECT_LT(player.position(), player.duration()) << "a second playing, still going";
  output.advanceSeconds(0.5);
  EXPECT_EQ(player.position(), player.duration());
  // Written to a file that is not playing, it counts for the next play.
  player.playCount(2);
  player.play();
  output.advanceSeconds(0.45);
  EXPECT_LT(player.position(), player.duration());
  output.advanceSeconds(0.06);
  EXPECT_EQ(player.position(), player.duration());
}

TEST_F(PlayerTest, GainLawsPlaceTheSoundAndChangesGlideWithinOnePeriod) {
  writeTone(folder / "t.mp3", 4.0);
  Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
  player.file(path("t.mp3"));
  const auto [full, fullRight] = listen();
  ASSERT_GT(full, 0.1);
  EXPECT_NEAR(fullRight, full, full * 0.01);
  // -2000 hundredths of a dB is a factor of 10.
  player.volume(-2000);
  EXPECT_NEAR(listen().first, full / 10, full * 0.002);

  // Every place of the grid is its own: the far channel drops 1.8 dB per step of 500, the near
  // one stays at the player's level; the tags at 9000 keep the slope, 32.4 dB at one ear.
  player.volume(0);
  std::vector<int32_t> places = {9000, -9000};
  for (int32_t place = -5000; place <= 5000; place += 500) places.push_back(place);
  for (const int32_t place : places) {
    player.balance(place);
    const auto [left, right] = listen();
    const double nearTolerance = std::abs(place) == 9000 ? 0.01 : 0.02;
    EXPECT_NEAR(std::max(left, right), full, full * nearTolerance) << place;
    EXPECT_NEAR(20 * std::log10(right / left), 1.8 * place / 500, 0.02) << place;
  }

  // The glide itself: no jump larger than the tone's own slope while the gain changes.
  player.balance(0);
  output.advance(512);
  player.volume(-4000);
  EXPECT_LT(largestStep(512), 0.05f);
}

TEST_F(PlayerTest, SoundsStartOnTheirSideAndWhatTheyCutOffFadesInsteadOfClicking) {
  writeTone(folder / "a.mp3", 1.0, 440.0);
  writeTone(folder / "b.mp3", 1.0, 660.0);
  // A tag sound, placed right after each load and restarted from one far side to the other.
  Player tag(engine, {.autostart = true, .volume = 0, .playCount = 1});
  const auto rightOverLeftDb = [&] {
    return 20 * std::log10(rms(output.lastBlock(), 1) / rms(output.lastBlock(), 0));
  };
  for (int restart = 0; restart < 6; ++restart) {
    const int32_t side = restart % 2 == 0 ? -9000 : 9000;
    tag.file(path(restart % 3 == 0 ? "a.mp3" : "b.mp3"));
    tag.balance(side);
    // The new sound's onset is wholly on its own side: the other holds only the old one's fade.
    const float onsetStep = largestStep(144);
    output.advance(480);
    EXPECT_NEAR(rightOverLeftDb(), 1.8 * side / 500, 0.1) << restart;
    // Replaced at once, not after the fade: its position counts from the first frame.
    EXPECT_NEAR(tag.position(), 624.0 / 48000, 1e-9) << restart;
    if (restart > 0) {
      EXPECT_LT(onsetStep, 0.05f) << "no click at restart " << restart;
    }
  }
  // Played out on the right, started again on the left: from its very first frame it is there.
  output.advanceSeconds(1.0);
  tag.file(path("a.mp3"));
  tag.balance(-9000);
  output.advance(144);
  EXPECT_NEAR(rightOverLeftDb(), -32.4, 0.1);
  // Rewound and stopped while heard: faded out over 3 ms, not cut.
  output.advance(1000);
  tag.position(0);
  EXPECT_LT(largestStep(512), 0.05f);
  tag.destroy();
  EXPECT_LT(largestStep(512), 0.05f);
  EXPECT_GT(std::abs(output.lastBlock()[100]), 0.0f) << "still fading";
  EXPECT_EQ(output.lastBlock()[2 * 144], 0.0f) << "silent after the fade";
}

TEST_F(PlayerTest, TheMixNeverPassesItsCeilingAndIsUntouchedBelowIt) {
  writeTone(folder / "t.mp3", 3.0);
  std::vector<std::unique_ptr<Player>> players;
  for (int i = 0; i < 8; ++i) {
    players.push_back(std::make_unique<Player>(engine, PlayerDesign{.volume = 0}));
    players.back()->file(path("t.mp3"));
  }
  // One voice at full volume, below -3 dBFS: the output is the file's samples, exactly.
  const auto exact = [&](double from) {
    output.advance(480);
    return output.lastBlock() ==
           samplesOf(*engine.cache.get(path("t.mp3")), std::llround(from * 48000), 480);
  };
  players[0]->play();
  EXPECT_TRUE(exact(0.0));
  // Eight of them at full volume would reach 2.4: the limiter holds them under -0.5 dBFS.
  for (auto& player : players) player->play();
  output.advance(48000);
  float loudest = 0;
  for (float sample : output.lastBlock()) loudest = std::max(loudest, std::abs(sample));
  EXPECT_LE(loudest, Limiter::kCeiling);
  EXPECT_GT(loudest, Limiter::kCeiling * 0.95f);
  // Back to one voice: within 300 ms the gain has recovered to exactly unity.
  for (size_t i = 1; i < players.size(); ++i) players[i]->destroy();
  const double at = players[0]->position();
  output.advanceSeconds(0.3);
  EXPECT_TRUE(exact(at + 0.3));
  // Its memory of a loud mix fades through a long silence to nothing, not to a costly denormal.
  Limiter limiter(48000);
  std::vector<float> loud(2 * 480, 2.0f), silence(2 * 48000 * 15, 0.0f);
  limiter.process(loud.data(), 480);
  limiter.process(silence.data(), 48000 * 15);
  EXPECT_EQ(limiter.envelope(), 0.0f);
}

TEST_F(PlayerTest, FilesAtOtherRatesAreResampledCleanlyAndKeepTheirExactLength) {
  for (const int rate : {22050, 44100}) {
    SCOPED_TRACE(rate);
    // A 3 kHz sine at half scale: the resampler's images lie above the file's own top.
    const std::string name = "sine" + std::to_string(rate) + ".mp3";
    writeTone(folder / name, 1.0, {.frequency = 3000.0, .rate = rate, .level = 0.5f});
    Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
    player.file(path(name));
    EXPECT_EQ(player.duration(), 1.0);
    output.advanceSeconds(0.2);
    output.advance(16384);
    const std::vector<double> db = spectrumDb(output.lastBlock(), 0);
    const size_t signal = size_t(3000.0 * 16384 / 48000 + 0.5);
    const double peak = *std::max_element(db.begin() + signal - 3, db.begin() + signal + 4);
    // Full level where it belongs (a linear step loses some), and 90 dB of clean space above.
    EXPECT_NEAR(peak, 20 * std::log10(0.5 * 16384 * 0.35875 / 2), 0.2);
    const size_t top = size_t((rate / 2.0 + 300) * 16384 / 48000);
    EXPECT_LT(*std::max_element(db.begin() + top, db.end()) - peak, -90.0);
    output.advanceSeconds(0.5);
    EXPECT_EQ(player.position(), player.duration());
  }
}

TEST_F(PlayerTest, BadFilesStandInAsOneSecondOfSilenceAndAreReportedOnce) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += char((i * 7919) % 251);
  writeTone(folder / "whole.mp3", 1.0);
  const std::string whole = test::fileText(folder / "whole.mp3");
  write("empty.mp3", "");
  write("text.mp3", "this is not a sound\n");
  write("garbage.mp3", garbage);
  // Half of a good file: it plays what survives.
  write("half.mp3", whole.substr(0, whole.size() / 2));

  Player player(engine, {.autostart = true, .volume = 0, .playCount = 1});
  for (const char* name : {"missing.mp3", "empty.mp3", "text.mp3", "garbage.mp3"}) {
    ::testing::internal::CaptureStderr();
    player.file(path(name));
    player.file(path(name));
    expectReportedOnce(name);
    EXPECT_EQ(player.duration(), 1.0) << name;
    EXPECT_EQ(player.file(), path(name));
    output.advanceSeconds(0.5);
    EXPECT_LT(player.position(), player.duration()) << name;
    output.advanceSeconds(0.6);
    EXPECT_EQ(player.position(), player.duration()) << name;
  }
  player.file(path("half.mp3"));
  // Its length is the tag's until the decoder has found where its audio stops.
  engine.cache.waitUntilDecoded();
  EXPECT_GT(player.duration(), 0.0);
  EXPECT_LT(player.duration(), 1.0);
}

TEST_F(PlayerTest, SettingsOutliveFileWritesAndGamePathsFindFilesWhateverTheirCase) {
  // Letters beyond any narrow code page of Windows, and a pack saved in lower case.
  const fs::path odd = folder / pathFromUtf8("Mis sonidos ñandú 表");
  fs::create_directories(odd);
  EXPECT_EQ(fs::directory_iterator(folder)->path().filename().u16string(), u"Mis sonidos ñandú 表");
  writeTone(odd / "a1.mp3", 0.3);
  writeTone(odd / "no salgo.mp3", 0.2);
  const std::string gameFolder = utf8(odd);
  Player player(engine, {.autostart = true, .volume = -600, .playCount = 1});
  EXPECT_EQ(player.duration(), 0.0) << "never given a file";
  EXPECT_EQ(player.position(), 0.0);
  EXPECT_EQ(player.volume(), -600);
  EXPECT_EQ(player.balance(), 0);

  player.volume(-1234);
  player.balance(-9000);
  player.playCount(2);
  player.file(gameFolder + "\\A1.MP3");
  EXPECT_DOUBLE_EQ(player.duration(), std::lround(0.3 * 22050) / 22050.0);
  EXPECT_EQ(player.file(), gameFolder + "\\A1.MP3");
  player.file(gameFolder + "\\no salgo.mp3");
  EXPECT_DOUBLE_EQ(player.duration(), std::lround(0.2 * 22050) / 22050.0);
  EXPECT_EQ(player.file(), gameFolder + "\\no salgo.mp3");
  EXPECT_EQ(player.volume(), -1234);
  EXPECT_EQ(player.balance(), -9000);
  // The play count of 2 survived the second load: two passes of 0.2 s.
  output.advanceSeconds(0.3);
  EXPECT_LT(player.position(), player.duration());
  output.advanceSeconds(0.15);
  EXPECT_EQ(player.position(), player.duration());

  // Decoded once: reloading costs a cache hit, and the cache keeps one entry per path.
  const size_t cached = engine.cache.size();
  for (int i = 0; i < 10; ++i) player.file(gameFolder + "\\A1.MP3");
  EXPECT_EQ(engine.cache.size(), cached);
  // The window loads again: design settings, no file, centred.
  player.create();
  EXPECT_EQ(player.file(), "");
  EXPECT_EQ(player.volume(), -600);
  EXPECT_EQ(player.balance(), 0);
  EXPECT_EQ(player.duration(), 0.0);
}

}  // namespace
}  // namespace korvanta
