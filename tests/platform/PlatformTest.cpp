// The platform under the windows: their lifecycle, keys and pace, and a sound card that goes
// away mid-game (headphones pulled out) replaced by the default one, every sound carrying on.
#include <gtest/gtest.h>

#include <SDL.h>

#include <regex>

#include "platform/AudioDevice.h"
#include "platform/EventLoop.h"
#include "platform/SdlKeys.h"
#include "platform/SdlScreen.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Harness.h"
#include "tests/support/Waiting.h"
#include "ui/Keys.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta {
namespace {

// A window with one player, one timer and a member that outlives its unloading.
struct Plain : Window {
  Plain(Desktop& desktop, const std::string& name, int interval)
      : Window(desktop, name), Timer1(interval, [this] {
          ++ticks;
          if (onTick) onTick();
        }) {
    controls({&voice}, {&Timer1});
  }
  void Form_Load() override {
    ++loads;
    loadedWith = voice.volume();
  }
  void Form_KeyDown(int16_t code, int16_t shift) override { keys.push_back({code, shift}); }
  void Form_KeyUp(int16_t code, int16_t) override { keys.push_back({int16_t(-code), 0}); }

  Player voice{engine(), {.autostart = true, .volume = -600, .playCount = 1}};
  Timer Timer1;
  int loads = 0;
  int ticks = 0;
  std::function<void()> onTick;
  int32_t loadedWith = 0;
  std::vector<std::pair<int16_t, int16_t>> keys;
};

TEST(Windows, LoadAppliesDesignSettingsTheKeyboardFollowsTheShownWindowAndTheLoopKeepsPace) {
  test::Harness h(test::freshFolder("windows"));
  test::writeTone(h.folder / "x.mp3", 2.0);
  Plain game(h.desktop, "Form1", 1);
  Plain menu(h.desktop, "Form2", 1);
  h.desktop.add(game);
  h.desktop.add(menu);

  h.desktop.show("Form2");
  EXPECT_TRUE(menu.loaded());
  EXPECT_EQ(menu.loads, 1);
  EXPECT_EQ(menu.loadedWith, -600);
  ASSERT_EQ(h.screen.windows().size(), 1u);
  EXPECT_EQ(h.screen.windows()[0].caption, "KORVANTA");
  menu.voice.volume(-100);
  menu.voice.balance(3000);
  menu.voice.file(test::soundPath(h.folder, "x.mp3"));
  h.tick(5);
  EXPECT_EQ(menu.ticks, 5);
  EXPECT_GT(menu.voice.position(), 0.0);
  h.keyDown(key::kDown);
  EXPECT_EQ(menu.keys.size(), 1u);

  // Menu to game: the game takes the keys; the unloaded menu's timer and player stop.
  h.desktop.show("Form1");
  menu.Unload();
  EXPECT_FALSE(menu.loaded());
  EXPECT_EQ(h.screen.focused(), game.hWnd());
  h.tick(5);
  EXPECT_EQ(menu.ticks, 5);
  EXPECT_EQ(menu.voice.duration(), 0.0);
  h.keyDown(key::kLeft, shift::kCtrl);
  h.keyUp(key::kLeft);
  ASSERT_EQ(game.keys.size(), 2u);
  EXPECT_EQ(game.keys[0], std::make_pair(key::kLeft, shift::kCtrl));
  EXPECT_EQ(game.keys[1].first, -key::kLeft);

  // And back: the menu loads at design settings, its members as they were left.
  h.desktop.show("Form2");
  game.Unload();
  EXPECT_EQ(menu.loads, 2);
  EXPECT_EQ(menu.voice.volume(), -600);
  EXPECT_EQ(menu.voice.balance(), 0);
  EXPECT_EQ(menu.voice.file(), "");
  EXPECT_EQ(menu.ticks, 5);
  EXPECT_EQ(h.screen.focused(), menu.hWnd());
  h.keyDown(key::kUp);
  EXPECT_EQ(menu.keys.size(), 2u);
  EXPECT_EQ(game.keys.size(), 2u);
  // Showing a loaded window does not load it again.
  menu.Show();
  EXPECT_EQ(menu.loads, 2);
  menu.BackColor(255);
  EXPECT_EQ(h.screen.windows()[0].colour, 255u);

  // The desktop's close control unloads a window; with no window left, the program ends.
  h.desktop.closeRequested(menu.hWnd());
  EXPECT_FALSE(menu.loaded());
  EXPECT_TRUE(h.screen.windows().empty());
  EXPECT_FALSE(h.desktop.running());

  // Shown again and ended from its timer under the real loop, on a clock of the test's own:
  // every wait takes just what it asks, except two wake-ups that come 25 ms and 5 ms late, as on
  // a loaded machine. A late tick is followed by a full period, never by a burst.
  menu.Show();
  uint64_t now = 1000;
  int waits = 0;
  std::vector<uint64_t> ticks;
  menu.onTick = [&] {
    ticks.push_back(now);
    if (ticks.size() == 10) menu.End();
  };
  SdlScreen screen;
  EventLoop loop(h.desktop, screen,
                 {.now = [&] { return now; },
                  .wait =
                      [&](SDL_Event&, int timeoutMs) {
                        ++waits;
                        now += uint64_t(timeoutMs) + (waits == 4 ? 25 : waits == 8 ? 5 : 0);
                        return false;
                      }});
  EXPECT_TRUE(h.desktop.running());
  loop.run();
  EXPECT_FALSE(h.desktop.running());
  EXPECT_EQ(ticks,
            (std::vector<uint64_t>{1010, 1020, 1030, 1065, 1075, 1085, 1095, 1110, 1120, 1130}));
}

TEST(Windows, TimersTickOncePerPassAndNeverCatchUpInBursts) {
  int ticks = 0;
  Timer fast(1, [&] { ++ticks; });
  Timer idle(0, [&] { ticks += 100; });
  fast.create();
  idle.create();
  // A 1 ms timer ticks once per 10 ms pass of the loop, and once for a pass that came late.
  fast.elapse(10);
  fast.elapse(250);
  idle.elapse(10);
  EXPECT_EQ(ticks, 2);
  idle.interval(1);
  idle.elapse(10);
  EXPECT_EQ(ticks, 102);
  fast.interval(0);
  fast.elapse(10);
  EXPECT_EQ(ticks, 102);
  // A slower timer waits for its interval, without carrying over lost time.
  Timer slow(30, [&] { ++ticks; });
  slow.create();
  slow.elapse(10);
  slow.elapse(10);
  EXPECT_EQ(ticks, 102);
  slow.elapse(100);
  slow.elapse(10);
  EXPECT_EQ(ticks, 103);
  slow.destroy();
  slow.elapse(1000);
  EXPECT_EQ(ticks, 103);
}

TEST(Keys, SdlKeysBecomeTheWindowsCodesAndLockKeysAreNotModifiers) {
  // Keys without a code of their own still reach the window, with one code no rule tests.
  const int32_t codes[] = {
      SDLK_RETURN,   13,          SDLK_KP_ENTER, 13,          SDLK_ESCAPE, 27,
      SDLK_SPACE,    32,          SDLK_LEFT,     37,          SDLK_UP,     38,
      SDLK_RIGHT,    39,          SDLK_DOWN,     40,          SDLK_1,      49,
      SDLK_4,        52,          SDLK_0,        48,          SDLK_a,      65,
      SDLK_z,        90,          SDLK_KP_0,     96,          SDLK_KP_1,   97,
      SDLK_KP_9,     105,         SDLK_LSHIFT,   16,          SDLK_RCTRL,  17,
      SDLK_LALT,     18,          SDLK_F1,       key::kOther, SDLK_TAB,    key::kOther,
      SDLK_CAPSLOCK, key::kOther, SDLK_UNKNOWN,  key::kOther};
  for (size_t i = 0; i < std::size(codes); i += 2)
    EXPECT_EQ(keyCodeOf(codes[i]), codes[i + 1]) << codes[i];
  // Num Lock and Caps Lock must not turn Ctrl (2) into something the game does not fire on.
  EXPECT_EQ(shiftStateOf(KMOD_LSHIFT), 1);
  EXPECT_EQ(shiftStateOf(KMOD_RCTRL), 2);
  EXPECT_EQ(shiftStateOf(KMOD_LALT), 4);
  EXPECT_EQ(shiftStateOf(KMOD_LSHIFT | KMOD_LCTRL), 3);
  EXPECT_EQ(shiftStateOf(KMOD_LCTRL | KMOD_NUM | KMOD_CAPS), 2);
  EXPECT_EQ(shiftStateOf(KMOD_NUM), 0);
}

// SDL's dummy driver stands in for the sound card and pulls the mixer in real time.
struct LostDevice : ::testing::Test {
  void SetUp() override {
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    test::writeTone(h.folder / "bed.mp3", 1.0);
    test::writeTone(h.folder / "shot.mp3", 0.2);
  }
  void TearDown() override { SDL_Quit(); }

