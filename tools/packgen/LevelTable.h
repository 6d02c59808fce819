// The level table the generator prints: what was made, file by file, as a player will hear it.
#pragma once

#include <string>
#include <vector>

#include "PackWriter.h"

namespace korvanta::pack {

// One line per file with its length, peak, RMS, loudness and size, and a line of totals.
std::string levelTable(const std::vector<FileReport>& reports);

}  // namespace korvanta::pack
