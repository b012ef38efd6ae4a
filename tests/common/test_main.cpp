// Test entry point: the whole process runs in a platform root of its own, so no test ever
// touches the user's registry or drives; tests that need a clean root take a
// nuxtest::ScopedPlatformRoot on top of it.
#include <gtest/gtest.h>

#include "fs/root.h"
#include "test_support.h"

int main(int argc, char** argv) {
  nuxtest::TempDir processRoot;
  nux::SetPlatformRoot(processRoot.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
