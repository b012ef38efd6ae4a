#include "InstallerProcess.h"

#include <vector>

#include "process/process.h"
#include "ui/window.h"

bool RunProcessAndWait(const std::string& commandLine, ProcessWindow window) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  DWORD flags = 0;
  switch (window) {
    case ProcessWindow::kShown:
      startup.dwFlags = STARTF_USESHOWWINDOW;
      startup.wShowWindow = SW_SHOW;
      break;
    case ProcessWindow::kHidden:
      startup.dwFlags = STARTF_USESHOWWINDOW;
      startup.wShowWindow = SW_HIDE;
      break;
    case ProcessWindow::kNoWindow:
      flags = CREATE_NO_WINDOW;
      break;
  }
  // CreateProcessA may write into the command line: it gets a copy of its own.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}
