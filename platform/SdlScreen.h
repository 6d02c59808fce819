// The desktop's real windows, through SDL's video subsystem.
#pragma once

#include <map>

#include "ui/Screen.h"

namespace korvanta {

class SdlScreen : public Screen {
 public:
  NativeId open(const std::string& caption) override;
  void close(NativeId id) override;
  void fill(NativeId id, uint32_t bgr) override;
  void focus(NativeId id) override;

  // Paints a window again after the desktop uncovered it.
  void repaint(NativeId id);

 private:
  // Colour of each open window, as 0x00BBGGRR.
  std::map<NativeId, uint32_t> colours_;
};

}  // namespace korvanta
