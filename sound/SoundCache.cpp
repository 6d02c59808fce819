#include "SoundCache.h"

#include <cstdio>
#include <system_error>
#include <variant>

#include "DecodeWorker.h"
#include "Mp3Decoder.h"
#include "SoundPath.h"
#include "platform/Text.h"

namespace korvanta {

namespace {

// Files announcing more samples than this, or bigger than this, are decoded in the background.
// Below both, decoding takes a few milliseconds at most and is done at once, which keeps every
// short sound exact from the moment it is loaded.
constexpr int64_t kBackgroundSamples = int64_t(1) << 19;
constexpr std::uintmax_t kBackgroundBytes = 512 * 1024;

}  // namespace

std::shared_ptr<const Pcm> silenceStandIn() {
  static const std::shared_ptr<const Pcm> silence = [] {
    // No samples at all: frames past the decoded ones sound as silence; the length is what counts.
    auto pcm = std::make_shared<Pcm>(8000, 1, 0, 8000);
    pcm->finish(8000);
    return pcm;
  }();
  return silence;
}

SoundCache::SoundCache()
    : report_([](const std::string& file, const std::string& reason) {
        std::fprintf(stderr, "korvanta: cannot play \"%s\": %s\n", file.c_str(), reason.c_str());
      }) {}

SoundCache::~SoundCache() = default;

std::shared_ptr<const Pcm> SoundCache::get(const std::string& gamePath) {
  const auto known = entries_.find(gamePath);
  if (known != entries_.end()) return known->second;
  std::shared_ptr<const Pcm> pcm = load(resolveSoundPath(gamePath));
  entries_.emplace(gamePath, pcm);
  return pcm;
}

std::shared_ptr<const Pcm> SoundCache::load(const std::filesystem::path& file) {
  std::error_code error;
  Mp3Decoder::Opened opened = std::filesystem::is_regular_file(file, error)
                                  ? Mp3Decoder::open(file)
                                  : Mp3Decoder::Opened(std::string("the file is missing"));
  if (const auto* reason = std::get_if<std::string>(&opened)) {
    report_(utf8(file), *reason);
    return silenceStandIn();
  }
  auto decoder = std::get<std::unique_ptr<Mp3Decoder>>(std::move(opened));
  std::shared_ptr<const Pcm> pcm = decoder->pcm();
  if (decoder->announcedSamples() > kBackgroundSamples ||
      std::filesystem::file_size(file, error) > kBackgroundBytes) {
    if (!worker_) worker_ = std::make_unique<DecodeWorker>();
    // Reported from the worker once it knows; the reporter outlives it, as the cache owns both.
    worker_->add(std::move(decoder),
                 [this, name = utf8(file)](const std::string& reason) { report_(name, reason); });
    return pcm;
  }
  decoder->decodeAll();
  const std::string damage = decoder->damage();
  if (!damage.empty()) report_(utf8(file), damage);
  // A file cut short plays what it holds; one with no audio at all is the stand-in silence.
  return decoder->foundAudio() ? pcm : silenceStandIn();
}

void SoundCache::waitUntilDecoded() {
  if (worker_) worker_->waitUntilIdle();
}

}  // namespace korvanta
