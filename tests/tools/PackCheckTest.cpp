// Checking a folder before playing: the generator names the files the game could not play.
#include <gtest/gtest.h>

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "tests/support/FixturePack.h"
#include "tests/support/Processes.h"
#include "tools/packgen/PackCheck.h"
#include "tools/packgen/Speech.h"

namespace korvanta {
namespace {

namespace fs = std::filesystem;

TEST(PackCheck, NamesTheMissingAndBrokenFilesOfAHomeMadePack) {
  // An empty folder lacks all 51.
  const fs::path folder = test::freshFolder("own-pack");
  const std::vector<pack::CheckProblem> lacking = pack::checkPack(folder);
  EXPECT_EQ(lacking.size(), 51u);
  for (const auto& p : lacking) EXPECT_EQ(p.reason, "missing") << p.name;

  // Test tones are playable, though louder than the pack's levels and some shorter than its
  // lengths: those are named, each by its own entry. The jingle's 1 to 3 s hold for it alone,
  // whatever its name shares with the lessons.
  test::writeFixturePack(folder, {{"exito.mp3", 5.0}, {"ex4.mp3", 5.0}});
  std::map<std::string, std::string> strays;
  for (const auto& p : pack::checkPack(folder)) {
    EXPECT_TRUE(p.playable) << p.name << ": " << p.reason;
    strays[p.name] += p.reason + ";";
  }
  EXPECT_EQ(strays["exito.mp3"],
            "lasts 5.00 s, not 1.00 to 3.00 s;is heard at -13.5 dB, not -17.0 dB;");
  EXPECT_EQ(strays["ex4.mp3"], "is heard at -13.5 dB, not -18.0 dB;");
  EXPECT_EQ(strays["A1.MP3"],
            "lasts 3.00 s, not 20.00 to 40.00 s;is heard at -13.5 dB, not -30.0 dB;");
  EXPECT_EQ(strays.count("d1.mp3"), 0u) << "2.5 dB over is near enough";

  // A player's own pack: one file forgotten, one that is not an MP3 at all, one empty, one cut
  // short, and one named in other case, which the game still finds.
  fs::remove(folder / "no salgo.mp3");
  fs::resize_file(folder / "msc.mp3", fs::file_size(folder / "msc.mp3") / 2);
  std::ofstream(folder / "i4.mp3") << "this is a text file, not a sound";
  std::ofstream(folder / "f2.mp3").close();
  fs::rename(folder / "A3.MP3", folder / "a3.mp3");

  std::map<std::string, std::string> byName;
  for (const auto& p : pack::checkPack(folder))
    if (!p.playable) byName[p.name] = p.reason;
  ASSERT_EQ(byName.size(), 4u);
  EXPECT_EQ(byName["no salgo.mp3"], "missing");
  EXPECT_FALSE(byName["i4.mp3"].empty());
  EXPECT_NE(byName["i4.mp3"], "missing");
  EXPECT_FALSE(byName["f2.mp3"].empty());
  EXPECT_NE(byName["msc.mp3"].find("cut short"), std::string::npos) << byName["msc.mp3"];
  EXPECT_EQ(byName.count("A3.MP3"), 0u);
}

TEST(PackCheck, APackInALanguageThatCannotBeSpokenIsRefusedWithoutWritingAFile) {
  // A language without texts, and Spanish on a machine whose espeak-ng lacks its voices: one
  // line each, status 2, and no folder left behind.
  const fs::path folder = test::freshFolder("unspoken") / "pack";
  e2e::CommandResult run =
      e2e::runCommand({KORVANTA_PACK_TOOL, "--language", "fr", folder.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
  EXPECT_NE(run.output.find("\"fr\""), std::string::npos) << run.output;

  // espeak-ng's data, with every voice but the Spanish ones.
  pack::Speech().hasVoice({"en"});
  const char* real = nullptr;
  espeak_Info(&real);
  const fs::path data = test::freshFolder("espeak") / "espeak-ng-data";
  fs::create_directories(data / "lang/roa");
  for (const fs::path& dir : {fs::path(), fs::path("lang"), fs::path("lang/roa")})
    for (const auto& entry : fs::directory_iterator(fs::path(real) / dir)) {
      const fs::path name = entry.path().filename();
      if (!fs::exists(data / dir / name) && name.string().rfind("es", 0) != 0)
        fs::create_symlink(entry.path(), data / dir / name);
    }
  run = e2e::runCommand({KORVANTA_PACK_TOOL, "--language", "es", folder.string()},
                        {{"ESPEAK_DATA_PATH", data.parent_path().string()}});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
  EXPECT_NE(run.output.find("es+"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(folder));

  // A flite voice the generator lacks, and a text that speaks as silence, are refused alike.
  pack::Speech speech;
  const pack::SpeechVoice guide = pack::voiceOf(pack::Speaker::Guide, pack::Language::English);
  EXPECT_TRUE(speech.hasVoice(guide));
  EXPECT_FALSE(speech.hasVoice({"cmu_us_nobody", pack::Engine::Flite}));
  EXPECT_TRUE(speech.say("...", guide).empty());
  EXPECT_FALSE(speech.say("Hello", guide).empty());
}

}  // namespace
}  // namespace korvanta
