// Focus, activation and capture with their messages; the keyboard state; the cursor; and the
// system input queue that platform/testing fills. Raw events are routed one at a time, each
// only after the previous one has been retrieved, so that capture and focus set while handling
// one event decide where the next goes (as the system's raw input thread does).
#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>

#include "base/errors.h"
#include "process/clock.h"
#include "process/process.h"
#include "testing/input.h"
#include "ui/wm_internal.h"

namespace nux::ui::detail {
namespace {

// One desktop: activation, focus and capture are shared by all threads (read from any).
std::atomic<HWND> g_active{nullptr};
std::atomic<HWND> g_focus{nullptr};
std::atomic<HWND> g_capture{nullptr};
std::atomic<HCURSOR> g_cursor{nullptr};
POINT g_cursorPos{0, 0};
int g_cursorShow = 0;
BYTE g_asyncKeys[256] = {};

struct LastClick {
  HWND hwnd = nullptr;
  UINT button = 0;
  ULONGLONG time = 0;
  POINT pt{};
} g_lastClick;

std::mutex& RawMutex() {
  static auto* m = new std::mutex();
  return *m;
}
std::deque<nux::testing::RawInput>& Raw() {
  static auto* d = new std::deque<nux::testing::RawInput>();
  return *d;
}

bool AnyPendingInput() {
  // Input waits in the queues of the threads that own windows.
  std::vector<DWORD> threads;
  {
    Lock lock(Mutex());
    for (HWND h : TopLevel()) {
      auto w = Find(h);
      if (w) threads.push_back(w->thread);
    }
  }
  std::sort(threads.begin(), threads.end());
  threads.erase(std::unique(threads.begin(), threads.end()), threads.end());
  for (DWORD t : threads) {
    auto q = QueueFor(t, false);
    if (!q) continue;
    std::lock_guard<std::mutex> g(q->m);
    if (!q->input.empty()) return true;
  }
  return false;
}

WPARAM MouseKeys() {
  WPARAM k = 0;
  if (g_asyncKeys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
  if (g_asyncKeys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
  if (g_asyncKeys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
  if (g_asyncKeys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
  if (g_asyncKeys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
  return k;
}

void QueueInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (!w) return;
  auto q = QueueFor(w->thread, true);
  MSG m{};
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  m.pt = g_cursorPos;
  {
    std::lock_guard<std::mutex> g(q->m);
    q->input.push_back(m);
    ++q->wake;
  }
  q->cv.notify_all();
}

bool OnWindowThread(HWND h) {
  auto w = Find(h);
  return w && w->thread == GetCurrentThreadId();
}

LRESULT HitTest(HWND target, POINT pt) {
  if (!OnWindowThread(target)) {
    auto w = Find(target);
    if (!w) return HTNOWHERE;
    Lock lock(Mutex());
    return DefNcHitTest(*w, pt);
  }
  return Send(target, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
}

void RouteMouse(const nux::testing::RawInput& ev) {
  g_cursorPos = ev.pt;
  UINT button = ev.button;  // 0 move, 1 left, 2 right, 3 middle, 4 wheel
  if (button >= 1 && button <= 3) {
    BYTE vk = button == 1 ? VK_LBUTTON : button == 2 ? VK_RBUTTON : VK_MBUTTON;
    if (ev.down)
      g_asyncKeys[vk] = static_cast<BYTE>((g_asyncKeys[vk] & 1) ^ 1) | 0x80;
    else
      g_asyncKeys[vk] &= 0x01;
  }
  if (button == 4) {
    HWND focus = g_focus;
    HWND target = focus ? focus : WindowFromPoint(ev.pt);
    if (target)
      QueueInput(target, WM_MOUSEWHEEL, MAKEWPARAM(MouseKeys(), static_cast<WORD>(static_cast<short>(ev.wheel))),
                 MAKELPARAM(static_cast<WORD>(ev.pt.x), static_cast<WORD>(ev.pt.y)));
    return;
  }
  HWND captured = g_capture;
  HWND target = captured ? captured : WindowFromPoint(ev.pt);
  if (!target) return;
  if (!captured) {
    // Disabled windows take no mouse input: a disabled child leaves it to its first enabled
    // ancestor, a disabled top-level window (the owner of a modal dialog) swallows it.
    while (target && !IsWindowEnabled(target)) {
      if (!(GetWindowLongW(target, GWL_STYLE) & WS_CHILD)) return;
      target = GetParent(target);
    }
    if (!target) return;
  }
  LRESULT ht = g_capture ? HTCLIENT : HitTest(target, ev.pt);
  UINT base = 0;
  if (button == 0) {
    base = WM_MOUSEMOVE;
  } else {
    static const UINT downs[] = {0, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    base = ev.down ? downs[button] : downs[button] + 1;
  }
  if (!g_capture && OnWindowThread(target)) {
    Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(static_cast<WORD>(ht), base));
  }
  if (button != 0 && ev.down) {
    auto w = Find(target);
    WindowPtr root = w ? RootOf(w) : nullptr;
    if (root && root->hwnd != g_active && OnWindowThread(root->hwnd) && !(root->exStyle & WS_EX_NOACTIVATE)) {
      LRESULT ma = Send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root->hwnd),
                        MAKELPARAM(static_cast<WORD>(ht), base));
      if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT || ma == 0) ActivateWindow(root->hwnd, true);
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return;
    }
    // Double clicks for classes that ask for them.
    if (w && w->cls && (w->cls->style & CS_DBLCLKS) && g_lastClick.hwnd == target && g_lastClick.button == button &&
        nux::clock::NowMs() - g_lastClick.time <= 500 && std::abs(g_lastClick.pt.x - ev.pt.x) <= 2 &&
        std::abs(g_lastClick.pt.y - ev.pt.y) <= 2) {
      base += 2;  // WM_xBUTTONDBLCLK
      g_lastClick.hwnd = nullptr;
    } else {
      g_lastClick = LastClick{target, button, nux::clock::NowMs(), ev.pt};
    }
  }
  if (ht == HTCLIENT || g_capture) {
    POINT c = ev.pt;
    ScreenToClient(target, &c);
    QueueInput(target, base, MouseKeys(), MAKELPARAM(static_cast<WORD>(c.x), static_cast<WORD>(c.y)));
  } else {
    if (ht == HTNOWHERE || ht == HTTRANSPARENT || ht == HTERROR) return;
    UINT nc = base - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    QueueInput(target, nc, static_cast<WPARAM>(ht), MAKELPARAM(static_cast<WORD>(ev.pt.x), static_cast<WORD>(ev.pt.y)));
  }
}

void RouteKey(const nux::testing::RawInput& ev) {
  if (ev.isChar) {
    HWND target = g_focus ? g_focus : g_active;
    if (target) QueueInput(target, WM_CHAR, ev.ch, 1);
    return;
  }
  BYTE vk = static_cast<BYTE>(ev.vk);
  bool wasDown = (g_asyncKeys[vk] & 0x80) != 0;
  auto setKey = [&](BYTE k) {
    if (ev.down)
      g_asyncKeys[k] = static_cast<BYTE>(((g_asyncKeys[k] & 1) ^ (wasDown ? 0 : 1)) | 0x80);
    else
      g_asyncKeys[k] &= 0x01;
  };
  setKey(vk);
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) setKey(VK_SHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) setKey(VK_CONTROL);
  bool alt = (g_asyncKeys[VK_MENU] & 0x80) != 0;
  bool ctrl = (g_asyncKeys[VK_CONTROL] & 0x80) != 0;
  bool sys = (alt && !ctrl) || vk == VK_F10 || (vk == VK_MENU);
  HWND target = g_focus;
  if (!target) {
    target = g_active;
    sys = true;
  }
  if (!target) return;
  LPARAM lp = 1 | (alt ? (1 << 29) : 0) | (wasDown ? (1 << 30) : 0) | (ev.down ? 0 : (1u << 31));
  UINT msg = ev.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  if (ev.down) {
    if (auto w = Find(target)) {
      auto q = QueueFor(w->thread, true);
      std::lock_guard<std::mutex> g(q->m);
      if (ev.ch)
        q->typed[vk] = ev.ch;
      else
        q->typed.erase(vk);
    }
  }
  QueueInput(target, msg, vk, lp);
}

HWND NextActivationCandidate(HWND leaving) {
  auto w = Find(leaving);
  if (w && w->owner) {
    auto o = Find(w->owner);
    if (o && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED) && !o->iconic) return o->hwnd;
  }
  Lock lock(Mutex());
  for (HWND h : TopLevel()) {
    if (h == leaving) continue;
    auto c = Find(h);
    if (c && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED) && !c->iconic && !c->destroying &&
        c->thread == GetCurrentThreadId() && !(c->exStyle & WS_EX_TOOLWINDOW))
      return h;
  }
  return nullptr;
}

bool InSubtree(HWND root, HWND h) { return h && (h == root || IsChild(root, h)); }

}  // namespace

