#include "Harness.h"

#include "FixturePack.h"

namespace korvanta::test {

Harness::Harness(std::filesystem::path soundFolder) : folder(std::move(soundFolder)) {
  desktop.setFolderSource([this] { return folder; });
  desktop.setOpener([this](const std::string& address) { opened.push_back(address); });
}

void Harness::tick(int count) {
  for (int i = 0; i < count; ++i) {
    output.advance(kFramesPerTick);
    desktop.elapse(10);
  }
}

std::string Harness::sound(const std::string& name) const {
  return soundPath(folder, name);
}

void Harness::press(int16_t keyCode, int16_t shift) {
  desktop.keyDown(keyCode, shift);
  desktop.keyUp(keyCode, shift);
}

}  // namespace korvanta::test
