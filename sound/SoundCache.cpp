#include "SoundCache.h"

#include <cstdio>
#include <system_error>
#include <variant>

#include "DecodeWorker.h"
#include "Mixer.h"
#include "Mp3Decoder.h"
#include "SoundPath.h"
#include "Stream.h"
#include "Text.h"

namespace korvanta {

namespace {

// Files announcing more samples than this, or bigger than this, are decoded in the background.
// Below both, decoding takes a few milliseconds at most and is done at once, which keeps every
// short sound exact from the moment it is loaded.
constexpr int64_t kBackgroundSamples = int64_t(1) << 19;
constexpr std::uintmax_t kBackgroundBytes = 512 * 1024;
// Files longer than this are streamed rather than held whole, so memory stays flat whatever
// music a pack brings.
constexpr double kStreamedSeconds = 30.0;

}  // namespace

std::shared_ptr<const Pcm> silenceStandIn() {
  static const std::shared_ptr<const Pcm> silence = [] {
    // No samples at all: frames past the decoded ones sound as silence; the length is what counts.
    auto pcm = std::make_shared<Pcm>(Mixer::kOutputRate, 1, 0, Mixer::kOutputRate);
    pcm->finish(Mixer::kOutputRate);
    return pcm;
  }();
  return silence;
}

SoundCache::SoundCache()
    : report_([](const std::string& file, const std::string& reason) {
        std::fprintf(stderr, "korvanta: cannot play \"%s\": %s\n", file.c_str(), reason.c_str());
      }) {}

SoundCache::~SoundCache() = default;

std::shared_ptr<const Sound> SoundCache::get(const std::string& gamePath) {
  auto known = entries_.find(gamePath);
  if (known != entries_.end() && known->second.sound) return known->second.sound;
  // Looked up on disk once per load: a streamed file opens a stream of its own each time.
  const std::filesystem::path file = resolveSoundPath(gamePath);
  if (known == entries_.end()) known = entries_.emplace(gamePath, load(file)).first;
  Entry& entry = known->second;
  if (entry.sound) return entry.sound;
  return stream(file, entry);
}

SoundCache::Entry SoundCache::load(const std::filesystem::path& file) {
  std::error_code error;
  Mp3Decoder::Opened opened = openSoundFile(file, Mixer::kOutputRate);
  if (const auto* reason = std::get_if<std::string>(&opened)) {
    report_(utf8(file), *reason);
    return {silenceStandIn(), nullptr};
  }
  auto decoder = std::get<std::unique_ptr<Mp3Decoder>>(std::move(opened));
  if (decoder->announcedSeconds() > kStreamedSeconds)
    return {nullptr, std::make_shared<std::atomic<bool>>(false)};
  std::shared_ptr<const Pcm> pcm = decoder->pcm();
  if (decoder->announcedSamples() > kBackgroundSamples ||
      std::filesystem::file_size(file, error) > kBackgroundBytes) {
    if (!worker_) worker_ = std::make_unique<DecodeWorker>();
    // Reported from the worker once it knows; the reporter outlives it, as the cache owns both.
    worker_->add(std::move(decoder),
                 [this, name = utf8(file)](const std::string& reason) { report_(name, reason); });
    return {pcm, nullptr};
  }
  // The same inspection as the pack check's: decoded through, then held to its announced length.
  decoder->decodeAll();
  const std::string damage = decoder->damage();
  if (!damage.empty()) report_(utf8(file), damage);
  // A file cut short plays what it holds; one with no audio at all is the stand-in silence.
  return {decoder->foundAudio() ? pcm : silenceStandIn(), nullptr};
}

std::shared_ptr<const Sound> SoundCache::stream(const std::filesystem::path& file, Entry& entry) {
  Mp3Decoder::Opened opened = openSoundFile(file, Mixer::kOutputRate);
  // Gone or changed since it was first looked at: the same as a file that cannot be played.
  auto damaged = [this, name = utf8(file), reported = entry.reported](const std::string& why) {
    if (!reported->exchange(true)) report_(name, why);
  };
  if (const auto* reason = std::get_if<std::string>(&opened)) {
    damaged(*reason);
    return silenceStandIn();
  }
  if (!worker_) worker_ = std::make_unique<DecodeWorker>();
  // Players, and with them their streams, go before the cache and its worker.
  auto stream = std::make_shared<Stream>(std::get<std::unique_ptr<Mp3Decoder>>(std::move(opened)),
                                         damaged, [worker = worker_.get()] { worker->wake(); });
  if (!stream->foundAudio()) return silenceStandIn();
  worker_->add(stream);
  return stream;
}

void SoundCache::waitUntilDecoded() {
  if (worker_) worker_->waitUntilIdle();
}

}  // namespace korvanta
