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
std::atomic<HWND> g_leaveTrack{nullptr};  // the window waiting for its WM_MOUSELEAVE
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

// Ends leave tracking with its message: the pointer has left the tracked window.
void EndLeaveTracking() {
  HWND tracked = g_leaveTrack.exchange(nullptr);
  if (tracked && IsWindow(tracked)) PostMessageW(tracked, WM_MOUSELEAVE, 0, 0);
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
  HWND under = WindowFromPoint(ev.pt);
  // The tracked window hears that the pointer left its client area before the window now under
  // the pointer hears of it (capture or not).
  if (HWND tracked = g_leaveTrack; tracked && (under != tracked || HitTest(tracked, ev.pt) != HTCLIENT))
    EndLeaveTracking();
  HWND target = captured ? captured : under;
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

// The set 1 scan code a key of a standard keyboard sends for a virtual key, and whether the key
// is one of the extended keys (E0 prefix: the arrow and navigation blocks, right Ctrl and Alt,
// the keypad's Enter and divide, the Windows and menu keys, Num Lock). 0 for keys without one.
struct KeyCode {
  BYTE scan = 0;
  bool extended = false;
};

KeyCode UsualKeyCode(UINT vk) {
  static const BYTE letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                   0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  static const BYTE keypad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
  if (vk >= 'A' && vk <= 'Z') return {letters[vk - 'A'], false};
  if (vk >= '1' && vk <= '9') return {static_cast<BYTE>(0x02 + (vk - '1')), false};
  if (vk == '0') return {0x0B, false};
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return {keypad[vk - VK_NUMPAD0], false};
  if (vk >= VK_F1 && vk <= VK_F10) return {static_cast<BYTE>(0x3B + (vk - VK_F1)), false};
  switch (vk) {
    case VK_F11: return {0x57, false};
    case VK_F12: return {0x58, false};
    case VK_ESCAPE: return {0x01, false};
    case VK_BACK: return {0x0E, false};
    case VK_TAB: return {0x0F, false};
    case VK_RETURN: return {0x1C, false};
    case VK_SPACE: return {0x39, false};
    case VK_CAPITAL: return {0x3A, false};
    case VK_SHIFT:
    case VK_LSHIFT: return {0x2A, false};
    case VK_RSHIFT: return {0x36, false};
    case VK_CONTROL:
    case VK_LCONTROL: return {0x1D, false};
    case VK_RCONTROL: return {0x1D, true};
    case VK_MENU:
    case VK_LMENU: return {0x38, false};
    case VK_RMENU: return {0x38, true};
    case VK_LWIN: return {0x5B, true};
    case VK_RWIN: return {0x5C, true};
    case VK_APPS: return {0x5D, true};
    case VK_UP: return {0x48, true};
    case VK_DOWN: return {0x50, true};
    case VK_LEFT: return {0x4B, true};
    case VK_RIGHT: return {0x4D, true};
    case VK_HOME: return {0x47, true};
    case VK_END: return {0x4F, true};
    case VK_PRIOR: return {0x49, true};
    case VK_NEXT: return {0x51, true};
    case VK_INSERT: return {0x52, true};
    case VK_DELETE: return {0x53, true};
    case VK_SNAPSHOT: return {0x37, true};
    case VK_NUMLOCK: return {0x45, true};
    case VK_SCROLL: return {0x46, false};
    case VK_PAUSE: return {0x45, false};
    case VK_CLEAR: return {0x4C, false};
    case VK_MULTIPLY: return {0x37, false};
    case VK_ADD: return {0x4E, false};
    case VK_SUBTRACT: return {0x4A, false};
    case VK_DECIMAL: return {0x53, false};
    case VK_DIVIDE: return {0x35, true};
    case 0xBA: return {0x27, false};  // ;
    case 0xBB: return {0x0D, false};  // =
    case 0xBC: return {0x33, false};  // ,
    case 0xBD: return {0x0C, false};  // -
    case 0xBE: return {0x34, false};  // .
    case 0xBF: return {0x35, false};  // /
    case 0xC0: return {0x29, false};  // `
    case 0xDB: return {0x1A, false};  // [
    case 0xDC: return {0x2B, false};  // backslash
    case 0xDD: return {0x1B, false};  // ]
    case 0xDE: return {0x28, false};  // '
    case 0xE2: return {0x56, false};  // the key beside left Shift on 102-key boards
    default: return {};
  }
}

// Messages name the generic modifier; the key state knows the side as well.
BYTE GenericKey(BYTE vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

BYTE SidedKey(BYTE vk, BYTE scan, bool extended) {
  switch (vk) {
    case VK_SHIFT: return scan == 0x36 ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL: return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU: return extended ? VK_RMENU : VK_LMENU;
    default: return 0;
  }
}

// Down: the toggle bit flips on each fresh press (not on auto-repeat); up: only the toggle stays.
void SetKeyByte(BYTE* keys, BYTE vk, bool down) {
  if (down) {
    if (!(keys[vk] & 0x80)) keys[vk] ^= 1;
    keys[vk] |= 0x80;
  } else {
    keys[vk] &= 0x01;
  }
}

// Sets a key and, for a modifier, its generic and sided entries (the generic one is down while
// either side is).
void SetKeyWithSides(BYTE* keys, BYTE generic, BYTE sided, bool down) {
  if (!sided) {
    SetKeyByte(keys, generic, down);
    return;
  }
  SetKeyByte(keys, sided, down);
  BYTE other = 0;
  switch (sided) {
    case VK_LSHIFT: other = VK_RSHIFT; break;
    case VK_RSHIFT: other = VK_LSHIFT; break;
    case VK_LCONTROL: other = VK_RCONTROL; break;
    case VK_RCONTROL: other = VK_LCONTROL; break;
    case VK_LMENU: other = VK_RMENU; break;
    case VK_RMENU: other = VK_LMENU; break;
    default: break;
  }
  if (down || !(keys[other] & 0x80)) SetKeyByte(keys, generic, down);
}

void RouteKey(const nux::testing::RawInput& ev) {
  if (ev.isChar) {
    HWND target = g_focus ? g_focus : g_active;
    // A character without a key of its own: repeat count 1, the scan code the source gave.
    LPARAM lp = 1 | (static_cast<LPARAM>(ev.scanCode & 0xFF) << 16) | (ev.extended ? (1 << 24) : 0);
    if (target) QueueInput(target, WM_CHAR, ev.ch, lp);
    return;
  }
  BYTE sent = static_cast<BYTE>(ev.vk);
  KeyCode code = UsualKeyCode(sent);
  BYTE scan = ev.scanCode ? static_cast<BYTE>(ev.scanCode) : code.scan;
  bool extended = ev.scanCode ? ev.extended : (code.extended || ev.extended);
  BYTE vk = GenericKey(sent);
  BYTE sided = vk != sent ? sent : SidedKey(vk, scan, extended);
  bool wasDown = (g_asyncKeys[sided ? sided : vk] & 0x80) != 0;
  SetKeyWithSides(g_asyncKeys, vk, sided, ev.down);
  bool alt = (g_asyncKeys[VK_MENU] & 0x80) != 0;
  bool ctrl = (g_asyncKeys[VK_CONTROL] & 0x80) != 0;
  bool sys = (alt && !ctrl) || vk == VK_F10 || vk == VK_MENU;
  HWND target = g_focus;
  if (!target) {
    // Without a focus window the active window hears every key as a system key.
    target = g_active;
    sys = true;
  }
  if (!target) return;
  // Bits 0-15 repeat count, 16-23 scan code, 24 extended, 29 context code (Alt held), 30 the
  // key was down before (always for a release), 31 transition (set for a release).
  LPARAM lp = 1 | (static_cast<LPARAM>(scan) << 16) | (extended ? (1 << 24) : 0) | (alt ? (1 << 29) : 0) |
              ((wasDown || !ev.down) ? (1 << 30) : 0) | (ev.down ? 0 : static_cast<LPARAM>(1u << 31));
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
  auto set = [&](BYTE vk, bool down) { SetKeyByte(q.keys, vk, down); };
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
      BYTE sent = static_cast<BYTE>(m.wParam);
      BYTE vk = GenericKey(sent);
      BYTE scan = static_cast<BYTE>((m.lParam >> 16) & 0xFF);
      bool extended = (m.lParam & (1 << 24)) != 0;
      SetKeyWithSides(q.keys, vk, vk != sent ? sent : SidedKey(vk, scan, extended), down);
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
  // A window losing activation no longer shows the pointer over its controls.
  if (old && InSubtree(old, g_leaveTrack)) EndLeaveTracking();
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
  if (InSubtree(hwnd, g_leaveTrack)) {
    if (destroyed)
      g_leaveTrack = nullptr;
    else
      EndLeaveTracking();
  }
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

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
  if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  if (track->dwFlags & TME_QUERY) {
    HWND tracked = g_leaveTrack;
    track->dwFlags = tracked && IsWindow(tracked) ? TME_LEAVE : 0;
    track->hwndTrack = track->dwFlags ? tracked : nullptr;
    track->dwHoverTime = 0;
    return TRUE;
  }
  // Hover tracking is not offered; leave tracking of the client area is.
  if (track->dwFlags & (TME_HOVER | TME_NONCLIENT)) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  if (!(track->dwFlags & TME_LEAVE)) return TRUE;
  HWND h = track->hwndTrack;
  if (!IsWindow(h)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  if (track->dwFlags & TME_CANCEL) {
    HWND expected = h;
    g_leaveTrack.compare_exchange_strong(expected, nullptr);
    return TRUE;
  }
  // Another window's tracking ends quietly; a window the pointer is not over hears at once.
  g_leaveTrack = h;
  POINT pt = g_cursorPos;
  if (WindowFromPoint(pt) != h || HitTest(h, pt) != HTCLIENT) EndLeaveTracking();
  return TRUE;
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
  g_leaveTrack = nullptr;
  std::memset(g_asyncKeys, 0, sizeof(g_asyncKeys));
  g_lastClick = {};
  g_cursorPos = POINT{0, 0};
}

}  // namespace nux::testing
