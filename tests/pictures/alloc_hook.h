// A counted allocator for the picture tests: operator new of the test program counts the
// bytes it holds and fails (std::bad_alloc) beyond a budget, so a test can bound the memory a
// load may take and make any allocation fail. Under AddressSanitizer the peak also counts
// what the C libraries take with malloc (through the sanitizer's allocation hooks).
#pragma once

#include <cstddef>

namespace alloctest {

// The bytes operator new may hold at once from now on (SIZE_MAX: no budget).
void SetBudget(size_t bytes);
// Starts a measurement: the peak becomes the memory held now.
void ResetPeak();
// The most memory held since ResetPeak, less what was held then.
size_t PeakSinceReset();
// True when the peak counts malloc too.
bool PeakCountsMalloc();

// A budget for a scope, and no budget again after it.
class Budget {
 public:
  explicit Budget(size_t bytes) { SetBudget(bytes); }
  ~Budget();
  Budget(const Budget&) = delete;
  Budget& operator=(const Budget&) = delete;
};

}  // namespace alloctest
