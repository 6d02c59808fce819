// The whole program on the hand-driven desktop (the real menu and game windows, started at the
// menu as the program starts), and the hands of a player who knows the game.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "program/Windows.h"
#include "tests/support/Harness.h"
#include "ui/Keys.h"
#include "ui/Random.h"

namespace korvanta::test {

struct Program {
  explicit Program(std::filesystem::path folder) : h(std::move(folder)) {}

  // A sound path as both windows write it.
  std::string path(const std::string& name) const { return h.folder.string() + "\\" + name; }

  // Holds the harness clock at a value under which the coming draws are the ones wanted;
  // `wanted` makes the same draws, in the same order, on a copy of the generator.
  void arrange(const std::function<bool(Random&)>& wanted) {
    for (uint64_t c = 1; c < 10'000'000; ++c) {
      h.clock = c;
      Random probe = h.random;
      if (wanted(probe)) return;
    }
    ADD_FAILURE() << "no clock value gives these draws";
  }

  // One tick of the game clock in which slot k steps forward and cries.
  void step(int k) {
    arrange([k](Random& r) { return r.draw(200) == k; });
    h.tick();
  }

  // The player's hands: Shift centres, the arrows move the sight, Space loads, Ctrl fires.
  void aimAt(int32_t place) {
    h.press(key::kShift, shift::kShift);
    for (int i = 0; i < 10 && game.MMirilla.balance() < place; ++i) h.press(key::kRight);
    for (int i = 0; i < 10 && game.MMirilla.balance() > place; ++i) h.press(key::kLeft);
  }
  void reload() { h.press(key::kSpace); }
  void fire() { h.press(key::kCtrl, shift::kCtrl); }

  // Slot k steps, and the player aims at its cry and fires with a loaded gun; the hit sound is
  // "g1.mp3" or "g2.mp3" as `hitSound` says. True if slot k fell.
  bool shoot(int k, int hitSound) {
    step(k);
    aimAt(game.MIndio(k).balance());
    if (game.balasCargadas == 0) reload();
    if (game.balasCargadas == 0) return false;
    arrange([hitSound](Random& r) { return r.draw(2) == hitSound; });
    fire();
    return game.indioActivo(k) == 0;
  }

  int inPlay() {
    int n = 0;
    for (int k = 1; k <= Form1::kSlots; ++k) n += game.indioActivo(k);
    return n;
  }

  Harness h;
  // Both windows, registered as the program's start registers them.
  Windows windows{h.desktop};
  Form1& game = windows.form1;
  Form2& menu = windows.form2;
};

}  // namespace korvanta::test
