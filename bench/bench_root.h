// A platform root of a benchmark program's own in the system's temporary folder, made before the
// program's other globals (the engine's configuration is built while the program loads) and
// removed at its end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fs/root.h"

namespace benchroot {

struct EarlyRoot {
  explicit EarlyRoot(const char* name) {
    std::string pattern = (std::filesystem::temp_directory_path() / ("nux-bench-" + std::string(name) + "-XXXXXX")).string();
    if (const char* dir = mkdtemp(pattern.data())) {
      path = dir;
      nux::SetPlatformRoot(path);
    }
  }
  ~EarlyRoot() {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
  }
  std::string path;
};

}  // namespace benchroot
