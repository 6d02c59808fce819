// A game window on the hand-driven desktop, with a stand-in menu and a few player's habits.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "game/Form1.h"
#include "tests/support/FixturePack.h"
#include "tests/support/Hands.h"
#include "tests/support/Harness.h"
#include "ui/Keys.h"
#include "ui/Random.h"
#include "ui/Window.h"

namespace korvanta::test {

// The menu as the game sees it: a window named "Form2" that remembers how it was shown.
class StandInMenu : public Window {
 public:
  explicit StandInMenu(Desktop& owner) : Window(owner, "Form2") {}
  void Form_Load() override {
    ++loads;
    gameStillLoaded = desktop().find("Form1")->loaded();
  }
  int loads = 0;
  bool gameStillLoaded = false;
};

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

  // The player's hands: aim by ear with Shift and the arrows, load with Space, fire with Ctrl.
  void aimAt(int32_t place) { hands.aimAt(place); }
  void fire() { hands.fire(); }
  void reload() { hands.reload(); }
  int inPlay() const { return hands.inPlay(); }

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
  static bool sounding(Player& p) { return p.duration() > p.position(); }

  // A sharp player: whenever a cry sounds, aims at it, loads if need be and fires at once.
  // Returns the shots fired.
  int shootEveryCry(int tickLimit) {
    int shots = 0;
    for (int t = 0; t < tickLimit && inPlay() > 0 && game.pistoleroMuerto == 0; ++t) {
      h.tick();
      for (int k = 1; k <= Form1::kSlots; ++k) {
        if (!hands.crying(k)) continue;
        aimAt(game.MIndio(k).balance());
        if (game.balasCargadas == 0) reload();
        fire();
        ++shots;
      }
    }
    return shots;
  }

  // Holds the harness clock at a value under which the coming draws are the ones a test needs.
  void arrangeDraws(const std::function<bool(Random&)>& wanted) {
    if (!hands.arrangeDraws(wanted)) FAIL() << "no clock value gives these draws";
  }

  Harness h{freshFolder("game")};
  Form1 game{h.desktop};
  StandInMenu menu{h.desktop};
  Hands hands{h, game};
};

}  // namespace korvanta::test
