// A child program for the process tests (files are named by Windows paths). The first argument
// chooses what it does:
//   report FILE ARGS...     writes its arguments (one a line), "cwd=" and its current folder and
//                           "root=" and its platform root to FILE; exit code 3
//   exit N                  exit code N
//   sleep MS                sleeps MS milliseconds of real time; exit code 0
//   debug TEXT              writes TEXT to the debugger output
//   window CLASS TITLE DATA READY
//                           creates a top-level window with the user data DATA, writes READY
//                           and waits (until killed, at most a minute)
//   find CLASS FILE         writes what FindWindowA(CLASS, NULL) finds to FILE
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "fs/path.h"
#include "fs/root.h"
#include "process/process.h"
#include "ui/window.h"

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  const std::string mode = argv[1];
  if (mode == "report" && argc >= 3) {
    std::ofstream out(nux::fs::ToLinuxPathA(argv[2]));
    for (int i = 3; i < argc; ++i) out << argv[i] << "\n";
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    out << "cwd=" << folder << "\n"
        << "root=" << nux::PlatformRoot() << "\n";
    return 3;
  }
  if (mode == "exit" && argc >= 3) return std::atoi(argv[2]);
  if (mode == "sleep" && argc >= 3) {
    ::usleep(useconds_t(std::atoi(argv[2])) * 1000);
    return 0;
  }
  if (mode == "debug" && argc >= 3) {
    OutputDebugStringA(argv[2]);
    return 0;
  }
  if (mode == "window" && argc >= 6) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = argv[2];
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, argv[2], argv[3], WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                nullptr);
    if (!hwnd) return 101;
    SetWindowLongA(hwnd, GWL_USERDATA, std::atoi(argv[4]));
    std::ofstream(nux::fs::ToLinuxPathA(argv[5])) << "ready\n";
    for (int i = 0; i < 600; ++i) ::usleep(100000);
    return 0;
  }
  if (mode == "find" && argc >= 4) {
    std::ofstream out(nux::fs::ToLinuxPathA(argv[3]));
    HWND hwnd = FindWindowA(argv[2], nullptr);
    if (!hwnd) {
      out << "none\n";
      return 0;
    }
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    out << title << " " << GetWindowLongA(hwnd, GWL_USERDATA) << "\n";
    return 0;
  }
  return 100;
}
