#include "Program.h"

#include "platform/EventLoop.h"
#include "platform/Opener.h"

namespace korvanta {

Program::Program(const ProgramOptions& options)
    : audio(engine.mixer, options.periodFrames, options.tap),
      desktop(engine, screen, random),
      windows_(desktop) {
  desktop.setOpener(openWithDesktopOpener);
  audio.open();
}

Program::~Program() {
  audio.close();
}

void Program::start(const std::string& firstWindow) {
  desktop.show(firstWindow);
}

void Program::run() {
  EventLoop(desktop, screen, audio).run();
  audio.close();
}

}  // namespace korvanta
