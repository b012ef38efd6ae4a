// A progress bar's position mirrored as one line of text on standard error, so a person running
// a program in a terminal sees it move: "\r[#####-----]  45%", redrawn when the per cent
// changes, ended by a line break when the bar is full or goes away. Only when standard error is
// a terminal, unless a call points the mirror elsewhere.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>

#include "fs/fdwrite.h"
#include "ui/controls.h"
#include "ui/wm_internal.h"

namespace nux::ui {
namespace {

constexpr int kDefault = -2;
constexpr int kWidth = 40;

struct Mirror {
  std::mutex mutex;
  int setting = kDefault;
  HWND bar = nullptr;  // the bar whose line is open
  int percent = -1;
};

Mirror& M() {
  static auto* m = new Mirror;
  return *m;
}

int TargetFd(int setting) {
  if (setting == kDefault) return ::isatty(STDERR_FILENO) ? STDERR_FILENO : -1;
  return setting;
}

}  // namespace

void SetTerminalProgressOutput(int fd) {
  Mirror& m = M();
  std::lock_guard<std::mutex> lock(m.mutex);
  m.setting = fd < -1 ? kDefault : fd;
  m.bar = nullptr;
  m.percent = -1;
}

namespace detail {

void MirrorProgress(HWND bar, int pos, int low, int high) {
  Mirror& m = M();
  std::lock_guard<std::mutex> lock(m.mutex);
  const int fd = TargetFd(m.setting);
  if (fd < 0) return;
  const long long span = static_cast<long long>(high) - low;
  const int percent = span == 0 ? 100 : static_cast<int>((static_cast<long long>(pos) - low) * 100 / span);
  if (bar == m.bar && percent == m.percent) return;
  std::string text;
  if (m.bar != nullptr && m.bar != bar) text += "\n";  // another bar: the old line stays as it was
  const int filled = percent * kWidth / 100;
  char tail[16];
  std::snprintf(tail, sizeof tail, "] %3d%%", percent);
  text += "\r[" + std::string(size_t(filled), '#') + std::string(size_t(kWidth - filled), '-') + tail;
  if (percent >= 100 && span != 0) {
    text += "\n";
    m.bar = nullptr;
    m.percent = -1;
  } else {
    m.bar = bar;
    m.percent = percent;
  }
  WriteAll(fd, text);
}

void EndProgressLine(HWND bar) {
  Mirror& m = M();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (m.bar != bar) return;
  const int fd = TargetFd(m.setting);
  if (fd >= 0) WriteAll(fd, "\n");
  m.bar = nullptr;
  m.percent = -1;
}

}  // namespace detail
}  // namespace nux::ui
