#include "Stage.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <sstream>
#include <stdexcept>

#include "platform/EventLoop.h"
#include "platform/Video.h"

namespace korvanta::bench {

namespace {

// The build folder this benchmark was built into: it sits in <build>/bench.
std::filesystem::path buildFolder() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path();
}

std::filesystem::path fromEnvironment(const char* name, const std::filesystem::path& fallback) {
  const char* given = std::getenv(name);
  return given && *given ? std::filesystem::absolute(given) : fallback;
}

}  // namespace

std::filesystem::path programFile() {
  return fromEnvironment("KORVANTA_EXE", buildFolder() / "program" / "korvanta");
}

std::filesystem::path packFolder() {
  return fromEnvironment("KORVANTA_PACK", buildFolder() / "pack");
}

const e2e::VirtualDisplay& privateDisplay() {
  static const e2e::VirtualDisplay display;
  return display;
}

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double mainThreadCpuSeconds() {
  std::ifstream in("/proc/self/task/" + std::to_string(getpid()) + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Fields after the parenthesised name: state is the 3rd field, user and system time the 14th
  // and 15th, in clock ticks.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  double ticks = 0.0;
  for (int i = 3; fields >> field && i <= 15; ++i)
    if (i >= 14) ticks += std::stod(field);
  return ticks / double(sysconf(_SC_CLK_TCK));
}

PrivateVideo::PrivateVideo() {
  // The program's windows go to the private display, through X as a desktop would show them.
  setenv("DISPLAY", privateDisplay().name().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  if (!startVideo()) throw std::runtime_error("no private display");
}

PrivateVideo::~PrivateVideo() {
  stopVideo();
}

LiveProgram::LiveProgram(const Options& options)
    : Program({.periodFrames = options.periodFrames,
               .tap = options.tap,
               .throughSdl = options.throughSdl}) {
  const std::filesystem::path pack = packFolder();
  desktop.setFolderSource([pack] { return pack; });
  if (options.sevenAttackers)
    for (int k = 5; k <= Form1::kSlots; ++k) form1.indioActivo(k) = 1;
  start(options.firstWindow);
}

Spread::Spread(std::vector<double> v) : values(std::move(v)) {
  std::sort(values.begin(), values.end());
}

double Spread::at(double fraction) const {
  if (values.empty()) return 0.0;
  const size_t rank = size_t(std::ceil(fraction * double(values.size())));
  return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

double Spread::mean() const {
  if (values.empty()) return 0.0;
  return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

}  // namespace korvanta::bench
