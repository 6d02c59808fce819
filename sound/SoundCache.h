// Decoded audio by path, so that reloading a sound costs no decoding; long files are streamed
// instead, each player reading its own. Owned by the UI thread.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "Mp3Decoder.h"
#include "Pcm.h"
#include "Sound.h"

namespace korvanta {

class DecodeWorker;

class SoundCache {
 public:
  // Told about each file that cannot be played, once, with a short reason.
  using Reporter = std::function<void(const std::string& file, const std::string& reason)>;

  SoundCache();
  ~SoundCache();
  SoundCache(const SoundCache&) = delete;
  SoundCache& operator=(const SoundCache&) = delete;

  // The audio for `gamePath` at the mixer's rate, decoding it on first use. A file that cannot be
  // used is reported once on stderr and stands in as one second of silence, so the game keeps its
  // pace; a file cut short is reported too, and plays what it holds. A file comes back with its
  // length known and its first quarter second decoded, and the rest is decoded in the background
  // while it plays; asking again for it meanwhile gives the same audio. A file longer than half
  // a minute is streamed: each call opens it afresh, with its exact length known at once.
  std::shared_ptr<const Sound> get(const std::string& gamePath);

  // How many distinct paths have been asked for (decoded or failed).
  size_t size() const { return entries_.size(); }

  // Blocks until every file being decoded in the background is complete (tests and tools).
  void waitUntilDecoded();

  // Where unplayable files are reported: one line on stderr unless a tool says otherwise. Set it
  // before the first load; the background decoder reports through it too.
  void reportTo(Reporter report) { report_ = std::move(report); }

 private:
  struct Entry {
    // The decoded audio; null for a file that is streamed.
    std::shared_ptr<const Sound> sound;
    // A streamed file's damage is reported once, whichever stream finds it.
    std::shared_ptr<std::atomic<bool>> reported;
  };
  // A file to be streamed comes back in `streamed`, opened.
  Entry load(const std::filesystem::path& file, Mp3Reader::Opened& streamed);
  std::shared_ptr<const Sound> stream(const std::filesystem::path& file, Mp3Reader::Opened opened,
                                      Entry& entry);

  // Entries are never evicted: the mixer thread may hold the last reference to a sound only
  // while the cache also holds it, so the audio callback never frees memory.
  std::unordered_map<std::string, Entry> entries_;
  Reporter report_;
  // Started with the first long file.
  std::unique_ptr<DecodeWorker> worker_;
};

// The shared one-second silence that stands in for a file that cannot be played.
std::shared_ptr<const Pcm> silenceStandIn();

}  // namespace korvanta
