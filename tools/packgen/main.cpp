// korvanta-pack: writes the game's default sound pack, or checks a folder for a complete pack.
#include <chrono>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "LevelTable.h"
#include "PackCheck.h"
#include "PackWriter.h"
#include "pack/Manifest.h"

namespace {

int usage() {
  std::cerr
      << "usage: korvanta-pack [--quiet] [--table FILE] [--language en|es] FOLDER [NAME...]\n"
         "           write the pack (or only the named files) and print its level table\n"
         "           (--table: write the table to FILE instead, once every file is written;\n"
         "           --language: the language of the spoken files, English by default)\n"
         "       korvanta-pack --check FOLDER\n"
         "           list the files of the pack that are missing or do not decode, and those\n"
         "           that last too long or too short or are far too loud or too quiet\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korvanta::pack;
  bool check = false, quiet = false;
  std::string folder, tableFile;
  std::optional<Language> language = Language::English;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--check") == 0) {
      check = true;
    } else if (std::strcmp(argv[i], "--quiet") == 0) {
      quiet = true;
    } else if (std::strcmp(argv[i], "--table") == 0 && i + 1 < argc) {
      tableFile = argv[++i];
    } else if (std::strcmp(argv[i], "--language") == 0 && i + 1 < argc) {
      language = languageOfCode(argv[++i]);
      if (!language) {
        std::cerr << "korvanta-pack: the pack has no texts in \"" << argv[i]
                  << "\"; it speaks en or es\n";
        return 2;
      }
    } else if (argv[i][0] == '-') {
      return usage();
    } else if (folder.empty()) {
      folder = argv[i];
    } else if (findEntry(argv[i])) {
      names.push_back(argv[i]);
    } else {
      std::cerr << "korvanta-pack: \"" << argv[i] << "\" is not a file of the pack\n";
      return 2;
    }
  }
  if (folder.empty() || (check && !names.empty())) return usage();

  if (check) {
    const std::vector<CheckProblem> problems = checkPack(folder);
    size_t unplayable = 0;
    for (const CheckProblem& p : problems) {
      std::cout << p.name << ": " << p.reason << "\n";
      if (!p.playable) ++unplayable;
    }
    const size_t total = manifest().size();
    std::cout << (total - unplayable) << " of " << total << " files can be played";
    if (unplayable < problems.size())
      std::cout << "; " << (problems.size() - unplayable) << " lengths or levels out of bounds";
    std::cout << "\n";
    return problems.empty() ? 0 : 1;
  }

  // Asked before the folder is touched, so a language that cannot be spoken leaves nothing behind.
  if (const std::string why = cannotSpeak(*language); !why.empty()) {
    std::cerr << "korvanta-pack: " << why << ", so the pack cannot be made in that language\n";
    return 2;
  }

  const auto start = std::chrono::steady_clock::now();
  const std::vector<FileReport> reports = writePack(folder, names, *language);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string table = levelTable(reports);
  int failures = 0;
  for (const FileReport& r : reports)
    if (!r.error.empty()) {
      std::cerr << "korvanta-pack: " << r.name << ": " << r.error << "\n";
      if (r.stoppedThePack) return 2;
      ++failures;
    }
  if (failures > 0) return 1;
  if (!tableFile.empty()) {
    // Written last: the build takes this file as the sign that the whole pack is in place.
    std::ofstream(tableFile) << table;
  } else if (!quiet) {
    std::cout << table;
  }
  if (!quiet) std::cout << "made in " << seconds << " s\n";
  return 0;
}
