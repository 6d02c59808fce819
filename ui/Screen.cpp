#include "Screen.h"

#include <algorithm>

namespace korvanta {

NativeId HeadlessScreen::open(const std::string& caption) {
  const NativeId id = next_++;
  windows_.push_back({id, caption, 0});
  return id;
}

void HeadlessScreen::close(NativeId id) {
  std::erase_if(windows_, [id](const Window& w) { return w.id == id; });
  if (focused_ == id) focused_ = 0;
}

void HeadlessScreen::fill(NativeId id, uint32_t bgr) {
  for (Window& w : windows_)
    if (w.id == id) w.colour = bgr;
}

}  // namespace korvanta
