// Lets a measuring tool watch the output: every period as the sound card takes it. Play never
// needs one; the benchmarks use it to time a sound from its key to the card.
#pragma once

namespace korvanta {

class AudioTap {
 public:
  virtual ~AudioTap() = default;
  // On the audio thread, right after the mixer has rendered `frames` interleaved stereo frames
  // into `out`. Must be quick and must not wait for the UI thread.
  virtual void rendered(const float* out, int frames) = 0;
};

}  // namespace korvanta
