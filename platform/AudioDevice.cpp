#include "AudioDevice.h"

#include <SDL.h>

#include <cstdio>

namespace korvanta {

AudioDevice::AudioDevice(Mixer& mixer, int periodFrames, AudioTap* tap)
    : mixer_(mixer), period_(periodFrames), tap_(tap) {}

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

bool AudioDevice::tryOpen() {
  if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = Mixer::kOutputRate;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = 2;
  wanted.samples = Uint16(period_);
  wanted.callback = callback;
  wanted.userdata = this;
  // No changes allowed: SDL converts for the card, so the mixer always renders 48 kHz stereo.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained_, 0);
  if (device_ == 0) return false;
  ++timesOpened_;
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void AudioDevice::open() {
  if (tryOpen()) return;
  std::fprintf(stderr, "korvanta: no sound device (%s); playing silently\n", SDL_GetError());
  // SDL's dummy driver still pulls the mixer in real time, so sounds end when they should.
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  silent_ = true;
  if (!tryOpen())
    std::fprintf(stderr, "korvanta: even the silent output failed: %s\n", SDL_GetError());
}

void AudioDevice::reopen() {
  close();
  if (tryOpen()) return;
  open();
}

std::string AudioDevice::driverName() {
  const char* driver = SDL_GetCurrentAudioDriver();
  return driver ? driver : "none";
}

void AudioDevice::close() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
}

}  // namespace korvanta
