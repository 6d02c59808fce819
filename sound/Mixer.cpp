#include "Mixer.h"

#include <algorithm>

namespace korvanta {

Mixer::Mixer() {
  voices_.reserve(64);
}

Voice* Mixer::addVoice() {
  auto voice = std::make_unique<Voice>();
  Voice* raw = voice.get();
  std::lock_guard<std::mutex> lock(mutex_);
  voices_.push_back(std::move(voice));
  return raw;
}

void Mixer::removeVoice(Voice* voice) {
  std::unique_ptr<Voice> removed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = std::find_if(voices_.begin(), voices_.end(),
                                 [voice](const auto& v) { return v.get() == voice; });
    if (it == voices_.end()) return;
    removed = std::move(*it);
    voices_.erase(it);
  }
  // Freed outside the lock so the audio thread never waits on a deallocation.
}

int64_t Mixer::framesRendered() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return framesRendered_;
}

void Mixer::render(float* out, int frames) {
  std::fill(out, out + size_t(frames) * 2, 0.0f);
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& voice : voices_) {
    if (voice->playing && voice->pcm) mixVoice(*voice, out, frames);
  }
  framesRendered_ += frames;
}

void Mixer::mixVoice(Voice& voice, float* out, int frames) {
  const Pcm& pcm = *voice.pcm;
  // One look at the decoder's progress per period. Frames not yet decoded sound as silence but
  // still take their time, so positions keep pace; the end is trusted only once the length is
  // final, and then it is exact.
  const bool complete = pcm.complete();
  const int64_t total = pcm.frames();
  const int64_t ready = pcm.ready();
  const int channels = pcm.channels();
  const double step = double(pcm.rate()) / kOutputRate;
  constexpr float kScale = 1.0f / 32768.0f;

  if (voice.startPending) {
    voice.startedAtFrame = framesRendered_;
    voice.startPending = false;
  }
  // Gain changes glide across this period instead of jumping, so they never click.
  const float stepLeft = (voice.targetLeft - voice.gainLeft) / float(frames);
  const float stepRight = (voice.targetRight - voice.gainRight) / float(frames);
  float gainLeft = voice.gainLeft;
  float gainRight = voice.gainRight;

  for (int i = 0; i < frames && voice.playing; ++i) {
    const int64_t at = int64_t(voice.cursor);
    float left = 0.0f;
    float right = 0.0f;
    if (at < ready) {
      const float frac = float(voice.cursor - double(at));
      const int16_t* a = pcm.frame(at);
      const int16_t* b = at + 1 < ready ? pcm.frame(at + 1) : a;
      left = (a[0] + (b[0] - a[0]) * frac) * kScale;
      right = channels == 1 ? left : (a[1] + (b[1] - a[1]) * frac) * kScale;
    }
    gainLeft += stepLeft;
    gainRight += stepRight;
    out[2 * i] += left * gainLeft;
    out[2 * i + 1] += right * gainRight;

    voice.cursor += step;
    if (complete && voice.cursor >= double(total)) {
      if (voice.passesLeft > 0) {
        --voice.passesLeft;
        voice.cursor = 0.0;
      } else {
        // The end is exact: the player reports the position as the duration from here on.
        voice.playing = false;
        voice.ended = true;
        voice.cursor = double(total);
      }
    }
  }
  voice.gainLeft = voice.targetLeft;
  voice.gainRight = voice.targetRight;
}

}  // namespace korvanta
