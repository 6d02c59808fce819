// Where the mixer's sound goes: the interface a sound card implements, and a hand-driven clock
// for tests and tools.
#pragma once

#include <string>
#include <vector>

#include "Mixer.h"

namespace korvanta {

// Where the program's sound goes: something that pulls the mixer once per period.
class AudioOutput {
 public:
  // Frames per period unless told otherwise: short, so a key is heard within about 10 ms.
  static constexpr int kDefaultPeriod = 512;

  virtual ~AudioOutput() = default;
  // Starts pulling the mixer; without a device, keeps time silently instead.
  virtual void open() = 0;
  // Stops pulling the mixer; no render call runs after this returns.
  virtual void close() = 0;
  // Frames rendered per period.
  virtual int periodFrames() const = 0;
  // The way the sound goes out, as the terminal names it ("pulseaudio", "dummy").
  virtual std::string driverName() const = 0;
};

// Drives the mixer by hand, "advance N frames", so tests hear exactly what was played.
class ManualOutput : public AudioOutput {
 public:
  explicit ManualOutput(Mixer& mixer) : mixer_(mixer) {}

  // Nothing to open or close: time moves only when a test says so.
  void open() override {}
  void close() override {}
  int periodFrames() const override { return kDefaultPeriod; }
  std::string driverName() const override { return "by hand"; }

  // Renders `frames` output frames and keeps them as the last block.
  void advance(int frames);
  // Advances by output periods of at most `kDefaultPeriod` frames, as the device would.
  void advanceSeconds(double seconds);

  // Interleaved stereo of the last `advance`.
  const std::vector<float>& lastBlock() const { return block_; }

  // Hand-driven time runs far faster than the decoder, which keeps well ahead of real time; so
  // that a test hears what a player hears, each `advance` first waits (up to some seconds) until
  // every playing voice's next frames are decoded. A test of a decoder that falls behind turns
  // this off.
  void keepPaceWithDecoding(bool keep) { keepPace_ = keep; }

 private:
  Mixer& mixer_;
  std::vector<float> block_;
  bool keepPace_ = true;
};

}  // namespace korvanta
