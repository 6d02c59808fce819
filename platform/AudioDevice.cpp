#include "AudioDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#if KORVANTA_QUIET_ALSA
#include <alsa/asoundlib.h>
#endif

namespace korvanta {

namespace {

using Clock = std::chrono::steady_clock;

#if KORVANTA_QUIET_ALSA
// ALSA prints eight lines of its own for each failed open of a card that is not there; tried
// every second they would flood the terminal, where our one line says it all.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

}  // namespace

AudioDevice::AudioDevice(Mixer& mixer, int periodFrames, AudioTap* tap)
    : mixer_(mixer),
      period_(periodFrames),
      tap_(tap),
      granted_(periodFrames),
      silence_(size_t(periodFrames) * 2) {}

AudioDevice::~AudioDevice() {
  close();
}

void AudioDevice::callback(void* self, Uint8* stream, int bytes) {
  auto* device = static_cast<AudioDevice*>(self);
  float* out = reinterpret_cast<float*>(stream);
  const int frames = bytes / int(2 * sizeof(float));
  device->mixer_.render(out, frames);
  if (device->tap_) device->tap_->rendered(out, frames);
}

bool AudioDevice::tryOpen(bool fresh) {
#if KORVANTA_QUIET_ALSA
  snd_lib_error_set_handler(quietAlsa);
#endif
  while (fresh && SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = Mixer::kOutputRate;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = 2;
  wanted.samples = Uint16(period_);
  wanted.callback = callback;
  wanted.userdata = this;
  // No changes allowed: SDL converts for the card, so the mixer always renders 48 kHz stereo.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained_, 0);
  if (device == 0) return false;
  sayIfUnusual();
  granted_ = obtained_.samples;
  ++timesOpened_;
  device_ = device;
  return true;
}

void AudioDevice::sayIfUnusual() {
  // SDL converts whatever the device takes, so the game plays on; but a player who hears no
  // left and right should know why.
  char* name = nullptr;
  SDL_AudioSpec spec{};
  if (SDL_GetDefaultAudioInfo(&name, &spec, 0) != 0) return;
  std::string plays;
  if (spec.freq != Mixer::kOutputRate)
    plays = std::to_string(spec.freq) + " Hz, converted from the game's " +
            std::to_string(Mixer::kOutputRate) + " Hz";
  if (spec.channels == 1)
    plays += (plays.empty() ? "" : ", and ") + std::string("mono: left and right sound the same");
  if (!plays.empty())
    std::fprintf(stderr, "korvanta: the sound device \"%s\" plays %s\n", name, plays.c_str());
  SDL_free(name);
}

void AudioDevice::closeDevice() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
}

void AudioDevice::open() {
  if (keeper_.joinable()) return;
  if (tryOpen(false))
    SDL_PauseAudioDevice(device_, 0);
  else
    std::fprintf(stderr,
                 "korvanta: no sound device (%s); playing silently and looking for one every "
                 "second\n",
                 SDL_GetError());
  stopping_ = false;
  lost_ = false;
  keeper_ = std::thread([this] { keep(); });
}

void AudioDevice::reopen() {
  if (!keeper_.joinable()) return open();
  {
    std::lock_guard lock(mutex_);
    lost_ = true;
  }
  wake_.notify_one();
}

void AudioDevice::close() {
  if (keeper_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    keeper_.join();
  }
  closeDevice();
}

void AudioDevice::renderSilently(Clock::time_point& due) {
  const auto period =
      std::chrono::nanoseconds(int64_t(period_) * 1'000'000'000 / Mixer::kOutputRate);
  const Clock::time_point now = Clock::now();
  // After a stall as long as a suspended machine's, time starts again rather than racing.
  if (now - due > std::chrono::seconds(2)) due = now;
  for (; due <= now; due += period) {
    mixer_.render(silence_.data(), period_);
    if (tap_) tap_->rendered(silence_.data(), period_);
  }
}

void AudioDevice::keep() {
  // Opening a device can wait on a sound server for a long while: it happens here, never on the
  // game's thread, which only asks.
  std::unique_lock lock(mutex_);
  Clock::time_point due = Clock::now();
  Clock::time_point nextTry = due + kRetryInterval;
  while (!stopping_) {
    if (device_ != 0) {
      wake_.wait(lock, [this] { return stopping_ || lost_; });
      if (stopping_) break;
      lost_ = false;
      lock.unlock();
      // The lost device's own thread goes on pulling the mixer until it is closed, and the
      // silent time starts then, so no moment is missed or counted twice; what fell due while
      // trying is rendered before any new device starts.
      closeDevice();
      due = Clock::now();
      const bool found = tryOpen(true);
      renderSilently(due);
      if (found)
        SDL_PauseAudioDevice(device_, 0);
      else
        std::fprintf(stderr,
                     "korvanta: the sound device is gone (%s); playing silently and looking for "
                     "one every second\n",
                     SDL_GetError());
      nextTry = Clock::now() + kRetryInterval;
      lock.lock();
      continue;
    }
    lost_ = false;
    lock.unlock();
    if (Clock::now() >= nextTry) {
      const bool found = tryOpen(true);
      // So the device goes on from the very moment the silence reached.
      renderSilently(due);
      if (found) {
        SDL_PauseAudioDevice(device_, 0);
        std::fprintf(stderr, "korvanta: found a sound device (%s); playing through it\n",
                     driverName().c_str());
      }
      nextTry = Clock::now() + kRetryInterval;
    }
    if (device_ == 0) renderSilently(due);
    lock.lock();
    if (device_ == 0) wake_.wait_until(lock, std::min(due, nextTry), [this] { return stopping_; });
  }
  // SDL keeps each thread's error text, which it frees by itself only for threads of its own.
  SDL_TLSCleanup();
}

std::string AudioDevice::driverName() {
  const char* driver = SDL_GetCurrentAudioDriver();
  return driver ? driver : "none";
}

}  // namespace korvanta
