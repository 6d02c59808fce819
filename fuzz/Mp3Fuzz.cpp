// libFuzzer target: arbitrary bytes as a sound file, from the disk through the decoder and the
// cache into a player, which must keep its contract whatever the bytes are.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>

#include "sound/Mp3Decoder.h"
#include "sound/Output.h"
#include "sound/Player.h"

namespace {

using namespace korvanta;

// A broken promise is a finding: abort so that libFuzzer keeps the input.
void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "contract broken: %s\n", what);
  std::abort();
}

// Decoded audio must be complete, non-empty and readable to its last sample.
void checkDecoded(const Pcm& pcm) {
  require(pcm.complete(), "decoded audio is complete");
  require(pcm.frames() > 0 && pcm.frames() == pcm.ready(), "length is what was decoded");
  require(pcm.channels() == 1 || pcm.channels() == 2, "mono or stereo");
  require(pcm.rate() >= 8000 && pcm.rate() <= 48000, "an MPEG sample rate");
  // Touch samples across every block and the very last one, for AddressSanitizer to see.
  static volatile int64_t sink = 0;
  for (int64_t at = 0; at < pcm.ready(); at += 97) sink = sink + pcm.frame(at)[0];
  sink = sink + pcm.frame(pcm.ready() - 1)[pcm.channels() - 1];
}

const std::filesystem::path& soundFile() {
  static const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                            ("korvanta-fuzz-" + std::to_string(getpid()) + ".mp3");
  return file;
}

// The way the game loads a sound: a path, the cache (at once or in the background), a player
// that plays it to its end. A finished sound must read its duration exactly.
void playThroughCache(const uint8_t* data, size_t size) {
  {
    std::ofstream out(soundFile(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  SoundEngine engine;
  engine.cache.reportTo([](const std::string&, const std::string&) {});
  ManualOutput output(engine.mixer);
  Player player(engine, {.autostart = true, .volume = 0, .playCount = 2});
  player.file(soundFile().string());
  require(player.duration() > 0.0, "a loaded file has a length");
  require(player.position() < player.duration(), "a file just loaded is not finished");
  output.advance(512);
  require(player.position() < player.duration() || player.duration() * 48000 < 1100,
          "not finished after one period");
  engine.cache.waitUntilDecoded();
  const double duration = player.duration();
  require(duration > 0.0, "a decoded file has a length");
  // Skip to just before the end of each pass instead of playing minutes of audio; a sound of a
  // few milliseconds has already played out. After a jump the worker refills a stream's
  // read-ahead, and the audio thread may find its lock taken and wait: what it waited for is
  // heard later, not skipped, beyond this period. Such a pass is tried again once the worker is
  // done, as the stream tests wait for it.
  const double nearEnd = duration > 0.01 ? duration - 0.01 : 0.0;
  for (int pass = 0, retries = 0; pass < 2 && player.position() < duration; ++pass) {
    player.position(nearEnd);
    const int64_t late = engine.mixer.lateFrames();
    output.advance(1024);
    if (engine.mixer.lateFrames() > late && retries++ < 3) {
      engine.cache.waitUntilDecoded();
      --pass;
    }
  }
  require(player.position() == player.duration(), "a finished sound reads its duration");
  // The same path again is a cache hit with the same length.
  player.file(soundFile().string());
  require(player.duration() == duration, "a reload keeps the length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodeResult decoded = decodeMp3Bytes(data, size);
  if (const auto* pcm = std::get_if<std::shared_ptr<const Pcm>>(&decoded)) checkDecoded(**pcm);
  playThroughCache(data, size);
  return 0;
}
