// What every test suite shares: a temporary folder that removes itself, and a platform root of
// the test's own.
#pragma once

#include <string>

namespace nuxtest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes a file below the folder (folders created as needed); returns its Linux path.
  std::string Write(const std::string& relative, const std::string& bytes) const;

 private:
  std::string path_;
};

// Points the platform at a fresh root for the lifetime of the object, and back afterwards.
class ScopedPlatformRoot {
 public:
  ScopedPlatformRoot();
  ~ScopedPlatformRoot();
  const std::string& path() const { return dir_.path(); }
  // Linux path of drive C: inside this root.
  std::string DriveC() const { return dir_.path() + "/drive_c"; }
  // Writes a file below the root (folders created as needed); returns its Linux path.
  std::string Write(const std::string& relative, const std::string& bytes) const { return dir_.Write(relative, bytes); }

 private:
  TempDir dir_;
  std::string previous_;
};

// Writes a whole file, creating its folders; false when it cannot be written.
bool WriteFile(const std::string& linuxPath, const std::string& bytes);

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& linuxPath);

// Folder of a test suite's committed fixtures (tests/<suite>/).
inline std::string SourceDir() {
#ifdef NUX_TEST_SOURCE_DIR
  return NUX_TEST_SOURCE_DIR;
#else
  return ".";
#endif
}

}  // namespace nuxtest
