// Listens to what the program played: finds the pack's own sounds in a stereo recording of its
// output, with where each started, how loud it was and from which side it came.
#pragma once

#include <complex>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace korvanta::e2e {

// The program's output rate: frames per second of every recording.
inline constexpr int kRate = 48000;

// In-place radix-2 Fourier transform; the size must be a power of two.
void fourier(std::vector<std::complex<double>>& values, bool inverse = false);

// Seconds as a count of output frames.
inline int64_t framesOf(double seconds) {
  return int64_t(seconds * kRate);
}

// Root mean square of interleaved stereo: of one channel (0 left, 1 right), or of both.
double rms(const std::vector<float>& interleaved, int channel = -1);

// One file of the pack as the mixer plays it at full volume: mono, resampled to the output rate.
struct Reference {
  // Decodes the file with the game's own decoder; throws std::runtime_error if it cannot.
  static Reference load(const std::filesystem::path& file);

  std::vector<float> samples;
  int64_t frames() const { return int64_t(samples.size()); }
};

// What SDL's disk driver or `parec` wrote: interleaved float32 stereo frames at the output rate.
struct Recording {
  // Reads the whole file as it stands (a frame cut short by a write in progress is left out).
  static Recording read(const std::filesystem::path& file);

  std::vector<float> left, right;
  // Half the sum of both channels: what correlation listens to, whatever the balance.
  std::vector<float> mono;
  // Every sample a finite number, none beyond full scale by more than a mixing overshoot.
  bool plausible = true;
  float loudest = 0.0f;

  int64_t frames() const { return int64_t(mono.size()); }
  double seconds() const { return double(mono.size()) / kRate; }
};

// Holes a late output leaves: runs of exact digital silence in both channels, at least
// `minFrames` and shorter than `maxFrames`, cut into sound that is above -60 dBFS on both sides.
// A pause of the mix itself, between words or notes, fades out before it falls silent.
int holes(const Recording& recording, int64_t minFrames = framesOf(0.002),
          int64_t maxFrames = framesOf(0.2));

// Whole frames in the recording file right now (it grows while the program plays).
int64_t framesOnDisk(const std::filesystem::path& file);

// A sound found in a recording.
struct Heard {
  // Recording frame at which the sound's first frame plays.
  int64_t onset = -1;
  // Normalized correlation of the match, 0 to 1: near 1 when the sound dominates the mix.
  double score = 0.0;
  // Least-squares gain of the sound in each channel (1 is the file at full volume).
  double gainLeft = 0.0;
  double gainRight = 0.0;

  double gain() const { return (gainLeft + gainRight) / 2; }
  // The stereo place those gains mean in the sound player's balance units; negative is left.
  double balance() const;
  double onsetSeconds() const { return double(onset) / kRate; }
};

// Looks for the stretch [refFrom, refFrom + refFrames) of `ref` starting anywhere in recording
// frames [from, to]; the result's onset is where the reference's frame 0 falls.
Heard listenFor(const Recording& recording, const Reference& ref, int64_t from, int64_t to,
                int64_t refFrames, int64_t refFrom = 0);

// The gain (mono mix) of `ref`, sounding from `onset`, over recording frames [from, to).
double gainWithin(const Recording& recording, const Reference& ref, int64_t onset, int64_t from,
                  int64_t to);

}  // namespace korvanta::e2e
