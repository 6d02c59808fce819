#include "PackWriter.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>
#include <variant>

#include "PackList.h"
#include "sound/Mp3Decoder.h"
#include "sound/SoundPath.h"
#include "tools/mp3/Mp3Writer.h"

namespace korvanta::pack {

namespace fs = std::filesystem;

namespace {

std::vector<const PackSound*> selection(const std::vector<std::string>& names) {
  std::vector<const PackSound*> chosen;
  if (names.empty()) {
    for (const PackSound& s : packSounds()) chosen.push_back(&s);
    return chosen;
  }
  for (const std::string& name : names) {
    const PackSound* s = findSound(name);
    if (s) chosen.push_back(s);
  }
  return chosen;
}

// The decoded audio of encoded bytes as floats; empty with `why` set if they do not decode.
Samples decodeBytes(const std::vector<unsigned char>& bytes, std::string& why) {
  const DecodeResult result = decodeMp3Bytes(bytes.data(), bytes.size());
  if (const auto* reason = std::get_if<std::string>(&result)) {
    why = *reason;
    return {};
  }
  const Pcm& pcm = *std::get<std::shared_ptr<const Pcm>>(result);
  Samples s(size_t(pcm.frames()));
  for (int64_t i = 0; i < pcm.frames(); ++i) s[size_t(i)] = float(pcm.frame(i)[0]) / 32768.0f;
  return s;
}

// Encodes, then listens to the result with the game's own decoder: the file must come back at
// exactly its length, and without the clipping an encoder's overshoot can bring to loud peaks.
void encode(const fs::path& folder, Samples samples, FileReport& report) {
  report.frames = int64_t(samples.size());
  if (samples.empty()) {
    report.error = "nothing was made (is espeak-ng's voice data installed?)";
    return;
  }
  std::vector<unsigned char> bytes;
  Samples heard;
  for (int attempt = 0; attempt < 4; ++attempt) {
    bytes = encodeMp3(samples, {.rate = kRate});
    heard = decodeBytes(bytes, report.error);
    if (!report.error.empty()) return;
    report.level = measure(heard);
    if (report.level.peakDb <= kCeilingDb + 0.3) break;
    const float lower = float(dbToGain(kCeilingDb - report.level.peakDb - 0.2));
    for (float& x : samples) x *= lower;
  }
  if (int64_t(heard.size()) != report.frames) {
    report.error = "decodes to " + std::to_string(heard.size()) + " frames instead of " +
                   std::to_string(report.frames);
    return;
  }
  std::ofstream file(folder / report.name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!file) report.error = "cannot write " + (folder / report.name).string();
  report.bytes = bytes.size();
}

}  // namespace

std::vector<FileReport> writePack(const fs::path& folder, const std::vector<std::string>& names) {
  const std::vector<const PackSound*> chosen = selection(names);
  std::vector<FileReport> reports(chosen.size());
  for (size_t i = 0; i < chosen.size(); ++i) reports[i].name = chosen[i]->name;
  std::error_code ec;
  fs::create_directories(folder, ec);

  // espeak-ng is a single global engine, so every line is spoken here first; the rest of the work
  // (synthesis and encoding) is shared out among threads.
  std::map<size_t, Samples> spoken;
  {
    Speech speech;
    for (size_t i = 0; i < chosen.size(); ++i)
      if (chosen[i]->role == Role::Speech) spoken[i] = makeSound(*chosen[i], speech);
  }

  std::atomic<size_t> nextJob{0};
  const auto work = [&] {
    Speech unused;
    for (size_t i = nextJob++; i < chosen.size(); i = nextJob++) {
      const auto said = spoken.find(i);
      encode(folder, said != spoken.end() ? said->second : makeSound(*chosen[i], unused),
             reports[i]);
    }
  };
  const unsigned helpers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u) - 1;
  std::vector<std::thread> threads;
  for (unsigned n = 0; n < helpers; ++n) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
  return reports;
}

std::string levelTable(const std::vector<FileReport>& reports) {
  std::string out;
  char line[160];
  std::snprintf(line, sizeof line, "%-14s %8s %9s %9s %9s %8s\n", "file", "seconds", "peak dB",
                "RMS dB", "loud dB", "KiB");
  out += line;
  uintmax_t total = 0;
  double worstPeak = -180.0;
  for (const FileReport& r : reports) {
    std::snprintf(line, sizeof line, "%-14s %8.3f %9.1f %9.1f %9.1f %8.1f%s\n", r.name.c_str(),
                  double(r.frames) / kRate, r.level.peakDb, r.level.rmsDb, r.level.loudnessDb,
                  double(r.bytes) / 1024.0, r.error.empty() ? "" : ("  ERROR: " + r.error).c_str());
    out += line;
    total += r.bytes;
    worstPeak = std::max(worstPeak, r.level.peakDb);
  }
  std::snprintf(line, sizeof line, "%zu files, %.2f MiB, highest peak %.1f dB\n", reports.size(),
                double(total) / (1024.0 * 1024.0), worstPeak);
  out += line;
  return out;
}

std::vector<CheckProblem> checkPack(const fs::path& folder) {
  std::vector<CheckProblem> problems;
  for (const PackSound& s : packSounds()) {
    // Look the file up the way the game does, so a pack the game can play passes the check.
    const fs::path file = resolveSoundPath(folder.string() + "\\" + s.name);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
      problems.push_back({s.name, "missing"});
      continue;
    }
    if (const std::string why = inspectSoundFile(file); !why.empty())
      problems.push_back({s.name, why});
  }
  return problems;
}

}  // namespace korvanta::pack
