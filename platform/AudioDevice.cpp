#include "AudioDevice.h"

#include "SoundLines.h"

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
      silence_(mixer, periodFrames, tap) {}

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

int AudioDevice::watchRemoval(void* self, SDL_Event* event) {
  auto* device = static_cast<AudioDevice*>(self);
  // Since SDL 2.24 a device that was never opened is reported gone as number 0, which is also
  // ours while we are between devices: only a number of our own is our device.
  if (event->type == SDL_AUDIODEVICEREMOVED && !event->adevice.iscapture &&
      event->adevice.which != 0 && event->adevice.which == device->device_)
    device->reopen();
  return 1;
}

bool AudioDevice::tryOpen() {
  if (!SDL_WasInit(SDL_INIT_AUDIO)) return false;
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
  // SDL converts whatever the device takes, so the game plays on.
  char* name = nullptr;
  SDL_AudioSpec spec{};
  if (SDL_GetDefaultAudioInfo(&name, &spec, 0) != 0) return;
  korvanta::sayIfUnusual(name, spec.freq, spec.channels);
  SDL_free(name);
}

void AudioDevice::closeDevice() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
}

void AudioDevice::open() {
  if (keeper_.joinable()) return;
#if KORVANTA_QUIET_ALSA
  snd_lib_error_set_handler(quietAlsa);
#endif
  // Here, on the game's thread, as SDL 2 wants; a driver that cannot start at all leaves the
  // game silent for the run, while a device that comes and goes is looked for again.
  if (!SDL_WasInit(SDL_INIT_AUDIO)) SDL_InitSubSystem(SDL_INIT_AUDIO);
  if (tryOpen())
    SDL_PauseAudioDevice(device_, 0);
  else
    sayNoSoundDevice(SDL_GetError());
  SDL_AddEventWatch(watchRemoval, this);
  stopping_ = false;
  lost_ = false;
  keeper_ = std::thread([this] { keep(); });
}

void AudioDevice::reopen() {
  {
    std::lock_guard lock(mutex_);
    lost_ = true;
  }
  wake_.notify_one();
}

void AudioDevice::close() {
  if (keeper_.joinable()) {
    SDL_DelEventWatch(watchRemoval, this);
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    keeper_.join();
  }
  closeDevice();
}

void AudioDevice::keep() {
  // Opening a device can wait on a device for a long while: it happens here, never on the
  // game's thread.
  std::unique_lock lock(mutex_);
  silence_.startFrom(Clock::now());
  Clock::time_point nextTry = Clock::now() + kRetryInterval;
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
      silence_.startFrom(Clock::now());
      const bool found = tryOpen();
      silence_.catchUp();
      if (found)
        SDL_PauseAudioDevice(device_, 0);
      else
        saySoundDeviceGone(SDL_GetError());
      nextTry = Clock::now() + kRetryInterval;
      lock.lock();
      continue;
    }
    lost_ = false;
    lock.unlock();
    if (Clock::now() >= nextTry) {
      const bool found = tryOpen();
      // So the device goes on from the very moment the silence reached.
      silence_.catchUp();
      if (found) {
        SDL_PauseAudioDevice(device_, 0);
        saySoundDeviceFound(driverName());
      }
      nextTry = Clock::now() + kRetryInterval;
    }
    Clock::time_point due = nextTry;
    if (device_ == 0) due = std::min(due, silence_.catchUp());
    lock.lock();
    if (device_ == 0) wake_.wait_until(lock, due, [this] { return stopping_; });
  }
  // SDL keeps each thread's error text, which it frees by itself only for threads of its own.
  SDL_TLSCleanup();
}

std::string AudioDevice::driverName() const {
  const char* driver = SDL_GetCurrentAudioDriver();
  return driver ? driver : "none";
}

}  // namespace korvanta
