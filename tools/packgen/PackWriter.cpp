#include "PackWriter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>
#include <variant>

#include "Recipes.h"
#include "sound/Mp3Decoder.h"
#include "sound/SoundPath.h"
#include "tools/mp3/Mp3Writer.h"

namespace korvanta::pack {

namespace fs = std::filesystem;

namespace {

std::vector<const PackEntry*> selection(const std::vector<std::string>& names) {
  std::vector<const PackEntry*> chosen;
  if (names.empty()) {
    for (const PackEntry& entry : manifest()) chosen.push_back(&entry);
    return chosen;
  }
  for (const std::string& name : names) {
    const PackEntry* entry = findEntry(name);
    if (entry) chosen.push_back(entry);
  }
  return chosen;
}

// The decoded audio of a file as floats (its first channel, at its own `rate`); empty with `why`
// set if it does not decode.
Samples samplesOf(const DecodeResult& result, std::string& why, int* rate = nullptr) {
  if (const auto* reason = std::get_if<std::string>(&result)) {
    why = *reason;
    return {};
  }
  const Pcm& pcm = *std::get<std::shared_ptr<const Pcm>>(result);
  if (rate) *rate = pcm.rate();
  Samples s(size_t(pcm.frames()));
  for (int64_t i = 0; i < pcm.frames(); ++i) s[size_t(i)] = float(pcm.frame(i)[0]) / 32768.0f;
  return s;
}

// Encodes, then listens to the result with the game's own decoder: the file must come back at
// exactly its length, and without the clipping an encoder's overshoot can bring to loud peaks.
void encode(const fs::path& folder, Samples samples, FileReport& report) {
  report.frames = int64_t(samples.size());
  if (samples.empty()) {
    report.error = "nothing makes it: it has no recipe";
    return;
  }
  std::vector<unsigned char> bytes;
  Samples heard;
  for (int attempt = 0; attempt < 4; ++attempt) {
    bytes = encodeMp3(samples, {.rate = kRate});
    heard = samplesOf(decodeMp3Bytes(bytes.data(), bytes.size()), report.error);
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

std::string cannotSpeak(Language language) {
  Speech speech;
  for (Speaker speaker : {Speaker::Guide, Speaker::Gunman}) {
    const SpeechVoice voice = voiceOf(speaker, language);
    if (!speech.hasVoice(voice))
      return std::string(engineName(voice.engine)) + " has no voice \"" + voice.voice + "\"";
  }
  return {};
}

std::vector<FileReport> writePack(const fs::path& folder, const std::vector<std::string>& names,
                                  Language language) {
  const std::vector<const PackEntry*> chosen = selection(names);
  std::vector<FileReport> reports(chosen.size());
  for (size_t i = 0; i < chosen.size(); ++i) reports[i].name = chosen[i]->name;

  // The speech engines are global, so every line is spoken here first, before the folder is
  // touched; the rest of the work (synthesis and encoding) is shared out among threads.
  std::map<size_t, Samples> spoken;
  {
    Speech speech;
    for (size_t i = 0; i < chosen.size(); ++i) {
      if (chosen[i]->role != Role::Speech) continue;
      spoken[i] = makeSound(*chosen[i], language, speech);
      if (spoken[i].empty()) {
        const SpeechVoice voice = voiceOf(chosen[i]->speaker, language);
        reports[i].error = std::string(engineName(voice.engine)) + "'s voice \"" + voice.voice +
                           "\" cannot speak \"" + std::string(chosen[i]->text(language)) + "\"";
        reports[i].stoppedThePack = true;
        return {reports[i]};
      }
    }
  }
  std::error_code ec;
  fs::create_directories(folder, ec);
  std::ofstream(folder / kLanguageFile) << (language == Language::Spanish ? "es" : "en") << "\n";

  std::atomic<size_t> nextJob{0};
  const auto work = [&] {
    Speech unused;
    for (size_t i = nextJob++; i < chosen.size(); i = nextJob++) {
      const auto said = spoken.find(i);
      encode(folder, said != spoken.end() ? said->second : makeSound(*chosen[i], language, unused),
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

std::vector<CheckProblem> checkPack(const fs::path& folder) {
  std::vector<CheckProblem> problems;
  for (const PackEntry& entry : manifest()) {
    const std::string name(entry.name);
    // Look the file up the way the game does, so a pack the game can play passes the check.
    const fs::path file = resolveSoundPath(folder.string() + "\\" + name);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
      problems.push_back({name, "missing"});
      continue;
    }
    // The game's own inspection first, so a file it would name is named here in the same words.
    if (const std::string why = inspectSoundFile(file); !why.empty()) {
      problems.push_back({name, why});
      continue;
    }
    std::string why;
    int rate = kRate;
    const Samples heard = samplesOf(decodeMp3(file), why, &rate);
    if (!why.empty()) {
      problems.push_back({name, why});
      continue;
    }
    char line[120];
    const double seconds = double(heard.size()) / rate;
    if (seconds < entry.seconds.shortest || seconds > entry.seconds.longest) {
      std::snprintf(line, sizeof line, "lasts %.2f s, not %.2f to %.2f s", seconds,
                    entry.seconds.shortest, entry.seconds.longest);
      problems.push_back({name, line, true});
    }
    const double loudness = measure(heard).loudnessDb;
    if (std::fabs(loudness - entry.loudnessDb) > kLoudnessToleranceDb) {
      std::snprintf(line, sizeof line, "is heard at %.1f dB, not %.1f dB", loudness,
                    entry.loudnessDb);
      problems.push_back({name, line, true});
    }
  }
  return problems;
}

}  // namespace korvanta::pack