void RouteRawInput() {
  // One thread routes at a time, so the events keep their order.
  static std::mutex routing;
  std::unique_lock<std::mutex> one(routing, std::try_to_lock);
  if (!one.owns_lock()) return;
  for (;;) {
    nux::testing::RawInput ev;
    {
      std::lock_guard<std::mutex> g(RawMutex());
      if (Raw().empty()) return;
    }
    if (AnyPendingInput()) return;
    {
      std::lock_guard<std::mutex> g(RawMutex());
      if (Raw().empty()) return;
      ev = Raw().front();
      Raw().pop_front();
    }
    if (ev.isKey || ev.isChar)
      RouteKey(ev);
    else
      RouteMouse(ev);
  }
}

void UpdateKeyStateFromMessage(ThreadQueue& q, const MSG& m) {
  auto set = [&](BYTE vk, bool down) {
    if (down) {
      if (!(q.keys[vk] & 0x80)) q.keys[vk] ^= 1;
      q.keys[vk] |= 0x80;
    } else {
      q.keys[vk] &= 0x01;
    }
  };
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
      BYTE vk = static_cast<BYTE>(m.wParam);
      set(vk, down);
      if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT, down);
      if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL, down);
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_LBUTTONDBLCLK: set(VK_LBUTTON, true); break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP: set(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_RBUTTONDBLCLK: set(VK_RBUTTON, true); break;
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP: set(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: set(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: set(VK_MBUTTON, false); break;
    default: break;
  }
}

void ActivateWindow(HWND hwnd, bool mouse) {
  HWND top = nullptr;
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w) return;
    top = RootOf(w)->hwnd;
  }
  if (top == g_active) return;
  HWND old = g_active;
  if (old && IsWindow(old)) {
    Send(old, WM_NCACTIVATE, FALSE, 0);
    Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(top));
  }
  g_active = top;
  if (!top) {
    if (g_focus) SetFocus(nullptr);
    return;
  }
  SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Send(top, WM_NCACTIVATE, TRUE, 0);
  Send(top, WM_ACTIVATE, MAKEWPARAM(mouse ? WA_CLICKACTIVE : WA_ACTIVE, IsIconic(top) ? 1 : 0),
       reinterpret_cast<LPARAM>(old && IsWindow(old) ? old : nullptr));
  // A window that took no focus of its own keeps the focus out of the old window.
  if (g_focus && !InSubtree(top, g_focus)) {
    HWND f = g_focus;
    g_focus = nullptr;
    if (IsWindow(f)) Send(f, WM_KILLFOCUS, 0, 0);
  }
}

