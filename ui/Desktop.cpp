#include "Desktop.h"

#include <algorithm>

#include "Window.h"

namespace korvanta {

Desktop::Desktop(SoundEngine& engine, Screen& screen, Random& random)
    : engine_(engine),
      screen_(screen),
      random_(random),
      folder_([] { return std::filesystem::current_path(); }) {}

void Desktop::add(Window& window) {
  windows_.push_back(&window);
}

Window* Desktop::find(const std::string& name) const {
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&](const Window* w) { return w->name() == name; });
  return it == windows_.end() ? nullptr : *it;
}

void Desktop::show(const std::string& name) {
  if (Window* window = find(name)) window->Show();
}

void Desktop::keyDown(int16_t keyCode, int16_t shift) {
  if (focused_ && focused_->loaded() && running()) focused_->Form_KeyDown(keyCode, shift);
}

void Desktop::keyUp(int16_t keyCode, int16_t shift) {
  if (focused_ && focused_->loaded() && running()) focused_->Form_KeyUp(keyCode, shift);
}

void Desktop::elapse(int elapsedMs) {
  // Only windows loaded when the tick began take part: one shown by an earlier window's tick
  // starts ticking on the next pass, after its load has finished.
  // The list keeps its room from tick to tick: a tick allocates nothing.
  ticking_.clear();
  for (Window* window : windows_)
    if (window->loaded()) ticking_.push_back(window);
  for (Window* window : ticking_) {
    if (!running()) return;
    if (window->loaded()) window->elapse(elapsedMs);
  }
}

void Desktop::closeRequested(NativeId id) {
  for (Window* window : windows_)
    if (window->loaded() && window->hWnd() == id) window->Unload();
}

bool Desktop::running() const {
  return !ended_ &&
         std::any_of(windows_.begin(), windows_.end(), [](const Window* w) { return w->loaded(); });
}

void Desktop::windowLoaded(Window& window) {
  focused_ = &window;
  screen_.focus(window.hWnd());
}

void Desktop::windowUnloaded(Window& window) {
  if (focused_ != &window) return;
  // The window left behind does not get the keyboard back by itself on every desktop.
  focused_ = nullptr;
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->loaded()) {
      windowLoaded(**it);
      return;
    }
  }
}

}  // namespace korvanta
