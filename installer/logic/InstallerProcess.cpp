#include "InstallerProcess.h"

#include <mutex>

#include "base/errors.h"

namespace {

std::mutex& RunnerLock() {
  static std::mutex lock;
  return lock;
}

ProcessRunner& Runner() {
  static ProcessRunner runner;
  return runner;
}

// The platform's way of starting a process and waiting for it.
bool PlatformRunAndWait(const std::string& /*commandLine*/, ProcessWindow /*window*/) {
  // The platform has no process creation yet: a program that cannot be started.
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return false;
}

}  // namespace

bool RunProcessAndWait(const std::string& commandLine, ProcessWindow window) {
  ProcessRunner runner;
  {
    std::lock_guard<std::mutex> guard(RunnerLock());
    runner = Runner();
  }
  if (runner) return runner(commandLine, window);
  return PlatformRunAndWait(commandLine, window);
}

void SetProcessRunner(ProcessRunner runner) {
  std::lock_guard<std::mutex> guard(RunnerLock());
  Runner() = std::move(runner);
}
