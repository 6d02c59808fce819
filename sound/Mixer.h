// Mixes every live voice into one stereo output; the audio thread renders, the UI thread steers.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Pcm.h"

namespace korvanta {

// One sounding thing as the mixer sees it. Every field is guarded by the mixer's mutex.
struct Voice {
  std::shared_ptr<const Pcm> pcm;
  // Play position in the file's own frames, within the current pass.
  double cursor = 0.0;
  // Passes still to play after the current one.
  int32_t passesLeft = 0;
  bool playing = false;
  // Every pass has played: the position reads exactly the duration until something moves it.
  bool ended = false;
  // Linear gains the UI asked for; the mixer glides to them over one output period.
  float targetLeft = 1.0f;
  float targetRight = 1.0f;
  float gainLeft = 1.0f;
  float gainRight = 1.0f;
  // Output frame (counted by the mixer) at which this voice last started sounding; -1 if never.
  int64_t startedAtFrame = -1;
  bool startPending = false;
};

class Mixer {
 public:
  // The output rate; every file keeps its own rate and is stepped through at this pace.
  static constexpr int kOutputRate = 48000;

  Mixer();

  // Registers a voice for the lifetime of its player.
  Voice* addVoice();
  // Unregisters it; its sound stops at once.
  void removeVoice(Voice* voice);

  // Runs `f` with the voices locked; the UI thread keeps these sections to a few field writes.
  template <class F>
  auto locked(F&& f) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return f();
  }

  // Adds every playing voice into `out` (interleaved stereo floats, overwritten) and advances
  // them by `frames` output frames. Called by the audio thread or by a hand-driven output.
  void render(float* out, int frames);

  // Output frames rendered so far: the clock behind every position.
  int64_t framesRendered() const;

 private:
  void mixVoice(Voice& voice, float* out, int frames);

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Voice>> voices_;
  int64_t framesRendered_ = 0;
};

}  // namespace korvanta
