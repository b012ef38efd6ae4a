#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "fs/root.h"

namespace nuxtest {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "nuxtest-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& relative, const std::string& bytes) const {
  std::string p = (std::filesystem::path(path_) / relative).string();
  WriteFile(p, bytes);
  return p;
}

bool WriteFile(const std::string& linuxPath, const std::string& bytes) {
  std::filesystem::path p(linuxPath);
  std::error_code ec;
  std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out.flush());
}

ScopedPlatformRoot::ScopedPlatformRoot() : previous_(nux::PlatformRoot()) {
  nux::SetPlatformRoot(dir_.path());
}

ScopedPlatformRoot::~ScopedPlatformRoot() { nux::SetPlatformRoot(previous_); }

std::string ReadFile(const std::string& linuxPath) {
  std::ifstream in(linuxPath, std::ios::binary);
  if (!in) return {};
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace nuxtest
