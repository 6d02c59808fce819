#include "Hands.h"

#include "ui/Keys.h"

namespace korvanta::test {

void Hands::aimAt(int32_t place) {
  h.press(key::kShift, shift::kShift);
  for (int i = 0; i < 10 && game.MMirilla.balance() < place; ++i) h.press(key::kRight);
  for (int i = 0; i < 10 && game.MMirilla.balance() > place; ++i) h.press(key::kLeft);
}

void Hands::fire() {
  h.press(key::kCtrl, shift::kCtrl);
}

void Hands::reload() {
  h.press(key::kSpace);
}

int Hands::inPlay() const {
  int n = 0;
  for (int k = 1; k <= Form1::kSlots; ++k) n += game.indioActivo(k);
  return n;
}

bool Hands::crying(int k) const {
  Player& voice = game.MIndio(k);
  return game.indioActivo(k) == 1 && voice.file() == game.vozIndio(k) &&
         voice.duration() > voice.position();
}

bool Hands::arrangeDraws(const std::function<bool(Random&)>& wanted) {
  for (uint64_t c = 1; c < 10'000'000; ++c) {
    h.clock = c;
    Random probe = h.random;
    if (wanted(probe)) return true;
  }
  return false;
}

}  // namespace korvanta::test
