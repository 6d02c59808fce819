// The sound pack's manifest: every file the game and the menu load, in one table that the
// generator, the pack check, the tests and the manual all read. Plain data, no dependencies.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace korvanta::pack {

// What a sound does for the player; it decides how the file is made and how loud.
enum class Role { Cue, Gun, Click, Hit, Cry, Arrow, Death, Jingle, Speech, Ambience, Music };

// Who speaks a spoken file.
enum class Speaker { None, Guide, Gunman };

// A language the spoken files can be written in.
enum class Language { English, Spanish };

// A speech engine the pack's voices come from: flite's voices are built into the generator,
// espeak-ng's are read from its data files.
enum class Engine { Flite, Espeak };

// Who speaks for a speaker, by the engine's own name for the voice.
struct VoiceName {
  Engine engine;
  std::string_view name;
};

// The shortest and longest a file may last, in seconds.
struct Seconds {
  double shortest, longest;
};

// One file of the pack.
struct PackEntry {
  // File name as the game spells it ("A1.MP3", "no salgo.mp3").
  std::string_view name;
  Role role;
  Speaker speaker;
  Seconds seconds;
  // Loudness it is made at (dB over the parts that sound); a home-made file may stray a little.
  double loudnessDb;
  // What is said, for a spoken file; empty otherwise.
  std::string_view english, spanish;

  std::string_view text(Language language) const {
    return language == Language::Spanish ? spanish : english;
  }
};

// All 51 files, in a fixed order.
std::span<const PackEntry> manifest();

// The entry of a file name as spelt, or nullptr for a name that is not in the pack.
const PackEntry* findEntry(std::string_view name);

// The language of a code such as "en" or "es"; nothing for a language the pack has no texts in.
std::optional<Language> languageOfCode(std::string_view code);

// The voice of a speaker in a language. English is spoken by flite's CMU voices, which speak
// clearly to an untrained ear; Spanish by espeak-ng's, as Debian has no Spanish flite voice.
VoiceName voiceNameOf(Speaker speaker, Language language);

// The file the generator writes beside the sounds, naming the pack's language ("en" or "es"), so
// that the menu opens the manual in it. A pack without it is taken for English.
constexpr const char* kLanguageFile = "language.txt";

// How far a home-made file's loudness may stray from its entry's before it is named.
constexpr double kLoudnessToleranceDb = 3.0;

}  // namespace korvanta::pack
