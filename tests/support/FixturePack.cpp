#include "FixturePack.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "tools/mp3/Mp3Writer.h"

namespace korvanta::test {

namespace fs = std::filesystem;

const std::vector<std::string>& packFileNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int i = 1; i <= 6; ++i) n.push_back("A" + std::to_string(i) + ".MP3");
    n.push_back("m.mp3");
    for (int i = 1; i <= 4; ++i) n.push_back("d" + std::to_string(i) + ".mp3");
    for (const char* s : {"c.mp3", "g.mp3", "g1.mp3", "g2.mp3"}) n.push_back(s);
    for (int i = 1; i <= 15; ++i)
      if (i != 14) n.push_back("i" + std::to_string(i) + ".mp3");
    for (int i = 1; i <= 4; ++i) n.push_back("f" + std::to_string(i) + ".mp3");
    for (const char* s : {"muerte.mp3", "exito.mp3", "exito1.mp3", "fin.mp3", "no salgo.mp3"})
      n.push_back(s);
    for (int i = 1; i <= 10; ++i) n.push_back("ex" + std::to_string(i) + ".mp3");
    for (const char* s : {"msc.mp3", "msc1.mp3", "msc2.mp3"}) n.push_back(s);
    return n;
  }();
  return names;
}

double fixtureSeconds(const std::string& name) {
  const auto starts = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
  if (starts("A")) return 3.0;
  if (starts("msc")) return 13.0;
  if (name == "m.mp3") return 0.1;
  if (name == "c.mp3" || name == "g.mp3") return 0.2;
  if (starts("d")) return 0.3;
  if (name == "muerte.mp3") return 0.4;
  if (name == "g1.mp3" || name == "g2.mp3" || name == "exito.mp3") return 0.5;
  if (starts("f")) return 0.8;
  return 1.0;  // voices, speech and menu items
}

void writeTone(const fs::path& file, double seconds, double frequency) {
  const int rate = 22050;
  std::vector<float> samples(size_t(std::lround(seconds * rate)));
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = 0.3f * float(std::sin(2.0 * std::numbers::pi * frequency * double(i) / rate));
  const std::string error = writeMp3(file, samples, {.rate = rate});
  if (!error.empty()) throw std::runtime_error("fixture " + file.string() + ": " + error);
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

void writeFixturePack(const fs::path& folder, const std::map<std::string, double>& seconds) {
  // Encoding 51 files takes a moment; tests make many packs, so keep one master per process.
  static const fs::path master = [] {
    fs::path dir = freshFolder("master-pack");
    int n = 0;
    for (const std::string& name : packFileNames())
      writeTone(dir / name, fixtureSeconds(name), 220.0 + 20.0 * n++);
    return dir;
  }();
  fs::create_directories(folder);
  int n = 0;
  for (const std::string& name : packFileNames()) {
    const auto override = seconds.find(name);
    if (override != seconds.end())
      writeTone(folder / name, override->second, 220.0 + 20.0 * n);
    else
      copyOver(master / name, folder / name);
    ++n;
  }
}

}  // namespace korvanta::test
