// Spoken lines through libflite or libespeak-ng, synthesized into memory at the pack's rate.
#pragma once

#include <string>

#include "Dsp.h"
#include "pack/Manifest.h"

namespace korvanta::pack {

// How a speaker sounds: a voice by its engine's name ("cmu_us_rms", or espeak-ng's "es+m3" with
// its variant), with the engine's own controls of pace and pitch. The defaults are the plain voice.
struct SpeechVoice {
  std::string voice;
  Engine engine = Engine::Espeak;
  // espeak-ng: words per minute.
  int rate = 160;
  // espeak-ng: 0 to 100, 50 being the voice's own.
  int pitch = 50;
  // espeak-ng: pitch movement, 0 (monotone) to 100.
  int range = 50;
  // flite: length of every sound against the voice's own, below 1 quicker.
  double stretch = 1.0;
  // flite: mean and spread of the pitch in Hz; 0 keeps the voice's own.
  double pitchHz = 0.0, pitchSpreadHz = 0.0;
};

// The engine's name as a player knows it: "flite" or "espeak-ng".
const char* engineName(Engine engine);

// The voice a speaker of the pack has in a language: the gunman keeps one voice for every line
// he says, the menu's guide another.
SpeechVoice voiceOf(Speaker speaker, Language language);

// Speaks through flite or espeak-ng, each started at the first line it speaks in the process.
// Both are global engines: speak from one thread only.
class Speech {
 public:
  // Speaks `text` and returns it with silence trimmed, resampled to the pack's rate if needed.
  // Empty if the engine cannot start (no voice data) or the text gives no sound.
  Samples say(const std::string& text, const SpeechVoice& voice);
  // Whether the engine starts and knows the voice, asked before anything is written.
  bool hasVoice(const SpeechVoice& voice);

 private:
  bool start();
  // espeak-ng's own rate; 0 before it starts, -1 if it could not.
  int rate_ = 0;
};

}  // namespace korvanta::pack
