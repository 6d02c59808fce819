// Headphones pulled out mid-game: the sound card goes away, the default one is opened in its
// place, and every sound carries on from where it was and ends exactly. SDL's dummy driver
// stands in for the sound card and pulls the mixer in real time.
#include <gtest/gtest.h>

#include <SDL.h>

#include "platform/AudioDevice.h"
#include "platform/EventLoop.h"
#include "platform/SdlScreen.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Waiting.h"
#include "ui/Desktop.h"
#include "ui/Random.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta {
namespace {

using test::waitFor;

struct LostDevice : ::testing::Test {
  void SetUp() override {
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    test::writeTone(folder / "bed.mp3", 1.0);
    test::writeTone(folder / "shot.mp3", 0.2);
  }
  void TearDown() override { SDL_Quit(); }
  std::string path(const std::string& name) const { return test::soundPath(folder, name); }

  std::filesystem::path folder = test::freshFolder("lost-device");
  SoundEngine engine;
};

// No device at first (a driver that is not there), then one: the silent output keeps the
// sounds' time, the device found a second later takes over from the same place, and one lost
// later is looked for again. Each change is said once.
TEST_F(LostDevice, WithoutADeviceTimeIsKeptAndTheDefaultIsTakenUpWhenItComesBack) {
  Player bed(engine, {.autostart = true, .volume = -600, .playCount = 3});
  SDL_setenv("SDL_AUDIODRIVER", "nowhere", 1);
  AudioDevice audio(engine.mixer);
  testing::internal::CaptureStderr();
  audio.open();
  EXPECT_TRUE(audio.silent());
  bed.file(path("bed.mp3"));
  ASSERT_TRUE(waitFor([&] { return bed.position() > 0.3; })) << "time stands still";
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(waitFor([&] { return !audio.silent(); }));
  EXPECT_EQ(audio.timesOpened(), 1);
  EXPECT_LT(bed.position(), 1.6) << "looked for again within about a second";

  SDL_setenv("SDL_AUDIODRIVER", "nowhere", 1);
  audio.reopen();
  ASSERT_TRUE(waitFor([&] { return audio.silent(); }));
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_TRUE(waitFor([&] { return !audio.silent(); }));
  EXPECT_EQ(audio.timesOpened(), 2);
  EXPECT_TRUE(waitFor([&] { return bed.position() == bed.duration(); }));
  audio.close();
  const std::string said = testing::internal::GetCapturedStderr();
  const auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = said.find(what); at != std::string::npos; at = said.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("\n"), 4u) << said;
  EXPECT_EQ(count("korvanta: no sound device"), 1u) << said;
  EXPECT_EQ(count("korvanta: the sound device is gone"), 1u) << said;
  EXPECT_EQ(count("korvanta: found a sound device (dummy)"), 2u) << said;
}

// A window whose timer reports the device gone on its third tick and ends the program later.
struct Unplugger : Window {
  Unplugger(Desktop& desktop, AudioDevice& audio)
      : Window(desktop, "Form2"), Timer1(10, [this, &audio] {
          if (++ticks == 3) {
            positionAtLoss = MFondo.position();
            SDL_Event gone{.type = SDL_AUDIODEVICEREMOVED};
            gone.adevice.which = audio.id();
            SDL_PushEvent(&gone);
          }
          if (ticks == 40) End();
        }) {
    controls({&MFondo}, {&Timer1});
  }
  void Form_Load() override { MFondo.file(currentDirectory() + "\\bed.mp3"); }

  Player MFondo{engine(), {.autostart = true, .volume = -600, .playCount = 1}};
  Timer Timer1;
  int ticks = 0;
  double positionAtLoss = -1;
};

TEST_F(LostDevice, TheLoopReopensTheDefaultForItsOwnRemovedDeviceAndSoundsCarryOnExactly) {
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
  AudioDevice audio(engine.mixer);
  audio.open();
  ASSERT_NE(audio.id(), 0u);
  SdlScreen screen;
  Random random;
  Desktop desktop(engine, screen, random);
  desktop.setFolderSource([this] { return folder; });
  Unplugger window(desktop, audio);
  desktop.add(window);
  desktop.show("Form2");
  Player shot(engine, {.autostart = false, .volume = -600, .playCount = 1});
  shot.file(path("shot.mp3"));
  EventLoop(desktop, screen, audio).run();

  EXPECT_EQ(window.ticks, 40);
  EXPECT_EQ(audio.timesOpened(), 2) << "reopened once, for the removal of its own device";
  EXPECT_NE(audio.id(), 0u);
  // The music kept its place through the change and went on.
  Player& bed = window.MFondo;
  EXPECT_GT(window.positionAtLoss, 0.0);
  EXPECT_GT(bed.position(), window.positionAtLoss);
  EXPECT_LT(bed.position(), bed.duration());
  // The new device pulls the same mixer: the music goes on to its exact end, and a new sound
  // plays on it too.
  const int64_t rendered = engine.mixer.framesRendered();
  shot.play();
  EXPECT_TRUE(waitFor([&] { return shot.position() == shot.duration(); }));
  EXPECT_TRUE(waitFor([&] { return bed.position() == bed.duration(); }));
  EXPECT_GT(engine.mixer.framesRendered(), rendered);
}

}  // namespace
}  // namespace korvanta
