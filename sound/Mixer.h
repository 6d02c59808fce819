// Mixes every live voice into one stereo output; the audio thread renders, the UI thread steers.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Limiter.h"
#include "Sound.h"

namespace korvanta {

class Mixer {
 public:
  // The output rate; every file is resampled to it.
  static constexpr int kOutputRate = 48000;
  // A sound cut off while heard fades out over this many frames (3 ms) instead of clicking.
  static constexpr int kFadeFrames = 144;

  // One sounding thing; what it is doing is the mixer's alone, changed through the operations.
  class Voice;

  // What a player reads of its voice, taken at one instant, so an end test compares like with
  // like.
  struct Reading {
    // Seconds into the current pass; exactly `duration` once every pass has played.
    double position = 0.0;
    // Length of the loaded sound in seconds; 0 without one.
    double duration = 0.0;
    // Every pass has played (or nothing is loaded).
    bool playedOut() const { return position == duration; }
  };

  Mixer();
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // Registers a voice for the lifetime of its player.
  Voice* addVoice();
  // Unregisters it; its sound stops at once.
  void removeVoice(Voice* voice);

  // Loads `sound` (or nothing) at its start, stopped; what it replaces fades out if it was heard.
  void load(Voice* voice, std::shared_ptr<const Sound> sound);
  // Plays from the cursor for `passes` passes; a finished sound from its start. A sounding one
  // goes on as it was. Here and in `seek`, a sound is prepared at its new place before the audio
  // thread may read it there, so a stream's fresh read-ahead is never reset by an early read.
  void play(Voice* voice, int32_t passes);
  // A sounding voice plays `passes` passes in all, the one under way being the first.
  void renewPasses(Voice* voice, int32_t passes);
  // Moves within the sound; at or past its end it stops there, finished. What was heard fades.
  void seek(Voice* voice, double seconds);
  // Linear gains of each channel; a sounding voice glides to them over one period, a starting
  // one takes them at its first frame.
  void gains(Voice* voice, float left, float right);
  // Position and duration together.
  Reading reading(const Voice* voice) const;

  // Adds every playing voice into `out` (interleaved stereo floats, overwritten), limits the sum
  // and advances them by `frames` output frames. Called by the audio thread or by a hand-driven
  // output.
  void render(float* out, int frames);

  // Output frames rendered so far: the clock behind every position.
  int64_t framesRendered() const;
  // Frames voices waited, silent, for audio not yet decoded or read from disk; their sounds
  // were heard whole, that much later.
  int64_t lateFrames() const;
  // Every playing voice could render its next `frames` frames without waiting.
  bool decodedAhead(int frames) const;

 private:
  // One period's share of a render, at most this many frames.
  static constexpr int kChunk = 256;
  void mixVoice(Voice& voice, float* out, int frames);
  void mixTail(Voice& voice, float* out, int frames);

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Voice>> voices_;
  std::vector<float> scratch_;
  Limiter limiter_;
  int64_t framesRendered_ = 0;
  int64_t lateFrames_ = 0;
};

}  // namespace korvanta