void WindowGoingAway(HWND hwnd, bool destroyed) {
  if (InSubtree(hwnd, g_capture)) ReleaseCapture();
  if (g_active == hwnd) {
    HWND next = NextActivationCandidate(hwnd);
    if (next)
      ActivateWindow(next, false);
    else {
      HWND old = g_active;
      if (IsWindow(old)) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        Send(old, WM_ACTIVATE, WA_INACTIVE, 0);
      }
      g_active = nullptr;
    }
  }
  if (InSubtree(hwnd, g_focus)) {
    HWND f = g_focus;
    auto w = Find(hwnd);
    HWND parent = w ? w->parent : nullptr;
    if (destroyed) {
      g_focus = nullptr;
      if (IsWindow(f) && f != hwnd) Send(f, WM_KILLFOCUS, 0, 0);
    } else if (parent) {
      SetFocus(parent);
    } else {
      g_focus = nullptr;
      if (IsWindow(f)) Send(f, WM_KILLFOCUS, 0, 0);
    }
  }
  if (g_active && !IsWindow(g_active)) g_active = nullptr;
}

POINT CurrentCursorPos() { return g_cursorPos; }

}  // namespace nux::ui::detail

using namespace nux::ui::detail;

HWND SetFocus(HWND hwnd) {
  HWND old = g_focus;
  if (!hwnd) {
    if (old) {
      g_focus = nullptr;
      if (IsWindow(old)) Send(old, WM_KILLFOCUS, 0, 0);
    }
    return old;
  }
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  if (w->thread != GetCurrentThreadId()) return SetLastError(ERROR_ACCESS_DENIED), nullptr;
  WindowPtr root = RootOf(w);
  if (root->hwnd != g_active) {
    ActivateWindow(root->hwnd, false);
    old = g_focus;
  }
  if (old == hwnd) return old;
  if (old && IsWindow(old)) Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (!IsWindow(hwnd)) return old;
  g_focus = hwnd;
  Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old && IsWindow(old) ? old : nullptr), 0);
  return old;
}

