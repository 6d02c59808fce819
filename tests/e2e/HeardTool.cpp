// Tells whether a pack's sound is in a recording, whole from its first syllable, for checks that
// drive a program this build cannot run itself (the Windows build under wine):
// e2e_heard RECORDING SOUND_FILE
// Exit status 0 when the sound is heard from its first syllable on, 3 when it is heard but its
// start is missing, 1 when it is not heard.
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
    // Found by what follows its first second, so a lost start still shows where the sound is.
    const int64_t body = std::min(audible + framesOf(1.0), sound.frames() / 2);
    const Heard heard = listenFor(recording, sound, 0, recording.frames(), framesOf(1.0), body);
    // The same bar the journey sets for a sound that dominates the mix, once what it was found
    // by has been recorded whole.
    const bool found =
        recording.plausible && heard.score > 0.7 && heard.gain() > 0.0 &&
        heard.onset + std::min(body + framesOf(1.0), sound.frames()) <= recording.frames();
    // The first 0.1 s from the first syllable on, within 50 ms of where the rest puts it: an
    // underrun on a busy machine may shift what follows, or leave a hole of a few tens of ms,
    // which keeps the score above the bar; a start lost by 50 ms or more does not.
    const Heard head = listenFor(recording, sound, heard.onset + audible - framesOf(0.05),
                                 heard.onset + audible + framesOf(0.05), framesOf(0.1), audible);
    const bool whole = found && head.score > 0.9;
    // How much is missing: the first 20 ms stretch from the first syllable on that sounds at
    // half its gain or more.
    int64_t from = audible;
    while (found && !whole && from < audible + framesOf(1.0) &&
           gainWithin(recording, sound, heard.onset, heard.onset + from,
                      heard.onset + from + framesOf(0.02)) < heard.gain() / 2)
      from += framesOf(0.01);
    if (!found)
      std::printf("%s: not heard (best score %.2f) in %.2f s of recording\n", argv[2], heard.score,
                  recording.seconds());
    else if (whole)
      std::printf(
          "%s: heard at %.2f s (score %.2f), from its first syllable (score %.2f), in %.2f "
          "s of recording\n",
          argv[2], heard.onsetSeconds(), heard.score, head.score, recording.seconds());
    else
      std::printf(
          "%s: heard at %.2f s (score %.2f), its first %.2f s missing, in %.2f s of "
          "recording\n",
          argv[2], heard.onsetSeconds(), heard.score, double(from - audible) / kRate,
          recording.seconds());
    return !found ? 1 : whole ? 0 : 3;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "e2e_heard: %s\n", error.what());
    return 2;
  }
}
