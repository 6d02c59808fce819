#include "PackCheck.h"

#include <cmath>
#include <cstdio>

#include "Levels.h"
#include "pack/Manifest.h"
#include "sound/Mp3Decoder.h"
#include "sound/SoundPath.h"

namespace korvanta::pack {

namespace fs = std::filesystem;

namespace {

// How the file of `entry` fails the game or its part; `problems` is left alone when it is fit.
void checkFile(const PackEntry& entry, const fs::path& file, std::vector<CheckProblem>& problems) {
  const std::string name(entry.name);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    problems.push_back({name, "missing"});
    return;
  }
  // Opened and decoded as the game does, so a file it would name is named here in the same
  // words; the audio it decodes to is then measured as it is.
  Mp3Reader::Opened opened = openSoundFile(file);
  if (const auto* why = std::get_if<std::string>(&opened)) {
    problems.push_back({name, *why});
    return;
  }
  Mp3Decoder decoder(std::get<std::unique_ptr<Mp3Reader>>(std::move(opened)));
  decoder.decodeAll();
  if (const std::string why = decoder.damage(); !why.empty()) {
    problems.push_back({name, why});
    return;
  }
  const Pcm& pcm = *decoder.pcm();
  char line[120];
  const double seconds = double(pcm.frames()) / pcm.rate();
  if (seconds < entry.seconds.shortest || seconds > entry.seconds.longest) {
    std::snprintf(line, sizeof line, "lasts %.2f s, not %.2f to %.2f s", seconds,
                  entry.seconds.shortest, entry.seconds.longest);
    problems.push_back({name, line, true});
  }
  const double loudness = measure(firstChannel(pcm)).loudnessDb;
  if (std::fabs(loudness - entry.loudnessDb) > kLoudnessToleranceDb) {
    std::snprintf(line, sizeof line, "is heard at %.1f dB, not %.1f dB", loudness,
                  entry.loudnessDb);
    problems.push_back({name, line, true});
  }
}

}  // namespace

std::vector<CheckProblem> checkPack(const fs::path& folder) {
  std::vector<CheckProblem> problems;
  // Each file looked up the way the game does, so a pack the game can play passes the check.
  for (const PackEntry& entry : manifest())
    checkFile(entry, resolveSoundPath(folder.string() + "\\" + std::string(entry.name)), problems);
  return problems;
}

}  // namespace korvanta::pack
