// The menu's load, its keys and the walk around the ring of items.
#include "Form2.h"

#include <array>

#include "ui/Desktop.h"
#include "ui/Keys.h"

namespace korvanta {

namespace {

// Where the manual opens from position 9; set by the build.
constexpr const char* kManualAddress = KORVANTA_MANUAL_ADDRESS;

// The item voices of positions 0 to 9; position 10 is the silent one.
constexpr std::array<const char*, 10> kItemVoices = {
    "\\ex1.mp3", "\\ex2.mp3", "\\ex3.mp3", "\\ex4.mp3", "\\ex5.mp3",
    "\\ex6.mp3", "\\ex7.mp3", "\\ex8.mp3", "\\ex9.mp3", "\\ex10.mp3",
};

constexpr int16_t kManualPosition = 9;

}  // namespace

Form2::Form2(Desktop& desktop)
    : Window(desktop, "Form2"),
      Timer1(0, [this] { Timer1_Timer(); }),
      Timer2(1, [this] { Timer2_Timer(); }),
      MColetilla(engine(), {.autostart = true, .volume = -600, .playCount = 1}),
      MFondo(engine(), {.autostart = true, .volume = -600, .playCount = 1}),
      MPresentación(engine(), {.autostart = true, .volume = -600, .playCount = 1}) {
  controls({&MColetilla, &MFondo, &MPresentación}, {&Timer1, &Timer2});
}

void Form2::Form_Load() {
  soundDir = currentDirectory();
  MFondo.volume(-2000);
  MPresentación.file(soundDir + "\\ex1.mp3");
  MPresentación.play();
  MColetilla.volume(-300);
  // No play: the player starts a newly loaded file by itself.
  MFondo.file(soundDir + "\\msc.mp3");
}

void Form2::Form_KeyDown(int16_t keyCode, int16_t /*shift*/) {
  if (keyCode == key::kUp) {
    posicionMenu -= 1;
    posicion();
  }
  if (keyCode == key::kDown) {
    posicionMenu += 1;
    posicion();
  }
  if (keyCode == key::kEnter) {
    if (posicionMenu != kManualPosition) {
      // The game loads before the menu goes, so some window always holds the keyboard.
      desktop().show("Form1");
      Unload();
    } else {
      desktop().openAddress(kManualAddress);
    }
  }
  if (keyCode == key::kEscape) {
    Timer1.interval(1);
    MPresentación.file(soundDir + "\\exito.mp3");
    MPresentación.play();
  }
}

void Form2::posicion() {
  // Music and tags recede under the voice until Timer2 hears it has ended.
  MFondo.volume(-2000);
  MColetilla.volume(-1300);
  if (posicionMenu == -1) posicionMenu = 10;
  if (posicionMenu == 11) posicionMenu = 0;
  if (posicionMenu >= 0 && posicionMenu <= 9) {
    MPresentación.file(soundDir + kItemVoices[posicionMenu]);
    MPresentación.play();
  }
}

}  // namespace korvanta
