// Arrows: attackers in bow range shoot when their cry has ended; one at the centre kills.
#include "Form1.h"
#include "ui/Random.h"

namespace korvanta {

void Form1::flecha() {
  for (int k = 1; k <= kSlots; ++k) {
    Player& voz = MIndio(k);
    // A cry has ended exactly when its position reads its duration.
    if (voz.playedOut() && voz.volume() >= -1400 && indioActivo(k) == 1) {
      // Rewinding the cry keeps this attacker from shooting again before its next step.
      voz.position(0);
      MFlecha(k).volume(0);
      seleccionaFlecha();
      MFlecha(k).balance(balanceFlecha);
      MFlecha(k).file(rutaFlecha);
      MFlecha(k).play();
    }
  }
}

void Form1::seleccionaFlecha() {
  const int n = random().draw(4);
  if (n == 1) rutaFlecha = soundDir + "\\f1.mp3";
  if (n == 2) rutaFlecha = soundDir + "\\f2.mp3";
  if (n == 3) rutaFlecha = soundDir + "\\f3.mp3";
  if (n == 4) rutaFlecha = soundDir + "\\f4.mp3";

  // Draw 1 is the far right, 21 the far left, 11 the gunman himself.
  const int m = random().draw(21);
  balanceFlecha = int16_t(5000 - 500 * (m - 1));

  if (m == 11) {
    MIndio100.balance(0);
    MIndio100.playCount(5);
    MIndio100.volume(-600);
    MIndio100.file(soundDir + "\\muerte.mp3");
    MIndio100.play();
    balasReserva = 0;
    balasCargadas = 0;
    pistoleroMuerto = 1;
    for (int k = 1; k <= kSlots; ++k) indioActivo(k) = 0;
    regulación();
  }
}

void Form1::regulación() {
  for (int k = 1; k <= kSlots; ++k) {
    if (MIndio(k).volume() == 0) MIndio(k).volume(-200);
  }
}

}  // namespace korvanta
