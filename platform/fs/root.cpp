#include "fs/root.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace nux {
namespace {

std::mutex g_rootMutex;
std::string g_root;
std::atomic<unsigned> g_generation{0};

void MakeDirs(const std::string& path) {
  std::string acc;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || (path[i] == '/' && i > 0)) {
      acc = path.substr(0, i);
      ::mkdir(acc.c_str(), 0777);
    }
  }
}

std::string DefaultRoot() {
  if (const char* env = std::getenv("NUX_PLATFORM_ROOT"); env && *env) return env;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::string(xdg) + "/nuxplatform";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/nuxplatform";
}

std::string Normalise(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string PlatformRoot() {
  std::lock_guard<std::mutex> lock(g_rootMutex);
  if (g_root.empty()) {
    g_root = Normalise(DefaultRoot());
    MakeDirs(g_root + "/drive_c");
  }
  return g_root;
}

void SetPlatformRoot(const std::string& linuxPath) {
  {
    std::lock_guard<std::mutex> lock(g_rootMutex);
    g_root = Normalise(linuxPath);
    MakeDirs(g_root + "/drive_c");
  }
  ++g_generation;
}

unsigned PlatformRootGeneration() { return g_generation.load(); }

}  // namespace nux
