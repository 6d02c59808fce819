#include "Program.h"

#include <filesystem>
#include <system_error>

#include "SoundFolder.h"
#include "platform/AudioDevice.h"
#include "platform/EventLoop.h"
#include "platform/Opener.h"
#if KORVANTA_PULSE
#include "platform/PulseOutput.h"
#endif

namespace korvanta {

std::unique_ptr<AudioOutput> chooseAudioOutput(Mixer& mixer, const ProgramOptions& options) {
#if KORVANTA_PULSE
  if (!options.throughSdl && PulseOutput::wanted())
    return std::make_unique<PulseOutput>(
        mixer, options.periodFrames ? options.periodFrames : PulseOutput::kPeriodFrames,
        options.tap);
#endif
  return std::make_unique<AudioDevice>(
      mixer, options.periodFrames ? options.periodFrames : AudioOutput::kDefaultPeriod,
      options.tap);
}

Program::Program(const ProgramOptions& options)
    : audio(chooseAudioOutput(engine.mixer, options)),
      desktop(engine, screen, random),
      windows_(desktop) {
  // Read when the page is asked for: by then the program is in the folder whose sounds it plays.
  desktop.setOpener([](const std::string& address) {
    std::error_code error;
    openWithDesktopOpener(manualInPackLanguage(address, std::filesystem::current_path(error)));
  });
  audio->open();
}

Program::~Program() {
  audio->close();
}

void Program::start(const std::string& firstWindow) {
  desktop.show(firstWindow);
}

void Program::run() {
  EventLoop(desktop, screen).run();
  audio->close();
}

}  // namespace korvanta
