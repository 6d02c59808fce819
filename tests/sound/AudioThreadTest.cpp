// A real thread renders the mixer while the game steers its players: under the tsan preset,
// this is where a data race between the audio thread and the UI thread would show.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "sound/Player.h"
#include "tests/sound/SoundTest.h"
#include "tests/support/Waiting.h"

namespace korvanta {
namespace {

using namespace std::chrono_literals;

// Renders 512-frame periods until stopped, like the device's callback but ten times as often.
struct Renderer {
  explicit Renderer(Mixer& mixer)
      : thread([this, &mixer](std::stop_token stop) {
          std::vector<float> out(2 * 512);
          while (!stop.stop_requested()) {
            mixer.render(out.data(), 512);
            for (float sample : out) loudest = std::max(loudest, std::abs(sample));
            periods.fetch_add(1);
            std::this_thread::sleep_for(1ms);
          }
        }) {}

  std::atomic<int64_t> periods{0};
  // Written by the audio thread only; read after it has stopped.
  float loudest = 0.0f;
  std::jthread thread;
};

using AudioThread = test::SoundTest;

TEST_F(AudioThread, PlayersAreSteeredAndReadWhileARealThreadRendersThem) {
  std::vector<std::string> files;
  for (const double seconds : {0.05, 0.1, 0.2, 0.3}) {
    const std::string name = "short" + std::to_string(files.size()) + ".mp3";
    test::writeTone(folder / name, seconds);
    files.push_back(path(name));
  }
  // Long enough to be decoded in the background while the others play.
  test::writeLongTone(folder / "long.mp3", 80.0);
  std::vector<std::unique_ptr<Player>> players;
  for (int i = 0; i < 8; ++i)
    players.push_back(std::make_unique<Player>(
        engine, PlayerDesign{.autostart = i % 2 == 0, .volume = -600, .playCount = 1}));
  Renderer audio(engine.mixer);

  // The ambience starts while the audio thread is already pulling, and loops meanwhile.
  Player& bed = *players[0];
  bed.playCount(1000);
  bed.file(path("long.mp3"));
  EXPECT_EQ(bed.duration(), 80.0);

  // Many events' worth of steering: every operation, on every player, in a fixed shuffle.
  uint32_t draw = 12345;
  const auto next = [&draw](uint32_t n) {
    draw = draw * 1664525u + 1013904223u;
    return (draw >> 8) % n;
  };
  const std::function<void(Player&)> steer[] = {
      [&](Player& p) { p.file(files[next(uint32_t(files.size()))]); },
      [](Player& p) { p.play(); },
      [&](Player& p) { p.volume(-int32_t(next(4001))); },
      [&](Player& p) { p.balance(int32_t(next(21)) * 500 - 5000); },
      [](Player& p) { p.position(0); },
      [&](Player& p) { p.playCount(1 + int32_t(next(3))); },
  };
  for (int event = 0; event < 4000; ++event) {
    Player& player = *players[1 + next(7)];
    // Two draws in eight only read the player.
    if (const uint32_t op = next(8); op < std::size(steer)) steer[op](player);
    const double duration = player.duration();
    const double position = player.position();
    EXPECT_GE(position, 0.0);
    EXPECT_LE(position, duration);
    bed.balance(int32_t(next(21)) * 500 - 5000);
    EXPECT_LT(bed.position(), bed.duration());
    if (event % 16 == 0) std::this_thread::sleep_for(1ms);
  }

  // A sound started on the UI thread ends exactly, by the audio thread's hand.
  Player& shot = *players[1];
  shot.playCount(2);
  shot.file(files[0]);
  EXPECT_LT(shot.position(), shot.duration()) << "a file just loaded is not finished";
  shot.play();
  EXPECT_TRUE(test::waitFor([&] { return shot.position() == shot.duration(); }, 20s));
  EXPECT_DOUBLE_EQ(shot.duration(), std::lround(0.05 * 22050) / 22050.0);

  // The long file keeps time and its length while it is decoded and after.
  engine.cache.waitUntilDecoded();
  EXPECT_EQ(bed.duration(), 80.0);
  bed.position(80.0);
  EXPECT_EQ(bed.position(), bed.duration()) << "sent to its end, it stops there";
  bed.playCount(1);
  bed.position(79.95);
  bed.play();
  EXPECT_TRUE(test::waitFor([&] { return bed.position() == bed.duration(); }, 20s));
  EXPECT_GT(audio.periods.load(), 10);
  audio.thread.request_stop();
  audio.thread.join();
  EXPECT_GT(audio.loudest, 0.0f) << "the players were heard";
}

}  // namespace
}  // namespace korvanta
