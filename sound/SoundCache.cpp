#include "SoundCache.h"

#include <cmath>
#include <cstdio>
#include <variant>

#include "DecodeWorker.h"
#include "Mixer.h"
#include "Mp3Decoder.h"
#include "SoundPath.h"
#include "Stream.h"
#include "Text.h"

namespace korvanta {

namespace {

// Decoded at once on loading, the rest of a file being left to the worker: enough to be heard
// without waiting, little enough that loading never holds up the UI thread's tick.
constexpr double kStartSeconds = 0.25;
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
  // A file streamed on its first load plays from the very reader that looked at it.
  Mp3Reader::Opened opened = std::string();
  if (known == entries_.end()) known = entries_.emplace(gamePath, load(file, opened)).first;
  Entry& entry = known->second;
  if (entry.sound) return entry.sound;
  if (!std::holds_alternative<std::unique_ptr<Mp3Reader>>(opened))
    opened = openSoundFile(file, Mixer::kOutputRate);
  return stream(file, std::move(opened), entry);
}

SoundCache::Entry SoundCache::load(const std::filesystem::path& file, Mp3Reader::Opened& streamed) {
  Mp3Reader::Opened opened = openSoundFile(file, Mixer::kOutputRate);
  if (const auto* reason = std::get_if<std::string>(&opened)) {
    report_(utf8(file), *reason);
    return {silenceStandIn(), nullptr};
  }
  auto reader = std::get<std::unique_ptr<Mp3Reader>>(std::move(opened));
  if (reader->announcedSeconds() > kStreamedSeconds) {
    streamed = std::move(reader);
    return {nullptr, std::make_shared<std::atomic<bool>>(false)};
  }
  const int64_t startFrames = std::llround(kStartSeconds * reader->sourceRate());
  auto decoder = std::make_unique<Mp3Decoder>(std::move(reader));
  std::shared_ptr<const Pcm> pcm = decoder->pcm();
  if (decoder->decodeSome(startFrames)) {
    if (!worker_) worker_ = std::make_unique<DecodeWorker>();
    // Reported from the worker once it knows; the reporter outlives it, as the cache owns both.
    worker_->add(std::move(decoder),
                 [this, name = utf8(file)](const std::string& reason) { report_(name, reason); });
    return {pcm, nullptr};
  }
  // Decoded through already: the same inspection as the pack check's, held to the announced
  // length. A file cut short plays what it holds; one with no audio at all is the stand-in.
  const std::string damage = decoder->damage();
  if (!damage.empty()) report_(utf8(file), damage);
  return {decoder->foundAudio() ? pcm : silenceStandIn(), nullptr};
}

std::shared_ptr<const Sound> SoundCache::stream(const std::filesystem::path& file,
                                                Mp3Reader::Opened opened, Entry& entry) {
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
  auto stream = std::make_shared<Stream>(std::get<std::unique_ptr<Mp3Reader>>(std::move(opened)),
                                         damaged, [worker = worker_.get()] { worker->wake(); });
  if (!stream->foundAudio()) return silenceStandIn();
  worker_->add(stream);
  return stream;
}

void SoundCache::waitUntilDecoded() {
  if (worker_) worker_->waitUntilIdle();
}

}  // namespace korvanta
