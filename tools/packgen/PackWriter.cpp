#include "PackWriter.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <thread>
#include <variant>

#include "Recipes.h"
#include "sound/Mp3Decoder.h"
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

// The decoded audio of a file's first channel; empty with `why` set if it does not decode.
Samples samplesOf(const DecodeResult& result, std::string& why) {
  if (const auto* reason = std::get_if<std::string>(&result)) {
    why = *reason;
    return {};
  }
  return firstChannel(*std::get<std::shared_ptr<const Pcm>>(result));
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

}  // namespace korvanta::pack
