// The desktop's native windows as the window layer needs them: open, close, colour, focus.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvanta {

// Identifies a native window; 0 is none.
using NativeId = uint32_t;

class Screen {
 public:
  virtual ~Screen() = default;
  // Opens a visible window with this caption; `focus` gives it the keyboard.
  virtual NativeId open(const std::string& caption) = 0;
  virtual void close(NativeId id) = 0;
  // Fills the window with a colour given as 0x00BBGGRR.
  virtual void fill(NativeId id, uint32_t bgr) = 0;
  // Gives the window the keyboard; a blind player cannot click it into focus.
  virtual void focus(NativeId id) = 0;
};

// A screen without a display, for tests: it only remembers what was asked of it.
class HeadlessScreen : public Screen {
 public:
  struct Window {
    NativeId id;
    std::string caption;
    uint32_t colour = 0;
  };

  NativeId open(const std::string& caption) override;
  void close(NativeId id) override;
  void fill(NativeId id, uint32_t bgr) override;
  void focus(NativeId id) override { focused_ = id; }

  const std::vector<Window>& windows() const { return windows_; }
  NativeId focused() const { return focused_; }

 private:
  std::vector<Window> windows_;
  NativeId next_ = 1;
  NativeId focused_ = 0;
};

}  // namespace korvanta