HWND GetFocus() {
  HWND f = g_focus;
  return f && IsWindow(f) ? f : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
  HWND old = g_active;
  if (hwnd && !IsWindow(hwnd)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  ActivateWindow(hwnd, false);
  return old;
}

HWND GetActiveWindow() {
  HWND a = g_active;
  return a && IsWindow(a) ? a : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  ActivateWindow(hwnd, false);
  return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetCapture(HWND hwnd) {
  HWND old = g_capture;
  if (!IsWindow(hwnd)) return old;
  g_capture = hwnd;
  if (old && old != hwnd && IsWindow(old)) Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = g_capture;
  g_capture = nullptr;
  if (old && IsWindow(old)) Send(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  HWND c = g_capture;
  return c && IsWindow(c) ? c : nullptr;
}

SHORT GetKeyState(int vk) {
  auto q = CurrentQueue();
  std::lock_guard<std::mutex> g(q->m);
  BYTE s = q->keys[vk & 0xFF];
  return static_cast<SHORT>(((s & 0x80) ? 0x8000 : 0) | (s & 1));
}

SHORT GetAsyncKeyState(int vk) { return (g_asyncKeys[vk & 0xFF] & 0x80) ? static_cast<SHORT>(0x8000) : 0; }

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = g_cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  g_cursorPos = POINT{x, y};
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = g_cursor;
  g_cursor = cursor;
  return old;
}

HCURSOR GetCursor() { return g_cursor; }

int ShowCursor(BOOL show) { return show ? ++g_cursorShow : --g_cursorShow; }

BOOL ClipCursor(const RECT*) { return TRUE; }

namespace nux::testing {

void QueueRawInput(const RawInput& ev) {
  {
    std::lock_guard<std::mutex> g(RawMutex());
    Raw().push_back(ev);
  }
  WakeAll();
}

void ClearRawInput() {
  std::lock_guard<std::mutex> g(RawMutex());
  Raw().clear();
}

void ResetInputState() {
  ClearRawInput();
  g_active = g_focus = g_capture = nullptr;
  std::memset(g_asyncKeys, 0, sizeof(g_asyncKeys));
  g_lastClick = {};
  g_cursorPos = POINT{0, 0};
}

}  // namespace nux::testing
