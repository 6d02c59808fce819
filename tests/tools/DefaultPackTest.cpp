// The default sound pack as a player receives it: every file the game loads, each decoding to the
// length it was made with, at levels fit for its role.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <ranges>
#include <set>
#include <span>

#include "program/Keys.h"
#include "sound/Mp3Decoder.h"
#include "tests/support/FixturePack.h"
#include "tools/packgen/PackCheck.h"
#include "tools/packgen/PackWriter.h"
#include "tools/packgen/Recipes.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;
using namespace pack;

// The decoded audio of a pack file as floats, or a failure naming the decoder's reason.
Samples decoded(const fs::path& file) {
  const DecodeResult result = decodeMp3(file);
  if (const auto* why = std::get_if<std::string>(&result)) {
    ADD_FAILURE() << file << ": " << *why;
    return {};
  }
  const Pcm& pcm = *std::get<std::shared_ptr<const Pcm>>(result);
  EXPECT_EQ(pcm.rate(), kRate) << file;
  EXPECT_EQ(pcm.channels(), 1) << file;
  return firstChannel(pcm);
}

// Powers of the 20 ms blocks of a sound.
std::vector<double> blockPowers(const Samples& s) {
  std::vector<double> blocks;
  for (size_t at = 0; at + 441 <= s.size(); at += 441) {
    double p = 0;
    for (size_t i = at; i < at + 441; ++i) p += double(s[i]) * s[i];
    blocks.push_back(p / 441);
  }
  return blocks;
}

