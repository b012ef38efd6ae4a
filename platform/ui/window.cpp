// Window classes, windows, their relations and geometry, SetWindowPos, ShowWindow and the
// default window procedure's non-client model.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/wstr.h"
#include "gdi/gdi.h"
#include "process/process.h"
#include "ui/sysparams.h"
#include "ui/wm_internal.h"

namespace nux::ui::detail {
namespace {

std::unordered_map<HWND, WindowPtr>& Table() {
  static auto* t = new std::unordered_map<HWND, WindowPtr>();
  return *t;
}
std::vector<std::shared_ptr<WndClass>>& Classes() {
  static auto* c = new std::vector<std::shared_ptr<WndClass>>();
  return *c;
}
ATOM g_nextAtom = 0xC000;
uintptr_t g_nextHandle = 0x20000;

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

std::u16string ClassNameArg(LPCWSTR name) {
  if (!name) return {};
  if (IS_INTRESOURCE(name)) {
    auto c = FindClassAtom(static_cast<ATOM>(reinterpret_cast<uintptr_t>(name)));
    return c ? c->name : std::u16string();
  }
  return name;
}

std::u16string Wide(LPCSTR s) { return s ? nux::AnsiToWide(s) : std::u16string(); }

}  // namespace

std::recursive_mutex& Mutex() {
  static auto* m = new std::recursive_mutex();
  return *m;
}

WindowPtr Find(HWND hwnd) {
  Lock lock(Mutex());
  auto it = Table().find(hwnd);
  return it == Table().end() ? nullptr : it->second;
}

std::vector<HWND>& TopLevel() {
  static auto* v = new std::vector<HWND>();
  return *v;
}

std::vector<HWND> AllWindows() {
  Lock lock(Mutex());
  std::vector<HWND> out;
  for (auto& [h, w] : Table()) out.push_back(h);
  return out;
}

std::shared_ptr<WndClass> FindClass(std::u16string_view name) {
  EnsureSystemClasses();
  Lock lock(Mutex());
  for (auto& c : Classes())
    if (SameNoCase(c->name, name)) return c;
  return nullptr;
}

std::shared_ptr<WndClass> FindClassAtom(ATOM atom) {
  EnsureSystemClasses();
  Lock lock(Mutex());
  for (auto& c : Classes())
    if (c->atom == atom) return c;
  return nullptr;
}

POINT ScreenOrigin(const Window& w) {
  POINT p{w.rect.left, w.rect.top};
  if (w.parent) {
    if (auto parent = Find(w.parent)) {
      POINT o = ClientScreenOrigin(*parent);
      p.x += o.x;
      p.y += o.y;
    }
  }
  return p;
}

POINT ClientScreenOrigin(const Window& w) {
  POINT p = ScreenOrigin(w);
  return POINT{p.x + w.client.left, p.y + w.client.top};
}

WindowPtr RootOf(const WindowPtr& w) {
  WindowPtr cur = w;
  while (cur && cur->parent) {
    auto p = Find(cur->parent);
    if (!p) break;
    cur = p;
  }
  return cur;
}

bool IsVisibleChain(const Window& w) {
  if (!(w.style & WS_VISIBLE)) return false;
  if (!w.parent) return true;
  auto p = Find(w.parent);
  return p && IsVisibleChain(*p);
}

RECT NcInsets(DWORD style, DWORD exStyle, bool menu) {
  RECT r{0, 0, 0, 0};
  int border = 0;
  if (style & WS_THICKFRAME)
    border = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    border = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    border = GetSystemMetrics(SM_CXBORDER);
  r.left = r.top = r.right = r.bottom = border;
  if ((style & WS_CAPTION) == WS_CAPTION)
    r.top += (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
  if (menu) r.top += GetSystemMetrics(SM_CYMENU);
  int edge = 0;
  if (exStyle & WS_EX_CLIENTEDGE) edge += 2;
  if (exStyle & WS_EX_STATICEDGE) edge += 1;
  r.left += edge;
  r.top += edge;
  r.right += edge;
  r.bottom += edge;
  return r;
}

namespace {

bool HasMenuBar(const Window& w) { return !(w.style & WS_CHILD) && w.id != 0; }

// Asks the window for its client rectangle for a window rectangle (parent coordinates);
// stores it relative to the window's corner.
void CalcClient(const WindowPtr& w, const RECT& windowRect, WINDOWPOS* pos) {
  NCCALCSIZE_PARAMS p{};
  p.rgrc[0] = windowRect;
  p.rgrc[1] = w->rect;
  {
    POINT o{w->rect.left + w->client.left, w->rect.top + w->client.top};
    p.rgrc[2] = RECT{o.x, o.y, o.x + (w->client.right - w->client.left), o.y + (w->client.bottom - w->client.top)};
  }
  p.lppos = pos;
  if (pos)
    Send(w->hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
  else
    Send(w->hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&p.rgrc[0]));
  Lock lock(Mutex());
  RECT c = p.rgrc[0];
  w->client = RECT{c.left - windowRect.left, c.top - windowRect.top, c.right - windowRect.left, c.bottom - windowRect.top};
}

std::atomic<PixelMemoryMaker> g_pixelMemory{nullptr};

void ResizeSurface(Window& w) {
  if (w.parent) return;
  int cx = std::max<LONG>(0, w.rect.right - w.rect.left), cy = std::max<LONG>(0, w.rect.bottom - w.rect.top);
  if (!w.surface) w.surface = std::make_unique<nux::gdi::Surface>();
  if (w.surface->width() == cx && w.surface->height() == cy) return;
  w.surface->Resize(cx, cy, 0xFFFFFFFFu);
  // A surface on the heap (new, or made before the maker was set) moves to the maker's memory.
  PixelMemoryMaker maker = g_pixelMemory.load();
  if (maker && !w.surface->memory() && cx > 0 && cy > 0)
    if (auto memory = maker(size_t(cx) * size_t(cy))) w.surface->SetMemory(std::move(memory));
}

std::vector<HWND>* SiblingList(const Window& w) {
  if (w.parent) {
    auto p = Find(w.parent);
    return p ? &p->children : nullptr;
  }
  return &TopLevel();
}

void RemoveFromList(std::vector<HWND>& v, HWND h) { v.erase(std::remove(v.begin(), v.end(), h), v.end()); }

// Inserts a window into its sibling list at the place `after` names.
void PlaceInZOrder(Window& w, HWND after) {
  std::vector<HWND>* list = SiblingList(w);
  if (!list) return;
  RemoveFromList(*list, w.hwnd);
  bool topmost = !w.parent && (w.exStyle & WS_EX_TOPMOST);
  auto isTopmost = [](HWND h) {
    auto x = Find(h);
    return x && !x->parent && (x->exStyle & WS_EX_TOPMOST);
  };
  if (after == HWND_TOPMOST) {
    if (!w.parent) w.exStyle |= WS_EX_TOPMOST;
    list->insert(list->begin(), w.hwnd);
    return;
  }
  if (after == HWND_NOTOPMOST) {
    w.exStyle &= ~WS_EX_TOPMOST;
    auto it = std::find_if_not(list->begin(), list->end(), isTopmost);
    list->insert(it, w.hwnd);
    return;
  }
  if (after == HWND_TOP) {
    auto it = topmost ? list->begin() : std::find_if_not(list->begin(), list->end(), isTopmost);
    if (w.parent) it = list->begin();
    list->insert(it, w.hwnd);
    return;
  }
  if (after == HWND_BOTTOM) {
    list->push_back(w.hwnd);
    return;
  }
  auto it = std::find(list->begin(), list->end(), after);
  if (it == list->end())
    list->insert(list->begin(), w.hwnd);
  else
    list->insert(it + 1, w.hwnd);
}

// Windows owned by `owner` stay above it: they are moved, in their order, just in front of it.
void KeepOwnedAbove(HWND owner) {
  auto& list = TopLevel();
  std::vector<HWND> owned;
  for (HWND h : list) {
    auto o = Find(h);
    if (o && o->owner == owner) owned.push_back(h);
  }
  if (owned.empty()) return;
  for (HWND h : owned) RemoveFromList(list, h);
  auto it = std::find(list.begin(), list.end(), owner);
  list.insert(it, owned.begin(), owned.end());
}

// Converts a message's arguments between the A and W forms for the few messages that carry text.
struct Converted {
  WPARAM wParam;
  LPARAM lParam;
  std::string ansi;
  std::u16string wide;
  CREATESTRUCTA csa{};
  CREATESTRUCTW csw{};
  std::string ansiName, ansiClass;
  std::u16string wideName, wideClass;
  std::vector<char> abuf;
  std::vector<char16_t> wbuf;
};

}  // namespace

LRESULT CallProcWith(WNDPROC proc, bool procAnsi, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool argsAnsi) {
  if (!proc) return 0;
  if (procAnsi == argsAnsi) return proc(hwnd, msg, wParam, lParam);
  Converted c;
  c.wParam = wParam;
  c.lParam = lParam;
  switch (msg) {
    case WM_SETTEXT:
    case 0x00C2: /* EM_REPLACESEL */
      if (!lParam) break;
      if (argsAnsi) {
        c.wide = nux::AnsiToWide(reinterpret_cast<LPCSTR>(lParam));
        return proc(hwnd, msg, wParam, reinterpret_cast<LPARAM>(c.wide.c_str()));
      } else {
        c.ansi = nux::WideToAnsi(reinterpret_cast<LPCWSTR>(lParam));
        return proc(hwnd, msg, wParam, reinterpret_cast<LPARAM>(c.ansi.c_str()));
      }
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return proc(hwnd, msg, wParam, lParam);
      size_t n = wParam;
      if (argsAnsi) {
        // The caller wants 8-bit text from a wide procedure.
        c.wbuf.assign(n, 0);
        proc(hwnd, msg, n, reinterpret_cast<LPARAM>(c.wbuf.data()));
        std::string a = nux::WideToAnsi(std::u16string(c.wbuf.data()));
        size_t k = std::min(a.size(), n - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), a.data(), k);
        reinterpret_cast<char*>(lParam)[k] = 0;
        return static_cast<LRESULT>(k);
      } else {
        c.abuf.assign(n * 2 + 1, 0);
        proc(hwnd, msg, n, reinterpret_cast<LPARAM>(c.abuf.data()));
        std::u16string wtxt = nux::AnsiToWide(std::string(c.abuf.data()));
        size_t k = std::min(wtxt.size(), n - 1);
        std::memcpy(reinterpret_cast<char16_t*>(lParam), wtxt.data(), k * 2);
        reinterpret_cast<char16_t*>(lParam)[k] = 0;
        return static_cast<LRESULT>(k);
      }
    }
    case WM_CHAR:
    case WM_SYSCHAR:
      if (argsAnsi) {
        char ch = static_cast<char>(wParam & 0xFF);
        std::u16string w = nux::AnsiToWide(std::string(1, ch));
        return proc(hwnd, msg, w.empty() ? 0 : w[0], lParam);
      } else {
        std::string a = nux::WideToAnsi(std::u16string(1, static_cast<char16_t>(wParam)));
        return proc(hwnd, msg, a.empty() ? 0 : static_cast<unsigned char>(a[0]), lParam);
      }
    case WM_CREATE:
    case WM_NCCREATE:
      if (!lParam) break;
      if (argsAnsi) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        std::memcpy(&c.csw, cs, sizeof(c.csw));
        c.wideName = Wide(cs->lpszName);
        c.csw.lpszName = cs->lpszName ? c.wideName.c_str() : nullptr;
        if (cs->lpszClass && !IS_INTRESOURCE(cs->lpszClass)) {
          c.wideClass = Wide(cs->lpszClass);
          c.csw.lpszClass = c.wideClass.c_str();
        }
        return proc(hwnd, msg, wParam, reinterpret_cast<LPARAM>(&c.csw));
      } else {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        std::memcpy(&c.csa, cs, sizeof(c.csa));
        if (cs->lpszName) {
          c.ansiName = nux::WideToAnsi(cs->lpszName);
          c.csa.lpszName = c.ansiName.c_str();
        }
        if (cs->lpszClass && !IS_INTRESOURCE(cs->lpszClass)) {
          c.ansiClass = nux::WideToAnsi(cs->lpszClass);
          c.csa.lpszClass = c.ansiClass.c_str();
        }
        return proc(hwnd, msg, wParam, reinterpret_cast<LPARAM>(&c.csa));
      }
    default:
      break;
  }
  return proc(hwnd, msg, wParam, lParam);
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool argsAnsi) {
  WindowPtr w = Find(hwnd);
  if (!w) return 0;
  WNDPROC proc;
  bool ansi;
  {
    Lock lock(Mutex());
    proc = w->proc;
    ansi = w->ansi;
  }
  RunMessageHooks(hwnd, msg, wParam, lParam);
  return CallProcWith(proc, ansi, hwnd, msg, wParam, lParam, argsAnsi);
}

