// Benchmarks of the screen, on a virtual X server (Xvfb) the program starts on a free display
// and stops at the end. It prints its figures and the goals, and exits non-zero when a goal is
// missed:
//  1. presenting a full repaint of an 800 x 600 window: at most 3x a memcpy of its pixels;
//  2. a pointer move over a button reaches its hot look on the screen within one frame (16 ms).
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "display/display.h"
#include "gdi/gdi.h"
#include "testing/testing.h"
#include "ui/ui.h"

// Last: the X headers define names (KeyPress, None ...) the platform's headers use.
#include <X11/Xlib.h>

namespace {

constexpr int kW = 800, kH = 600;
bool g_hot = false;
bool g_painted = false;

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE:
      // The hot look: the first move over the button repaints it lit.
      if (!g_hot) {
        g_hot = true;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HBRUSH b = CreateSolidBrush(g_hot ? RGB(255, 220, 120) : RGB(192, 192, 192));
      FillRect(dc, &rc, b);
      DeleteObject(b);
      EndPaint(hwnd, &ps);
      if (g_hot) g_painted = true;
      return 0;
    }
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    for (int y = 0; y < kH; y += 10) {
      RECT band{0, y, kW, y + 10};
      HBRUSH b = CreateSolidBrush(RGB(y & 255, (y * 3) & 255, 128));
      FillRect(dc, &band, b);
      DeleteObject(b);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

pid_t StartXvfb(std::string* display) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", nullptr);
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (poll(&p, 1, 10000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) return -1;
  *display = ":" + number;
  return pid;
}

bool Report(const char* what, double value, const char* unit, double goal, const char* goalText) {
  bool ok = value <= goal;
  std::printf("%-58s %8.2f %s  (goal %s)  %s\n", what, value, unit, goalText, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main() {
  std::string display;
  pid_t xvfb = StartXvfb(&display);
  if (xvfb < 0) {
    std::printf("bench_screen: Xvfb did not start\n");
    return 1;
  }
  setenv("DISPLAY", display.c_str(), 1);
  unsetenv("NUX_DISPLAY");
  int status = 0;
  if (!nux::display::Open()) {
    std::printf("bench_screen: no screen on %s\n", display.c_str());
    status = 1;
  } else {
    WNDCLASSW frame{};
    frame.lpfnWndProc = FrameProc;
    frame.lpszClassName = u"BenchFrame";
    RegisterClassW(&frame);
    WNDCLASSW button{};
    button.lpfnWndProc = ButtonProc;
    button.lpszClassName = u"BenchButton";
    RegisterClassW(&button);
    HWND h = CreateWindowExW(0, u"BenchFrame", u"bench", WS_POPUP | WS_VISIBLE, 100, 100, kW, kH, nullptr, nullptr,
                             nullptr, nullptr);
    HWND b = CreateWindowExW(0, u"BenchButton", u"", WS_CHILD | WS_VISIBLE, 20, 20, 100, 30, h, nullptr, nullptr, nullptr);
    for (int i = 0; i < 50; ++i) nux::testing::PumpMessages();

    std::vector<uint8_t> a(size_t(kW) * kH * 4, 1), c(a.size(), 2);
    const int repeat = 40;
    double copy = benchtiming::Best(7, [&] {
                    for (int i = 0; i < repeat; ++i) {
                      std::memcpy(c.data(), a.data(), a.size());
                      a[size_t(i)] = c[size_t(i) + 1];
                    }
                  }) / repeat;
    const RECT all{0, 0, kW, kH};
    double present = benchtiming::Best(7, [&] {
                       for (int i = 0; i < repeat; ++i) {
                         nux::display::Damage(h, all);
                         nux::display::Sync();
                       }
                     }) / repeat;
    std::printf("memcpy of 800 x 600 x 4 bytes: %.1f us\n", copy * 1e6);
    if (!Report("present a full repaint of 800 x 600 (x memcpy)", present / copy, "x", 3.0, "<= 3x")) status = 1;

    // The pointer moved over the button by the X server, as a person moves it.
    Display* x = XOpenDisplay(display.c_str());
    XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 500, 500);
    XFlush(x);
    auto settle = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - settle < std::chrono::milliseconds(300)) nux::testing::PumpMessages();
    RECT br{};
    GetWindowRect(b, &br);
    auto start = std::chrono::steady_clock::now();
    XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, (br.left + br.right) / 2, (br.top + br.bottom) / 2);
    XFlush(x);
    while (!g_painted && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
      MSG m;
      if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
    }
    nux::display::Sync();  // the lit button presented
    double hot = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    XCloseDisplay(x);
    if (!g_painted) std::printf("the button never lit\n");
    if (!Report("pointer move to the hot look on the screen", hot * 1e3, "ms", 16.0, "<= 16 ms") || !g_painted)
      status = 1;
    DestroyWindow(h);
    nux::display::Close();
  }
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
  return status;
}
