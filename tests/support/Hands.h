// The hands of a player who knows the game, on the hand-driven desktop: aiming by ear, loading,
// firing, counting the attackers, and arranging the random draws a scenario needs.
#pragma once

#include <cstdint>
#include <functional>

#include "Harness.h"
#include "game/Form1.h"
#include "ui/Keys.h"
#include "ui/Random.h"

namespace korvanta::test {

struct Hands {
  // Shift centres the sight, then the arrows move it step by step towards `place`.
  void aimAt(int32_t place);
  void fire() { h.press(key::kCtrl, shift::kCtrl); }
  // One bullet from the spares into the gun.
  void reload() { h.press(key::kSpace); }
  // Attackers in play right now; the game clock's own count waits for its next tick.
  int inPlay() const;
  // Slot k is in play and its cry is sounding: a shot at its place now fells it.
  bool crying(int k) const;

  // A sharp player: ticks until nobody is left, or the gunman is dead, or `tickLimit`; whenever
  // a cry sounds, aims at it, loads if need be and fires at once. Returns the shots fired.
  int shootEveryCry(int tickLimit);

  // Holds the harness clock at a value under which the coming draws are the ones a test needs;
  // `wanted` makes the same draws, in the same order, on a copy of the generator. False if no
  // clock value gives them.
  [[nodiscard]] bool arrangeDraws(const std::function<bool(Random&)>& wanted);

  Harness& h;
  Form1& game;
};

}  // namespace korvanta::test