LRESULT DefNcHitTest(const Window& w, POINT pt) {
  POINT o = ScreenOrigin(w);
  RECT wr{o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
  if (!PtInRect(&wr, pt)) return HTNOWHERE;
  POINT co{o.x + w.client.left, o.y + w.client.top};
  RECT cr{co.x, co.y, co.x + (w.client.right - w.client.left), co.y + (w.client.bottom - w.client.top)};
  if (PtInRect(&cr, pt)) return HTCLIENT;
  if (w.style & WS_THICKFRAME) {
    int f = GetSystemMetrics(SM_CXFRAME);
    bool left = pt.x < wr.left + f, right = pt.x >= wr.right - f;
    bool top = pt.y < wr.top + f, bottom = pt.y >= wr.bottom - f;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  RECT in = NcInsets(w.style, w.exStyle, false);
  if ((w.style & WS_CAPTION) == WS_CAPTION) {
    int capTop = wr.top + (in.top - ((w.exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION)
                                                                     : GetSystemMetrics(SM_CYCAPTION)));
    int capBottom = wr.top + in.top;
    if (pt.y >= capTop && pt.y < capBottom) return HTCAPTION;
  }
  if ((w.style & WS_VSCROLL) && pt.x >= cr.right && pt.y >= cr.top && pt.y < cr.bottom) return HTVSCROLL;
  if ((w.style & WS_HSCROLL) && pt.y >= cr.bottom && pt.x >= cr.left && pt.x < cr.right) return HTHSCROLL;
  if (HasMenuBar(w) && pt.y < cr.top) return HTMENU;
  return HTBORDER;
}

void SetTopLevelPixelMemory(PixelMemoryMaker maker) { g_pixelMemory = maker; }

}  // namespace nux::ui::detail

using namespace nux::ui::detail;

// ---- classes --------------------------------------------------------------------------
namespace {

ATOM Register(WndClass c) {
  if (c.name.empty() || !c.proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  EnsureSystemClasses();
  Lock lock(Mutex());
  for (auto& existing : Classes()) {
    if (SameNoCase(existing->name, c.name)) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  c.atom = g_nextAtom++;
  Classes().push_back(std::make_shared<WndClass>(std::move(c)));
  return Classes().back()->atom;
}

std::u16string MenuNameW(LPCWSTR n) {
  if (!n) return {};
  if (IS_INTRESOURCE(n)) return u"#" + nux::AnsiToWide(std::to_string(reinterpret_cast<uintptr_t>(n)));
  return n;
}
std::u16string MenuNameA(LPCSTR n) {
  if (!n) return {};
  if (IS_INTRESOURCE(n)) return u"#" + nux::AnsiToWide(std::to_string(reinterpret_cast<uintptr_t>(n)));
  return Wide(n);
}

template <class WC>
WndClass FromClass(const WC& wc) {
  WndClass c;
  c.style = wc.style;
  c.proc = wc.lpfnWndProc;
  c.clsExtra = wc.cbClsExtra;
  c.wndExtra = wc.cbWndExtra;
  c.instance = wc.hInstance;
  c.icon = wc.hIcon;
  c.cursor = wc.hCursor;
  c.background = wc.hbrBackground;
  return c;
}

}  // namespace

namespace nux::ui::detail {
void RegisterSystemClass(LPCWSTR name, WNDPROC proc, UINT style, int wndExtra, HBRUSH background, HCURSOR cursor) {
  Lock lock(Mutex());
  auto c = std::make_shared<WndClass>();
  c->name = name;
  c->proc = proc;
  c->style = style | CS_GLOBALCLASS;
  c->wndExtra = wndExtra;
  c->background = background;
  c->cursor = cursor;
  c->system = true;
  c->atom = g_nextAtom++;
  Classes().push_back(c);
}
bool ClassProcIsAnsi(WNDPROC proc, bool* known) {
  Lock lock(Mutex());
  for (auto& c : Classes()) {
    if (c->proc == proc) {
      *known = true;
      return c->ansi;
    }
  }
  *known = false;
  return false;
}
}  // namespace nux::ui::detail

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc || !wc->lpszClassName) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  WndClass c = FromClass(*wc);
  c.name = wc->lpszClassName;
  c.menuName = MenuNameW(wc->lpszMenuName);
  return Register(std::move(c));
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  WndClass c = FromClass(*wc);
  c.name = Wide(wc->lpszClassName);
  c.menuName = MenuNameA(wc->lpszMenuName);
  c.ansi = true;
  return Register(std::move(c));
}

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (!wc || !wc->lpszClassName) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  WndClass c = FromClass(*wc);
  c.name = wc->lpszClassName;
  c.menuName = MenuNameW(wc->lpszMenuName);
  return Register(std::move(c));
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || !wc->lpszClassName) return SetLastError(ERROR_INVALID_PARAMETER), 0;
  WndClass c = FromClass(*wc);
  c.name = Wide(wc->lpszClassName);
  c.menuName = MenuNameA(wc->lpszMenuName);
  c.ansi = true;
  return Register(std::move(c));
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  std::u16string name = ClassNameArg(className);
  Lock lock(Mutex());
  auto& v = Classes();
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (!(*it)->system && SameNoCase((*it)->name, name)) {
      for (auto& [h, w] : Table())
        if (w->cls == *it) return SetLastError(5 /*ERROR_ACCESS_DENIED: class still in use*/), FALSE;
      v.erase(it);
      return TRUE;
    }
  }
  SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return FALSE;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  if (className && IS_INTRESOURCE(className)) return UnregisterClassW(reinterpret_cast<LPCWSTR>(className), instance);
  std::u16string n = Wide(className);
  return UnregisterClassW(n.c_str(), instance);
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, LPWNDCLASSW wc) {
  auto c = FindClass(ClassNameArg(className));
  if (!c) return SetLastError(ERROR_CLASS_DOES_NOT_EXIST), FALSE;
  if (wc) {
    std::memset(wc, 0, sizeof(*wc));
    wc->style = c->style;
    wc->lpfnWndProc = c->proc;
    wc->cbClsExtra = c->clsExtra;
    wc->cbWndExtra = c->wndExtra;
    wc->hInstance = c->instance;
    wc->hIcon = c->icon;
    wc->hCursor = c->cursor;
    wc->hbrBackground = c->background;
    wc->lpszClassName = c->name.c_str();
  }
  return TRUE;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, LPWNDCLASSA wc) {
  std::u16string n = (className && IS_INTRESOURCE(className)) ? ClassNameArg(reinterpret_cast<LPCWSTR>(className)) : Wide(className);
  WNDCLASSW w;
  if (!GetClassInfoW(instance, n.c_str(), &w)) return FALSE;
  if (wc) {
    std::memset(wc, 0, sizeof(*wc));
    wc->style = w.style;
    wc->lpfnWndProc = w.lpfnWndProc;
    wc->cbClsExtra = w.cbClsExtra;
    wc->cbWndExtra = w.cbWndExtra;
    wc->hInstance = w.hInstance;
    wc->hIcon = w.hIcon;
    wc->hCursor = w.hCursor;
    wc->hbrBackground = w.hbrBackground;
    wc->lpszClassName = className;
  }
  return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount) {
  auto w = Find(hwnd);
  RemoteWindow remote;
  if (!w && !FindRemoteWindow(hwnd, &remote)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  if (!buffer || maxCount <= 0) return 0;
  const std::u16string& name = w ? w->cls->name : remote.className;
  int n = std::min<int>(static_cast<int>(name.size()), maxCount - 1);
  std::memcpy(buffer, name.data(), n * 2);
  buffer[n] = 0;
  return n;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int maxCount) {
  auto w = Find(hwnd);
  RemoteWindow remote;
  if (!w && !FindRemoteWindow(hwnd, &remote)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  if (!buffer || maxCount <= 0) return 0;
  std::string a = nux::WideToAnsi(w ? w->cls->name : remote.className);
  int n = std::min<int>(static_cast<int>(a.size()), maxCount - 1);
  std::memcpy(buffer, a.data(), n);
  buffer[n] = 0;
  return n;
}

ULONG_PTR GetClassLongPtrW(HWND hwnd, int index) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  Lock lock(Mutex());
  switch (index) {
    case GCL_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(w->cls->background);
    case GCL_HCURSOR: return reinterpret_cast<ULONG_PTR>(w->cls->cursor);
    case GCL_STYLE: return w->cls->style;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

ULONG_PTR SetClassLongPtrW(HWND hwnd, int index, LONG_PTR value) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  Lock lock(Mutex());
  ULONG_PTR old = 0;
  switch (index) {
    case GCL_HBRBACKGROUND:
      old = reinterpret_cast<ULONG_PTR>(w->cls->background);
      w->cls->background = reinterpret_cast<HBRUSH>(value);
      return old;
    case GCL_HCURSOR:
      old = reinterpret_cast<ULONG_PTR>(w->cls->cursor);
      w->cls->cursor = reinterpret_cast<HCURSOR>(value);
      return old;
    case GCL_STYLE:
      old = w->cls->style;
      w->cls->style = static_cast<UINT>(value);
      return old;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

// ---- hooks ---------------------------------------------------------------------------------
namespace {

struct Hook {
  HHOOK handle;
  HOOKPROC proc;
};
thread_local std::vector<Hook> t_cbtHooks;
std::atomic<uintptr_t> g_nextHook{0x40000};

// Runs the thread's CBT hooks, newest first; a non-zero answer to HCBT_CREATEWND stops the creation.
LRESULT RunCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (t_cbtHooks.empty()) return 0;
  std::vector<Hook> hooks(t_cbtHooks.rbegin(), t_cbtHooks.rend());
  return hooks.front().proc(code, wParam, lParam);
}

}  // namespace

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (idHook != WH_CBT || !proc || (threadId != 0 && threadId != GetCurrentThreadId())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HHOOK h = reinterpret_cast<HHOOK>(g_nextHook.fetch_add(4));
  t_cbtHooks.push_back(Hook{h, proc});
  return h;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto it = std::find_if(t_cbtHooks.begin(), t_cbtHooks.end(), [hook](const Hook& h) { return h.handle == hook; });
  if (it == t_cbtHooks.end()) return FALSE;
  t_cbtHooks.erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  // The hook after `hook` in calling order (newest first).
  for (size_t i = t_cbtHooks.size(); i-- > 0;) {
    if (t_cbtHooks[i].handle == hook) {
      if (i == 0) return 0;
      HOOKPROC next = t_cbtHooks[i - 1].proc;
      return next(code, wParam, lParam);
    }
  }
  return 0;
}

// ---- creation and destruction ------------------------------------------------------------
namespace {

void FinishDestroyTree(HWND hwnd);

HWND CreateCommon(DWORD exStyle, const std::u16string& className, const std::u16string* title, DWORD style, int x,
                  int y, int cx, int cy, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param, bool ansi,
                  LPCSTR ansiClass, LPCSTR ansiTitle) {
  auto cls = FindClass(className);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (parent == HWND_MESSAGE) parent = nullptr;
  WindowPtr parentWin;
  if (parent && parent != GetDesktopWindow()) {
    parentWin = Find(parent);
    if (!parentWin) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  } else {
    parent = nullptr;
  }
  if ((style & WS_CHILD) && !parentWin) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  CurrentQueue();  // the creating thread owns the window and answers its messages
  auto w = std::make_shared<Window>();
  w->cls = cls;
  w->proc = cls->proc;
  w->ansi = cls->ansi;
  w->instance = instance;
  w->thread = GetCurrentThreadId();
  w->extra.assign(std::max(0, cls->wndExtra), 0);
  DWORD visible = style & WS_VISIBLE;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  if (!(style & WS_CHILD)) {
    w->style |= WS_CLIPSIBLINGS;
    if (!(style & WS_POPUP)) w->style |= WS_CAPTION;
    if (parentWin) w->owner = RootOf(parentWin)->hwnd;
  } else {
    w->parent = parent;
  }
  if ((w->style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) w->exStyle |= WS_EX_WINDOWEDGE;
  w->id = reinterpret_cast<LONG_PTR>(menu);
  if (title) w->text = *title;
  // Default placement of top-level windows whose position or size is left to the system.
  if (!(style & WS_CHILD)) {
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (x == CW_USEDEFAULT) {
      x = work.left + 26;
      y = work.top + 26;
    }
    if (cx == CW_USEDEFAULT) {
      cx = (work.right - work.left) * 3 / 4;
      cy = (work.bottom - work.top) * 3 / 4;
    }
  } else {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (cx == CW_USEDEFAULT) cx = cy = 0;
  }
  {
    Lock lock(Mutex());
    w->hwnd = reinterpret_cast<HWND>(g_nextHandle);
    g_nextHandle += 4;
    Table()[w->hwnd] = w;
    // New children go to the bottom of their parent's list (tab order); an owned popup is a
    // top-level window like any other, only kept above its owner.
    if (w->parent)
      parentWin->children.push_back(w->hwnd);
    else
      PlaceInZOrder(*w, HWND_TOP);
  }
  HWND hwnd = w->hwnd;

  {
    CREATESTRUCTW hookCs{};
    hookCs.lpCreateParams = param;
    hookCs.hInstance = instance;
    hookCs.hMenu = menu;
    hookCs.hwndParent = parent;
    hookCs.cx = cx;
    hookCs.cy = cy;
    hookCs.x = x;
    hookCs.y = y;
    hookCs.style = static_cast<LONG>(style);
    hookCs.lpszName = title ? title->c_str() : nullptr;
    hookCs.lpszClass = cls->name.c_str();
    hookCs.dwExStyle = exStyle;
    CBT_CREATEWNDW cbt{&hookCs, HWND_TOP};
    if (RunCbt(HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt))) {
      FinishDestroyTree(hwnd);
      return nullptr;
    }
  }

  // WM_GETMINMAXINFO for windows that can be sized or have a caption.
  if ((w->style & WS_THICKFRAME) || (w->style & WS_CAPTION) == WS_CAPTION) {
    MINMAXINFO mmi{};
    Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    if (cx > mmi.ptMaxTrackSize.x && mmi.ptMaxTrackSize.x > 0) cx = mmi.ptMaxTrackSize.x;
    if (cy > mmi.ptMaxTrackSize.y && mmi.ptMaxTrackSize.y > 0) cy = mmi.ptMaxTrackSize.y;
    if (cx < mmi.ptMinTrackSize.x) cx = mmi.ptMinTrackSize.x;
    if (cy < mmi.ptMinTrackSize.y) cy = mmi.ptMinTrackSize.y;
  }
  if (cx < 0) cx = 0;
  if (cy < 0) cy = 0;
  {
    Lock lock(Mutex());
    w->rect = RECT{x, y, x + cx, y + cy};
    w->normalRect = w->rect;
    ResizeSurface(*w);
  }

  CREATESTRUCTW csw{};
  CREATESTRUCTA csa{};
  csw.lpCreateParams = param;
  csw.hInstance = instance;
  csw.hMenu = menu;
  csw.hwndParent = parent;
  csw.cy = cy;
  csw.cx = cx;
  csw.y = y;
  csw.x = x;
  csw.style = static_cast<LONG>(style);
  csw.lpszName = title ? title->c_str() : nullptr;
  csw.lpszClass = cls->name.c_str();
  csw.dwExStyle = exStyle;
  std::memcpy(&csa, &csw, sizeof(csa));
  csa.lpszName = ansiTitle;
  csa.lpszClass = ansiClass;
  LPARAM cs = ansi ? reinterpret_cast<LPARAM>(&csa) : reinterpret_cast<LPARAM>(&csw);

  if (!Send(hwnd, WM_NCCREATE, 0, cs, ansi)) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  {
    Lock lock(Mutex());
    w->created = true;
  }
  CalcClient(w, w->rect, nullptr);
  if (Send(hwnd, WM_CREATE, 0, cs, ansi) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
  Send(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
  if ((w->style & WS_CHILD) && !(exStyle & WS_EX_NOPARENTNOTIFY)) {
    HWND p = w->parent;
    while (p) {
      Send(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(w->id)), reinterpret_cast<LPARAM>(hwnd));
      auto pw = Find(p);
      if (!pw || !(pw->style & WS_CHILD) || (pw->exStyle & WS_EX_NOPARENTNOTIFY)) break;
      p = pw->parent;
    }
  }
  if (!IsWindow(hwnd)) return nullptr;
  if (!w->parent) PublishWindow(hwnd);
  if (visible) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

void SendDestroyTree(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return;
  Send(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> kids;
  {
    Lock lock(Mutex());
    kids = w->children;
  }
  for (HWND c : kids) {
    auto cw = Find(c);
    if (!cw) continue;
    {
      Lock lock(Mutex());
      cw->destroying = true;
    }
    SendDestroyTree(c);
  }
}

void FinishDestroyTree(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return;
  std::vector<HWND> kids;
  {
    Lock lock(Mutex());
    kids = w->children;
  }
  for (HWND c : kids) FinishDestroyTree(c);
  ForgetWindowMessages(w->thread, hwnd);
  WindowGoingAway(hwnd, true);
  if (!w->parent) WithdrawWindow(hwnd);
  Send(hwnd, WM_NCDESTROY, 0, 0);
  Lock lock(Mutex());
  if (auto* list = SiblingList(*w)) RemoveFromList(*list, hwnd);
  if (w->windowRgn) {
    DeleteObject(w->windowRgn);
    w->windowRgn = nullptr;
  }
  w->dead = true;
  Table().erase(hwnd);
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::u16string cls = ClassNameArg(className);
  std::u16string title = windowName ? std::u16string(windowName) : std::u16string();
  return CreateCommon(exStyle, cls, windowName ? &title : nullptr, style, x, y, width, height, parent, menu, instance,
                      param, false, nullptr, nullptr);
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::u16string cls = (className && IS_INTRESOURCE(className)) ? ClassNameArg(reinterpret_cast<LPCWSTR>(className))
                                                                 : Wide(className);
  std::u16string title = Wide(windowName);
  return CreateCommon(exStyle, cls, windowName ? &title : nullptr, style, x, y, width, height, parent, menu, instance,
                      param, true, className, windowName);
}

BOOL DestroyWindow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  if (w->thread != GetCurrentThreadId()) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  {
    Lock lock(Mutex());
    if (w->destroying) return TRUE;
    w->destroying = true;
  }
  // Owned windows go first.
  std::vector<HWND> owned;
  {
    Lock lock(Mutex());
    for (auto& [h, o] : Table())
      if (o->owner == hwnd && !o->destroying) owned.push_back(h);
  }
  for (HWND o : owned) DestroyWindow(o);
  if (w->parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
    Send(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, static_cast<WORD>(w->id)), reinterpret_cast<LPARAM>(hwnd));
  if (w->style & WS_VISIBLE)
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  WindowGoingAway(hwnd, false);
  if (w->created) SendDestroyTree(hwnd);
  FinishDestroyTree(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) != nullptr || FindRemoteWindow(hwnd, nullptr); }

BOOL IsWindowVisible(HWND hwnd) {
  auto w = Find(hwnd);
  Lock lock(Mutex());
  return w && IsVisibleChain(*w);
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto w = Find(hwnd);
  return w && !(w->style & WS_DISABLED);
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  bool wasDisabled;
  {
    Lock lock(Mutex());
    wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable)
      w->style &= ~WS_DISABLED;
    else
      w->style |= WS_DISABLED;
  }
  if (wasDisabled == !enable) return wasDisabled;
  if (!enable) {
    if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(nullptr);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  Send(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsIconic(HWND hwnd) {
  auto w = Find(hwnd);
  return w && w->iconic;
}

BOOL IsZoomed(HWND hwnd) {
  auto w = Find(hwnd);
  return w && w->zoomed;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  auto w = Find(hwnd);
  Lock lock(Mutex());
  while (w && w->parent) {
    if (w->parent == parent) return TRUE;
    w = Find(w->parent);
  }
  return FALSE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  auto w = Find(hwnd);
  if (!w) {
    RemoteWindow remote;
    if (!FindRemoteWindow(hwnd, &remote)) return 0;
    if (processId) *processId = remote.process;
    return 1;  // the other process's thread is not known here
  }
  if (processId) *processId = GetCurrentProcessId();
  return w->thread;
}

// ---- longs ---------------------------------------------------------------------------------
namespace {

LONG_PTR GetLong(HWND hwnd, int index, bool ansi) {
  auto w = Find(hwnd);
  if (!w) {
    RemoteWindow remote;
    if (FindRemoteWindow(hwnd, &remote)) {
      if (index == GWL_USERDATA) return remote.userData;
      return SetLastError(ERROR_ACCESS_DENIED), 0;
    }
    return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  }
  Lock lock(Mutex());
  switch (index) {
    case GWL_WNDPROC:
      (void)ansi;
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
    case GWL_USERDATA: return w->userData;
    case GWL_ID: return w->id;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
    LONG_PTR v;
    std::memcpy(&v, w->extra.data() + index, sizeof(v));
    return v;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG) <= w->extra.size()) {
    LONG v;
    std::memcpy(&v, w->extra.data() + index, sizeof(v));
    return v;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value, bool ansi, size_t width) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    struct {
      DWORD oldStyle, newStyle;
    } ss{};
    {
      Lock lock(Mutex());
      ss.oldStyle = index == GWL_STYLE ? w->style : w->exStyle;
    }
    ss.newStyle = static_cast<DWORD>(value);
    Send(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    {
      Lock lock(Mutex());
      if (index == GWL_STYLE)
        w->style = ss.newStyle;
      else
        w->exStyle = ss.newStyle;
    }
    Send(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    return static_cast<LONG>(ss.oldStyle);
  }
  Lock lock(Mutex());
  LONG_PTR old = 0;
  switch (index) {
    case GWL_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      w->ansi = ansi;
      return old;
    case GWL_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWL_HWNDPARENT:
      old = reinterpret_cast<LONG_PTR>(w->owner);
      if (!w->parent) w->owner = reinterpret_cast<HWND>(value);
      return old;
    case GWL_USERDATA:
      old = w->userData;
      w->userData = value;
      if (!w->parent) {
        lock.unlock();
        PublishWindow(hwnd);  // other processes look for top-level windows by their user data
      }
      return old;
    case GWL_ID:
      old = w->id;
      w->id = value;
      return old;
  }
  if (index >= 0 && static_cast<size_t>(index) + width <= w->extra.size()) {
    if (width == sizeof(LONG_PTR)) {
      std::memcpy(&old, w->extra.data() + index, sizeof(old));
      std::memcpy(w->extra.data() + index, &value, sizeof(value));
    } else {
      LONG o, v = static_cast<LONG>(value);
      std::memcpy(&o, w->extra.data() + index, sizeof(o));
      std::memcpy(w->extra.data() + index, &v, sizeof(v));
      old = o;
    }
    return old;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

}  // namespace

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) { return GetLong(hwnd, index, false); }
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) { return GetLong(hwnd, index, true); }
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) { return SetLong(hwnd, index, value, false, sizeof(LONG_PTR)); }
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) { return SetLong(hwnd, index, value, true, sizeof(LONG_PTR)); }
LONG GetWindowLongW(HWND hwnd, int index) { return static_cast<LONG>(GetLong(hwnd, index, false)); }
LONG GetWindowLongA(HWND hwnd, int index) { return static_cast<LONG>(GetLong(hwnd, index, true)); }
LONG SetWindowLongW(HWND hwnd, int index, LONG value) { return static_cast<LONG>(SetLong(hwnd, index, value, false, sizeof(LONG))); }
LONG SetWindowLongA(HWND hwnd, int index, LONG value) { return static_cast<LONG>(SetLong(hwnd, index, value, true, sizeof(LONG))); }

// ---- text ----------------------------------------------------------------------------------
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
  if (!IsWindow(hwnd)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  return Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE : FALSE;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!IsWindow(hwnd)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  return Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : ""), true) ? TRUE : FALSE;
}

namespace {
// The title of another process's window, as GetWindowText copies it.
template <class Char>
int RemoteText(HWND hwnd, Char* buffer, int maxCount) {
  RemoteWindow remote;
  if (!FindRemoteWindow(hwnd, &remote)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  std::basic_string<Char> text;
  if constexpr (sizeof(Char) == 1)
    text = nux::WideToAnsi(remote.title);
  else
    text = remote.title;
  int n = std::min<int>(static_cast<int>(text.size()), maxCount - 1);
  std::memcpy(buffer, text.data(), n * sizeof(Char));
  buffer[n] = 0;
  return n;
}
}  // namespace

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = 0;
  if (!Find(hwnd)) return RemoteText(hwnd, buffer, maxCount);
  return static_cast<int>(Send(hwnd, WM_GETTEXT, maxCount, reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = 0;
  if (!Find(hwnd)) return RemoteText(hwnd, buffer, maxCount);
  return static_cast<int>(Send(hwnd, WM_GETTEXT, maxCount, reinterpret_cast<LPARAM>(buffer), true));
}

int GetWindowTextLengthW(HWND hwnd) {
  if (!IsWindow(hwnd)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  return static_cast<int>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (!IsWindow(hwnd)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  return static_cast<int>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0, true));
}

// ---- relations -----------------------------------------------------------------------------
HWND GetParent(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  if (w->style & WS_CHILD) return w->parent;
  if (w->style & WS_POPUP) return w->owner;
  return nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
  auto w = Find(child);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  WindowPtr np = newParent ? Find(newParent) : nullptr;
  if (newParent && !np) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if (wasVisible) ShowWindow(child, SW_HIDE);
  HWND old;
  {
    Lock lock(Mutex());
    old = w->parent ? w->parent : GetDesktopWindow();
    if (auto* list = SiblingList(*w)) RemoveFromList(*list, child);
    POINT screen = ScreenOrigin(*w);
    int cx = w->rect.right - w->rect.left, cy = w->rect.bottom - w->rect.top;
    if (np) {
      w->parent = newParent;
      w->style |= WS_CHILD;
      w->style &= ~WS_POPUP;
      w->surface.reset();
      POINT o = ClientScreenOrigin(*np);
      w->rect = RECT{screen.x - o.x, screen.y - o.y, screen.x - o.x + cx, screen.y - o.y + cy};
      np->children.insert(np->children.begin(), child);
    } else {
      w->parent = nullptr;
      w->style &= ~WS_CHILD;
      w->rect = RECT{screen.x, screen.y, screen.x + cx, screen.y + cy};
      ResizeSurface(*w);
      PlaceInZOrder(*w, HWND_TOP);
    }
  }
  if (wasVisible) ShowWindow(child, SW_SHOWNA);
  return old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  auto w = Find(hwnd);
  if (!w) return nullptr;
  Lock lock(Mutex());
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent : GetDesktopWindow();
    case GA_ROOT: return RootOf(w)->hwnd;
    case GA_ROOTOWNER: {
      WindowPtr r = RootOf(w);
      while (r && r->owner) {
        auto o = Find(r->owner);
        if (!o) break;
        r = RootOf(o);
      }
      return r ? r->hwnd : nullptr;
    }
  }
  return nullptr;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  Lock lock(Mutex());
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return w->owner;
  if (cmd == GW_ENABLEDPOPUP) {
    for (HWND h : TopLevel()) {
      auto o = Find(h);
      if (o && o->owner == hwnd && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) return h;
    }
    return nullptr;
  }
  std::vector<HWND>* list = SiblingList(*w);
  if (!list || list->empty()) return nullptr;
  auto it = std::find(list->begin(), list->end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST: return list->front();
    case GW_HWNDLAST: return list->back();
    case GW_HWNDNEXT: return (it == list->end() || it + 1 == list->end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == list->end() || it == list->begin()) ? nullptr : *(it - 1);
  }
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  Lock lock(Mutex());
  if (!hwnd || hwnd == GetDesktopWindow()) return TopLevel().empty() ? nullptr : TopLevel().front();
  auto w = Find(hwnd);
  if (!w) return nullptr;
  return w->children.empty() ? nullptr : w->children.front();
}

HWND GetDesktopWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10010)); }

HWND GetDlgItem(HWND dialog, int id) {
  auto w = Find(dialog);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  Lock lock(Mutex());
  for (HWND c : w->children) {
    auto cw = Find(c);
    if (cw && static_cast<int>(cw->id) == id) return c;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
  return (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Lock lock(Mutex());
    list = TopLevel();
  }
  for (HWND h : list)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  // Then the top-level windows of the other processes.
  for (HWND h : RemoteWindows())
    if (!proc(h, lParam)) return FALSE;
  return TRUE;
}

namespace {
bool EnumChildren(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> kids;
  {
    auto w = Find(parent);
    if (!w) return true;
    Lock lock(Mutex());
    kids = w->children;
  }
  for (HWND c : kids) {
    if (!IsWindow(c)) continue;
    if (!proc(c, lParam)) return false;
    if (!EnumChildren(c, proc, lParam)) return false;
  }
  return true;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  if (!parent) return EnumWindows(proc, lParam);
  return EnumChildren(parent, proc, lParam) ? TRUE : FALSE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Lock lock(Mutex());
    for (HWND h : TopLevel()) {
      auto w = Find(h);
      if (w && w->thread == threadId) list.push_back(h);
    }
  }
  for (HWND h : list)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  return list.empty() ? FALSE : TRUE;
}

namespace {
HWND FindIn(const std::vector<HWND>& list, HWND after, const std::u16string* cls, const std::u16string* title) {
  bool started = after == nullptr;
  for (HWND h : list) {
    if (!started) {
      started = h == after;
      continue;
    }
    auto w = Find(h);
    if (!w) continue;
    if (cls && !SameNoCase(w->cls->name, *cls)) continue;
    if (title && !SameNoCase(w->text, *title)) continue;
    return h;
  }
  return nullptr;
}
}  // namespace

namespace {
// The first top-level window of another process after `after` (or from the first when `after`
// is none of them) whose class and title match.
HWND FindRemote(HWND after, const std::u16string* cls, const std::u16string* title) {
  std::vector<HWND> list = RemoteWindows();
  bool started = after == nullptr || std::find(list.begin(), list.end(), after) == list.end();
  for (HWND h : list) {
    if (!started) {
      started = h == after;
      continue;
    }
    RemoteWindow remote;
    if (!FindRemoteWindow(h, &remote)) continue;
    if (cls && !SameNoCase(remote.className, *cls)) continue;
    if (title && !SameNoCase(remote.title, *title)) continue;
    return h;
  }
  return nullptr;
}
}  // namespace

HWND FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  std::u16string cls = className ? ClassNameArg(className) : std::u16string();
  std::u16string title = windowName ? std::u16string(windowName) : std::u16string();
  if (!parent || parent == GetDesktopWindow()) {
    const std::u16string* c = className ? &cls : nullptr;
    const std::u16string* t = windowName ? &title : nullptr;
    {
      Lock lock(Mutex());
      if (!childAfter || Find(childAfter)) {
        if (HWND local = FindIn(TopLevel(), childAfter, c, t)) return local;
        childAfter = nullptr;  // the other processes' windows follow ours
      }
    }
    return FindRemote(childAfter, c, t);
  }
  Lock lock(Mutex());
  auto w = Find(parent);
  if (!w) return nullptr;
  return FindIn(w->children, childAfter, className ? &cls : nullptr, windowName ? &title : nullptr);
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
  HWND h = FindWindowExW(nullptr, nullptr, className, windowName);
  if (!h) SetLastError(ERROR_SUCCESS);
  return h;
}

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
  std::u16string c, t;
  LPCWSTR cp = nullptr, tp = nullptr;
  if (className) {
    if (IS_INTRESOURCE(className))
      cp = reinterpret_cast<LPCWSTR>(className);
    else {
      c = Wide(className);
      cp = c.c_str();
    }
  }
  if (windowName) {
    t = Wide(windowName);
    tp = t.c_str();
  }
  return FindWindowExW(parent, childAfter, cp, tp);
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) { return FindWindowExA(nullptr, nullptr, className, windowName); }

// ---- geometry ------------------------------------------------------------------------------
BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (!rect) return FALSE;
  if (hwnd == GetDesktopWindow()) {
    rect->left = 0;
    rect->top = 0;
    rect->right = GetSystemMetrics(SM_CXSCREEN);
    rect->bottom = GetSystemMetrics(SM_CYSCREEN);
    return TRUE;
  }
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  Lock lock(Mutex());
  POINT o = ScreenOrigin(*w);
  *rect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (!rect) return FALSE;
  if (hwnd == GetDesktopWindow()) return GetWindowRect(hwnd, rect);
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  Lock lock(Mutex());
  *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  if (hwnd == GetDesktopWindow()) return TRUE;
  auto w = Find(hwnd);
  if (!w || !point) return FALSE;
  Lock lock(Mutex());
  POINT o = ClientScreenOrigin(*w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  if (hwnd == GetDesktopWindow()) return TRUE;
  auto w = Find(hwnd);
  if (!w || !point) return FALSE;
  Lock lock(Mutex());
  POINT o = ClientScreenOrigin(*w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from && from != GetDesktopWindow()) {
    if (!IsWindow(from)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
    ClientToScreen(from, &a);
  }
  if (to && to != GetDesktopWindow()) {
    if (!IsWindow(to)) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), 0;
    ClientToScreen(to, &b);
  }
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CAPTION;
  RECT in = NcInsets(style, exStyle, menu != FALSE);
  rect->left -= in.left;
  rect->top -= in.top;
  rect->right += in.right;
  rect->bottom += in.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

// ---- SetWindowPos and ShowWindow ---------------------------------------------------------------
namespace {

void RepaintAfterChange(const WindowPtr& w, const RECT& oldRect, bool wasVisible, UINT flags, bool moved,
                        bool sized) {
  bool visible = (w->style & WS_VISIBLE) != 0;
  if (flags & SWP_NOREDRAW) return;
  if (!wasVisible && !visible) return;
  WindowPtr parent = w->parent ? Find(w->parent) : nullptr;
  if (parent && (moved || sized || wasVisible != visible)) {
    // The parent repaints what the child covered before.
    nux::gdi::Region uncovered{oldRect};
    if (visible) uncovered.subtract(w->rect);
    if (!wasVisible) uncovered = nux::gdi::Region();
    // The rectangles are in the parent's client coordinates already.
    if (!uncovered.empty()) InvalidateInternal(parent, uncovered, true, false, true);
  }
  if (visible && (sized || !wasVisible || (parent && moved) || (flags & SWP_FRAMECHANGED))) InvalidateWholeWindow(w);
}

}  // namespace

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  if (w->thread != GetCurrentThreadId()) {
    if (flags & SWP_ASYNCWINDOWPOS) {
      RunOnWindowThread(hwnd, [=] { SetWindowPos(hwnd, insertAfter, x, y, cx, cy, flags & ~SWP_ASYNCWINDOWPOS); });
      return TRUE;
    }
  }
  WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
  bool wasVisible;
  RECT oldRect, oldClient;
  {
    Lock lock(Mutex());
    wasVisible = (w->style & WS_VISIBLE) != 0;
    oldRect = w->rect;
    oldClient = w->client;
    if (flags & SWP_NOMOVE) {
      wp.x = w->rect.left;
      wp.y = w->rect.top;
    }
    if (flags & SWP_NOSIZE) {
      wp.cx = w->rect.right - w->rect.left;
      wp.cy = w->rect.bottom - w->rect.top;
    }
    if (wasVisible) wp.flags &= ~SWP_SHOWWINDOW;
    if (!wasVisible) wp.flags &= ~SWP_HIDEWINDOW;
    if (w->style & WS_CHILD) wp.flags |= SWP_NOACTIVATE;
  }
  if (!(wp.flags & SWP_NOSENDCHANGING)) Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  w = Find(hwnd);
  if (!w) return FALSE;
  if (wp.cx < 0) wp.cx = 0;
  if (wp.cy < 0) wp.cy = 0;
  RECT newRect{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
  bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  bool sized = (newRect.right - newRect.left) != (oldRect.right - oldRect.left) ||
               (newRect.bottom - newRect.top) != (oldRect.bottom - oldRect.top);
  if (sized || (wp.flags & SWP_FRAMECHANGED))
    CalcClient(w, newRect, &wp);
  {
    Lock lock(Mutex());
    w->rect = newRect;
    if (!w->iconic && !w->zoomed) w->normalRect = newRect;
    ResizeSurface(*w);
    if (!(wp.flags & SWP_NOZORDER)) {
      PlaceInZOrder(*w, wp.hwndInsertAfter);
      if (!w->parent && !(wp.flags & SWP_NOOWNERZORDER)) KeepOwnedAbove(w->hwnd);
    }
    if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (wp.flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  }
  if (wp.flags & SWP_HIDEWINDOW) WindowGoingAway(hwnd, false);
  RepaintAfterChange(w, oldRect, wasVisible, wp.flags, moved, sized);
  if (!(wp.flags & SWP_NOACTIVATE) && !(w->style & WS_CHILD) && (w->style & WS_VISIBLE)) ActivateWindow(hwnd, false);
  UINT changed = wp.flags;
  {
    Lock lock(Mutex());
    RECT nc = w->client;
    POINT oldOrigin{oldRect.left + oldClient.left, oldRect.top + oldClient.top};
    POINT newOrigin{w->rect.left + nc.left, w->rect.top + nc.top};
    if (oldOrigin.x == newOrigin.x && oldOrigin.y == newOrigin.y) changed |= SWP_NOCLIENTMOVE;
    if ((oldClient.right - oldClient.left) == (nc.right - nc.left) &&
        (oldClient.bottom - oldClient.top) == (nc.bottom - nc.top))
      changed |= SWP_NOCLIENTSIZE;
    if (!moved) changed |= SWP_NOMOVE;
    if (!sized) changed |= SWP_NOSIZE;
  }
  WINDOWPOS done{hwnd, wp.hwndInsertAfter, newRect.left, newRect.top, newRect.right - newRect.left,
                 newRect.bottom - newRect.top, changed};
  Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
  WakeThread(w->thread);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* p) {
  auto w = Find(hwnd);
  if (!w || !p) return FALSE;
  Lock lock(Mutex());
  p->flags = 0;
  p->showCmd = w->iconic ? SW_SHOWMINIMIZED : w->zoomed ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  p->ptMinPosition = POINT{-1, -1};
  p->ptMaxPosition = POINT{-1, -1};
  p->rcNormalPosition = w->normalRect;
  return TRUE;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool child = (w->style & WS_CHILD) != 0;
  UINT swp = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  bool show = true;
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      show = false;
      swp |= SWP_HIDEWINDOW | SWP_NOACTIVATE;
      break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      swp |= SWP_SHOWWINDOW | SWP_NOACTIVATE;
      if (cmd == SW_SHOWNOACTIVATE && w->iconic) goto restore;
      break;
    case SW_SHOW:
      swp |= SWP_SHOWWINDOW;
      if (child) swp |= SWP_NOACTIVATE;
      break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_RESTORE:
    restore:
      swp |= SWP_SHOWWINDOW;
      if (child || cmd == SW_SHOWNOACTIVATE) swp |= SWP_NOACTIVATE;
      if (w->iconic || w->zoomed) {
        {
          Lock lock(Mutex());
          w->iconic = false;
          w->zoomed = false;
          w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        }
        RECT r = w->normalRect;
        if (!wasVisible) {
          Send(hwnd, WM_SHOWWINDOW, TRUE, 0);
        }
        SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     (swp & ~(SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER)) | SWP_FRAMECHANGED);
        Send(hwnd, WM_SIZE, SIZE_RESTORED,
             MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
        return wasVisible;
      }
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: {
      if (!w->iconic) {
        RECT normal = w->rect;
        {
          Lock lock(Mutex());
          w->iconic = true;
          w->zoomed = false;
          w->style |= WS_MINIMIZE;
          w->style &= ~WS_MAXIMIZE;
          w->normalRect = normal;
        }
        if (!wasVisible) Send(hwnd, WM_SHOWWINDOW, TRUE, 0);
        UINT f = SWP_SHOWWINDOW | SWP_FRAMECHANGED | SWP_NOZORDER;
        if (cmd != SW_SHOWMINIMIZED) f |= SWP_NOACTIVATE;
        SetWindowPos(hwnd, nullptr, -32000, -32000, 160, 31, f);
        {
          Lock lock(Mutex());
          w->normalRect = normal;
        }
        if (cmd == SW_MINIMIZE && GetActiveWindow() == hwnd) {
          // A minimized window gives up the activation to the next top-level window.
          WindowGoingAway(hwnd, false);
        }
        Send(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
      }
      return wasVisible;
    }
    case SW_MAXIMIZE: {
      RECT normal = w->iconic ? w->normalRect : w->rect;
      {
        Lock lock(Mutex());
        w->iconic = false;
        w->zoomed = true;
        w->style &= ~WS_MINIMIZE;
        w->style |= WS_MAXIMIZE;
      }
      if (!wasVisible) Send(hwnd, WM_SHOWWINDOW, TRUE, 0);
      MONITORINFO mi{sizeof(mi), {}, {}, 0};
      GetMonitorInfoW(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST), &mi);
      MINMAXINFO mmi{};
      RECT in = NcInsets(w->style, w->exStyle, false);
      mmi.ptMaxSize = POINT{mi.rcWork.right - mi.rcWork.left + in.left + in.right,
                            mi.rcWork.bottom - mi.rcWork.top + in.top + in.bottom};
      mmi.ptMaxPosition = POINT{mi.rcWork.left - in.left, mi.rcWork.top - in.top};
      mmi.ptMaxTrackSize = mmi.ptMaxSize;
      Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
      SetWindowPos(hwnd, HWND_TOP, mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxSize.x, mmi.ptMaxSize.y,
                   SWP_SHOWWINDOW | SWP_FRAMECHANGED);
      {
        Lock lock(Mutex());
        w->normalRect = normal;
      }
      return wasVisible;
    }
    default:
      swp |= SWP_SHOWWINDOW;
      break;
  }
  if (show == wasVisible && (cmd == SW_HIDE || (swp & SWP_NOACTIVATE) || child)) return wasVisible;
  if (show != wasVisible) Send(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!IsWindow(hwnd)) return wasVisible;
  if (show && !child && !(swp & SWP_NOACTIVATE)) swp &= ~SWP_NOZORDER;
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, swp);
  return wasVisible;
}

BOOL ShowWindowAsync(HWND hwnd, int cmd) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  if (w->thread == GetCurrentThreadId()) return ShowWindow(hwnd, cmd);
  RunOnWindowThread(hwnd, [=] { ShowWindow(hwnd, cmd); });
  return TRUE;
}

