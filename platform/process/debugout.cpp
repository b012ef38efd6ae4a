// The debugger output: standard error, or a file each text is appended to. One write per text,
// under a lock, so texts of several threads (and, through O_APPEND, of several processes) stay
// whole.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "base/codepage.h"
#include "fs/fdwrite.h"
#include "process/process.h"
#include "process/spawn_internal.h"

namespace nux::process {
namespace {

std::mutex& OutputMutex() {
  static auto* m = new std::mutex;
  return *m;
}

std::string& FileSetting() {
  static auto* s = new std::string;
  return *s;
}

void Emit(const std::string& utf8) {
  if (utf8.empty()) return;
  std::lock_guard<std::mutex> lock(OutputMutex());
  std::string file = FileSetting();
  if (file.empty()) {
    const char* env = std::getenv("NUX_DEBUG_OUTPUT");
    if (env) file = env;
  }
  if (!file.empty()) {
    int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
      WriteAll(fd, utf8);
      ::close(fd);
      return;
    }
  }
  WriteAll(STDERR_FILENO, utf8);
}

}  // namespace

void SetDebugOutputFile(const std::string& linuxPath) {
  std::lock_guard<std::mutex> lock(OutputMutex());
  FileSetting() = linuxPath;
}

std::string DebugOutputFileSetting() {
  std::lock_guard<std::mutex> lock(OutputMutex());
  return FileSetting();
}

}  // namespace nux::process

void OutputDebugStringA(LPCSTR lpOutputString) {
  if (!lpOutputString) return;
  nux::process::Emit(nux::ToUtf8(nux::AnsiToWide(lpOutputString)));
}

void OutputDebugStringW(LPCWSTR lpOutputString) {
  if (!lpOutputString) return;
  nux::process::Emit(nux::ToUtf8(lpOutputString));
}
