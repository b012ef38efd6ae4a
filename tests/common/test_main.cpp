// Test entry point: the whole process runs in a platform root of its own, so no test ever
// touches the user's registry or drives; tests that need a clean root take a
// nuxtest::ScopedPlatformRoot on top of it.
#include <gtest/gtest.h>

#include "fs/root.h"
#include "test_support.h"

namespace {

// Global objects of the code under test (the engine configuration among them) are built while
// the program loads, before main(), and some read the platform root as they are built. This
// object is built before all of them, so even those never see the user's root.
struct ProcessRoot {
  ProcessRoot() { nux::SetPlatformRoot(dir.path()); }
  nuxtest::TempDir dir;
};

ProcessRoot processRoot __attribute__((init_priority(101)));

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
