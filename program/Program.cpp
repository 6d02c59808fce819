#include "Program.h"

#include <filesystem>
#include <system_error>

#include "SoundFolder.h"
#include "platform/EventLoop.h"
#include "platform/Opener.h"

namespace korvanta {

Program::Program(const ProgramOptions& options)
    : audio(engine.mixer, options.periodFrames, options.tap),
      desktop(engine, screen, random),
      windows_(desktop) {
  // Read when the page is asked for: by then the program is in the folder whose sounds it plays.
  desktop.setOpener([](const std::string& address) {
    std::error_code error;
    openWithDesktopOpener(manualInPackLanguage(address, std::filesystem::current_path(error)));
  });
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
