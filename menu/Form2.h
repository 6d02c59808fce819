// The menu window: a spoken ring of eleven items over background music and tag sounds.
//
// The menu's rules keep their Spanish names; in plain words:
//   Form2          the menu window (Form1 is the game)
//   MPresentación  "presentation": the speaker of the item voices, greeting and farewell
//   MFondo         "background": the music;  fondoElegido: the piece drawn;  eligeFondo: start it
//   MColetilla     "tag": short game sounds mixed over the music;  coletillaElegida: the one drawn
//   ladoColetilla  the tag's side;  irAColetilla: load and place the drawn tag
//   posicion       "position": wrap the ring and speak the item reached;  posicionMenu: where
//                  the player stands in the ring
#pragma once

#include <cstdint>
#include <string>

#include "sound/Player.h"
#include "ui/Timer.h"
#include "ui/Window.h"

namespace korvanta {

class Desktop;

class Form2 : public Window {
 public:
  // Registered with the desktop under the name "Form2".
  explicit Form2(Desktop& desktop);

  // Greets with the voice of position 0 and starts the first music.
  void Form_Load() override;
  // Up and Down walk the ring, Enter starts a game or opens the manual, Escape says goodbye.
  void Form_KeyDown(int16_t keyCode, int16_t shift) override;

  // The closing check: idle until Escape.
  Timer Timer1;
  // Keeps the music and tag sounds going and restores their volume after a voice.
  Timer Timer2;
  // Tag sounds mixed over the music.
  Player MColetilla;
  // Background music.
  Player MFondo;
  // Item voices, the greeting and the farewell.
  Player MPresentación;

 private:
  // Wraps the ring and speaks the position reached.
  void posicion();
  void Timer1_Timer();
  void Timer2_Timer();
  // Starts the drawn piece of music and takes on its colour.
  void eligeFondo();
  // Loads the drawn tag sound and places it; the caller plays it.
  void irAColetilla();
  // Draws a tag sound, loads and places it, and plays it.
  void startTag();

  // Every sound path starts here: the folder current when the menu loaded.
  std::string soundDir;
  // Piece of music drawn, 1 to 3; each has its window colour.
  int16_t fondoElegido = 0;
  // Tag sound drawn, 1 to 10: sounds of the game itself.
  int16_t coletillaElegida = 0;
  // Side drawn for the tag, 1 to 3: far right, far left or centre.
  int16_t ladoColetilla = 0;
  // Survives unloading, so a game's return keeps the player's place in the ring.
  int16_t posicionMenu = 0;
};

}  // namespace korvanta
