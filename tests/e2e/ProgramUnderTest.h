// What the end-to-end checks share: the real program, its pack and build as CTest names them on
// the command line, and how the checks start it, wait on it and listen to it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/Listening.h"
#include "tests/support/Processes.h"

namespace korvanta::e2e {

struct ProgramUnderTest {
  std::filesystem::path program;
  // The default pack: the program starts in this folder and reads its sounds from it.
  std::filesystem::path pack;
  // The build tree, given to the checks of its installation and package alone.
  std::filesystem::path build;
};
const ProgramUnderTest& programUnderTest();
// The run's program, and its scratch folder made and, at the end, removed.
void beginRun(const ProgramUnderTest& program);
void endRun();

// A fresh folder of this run's own, removed when the run ends.
std::filesystem::path scratch(const std::string& label);
// The first of `tools` not on PATH, or an empty string.
std::string missingTool(const std::vector<std::string>& tools);
// The program in its pack's folder on `display`, its sound written by SDL's disk driver to
// `recording`, its output kept.
Child::Options theGame(const std::string& display, const std::string& recording);

// What a failing check leaves behind so that its failure can be explained: the recordings and
// the program's output are copied into the build folder (the current one, under ctest) as the
// check ends failed, and every failure message of the check names that folder.
class KeptOnFailure {
 public:
  KeptOnFailure();
  ~KeptOnFailure();
  KeptOnFailure(const KeptOnFailure&) = delete;
  KeptOnFailure& operator=(const KeptOnFailure&) = delete;
  // A recording (or any file), copied as it stands when the check ends.
  void file(const std::filesystem::path& file) { files_.push_back(file); }
  // What `program`, which outlives this, has written when the check ends, saved as `name`.
  void output(const std::string& name, Child& program) { outputs_.push_back({name, &program}); }

 private:
  std::filesystem::path folder_;
  testing::ScopedTrace trace_;
  std::vector<std::filesystem::path> files_;
  std::vector<std::pair<std::string, Child*>> outputs_;
};

// Waits until `file` holds `frame` frames; throws once one of `running` has ended, or after
// three times real time and ten seconds more.
void waitForFrame(const std::filesystem::path& file, int64_t frame,
                  const std::vector<Child*>& running);
// Waits for exactly one window captioned "KORVANTA", other than `gone`, while `program` runs.
unsigned long waitForOnlyWindow(const Desk& desk, Child& program, unsigned long gone,
                                double seconds);

// A player's volume setting (hundredths of a decibel) as a linear gain.
inline double gainOf(int hundredthsOfDb) {
  return std::pow(10.0, hundredthsOfDb / 2000.0);
}
// The pack's sound `name`, loaded once.
const Reference& packSound(const std::string& name);
// Prints what was heard, and where from `mark`, for the log of every run.
Heard note(const std::string& what, const Heard& heard, int64_t mark = -1);
// The pack's `name` as heard starting in [from, to] of `rec`, judged on its first `seconds`.
Heard hear(const Recording& rec, const std::string& name, int64_t from, int64_t to, double seconds,
           int64_t mark = -1);

}  // namespace korvanta::e2e
