// The desktop's real windows, through SDL's video subsystem.
//
// A closed window is only hidden, and the next open shows it again: no SDL window is destroyed
// while the program runs. SDL's wait for events sends its wake-up to the newest window on a second
// X connection, and the X server may carry out a destroy on the main connection before it; the
// wake-up then fails with BadWindow, which ends the program. A hidden window takes it harmlessly.
#pragma once

#include <map>
#include <vector>

#include "ui/Screen.h"

namespace korvanta {

class SdlScreen : public Screen {
 public:
  SdlScreen() = default;
  ~SdlScreen() override;
  SdlScreen(const SdlScreen&) = delete;
  SdlScreen& operator=(const SdlScreen&) = delete;

  // Shows a hidden window again if there is one, else creates one. The keyboard is asked for
  // once, by `focus`; without a window manager SDL gives a window it shows the keyboard itself.
  NativeId open(const std::string& caption) override;
  // Hides the window, to be shown again by a later `open`.
  void close(NativeId id) override;
  void fill(NativeId id, uint32_t bgr) override;
  // Asks the desktop to activate the window; a window manager may refuse, harmlessly.
  void focus(NativeId id) override;

  // Paints a window again after the desktop uncovered it.
  void repaint(NativeId id);

 private:
  // Colour of each shown window, as 0x00BBGGRR.
  std::map<NativeId, uint32_t> colours_;
  // Windows hidden by `close`, waiting for an `open`.
  std::vector<NativeId> hidden_;
};

}  // namespace korvanta
