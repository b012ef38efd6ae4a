// Timing shared by the benchmark programs: one run measured, and the best of a few runs, so
// that a stray delay of the machine does not count.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace benchtiming {

inline double Seconds(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Best(int runs, const std::function<void()>& action) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(action));
  return best;
}

// Prints a ratio against its goal (at most `limit`); true when the goal is met.
inline bool Check(const char* what, double value, double limit) {
  const bool ok = value <= limit;
  std::printf("%-52s %6.2fx (goal <= %.1fx)  %s\n", what, value, limit, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace benchtiming
