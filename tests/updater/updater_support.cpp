#include "updater_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "StarvanePath.h"
#include "UpdateFlags.h"
#include "Sv7Platform.h"

namespace updatertest {

DebugCapture::DebugCapture() : file_(dir_.path() + "/debug.txt") { nux::process::SetDebugOutputFile(file_); }

DebugCapture::~DebugCapture() { nux::process::SetDebugOutputFile(""); }

std::string DebugCapture::Text() const { return nuxtest::ReadFile(file_); }

SampleHost::SampleHost() {
  StarvanePath::ResetProcessState();
  DialogClosed = 0;
  UpdateDone = 0;
  CancelRequested = 0;
}

SampleHost::~SampleHost() { StarvanePath::ResetProcessState(); }

void SampleHost::WriteLinux(const std::string& linuxPath, const std::string& bytes) {
  const std::filesystem::path path = linuxPath;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void SampleHost::SetValues(const std::string& hive, const std::string& lines) const {
  const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[" + hive +
                           "\\SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings]\r\n" + lines + "\r\n";
  if (!nux::registry::ImportRegText(text)) throw std::runtime_error("registry text not imported");
}

void SampleHost::InstallHostExecutable(const std::string& relative) const {
  const std::filesystem::path target = OnC(relative);
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(HostExecutableFixture(), target, std::filesystem::copy_options::overwrite_existing);
}

void SampleHost::InstallStandardHost() const {
  SetValues("HKEY_LOCAL_MACHINE", "\"WorkDir\"=\"C:\\\\Starvane7\"\r\n\"CDPath\"=\"D:\\\\\"");
  InstallHostExecutable("Starvane7/Starvane7.exe");
  Write("Starvane7/SVStrings.txt", "! host strings\n1\t705\n5\t2\n13250\tStarvane 7 Plunet\n");
  Write("Starvane7/media/FileUtils.ini", "catalog\n}\nskins\n}\nunused\n}\n");
}

std::string HostExecutableFixture() {
#ifdef NUX_UPDATER_FIXTURES
  return std::string(NUX_UPDATER_FIXTURES) + "/host.exe";
#else
  return "host.exe";
#endif
}

std::string ReadSavedFile(const std::string& windowsPath) {
  std::string bytes;
  FILE* f = w32_fopen(windowsPath.c_str(), "rb");
  if (f == nullptr) return bytes;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  fclose(f);
  return bytes;
}

}  // namespace updatertest
