#include "Manifest.h"

#include <algorithm>
#include <array>

namespace korvanta::pack {

namespace {

constexpr std::array kEntries = std::to_array<PackEntry>({
    {"A1.MP3"},  {"A2.MP3"},       {"A3.MP3"},   {"A4.MP3"},     {"A5.MP3"},    {"A6.MP3"},
    {"m.mp3"},   {"d1.mp3"},       {"d2.mp3"},   {"d3.mp3"},     {"d4.mp3"},    {"c.mp3"},
    {"g.mp3"},   {"g1.mp3"},       {"g2.mp3"},   {"i1.mp3"},     {"i2.mp3"},    {"i3.mp3"},
    {"i4.mp3"},  {"i5.mp3"},       {"i6.mp3"},   {"i7.mp3"},     {"i8.mp3"},    {"i9.mp3"},
    {"i10.mp3"}, {"i11.mp3"},      {"i12.mp3"},  {"i13.mp3"},    {"i15.mp3"},   {"f1.mp3"},
    {"f2.mp3"},  {"f3.mp3"},       {"f4.mp3"},   {"muerte.mp3"}, {"exito.mp3"}, {"exito1.mp3"},
    {"fin.mp3"}, {"no salgo.mp3"}, {"ex1.mp3"},  {"ex2.mp3"},    {"ex3.mp3"},   {"ex4.mp3"},
    {"ex5.mp3"}, {"ex6.mp3"},      {"ex7.mp3"},  {"ex8.mp3"},    {"ex9.mp3"},   {"ex10.mp3"},
    {"msc.mp3"}, {"msc1.mp3"},     {"msc2.mp3"},
});

}  // namespace

std::span<const PackEntry> manifest() {
  return kEntries;
}

const PackEntry* findEntry(std::string_view name) {
  const auto it = std::find_if(kEntries.begin(), kEntries.end(),
                               [&](const PackEntry& entry) { return entry.name == name; });
  return it == kEntries.end() ? nullptr : &*it;
}

}  // namespace korvanta::pack
