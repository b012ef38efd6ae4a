// Monitors, system metrics, SystemParametersInfo, system colours and the rectangle helpers.
#include "ui/sysparams.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

#include "base/codepage.h"
#include "base/errors.h"
#include "gdi/gdi.h"
#include "ui/window.h"
#include "ui/wm_internal.h"

namespace nux::ui {
namespace {

std::mutex& MonMutex() {
  static auto* m = new std::mutex();
  return *m;
}

std::vector<MonitorSpec> DefaultLayout() { return {MonitorSpec{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}}}; }

std::vector<MonitorSpec>& Layout() {
  static auto* l = new std::vector<MonitorSpec>(DefaultLayout());
  return *l;
}
// Handles of the current layout: generation * 16 + index + 1, so old handles stop matching.
uintptr_t g_generation = 1;

HMONITOR HandleFor(size_t index) { return reinterpret_cast<HMONITOR>((g_generation << 8) | (index + 1)); }

bool IndexOf(HMONITOR m, size_t* index) {
  uintptr_t v = reinterpret_cast<uintptr_t>(m);
  if ((v >> 8) != g_generation) return false;
  size_t i = (v & 0xFF);
  if (i == 0 || i > Layout().size()) return false;
  *index = i - 1;
  return true;
}

long long DistanceSq(const RECT& r, POINT p) {
  long long dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1 : 0;
  long long dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1 : 0;
  return dx * dx + dy * dy;
}

COLORREF g_colors[31] = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(223, 223, 223),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(180, 180, 180),  // 25 (unused)
    RGB(0, 0, 255),      // COLOR_HOTLIGHT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(181, 181, 181),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 0, 128),      // COLOR_MENUHILIGHT
    RGB(192, 192, 192),  // COLOR_MENUBAR
};
HBRUSH g_brushes[31] = {};
std::once_flag g_providers;

void InstallProviders() {
  std::call_once(g_providers, [] {
    nux::gdi::SetSysColorProvider([](int index) { return GetSysColor(index); });
    nux::gdi::SetScreenSizeProvider([] {
      return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    });
  });
}

// Installs the providers when the library loads, so that the drawing layer knows the
// colours before any window exists.
struct ProviderInit {
  ProviderInit() { InstallProviders(); }
} g_providerInit;

}  // namespace

void SetMonitors(const std::vector<MonitorSpec>& monitors) {
  std::lock_guard<std::mutex> g(MonMutex());
  Layout() = monitors.empty() ? DefaultLayout() : monitors;
  ++g_generation;
}

std::vector<MonitorSpec> GetMonitors() {
  std::lock_guard<std::mutex> g(MonMutex());
  return Layout();
}

void ResetMonitors() { SetMonitors({}); }

}  // namespace nux::ui

using namespace nux::ui;

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  std::lock_guard<std::mutex> g(MonMutex());
  auto& l = Layout();
  for (size_t i = 0; i < l.size(); ++i)
    if (PtInRect(&l[i].monitor, pt)) return HandleFor(i);
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleFor(0);
  size_t best = 0;
  long long bestD = LLONG_MAX;
  for (size_t i = 0; i < l.size(); ++i) {
    long long d = DistanceSq(l[i].monitor, pt);
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return HandleFor(best);
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  if (!rect) return nullptr;
  std::lock_guard<std::mutex> g(MonMutex());
  auto& l = Layout();
  // The monitor with the largest intersection; without one, the nearest.
  long long bestArea = 0;
  size_t best = 0;
  for (size_t i = 0; i < l.size(); ++i) {
    RECT in;
    if (IntersectRect(&in, rect, &l[i].monitor)) {
      long long a = static_cast<long long>(in.right - in.left) * (in.bottom - in.top);
      if (a > bestArea) {
        bestArea = a;
        best = i;
      }
    }
  }
  if (bestArea > 0) return HandleFor(best);
  if (flags == MONITOR_DEFAULTTONULL) return nullptr;
  if (flags == MONITOR_DEFAULTTOPRIMARY) return HandleFor(0);
  long long bestD = LLONG_MAX;
  for (size_t i = 0; i < l.size(); ++i) {
    const RECT& m = l[i].monitor;
    long long dx = rect->right <= m.left ? m.left - rect->right + 1 : rect->left >= m.right ? rect->left - m.right + 1 : 0;
    long long dy = rect->bottom <= m.top ? m.top - rect->bottom + 1 : rect->top >= m.bottom ? rect->top - m.bottom + 1 : 0;
    long long d = dx * dx + dy * dy;
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  return HandleFor(best);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  if (!info || (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXW))) return FALSE;
  std::lock_guard<std::mutex> g(MonMutex());
  size_t i;
  if (!IndexOf(monitor, &i)) return FALSE;
  info->rcMonitor = Layout()[i].monitor;
  info->rcWork = Layout()[i].work;
  info->dwFlags = i == 0 ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize == sizeof(MONITORINFOEXW)) {
    auto* ex = reinterpret_cast<MONITORINFOEXW*>(info);
    std::u16string name = u"\\\\.\\DISPLAY" + nux::AnsiToWide(std::to_string(i + 1));
    std::memset(ex->szDevice, 0, sizeof(ex->szDevice));
    std::memcpy(ex->szDevice, name.data(), std::min<size_t>(name.size(), CCHDEVICENAME - 1) * 2);
  }
  return TRUE;
}

