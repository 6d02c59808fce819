// The shot: the gun's ammunition checks, and which attackers fall to it.
#include "Form1.h"
#include "ui/Random.h"

namespace korvanta {

void Form1::disparo() {
  if (balasCargadas == 0) {
    MMirilla.file(soundDir + "\\g.mp3");
    MMirilla.play();
  } else {
    rutaDisparo = soundDir + "\\" + disparoElegido;
    // The sight's balance stays, so the shot is heard where the gun points.
    MMirilla.file(rutaDisparo);
    MMirilla.play();
    balasCargadas = balasCargadas - 1;
    acertar();

    // The attacker count is the clock's last one: a hit by this very shot is not in it yet.
    if (balasCargadas + balasReserva == 3 * indiosActivos && indiosActivos > 0) repetir();
    if (balasCargadas + balasReserva == 3 * indiosActivos + 1 && indiosActivos > 0) repetir();
    if (balasCargadas + balasReserva == 3 * indiosActivos - 1 && indiosActivos > 0) repetir();

    noSalgo();
  }
}

void Form1::acertar() {
  carpetaSonidos = soundDir + "\\";
  sorteoAcierto = int16_t(random().draw(2));
  if (sorteoAcierto == 1) archivoAcierto = "g1.mp3";
  if (sorteoAcierto == 2) archivoAcierto = "g2.mp3";
  rutaAcierto = carpetaSonidos + archivoAcierto;

  for (int k = 1; k <= kSlots; ++k) {
    // Hittable while its latest sound has not played to its end, or after a rewind.
    const bool sounding = !MIndio(k).playedOut();
    const bool onTarget = MMirilla.balance() == MIndio(k).balance();
    const bool active = indioActivo(k) == 1;
    if (sounding && onTarget && active) {
      // The hit sound replaces the cry, from the place where the attacker stood.
      MIndio(k).file(rutaAcierto);
      MIndio(k).play();
      indioActivo(k) = 0;
    }
  }
}

}  // namespace korvanta
