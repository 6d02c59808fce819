// A whole program without display or sound card: windows on a headless screen, sound by hand.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "sound/Output.h"
#include "sound/SoundEngine.h"
#include "ui/Desktop.h"
#include "ui/Random.h"
#include "ui/Screen.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta::test {

struct Harness {
  // Output frames in one tick of the event loop.
  static constexpr int kFramesPerTick = Mixer::kOutputRate * kTickMilliseconds / 1000;

  explicit Harness(std::filesystem::path folder);

  // One tick of the event loop: 10 ms of sound, then every due timer of every loaded window.
  void tick(int count = 1);
  // Ticks until `done()` holds or `limit` ticks have passed; returns the ticks taken.
  template <class F>
  int tickUntil(F&& done, int limit) {
    int n = 0;
    for (; !done() && n < limit; ++n) tick();
    return n;
  }
  // A key pressed and released.
  void press(int16_t keyCode, int16_t shift = 0);
  void keyDown(int16_t keyCode, int16_t shift = 0) { desktop.keyDown(keyCode, shift); }
  void keyUp(int16_t keyCode, int16_t shift = 0) { desktop.keyUp(keyCode, shift); }

  // A file of the sound folder, by the path the windows give their players.
  std::string sound(const std::string& name) const;

  // The sound folder as the windows see it.
  std::filesystem::path folder;
  // The value the random generator folds in; tests may hold it fixed.
  uint64_t clock = 1;
  SoundEngine engine;
  ManualOutput output{engine.mixer};
  HeadlessScreen screen;
  Random random{[this] { return clock; }};
  Desktop desktop{engine, screen, random};
  // Addresses the menu asked the desktop to open.
  std::vector<std::string> opened;
};

// A window answering to the name of the one a test leaves out: counts how often it was shown, and
// whether the window named `beside` was still loaded then.
class StandIn : public Window {
 public:
  StandIn(Desktop& desktop, std::string name, std::string beside)
      : Window(desktop, std::move(name)), beside_(std::move(beside)) {}
  void Form_Load() override {
    ++loads;
    besideStillLoaded = desktop().find(beside_)->loaded();
  }
  int loads = 0;
  bool besideStillLoaded = false;

 private:
  std::string beside_;
};

}  // namespace korvanta::test
