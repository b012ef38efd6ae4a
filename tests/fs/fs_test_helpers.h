// Helpers of the fs tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "test_support.h"

namespace fstest {

// Writes a file below a test's platform root (folders made as needed); returns its Linux path.
inline std::string Put(const nuxtest::ScopedPlatformRoot& root, const std::string& relative, const std::string& bytes) {
  const std::filesystem::path p = std::filesystem::path(root.path()) / relative;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
  return p.string();
}

}  // namespace fstest
