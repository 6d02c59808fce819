// Hours of play on the hand-driven output: games started, won, lost and left over and over, the
// game's state within its bounds after every event, and no memory growing once the sounds are in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>

#include "HandDrivenProgram.h"
#include "tests/support/FixturePack.h"

// The sanitizers, and the coverage build's counters, slow every tick many times over; they get a
// shorter session of the same play.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVANTA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KORVANTA_SANITIZED 1
#endif
#endif

namespace korvanta::test {
namespace {

constexpr long kTicksPerHour = 360'000;
#if defined(KORVANTA_SANITIZED) || defined(KORVANTA_COVERAGE)
// Enough for the cache to be warm after the first hour and stay so through the second.
constexpr long kHours = 2;
#else
constexpr long kHours = 10;
#endif

// Resident memory of this process in bytes.
long residentBytes() {
  long pages = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

constexpr int16_t kDigit(int n) {
  return int16_t(key::kDigit0 + n);
}

bool onGrid(int32_t balance) {
  return balance % 500 == 0 && balance >= -5000 && balance <= 5000;
}

// A player with habits: a sharp one who shoots every cry, a dreamer who lets the arrows come,
// and one who leaves halfway; the menu in between, walked a little, sometimes for long.
class Soak {
 public:
  explicit Soak(HandDrivenProgram& program)
      : p_(program), game_(program.game), menu_(program.menu) {}

  void play(long totalTicks) {
    while (ticks_ < totalTicks && !broken_) {
      if (menu_.loaded()) {
        atMenu();
      } else if (game_.loaded()) {
        const int plan = games_ % 3;
        ++games_;
        if (plan == 0) playToWin();
        if (plan == 1) playToLose();
        if (plan == 2) playAndLeave();
        leave();
      } else {
        holds(false, "some window loaded");
      }
      if (ticks_ >= kTicksPerHour && warmResident_ == 0) {
        warmResident_ = residentBytes();
        warmCache_ = p_.h.engine.cache.size();
      }
    }
  }

  long ticks_ = 0;
  int games_ = 0;
  int won_ = 0;
  int lost_ = 0;
  int left_ = 0;
  long warmResident_ = 0;
  size_t warmCache_ = 0;
  bool broken_ = false;

 private:
  // One tick of the event loop, then the game's invariants.
  void tick() {
    if (broken_) return;
    p_.h.tick();
    ++ticks_;
    if (game_.loaded()) {
      int sum = 0;
      for (int k = 1; k <= Form1::kSlots; ++k) sum += game_.indioActivo(k);
      holds(game_.indiosActivos == sum, "the attacker count is the sum of the slot states");
    }
    check();
  }

  void press(int16_t code, int16_t shiftState = 0) {
    if (broken_) return;
    p_.h.press(code, shiftState);
    check();
  }

  void check() {
    holds(game_.balasCargadas >= 0 && game_.balasCargadas <= 5, "0 to 5 bullets in the gun");
    holds(game_.balasReserva >= 0, "no negative spare bullets");
    for (int k = 1; k <= Form1::kSlots; ++k) {
      holds(game_.indioActivo(k) == 0 || game_.indioActivo(k) == 1, "slot states 0 or 1");
      if (!game_.loaded()) continue;
      holds(onGrid(game_.MIndio(k).balance()), "attackers on the grid");
      // An attacker comes no closer than the gunman's own place.
      holds(game_.MIndio(k).volume() <= 0, "no attacker louder than full");
    }
    if (game_.loaded()) holds(onGrid(game_.MMirilla.balance()), "the sight on the grid");
  }

  // The first broken invariant fails the test and stops the session.
  void holds(bool ok, const char* what) {
    if (ok || broken_) return;
    broken_ = true;
    ADD_FAILURE() << what << ": broken after " << ticks_ << " ticks, in game " << games_;
  }

  void atMenu() {
    // A few items spoken, then a while in the menu: mostly short, now and then past the music.
    for (int n = int(rng_() % 4); n > 0; --n) {
      press(key::kDown);
      position_ = (position_ + 1) % 11;
    }
    const int wait = rng_() % 5 == 0 ? 1500 + int(rng_() % 2000) : 50 + int(rng_() % 300);
    for (int t = 0; t < wait; ++t) tick();
    // The manual's item would open the web page instead of a game.
    if (position_ == 9) {
      press(key::kDown);
      position_ = 10;
    }
    press(key::kEnter);
    holds(game_.loaded() && !menu_.loaded(), "Enter starts a game");
  }

  void aimAndFire(int32_t place) {
    press(key::kShift, shift::kShift);
    for (int i = 0; i < 10 && game_.MMirilla.balance() < place; ++i) press(key::kRight);
    for (int i = 0; i < 10 && game_.MMirilla.balance() > place; ++i) press(key::kLeft);
    if (game_.balasCargadas == 0) press(key::kSpace);
    press(key::kCtrl, shift::kCtrl);
  }

  // Shoots every cry as it is heard, until no attacker is left (or ten minutes have passed).
  void playToWin() {
    for (int t = 0; t < 60'000 && game_.indiosActivos > 0 && game_.pistoleroMuerto == 0; ++t) {
      tick();
      for (int k = 1; k <= Form1::kSlots; ++k)
        if (p_.hands.crying(k)) aimAndFire(game_.MIndio(k).balance());
    }
    // The success is heard before the farewell.
    for (int t = 0; t < 100; ++t) tick();
    if (game_.indiosActivos == 0 && game_.pistoleroMuerto == 0) ++won_;
  }

  // Fiddles with the gun now and then but never shoots, until an arrow finds the gunman.
  void playToLose() {
    const int16_t idle[] = {key::kSpace, key::kLeft, key::kRight, key::kUp,
                            key::kDown,  kDigit(1),  kDigit(4)};
    for (int t = 0; t < 120'000 && game_.pistoleroMuerto == 0; ++t) {
      tick();
      if (rng_() % 200 == 0) press(idle[rng_() % 7]);
    }
    for (int t = 0; t < 300; ++t) tick();
    if (game_.pistoleroMuerto == 1) ++lost_;
  }

  // Plays a little of everything for up to a minute, then leaves with attackers still there.
  void playAndLeave() {
    const int16_t any[] = {key::kSpace, key::kLeft, key::kRight, key::kCtrl, key::kShift,
                           key::kUp,    key::kDown, kDigit(1),   kDigit(2),  kDigit(3)};
    const int length = 100 + int(rng_() % 6000);
    for (int t = 0; t < length; ++t) {
      tick();
      if (rng_() % 40 == 0) {
        const int16_t code = any[rng_() % 10];
        press(code, code == key::kCtrl ? shift::kCtrl : code == key::kShift ? shift::kShift : 0);
      }
    }
    ++left_;
  }

  // Escape, and the menu is back once the farewell has played.
  void leave() {
    press(key::kEscape);
    for (int t = 0; t < 1000 && !menu_.loaded(); ++t) tick();
    holds(menu_.loaded() && !game_.loaded(), "the menu back after the farewell");
  }

  HandDrivenProgram& p_;
  Form1& game_;
  Form2& menu_;
  std::mt19937 rng_{20240611};
  // Where the menu's ring stands; the menu keeps it across games.
  int position_ = 0;
};

TEST(LongPlay, HoursOfGamesWonLostAndLeftKeepTheStateInBoundsAndMemoryFlat) {
  const std::filesystem::path folder = freshFolder("soak");
  writeFixturePack(folder);
  HandDrivenProgram program(folder);
  program.h.desktop.show("Form2");
  const long startResident = residentBytes();
  const auto started = std::chrono::steady_clock::now();

  Soak soak(program);
  soak.play(kHours * kTicksPerHour);
  ASSERT_FALSE(soak.broken_);

  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const long endResident = residentBytes();
  std::printf(
      "[ soak     ] %.2f simulated hours (%ld ticks) in %.1f s: %d games, %d won, %d lost, %d "
      "left; resident memory %.1f MiB at start, %.1f MiB after hour 1, %.1f MiB at the end; "
      "%zu sounds cached\n",
      double(soak.ticks_) / kTicksPerHour, soak.ticks_, wall, soak.games_, soak.won_, soak.lost_,
      soak.left_, startResident / 1048576.0, soak.warmResident_ / 1048576.0,
      endResident / 1048576.0, program.h.engine.cache.size());

  EXPECT_GT(soak.won_, 0);
  EXPECT_GT(soak.lost_, 0);
  EXPECT_GT(soak.left_, 0);
  // Every sound of the pack was heard in the first hour, and nothing new was kept after it.
  EXPECT_EQ(soak.warmCache_, packFileNames().size());
  EXPECT_EQ(program.h.engine.cache.size(), soak.warmCache_);
#ifndef KORVANTA_SANITIZED
  // AddressSanitizer keeps freed memory in quarantine, so resident memory says nothing there.
  EXPECT_LT(endResident - soak.warmResident_, 2L << 20);
#endif
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korvanta::test
