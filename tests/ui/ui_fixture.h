// Shared pieces of the window-system tests: a fixture that starts every test on the virtual
// clock with no windows, and a window class that records the messages it receives.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "testing/testing.h"
#include "ui/ui.h"

namespace uitest {

struct Record {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Messages of interest (the rest are left out of recordings so orders stay readable).
inline bool Interesting(UINT m) {
  switch (m) {
    case WM_GETMINMAXINFO:
    case WM_NCCREATE:
    case WM_NCCALCSIZE:
    case WM_CREATE:
    case WM_SIZE:
    case WM_MOVE:
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WM_ACTIVATE:
    case WM_NCACTIVATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_ERASEBKGND:
    case WM_TIMER:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_NCLBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_CAPTURECHANGED:
    case WM_PARENTNOTIFY:
    case WM_COMMAND:
    case WM_USER:
    case WM_USER + 1:
    case WM_USER + 2:
    case WM_CLOSE:
    case WM_INITDIALOG:
    case WM_SIZING:
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
      return true;
    default:
      return false;
  }
}

// Everything recorded by windows of the class "Rec", and per-window handlers that run
// before the default processing (return true when they answer the message themselves).
struct Recorder {
  std::vector<Record> log;
  std::map<HWND, std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>> handlers;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> any;

  std::vector<UINT> Messages(HWND only = nullptr) const {
    std::vector<UINT> out;
    for (auto& r : log)
      if (!only || r.hwnd == only) out.push_back(r.msg);
    return out;
  }
  size_t Count(UINT msg, HWND only = nullptr) const {
    size_t n = 0;
    for (auto& r : log)
      if (r.msg == msg && (!only || r.hwnd == only)) ++n;
    return n;
  }
};

inline Recorder& Rec() {
  static Recorder r;
  return r;
}

inline LRESULT RecProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (Interesting(msg)) Rec().log.push_back(Record{hwnd, msg, wParam, lParam});
  LRESULT result = 0;
  auto it = Rec().handlers.find(hwnd);
  if (it != Rec().handlers.end() && it->second && it->second(hwnd, msg, wParam, lParam, &result)) return result;
  if (Rec().any && Rec().any(hwnd, msg, wParam, lParam, &result)) return result;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

inline void RegisterRecClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = RecProc;
  wc.lpszClassName = u"Rec";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
  RegisterClassW(&wc);
  done = true;
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    nux::ui::SetMessageBoxTerminal(false);
    RegisterRecClass();
    Rec().log.clear();
    Rec().handlers.clear();
    Rec().any = nullptr;
  }
  void TearDown() override {
    nux::testing::ResetUi();
    Rec().handlers.clear();
    Rec().any = nullptr;
    Rec().log.clear();
  }

  HWND Top(int x, int y, int cx, int cy, DWORD style = WS_POPUP, DWORD ex = 0) {
    return CreateWindowExW(ex, u"Rec", u"top", style, x, y, cx, cy, nullptr, nullptr, nullptr, nullptr);
  }
  HWND Child(HWND parent, int id, int x, int y, int cx, int cy, DWORD style = WS_CHILD | WS_VISIBLE, DWORD ex = 0) {
    return CreateWindowExW(ex, u"Rec", u"child", style, x, y, cx, cy, parent,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
  }
};

}  // namespace uitest
