#include "FixturePack.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <ranges>
#include <span>
#include <stdexcept>

#include "pack/Manifest.h"
#include "tools/mp3/Mp3Writer.h"

namespace korvanta::test {

namespace fs = std::filesystem;

const std::vector<std::string>& packFileNames() {
  const auto spelled = pack::manifest() | std::views::transform(&pack::PackEntry::name);
  static const std::vector<std::string> names(spelled.begin(), spelled.end());
  return names;
}

std::string soundPath(const fs::path& folder, const std::string& name) {
  return folder.string() + "\\" + name;
}

void writeTone(const fs::path& file, double seconds, const Tone& tone) {
  std::vector<float> samples(size_t(std::lround(seconds * tone.rate)));
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = tone.level *
                 float(std::sin(2.0 * std::numbers::pi * tone.frequency * double(i) / tone.rate));
  const std::string error =
      writeMp3(file, samples, {.rate = tone.rate, .vbrQuality = tone.vbrQuality});
  if (!error.empty()) throw std::runtime_error("tone " + file.string() + ": " + error);
}

void writeTone(const fs::path& file, double seconds, double frequency) {
  writeTone(file, seconds, Tone{.frequency = frequency});
}

void writeLongTone(const fs::path& file, double seconds) {
  writeTone(file, seconds, Tone{.rate = 8000, .vbrQuality = 9});
}

void copyOver(const fs::path& from, const fs::path& to) {
  fs::remove(to);
  fs::copy_file(from, to);
}

fs::path freshFolder(const std::string& label) {
  static std::atomic<int> counter{0};
  fs::path folder =
      fs::temp_directory_path() /
      ("korvanta-" + label + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

std::string fileText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double fixtureSeconds(const std::string& name) {
  using enum pack::Role;
  static const std::map<pack::Role, double> byRole = {
      {Ambience, 3.0}, {Music, 13.0}, {Cue, 0.1},   {Click, 0.2}, {Gun, 0.3},   {Death, 0.4},
      {Hit, 0.5},      {Jingle, 0.5}, {Arrow, 0.8}, {Cry, 1.0},   {Speech, 1.0}};
  return byRole.at(pack::findEntry(name)->role);
}

void writeFixturePack(const fs::path& folder, const std::map<std::string, double>& seconds) {
  // Short files keep the tests quick; each file's tone is its own, 20 Hz above the one before.
  const std::span<const pack::PackEntry> entries = pack::manifest();
  const auto write = [&](const fs::path& dir, size_t n, double length) {
    writeTone(dir / entries[n].name, length, 220.0 + 20.0 * double(n));
  };
  // Encoding 51 files takes a moment; tests make many packs, so keep one master per process.
  static const fs::path master = [&] {
    fs::path dir = freshFolder("master-pack");
    for (size_t n = 0; n < entries.size(); ++n)
      write(dir, n, fixtureSeconds(std::string(entries[n].name)));
    return dir;
  }();
  fs::create_directories(folder);
  for (size_t n = 0; n < entries.size(); ++n) {
    const auto override = seconds.find(std::string(entries[n].name));
    if (override != seconds.end())
      write(folder, n, override->second);
    else
      copyOver(master / entries[n].name, folder / entries[n].name);
  }
}

}  // namespace korvanta::test
