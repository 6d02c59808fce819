#include "Speech.h"

#include <espeak-ng/speak_lib.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>

namespace korvanta::pack {

SpeechVoice voiceOf(Speaker speaker, Language language) {
  if (language == Language::Spanish)
    return speaker == Speaker::Gunman ? SpeechVoice{"es+m3", 150, 32, 60}
                                      : SpeechVoice{"es+f3", 185, 48, 55};
  return speaker == Speaker::Gunman ? SpeechVoice{"en-us+m3", 150, 32, 60}
                                    : SpeechVoice{"en-gb-x-rp+f3", 175, 48, 55};
}

namespace {

Samples* collecting = nullptr;

int collect(short* wav, int count, espeak_EVENT*) {
  if (collecting && wav)
    for (int i = 0; i < count; ++i) collecting->push_back(float(wav[i]) / 32768.0f);
  return 0;
}

Samples resample(const Samples& in, int fromRate) {
  if (fromRate == kRate || in.empty()) return in;
  const double ratio = double(fromRate) / kRate;
  Samples out(size_t(double(in.size()) / ratio));
  for (size_t i = 0; i < out.size(); ++i) {
    const double at = double(i) * ratio;
    const size_t j = size_t(at);
    const double f = at - double(j);
    const float next = j + 1 < in.size() ? in[j + 1] : in[j];
    out[i] = float(in[j] * (1.0 - f) + next * f);
  }
  return out;
}

}  // namespace

bool Speech::start() {
  // espeak-ng hangs when started again after espeak_Terminate, so it is started once per process
  // and left running until the process ends.
  static const int rate = [] {
    const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 500, nullptr, 0);
    if (r <= 0) {
      std::cerr << "korvanta-pack: espeak-ng did not start; spoken files will be empty\n";
      return -1;
    }
    espeak_SetSynthCallback(collect);
    return r;
  }();
  rate_ = rate;
  return rate_ > 0;
}

namespace {

Samples speakHere(const std::string& text, const SpeechVoice& speaker) {
  Samples spoken;
  if (espeak_SetVoiceByName(speaker.voice.c_str()) != EE_OK) {
    std::cerr << "korvanta-pack: espeak-ng has no voice \"" << speaker.voice << "\"\n";
    return spoken;
  }
  espeak_SetParameter(espeakRATE, speaker.rate, 0);
  espeak_SetParameter(espeakPITCH, speaker.pitch, 0);
  espeak_SetParameter(espeakRANGE, speaker.range, 0);
  collecting = &spoken;
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
               nullptr);
  espeak_Synchronize();
  collecting = nullptr;
  return spoken;
}

// espeak-ng carries state (voice tremor phases and the like) from one utterance into the next,
// so the same line would come out differently depending on what was said before. Each line is
// therefore spoken in a child process that starts from the engine exactly as initialized.
Samples speakAlone(const std::string& text, const SpeechVoice& speaker) {
  int channel[2];
  if (pipe(channel) != 0) return speakHere(text, speaker);
  const pid_t child = fork();
  if (child < 0) {
    close(channel[0]);
    close(channel[1]);
    return speakHere(text, speaker);
  }
  if (child == 0) {
    close(channel[0]);
    const Samples spoken = speakHere(text, speaker);
    const char* bytes = reinterpret_cast<const char*>(spoken.data());
    size_t left = spoken.size() * sizeof(float);
    while (left > 0) {
      const ssize_t n = write(channel[1], bytes, left);
      if (n <= 0) _exit(1);
      bytes += n;
      left -= size_t(n);
    }
    _exit(0);
  }
  close(channel[1]);
  std::vector<char> bytes;
  char buffer[65536];
  for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  Samples spoken(bytes.size() / sizeof(float));
  std::copy_n(reinterpret_cast<const float*>(bytes.data()), spoken.size(), spoken.data());
  return spoken;
}

}  // namespace

bool Speech::hasVoice(const SpeechVoice& voice) {
  if (!start()) return false;
  // Looked up in espeak-ng's list rather than selected, so that the engine each line starts from
  // stays the same. A variant ("+m3") never fails on its own: the language decides.
  const std::string language = voice.voice.substr(0, voice.voice.find('+'));
  for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v)
    // Each voice lists its languages as a priority byte, then the name, then a terminating zero.
    for (const char* entry = (*v)->languages; entry && *entry; entry += std::strlen(entry + 1) + 2)
      if (language == entry + 1) return true;
  return false;
}

Samples Speech::say(const std::string& text, const SpeechVoice& speaker) {
  if (!start()) return {};
  Samples out = resample(speakAlone(text, speaker), rate_);
  trimSilence(out, 0.003, 0.04);
  fadeEnds(out, 0.01, 0.03);
  return out;
}

}  // namespace korvanta::pack
