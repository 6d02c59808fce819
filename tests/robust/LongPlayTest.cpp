// Hours of play on the hand-driven output: games started, won, lost and left over and over, the
// game's state within its bounds after every event, and no memory growing once the sounds are in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "HandDrivenProgram.h"
#include "tests/support/FixturePack.h"

namespace korvanta::test {
namespace {

constexpr long kTicksPerHour = 360'000;
// The sanitizers, and the coverage build's counters, slow every tick many times over; they get a
// shorter session of the same play.
#if defined(KORVANTA_SANITIZED) || defined(KORVANTA_COVERAGE)
// Enough for the cache to be warm after the first hour and stay so through the second.
constexpr long kHours = 2;
#else
constexpr long kHours = 10;
#endif

long residentBytes() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

bool onGrid(int32_t balance) {
  return balance % 500 == 0 && balance >= -5000 && balance <= 5000;
}

// The program in the hands of a player with habits: a sharp one who shoots every cry, a dreamer
// who lets the arrows come, and one who leaves halfway; the menu in between, walked a little,
// sometimes for long.
struct Soak : HandDrivenProgram {
  using HandDrivenProgram::HandDrivenProgram;

  void play(long totalTicks) {
    while (ticks < totalTicks && !broken) {
      holds(menu.loaded() || game.loaded(), "some window loaded");
      if (menu.loaded()) {
        atMenu();
      } else if (game.loaded()) {
        const int plan = games++ % 3;
        if (plan == 0) playToWin();
        if (plan == 1) playToLose();
        if (plan == 2) playAndLeave();
        leave();
      }
      if (ticks >= kTicksPerHour && warmResident == 0) {
        warmResident = residentBytes();
        warmCache = h.engine.cache.size();
      }
    }
  }

  // One tick of the event loop, or a key, then the game's invariants.
  void tick() {
    if (broken) return;
    h.tick();
    ++ticks;
    if (game.loaded())
      holds(game.indiosActivos == hands.inPlay(), "the attacker count is the sum of the slots");
    check();
  }

  void press(int16_t code, int16_t shiftState = 0) {
    if (broken) return;
    h.press(code, shiftState);
    check();
  }

  void check() {
    holds(game.balasCargadas >= 0 && game.balasCargadas <= 5, "0 to 5 bullets in the gun");
    holds(game.balasReserva >= 0, "no negative spare bullets");
    for (int k = 1; k <= Form1::kSlots; ++k) {
      holds(game.indioActivo(k) == 0 || game.indioActivo(k) == 1, "slot states 0 or 1");
      if (!game.loaded()) continue;
      holds(onGrid(game.MIndio(k).balance()), "attackers on the grid");
      // An attacker comes no closer than the gunman's own place.
      holds(game.MIndio(k).volume() <= 0, "no attacker louder than full");
    }
    if (game.loaded()) holds(onGrid(game.MMirilla.balance()), "the sight on the grid");
  }

  // The first broken invariant fails the test and stops the session.
  void holds(bool ok, const char* what) {
    if (ok || broken) return;
    broken = true;
    ADD_FAILURE() << what << ": broken after " << ticks << " ticks, in game " << games;
  }

  void atMenu() {
    // A few items spoken, then a while in the menu: mostly short, now and then past the music.
    for (int n = int(rng() % 4); n > 0; --n) {
      press(key::kDown);
      position = (position + 1) % 11;
    }
    const int wait = rng() % 5 == 0 ? 1500 + int(rng() % 2000) : 50 + int(rng() % 300);
    for (int t = 0; t < wait; ++t) tick();
    // The manual's item would open the web page instead of a game.
    if (position == 9) {
      press(key::kDown);
      position = 10;
    }
    press(key::kEnter);
    holds(game.loaded() && !menu.loaded(), "Enter starts a game");
  }

  void aimAndFire(int32_t place) {
    press(key::kShift, shift::kShift);
    for (int i = 0; i < 10 && game.MMirilla.balance() < place; ++i) press(key::kRight);
    for (int i = 0; i < 10 && game.MMirilla.balance() > place; ++i) press(key::kLeft);
    if (game.balasCargadas == 0) press(key::kSpace);
    press(key::kCtrl, shift::kCtrl);
  }

