// The default sound pack as a player receives it: every file the game loads, each decoding to the
// length it was made with, at levels fit for its role.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "sound/Mp3Decoder.h"
#include "tests/support/FixturePack.h"
#include "tools/packgen/PackList.h"
#include "tools/packgen/PackWriter.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;
using namespace pack;

// The decoded audio of a pack file as floats, or a failure naming the decoder's reason.
Samples decoded(const fs::path& file, int64_t* frames = nullptr) {
  const DecodeResult result = decodeMp3(file);
  if (const auto* why = std::get_if<std::string>(&result)) {
    ADD_FAILURE() << file << ": " << *why;
    return {};
  }
  const Pcm& pcm = *std::get<std::shared_ptr<const Pcm>>(result);
  EXPECT_EQ(pcm.rate(), kRate) << file;
  EXPECT_EQ(pcm.channels(), 1) << file;
  Samples s(size_t(pcm.frames()));
  for (int64_t i = 0; i < pcm.frames(); ++i) s[size_t(i)] = float(pcm.frame(i)[0]) / 32768.0f;
  if (frames) *frames = pcm.frames();
  return s;
}

bool startsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

TEST(DefaultPack, HoldsEveryFileTheGameLoadsEachPlayableToTheLengthItWasMadeWith) {
  const fs::path folder = test::freshFolder("default-pack");
  const std::vector<FileReport> reports = writePack(folder);

  // Exactly the 51 names the game and the menu ask for, spelled as they ask, nothing else.
  std::set<std::string> written;
  for (const auto& entry : fs::directory_iterator(folder)) written.insert(entry.path().filename());
  const std::set<std::string> wanted(test::packFileNames().begin(), test::packFileNames().end());
  EXPECT_EQ(written, wanted);
  ASSERT_EQ(reports.size(), 51u);

  uintmax_t bytes = 0;
  std::map<std::string, Level> heard;
  std::map<std::string, double> lengths;
  for (const FileReport& r : reports) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.error, "");
    int64_t frames = -1;
    const Samples s = decoded(folder / r.name, &frames);
    // The game's end-of-sound tests depend on this exactness: no padding, no lost tail.
    EXPECT_EQ(frames, r.frames);
    const Level level = measure(s);
    EXPECT_LT(level.peakDb, -0.3) << "clipping after decoding";
    heard[r.name] = level;
    bytes += fs::file_size(folder / r.name);

    const double seconds = double(frames) / kRate;
    lengths[r.name] = seconds;
    const Span span = allowedSeconds(r.name);
    EXPECT_GE(seconds, span.shortest);
    EXPECT_LE(seconds, span.longest);
  }
  EXPECT_LT(bytes, 6u * 1000 * 1000);

  // The limits each role must keep, stated once more in the player's terms.
  for (const auto& [name, seconds] : lengths) {
    SCOPED_TRACE(name);
    if (startsWith(name, "i")) {
      EXPECT_GE(seconds, 0.8);
      EXPECT_LE(seconds, 2.5);
    } else if (startsWith(name, "A")) {
      EXPECT_GE(seconds, 20.0);
      EXPECT_LE(seconds, 40.0);
    } else if (startsWith(name, "msc")) {
      EXPECT_GE(seconds, 14.0);
    } else if (name == "m.mp3") {
      EXPECT_LT(seconds, 0.3);
    } else if (name == "muerte.mp3") {
      EXPECT_LT(seconds, 1.0);
    } else if (startsWith(name, "f") && name != "fin.mp3") {
      EXPECT_NEAR(seconds, 1.0, 0.2);
    }
  }

  // Speech, the sight, the guns, the arrows and the cries are heard at comparable loudness,
  // and the ambience stays well under them so that far cries can rise above it.
  for (const auto& [name, level] : heard) {
    SCOPED_TRACE(name);
    if (startsWith(name, "A")) {
      EXPECT_LT(level.loudnessDb, heard["m.mp3"].loudnessDb - 8.0);
    } else {
      EXPECT_NEAR(level.loudnessDb, heard["ex1.mp3"].loudnessDb, 4.0);
    }
  }
}

TEST(DefaultPack, TwoRunsGiveIdenticalBytesWhateverIsMadeAlongside) {
  // One file of every kind, made in two runs that differ in order and company: a file must
  // depend on nothing but its name.
  const std::vector<std::string> sample = {"i7.mp3",   "ex3.mp3", "no salgo.mp3", "A4.MP3",
                                           "msc2.mp3", "d4.mp3",  "f3.mp3",       "m.mp3"};
  std::vector<std::string> other(sample.rbegin(), sample.rend());
  other.insert(other.begin(), {"fin.mp3", "i8.mp3"});

  const fs::path first = test::freshFolder("pack-first"), second = test::freshFolder("pack-second");
  writePack(first, sample);
  writePack(second, other);
  const auto bytesOf = [](const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
  };
  for (const std::string& name : sample) {
    SCOPED_TRACE(name);
    const std::vector<char> a = bytesOf(first / name);
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == bytesOf(second / name));
  }
}

TEST(DefaultPack, AttackersCanBeToldApartByEar) {
  // Each cry is summed up by what an ear goes by: its length, its pitch (zero crossings of the
  // low band), its brightness and its rhythm (how many times it swells). No two voices may match
  // on all of them.
  struct Print {
    std::string name;
    double seconds, crossings, brightness;
    int swells;
  };
  Speech speech;
  std::vector<Print> prints;
  for (const PackSound& s : packSounds()) {
    if (s.role != Role::Cry) continue;
    const Samples cry = makeSound(s, speech);
    Biquad low = Biquad::lowpass(700);
    int crossings = 0, swells = 0;
    float last = 0;
    double energy = 0, change = 0;
    for (size_t i = 0; i < cry.size(); ++i) {
      const float x = low(cry[i]);
      if ((x > 0) != (last > 0)) ++crossings;
      last = x;
      energy += double(cry[i]) * cry[i];
      if (i > 0) change += std::pow(double(cry[i]) - cry[i - 1], 2);
    }
    // Swells: the 20 ms loudness rising through half its peak.
    std::vector<double> blocks;
    for (size_t at = 0; at + 441 <= cry.size(); at += 441) {
      double p = 0;
      for (size_t i = at; i < at + 441; ++i) p += double(cry[i]) * cry[i];
      blocks.push_back(p);
    }
    const double peak = *std::max_element(blocks.begin(), blocks.end());
    for (size_t b = 1; b < blocks.size(); ++b)
      if (blocks[b] >= 0.25 * peak && blocks[b - 1] < 0.25 * peak) ++swells;
    const double seconds = double(cry.size()) / kRate;
    prints.push_back({s.name, seconds, crossings / seconds, std::sqrt(change / energy), swells});
  }
  ASSERT_EQ(prints.size(), 14u);
  const auto apart = [](double a, double b) { return std::fabs(a - b) > 0.12 * std::max(a, b); };
  for (size_t a = 0; a < prints.size(); ++a)
    for (size_t b = a + 1; b < prints.size(); ++b) {
      const Print &p = prints[a], &q = prints[b];
      EXPECT_TRUE(p.swells != q.swells || apart(p.seconds, q.seconds) ||
                  apart(p.crossings, q.crossings) || apart(p.brightness, q.brightness))
          << p.name << " and " << q.name << " sound alike";
    }
}

}  // namespace
}  // namespace korvanta
