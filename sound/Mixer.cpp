#include "Mixer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvanta {

// A sound under way: the voice's own, or the tail of one it has just let go.
struct Run {
  std::shared_ptr<const Sound> sound;
  // Output frames into the current pass.
  int64_t cursor = 0;
  float gainLeft = 1.0f;
  float gainRight = 1.0f;
};

// Every field is guarded by the mixer's mutex.
class Mixer::Voice {
 public:
  Run now;
  // Passes still to play after the current one.
  int32_t passesLeft = 0;
  bool playing = false;
  // Every pass has played: the position reads exactly the duration until something moves it.
  bool ended = false;
  // Some frame of the current start has been mixed: cutting it now would be heard.
  bool heard = false;
  // Gains the UI asked for.
  float targetLeft = 1.0f;
  float targetRight = 1.0f;
  // What is fading out, and for how many frames more. A tail without a sound plays `fade`.
  Run tail;
  int tailLeft = 0;
  std::array<float, 2 * kFadeFrames> fade{};

  // The sound being cut off fades out as the tail, if it was heard; returns what the tail held
  // before, for the caller to free outside the lock.
  std::shared_ptr<const Sound> letGo(bool keepsSound) {
    if (!playing || !heard || !now.sound) return nullptr;
    std::shared_ptr<const Sound> old = std::move(tail.sound);
    tail = now;
    tailLeft = kFadeFrames;
    if (keepsSound && now.sound->oneReader()) {
      // A stream moved within itself cannot also be read where it was: what its fade needs is
      // read now, and no further than its end.
      const int count = int(std::clamp<int64_t>(now.sound->frames() - now.cursor, 0, kFadeFrames));
      fade.fill(0.0f);
      now.sound->read(now.cursor, count, fade.data());
      tail.sound = nullptr;
    }
    return old;
  }
};

Mixer::Mixer() : scratch_(2 * kChunk), limiter_(kOutputRate) {
  voices_.reserve(64);
}

Mixer::~Mixer() = default;

Mixer::Voice* Mixer::addVoice() {
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

void Mixer::load(Voice* voice, std::shared_ptr<const Sound> sound) {
  std::shared_ptr<const Sound> tail;
  if (sound) sound->prepare(0);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tail = voice->letGo(false);
    std::swap(voice->now.sound, sound);
    voice->now.cursor = 0;
    voice->playing = false;
    voice->ended = false;
    voice->heard = false;
  }
  // The sound replaced (in `sound` now) and any older tail are freed here, not on the audio thread.
}

void Mixer::play(Voice* voice, int32_t passes) {
  std::shared_ptr<const Sound> restarted;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!voice->now.sound || voice->playing) return;
    if (voice->ended) restarted = voice->now.sound;
  }
  // A file that has played out starts again from its beginning, prepared before the voice is
  // published as playing: a stream read there first would have its read-ahead reset under it.
  // Outside the lock: a stream takes its own lock and wakes the worker, and the audio thread must
  // never wait on either. Only this thread starts a stopped voice, so nothing changes meanwhile.
  if (restarted) restarted->prepare(0);
  std::lock_guard<std::mutex> lock(mutex_);
  if (restarted) voice->now.cursor = 0;
  voice->ended = false;
  voice->playing = true;
  voice->heard = false;
  voice->passesLeft = std::max(passes, 1) - 1;
}

void Mixer::renewPasses(Voice* voice, int32_t passes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (voice->playing) voice->passesLeft = std::max(passes, 1) - 1;
}

void Mixer::seek(Voice* voice, double seconds) {
  std::shared_ptr<const Sound> tail;
  std::shared_ptr<const Sound> moved;
  int64_t frames = 0;
  bool playing = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!voice->now.sound) return;
    const int64_t total = voice->now.sound->frames();
    frames =
        std::clamp<int64_t>(std::llround(seconds * kOutputRate), 0, std::max<int64_t>(total, 0));
    tail = voice->letGo(true);
    voice->heard = false;
    if (frames >= total) {
      voice->now.cursor = total;
      voice->playing = false;
      voice->ended = true;
      return;
    }
    voice->now.cursor = frames;
    voice->ended = false;
    // Held back from the audio thread until the stream is prepared at its new place, as in
    // `play`; what it was heard saying fades out as the tail meanwhile.
    playing = voice->playing;
    voice->playing = false;
    moved = voice->now.sound;
  }
  moved->prepare(frames);
  if (!playing) return;
  std::lock_guard<std::mutex> lock(mutex_);
  voice->playing = true;
}

void Mixer::gains(Voice* voice, float left, float right) {
  std::lock_guard<std::mutex> lock(mutex_);
  voice->targetLeft = left;
  voice->targetRight = right;
}

