// Waiting in real time for what another thread or program does, bounded so that a hang fails.
#pragma once

#include <chrono>
#include <thread>

namespace korvanta::test {

// Polls `done()` until it holds or `limit` has passed; false on the limit.
template <class F>
bool waitFor(F&& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace korvanta::test
