#include "CurlLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace {

std::mutex& OverrideLock() {
  static std::mutex lock;
  return lock;
}

std::string& Override() {
  static std::string name;
  return name;
}

std::string SystemLibraryName() {
  {
    std::lock_guard<std::mutex> guard(OverrideLock());
    if (!Override().empty()) return Override();
  }
  const char* env = std::getenv("NUX_CURL_LIBRARY");
  if (env != nullptr && *env != '\0') return env;
  return "libcurl.so.4";
}

}  // namespace

void SetCurlSystemLibrary(const char* soname) {
  std::lock_guard<std::mutex> guard(OverrideLock());
  Override() = soname ? soname : "";
}

void* LoadCurlLibrary(const char* path) {
  if (path == nullptr) return nullptr;
  // Whatever folder the host keeps its "libcurl.dll" in, the code that runs here is the
  // system's library. It stays mapped after release: the library keeps global state that its
  // clean-up (never called) would have to undo.
  return dlopen(SystemLibraryName().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

void* GetCurlProcAddress(void* library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return dlsym(library, name);
}

void FreeCurlLibrary(void* library) {
  if (library != nullptr) dlclose(library);
}