BOOL EnumDisplayMonitors(HDC, const RECT* clip, MONITORENUMPROC proc, LPARAM data) {
  std::vector<MonitorSpec> l = GetMonitors();
  for (size_t i = 0; i < l.size(); ++i) {
    RECT r = l[i].monitor;
    if (clip && !IntersectRect(&r, &r, clip)) continue;
    HMONITOR h;
    {
      std::lock_guard<std::mutex> g(MonMutex());
      h = HandleFor(i);
    }
    if (!proc(h, nullptr, &r, data)) return FALSE;
  }
  return TRUE;
}

BOOL SystemParametersInfoW(UINT action, UINT, LPVOID param, UINT) {
  switch (action) {
    case SPI_GETWORKAREA: {
      if (!param) return FALSE;
      std::lock_guard<std::mutex> g(MonMutex());
      *static_cast<RECT*>(param) = Layout()[0].work;
      return TRUE;
    }
    case SPI_SETWORKAREA: {
      if (!param) return FALSE;
      std::lock_guard<std::mutex> g(MonMutex());
      Layout()[0].work = *static_cast<RECT*>(param);
      return TRUE;
    }
    case SPI_GETDRAGFULLWINDOWS:
    case SPI_GETMENUANIMATION:
    case SPI_GETKEYBOARDCUES:
      if (param) *static_cast<BOOL*>(param) = TRUE;
      return TRUE;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      std::lock_guard<std::mutex> g(MonMutex());
      const RECT& m = Layout()[0].monitor;
      return index == SM_CXSCREEN ? m.right - m.left : m.bottom - m.top;
    }
    case SM_CXFULLSCREEN:
    case SM_CYFULLSCREEN: {
      std::lock_guard<std::mutex> g(MonMutex());
      const RECT& w = Layout()[0].work;
      return index == SM_CXFULLSCREEN ? w.right - w.left : w.bottom - w.top - 19;
    }
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CYVIRTUALSCREEN: {
      std::lock_guard<std::mutex> g(MonMutex());
      RECT u = Layout()[0].monitor;
      for (auto& m : Layout()) UnionRect(&u, &u, &m.monitor);
      if (index == SM_XVIRTUALSCREEN) return u.left;
      if (index == SM_YVIRTUALSCREEN) return u.top;
      return index == SM_CXVIRTUALSCREEN ? u.right - u.left : u.bottom - u.top;
    }
    case SM_CMONITORS: {
      std::lock_guard<std::mutex> g(MonMutex());
      return static_cast<int>(Layout().size());
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CYSMCAPTION: return 15;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXMINTRACK: return 112;
    case SM_CYMINTRACK: return 27;
    case SM_CXMAXTRACK:
    case SM_CYMAXTRACK: {
      int v = GetSystemMetrics(index == SM_CXMAXTRACK ? SM_CXVIRTUALSCREEN : SM_CYVIRTUALSCREEN);
      return v + 12;
    }
    case SM_CXMAXIMIZED:
    case SM_CYMAXIMIZED: {
      std::lock_guard<std::mutex> g(MonMutex());
      const RECT& w = Layout()[0].work;
      return (index == SM_CXMAXIMIZED ? w.right - w.left : w.bottom - w.top) + 8;
    }
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    default: return 0;
  }
}

DWORD GetSysColor(int index) {
  if (index < 0 || index >= 31) return 0;
  return g_colors[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= 31) return nullptr;
  static std::mutex m;
  std::lock_guard<std::mutex> g(m);
  if (!g_brushes[index]) g_brushes[index] = CreateSolidBrush(g_colors[index]);
  return g_brushes[index];
}

BOOL SetSysColors(int count, const int* indexes, const COLORREF* values) {
  for (int i = 0; i < count; ++i) {
    if (indexes[i] < 0 || indexes[i] >= 31) continue;
    g_colors[indexes[i]] = values[i];
  }
  return TRUE;
}

// ---- rectangles ----------------------------------------------------------------------------
BOOL SetRect(LPRECT r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(LPRECT r) { return SetRect(r, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT dst, const RECT* src) {
  if (!dst || !src) return FALSE;
  *dst = *src;
  return TRUE;
}

BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

BOOL OffsetRect(LPRECT r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
  return TRUE;
}

BOOL InflateRect(LPRECT r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
  return TRUE;
}

BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (r.left >= r.right || r.top >= r.bottom) {
    *dst = RECT{0, 0, 0, 0};
    return FALSE;
  }
  *dst = r;
  return TRUE;
}

BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  bool ea = IsRectEmpty(a), eb = IsRectEmpty(b);
  if (ea && eb) {
    *dst = RECT{0, 0, 0, 0};
    return FALSE;
  }
  if (ea) {
    *dst = *b;
    return TRUE;
  }
  if (eb) {
    *dst = *a;
    return TRUE;
  }
  *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
              std::max(a->bottom, b->bottom)};
  return TRUE;
}

BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT r = *a;
  RECT in;
  if (IntersectRect(&in, a, b)) {
    // Only a full band across one side of `a` is cut away, as Windows does.
    if (in.left == a->left && in.right == a->right) {
      if (in.top == a->top) r.top = in.bottom;
      else if (in.bottom == a->bottom) r.bottom = in.top;
    } else if (in.top == a->top && in.bottom == a->bottom) {
      if (in.left == a->left) r.left = in.right;
      else if (in.right == a->right) r.right = in.left;
    }
  }
  *dst = r;
  if (IsRectEmpty(&r)) {
    *dst = RECT{0, 0, 0, 0};
    return FALSE;
  }
  return TRUE;
}
