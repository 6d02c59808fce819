#include "SoundLines.h"

#include <cstdio>

#include "sound/Mixer.h"

namespace korvanta {

void sayNoSoundDevice(const std::string& why) {
  std::fprintf(stderr,
               "korvanta: no sound device (%s); playing silently and looking for one every "
               "second\n",
               why.c_str());
}

void saySoundDeviceGone(const std::string& why) {
  std::fprintf(stderr,
               "korvanta: the sound device is gone (%s); playing silently and looking for one "
               "every second\n",
               why.c_str());
}

void saySoundDeviceFound(const std::string& driver) {
  std::fprintf(stderr, "korvanta: found a sound device (%s); playing through it\n", driver.c_str());
}

void sayIfUnusual(const std::string& device, int rate, int channels) {
  std::string plays;
  if (rate != Mixer::kOutputRate)
    plays = std::to_string(rate) + " Hz, converted from the game's " +
            std::to_string(Mixer::kOutputRate) + " Hz";
  if (channels == 1)
    plays += (plays.empty() ? "" : ", and ") + std::string("mono: left and right sound the same");
  if (!plays.empty())
    std::fprintf(stderr, "korvanta: the sound device \"%s\" plays %s\n", device.c_str(),
                 plays.c_str());
}

}  // namespace korvanta
