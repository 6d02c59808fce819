#include "Music.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Instruments.h"

namespace korvanta::pack {

namespace {

// A melody note: start and length in beats, MIDI pitch.
struct Note {
  double beat, beats;
  int midi;
};

void playFlute(Samples& out, const std::vector<Note>& line, double beat, double gain, Rng& rng) {
  for (const Note& n : line)
    mixInto(out, flute(noteHz(n.midi), n.beats * beat * 0.95, rng), n.beat * beat, gain);
}

Samples ballad(Rng& rng) {
  const double beat = 60.0 / 92.0;
  // Am F C G F E Am: each chord as bass, fifth, octave, third, fifth above.
  static const std::vector<std::vector<int>> chords = {
      {45, 52, 57, 60, 64}, {41, 48, 53, 57, 60}, {48, 55, 60, 64, 67}, {43, 50, 55, 59, 62},
      {41, 48, 53, 57, 60}, {40, 47, 52, 56, 59}, {45, 52, 57, 60, 64}};
  static constexpr int pattern[8] = {0, 1, 2, 3, 4, 3, 2, 1};
  Samples out;
  for (size_t bar = 0; bar < chords.size(); ++bar) {
    const bool last = bar + 1 == chords.size();
    for (int step = 0; step < (last ? 1 : 8); ++step) {
      const double at = (double(bar) * 4 + step * 0.5) * beat;
      if (last) {
        // The closing chord is strummed, low string to high.
        for (int s = 0; s < 5; ++s)
          mixInto(out, pluck(noteHz(chords[bar][s]), 3.0, 0.5, rng), at + s * 0.03, 0.3);
      } else {
        const int midi = chords[bar][pattern[step]];
        mixInto(out, pluck(noteHz(midi), 1.6, 0.45 + 0.1 * rng.uniform(), rng), at,
                step == 0 ? 0.45 : 0.3);
      }
    }
  }
  playFlute(out,
            {{8, 2, 76},
             {10, 1, 74},
             {11, 1, 72},
             {12, 3, 71},
             {15, 1, 67},
             {16, 2, 69},
             {18, 2, 72},
             {20, 2, 71},
             {22, 2, 68},
             {24, 3.5, 69}},
            beat, 0.3, rng);
  addSpace(out, rng, 0.2, 0.5);
  fadeEnds(out, 0.0, 0.8);
  return out;
}

Samples drums(Rng& rng) {
  const double beat = 60.0 / 116.0;
  const int bars = 8;
  Samples out;
  for (int bar = 0; bar < bars; ++bar) {
    const double start = bar * 4 * beat;
    for (double b : {0.0, 1.5, 2.0}) mixInto(out, drum(70, 0.5, 0.3, rng), start + b * beat, 0.7);
    for (double b : {1.0, 3.0}) mixInto(out, drum(180, 0.25, 0.5, rng), start + b * beat, 0.45);
    if (bar % 2 == 1) mixInto(out, drum(180, 0.2, 0.5, rng), start + 3.5 * beat, 0.3);
    for (int e = 0; e < 8; ++e)
      mixInto(out, shaker(0.12, e % 2 ? 0.5 : 1.0, rng), start + e * 0.5 * beat, 0.25);
  }
  // A low drone of the home note under the flute.
  Samples drone(size_t(framesOf(bars * 4 * beat)));
  for (size_t i = 0; i < drone.size(); ++i) {
    const double t = double(i) / kRate;
    drone[i] =
        float(0.1 * std::min(1.0, t / 2.0) *
              (std::sin(2 * kPi * noteHz(38) * t) + 0.5 * std::sin(2 * kPi * noteHz(45) * t)));
  }
  fadeEnds(drone, 0.0, 1.0);
  mixInto(out, drone, 0.0);
  // D minor pentatonic call and answer.
  playFlute(out, {{4, 1, 69},     {5, 1, 69},  {6, 1, 72},  {7, 1, 74},    {8, 1.5, 74},
                  {9.5, 0.5, 72}, {10, 1, 69}, {11, 1, 67}, {12, 4, 69},   {16, 1, 74},
                  {17, 1, 74},    {18, 1, 77}, {19, 1, 79}, {20, 1.5, 81}, {21.5, 0.5, 79},
                  {22, 1, 77},    {23, 1, 74}, {24, 2, 72}, {26, 2, 69},   {28, 4, 74}},
            beat, 0.35, rng);
  mixInto(out, drum(70, 1.0, 0.3, rng), bars * 4 * beat, 0.8);
  addSpace(out, rng, 0.2, 0.5);
  fadeEnds(out, 0.0, 0.6);
  return out;
}

Samples gallop(Rng& rng) {
  const double beat = 60.0 / 140.0;
  // G G C G D D G C-D, then a last G.
  static const std::vector<std::vector<int>> chords = {
      {55, 59, 62, 67}, {55, 59, 62, 67}, {60, 64, 67, 72}, {55, 59, 62, 67},
      {62, 66, 69, 74}, {62, 66, 69, 74}, {55, 59, 62, 67}, {60, 64, 67, 72}};
  static constexpr int roll[8] = {0, 1, 3, 0, 2, 3, 0, 3};
  Samples out;
  for (size_t bar = 0; bar < chords.size(); ++bar) {
    const double start = double(bar) * 4 * beat;
    const auto& chord = bar == 7 ? std::vector<int>{62, 66, 69, 74} : chords[bar];
    for (int e = 0; e < 8; ++e) {
      const auto& c = (bar == 7 && e < 4) ? chords[7] : chord;
      mixInto(out, pluck(noteHz(c[roll[e]] + 12), 0.6, 0.9, rng), start + e * 0.5 * beat, 0.28);
    }
    // Boom-chick bass: root, then fifth.
    mixInto(out, pluck(noteHz(chords[bar][0] - 12), 0.9, 0.3, rng), start, 0.5);
    mixInto(out, pluck(noteHz(chord[2] - 24), 0.9, 0.3, rng), start + 2 * beat, 0.45);
    // Hooves: da-da-DUM on every beat.
    for (int b = 0; b < 4; ++b) {
      mixInto(out, knock(900, 0.015, rng), start + (b + 0.0) * beat, 0.18);
      mixInto(out, knock(750, 0.015, rng), start + (b + 0.25) * beat, 0.14);
      mixInto(out, knock(600, 0.02, rng), start + (b + 0.5) * beat, 0.22);
    }
  }
  playFlute(out,
            {{16, 1, 79},
             {17, 1, 81},
             {18, 1, 83},
             {19, 1, 79},
             {20, 2, 81},
             {22, 2, 78},
             {24, 1, 79},
             {25, 1, 83},
             {26, 1, 86},
             {27, 1, 83},
             {28, 2, 84},
             {30, 2, 81}},
            beat, 0.22, rng);
  const double end = 8 * 4 * beat;
  for (int midi : {43, 55, 59, 62, 67, 71})
    mixInto(out, pluck(noteHz(midi), 2.0, 0.8, rng), end, 0.3);
  addSpace(out, rng, 0.15, 0.4);
  fadeEnds(out, 0.0, 0.6);
  return out;
}

}  // namespace

Samples music(Piece piece, Rng& rng) {
  switch (piece) {
    case Piece::Ballad:
      return ballad(rng);
    case Piece::WarDrums:
      return drums(rng);
    case Piece::Gallop:
      return gallop(rng);
  }
  return {};
}

}  // namespace korvanta::pack
