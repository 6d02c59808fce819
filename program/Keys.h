// The keys of the menu and of a game, written once: --help prints them, and the README, the man
// page and the manual are checked against them.
#pragma once

#include <string_view>

namespace korvanta {

// Keys that share a line of the help, and what pressing them does.
struct KeyUse {
  // By their names on the keyboard, separated by ", ".
  std::string_view keys;
  std::string_view does;
};

inline constexpr KeyUse kMenuKeys[] = {
    {"Up, Down", "walk through the spoken items"},
    {"Enter", "start a game; on the web page item, open the manual"},
    {"Escape", "say goodbye and end the program"},
};

inline constexpr KeyUse kGameKeys[] = {
    {"Left, Right", "move the sight one step"},
    {"Up, Down", "jump the sight to the far right, far left"},
    {"Shift", "centre the sight"},
    {"Space", "load one bullet from your spares"},
    {"Ctrl", "fire"},
    {"1, 2, 3, 4", "choose the sound of your shots"},
    {"Escape", "leave the game; the gunman has his say first"},
};

}  // namespace korvanta
