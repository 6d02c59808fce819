#include "ProgramUnderTest.h"

#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>

#include "tests/support/FixturePack.h"

namespace fs = std::filesystem;

namespace korvanta::e2e {
namespace {
ProgramUnderTest given;
fs::path run;

// Where the evidence of the running check goes.
fs::path keptFolder() {
  const testing::TestInfo* check = testing::UnitTest::GetInstance()->current_test_info();
  return fs::current_path() / "kept" /
         (std::string(check->test_suite_name()) + "." + check->name());
}
}  // namespace

void beginRun(const ProgramUnderTest& program) {
  given = program;
  run = test::freshFolder("e2e");
}

void endRun() {
  fs::remove_all(run);
}

const ProgramUnderTest& programUnderTest() {
  return given;
}

fs::path scratch(const std::string& label) {
  static int made = 0;
  const fs::path folder = run / (label + std::to_string(++made));
  fs::create_directories(folder);
  return folder;
}

std::string missingTool(const std::vector<std::string>& tools) {
  for (const std::string& tool : tools)
    if (findOnPath(tool).empty()) return tool;
  return {};
}

Child::Options theGame(const std::string& display, const std::string& recording) {
  // Built with AddressSanitizer, the program would fail its exit status for what the message bus
  // library keeps at exit, and for the requests SDL's PulseAudio driver never releases as it
  // watches the server's devices; leaks of our own still count.
  const fs::path leaks = run / "leaks.supp";
  if (!fs::exists(leaks)) std::ofstream(leaks) << "leak:libdbus-1.so\nleak:libpulse.so\n";
  return {.argv = {given.program.string()},
          .set = {{"DISPLAY", display},
                  {"SDL_VIDEODRIVER", "x11"},
                  {"SDL_AUDIODRIVER", "disk"},
                  {"SDL_DISKAUDIOFILE", recording},
                  {"LSAN_OPTIONS", "suppressions=" + leaks.string() + ":print_suppressions=0"}},
          .unset = {"WAYLAND_DISPLAY"},
          .folder = given.pack.string(),
          .captureOutput = true};
}

KeptOnFailure::KeptOnFailure()
    : folder_(keptFolder()),
      trace_(__FILE__, __LINE__,
             "the recording and the program's output, if any, are kept in " + folder_.string()) {
  // What an earlier failing run kept would be taken for this one's.
  fs::remove_all(folder_);
}

KeptOnFailure::~KeptOnFailure() {
  if (!testing::Test::HasFailure()) return;
  std::error_code ignored;
  fs::create_directories(folder_, ignored);
  for (const fs::path& file : files_)
    fs::copy_file(file, folder_ / file.filename(), fs::copy_options::overwrite_existing, ignored);
  for (auto& [name, program] : outputs_) std::ofstream(folder_ / name) << program->output();
  std::cout << "  kept for the failure above: " << folder_.string() << "\n";
}

void waitForFrame(const fs::path& file, int64_t frame, const std::vector<Child*>& running) {
  const double seconds = 3.0 * double(frame - framesOnDisk(file)) / kRate + 10.0;
  if (!within(
          seconds, [&] { return framesOnDisk(file) >= frame; }, running, 5))
    throw std::runtime_error("the sound stalled");
}

unsigned long waitForOnlyWindow(const Desk& desk, Child& program, unsigned long gone,
                                double seconds) {
  std::vector<unsigned long> windows;
  const auto came = [&] {
    windows = desk.windowsCaptioned("KORVANTA");
    return windows.size() == 1 && windows[0] != gone;
  };
  if (!within(seconds, came, {&program}, 20))
    throw std::runtime_error("no single new window captioned KORVANTA appeared");
  return windows[0];
}

const Reference& packSound(const std::string& name) {
  static std::map<std::string, Reference> loaded;
  if (!loaded.count(name)) loaded.emplace(name, Reference::load(given.pack / name));
  return loaded.at(name);
}

Heard note(const std::string& what, const Heard& heard, int64_t mark) {
  std::cout << "  " << what << ": at " << heard.onsetSeconds() << " s";
  if (mark >= 0)
    std::cout << " (" << 1000.0 * double(heard.onset - mark) / kRate << " ms after its mark)";
  std::cout << ", score " << heard.score << ", gains " << heard.gainLeft << " / " << heard.gainRight
            << ", place " << heard.balance() << "\n";
  return heard;
}

Heard hear(const Recording& rec, const std::string& name, int64_t from, int64_t to, double seconds,
           int64_t mark) {
  return note(name, listenFor(rec, packSound(name), from, to, framesOf(seconds)), mark);
}

}  // namespace korvanta::e2e
