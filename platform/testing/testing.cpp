#include "testing/testing.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "gdi/image.h"
#include "gdi/surface.h"
#include "process/clock.h"
#include "ui/dialog.h"
#include "ui/menu.h"
#include "ui/msgbox.h"
#include "ui/window.h"

namespace nux::testing {
namespace {

RawInput Mouse(int x, int y, UINT button, bool down) {
  RawInput ev;
  ev.pt = POINT{x, y};
  ev.button = button;
  ev.down = down;
  return ev;
}

// The dialog (a window of class "#32770", or with a dialog's data) a message is aimed at.
HWND DialogFor(HWND hwnd) {
  while (hwnd) {
    char16_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (std::u16string(cls) == u"#32770") return hwnd;
    if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) return nullptr;
    hwnd = GetParent(hwnd);
  }
  return nullptr;
}

HWND Search(HWND parent, const std::function<bool(HWND)>& match) {
  std::vector<HWND> list;
  if (!parent) {
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) list.push_back(h);
  } else {
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) list.push_back(h);
  }
  for (HWND h : list) {
    if (match(h)) return h;
    if (HWND d = Search(h, match)) return d;
  }
  return nullptr;
}

}  // namespace

void UseVirtualClock(bool on) { nux::clock::UseVirtual(on); }

int PumpMessages() {
  int count = 0;
  MSG m;
  // A window that never validates would make WM_PAINT come for ever; the bound stops that.
  for (int guard = 0; guard < 100000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++guard) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    ++count;
    DispatchMessageWithDialogs(m);
  }
  return count;
}

void DispatchMessageWithDialogs(MSG& m) {
  HWND dlg = m.hwnd ? DialogFor(m.hwnd) : nullptr;
  if (dlg && IsDialogMessageW(dlg, &m)) return;
  TranslateMessage(&m);
  DispatchMessageW(&m);
}

void AdvanceAndPump(DWORD ms, DWORD stepMs) {
  if (stepMs == 0) stepMs = 1;
  PumpMessages();
  while (ms > 0) {
    DWORD step = std::min(ms, stepMs);
    nux::clock::Advance(step);
    ms -= step;
    PumpMessages();
  }
}

void MouseMove(int x, int y) { QueueRawInput(Mouse(x, y, 0, false)); }
void MouseDown(int x, int y, Button b) { QueueRawInput(Mouse(x, y, static_cast<UINT>(b), true)); }
void MouseUp(int x, int y, Button b) { QueueRawInput(Mouse(x, y, static_cast<UINT>(b), false)); }

void Click(int x, int y, Button b) {
  MouseMove(x, y);
  MouseDown(x, y, b);
  MouseUp(x, y, b);
}

void Drag(POINT from, POINT to, int steps, Button b) {
  if (steps < 1) steps = 1;
  MouseMove(from.x, from.y);
  MouseDown(from.x, from.y, b);
  for (int i = 1; i <= steps; ++i)
    MouseMove(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
  MouseUp(to.x, to.y, b);
}

void Wheel(int x, int y, int delta) {
  RawInput ev = Mouse(x, y, 4, false);
  ev.wheel = delta;
  QueueRawInput(ev);
}

void KeyDown(UINT vk) {
  RawInput ev;
  ev.isKey = true;
  ev.vk = vk;
  ev.down = true;
  QueueRawInput(ev);
}

void KeyUp(UINT vk) {
  RawInput ev;
  ev.isKey = true;
  ev.vk = vk;
  ev.down = false;
  QueueRawInput(ev);
}

void KeyPress(UINT vk) {
  KeyDown(vk);
  KeyUp(vk);
}

void TypeText(const std::u16string& text) {
  for (char16_t c : text) {
    RawInput ev;
    ev.isChar = true;
    ev.ch = c;
    QueueRawInput(ev);
  }
}

void QueueMessageBoxAnswer(int id) { nux::ui::QueueMessageBoxAnswer(id); }
void QueueMenuChoice(UINT command) { nux::ui::QueueMenuChoice(command); }

void SetMonitors(const std::vector<nux::ui::MonitorSpec>& monitors) { nux::ui::SetMonitors(monitors); }
void ResetMonitors() { nux::ui::ResetMonitors(); }

HWND FindWindowById(HWND parent, int id) {
  return Search(parent, [id](HWND h) { return (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) && GetDlgCtrlID(h) == id; });
}

HWND FindWindowByClass(const std::u16string& className, HWND parent) {
  return Search(parent, [&](HWND h) {
    char16_t buf[256] = {};
    GetClassNameW(h, buf, 256);
    return std::u16string(buf) == className;
  });
}

HWND FindWindowByText(const std::u16string& text, HWND parent) {
  return Search(parent, [&](HWND h) {
    std::u16string t(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, u'\0');
    GetWindowTextW(h, t.data(), static_cast<int>(t.size()));
    t.resize(t.size() - 1);
    return t == text;
  });
}

bool CaptureWindow(HWND hwnd, nux::gdi::Surface* out) {
  if (!IsWindow(hwnd) || !out) return false;
  UpdateWindow(GetAncestor(hwnd, GA_ROOT));
  POINT origin;
  nux::gdi::Surface* s = nux::ui::WindowSurface(hwnd, &origin);
  if (!s) return false;
  RECT r;
  if (!nux::ui::WindowRectInSurface(hwnd, false, &r)) return false;
  int cx = std::max<LONG>(0, r.right - r.left), cy = std::max<LONG>(0, r.bottom - r.top);
  out->Resize(cx, cy);
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) out->set(x, y, s->at(r.left + x, r.top + y) | 0xFF000000u);
  return true;
}

bool WriteWindowPng(HWND hwnd, const std::string& linuxPath) {
  nux::gdi::Surface shot;
  if (!CaptureWindow(hwnd, &shot)) return false;
  return nux::gdi::WritePng(shot, linuxPath);
}

void ResetUi() {
  LockWindowUpdate(nullptr);
  nux::ui::ResetThreadWindows();
  ResetInputState();
  nux::ui::ClearMessageBoxAnswers();
  nux::ui::ClearMenuChoices();
  nux::ui::ResetMonitors();
}

}  // namespace nux::testing
