// The random draw: uniform, in range, and independent even when the clock has not moved.
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "ui/Random.h"

namespace korvanta {
namespace {

TEST(RandomDraw, SevenPlacesDrawnInOneClockTickAreIndependentAndUniform) {
  // The clock never moves: every reseed folds in the same value, as at a game's start.
  Random random([] { return uint64_t(123456789); });
  constexpr int kPlaces = 21;
  constexpr int kRounds = 6000;
  std::array<int, kPlaces + 1> counts{};
  int allAlike = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::set<int> places;
    for (int slot = 1; slot <= 7; ++slot) {
      const int d = random.draw(kPlaces);
      ASSERT_TRUE(d >= 1 && d <= kPlaces) << d;
      ++counts[d];
      places.insert(d);
    }
    if (places.size() == 1) ++allAlike;
  }
  EXPECT_EQ(allAlike, 0) << "a generator restarted from the clock gives seven equal places";
  // Chi-square over 21 places with 20 degrees of freedom: 45.3 is the 0.1% critical value.
  const double expected = 7.0 * kRounds / kPlaces;
  double chi = 0;
  for (int d = 1; d <= kPlaces; ++d)
    chi += (counts[d] - expected) * (counts[d] - expected) / expected;
  EXPECT_LT(chi, 45.3);
}

TEST(RandomDraw, RangesCoverExactlyTheirBoundsWithTheRightChances) {
  uint64_t now = 0;
  Random random([&] { return now += 10'000'000; });
  std::array<int, 13> counts{};
  for (int i = 0; i < 70000; ++i) {
    const int d = random.draw(6, 12);
    ASSERT_TRUE(d >= 6 && d <= 12) << d;
    ++counts[d];
  }
  for (int d = 6; d <= 12; ++d) EXPECT_NEAR(counts[d], 10000, 450) << d;

  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) seen.insert(random.draw(200));
  EXPECT_EQ(*seen.begin(), 1);
  EXPECT_EQ(*seen.rbegin(), 200);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(random.draw(1), 1);
}

}  // namespace
}  // namespace korvanta
