// Helpers of the fs tests.
#pragma once

#include <string>

#include "test_support.h"

namespace fstest {

// Writes a file below a test's platform root (folders made as needed); returns its Linux path.
inline std::string Put(const nuxtest::ScopedPlatformRoot& root, const std::string& relative, const std::string& bytes) {
  return root.Write(relative, bytes);
}

}  // namespace fstest
