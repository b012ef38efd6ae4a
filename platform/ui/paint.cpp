// Painting: update regions, WM_PAINT generation, BeginPaint/EndPaint with WM_NCPAINT and
// WM_ERASEBKGND, RedrawWindow and the window device contexts on the top-level surfaces.
#include <algorithm>
#include <map>

#include "base/errors.h"
#include "display/display.h"
#include "gdi/gdi.h"
#include "process/process.h"
#include "ui/wm_internal.h"

namespace nux::ui::detail {
namespace {

HWND g_locked = nullptr;

std::mutex& DcMutex() {
  static auto* m = new std::mutex();
  return *m;
}
std::map<HDC, HWND>& DcOwners() {
  static auto* m = new std::map<HDC, HWND>();
  return *m;
}
// What a window DC may draw on: its top-level window and the rectangle of that window's
// surface; released, it is presented on the screen.
struct DcReach {
  HWND root = nullptr;
  RECT clip{};
};
std::map<HDC, DcReach>& DcReaches() {
  static auto* m = new std::map<HDC, DcReach>();
  return *m;
}

bool UnderLock(const WindowPtr& w) {
  if (!g_locked) return false;
  return w->hwnd == g_locked || IsChild(g_locked, w->hwnd);
}

RECT ClientBounds(const Window& w) { return RECT{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top}; }

bool NeedsPaint(const Window& w) { return !w.update.empty() || w.ncpaint || w.internalPaint; }

HWND FindIn(const WindowPtr& w, HWND filter, bool matched) {
  if (!(w->style & WS_VISIBLE)) return nullptr;
  bool m = matched || !filter || w->hwnd == filter;
  if (m && NeedsPaint(*w) && !UnderLock(w)) return w->hwnd;
  // Siblings do not clip each other: the lowest in the Z order paints first, so that the ones
  // above it (a dialog's earlier controls over a background picture) end up on top.
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    HWND c = *it;
    auto cw = Find(c);
    if (!cw) continue;
    if (HWND h = FindIn(cw, filter, m)) return h;
  }
  return nullptr;
}

// The window's visible rectangle in its surface: its area clipped by every ancestor's client
// area. A hidden child window, or a child of a hidden one, shows nothing: its rectangle is empty,
// so what it draws never lands on the pixels of the windows around it.
bool VisibleRectInSurface(const WindowPtr& w, bool clientArea, RECT* out) {
  if (!nux::ui::WindowRectInSurface(w->hwnd, clientArea, out)) return false;
  WindowPtr cur = w;
  while (cur->parent) {
    if (!(cur->style & WS_VISIBLE)) {
      SetRectEmpty(out);
      return true;
    }
    auto p = Find(cur->parent);
    if (!p) break;
    RECT pc;
    nux::ui::WindowRectInSurface(p->hwnd, true, &pc);
    IntersectRect(out, out, &pc);
    cur = p;
  }
  return true;
}

// Client-area region minus the visible children (for WS_CLIPCHILDREN windows).
nux::gdi::Region WithoutChildren(const Window& w, nux::gdi::Region rgn) {
  if (!(w.style & WS_CLIPCHILDREN)) return rgn;
  for (HWND c : w.children) {
    auto cw = Find(c);
    if (!cw || !(cw->style & WS_VISIBLE)) continue;
    rgn.subtract(cw->rect);
  }
  return rgn;
}

HDC MakeDC(const WindowPtr& w, bool clientArea) {
  POINT origin;
  nux::gdi::Surface* s = nux::ui::WindowSurface(w->hwnd, &origin);
  if (!s) return nullptr;
  RECT clip{};
  if (!VisibleRectInSurface(w, clientArea, &clip)) return nullptr;
  if (clientArea) {
    origin.x += w->client.left;
    origin.y += w->client.top;
  }
  // The display may still be reading the last picture out of these pixels.
  s->BeforeWrite();
  HDC dc = nux::gdi::CreateSurfaceDC(s, origin, &clip);
  if (dc) {
    WindowPtr root = RootOf(w);
    std::lock_guard<std::mutex> g(DcMutex());
    DcOwners()[dc] = w->hwnd;
    if (root) DcReaches()[dc] = DcReach{root->hwnd, clip};
  }
  return dc;
}

void PaintNow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return;
  bool need;
  {
    Lock lock(Mutex());
    need = IsVisibleChain(*w) && NeedsPaint(*w) && !UnderLock(w);
  }
  if (need) Send(hwnd, WM_PAINT, 0, 0);
}

