// The sound card, through SDL: pulls the mixer's output, or keeps time silently without one.
#pragma once

#include <SDL_audio.h>

#include <string>

#include "sound/AudioTap.h"
#include "sound/Mixer.h"
#include "sound/Output.h"

namespace korvanta {

class AudioDevice : public AudioOutput {
 public:
  // Frames per output period: short, so a key is heard within about 10 ms.
  static constexpr int kDefaultPeriod = 512;

  // `tap`, if any, sees every period rendered (measuring tools only).
  AudioDevice(Mixer& mixer, int periodFrames = kDefaultPeriod, AudioTap* tap = nullptr);
  ~AudioDevice() override;

  // Opens the default device; without one, says so once and runs a silent output instead.
  void open() override;
  void reopen() override;
  void close() override;

  // The SDL id of the open device, to recognise its removal event.
  SDL_AudioDeviceID id() const { return device_; }
  // Frames per period the device actually granted.
  int periodFrames() const override { return obtained_.samples; }
  // The name of SDL's audio driver in use, "none" before one is open.
  static std::string driverName();
  // Devices opened so far: the first, then one after each loss.
  int timesOpened() const { return timesOpened_; }

 private:
  static void callback(void* self, Uint8* stream, int bytes);
  bool tryOpen();

  Mixer& mixer_;
  int period_;
  AudioTap* tap_;
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec obtained_{};
  bool silent_ = false;
  int timesOpened_ = 0;
};

}  // namespace korvanta
