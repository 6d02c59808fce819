#include "Random.h"

#include <chrono>

namespace korvanta {

namespace {

// SplitMix64's finaliser: a fast bijective mix, so folding in equal clock values still moves on.
uint64_t mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  x ^= x >> 31;
  return x;
}

uint64_t steadyNanoseconds() {
  return uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace

Random::Random() : Random(steadyNanoseconds) {}

Random::Random(Clock clock) : clock_(std::move(clock)), state_(0x9e3779b97f4a7c15ULL) {}

double Random::next() {
  // The state advances by a constant on every draw before the clock is folded in, so the same
  // clock value twice in a row never repeats a draw and the sequence is never restarted.
  state_ += 0x9e3779b97f4a7c15ULL;
  state_ = mix(state_ ^ mix(clock_()));
  return double(mix(state_) >> 11) * 0x1.0p-53;
}

int Random::draw(int n) {
  return int(next() * n + 1);
}

int Random::draw(int a, int b) {
  return int(next() * (b - a + 1) + a);
}

}  // namespace korvanta
