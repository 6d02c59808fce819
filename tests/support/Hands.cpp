#include "Hands.h"

namespace korvanta::test {

void Hands::aimAt(int32_t place) {
  h.press(key::kShift, shift::kShift);
  for (int i = 0; i < 10 && game.MMirilla.balance() < place; ++i) h.press(key::kRight);
  for (int i = 0; i < 10 && game.MMirilla.balance() > place; ++i) h.press(key::kLeft);
}

int Hands::inPlay() const {
  int n = 0;
  for (int k = 1; k <= Form1::kSlots; ++k) n += game.indioActivo(k);
  return n;
}

bool Hands::crying(int k) const {
  Player& voice = game.MIndio(k);
  return game.indioActivo(k) == 1 && voice.file() == game.vozIndio(k) && !voice.playedOut();
}

int Hands::shootEveryCry(int tickLimit) {
  int shots = 0;
  for (int t = 0; t < tickLimit && inPlay() > 0 && game.pistoleroMuerto == 0; ++t) {
    h.tick();
    for (int k = 1; k <= Form1::kSlots; ++k) {
      if (!crying(k)) continue;
      aimAt(game.MIndio(k).balance());
      if (game.balasCargadas == 0) reload();
      fire();
      ++shots;
    }
  }
  return shots;
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
