// The attackers: who takes part, their voices, their places, their steps.
#include <array>

#include "Form1.h"
#include "ui/Random.h"

namespace korvanta {

namespace {

// Voice files by draw 1..15. There is no voice 14: draw 14 repeats voice 4.
constexpr std::array<const char*, 15> kVoces = {"\\i1.mp3",  "\\i2.mp3",  "\\i3.mp3",  "\\i4.mp3",
                                                "\\i5.mp3",  "\\i6.mp3",  "\\i7.mp3",  "\\i8.mp3",
                                                "\\i9.mp3",  "\\i10.mp3", "\\i11.mp3", "\\i12.mp3",
                                                "\\i13.mp3", "\\i4.mp3",  "\\i15.mp3"};

// Place of draw 1..21: the centre, then ten steps to the left, then ten to the right.
int32_t lugar(int d) {
  if (d == 1) return 0;
  if (d <= 11) return -500 * (d - 1);
  return 500 * (d - 11);
}

}  // namespace

void Form1::activaIndios() {
  indioActivo(1) = 1;
  indioActivo(2) = 1;
  indioActivo(3) = 1;
  indioActivo(4) = 1;
  // Slots 5 to 7 join by chance; one left in play from the last game stays in play.
  if (random().draw(5, 10) == 5) indioActivo(5) = 1;
  if (random().draw(5, 10) == 6) indioActivo(6) = 1;
  if (random().draw(6, 12) == 7) indioActivo(7) = 1;
  indiosActivos = slotsInPlay();
  balasReserva = 5 * indiosActivos;
}

void Form1::asignaIndios() {
  for (int k = 1; k <= kSlots; ++k) {
    sorteoVoz = int16_t(random().draw(15));
    vozIndio(k) = soundDir + kVoces[sorteoVoz - 1];
  }
}

void Form1::SITUACIÓN() {
  for (int k = 1; k <= kSlots; ++k) {
    sorteoLugar = int16_t(random().draw(21));
    MIndio(k).balance(lugar(sorteoLugar));
  }
}

void Form1::apache(int k) {
  flecha();
  // An attacker at the gunman is pulled back one step; the clock's raise brings it to 0 again.
  if (MIndio(k).volume() == 0) MIndio(k).volume(-200);
}

}  // namespace korvanta
