// The game window: one ambush by ear per load, seven attackers against the gunman and his sight.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/Timer.h"
#include "app/Window.h"
#include "sound/Player.h"

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
  std::string soundDir;
  int32_t salidaPedida = 0;
  int32_t pistoleroMuerto = 0;
  int32_t teclaUsada = 0;
  int32_t puedeIzquierda = 0;
  int32_t puedeDerecha = 0;
  int32_t balasCargadas = 0;
  int32_t balasReserva = 0;
  std::string disparoElegido;
  std::string rutaDisparo;
  // State of slot k: 1 in play, 0 empty or down.
  int32_t& indioActivo(int k) { return indioActivo_[k - 1]; }
  int16_t sorteoPaso = 0;
  // Full path of slot k's voice.
  std::string& vozIndio(int k) { return vozIndio_[k - 1]; }
  int16_t sorteoVoz = 0;
  int16_t sorteoLugar = 0;
  int16_t indiosActivos = 0;
  std::string rutaAcierto;
  std::string carpetaSonidos;
  std::string archivoAcierto;
  int16_t sorteoAcierto = 0;
  std::string rutaFlecha;
  int16_t balanceFlecha = 0;

  // Start of a game.
  void Form_Load() override;
  void DECORADO();

  // The attackers: who plays, their voices and places, their steps, and the sight's end stops.
  void activaIndios();
  void asignaIndios();
  void SITUACIÓN();
  void apache(int k);
  void topeIzquierdoFunción();

  // The game clock.
  void Timer1_Timer();

  // Arrows and the gunman's death.
  void flecha();
  void seleccionaFlecha();
  void regulación();

  // The player's keys, the shot and its hits.
  void Form_KeyDown(int16_t keyCode, int16_t shift) override;
  void Form_KeyUp(int16_t keyCode, int16_t shift) override;
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
};

}  // namespace korvanta
