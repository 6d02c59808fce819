// The sound player component: holds one file and plays it at a volume and a stereo place.
#pragma once

#include <cstdint>
#include <string>

#include "SoundEngine.h"

namespace korvanta {

// The stereo place law, in one place: the near channel stays at full level and the far one is
// lowered by this many decibels, 1.8 dB for each step of 500 (18 dB at 5000, 32.4 dB at 9000),
// so that every one of the 21 places of the grid is heard apart from its neighbours.
double farChannelAttenuationDb(int32_t balance);

// The settings a window gives its player whenever the window loads.
struct PlayerDesign {
  // Starts a newly loaded file by itself.
  bool autostart = false;
  // Hundredths of a decibel, 0 full.
  int32_t volume = -600;
  // Times one `play` plays the file in a row.
  int32_t playCount = 1;
};

class Player {
 public:
  Player(SoundEngine& engine, PlayerDesign design);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // The window loads: design settings, no file, centred.
  void create();
  // The window unloads: the sound stops and the file is dropped.
  void destroy();

  // Loads a file at position 0, keeping volume, balance and play count; autostart plays it.
  void file(const std::string& path);
  // Exactly the string last written.
  const std::string& file() const { return file_; }

  // Starts the loaded file from its position, for `playCount` passes.
  void play();

  // Hundredths of a dB: the sound is scaled by 10^(volume/2000). Reads back what was written.
  void volume(int32_t hundredthsOfDb);
  int32_t volume() const { return volume_; }

  // -10000 to 10000: the far channel is lowered by `farChannelAttenuationDb`, the near one stays
  // full. Takes effect at once, even on a sound loaded a moment ago and not yet heard.
  void balance(int32_t place);
  int32_t balance() const { return balance_; }

  // Length of the loaded file in seconds; 0 without a file.
  double duration() const;

  // Seconds into the current pass; exactly `duration()` once every pass has played.
  double position() const;
  // `position()` equals `duration()`, both read at one instant: the end test of every rule.
  bool playedOut() const;
  // Position and duration at one instant, for a tick that tests one sound several ways: each
  // reading takes the lock under which the audio thread mixes.
  Mixer::Reading reading() const;
  // Moves within the file; 0 rewinds. A finished file moved this way waits for `play`.
  void position(double seconds);

  // Passes for the next `play` (or autostart); a file already sounding plays this many in all,
  // the pass under way counting as the first.
  void playCount(int32_t passes);

 private:
  void applyGains();

  SoundEngine& engine_;
  const PlayerDesign design_;
  Mixer::Voice* voice_;
  std::string file_;
  int32_t volume_ = 0;
  int32_t balance_ = 0;
  int32_t playCount_ = 1;
};

}  // namespace korvanta