  test::Harness h{test::freshFolder("lost-device")};
};

// Each change of device is said once.
// Each change of device is said once. The disk driver stands in for a card that cannot be opened
// while its file cannot be written.
TEST_F(LostDevice, WithoutADeviceTimeIsKeptAndTheDefaultIsTakenUpWhenItComesBack) {
  Player bed(h.engine, {.autostart = true, .volume = -600, .playCount = 3});
  const std::string nowhere = (h.folder / "no-such-folder" / "out.raw").string();
  const std::string card = (h.folder / "out.raw").string();
  SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
  SDL_setenv("SDL_DISKAUDIOFILE", nowhere.c_str(), 1);
  AudioDevice audio(h.engine.mixer);
  testing::internal::CaptureStderr();
  audio.open();
  EXPECT_TRUE(audio.silent());
  bed.file(h.sound("bed.mp3"));
  ASSERT_TRUE(test::waitFor([&] { return bed.position() > 0.3; })) << "time stands still";
  SDL_setenv("SDL_DISKAUDIOFILE", card.c_str(), 1);
  ASSERT_TRUE(test::waitFor([&] { return !audio.silent(); }));
  EXPECT_EQ(audio.timesOpened(), 1);
  EXPECT_LT(h.engine.mixer.framesRendered(), 1.6 * Mixer::kOutputRate)
      << "looked for again within about a second";

  SDL_setenv("SDL_DISKAUDIOFILE", nowhere.c_str(), 1);
  audio.reopen();
  ASSERT_TRUE(test::waitFor([&] { return audio.silent(); }));
  SDL_setenv("SDL_DISKAUDIOFILE", card.c_str(), 1);
  ASSERT_TRUE(test::waitFor([&] { return !audio.silent(); }));
  EXPECT_EQ(audio.timesOpened(), 2);
  EXPECT_TRUE(test::waitFor([&] { return bed.position() == bed.duration(); }));
  audio.close();
  // SDL's disk driver warns on each open that it is no card.
  const std::string said = std::regex_replace(testing::internal::GetCapturedStderr(),
                                              std::regex("CRITICAL: [^\n]*\n"), "");
  EXPECT_TRUE(
      std::regex_match(said, std::regex("korvanta: no sound device [^\n]*\n"
                                        "korvanta: found a sound device \\(disk\\)[^\n]*\n"
                                        "korvanta: the sound device is gone [^\n]*\n"
                                        "korvanta: found a sound device \\(disk\\)[^\n]*\n")))
      << said;
}

TEST_F(LostDevice, TheLoopReopensTheDefaultForItsOwnRemovedDeviceAndSoundsCarryOnExactly) {
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
  AudioDevice audio(h.engine.mixer);
  audio.open();
  ASSERT_NE(audio.id(), 0u);
  // The music's window, on the real screen, reports its device gone on its third tick.
  SdlScreen screen;
  Desktop desktop(h.engine, screen, h.random);
  Plain window(desktop, "Form2", 10);
  desktop.add(window);
  desktop.show("Form2");
  Player& bed = window.voice;
  bed.file(h.sound("bed.mp3"));
  double positionAtLoss = -1;
  window.onTick = [&] {
    // A device that was never opened is reported as number 0: not ours.
    if (window.ticks == 2) {
      SDL_Event other{.type = SDL_AUDIODEVICEREMOVED};
      SDL_PushEvent(&other);
    }
    if (window.ticks == 3) {
      positionAtLoss = bed.position();
      SDL_Event gone{.type = SDL_AUDIODEVICEREMOVED};
      gone.adevice.which = audio.id();
      SDL_PushEvent(&gone);
    }
    if (window.ticks == 40) window.End();
  };
  Player shot(h.engine, {.autostart = false, .volume = -600, .playCount = 1});
  shot.file(h.sound("shot.mp3"));
  EventLoop(desktop, screen).run();

  EXPECT_EQ(window.ticks, 40);
  EXPECT_EQ(audio.timesOpened(), 2) << "reopened once, for the removal of its own device";
  EXPECT_NE(audio.id(), 0u);
  // The music kept its place through the change and went on.
  EXPECT_GT(positionAtLoss, 0.0);
  EXPECT_GT(bed.position(), positionAtLoss);
  EXPECT_LT(bed.position(), bed.duration());
  // The new device pulls the same mixer: the music ends exactly, and a new sound plays too.
  const int64_t rendered = h.engine.mixer.framesRendered();
  shot.play();
  EXPECT_TRUE(test::waitFor([&] { return shot.position() == shot.duration(); }));
  EXPECT_TRUE(test::waitFor([&] { return bed.position() == bed.duration(); }));
  EXPECT_GT(h.engine.mixer.framesRendered(), rendered);
}

}  // namespace
}  // namespace korvanta
