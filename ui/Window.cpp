#include "Window.h"

#include "Desktop.h"
#include "sound/Text.h"

namespace korvanta {

namespace {

// Both windows bear the game's name.
constexpr const char* kCaption = "KORVANTA";
// The colour a window has when it loads, until its code sets another.
constexpr uint32_t kDesignColour = 0x00000000;

}  // namespace

Window::Window(Desktop& desktop, std::string name) : desktop_(desktop), name_(std::move(name)) {}

void Window::controls(std::initializer_list<Player*> players,
                      std::initializer_list<Timer*> timers) {
  players_.assign(players);
  timers_.assign(timers);
}

void Window::Show() {
  if (!loaded_) {
    for (Player* player : players_) player->create();
    for (Timer* timer : timers_) timer->create();
    native_ = desktop_.screen().open(kCaption);
    loaded_ = true;
    BackColor(kDesignColour);
    desktop_.windowLoaded(*this);
    Form_Load();
    return;
  }
  desktop_.windowLoaded(*this);
}

void Window::Unload() {
  if (!loaded_) return;
  for (Timer* timer : timers_) timer->destroy();
  for (Player* player : players_) player->destroy();
  desktop_.screen().close(native_);
  native_ = 0;
  loaded_ = false;
  desktop_.windowUnloaded(*this);
}

void Window::End() {
  desktop_.end();
}

void Window::BackColor(uint32_t bgr) {
  backColor_ = bgr;
  if (loaded_) desktop_.screen().fill(native_, bgr);
}

void Window::elapse(int elapsedMs) {
  for (Timer* timer : timers_) {
    // A tick may unload the window (or end the program); its later timers then stay quiet.
    if (!loaded_ || !desktop_.running()) return;
    timer->elapse(elapsedMs);
  }
}

SoundEngine& Window::engine() const {
  return desktop_.engine();
}

Random& Window::random() const {
  return desktop_.random();
}

std::string Window::currentDirectory() const {
  std::string folder = utf8(desktop_.currentDirectory());
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

}  // namespace korvanta
