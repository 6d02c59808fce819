// The one line the player is told at each change in the way the sound goes out; both outputs say
// them in the same words, which the end-to-end tests read.
#pragma once

#include <string>

namespace korvanta {

void sayNoSoundDevice(const std::string& why);
void saySoundDeviceGone(const std::string& why);
void saySoundDeviceFound(const std::string& driver);
// Only when the device does not play the game's 48 kHz stereo: a player who hears no left and
// right should know why.
void sayIfUnusual(const std::string& device, int rate, int channels);

}  // namespace korvanta
