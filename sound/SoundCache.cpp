#include "SoundCache.h"

#include <cstdio>
#include <system_error>
#include <variant>

#include "Mp3Decoder.h"
#include "SoundPath.h"

namespace korvanta {

std::shared_ptr<const Pcm> silenceStandIn() {
  static const std::shared_ptr<const Pcm> silence = [] {
    auto pcm = std::make_shared<Pcm>();
    // A low rate keeps the second of silence small; its length is what matters.
    pcm->rate = 8000;
    pcm->channels = 1;
    pcm->samples.assign(8000, 0);
    return pcm;
  }();
  return silence;
}

std::shared_ptr<const Pcm> SoundCache::get(const std::string& gamePath) {
  const auto known = entries_.find(gamePath);
  if (known != entries_.end()) return known->second;

  const std::filesystem::path file = resolveSoundPath(gamePath);
  std::error_code error;
  DecodeResult decoded = std::filesystem::is_regular_file(file, error)
                             ? decodeMp3(file)
                             : DecodeResult(std::string("the file is missing"));
  std::shared_ptr<const Pcm> pcm;
  if (auto* audio = std::get_if<Pcm>(&decoded)) {
    pcm = std::make_shared<const Pcm>(std::move(*audio));
  } else {
    std::fprintf(stderr, "korvanta: cannot play \"%s\": %s\n", file.string().c_str(),
                 std::get<std::string>(decoded).c_str());
    pcm = silenceStandIn();
  }
  entries_.emplace(gamePath, pcm);
  return pcm;
}

}  // namespace korvanta
