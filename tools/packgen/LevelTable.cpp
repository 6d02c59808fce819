#include "LevelTable.h"

#include <algorithm>
#include <cstdio>

namespace korvanta::pack {

std::string levelTable(const std::vector<FileReport>& reports) {
  std::string out;
  char line[160];
  std::snprintf(line, sizeof line, "%-14s %8s %8s %9s %9s %9s %8s\n", "file", "seconds", "heard",
                "peak dB", "RMS dB", "loud dB", "KiB");
  out += line;
  uintmax_t total = 0;
  double worstPeak = -180.0;
  for (const FileReport& r : reports) {
    std::snprintf(line, sizeof line, "%-14s %8.3f %8.2f %9.1f %9.1f %9.1f %8.1f%s\n",
                  r.name.c_str(), double(r.frames) / kRate, r.level.heardSeconds, r.level.peakDb,
                  r.level.rmsDb, r.level.loudnessDb, double(r.bytes) / 1024.0,
                  r.error.empty() ? "" : ("  ERROR: " + r.error).c_str());
    out += line;
    total += r.bytes;
    worstPeak = std::max(worstPeak, r.level.peakDb);
  }
  std::snprintf(line, sizeof line, "%zu files, %.2f MiB, highest peak %.1f dB\n", reports.size(),
                double(total) / (1024.0 * 1024.0), worstPeak);
  out += line;
  return out;
}

}  // namespace korvanta::pack
