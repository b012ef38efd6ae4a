// Shared set-up of the update program's tests: captured debugger output and a sample host in
// a platform root of the test's own.
#pragma once

#include <string>

#include "test_support.h"

namespace updatertest {

// Sends the debugger output to a file of its own for the life of the object.
class DebugCapture {
 public:
  DebugCapture();
  ~DebugCapture();
  std::string Text() const;
  bool Contains(const std::string& text) const { return Text().find(text) != std::string::npos; }

 private:
  nuxtest::TempDir dir_;
  std::string file_;
};

// A fresh platform root with the update program's process state reset. The host's files go
// below drive C: ("Starvane7/SVStrings.txt" is C:\Starvane7\SVStrings.txt).
class SampleHost {
 public:
  SampleHost();
  ~SampleHost();

  // Linux path of a file below the platform root ("drive_d/x" is D:\x).
  std::string OnRoot(const std::string& relative) const { return root_.path() + "/" + relative; }
  // Linux path of a file below drive C:.
  std::string OnC(const std::string& relative) const { return root_.DriveC() + "/" + relative; }
  // Writes a file below drive C: (folders created).
  void Write(const std::string& relative, const std::string& bytes) const { WriteLinux(OnC(relative), bytes); }
  static void WriteLinux(const std::string& linuxPath, const std::string& bytes);
  // Merges values (lines of the .reg format) into the host settings key of the hive
  // ("HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER").
  void SetValues(const std::string& hive, const std::string& lines) const;

  // The usual host: WorkDir C:\Starvane7 and CDPath D:\, the host executable with its version
  // resource, "SVStrings.txt" (entry 1 705, entry 5 2) and "media\FileUtils.ini" (CD list "catalog", theme
  // list "skins").
  void InstallStandardHost() const;
  // Copies the fixture host executable to a path below drive C:.
  void InstallHostExecutable(const std::string& relative) const;

 private:
  nuxtest::ScopedPlatformRoot root_;
};

// Path of the fixture host executable built for the tests.
std::string HostExecutableFixture();

// Bytes of a file saved in the program's temporary folder; empty when missing.
std::string ReadSavedFile(const std::string& windowsPath);

}  // namespace updatertest
