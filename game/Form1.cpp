// The game window's controls, the start of a game and the game clock.
#include "Form1.h"

#include <utility>

#include "ui/Desktop.h"
#include "ui/Random.h"

namespace korvanta {

namespace {

// Players that start a newly loaded file by themselves.
constexpr PlayerDesign kStartsAlone{.autostart = true, .volume = -600, .playCount = 1};
// Players that wait for `play`.
constexpr PlayerDesign kWaitsForPlay{.autostart = false, .volume = -600, .playCount = 1};
// The ambience: quiet; the clock renews its count of two on every tick, so it lasts the game.
constexpr PlayerDesign kAmbience{.autostart = true, .volume = -3500, .playCount = 2};

template <size_t... I>
std::array<Player, sizeof...(I)> players(SoundEngine& engine, PlayerDesign design,
                                         std::index_sequence<I...>) {
  return {{((void)I, Player(engine, design))...}};
}

}  // namespace

Form1::Form1(Desktop& owner)
    : Window(owner, "Form1"),
      Timer1(1, [this] { Timer1_Timer(); }),
      PISTOLERO(owner.engine(), kStartsAlone),
      MIndio100(owner.engine(), kStartsAlone),
      MMirilla(owner.engine(), kWaitsForPlay),
      MAmbiente(owner.engine(), kAmbience),
      MFlecha_(players(owner.engine(), kWaitsForPlay, std::make_index_sequence<kSlots>())),
      MIndio_(players(owner.engine(), kWaitsForPlay, std::make_index_sequence<kSlots>())) {
  controls({&PISTOLERO, &MIndio100, &MFlecha(1), &MFlecha(2), &MFlecha(3), &MFlecha(4), &MFlecha(5),
            &MFlecha(6), &MFlecha(7), &MIndio(1), &MIndio(2), &MIndio(3), &MIndio(4), &MIndio(5),
            &MIndio(6), &MIndio(7), &MMirilla, &MAmbiente},
           {&Timer1});
}

void Form1::Form_Load() {
  soundDir = currentDirectory();
  successPath_ = soundDir + "\\exito.mp3";
  puedeIzquierda = 1;
  puedeDerecha = 1;
  salidaPedida = 0;
  MAmbiente.volume(-1000);
  MMirilla.volume(-300);
  // Loaded but not played: the sight waits at the centre in silence.
  MMirilla.file(soundDir + "\\m.mp3");
  balasCargadas = 0;
  disparoElegido = "d3.mp3";
  pistoleroMuerto = 0;
  for (int k = 1; k <= kSlots; ++k) MIndio(k).volume(-4000);
  DECORADO();
  activaIndios();
  asignaIndios();
  SITUACIÓN();
}

void Form1::DECORADO() {
  const int d = random().draw(6);
  if (d == 1) MAmbiente.file(soundDir + "\\A1.MP3");
  if (d == 2) MAmbiente.file(soundDir + "\\A2.MP3");
  if (d == 3) MAmbiente.file(soundDir + "\\A3.MP3");
  if (d == 4) MAmbiente.file(soundDir + "\\A4.MP3");
  if (d == 5) MAmbiente.file(soundDir + "\\A5.MP3");
  if (d == 6) MAmbiente.file(soundDir + "\\A6.MP3");
}

void Form1::Timer1_Timer() {
  MAmbiente.playCount(2);

  // One chance in 200 per tick for each slot: an attacker steps about every 200 ticks.
  sorteoPaso = int16_t(random().draw(200));
  for (int n = 1; n <= kSlots; ++n) {
    if (sorteoPaso == n && indioActivo(n) == 1) {
      apache(n);
      MIndio(n).volume(MIndio(n).volume() + 200);
      // Writing the path again restarts the voice from its beginning.
      MIndio(n).file(vozIndio(n));
      MIndio(n).play();
    }
  }

  indiosActivos = slotsInPlay();

  // The file on slot 1's arrow player doubles as the "already announced" mark.
  if (MFlecha(1).file() != successPath_ && pistoleroMuerto == 0 && indiosActivos == 0) {
    MFlecha(1).balance(0);
    MFlecha(1).volume(0);
    MFlecha(1).file(successPath_);
    MFlecha(1).play();
  }

  if (salidaPedida == 1) salir();
}

int16_t Form1::slotsInPlay() const {
  int sum = 0;
  for (int32_t state : indioActivo_) sum += state;
  return int16_t(sum);
}

}  // namespace korvanta
