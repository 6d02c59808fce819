// The sound card through SDL (Windows, ALSA without a sound server, and the tests' drivers): pulls
// the mixer's output, or keeps time silently without one and looks for one again every second.
// SDL's audio is started once, on the game's thread; the keeper thread only opens and closes
// devices, which SDL allows from any thread.
#pragma once

#include <SDL_audio.h>
#include <SDL_events.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SilentClock.h"
#include "sound/AudioTap.h"
#include "sound/Mixer.h"
#include "sound/Output.h"

namespace korvanta {

class AudioDevice : public AudioOutput {
 public:
  // How long a silent output waits between two looks for the default device.
  static constexpr std::chrono::milliseconds kRetryInterval{1000};

  // `tap`, if any, sees every period rendered (measuring tools only).
  AudioDevice(Mixer& mixer, int periodFrames = kDefaultPeriod, AudioTap* tap = nullptr);
  ~AudioDevice() override;

  // Opens the default device; without one, says so once and keeps time silently until one can
  // be opened.
  void open() override;
  // Hands the lost device to the keeper thread, which replaces it; returns at once. SDL's own
  // report of the device's removal does this by itself.
  void reopen();
  void close() override;

  // The SDL id of the open device, to recognise its removal event; 0 while silent.
  SDL_AudioDeviceID id() const { return device_; }
  // Frames per period the device actually granted (asked for, while silent).
  int periodFrames() const override { return granted_; }
  // The name of SDL's audio driver in use, "none" before one is open.
  std::string driverName() const override;
  // Devices opened so far: the first, then one after each loss or silence.
  int timesOpened() const { return timesOpened_; }
  // Whether no device plays the mixer now and the keeper keeps its time.
  bool silent() const { return device_ == 0; }

 private:
  static void callback(void* self, Uint8* stream, int bytes);
  // Sees SDL's report that the open device went, on whatever thread reports it.
  static int watchRemoval(void* self, SDL_Event* event);
  // Opens the default device paused.
  bool tryOpen();
  // One line when the default device does not play 48 kHz stereo.
  static void sayIfUnusual();
  void closeDevice();
  // The keeper thread: replaces a lost device, and while there is none renders in real time and
  // tries the default device every `kRetryInterval`.
  void keep();

  Mixer& mixer_;
  int period_;
  AudioTap* tap_;
  SDL_AudioSpec obtained_{};
  std::atomic<SDL_AudioDeviceID> device_ = 0;
  std::atomic<int> granted_;
  std::atomic<int> timesOpened_ = 0;
  SilentClock silence_;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool lost_ = false;
  bool stopping_ = false;
  std::thread keeper_;
};

}  // namespace korvanta
