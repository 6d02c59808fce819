// The real menu on a hand-driven desktop, with a stand-in answering to the game window's name.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "menu/Form2.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Harness.h"
#include "ui/Keys.h"

namespace korvanta::test {

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

  static bool ended(const Player& player) { return player.position() == player.duration(); }

  void press(int16_t keyCode, int times = 1) {
    for (int i = 0; i < times; ++i) h.press(keyCode);
  }

  Harness h{freshFolder("menu")};
  Form2 menu{h.desktop};
  // The menu only ever asks for "Form1" by name; this counts how often a game was started.
  StandIn game{h.desktop, "Form1", "Form2"};
};

}  // namespace korvanta::test
