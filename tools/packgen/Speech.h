// Spoken lines through libespeak-ng, synthesized into memory at the pack's rate.
#pragma once

#include <string>

#include "Dsp.h"
#include "pack/Manifest.h"

namespace korvanta::pack {

// How a speaker sounds: an espeak-ng voice name with its variant ("en-us+m3"), speed and pitch.
struct SpeechVoice {
  std::string voice;
  // Words per minute.
  int rate = 160;
  // 0 to 100, 50 being the voice's own.
  int pitch = 50;
  // Pitch movement, 0 (monotone) to 100.
  int range = 50;
};

// The voice a speaker of the pack has in a language: the gunman keeps one voice for every line
// he says, the menu's guide another.
SpeechVoice voiceOf(Speaker speaker, Language language);

// Speaks through the espeak-ng engine, started at the first line spoken in the process.
// espeak-ng is one global engine: speak from one thread only.
class Speech {
 public:
  // Speaks `text` and returns it with silence trimmed, resampled to the pack's rate if needed.
  // Empty if espeak-ng cannot start (no voice data).
  Samples say(const std::string& text, const SpeechVoice& voice);
  // Whether espeak-ng starts and knows the voice, asked before anything is written.
  bool hasVoice(const SpeechVoice& voice);

 private:
  bool start();
  // espeak-ng's own rate; 0 before it starts, -1 if it could not.
  int rate_ = 0;
};

}  // namespace korvanta::pack