int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw) {
  auto w = Find(hwnd);
  if (!w) return 0;
  HRGN old;
  {
    Lock lock(Mutex());
    old = w->windowRgn;
    w->windowRgn = rgn;
  }
  if (old && old != rgn) DeleteObject(old);
  if (redraw) InvalidateWholeWindow(w);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  auto w = Find(hwnd);
  if (!w || !w->windowRgn) return ERROR;
  return CombineRgn(rgn, w->windowRgn, nullptr, RGN_COPY);
}

namespace {

// Whether a screen point lies in the window (its rectangle and window region).
bool PointInWindow(const Window& w, POINT pt) {
  POINT o = ScreenOrigin(w);
  RECT r{o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
  if (!PtInRect(&r, pt)) return false;
  if (w.windowRgn) return PtInRegion(w.windowRgn, pt.x - o.x, pt.y - o.y) != FALSE;
  return true;
}

// The first of `candidates` (topmost first) that is visible, holds the point and does not
// answer HTTRANSPARENT, then the same search among its children; a disabled window ends the
// descent, as it takes the input itself.
HWND HitAmong(const std::vector<HWND>& candidates, POINT pt) {
  for (HWND h : candidates) {
    auto w = Find(h);
    if (!w || !(w->style & WS_VISIBLE)) continue;
    bool inside;
    {
      Lock lock(Mutex());
      inside = PointInWindow(*w, pt);
    }
    if (!inside) continue;
    if (w->thread == GetCurrentThreadId()) {
      LRESULT ht = Send(h, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
      if (ht == HTTRANSPARENT) continue;
    }
    if (w->style & WS_DISABLED) return h;
    std::vector<HWND> kids;
    {
      Lock lock(Mutex());
      kids = w->children;
    }
    HWND deeper = HitAmong(kids, pt);
    return deeper ? deeper : h;
  }
  return nullptr;
}

}  // namespace

HWND WindowFromPoint(POINT pt) {
  std::vector<HWND> tops;
  {
    Lock lock(Mutex());
    tops = TopLevel();
  }
  return HitAmong(tops, pt);
}

HWND ChildWindowFromPointEx(HWND parent, POINT clientPoint, UINT flags) {
  auto w = Find(parent);
  if (!w) return nullptr;
  RECT cr;
  GetClientRect(parent, &cr);
  if (!PtInRect(&cr, clientPoint)) return nullptr;
  POINT screen = clientPoint;
  ClientToScreen(parent, &screen);
  std::vector<HWND> kids;
  {
    Lock lock(Mutex());
    kids = w->children;
  }
  for (HWND c : kids) {
    auto cw = Find(c);
    if (!cw) continue;
    if ((flags & CWP_SKIPINVISIBLE) && !(cw->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (cw->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (cw->exStyle & WS_EX_TRANSPARENT)) continue;
    Lock lock(Mutex());
    if (PointInWindow(*cw, screen)) return c;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT clientPoint) { return ChildWindowFromPointEx(parent, clientPoint, CWP_ALL); }

namespace nux::ui {

bool IsWindowAnsi(HWND hwnd) {
  auto w = Find(hwnd);
  return w && w->ansi;
}

nux::gdi::Surface* WindowSurface(HWND hwnd, POINT* windowOrigin) {
  auto w = Find(hwnd);
  if (!w) return nullptr;
  Lock lock(Mutex());
  WindowPtr root = RootOf(w);
  if (!root || !root->surface) return nullptr;
  if (windowOrigin) {
    POINT a = ScreenOrigin(*w), b = ScreenOrigin(*root);
    *windowOrigin = POINT{a.x - b.x, a.y - b.y};
  }
  return root->surface.get();
}

bool WindowRectInSurface(HWND hwnd, bool clientArea, RECT* rect) {
  POINT o;
  if (!WindowSurface(hwnd, &o)) return false;
  auto w = Find(hwnd);
  Lock lock(Mutex());
  if (clientArea)
    *rect = RECT{o.x + w->client.left, o.y + w->client.top, o.x + w->client.right, o.y + w->client.bottom};
  else
    *rect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return true;
}

void ResetThreadWindows() {
  std::vector<HWND> mine;
  {
    Lock lock(Mutex());
    for (HWND h : TopLevel()) {
      auto w = Find(h);
      if (w && w->thread == GetCurrentThreadId()) mine.push_back(h);
    }
  }
  for (HWND h : mine) DestroyWindow(h);
  auto q = QueueFor(GetCurrentThreadId(), false);
  if (q) {
    std::lock_guard<std::mutex> g(q->m);
    q->posted.clear();
    q->input.clear();
    q->timers.clear();
    q->quit = false;
    std::memset(q->keys, 0, sizeof(q->keys));
  }
}

}  // namespace nux::ui
