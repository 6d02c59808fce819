// Whether a pack's sound is in a recording, whole from its first syllable, for checks of a
// program this build cannot run itself (the Windows build under wine):
// e2e_heard RECORDING SOUND_FILE
// Exit status 0 when heard from its first syllable on, 3 when heard with its start missing, 1
// when not heard.
#include <algorithm>
#include <cmath>
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
    int64_t audible = 0;
    while (audible < sound.frames() && std::fabs(sound.samples[audible]) < 0.01f) ++audible;
    // Found by what follows its first second, so a lost start still shows where the sound is,
    // with the journey's bar for a sound that dominates the mix, once that has been recorded.
    const int64_t body = std::min(audible + framesOf(1.0), sound.frames() / 2);
    const Heard heard = listenFor(recording, sound, 0, recording.frames(), framesOf(1.0), body);
    const bool found =
        recording.plausible && heard.score > 0.7 && heard.gain() > 0.0 &&
        heard.onset + std::min(body + framesOf(1.0), sound.frames()) <= recording.frames();
    // Its first 0.1 s within 50 ms of where the rest puts it: an underrun on a busy machine may
    // shift what follows or leave a hole of a few tens of ms; a start lost by 50 ms does not.
    const Heard head = listenFor(recording, sound, heard.onset + audible - framesOf(0.05),
                                 heard.onset + audible + framesOf(0.05), framesOf(0.1), audible);
    const bool whole = found && head.score > 0.9;
    // What is missing: up to the first 20 ms that sound at half its gain or more.
    int64_t from = audible;
    while (found && !whole && from < audible + framesOf(1.0) &&
           gainWithin(recording, sound, heard.onset, heard.onset + from,
                      heard.onset + from + framesOf(0.02)) < heard.gain() / 2)
      from += framesOf(0.01);
    if (!found)
      std::printf("%s: not heard (best score %.2f)", argv[2], heard.score);
    else if (whole)
      std::printf("%s: heard at %.2f s (score %.2f), from its first syllable (score %.2f)", argv[2],
                  heard.onsetSeconds(), heard.score, head.score);
    else
      std::printf("%s: heard at %.2f s (score %.2f), its first %.2f s missing", argv[2],
                  heard.onsetSeconds(), heard.score, double(from - audible) / kRate);
    std::printf("%s in %.2f s of recording\n", found ? "," : "", recording.seconds());
    return !found ? 1 : whole ? 0 : 3;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "e2e_heard: %s\n", error.what());
    return 2;
  }
}
