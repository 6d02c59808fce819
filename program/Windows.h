// The program's two windows on one desktop: the game and the menu, which know each other only
// by name.
#pragma once

#include "game/Form1.h"
#include "menu/Form2.h"
#include "ui/Desktop.h"

namespace korvanta {

struct Windows {
  // Registers both with `desktop`, the game first, as the program always has.
  explicit Windows(Desktop& desktop) : form1(desktop), form2(desktop) {
    desktop.add(form1);
    desktop.add(form2);
  }

  Form1 form1;
  Form2 form2;
};

}  // namespace korvanta