void UpdateTree(HWND hwnd, bool children) {
  PaintNow(hwnd);
  if (!children) return;
  auto w = Find(hwnd);
  if (!w) return;
  std::vector<HWND> kids;
  {
    Lock lock(Mutex());
    kids = w->children;
  }
  // Bottom of the Z order first, as the paints that GetMessage hands out.
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) UpdateTree(*it, true);
}

void EraseNow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return;
  bool nc, er;
  nux::gdi::Region rgn;
  {
    Lock lock(Mutex());
    nc = w->ncpaint;
    er = w->erase;
    w->ncpaint = false;
    w->erase = false;
    rgn = w->update;
  }
  if (nc) Send(hwnd, WM_NCPAINT, 1, 0);
  if (er && !rgn.empty()) {
    HDC dc = MakeDC(w, true);
    if (dc) {
      HRGN h = nux::gdi::CreateRgnFromRegion(WithoutChildren(*w, rgn));
      SelectClipRgn(dc, h);
      DeleteObject(h);
      Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
      ReleaseDC(hwnd, dc);
    }
  }
}

}  // namespace

HWND FindPaintWindow(HWND filter) {
  DWORD me = GetCurrentThreadId();
  Lock lock(Mutex());
  for (HWND h : TopLevel()) {
    auto w = Find(h);
    if (!w || w->thread != me) continue;
    if (HWND p = FindIn(w, filter, false)) return p;
  }
  return nullptr;
}

void InvalidateInternal(const WindowPtr& w, const nux::gdi::Region& rgnIn, bool erase, bool frame, bool children) {
  {
    Lock lock(Mutex());
    nux::gdi::Region rgn = nux::gdi::Region::Combine(rgnIn, nux::gdi::Region(ClientBounds(*w)), RGN_AND);
    if (!rgn.empty()) {
      w->update = nux::gdi::Region::Combine(w->update, rgn, RGN_OR);
      if (erase) w->erase = true;
    }
    if (frame) w->ncpaint = true;
    if (children) {
      for (HWND c : w->children) {
        auto cw = Find(c);
        if (!cw || !(cw->style & WS_VISIBLE)) continue;
        nux::gdi::Region part = nux::gdi::Region::Combine(rgnIn, nux::gdi::Region(cw->rect), RGN_AND);
        if (part.empty()) continue;
        // The part over the child's frame repaints its frame; the rest its client area.
        part.offset(-(cw->rect.left + cw->client.left), -(cw->rect.top + cw->client.top));
        bool overFrame = !(cw->client.left == 0 && cw->client.top == 0 &&
                           cw->client.right == cw->rect.right - cw->rect.left &&
                           cw->client.bottom == cw->rect.bottom - cw->rect.top);
        InvalidateInternal(cw, part, erase, overFrame, true);
      }
    }
  }
  WakeThread(w->thread);
}

void InvalidateWholeWindow(const WindowPtr& w) {
  nux::gdi::Region all;
  {
    Lock lock(Mutex());
    all = nux::gdi::Region(ClientBounds(*w));
  }
  InvalidateInternal(w, all, true, true, false);
  std::vector<HWND> kids;
  {
    Lock lock(Mutex());
    kids = w->children;
  }
  for (HWND c : kids)
    if (auto cw = Find(c); cw && (cw->style & WS_VISIBLE)) InvalidateWholeWindow(cw);
}

}  // namespace nux::ui::detail

using namespace nux::ui::detail;

