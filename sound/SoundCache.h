// Decoded audio by path, so that reloading a sound costs no decoding; owned by the UI thread.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "Pcm.h"

namespace korvanta {

class SoundCache {
 public:
  // The audio for `gamePath`, decoding it on first use. A file that cannot be used is reported
  // once on stderr and stands in as one second of silence, so the game keeps its pace.
  std::shared_ptr<const Pcm> get(const std::string& gamePath);

  // How many distinct paths have been asked for (decoded or failed).
  size_t size() const { return entries_.size(); }

 private:
  // Entries are never evicted: the mixer thread may hold the last reference to a sound only
  // while the cache also holds it, so the audio callback never frees memory.
  std::unordered_map<std::string, std::shared_ptr<const Pcm>> entries_;
};

// The shared one-second silence that stands in for a file that cannot be played.
std::shared_ptr<const Pcm> silenceStandIn();

}  // namespace korvanta
