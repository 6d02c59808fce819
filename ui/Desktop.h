// The window layer: knows every window by name, routes events to them, and ends the program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Random.h"
#include "Screen.h"
#include "sound/SoundEngine.h"

namespace korvanta {

class Window;

class Desktop {
 public:
  // Opens `address` in the desktop's browser; must not wait for it.
  using Opener = std::function<void(const std::string& address)>;
  // The process's current folder.
  using FolderSource = std::function<std::filesystem::path()>;

  Desktop(SoundEngine& engine, Screen& screen, Random& random);

  // Registers a window; windows ask for each other by name, never by type.
  void add(Window& window);
  Window* find(const std::string& name) const;
  // Show the named window (loading it first if needed).
  void show(const std::string& name);

  // A key went down or up: it goes to the window that has the keyboard.
  void keyDown(int16_t keyCode, int16_t shift);
  void keyUp(int16_t keyCode, int16_t shift);
  // The event loop's clock moved on by `elapsedMs`: timers of loaded windows tick.
  void elapse(int elapsedMs);
  // The desktop's close control on a native window: unloads it without any procedure.
  void closeRequested(NativeId id);

  // Ends the program after the current event.
  void end() { ended_ = true; }
  // Still running: not ended and some window loaded.
  bool running() const;

  // The window that receives keys, or null.
  Window* focused() const { return focused_; }

  SoundEngine& engine() const { return engine_; }
  Screen& screen() const { return screen_; }
  Random& random() const { return random_; }
  std::filesystem::path currentDirectory() const { return folder_(); }
  void setFolderSource(FolderSource source) { folder_ = std::move(source); }

  // Opens a web address in the browser through the opener the program gave; without one, none.
  void openAddress(const std::string& address) const {
    if (opener_) opener_(address);
  }
  void setOpener(Opener opener) { opener_ = std::move(opener); }

  // Called by windows as they load and unload, to keep the keyboard with the shown window.
  void windowLoaded(Window& window);
  void windowUnloaded(Window& window);

 private:
  SoundEngine& engine_;
  Screen& screen_;
  Random& random_;
  std::vector<Window*> windows_;
  // The windows loaded as the current tick began.
  std::vector<Window*> ticking_;
  Window* focused_ = nullptr;
  bool ended_ = false;
  FolderSource folder_;
  Opener opener_;
};

}  // namespace korvanta
