// What every benchmark of the whole program stands on: the built program and its pack, a private
// X server for its windows, the program's own parts wired as its start wires them, and figures.
#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "program/Program.h"
#include "tests/support/Processes.h"

namespace korvanta::bench {

// The built `korvanta` next to this benchmark (or $KORVANTA_EXE).
std::filesystem::path programFile();
// The generated pack of the same build (or $KORVANTA_PACK).
std::filesystem::path packFolder();
// One Xvfb for the whole run, so no key ever reaches the desktop of whoever runs this.
const e2e::VirtualDisplay& privateDisplay();

// CPU time this process has used so far, all threads, in seconds.
double processCpuSeconds();
// CPU time of this process's main thread (the event loop's) so far, in seconds.
double mainThreadCpuSeconds();

// The program wired as its start wires it, on this thread's event loop, with a measuring tap on
// the sound card and the first window of our choice. The display lives as long as this object.
struct PrivateVideo {
  PrivateVideo();
  ~PrivateVideo();
};

class LiveProgram : private PrivateVideo, public Program {
 public:
  struct Options {
    // 0 leaves it to the output, as play does.
    int periodFrames = 0;
    AudioTap* tap = nullptr;
    // SDL's audio even where the sound server's own connection would play.
    bool throughSdl = false;
    // "Form2" greets as the program does; "Form1" starts a game at once.
    std::string firstWindow = kFirstWindow;
    // Slots 5 to 7 stay active from an earlier game, as the rules allow: all seven attack.
    bool sevenAttackers = false;
  };

  explicit LiveProgram(const Options& options);

  // Ends `run()` from any thread, as the last window's close control would.
  static void quit() { requestQuit(); }
  // The sound card's driver, for the record.
  std::string audioDriver() const { return audio->driverName(); }
};

// Sorted figures and their order statistics.
struct Spread {
  explicit Spread(std::vector<double> values);
  // The value below which `fraction` of them lie (nearest rank).
  double at(double fraction) const;
  double median() const { return at(0.5); }
  double max() const { return values.empty() ? 0.0 : values.back(); }
  double mean() const;
  std::vector<double> values;
};

}  // namespace korvanta::bench
