// The menu's two timers: the sound bed that runs by itself, and the wait for the farewell.
#include "Form2.h"

#include <array>
#include <cstdint>

#include "ui/Random.h"

namespace korvanta {

namespace {

struct Piece {
  const char* file;
  // 0x00BBGGRR
  uint32_t colour;
};

// Pieces 1 to 3: blue, red, yellow.
constexpr std::array<Piece, 3> kPieces = {{
    {"\\msc.mp3", 16711680},
    {"\\msc1.mp3", 255},
    {"\\msc2.mp3", 65535},
}};

// Tags 1 to 10.
constexpr std::array<const char*, 10> kTags = {
    "\\exito.mp3", "\\f1.mp3", "\\d2.mp3", "\\d3.mp3",  "\\d4.mp3",
    "\\f2.mp3",    "\\f3.mp3", "\\f4.mp3", "\\fin.mp3", "\\i6.mp3",
};

// Sides 1 to 3: far right, far left, centre. Beyond the game's own grid on purpose.
constexpr std::array<int32_t, 3> kSides = {9000, -9000, 0};

}  // namespace

// A sound has played out when its position reads exactly its duration; the player guarantees it.
void Form2::Timer1_Timer() {
  if (MPresentación.playedOut()) End();
}

void Form2::Timer2_Timer() {
  // Each player is read once a tick: every reading takes the lock the audio thread mixes under.
  const Mixer::Reading fondo = MFondo.reading();
  if (fondo.playedOut()) {
    fondoElegido = static_cast<int16_t>(random().draw(3));
    eligeFondo();
    startTag();
  }
  // The piece just started stands at its beginning, in none of the windows; the one that played
  // out stands at its end, which the windows must not take for a position.
  const double musicAt = fondo.playedOut() ? 0.0 : fondo.position;
  // Every tick inside a window restarts the tag, so the last draw in it is the one heard out.
  if (musicAt > 2 && musicAt < 4) startTag();
  if (musicAt > 6 && musicAt < 8) startTag();
  if (musicAt > 10 && musicAt < 12) startTag();
  if (MPresentación.playedOut()) {
    MColetilla.volume(-300);
    MFondo.volume(-300);
  }
}

void Form2::startTag() {
  coletillaElegida = static_cast<int16_t>(random().draw(10));
  irAColetilla();
  MColetilla.play();
}

void Form2::eligeFondo() {
  if (fondoElegido >= 1 && fondoElegido <= 3) {
    const Piece& piece = kPieces[fondoElegido - 1];
    MFondo.file(soundDir + piece.file);
    BackColor(piece.colour);
  }
  MFondo.play();
}

void Form2::irAColetilla() {
  if (coletillaElegida >= 1 && coletillaElegida <= 10) {
    MColetilla.file(soundDir + kTags[coletillaElegida - 1]);
  }
  ladoColetilla = static_cast<int16_t>(random().draw(3));
  if (ladoColetilla >= 1 && ladoColetilla <= 3) MColetilla.balance(kSides[ladoColetilla - 1]);
}

}  // namespace korvanta
