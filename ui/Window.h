// A window of the game: a class with sound players and timers as controls, and event procedures.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "Screen.h"
#include "Timer.h"
#include "sound/Player.h"

namespace korvanta {

class Desktop;
class Random;

class Window {
 public:
  Window(Desktop& desktop, std::string name);
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // The name other windows use to show this one ("Form1", "Form2").
  const std::string& name() const { return name_; }
  bool loaded() const { return loaded_; }

  // Loads the window if needed (controls at their design settings, then Form_Load), then shows it.
  void Show();
  // Stops its timers, silences and drops its players, closes it. Members keep their values.
  void Unload();
  // Ends the whole program, whatever windows are open.
  void End();

  // Background colour as 0x00BBGGRR.
  void BackColor(uint32_t bgr);
  uint32_t BackColor() const { return backColor_; }

  // The native window while loaded, else 0.
  NativeId hWnd() const { return native_; }

  // Events, delivered one at a time by the desktop.
  virtual void Form_Load() {}
  virtual void Form_KeyDown(int16_t /*keyCode*/, int16_t /*shift*/) {}
  virtual void Form_KeyUp(int16_t /*keyCode*/, int16_t /*shift*/) {}

  // The event loop's clock moved on by `elapsedMs`: every due timer ticks, in declared order.
  void elapse(int elapsedMs);

 protected:
  // Declares the window's controls, in the order they are created at load.
  void controls(std::initializer_list<Player*> players, std::initializer_list<Timer*> timers);

  Desktop& desktop() const { return desktop_; }
  SoundEngine& engine() const;
  // The program's random generator (the draws of the game's rules).
  Random& random() const;
  // The process's current folder, without a trailing separator.
  std::string currentDirectory() const;

 private:
  Desktop& desktop_;
  const std::string name_;
  std::vector<Player*> players_;
  std::vector<Timer*> timers_;
  bool loaded_ = false;
  NativeId native_ = 0;
  uint32_t backColor_ = 0;
};

}  // namespace korvanta
