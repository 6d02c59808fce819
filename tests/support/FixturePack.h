// A complete sound pack of plain tones, and single tone files, made by our own encoder for the
// tests and benchmarks that play them.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace korvanta::test {

// The 51 file names the game and the menu load.
const std::vector<std::string>& packFileNames();

// A sound path as the windows and players write it: the folder, a backslash, the file's name.
std::string soundPath(const std::filesystem::path& folder, const std::string& name);

// The length in seconds each fixture file is given (before any override).
double fixtureSeconds(const std::string& name);

// Writes the whole pack into `folder` (created if needed), each file shorter than the real pack's
// but in the same order of lengths; `seconds` overrides chosen lengths.
void writeFixturePack(const std::filesystem::path& folder,
                      const std::map<std::string, double>& seconds = {});

// A sine tone as an MP3 file: mono, with the Info tag that announces the exact length.
struct Tone {
  double frequency = 440.0;
  int rate = 22050;
  float level = 0.3f;
  // The encoder's variable bit rate quality, 0 (best) to 9 (smallest).
  int vbrQuality = 4;
};
// Writes one tone file of `seconds`; throws if it cannot be written.
void writeTone(const std::filesystem::path& file, double seconds, const Tone& tone);
void writeTone(const std::filesystem::path& file, double seconds, double frequency = 440.0);
// For the tests of long sounds: a low rate keeps ten minutes quick to make.
void writeLongTone(const std::filesystem::path& file, double seconds);

// Copies `from` over `to`, which may exist (the Windows C++ library cannot overwrite in place).
void copyOver(const std::filesystem::path& from, const std::filesystem::path& to);

// A fresh empty folder under the system's temporary folder, unique to this process and call.
std::filesystem::path freshFolder(const std::string& label);

// The whole content of a file, byte for byte; empty if it cannot be read.
std::string fileText(const std::filesystem::path& file);

}  // namespace korvanta::test