  // Shoots every cry as it is heard, until no attacker is left (or ten minutes have passed).
  void playToWin() {
    for (int t = 0; t < 60'000 && game.indiosActivos > 0 && game.pistoleroMuerto == 0; ++t) {
      tick();
      for (int k = 1; k <= Form1::kSlots; ++k)
        if (hands.crying(k)) aimAndFire(game.MIndio(k).balance());
    }
    // The success is heard before the farewell.
    for (int t = 0; t < 100; ++t) tick();
    if (game.indiosActivos == 0 && game.pistoleroMuerto == 0) ++won;
  }

  // Fiddles with the gun now and then but never shoots, until an arrow finds the gunman.
  void playToLose() {
    const int16_t idle[] = {key::kSpace, key::kLeft,       key::kRight,     key::kUp,
                            key::kDown,  key::kDigit0 + 1, key::kDigit0 + 4};
    for (int t = 0; t < 120'000 && game.pistoleroMuerto == 0; ++t) {
      tick();
      if (rng() % 200 == 0) press(idle[rng() % 7]);
    }
    for (int t = 0; t < 300; ++t) tick();
    if (game.pistoleroMuerto == 1) ++lost;
  }

  // Plays a little of everything for up to a minute, then leaves with attackers still there.
  void playAndLeave() {
    const int16_t any[] = {key::kSpace,      key::kLeft,      key::kRight, key::kCtrl,
                           key::kShift,      key::kUp,        key::kDown,  key::kDigit0 + 1,
                           key::kDigit0 + 2, key::kDigit0 + 3};
    const int length = 100 + int(rng() % 6000);
    for (int t = 0; t < length; ++t) {
      tick();
      if (rng() % 40 == 0) {
        const int16_t code = any[rng() % 10];
        press(code, code == key::kCtrl ? shift::kCtrl : code == key::kShift ? shift::kShift : 0);
      }
    }
    ++left;
  }

  // Escape, and the menu is back once the farewell has played.
  void leave() {
    press(key::kEscape);
    for (int t = 0; t < 1000 && !menu.loaded(); ++t) tick();
    holds(menu.loaded() && !game.loaded(), "the menu back after the farewell");
  }

  std::mt19937 rng{20240611};
  // Where the menu's ring stands; the menu keeps it across games.
  int position = 0;
  long ticks = 0;
  int games = 0, won = 0, lost = 0, left = 0;
  long warmResident = 0;
  size_t warmCache = 0;
  bool broken = false;
};

TEST(LongPlay, HoursOfGamesWonLostAndLeftKeepTheStateInBoundsAndMemoryFlat) {
  const std::filesystem::path folder = freshFolder("soak");
  writeFixturePack(folder);
  Soak soak(folder);
  soak.h.desktop.show("Form2");
  const long startResident = residentBytes();
  soak.play(kHours * kTicksPerHour);
  ASSERT_FALSE(soak.broken);

  const long endResident = residentBytes();
  std::printf(
      "[ soak     ] %.2f simulated hours: %d games, %d won, %d lost, %d left; resident memory "
      "%.1f MiB at start, %.1f MiB after hour 1, %.1f MiB at the end; %zu sounds cached\n",
      double(soak.ticks) / kTicksPerHour, soak.games, soak.won, soak.lost, soak.left,
      startResident / 1048576.0, soak.warmResident / 1048576.0, endResident / 1048576.0,
      soak.h.engine.cache.size());

  EXPECT_GT(soak.won, 0);
  EXPECT_GT(soak.lost, 0);
  EXPECT_GT(soak.left, 0);
  // Every sound of the pack was heard in the first hour, and nothing new was kept after it.
  EXPECT_EQ(soak.warmCache, packFileNames().size());
  EXPECT_EQ(soak.h.engine.cache.size(), soak.warmCache);
#ifndef KORVANTA_SANITIZED
  // AddressSanitizer keeps freed memory in quarantine, so resident memory says nothing there.
  EXPECT_LT(endResident - soak.warmResident, 2L << 20);
#endif
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korvanta::test
