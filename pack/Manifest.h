// The sound pack's manifest: every file the game and the menu load, in one table that the
// generator, the pack check, the tests and the manual all read.
#pragma once

#include <span>
#include <string_view>

namespace korvanta::pack {

// One file of the pack.
struct PackEntry {
  // File name as the game spells it ("A1.MP3", "no salgo.mp3").
  std::string_view name;
};

// All 51 files, in a fixed order.
std::span<const PackEntry> manifest();

// The entry of a file name as spelt, or nullptr for a name that is not in the pack.
const PackEntry* findEntry(std::string_view name);

}  // namespace korvanta::pack
