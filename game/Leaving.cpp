// End of a wave and of a game: attackers back with fresh bullets, the gunman's lines, leaving.
#include "Form1.h"
#include "ui/Desktop.h"

namespace korvanta {

void Form1::repetir() {
  // Slots 6 and 7 never come back.
  for (int k = 1; k <= 5; ++k) {
    if (indioActivo(k) == 0) {
      indioActivo(k) = 1;
      balasReserva = balasReserva + 3;
    }
  }
  indiosActivos = slotsInPlay();
}

void Form1::noSalgo() {
  const int32_t total = balasCargadas + balasReserva;
  if (total == indiosActivos + 5 && indiosActivos > 1) {
    PISTOLERO.file(soundDir + "\\no salgo.mp3");
    PISTOLERO.volume(0);
    PISTOLERO.play();
  }
}

void Form1::tipoSalida() {
  // After a death the count is 0 as well; the later load wins, so the dead gunman says "fin".
  if (indiosActivos == 0) PISTOLERO.file(soundDir + "\\exito1.mp3");
  if (pistoleroMuerto == 1) PISTOLERO.file(soundDir + "\\fin.mp3");
  if (indiosActivos > 0) PISTOLERO.file(soundDir + "\\no salgo.mp3");
}

void Form1::salir() {
  // Leave only once the farewell has played to its very end.
  if (PISTOLERO.playedOut()) {
    // The menu loads before this window goes, so the program never stands without a window.
    desktop().show("Form2");
    Unload();
  }
}

}  // namespace korvanta
