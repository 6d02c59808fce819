// The whole program on the hand-driven desktop (the real menu and game windows, started at the
// menu as the program starts), and the hands of a player who knows the game.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "program/Windows.h"
#include "tests/support/Hands.h"
#include "tests/support/Harness.h"
#include "ui/Keys.h"
#include "ui/Random.h"

namespace korvanta::test {

// Named apart from the product's `korvanta::Program`, which wires the same windows to SDL.
struct HandDrivenProgram {
  explicit HandDrivenProgram(std::filesystem::path folder) : h(std::move(folder)) {}

  // Holds the harness clock at a value under which the coming draws are the ones wanted.
  void arrange(const std::function<bool(Random&)>& wanted) {
    if (!hands.arrangeDraws(wanted)) ADD_FAILURE() << "no clock value gives these draws";
  }

  // One tick of the game clock in which slot k steps forward and cries.
  void step(int k) {
    arrange([k](Random& r) { return r.draw(200) == k; });
    h.tick();
  }

  // Slot k steps, and the player aims at its cry and fires with a loaded gun; the hit sound is
  // "g1.mp3" or "g2.mp3" as `hitSound` says. True if slot k fell.
  bool shoot(int k, int hitSound) {
    step(k);
    hands.aimAt(game.MIndio(k).balance());
    if (game.balasCargadas == 0) hands.reload();
    if (game.balasCargadas == 0) return false;
    arrange([hitSound](Random& r) { return r.draw(2) == hitSound; });
    hands.fire();
    return game.indioActivo(k) == 0;
  }

  Harness h;
  // Both windows, registered as the program's start registers them.
  Windows windows{h.desktop};
  Form1& game = windows.form1;
  Form2& menu = windows.form2;
  // The player's hands: Shift centres, the arrows move the sight, Space loads, Ctrl fires.
  Hands hands{h, game};
};

}  // namespace korvanta::test
