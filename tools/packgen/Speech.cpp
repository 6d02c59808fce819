#include "Speech.h"

#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>
// flite's clustergen header has no C++ guard of its own.
extern "C" {
#include <flite/cst_cg.h>
}
#include <soxr.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace korvanta::pack {

extern "C" {
cst_voice* register_cmu_us_slt(const char* voxdir);
cst_voice* register_cmu_us_rms(const char* voxdir);
}

const char* engineName(Engine engine) {
  return engine == Engine::Flite ? "flite" : "espeak-ng";
}

SpeechVoice voiceOf(Speaker speaker, Language language) {
  const VoiceName name = voiceNameOf(speaker, language);
  SpeechVoice voice{std::string(name.name), name.engine};
  if (name.engine == Engine::Espeak) {
    if (speaker == Speaker::Gunman) {
      voice.rate = 150, voice.pitch = 32, voice.range = 60;
    } else {
      voice.rate = 185, voice.pitch = 48, voice.range = 55;
    }
  } else if (speaker == Speaker::Gunman) {
    // A man under siege, not a reader: a shade hurried, lower than rms's own 98 Hz, his pitch
    // moving as a man's does rather than as the accent model reads a sentence. A wider swing than
    // the voice's own 24 Hz blurred words to a recognizer; this keeps them as clear as plain rms.
    voice.stretch = 0.97, voice.pitchHz = 88.0, voice.pitchSpreadHz = 24.0;
  }
  return voice;
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
  Samples out(size_t(double(in.size()) * kRate / fromRate));
  size_t made = 0;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  if (soxr_oneshot(fromRate, kRate, 1, in.data(), in.size(), nullptr, out.data(), out.size(), &made,
                   &io, &quality, nullptr))
    return {};
  out.resize(made);
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

// flite's voices are linked into the generator; the pack names them as flite does.
struct FliteVoice {
  const char* name;
  cst_voice* (*load)(const char*);
};
constexpr FliteVoice kFliteVoices[] = {{"cmu_us_slt", register_cmu_us_slt},
                                       {"cmu_us_rms", register_cmu_us_rms}};

// A flite voice, loaded once. rms takes its intonation from an accent model that ignores the pitch
// controls; a copy of its data without that model takes its pitch from per-frame trees that heed
// them, and is used whenever a pitch is asked for.
struct LoadedVoice {
  cst_voice* voice = nullptr;
  const cst_cg_db* own = nullptr;
  cst_cg_db heedsPitch{};
};

LoadedVoice* fliteVoice(const std::string& name) {
  static const bool started = flite_init() == 0;
  static LoadedVoice loaded[std::size(kFliteVoices)];
  for (size_t i = 0; started && i < std::size(kFliteVoices); ++i) {
    if (name != kFliteVoices[i].name) continue;
    LoadedVoice& v = loaded[i];
    if (!v.voice) {
      v.voice = kFliteVoices[i].load(nullptr);
      v.own = val_cg_db(feat_val(v.voice->features, "cg_db"));
      v.heedsPitch = *v.own;
      v.heedsPitch.spamf0 = 0;
    }
    return &v;
  }
  return nullptr;
}

void setOrForget(cst_features* features, const char* name, double value, double plain) {
  if (value != plain)
    feat_set_float(features, name, float(value));
  else
    feat_remove(features, name);
}

// Speaks at the voice's own rate. flite's breath noise comes from the C library's rand(), so its
// seed is set afresh, with every control, for a line to depend on nothing said before it.
Samples speakFlite(const std::string& text, const SpeechVoice& speaker, int& rate) {
  LoadedVoice* loaded = fliteVoice(speaker.voice);
  if (!loaded) return {};
  cst_voice* voice = loaded->voice;
  const bool pitched = speaker.pitchHz > 0 || speaker.pitchSpreadHz > 0;
  feat_set(voice->features, "cg_db", cg_db_val(pitched ? &loaded->heedsPitch : loaded->own));
  setOrForget(voice->features, "duration_stretch", speaker.stretch, 1.0);
  setOrForget(voice->features, "int_f0_target_mean", speaker.pitchHz, 0.0);
  setOrForget(voice->features, "int_f0_target_stddev", speaker.pitchSpreadHz, 0.0);
  std::srand(1);
  cst_wave* wave = flite_text_to_wave(text.c_str(), voice);
  if (!wave) return {};
  Samples spoken(size_t(cst_wave_num_samples(wave)));
  for (size_t i = 0; i < spoken.size(); ++i) spoken[i] = float(wave->samples[i]) / 32768.0f;
  rate = cst_wave_sample_rate(wave);
  delete_wave(wave);
  return spoken;
}

}  // namespace

bool Speech::hasVoice(const SpeechVoice& voice) {
  if (voice.engine == Engine::Flite) return fliteVoice(voice.voice) != nullptr;
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
  Samples out;
  if (speaker.engine == Engine::Flite) {
    int rate = kRate;
    out = speakFlite(text, speaker, rate);
    out = resample(out, rate);
  } else {
    if (!start()) return {};
    out = resample(speakAlone(text, speaker), rate_);
  }
  // A text the engine cannot read gives silence, or nothing: no line at all.
  if (std::none_of(out.begin(), out.end(), [](float x) { return std::fabs(x) > 0.003f; }))
    return {};
  trimSilence(out, 0.003, 0.04);
  fadeEnds(out, 0.01, 0.03);
  return out;
}

}  // namespace korvanta::pack