namespace {

bool ChildrenByDefault(const Window& w) { return !(w.style & WS_CLIPCHILDREN); }

nux::gdi::Region RegionArg(const Window& w, const RECT* rect, HRGN rgn) {
  if (rgn) {
    if (auto* r = nux::gdi::RegionFromHandle(rgn)) return *r;
    return {};
  }
  if (rect) return nux::gdi::Region(*rect);
  return nux::gdi::Region(RECT{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top});
}

void ValidateTree(const WindowPtr& w, const nux::gdi::Region& rgn, bool children) {
  Lock lock(Mutex());
  w->update = nux::gdi::Region::Combine(w->update, rgn, RGN_DIFF);
  if (w->update.empty()) w->erase = false;
  if (!children) return;
  for (HWND c : w->children) {
    auto cw = Find(c);
    if (!cw) continue;
    nux::gdi::Region part = nux::gdi::Region::Combine(rgn, nux::gdi::Region(cw->rect), RGN_AND);
    if (part.empty()) continue;
    part.offset(-(cw->rect.left + cw->client.left), -(cw->rect.top + cw->client.top));
    ValidateTree(cw, part, true);
  }
}

}  // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) return RedrawWindow(nullptr, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0) | RDW_ALLCHILDREN);
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  InvalidateInternal(w, RegionArg(*w, rect, nullptr), erase != FALSE, false, ChildrenByDefault(*w));
  return TRUE;
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  InvalidateInternal(w, RegionArg(*w, nullptr, rgn), erase != FALSE, false, ChildrenByDefault(*w));
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  ValidateTree(w, RegionArg(*w, rect, nullptr), ChildrenByDefault(*w));
  if (!rect) {
    Lock lock(Mutex());
    w->ncpaint = false;
    w->internalPaint = false;
  }
  return TRUE;
}

BOOL ValidateRgn(HWND hwnd, HRGN rgn) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  ValidateTree(w, RegionArg(*w, nullptr, rgn), ChildrenByDefault(*w));
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  bool empty;
  {
    Lock lock(Mutex());
    if (rect) *rect = w->update.box();
    empty = w->update.empty();
  }
  if (erase && !empty) EraseNow(hwnd);
  return empty ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  auto w = Find(hwnd);
  if (!w) return ERROR;
  nux::gdi::Region copy;
  {
    Lock lock(Mutex());
    copy = w->update;
  }
  if (auto* r = nux::gdi::RegionFromHandle(rgn)) *r = copy;
  if (erase && !copy.empty()) EraseNow(hwnd);
  return copy.empty() ? NULLREGION : copy.kind();
}

