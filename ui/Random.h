// The program's one random generator: every draw folds the clock into its state first.
#pragma once

#include <cstdint>
#include <functional>

namespace korvanta {

class Random {
 public:
  // Any value that changes with time; tests pass a fixed one to show draws stay independent.
  using Clock = std::function<uint64_t()>;

  // Uses the steady clock in nanoseconds.
  Random();
  explicit Random(Clock clock);

  // Uniform integer from 1 to n: the integer part of r * n + 1.
  int draw(int n);
  // Uniform integer from a to b: the integer part of r * (b - a + 1) + a.
  int draw(int a, int b);

 private:
  // Reseeds by folding the clock into the state (never restarting it), then gives r in [0, 1).
  double next();

  Clock clock_;
  uint64_t state_;
};

}  // namespace korvanta
