// The default sound pack as a player receives it: every file the game loads, each decoding to the
// length it was made with, at levels fit for its role.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <ranges>
#include <regex>
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
  EXPECT_EQ(test::fileText(folder / kLanguageFile), "en\n");
  ASSERT_EQ(reports.size(), 51u);

  uintmax_t bytes = 0;
  std::map<std::string, Level> heard;
  for (const FileReport& r : reports) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.error, "");
    const DecodeResult result = decodeMp3(folder / r.name);
    const auto* pcm = std::get_if<std::shared_ptr<const Pcm>>(&result);
    if (!pcm) {
      ADD_FAILURE() << std::get<std::string>(result);
      continue;
    }
    EXPECT_EQ((*pcm)->rate(), kRate);
    EXPECT_EQ((*pcm)->channels(), 1);
    const Samples s = firstChannel(**pcm);
    // The game's end-of-sound tests depend on this exactness: no padding, no lost tail.
    EXPECT_EQ(int64_t(s.size()), r.frames);
    heard[r.name] = measure(s);
    EXPECT_LT(heard[r.name].peakDb, -0.3) << "clipping after decoding";
    bytes += fs::file_size(folder / r.name);

    const double seconds = double(s.size()) / kRate;
    // The limits each role must keep, stated once more in the player's terms: the first row
    // whose start the name has.
    const struct {
      std::string start;
      double shortest, longest;
    } limits[] = {{"i", 1.0, 2.5},          {"A", 20.0, 40.0},     {"msc", 14.0, 1e9},
                  {"exito.mp3", 0.0, 3.0},  {"ex", 0.0, 15.5},     {"m.mp3", 0.0, 0.3},
                  {"muerte.mp3", 0.0, 1.0}, {"fin.mp3", 0.0, 1e9}, {"f", 0.8, 1.2}};
    const auto limit =
        std::ranges::find_if(limits, [&](auto& l) { return r.name.starts_with(l.start); });
    if (limit != std::end(limits)) {
      EXPECT_GE(seconds, limit->shortest);
      EXPECT_LT(seconds, limit->longest);
    }
  }
  EXPECT_LT(bytes, 6u * 1000 * 1000);
  // The check a player runs finds each file within its lengths and at its level.
  for (const CheckProblem& p : checkPack(folder)) ADD_FAILURE() << p.name << ": " << p.reason;

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

  // One file of every kind, made again in another order and company, comes out byte for byte
  // the same: a file depends on nothing but its name.
  const std::vector<std::string> again = {"fin.mp3", "i8.mp3",   "m.mp3",  "f3.mp3",
                                          "d4.mp3",  "msc2.mp3", "A4.MP3", "no salgo.mp3",
                                          "ex3.mp3", "i7.mp3"};
  const fs::path second = test::freshFolder("pack-again");
  writePack(second, again);
  for (const std::string& name : again)
    EXPECT_TRUE(test::fileText(second / name) == test::fileText(folder / name)) << name;

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
  EXPECT_EQ(test::fileText(spanish / kLanguageFile), "es\n");
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
  const fs::path source(KORVANTA_SOURCE_DIR);
  std::set<std::string> listed;
  for (const PackEntry& entry : manifest()) listed.emplace(entry.name);
  ASSERT_EQ(listed.size(), 51u);

  // Every sound the game and the menu load, as their sources spell it ("\\m.mp3", "A1.MP3").
  const std::regex literal(R"re("\\*([^"\\]*\.mp3)")re", std::regex::icase);
  std::set<std::string> loaded;
  for (const char* folder : {"game", "menu"})
    for (const auto& file : fs::directory_iterator(source / folder)) {
      const std::string text = test::fileText(file.path());
      for (std::sregex_iterator at(text.begin(), text.end(), literal), end; at != end; ++at)
        loaded.insert((*at)[1]);
    }
  EXPECT_EQ(loaded, listed) << "a file loaded that the pack lacks, or one that nothing loads";

  // The manual's table of the pack's files, its ranges ("i1.mp3 to i13.mp3") filled in.
  const std::string manual = test::fileText(source / "docs/index.html");
  const size_t from = manual.find("The 51 files of a sound pack");
  ASSERT_NE(from, std::string::npos);
  const std::string table = manual.substr(from, manual.find("</table>", from) - from);
  const std::vector<std::string> codes = tagged(table, "code");
  std::set<std::string> inManual(codes.begin(), codes.end());
  for (size_t c = 0; c + 1 < codes.size(); ++c) {
    const std::string& first = codes[c];
    if (table.find("<code>" + first + "</code> to <code>") == std::string::npos) continue;
    const size_t digits = first.find_first_of("0123456789");
    for (int n = std::stoi(first.substr(digits)); n < std::stoi(codes[c + 1].substr(digits)); ++n)
      inManual.insert(first.substr(0, digits) + std::to_string(n) + first.substr(first.find('.')));
  }
  EXPECT_EQ(inManual, listed);

  // The Spanish manual's table names the same files.
  const std::string spanish = test::fileText(source / "docs/index.es.html");
  const size_t at = spanish.find("<table>", spanish.find("id=\"sounds\""));
  EXPECT_EQ(tagged(spanish.substr(at, spanish.find("</table>", at) - at), "code"), codes);
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
    EXPECT_NE(test::fileText(source / "README.md").find(readme + "\n"), std::string::npos)
        << readme;
    EXPECT_NE(test::fileText(source / "docs/korvanta.6.in").find(man + ".PP\n"), std::string::npos)
        << man;
  }
  EXPECT_EQ(tagged(test::fileText(source / "docs/index.html"), "kbd"), keys);

  // The Spanish manual names the same keys in their Spanish.
  std::vector<std::string> spanish = tagged(test::fileText(source / "docs/index.es.html"), "kbd");
  const std::map<std::string, std::string> english = {
      {"Arriba", "Up"},   {"Abajo", "Down"},       {"Izquierda", "Left"}, {"Derecha", "Right"},
      {"Intro", "Enter"}, {"Mayúsculas", "Shift"}, {"Espacio", "Space"},  {"Control", "Ctrl"}};
  for (std::string& key : spanish)
    if (english.count(key)) key = english.at(key);
  EXPECT_EQ(spanish, keys);
  EXPECT_EQ(keys.size(), 16u);
}

}  // namespace
}  // namespace korvanta
