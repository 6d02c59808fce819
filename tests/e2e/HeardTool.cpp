// Tells whether a pack's sound is in a recording, for checks that drive a program this build
// cannot run itself (the Windows build under wine): e2e_heard RECORDING SOUND_FILE
// Exit status 0 when the sound's first 0.3 s is heard anywhere in the recording, 1 when not.
#include <cstdio>
#include <exception>

#include "tests/support/Listening.h"

int main(int argc, char** argv) {
  using namespace korvanta::e2e;
  if (argc != 3) {
    std::fprintf(stderr, "usage: e2e_heard RECORDING SOUND_FILE\n");
    return 2;
  }
  try {
    const Recording recording = Recording::read(argv[1]);
    const Reference sound = Reference::load(argv[2]);
    const Heard heard = listenFor(recording, sound, 0, recording.frames(), framesOf(0.3));
    // The same bar the journey sets for a sound that dominates the mix.
    const bool found = recording.plausible && heard.score > 0.7;
    std::printf("%s: %s at %.2f s (score %.2f) in %.2f s of recording\n", argv[2],
                found ? "heard" : "not heard", heard.onsetSeconds(), heard.score,
                recording.seconds());
    return found ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "e2e_heard: %s\n", error.what());
    return 2;
  }
}