BOOL UpdateWindow(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  UpdateTree(hwnd, true);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* update, HRGN updateRgn, UINT flags) {
  if (!hwnd) {
    std::vector<HWND> tops;
    {
      Lock lock(Mutex());
      tops = TopLevel();
    }
    for (HWND h : tops) RedrawWindow(h, nullptr, nullptr, flags | RDW_ALLCHILDREN);
    return TRUE;
  }
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), FALSE;
  bool children = (flags & RDW_ALLCHILDREN) ? true : (flags & RDW_NOCHILDREN) ? false : ChildrenByDefault(*w);
  nux::gdi::Region rgn;
  {
    Lock lock(Mutex());
    rgn = RegionArg(*w, update, updateRgn);
  }
  if (flags & RDW_INVALIDATE) {
    InvalidateInternal(w, rgn, (flags & RDW_ERASE) != 0, (flags & RDW_FRAME) != 0, children);
    if (flags & RDW_INTERNALPAINT) {
      Lock lock(Mutex());
      w->internalPaint = true;
    }
  } else if (flags & RDW_INTERNALPAINT) {
    Lock lock(Mutex());
    w->internalPaint = true;
  }
  if (flags & RDW_VALIDATE) {
    ValidateTree(w, rgn, children);
    Lock lock(Mutex());
    if (flags & RDW_NOFRAME) w->ncpaint = false;
    if (flags & RDW_NOERASE) w->erase = false;
    if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
  }
  if (flags & RDW_UPDATENOW)
    UpdateTree(hwnd, children);
  else if (flags & RDW_ERASENOW)
    EraseNow(hwnd);
  return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
  auto w = Find(hwnd);
  if (!w || !ps) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  nux::gdi::Region rgn;
  bool nc, er;
  {
    Lock lock(Mutex());
    rgn = w->update;
    nc = w->ncpaint;
    er = w->erase;
    w->update = nux::gdi::Region();
    w->ncpaint = false;
    w->erase = false;
    w->internalPaint = false;
  }
  if (nc) Send(hwnd, WM_NCPAINT, 1, 0);
  *ps = PAINTSTRUCT{};
  HDC dc = MakeDC(w, true);
  if (!dc) dc = CreateCompatibleDC(nullptr);
  {
    Lock lock(Mutex());
    HRGN h = nux::gdi::CreateRgnFromRegion(WithoutChildren(*w, rgn));
    SelectClipRgn(dc, h);
    DeleteObject(h);
  }
  ps->hdc = dc;
  ps->rcPaint = rgn.box();
  ps->fErase = TRUE;
  if (er && !rgn.empty()) ps->fErase = Send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  else if (!er) ps->fErase = FALSE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return FALSE;
  ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  if (!hwnd || hwnd == GetDesktopWindow()) return CreateICW(u"DISPLAY", nullptr, nullptr, nullptr);
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  HDC dc = MakeDC(w, true);
  if (dc && (w->style & WS_CLIPCHILDREN)) {
    Lock lock(Mutex());
    HRGN h = nux::gdi::CreateRgnFromRegion(WithoutChildren(*w, nux::gdi::Region(ClientBounds(*w))));
    SelectClipRgn(dc, h);
    DeleteObject(h);
  }
  return dc;
}

HDC GetWindowDC(HWND hwnd) {
  if (!hwnd || hwnd == GetDesktopWindow()) return CreateICW(u"DISPLAY", nullptr, nullptr, nullptr);
  auto w = Find(hwnd);
  if (!w) return SetLastError(ERROR_INVALID_WINDOW_HANDLE), nullptr;
  return MakeDC(w, false);
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  HDC dc = (flags & DCX_WINDOW) ? GetWindowDC(hwnd) : GetDC(hwnd);
  if (dc && clip && (flags & DCX_INTERSECTRGN)) ExtSelectClipRgn(dc, clip, RGN_AND);
  return dc;
}

int ReleaseDC(HWND, HDC hdc) {
  if (!hdc) return 0;
  DcReach reach;
  {
    std::lock_guard<std::mutex> g(DcMutex());
    DcOwners().erase(hdc);
    if (auto it = DcReaches().find(hdc); it != DcReaches().end()) {
      reach = it->second;
      DcReaches().erase(it);
    }
  }
  DeleteDC(hdc);
  if (reach.root) nux::display::Damage(reach.root, reach.clip);
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  std::lock_guard<std::mutex> g(DcMutex());
  auto it = DcOwners().find(hdc);
  return it == DcOwners().end() ? nullptr : it->second;
}

BOOL LockWindowUpdate(HWND hwnd) {
  if (hwnd) {
    if (g_locked && g_locked != hwnd) return FALSE;
    if (!IsWindow(hwnd)) return FALSE;
    g_locked = hwnd;
    return TRUE;
  }
  HWND was = g_locked;
  g_locked = nullptr;
  if (was && IsWindow(was)) WakeThread(GetWindowThreadProcessId(was, nullptr));
  return TRUE;
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scrollRect, const RECT*) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  if (!scrollRect) {
    std::vector<std::pair<HWND, RECT>> kids;
    {
      Lock lock(Mutex());
      for (HWND c : w->children)
        if (auto cw = Find(c)) kids.emplace_back(c, cw->rect);
    }
    for (auto& [c, r] : kids)
      SetWindowPos(c, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(hwnd, scrollRect, TRUE);
  return TRUE;
}