Mixer::Reading Mixer::reading(const Voice* voice) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Sound* sound = voice->now.sound.get();
  if (!sound) return {};
  const double duration = sound->seconds();
  if (voice->ended) return {duration, duration};
  // Only a finished file may read as its duration, however close a playing one has come.
  const double seconds = double(voice->now.cursor) / kOutputRate;
  return {seconds < duration ? seconds : std::nextafter(duration, 0.0), duration};
}

int64_t Mixer::framesRendered() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return framesRendered_;
}

int64_t Mixer::lateFrames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lateFrames_;
}

bool Mixer::decodedAhead(int frames) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& voice : voices_) {
    if (!voice->playing || !voice->now.sound) continue;
    const Sound& sound = *voice->now.sound;
    const int64_t left = sound.complete() ? sound.frames() - voice->now.cursor : frames;
    const int count = int(std::clamp<int64_t>(left, 0, frames));
    if (count > 0 && !sound.decoded(voice->now.cursor, count)) return false;
  }
  return true;
}

void Mixer::render(float* out, int frames) {
  std::fill(out, out + size_t(frames) * 2, 0.0f);
  std::lock_guard<std::mutex> lock(mutex_);
  for (int done = 0; done < frames; done += kChunk) {
    const int n = std::min(kChunk, frames - done);
    float* chunk = out + 2 * done;
    for (const auto& voice : voices_) {
      if (voice->tailLeft > 0) mixTail(*voice, chunk, n);
      if (voice->playing && voice->now.sound) mixVoice(*voice, chunk, n);
    }
  }
  // After the sum, so the hand-driven output hears exactly what the sound card gets.
  limiter_.process(out, frames);
  framesRendered_ += frames;
}

void Mixer::mixVoice(Voice& voice, float* out, int frames) {
  Run& run = voice.now;
  const Sound& sound = *run.sound;
  // A sound starting takes the gains written before its first frame, whenever they were written;
  // only changes while it sounds glide, across this chunk, so they never click.
  if (!voice.heard) {
    run.gainLeft = voice.targetLeft;
    run.gainRight = voice.targetRight;
    voice.heard = true;
  }
  const float stepLeft = (voice.targetLeft - run.gainLeft) / float(frames);
  const float stepRight = (voice.targetRight - run.gainRight) / float(frames);
  float* buffer = scratch_.data();
  int done = 0;
  while (done < frames && voice.playing) {
    // One look at a growing file's length per piece: the end is trusted only once the length is
    // final, and then it is exact.
    const bool complete = sound.complete();
    const int64_t total = sound.frames();
    const int64_t left = complete ? total - run.cursor : frames - done;
    const int count = int(std::clamp<int64_t>(left, 0, frames - done));
    if (count > 0) {
      const int got = count - sound.read(run.cursor, count, buffer);
      for (int i = 0; i < got; ++i) {
        const float step = float(done + i + 1);
        out[2 * (done + i)] += buffer[2 * i] * (run.gainLeft + stepLeft * step);
        out[2 * (done + i) + 1] += buffer[2 * i + 1] * (run.gainRight + stepRight * step);
      }
      run.cursor += got;
      done += got;
      // Frames not decoded yet are waited for, never skipped: the sound is heard whole, that
      // much later, and its position waits with it.
      if (got < count) {
        lateFrames_ += frames - done;
        break;
      }
    }
    if (complete && run.cursor >= total) {
      if (voice.passesLeft > 0) {
        --voice.passesLeft;
        run.cursor = 0;
      } else {
        // The end is exact: the player reports the position as the duration from here on.
        voice.playing = false;
        voice.ended = true;
        run.cursor = total;
      }
    }
  }
  run.gainLeft = voice.targetLeft;
  run.gainRight = voice.targetRight;
}

void Mixer::mixTail(Voice& voice, float* out, int frames) {
  Run& run = voice.tail;
  int count = std::min(frames, voice.tailLeft);
  const float* buffer = voice.fade.data() + 2 * (kFadeFrames - voice.tailLeft);
  if (run.sound) {
    count = int(std::min<int64_t>(count, run.sound->frames() - run.cursor));
    // What is not decoded yet is not waited for: the fade is over in 3 ms.
    if (count > 0) run.sound->read(run.cursor, count, scratch_.data());
    buffer = scratch_.data();
  }
  if (count > 0) {
    for (int i = 0; i < count; ++i) {
      const float fade = float(voice.tailLeft - i) / float(kFadeFrames);
      out[2 * i] += buffer[2 * i] * run.gainLeft * fade;
      out[2 * i + 1] += buffer[2 * i + 1] * run.gainRight * fade;
    }
    run.cursor += count;
  }
  // A sound that ends within its fade has nothing more to give.
  voice.tailLeft = count < std::min(frames, voice.tailLeft) ? 0 : voice.tailLeft - count;
}

}  // namespace korvanta
