// The game window: one ambush by ear per load, seven attackers against the gunman and his sight.
//
// The game's rules keep their Spanish names; in plain words:
//   Form1             the game window (Form2 is the menu)
//   PISTOLERO         the gunman, and the player of his lines
//   indio, apache     an attacker; `apache(k)` is slot k's step towards the gunman
//   MIndio, MFlecha   an attacker's voice player, its arrow player
//   MIndio100         the player of the gunman's death
//   MMirilla          the sight, which is also where the gun's own sounds play
//   MAmbiente         the ambience; DECORADO ("scenery") draws it
//   SITUACIÓN         "placement": draws every attacker's place
//   activo, voz       in play, voice;  sorteo: a random draw;  paso: a step;  lugar: a place
//   balas cargadas    bullets in the gun;  balas de reserva: spare bullets
//   disparo, acierto  a shot, a hit;  acertar: to hit;  flecha: an arrow
//   ruta, carpeta     a file's full path, a folder
//   tecla usada       the key latch;  puede izquierda/derecha: the sight may move left/right
//   topeIzquierdoFunción  "left stop": the sight's end stops, both of them
//   salidaPedida      leaving asked for;  pistoleroMuerto: the gunman is dead
//   regulación        "regulation": attackers at the gunman are pulled back a step
//   repetir           "again": the fallen come back with fresh bullets
//   noSalgo           "I'm not coming out": the gunman's line while attackers remain
//   tipoSalida, salir which farewell fits, and leaving for the menu once it has played
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sound/Player.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta {

class Form1 : public Window {
 public:
  // Attacker slots are numbered 1 to 7, as the game's rules count them.
  static constexpr int kSlots = 7;

  explicit Form1(Desktop& owner);

  // Controls, at their design settings on every load.
  // The game clock: 1 ms asked, so it ticks on every pass of the event loop.
  Timer Timer1;
  // The gunman's own lines: the farewells and "no salgo".
  Player PISTOLERO;
  // The death sound at the centre.
  Player MIndio100;
  // The sight: its balance is where the gun points; also the gun's own sounds.
  Player MMirilla;
  // The ambience bed of the game.
  Player MAmbiente;

  // Arrow player of slot k (1..7); slot 1's also plays the success sound.
  Player& MFlecha(int k) { return MFlecha_[k - 1]; }
  // Voice player of slot k: its balance is the attacker's place, its volume its distance.
  Player& MIndio(int k) { return MIndio_[k - 1]; }

  // The game's state, kept across unloads; each load resets only what it names.
  // The sound folder, the start of every sound path.
  std::string soundDir;
  // 1 once Escape asked to leave: every tick then tries `salir`.
  int32_t salidaPedida = 0;
  // 1 once an arrow has killed the gunman.
  int32_t pistoleroMuerto = 0;
  // Key latch: one sight action per key press, freed by any key release.
  int32_t teclaUsada = 0;
  // The sight may move left, right.
  int32_t puedeIzquierda = 0;
  int32_t puedeDerecha = 0;
  // Bullets in the gun (0 to 5), and spare ones.
  int32_t balasCargadas = 0;
  int32_t balasReserva = 0;
  // Shot sound chosen, "d1.mp3" to "d4.mp3", and its full path at the last shot.
  std::string disparoElegido;
  std::string rutaDisparo;
  // State of slot k: 1 in play, 0 empty or down.
  int32_t& indioActivo(int k) { return indioActivo_[k - 1]; }
  // The clock's step draw, 1 to 200.
  int16_t sorteoPaso = 0;
  // Full path of slot k's voice.
  std::string& vozIndio(int k) { return vozIndio_[k - 1]; }
  // Latest voice draw (1 to 15) and place draw (1 to 21).
  int16_t sorteoVoz = 0;
  int16_t sorteoLugar = 0;
  // Attackers in play as last counted; a hit is counted at the next tick.
  int16_t indiosActivos = 0;
  // Hit sound of the last shot: full path, folder, file name, and its draw (1 or 2).
  std::string rutaAcierto;
  std::string carpetaSonidos;
  std::string archivoAcierto;
  int16_t sorteoAcierto = 0;
  // Sound and place of the last arrow launched.
  std::string rutaFlecha;
  int16_t balanceFlecha = 0;

  // Start of a game.
  void Form_Load() override;
  void DECORADO();

  // The attackers: who plays, their voices and places, their steps, and the sight's end stops.
  void activaIndios();
  void asignaIndios();
  void SITUACIÓN();
  // Slot k's step: its due arrows fly, and at the gunman it is pulled back before it steps.
  void apache(int k);

  // The game clock.
  void Timer1_Timer();

  // Arrows and the gunman's death.
  void flecha();
  void seleccionaFlecha();
  // After the gunman's death: every attacker standing at him (volume 0) steps back to -200.
  void regulación();

  // The player's keys, the shot and its hits.
  void Form_KeyDown(int16_t keyCode, int16_t shift) override;
  void Form_KeyUp(int16_t keyCode, int16_t shift) override;
  // At either end of the grid, the sight may not move further that way.
  void topeIzquierdoFunción();
  void disparo();
  void acertar();

  // End of a wave, the gunman's lines, and leaving for the menu.
  void repetir();
  void noSalgo();
  void tipoSalida();
  void salir();

 private:
  // The sum of the seven slot states.
  int16_t slotsInPlay() const;

  std::array<Player, kSlots> MFlecha_;
  std::array<Player, kSlots> MIndio_;
  std::array<int32_t, kSlots> indioActivo_{};
  std::array<std::string, kSlots> vozIndio_;
  // The success sound's path, made once per load: the clock compares with it on every tick.
  std::string successPath_;
};

}  // namespace korvanta
