// The default window procedure: the non-client model, text, painting defaults, activation,
// cursors, the system commands and the modal move/size loop of caption and border drags.
#include <algorithm>
#include <cstring>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/wstr.h"
#include "gdi/gdi.h"
#include "ui/cursor.h"
#include "ui/sysparams.h"
#include "ui/wm_internal.h"

using namespace nux::ui::detail;

namespace {

void FillSys(HDC dc, const RECT& r, int color) {
  FillRect(dc, &r, reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(color + 1)));
}

void PaintFrame(HWND hwnd, const WindowPtr& w) {
  RECT in;
  DWORD style, ex;
  std::u16string text;
  int cx, cy;
  bool active = GetActiveWindow() == hwnd;
  {
    Lock lock(Mutex());
    style = w->style;
    ex = w->exStyle;
    in = NcInsets(style, ex, false);
    text = w->text;
    cx = w->rect.right - w->rect.left;
    cy = w->rect.bottom - w->rect.top;
  }
  if (in.left == 0 && in.top == 0 && in.right == 0 && in.bottom == 0 && !(style & (WS_VSCROLL | WS_HSCROLL))) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  RECT all{0, 0, cx, cy};
  int border = 0;
  if (style & WS_THICKFRAME)
    border = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME))
    border = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    border = 1;
  if (border == 1) {
    FillSys(dc, RECT{0, 0, cx, 1}, COLOR_WINDOWFRAME);
    FillSys(dc, RECT{0, cy - 1, cx, cy}, COLOR_WINDOWFRAME);
    FillSys(dc, RECT{0, 0, 1, cy}, COLOR_WINDOWFRAME);
    FillSys(dc, RECT{cx - 1, 0, cx, cy}, COLOR_WINDOWFRAME);
  } else if (border > 1) {
    // A raised frame: light outer top-left, dark outer bottom-right, face inside.
    FillSys(dc, RECT{0, 0, cx, border}, COLOR_BTNFACE);
    FillSys(dc, RECT{0, cy - border, cx, cy}, COLOR_BTNFACE);
    FillSys(dc, RECT{0, 0, border, cy}, COLOR_BTNFACE);
    FillSys(dc, RECT{cx - border, 0, cx, cy}, COLOR_BTNFACE);
    FillSys(dc, RECT{0, 0, cx - 1, 1}, COLOR_3DLIGHT);
    FillSys(dc, RECT{0, 0, 1, cy - 1}, COLOR_3DLIGHT);
    FillSys(dc, RECT{0, cy - 1, cx, cy}, COLOR_3DDKSHADOW);
    FillSys(dc, RECT{cx - 1, 0, cx, cy}, COLOR_3DDKSHADOW);
  }
  int edge = in.left - border;
  if (edge > 0) {
    RECT c{w->client.left - edge, w->client.top - edge, w->client.right + edge, w->client.bottom + edge};
    FillSys(dc, RECT{c.left, c.top, c.right, c.top + 1}, COLOR_BTNSHADOW);
    FillSys(dc, RECT{c.left, c.top, c.left + 1, c.bottom}, COLOR_BTNSHADOW);
    FillSys(dc, RECT{c.left, c.bottom - 1, c.right, c.bottom}, COLOR_BTNHIGHLIGHT);
    FillSys(dc, RECT{c.right - 1, c.top, c.right, c.bottom}, COLOR_BTNHIGHLIGHT);
    if (edge >= 2) {
      // The sunken client edge has a second, inner pair of lines.
      InflateRect(&c, -1, -1);
      FillSys(dc, RECT{c.left, c.top, c.right, c.top + 1}, COLOR_3DDKSHADOW);
      FillSys(dc, RECT{c.left, c.top, c.left + 1, c.bottom}, COLOR_3DDKSHADOW);
      FillSys(dc, RECT{c.left, c.bottom - 1, c.right, c.bottom}, COLOR_3DLIGHT);
      FillSys(dc, RECT{c.right - 1, c.top, c.right, c.bottom}, COLOR_3DLIGHT);
    }
  }
  if ((style & WS_CAPTION) == WS_CAPTION) {
    int ch = (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    RECT cap{border, border, cx - border, border + ch - 1};
    FillSys(dc, cap, active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    FillSys(dc, RECT{border, border + ch - 1, cx - border, border + ch}, COLOR_BTNFACE);
    SetBkMode(dc, 1 /*TRANSPARENT*/);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT tr = cap;
    tr.left += 4;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  // Scroll bar areas of windows with WS_VSCROLL/WS_HSCROLL are drawn as empty tracks.
  if (style & WS_VSCROLL) FillSys(dc, RECT{w->client.right, w->client.top, w->client.right + GetSystemMetrics(SM_CXVSCROLL), w->client.bottom}, COLOR_SCROLLBAR);
  if (style & WS_HSCROLL) FillSys(dc, RECT{w->client.left, w->client.bottom, w->client.right, w->client.bottom + GetSystemMetrics(SM_CYHSCROLL)}, COLOR_SCROLLBAR);
  ReleaseDC(hwnd, dc);
  (void)all;
}

void DefaultMinMax(const WindowPtr& w, MINMAXINFO* mmi) {
  RECT in = NcInsets(w->style, w->exStyle, false);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  mmi->ptMaxSize = POINT{work.right - work.left + in.left + in.right, work.bottom - work.top + in.top + in.bottom};
  mmi->ptMaxPosition = POINT{work.left - in.left, work.top - in.top};
  mmi->ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi->ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
}

// The tracking limits the window's procedure gives now (WM_GETMINMAXINFO after the defaults).
void TrackLimits(HWND hwnd, const WindowPtr& w, POINT* minTrack, POINT* maxTrack) {
  MINMAXINFO mmi{};
  DefaultMinMax(w, &mmi);
  Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  *minTrack = POINT{std::max<LONG>(mmi.ptMinTrackSize.x, 0), std::max<LONG>(mmi.ptMinTrackSize.y, 0)};
  *maxTrack = POINT{std::max(minTrack->x, mmi.ptMaxTrackSize.x), std::max(minTrack->y, mmi.ptMaxTrackSize.y)};
}

// Keeps a sizing rectangle within the limits: a dragged left or top edge stops where the
// limit is reached (the opposite edge stays put); otherwise the right or bottom edge gives.
void LimitSizingRect(RECT& r, LRESULT ht, POINT minTrack, POINT maxTrack) {
  const bool left = ht == HTLEFT || ht == HTTOPLEFT || ht == HTBOTTOMLEFT;
  const bool top = ht == HTTOP || ht == HTTOPLEFT || ht == HTTOPRIGHT;
  const LONG width = std::clamp<LONG>(r.right - r.left, minTrack.x, maxTrack.x);
  const LONG height = std::clamp<LONG>(r.bottom - r.top, minTrack.y, maxTrack.y);
  if (left)
    r.left = r.right - width;
  else
    r.right = r.left + width;
  if (top)
    r.top = r.bottom - height;
  else
    r.bottom = r.top + height;
}

// The modal loop of a caption or border drag: mouse moves move or size the window until the
// button is released (or Escape puts it back).
void MoveSizeLoop(HWND hwnd, LRESULT ht, POINT start) {
  RECT orig;
  GetWindowRect(hwnd, &orig);
  auto w = Find(hwnd);
  if (!w) return;
  bool sizing = ht != HTCAPTION;
  RECT parentOffset{0, 0, 0, 0};
  if (w->parent) {
    POINT o{0, 0};
    ClientToScreen(w->parent, &o);
    parentOffset = RECT{o.x, o.y, 0, 0};
  }
  Send(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  SetCapture(hwnd);
  MSG m;
  for (;;) {
    if (!GetMessageW(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (!IsWindow(hwnd)) return;
    if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONUP) {
      int dx = m.pt.x - start.x, dy = m.pt.y - start.y;
      RECT r = orig;
      if (!sizing) {
        OffsetRect(&r, dx, dy);
        Send(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
      } else {
        if (ht == HTLEFT || ht == HTTOPLEFT || ht == HTBOTTOMLEFT) r.left += dx;
        if (ht == HTRIGHT || ht == HTTOPRIGHT || ht == HTBOTTOMRIGHT) r.right += dx;
        if (ht == HTTOP || ht == HTTOPLEFT || ht == HTTOPRIGHT) r.top += dy;
        if (ht == HTBOTTOM || ht == HTBOTTOMLEFT || ht == HTBOTTOMRIGHT) r.bottom += dy;
        // Every window that sizes keeps its limits, asked on every move (they may change
        // while it is dragged), before and after the window has seen the rectangle.
        POINT minTrack, maxTrack;
        TrackLimits(hwnd, w, &minTrack, &maxTrack);
        LimitSizingRect(r, ht, minTrack, maxTrack);
        Send(hwnd, WM_SIZING, static_cast<WPARAM>(ht - HTLEFT + WMSZ_LEFT), reinterpret_cast<LPARAM>(&r));
        if (!IsWindow(hwnd)) return;
        LimitSizingRect(r, ht, minTrack, maxTrack);
      }
      SetWindowPos(hwnd, nullptr, r.left - parentOffset.left, r.top - parentOffset.top, r.right - r.left,
                   r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE | (sizing ? 0 : SWP_NOSIZE));
      if (m.message == WM_LBUTTONUP) break;
      continue;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      SetWindowPos(hwnd, nullptr, orig.left - parentOffset.left, orig.top - parentOffset.top, orig.right - orig.left,
                   orig.bottom - orig.top, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (IsWindow(hwnd)) Send(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

bool ProcIsAnsi(WNDPROC proc, bool* known) {
  *known = true;
  if (proc == DefWindowProcA) return true;
  if (proc == DefWindowProcW) return false;
  return ClassProcIsAnsi(proc, known);
}

}  // namespace

LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) {
        Lock lock(Mutex());
        w->text = cs->lpszName;
      }
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
      if (!r) return 0;
      Lock lock(Mutex());
      bool menu = !(w->style & WS_CHILD) && w->id != 0;
      RECT in = NcInsets(w->style, w->exStyle, menu);
      RECT c{r->left + in.left, r->top + in.top, r->right - in.right, r->bottom - in.bottom};
      if (w->style & WS_VSCROLL) c.right -= GetSystemMetrics(SM_CXVSCROLL);
      if (w->style & WS_HSCROLL) c.bottom -= GetSystemMetrics(SM_CYHSCROLL);
      if (c.right < c.left) c.right = c.left;
      if (c.bottom < c.top) c.bottom = c.top;
      *r = c;
      return 0;
    }
    case WM_NCHITTEST: {
      POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      Lock lock(Mutex());
      return DefNcHitTest(*w, pt);
    }
    case WM_NCPAINT:
      PaintFrame(hwnd, w);
      return 0;
    case WM_NCACTIVATE: {
      Lock lock(Mutex());
      if ((w->style & WS_CAPTION) == WS_CAPTION) w->ncpaint = true;
      return TRUE;
    }
    case WM_SETTEXT: {
      {
        Lock lock(Mutex());
        w->text = lParam ? std::u16string(reinterpret_cast<LPCWSTR>(lParam)) : std::u16string();
        if ((w->style & WS_CAPTION) == WS_CAPTION) w->ncpaint = true;
      }
      if (!w->parent) PublishWindow(hwnd);
      WakeThread(w->thread);
      return TRUE;
    }
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      Lock lock(Mutex());
      size_t n = std::min<size_t>(w->text.size(), wParam - 1);
      std::memcpy(reinterpret_cast<char16_t*>(lParam), w->text.data(), n * 2);
      reinterpret_cast<char16_t*>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_SETICON: {
      Lock lock(Mutex());
      HICON& slot = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
      HICON previous = slot;
      slot = reinterpret_cast<HICON>(lParam);
      if ((w->style & WS_CAPTION) == WS_CAPTION) w->ncpaint = true;
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: {
      Lock lock(Mutex());
      HICON icon = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
      // The small icon the system shows falls back to the big one.
      if (wParam == ICON_SMALL2 && !icon) icon = w->bigIcon;
      return reinterpret_cast<LRESULT>(icon);
    }
    case WM_GETTEXTLENGTH: {
      Lock lock(Mutex());
      return static_cast<LRESULT>(w->text.size());
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH b = w->cls ? w->cls->background : nullptr;
      if (!b) return 0;
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, b);
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (wp && !(wp->flags & SWP_NOSIZE) && ((w->style & WS_THICKFRAME) || (w->style & WS_CAPTION) == WS_CAPTION) &&
          !w->iconic) {
        MINMAXINFO mmi{};
        DefaultMinMax(w, &mmi);
        Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        wp->cx = std::clamp<int>(wp->cx, mmi.ptMinTrackSize.x, std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
        wp->cy = std::clamp<int>(wp->cy, mmi.ptMinTrackSize.y, std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!wp) return 0;
      RECT c, r;
      {
        Lock lock(Mutex());
        c = w->client;
        r = w->rect;
      }
      if (!(wp->flags & SWP_NOCLIENTMOVE))
        Send(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(r.left + c.left), static_cast<WORD>(r.top + c.top)));
      if (!(wp->flags & SWP_NOCLIENTSIZE))
        Send(hwnd, WM_SIZE, w->iconic ? SIZE_MINIMIZED : w->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED,
             MAKELPARAM(c.right - c.left, c.bottom - c.top));
      return 0;
    }
    case WM_GETMINMAXINFO:
      DefaultMinMax(w, reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(hwnd);
      return 0;
    case WM_MOUSEACTIVATE:
      if ((w->style & WS_CHILD) && w->parent) {
        LRESULT r = Send(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR: {
      if ((w->style & WS_CHILD) && w->parent && Send(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      int ht = static_cast<short>(LOWORD(lParam));
      LPCWSTR id = nullptr;
      switch (ht) {
        case HTLEFT:
        case HTRIGHT: id = IDC_SIZEWE; break;
        case HTTOP:
        case HTBOTTOM: id = IDC_SIZENS; break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT: id = IDC_SIZENWSE; break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT: id = IDC_SIZENESW; break;
        case HTCLIENT:
          if (w->cls && w->cls->cursor) {
            SetCursor(w->cls->cursor);
            return TRUE;
          }
          return FALSE;
        default: id = IDC_ARROW; break;
      }
      SetCursor(LoadCursorW(nullptr, id));
      return FALSE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      bool window = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(window ? COLOR_WINDOW : COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(window ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: Send(hwnd, WM_CLOSE, 0, 0); return 0;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); return 0;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
        default: return 0;
      }
    case WM_NCLBUTTONDOWN: {
      POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      LRESULT ht = static_cast<LRESULT>(wParam);
      if (ht == HTCAPTION || (ht >= HTLEFT && ht <= HTBOTTOMRIGHT && (w->style & WS_THICKFRAME)) ||
          (ht >= HTLEFT && ht <= HTBOTTOMRIGHT)) {
        MoveSizeLoop(hwnd, ht, pt);
      } else if (ht == HTCLOSE) {
        Send(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      }
      return 0;
    }
    case WM_RBUTTONUP: {
      POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(hwnd, &pt);
      Send(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
      return 0;
    }
    case WM_CONTEXTMENU:
      if ((w->style & WS_CHILD) && w->parent) Send(w->parent, WM_CONTEXTMENU, wParam, lParam);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (HIWORD(lParam) & 0x2000)) Send(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_NOTIFYFORMAT:
      return w->ansi ? 1 : 2;
    case WM_MOUSEWHEEL:
      if ((w->style & WS_CHILD) && w->parent) return Send(w->parent, msg, wParam, lParam);
      return 0;
    case WM_SETREDRAW: {
      // As the default procedure does: redraw off clears WS_VISIBLE without hiding (nothing is
      // painted meanwhile), redraw on sets it again; the caller invalidates afterwards.
      Lock lock(Mutex());
      if (wParam)
        w->style |= WS_VISIBLE;
      else
        w->style &= ~WS_VISIBLE;
      return 0;
    }
    case WM_SETFONT: {
      Lock lock(Mutex());
      w->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(w->font);
    default:
      return 0;
  }
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallProcWith(DefWindowProcW, false, hwnd, msg, wParam, lParam, true);
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  bool known;
  bool ansi = ProcIsAnsi(proc, &known);
  return CallProcWith(proc, known && ansi, hwnd, msg, wParam, lParam, false);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  bool known;
  bool ansi = ProcIsAnsi(proc, &known);
  return CallProcWith(proc, known ? ansi : true, hwnd, msg, wParam, lParam, true);
}