// Pitches (in semitones above 55 Hz) of the voiced 40 ms frames, sorted, by autocorrelation: the
// first lag whose correlation comes near the best one, so that an octave below is never taken.
std::vector<double> pitches(const Samples& s) {
  const std::vector<double> blocks = blockPowers(s);
  const double floor = 0.01 * *std::max_element(blocks.begin(), blocks.end());
  const size_t frame = 882, shortest = kRate / 900, longest = kRate / 65;
  std::vector<double> found;
  for (size_t at = 0; at + frame + longest < s.size(); at += 441) {
    std::vector<double> r(longest + 2, 0.0);
    for (size_t lag = 0; lag <= longest; lag = lag ? lag + 1 : shortest)
      for (size_t i = at; i < at + frame; ++i) r[lag] += double(s[i]) * s[i + lag];
    const double best = *std::max_element(r.begin() + 1, r.end());
    // Quiet frames, and breath or noise, have no pitch.
    if (blocks[at / 441] < floor || best < 0.4 * r[0]) continue;
    size_t lag = shortest;
    while (r[lag] < 0.85 * best || r[lag] < r[lag - 1] || r[lag] < r[lag + 1]) ++lag;
    found.push_back(12.0 * std::log2(double(kRate) / double(lag) / 55.0));
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string textOf(const fs::path& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double percentile(const std::vector<double>& sorted, double p) {
  return sorted.empty() ? 0.0 : sorted[size_t(p * double(sorted.size() - 1))];
}

// What each <tag> of an HTML text holds, in order.
std::vector<std::string> tagged(const std::string& text, const std::string& tag) {
  std::vector<std::string> found;
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1))
    found.push_back(text.substr(at + open.size(), text.find(close, at) - at - open.size()));
  return found;
}

TEST(DefaultPack, HoldsEveryFileTheGameLoadsEachPlayableToTheLengthItWasMadeWith) {
  const fs::path folder = test::freshFolder("default-pack");
  const std::vector<FileReport> reports = writePack(folder);

  // Exactly the 51 names the game and the menu ask for, spelled as they ask, and the language.
  std::set<std::string> written;
  for (const auto& entry : fs::directory_iterator(folder)) written.insert(entry.path().filename());
  std::set<std::string> wanted(test::packFileNames().begin(), test::packFileNames().end());
  wanted.insert(kLanguageFile);
  EXPECT_EQ(written, wanted);
  EXPECT_EQ(textOf(folder / kLanguageFile), "en\n");
  ASSERT_EQ(reports.size(), 51u);

  uintmax_t bytes = 0;
  std::map<std::string, Level> heard;
  std::map<std::string, double> lengths;
  for (const FileReport& r : reports) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.error, "");
    const Samples s = decoded(folder / r.name);
    const int64_t frames = int64_t(s.size());
    // The game's end-of-sound tests depend on this exactness: no padding, no lost tail.
    EXPECT_EQ(frames, r.frames);
    const Level level = measure(s);
    EXPECT_LT(level.peakDb, -0.3) << "clipping after decoding";
    heard[r.name] = level;
    bytes += fs::file_size(folder / r.name);

    const double seconds = double(frames) / kRate;
    lengths[r.name] = seconds;
    const Seconds span = findEntry(r.name)->seconds;
    EXPECT_GE(seconds, span.shortest);
    EXPECT_LE(seconds, span.longest);
  }
  EXPECT_LT(bytes, 6u * 1000 * 1000);
  EXPECT_TRUE(checkPack(folder).empty());

  // The Spanish pack differs only in what is said: its spoken files, with the rest alongside,
  // pass the same check of lengths and levels.
  const fs::path spanish = test::freshFolder("spanish-pack");
  std::vector<std::string> spoken;
  for (const PackEntry& entry : manifest())
    if (entry.role == Role::Speech)
      spoken.emplace_back(entry.name);
    else
      fs::copy_file(folder / entry.name, spanish / entry.name);
  for (const FileReport& r : writePack(spanish, spoken, Language::Spanish)) {
    EXPECT_EQ(r.error, "") << r.name;
    EXPECT_NE(fs::file_size(spanish / r.name), fs::file_size(folder / r.name)) << r.name;
  }
  for (const CheckProblem& p : checkPack(spanish)) ADD_FAILURE() << p.name << ": " << p.reason;
  EXPECT_EQ(textOf(spanish / kLanguageFile), "es\n");

  // The limits each role must keep, stated once more in the player's terms.
  for (const auto& [name, seconds] : lengths) {
    SCOPED_TRACE(name);
    if (name.starts_with("i")) {
      EXPECT_GE(seconds, 1.0);
      EXPECT_LE(seconds, 2.5);
    } else if (name.starts_with("A")) {
      EXPECT_GE(seconds, 20.0);
      EXPECT_LE(seconds, 40.0);
    } else if (name.starts_with("msc")) {
      EXPECT_GE(seconds, 14.0);
    } else if (name.starts_with("ex")) {
      EXPECT_LE(seconds, name == "exito.mp3" ? 3.0 : 15.5);
    } else if (name == "m.mp3") {
      EXPECT_LT(seconds, 0.3);
    } else if (name == "muerte.mp3") {
      EXPECT_LT(seconds, 1.0);
    } else if (name.starts_with("f") && name != "fin.mp3") {
      EXPECT_NEAR(seconds, 1.0, 0.2);
    }
  }

  // Speech, the sight, the guns, the arrows and the cries are heard at comparable loudness,
  // and the ambience stays well under them so that far cries can rise above it.
  for (const auto& [name, level] : heard) {
    SCOPED_TRACE(name);
    if (name.starts_with("A")) {
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

TEST(DefaultPack, AttackersCanBeToldApartByEarAndHitWhileTheyCry) {
  // Each cry is summed up by what an ear goes by: the pitch of the voice, how far that pitch
  // moves, its brightness, and its rhythm (how many times it swells). Every two voices must
  // differ clearly in at least two of them.
  struct Print {
    std::string name;
    double pitch, range, brightness;
    int swells;
  };
  Speech speech;
  std::vector<Print> prints;
  for (const PackEntry& entry : manifest()) {
    if (entry.role != Role::Cry) continue;
    SCOPED_TRACE(entry.name);
    const Samples cry = makeSound(entry, Language::English, speech);
    // A shot can hit only while the cry lasts: it must be heard for most of that time.
    EXPECT_GE(measure(cry).heardSeconds, 1.0);
    double energy = 0, change = 0;
    for (size_t i = 1; i < cry.size(); ++i) {
      energy += double(cry[i]) * cry[i];
      change += std::pow(double(cry[i]) - cry[i - 1], 2);
    }
    // Swells: the 20 ms loudness rising through a quarter of its peak.
    const std::vector<double> blocks = blockPowers(cry);
    const double peak = *std::max_element(blocks.begin(), blocks.end());
    int swells = 0;
    for (size_t b = 1; b < blocks.size(); ++b)
      if (blocks[b] >= 0.25 * peak && blocks[b - 1] < 0.25 * peak) ++swells;
    const std::vector<double> heard = pitches(cry);
    ASSERT_GT(heard.size(), 10u) << "a cry is voiced";
    prints.push_back({std::string(entry.name), percentile(heard, 0.5),
                      percentile(heard, 0.9) - percentile(heard, 0.1), std::sqrt(change / energy),
                      swells});
  }
  ASSERT_EQ(prints.size(), 14u);
  for (size_t a = 0; a < prints.size(); ++a)
    for (size_t b = a + 1; b < prints.size(); ++b) {
      const Print &p = prints[a], &q = prints[b];
      // A minor third in pitch or four semitones in range are heard at once; so is a quarter
      // more brightness.
      const int differences =
          (std::fabs(p.pitch - q.pitch) >= 3.0) + (std::fabs(p.range - q.range) >= 4.0) +
          (std::fabs(p.brightness - q.brightness) >= 0.25 * std::max(p.brightness, q.brightness)) +
          (p.swells != q.swells);
      EXPECT_GE(differences, 2) << p.name << " and " << q.name << " sound alike: pitch " << p.pitch
                                << "/" << q.pitch << ", range " << p.range << "/" << q.range
                                << ", brightness " << p.brightness << "/" << q.brightness
                                << ", swells " << p.swells << "/" << q.swells;
    }
}

TEST(DefaultPack, TheGunmanSpeaksHisOwnLinesAndTheGuideTeachesInEveryLanguage) {
  // What the game's gunman says is in a man's voice, well below the menu guide's in every lesson,
  // and each speaker is the voice the manifest names: nearer in pitch to that voice, plainly
  // spoken, than to the other speaker's.
  const std::set<std::string> gunman = {"exito1.mp3", "fin.mp3", "no salgo.mp3"};
  Speech speech;
  // The first three seconds tell a voice.
  const auto pitchOf = [](Samples said) {
    said.resize(std::min(said.size(), size_t(3 * kRate)));
    return percentile(pitches(said), 0.5);
  };
  for (const Language language : {Language::English, Language::Spanish}) {
    std::map<bool, std::vector<double>> voices;
    for (const PackEntry& entry : manifest())
      if (entry.role == Role::Speech) {
        EXPECT_FALSE(entry.text(language).empty()) << entry.name;
        const double pitch = pitchOf(makeSound(entry, language, speech));
        voices[gunman.count(std::string(entry.name)) > 0].push_back(pitch);
        const auto plain = [&](Speaker speaker) {
          const VoiceName v = voiceNameOf(speaker, language);
          return pitchOf(
              speech.say(std::string(entry.text(language)), {std::string(v.name), v.engine}));
        };
        const Speaker other = entry.speaker == Speaker::Gunman ? Speaker::Guide : Speaker::Gunman;
        EXPECT_LT(std::fabs(pitch - plain(entry.speaker)), std::fabs(pitch - plain(other)))
            << entry.name;
      }
    ASSERT_EQ(voices[true].size(), 3u);
    ASSERT_EQ(voices[false].size(), 10u);
    EXPECT_GT(std::ranges::min(voices[false]) - std::ranges::max(voices[true]), 4.0);
  }
}

TEST(DefaultPack, TheManifestHoldsExactlyTheFilesTheGameTheMenuAndTheManualName) {
  std::set<std::string> listed;
  for (const PackEntry& entry : manifest()) listed.emplace(entry.name);
  ASSERT_EQ(listed.size(), 51u);

  // Every sound the game and the menu load, as their sources spell it ("\\m.mp3", "g1.mp3").
  std::set<std::string> loaded;
  for (const char* folder : {"game", "menu"})
    for (const auto& file : fs::directory_iterator(fs::path(KORVANTA_SOURCE_DIR) / folder)) {
      const std::string text = textOf(file.path());
      std::string lower = text;
      std::ranges::transform(lower, lower.begin(), [](char c) { return char(std::tolower(c)); });
      for (size_t at = lower.find(".mp3\""); at != std::string::npos;
           at = lower.find(".mp3\"", at + 1)) {
        const size_t open = text.rfind('"', at) + 1;
        std::string name = text.substr(open, at + 4 - open);
        name.erase(0, name.find_first_not_of('\\'));
        loaded.insert(name);
        EXPECT_NE(findEntry(name), nullptr) << name << " in " << file.path();
      }
    }
  EXPECT_EQ(loaded, listed) << "a file of the pack that nothing loads";

  // The manual's table of the pack's files, its ranges ("i1.mp3 to i13.mp3") filled in.
  const std::string manual = textOf(fs::path(KORVANTA_SOURCE_DIR) / "docs/index.html");
  const size_t from = manual.find("The 51 files of a sound pack");
  ASSERT_NE(from, std::string::npos);
  const std::string table = manual.substr(from, manual.find("</table>", from) - from);
  std::set<std::string> inManual;
  for (size_t at = table.find("<code>"); at != std::string::npos;
       at = table.find("<code>", at + 1)) {
    const size_t end = table.find("</code>", at);
    const std::string name = table.substr(at + 6, end - at - 6);
    inManual.insert(name);
    if (table.compare(end + 7, 10, " to <code>") != 0) continue;
    const std::string last = table.substr(end + 17, table.find("</code>", end + 17) - end - 17);
    const size_t digits = name.find_first_of("0123456789");
    for (int n = std::stoi(name.substr(digits)); n <= std::stoi(last.substr(digits)); ++n)
      inManual.insert(name.substr(0, digits) + std::to_string(n) + name.substr(name.find('.')));
  }
  EXPECT_EQ(inManual, listed);

  // The Spanish manual's table names the same files, and it names the same keys in their Spanish.
  const std::string spanish = textOf(fs::path(KORVANTA_SOURCE_DIR) / "docs/index.es.html");
  const size_t at = spanish.find("<table>", spanish.find("id=\"sounds\""));
  EXPECT_EQ(tagged(spanish.substr(at, spanish.find("</table>", at) - at), "code"),
            tagged(table, "code"));
  std::vector<std::string> keys = tagged(spanish, "kbd");
  const std::map<std::string, std::string> english = {
      {"Arriba", "Up"},   {"Abajo", "Down"},       {"Izquierda", "Left"}, {"Derecha", "Right"},
      {"Intro", "Enter"}, {"Mayúsculas", "Shift"}, {"Espacio", "Space"},  {"Control", "Ctrl"}};
  for (std::string& key : keys)
    if (english.count(key)) key = english.at(key);
  EXPECT_EQ(keys, tagged(manual, "kbd"));
  EXPECT_EQ(keys.size(), 16u);
}

TEST(Manual, TheReadmeTheManPageAndTheManualListTheKeysTheHelpPrints) {
  const fs::path source(KORVANTA_SOURCE_DIR);
  std::vector<std::string> keys;
  for (const auto table :
       {std::span<const KeyUse>(kMenuKeys), std::span<const KeyUse>(kGameKeys)}) {
    // The table as the README and the man page write it, with no row more after it.
    std::string readme = "| Key | What it does |\n|---|---|\n", man;
    for (const KeyUse& use : table) {
      readme += "| " + std::string(use.keys) + " | " + std::string(use.does) + " |\n";
      man += ".TP\n.B ";
      for (const auto key : std::views::split(use.keys, std::string_view(", ")))
        man +=
            (man.ends_with(".B ") ? "" : "\\fR, \\fP") + keys.emplace_back(key.begin(), key.end());
      man += "\n" + std::string(use.does) + "\n";
    }
    EXPECT_NE(textOf(source / "README.md").find(readme + "\n"), std::string::npos) << readme;
    EXPECT_NE(textOf(source / "docs/korvanta.6.in").find(man + ".PP\n"), std::string::npos) << man;
  }
  EXPECT_EQ(tagged(textOf(source / "docs/index.html"), "kbd"), keys);
}

}  // namespace
}  // namespace korvanta
