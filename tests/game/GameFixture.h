// A game window on the hand-driven desktop, with a stand-in menu and a few player's habits.
#pragma once

#include <gtest/gtest.h>

#include "game/Form1.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Hands.h"
#include "tests/support/Harness.h"
#include "ui/Keys.h"

namespace korvanta::test {

class GameTest : public ::testing::Test {
 protected:
  GameTest() {
    writeFixturePack(h.folder);
    h.desktop.add(game);
    h.desktop.add(menu);
  }
  // Windows keeps a file from being removed while the decode worker still reads it.
  ~GameTest() override {
    h.engine.cache.waitUntilDecoded();
    std::filesystem::remove_all(h.folder);
  }

  void start() { h.desktop.show("Form1"); }
  // Slots 1 to `n` in play, the others not.
  void inPlayUpTo(int n) {
    for (int k = 1; k <= Form1::kSlots; ++k) game.indioActivo(k) = k <= n ? 1 : 0;
  }
  // Slot k's cry is sounding, as after a step.
  void cry(int k) {
    game.MIndio(k).file(game.vozIndio(k));
    game.MIndio(k).play();
  }
  // Slot k's cry has played to its end.
  void cryEnded(int k) {
    cry(k);
    game.MIndio(k).position(game.MIndio(k).duration());
  }
  Harness h{freshFolder("game")};
  Form1 game{h.desktop};
  StandIn menu{h.desktop, "Form2", "Form1"};
  Hands hands{h, game};
};

}  // namespace korvanta::test
