// The player's keys: shot-sound choice, centring, fire, reload, leave, and the sight's moves and
// end stops.
#include <array>

#include "Form1.h"
#include "ui/Keys.h"

namespace korvanta {

void Form1::Form_KeyDown(int16_t keyCode, int16_t shift) {
  // Every step whose condition holds acts, so one key event can do several things.
  topeIzquierdoFunción();

  // Digits 1 to 4 choose the shot's sound and let it be heard.
  static constexpr std::array<const char*, 4> kShots = {"d1.mp3", "d2.mp3", "d3.mp3", "d4.mp3"};
  for (int n = 1; n <= 4; ++n) {
    if (keyCode == key::kDigit0 + n) {
      disparoElegido = kShots[n - 1];
      MMirilla.file(soundDir + "\\" + disparoElegido);
      MMirilla.play();
    }
  }

  // The whole mask is compared: Shift together with Ctrl or Alt does not centre.
  if (shift == shift::kShift && teclaUsada == 0) {
    MMirilla.file(soundDir + "\\m.mp3");
    MMirilla.balance(0);
    MMirilla.play();
    teclaUsada = 1;
    puedeIzquierda = 1;
    puedeDerecha = 1;
  }

  // Ctrl alone fires too, and every auto-repeat fires again: the latch is not asked.
  if (shift == shift::kCtrl) disparo();

  if (keyCode == key::kSpace && balasCargadas >= 0 && balasCargadas < 5 && balasReserva > 0) {
    MMirilla.file(soundDir + "\\c.mp3");
    MMirilla.play();
    balasCargadas = balasCargadas + 1;
    balasReserva = balasReserva - 1;
  }

  if (keyCode == key::kEscape) {
    tipoSalida();
    PISTOLERO.volume(-500);
    PISTOLERO.play();
    salidaPedida = 1;
  }

  if (keyCode == key::kUp && teclaUsada == 0) {
    puedeIzquierda = 1;
    MMirilla.file(soundDir + "\\m.mp3");
    MMirilla.balance(0);
    MMirilla.balance(5000);
    MMirilla.play();
    teclaUsada = 1;
  }

  if (keyCode == key::kDown && teclaUsada == 0) {
    puedeDerecha = 1;
    MMirilla.file(soundDir + "\\m.mp3");
    MMirilla.balance(0);
    MMirilla.balance(-5000);
    MMirilla.play();
    teclaUsada = 1;
  }

  if (keyCode == key::kLeft && puedeIzquierda == 1 && teclaUsada == 0) {
    puedeDerecha = 1;
    teclaUsada = 1;
    MMirilla.file(soundDir + "\\m.mp3");
    MMirilla.balance(MMirilla.balance() - 500);
    MMirilla.play();
  }

  if (keyCode == key::kRight && puedeDerecha == 1 && teclaUsada == 0) {
    puedeIzquierda = 1;
    teclaUsada = 1;
    MMirilla.file(soundDir + "\\m.mp3");
    MMirilla.balance(MMirilla.balance() + 500);
    MMirilla.play();
  }
}

void Form1::topeIzquierdoFunción() {
  if (MMirilla.balance() == 5000) puedeDerecha = 0;
  if (MMirilla.balance() == -5000) puedeIzquierda = 0;
}

// Any key released frees the latch: one sight action per key press, auto-repeat or not.
void Form1::Form_KeyUp(int16_t, int16_t) {
  teclaUsada = 0;
}

}  // namespace korvanta
