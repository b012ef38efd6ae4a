// The standard controls: static, button, edit, progress bar and scroll bar, with the scroll
// bars of ordinary windows and the flat scroll bar calls.
#include "ui/controls.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "base/codepage.h"
#include "base/errors.h"
#include "gdi/gdi.h"
#include "ui/caret.h"
#include "ui/cursor.h"
#include "ui/dialog.h"
#include "ui/sysparams.h"
#include "ui/wm_internal.h"

using namespace nux::ui::detail;

namespace {

// ---- shared helpers ----------------------------------------------------------------------

template <class T>
std::shared_ptr<T> Data(HWND hwnd) {
  auto w = Find(hwnd);
  if (!w) return nullptr;
  Lock lock(Mutex());
  auto d = std::dynamic_pointer_cast<T>(w->control);
  if (!d) {
    d = std::make_shared<T>();
    w->control = d;
  }
  return d;
}

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }

std::u16string Text(HWND h) {
  auto w = Find(h);
  if (!w) return {};
  Lock lock(Mutex());
  return w->text;
}

void SetText(HWND h, std::u16string t) {
  auto w = Find(h);
  if (!w) return;
  Lock lock(Mutex());
  w->text = std::move(t);
}

HWND Parent(HWND h) {
  auto w = Find(h);
  return w ? w->parent : nullptr;
}

void Notify(HWND h, WORD code) {
  HWND p = Parent(h);
  if (p) SendMessageW(p, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), code), reinterpret_cast<LPARAM>(h));
}

// Asks the parent for the brush (and text colours in the DC) a control draws with.
HBRUSH CtlColor(HWND h, HDC dc, UINT msg) {
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(msg == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE));
  HWND p = Parent(h);
  HBRUSH b = p ? reinterpret_cast<HBRUSH>(SendMessageW(p, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)))
               : nullptr;
  if (!b) b = reinterpret_cast<HBRUSH>(DefWindowProcW(h, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)));
  return b;
}

HFONT FontOf(HWND h) { return reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)); }

void Fill(HDC dc, const RECT& r, int color) { FillRect(dc, &r, GetSysColorBrush(color)); }

void Edge3d(HDC dc, RECT r, int topLeft, int bottomRight) {
  Fill(dc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  Fill(dc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
  Fill(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  Fill(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void Raised(HDC dc, RECT r) {
  Edge3d(dc, r, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
  InflateRect(&r, -1, -1);
  Edge3d(dc, r, COLOR_3DLIGHT, COLOR_BTNSHADOW);
}

void Sunken(HDC dc, RECT r) {
  Edge3d(dc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
  InflateRect(&r, -1, -1);
  Edge3d(dc, r, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
}

// ---- static ------------------------------------------------------------------------------
struct StaticData : ControlData {
  HANDLE image = nullptr;
};

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DWORD style = Style(hwnd);
  DWORD type = style & SS_TYPEMASK;
  switch (msg) {
    case WM_NCCREATE:
      if (style & SS_SUNKEN) SetWindowLongW(hwnd, GWL_EXSTYLE, GetWindowLongW(hwnd, GWL_EXSTYLE) | WS_EX_STATICEDGE);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_NCHITTEST:
      if (!(style & SS_NOTIFY)) return HTTRANSPARENT;
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
      if (style & SS_NOTIFY) Notify(hwnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (style & SS_NOTIFY) Notify(hwnd, STN_DBLCLK);
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      DefWindowProcW(hwnd, msg, wParam, lParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case STM_SETIMAGE:
    case STM_SETICON: {
      auto d = Data<StaticData>(hwnd);
      HANDLE old = d->image;
      d->image = reinterpret_cast<HANDLE>(msg == STM_SETICON ? wParam : lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
    case STM_GETICON:
      return reinterpret_cast<LRESULT>(Data<StaticData>(hwnd)->image);
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      switch (type) {
        case SS_BLACKRECT: Fill(dc, r, COLOR_WINDOWFRAME); break;
        case SS_GRAYRECT: Fill(dc, r, COLOR_BTNSHADOW); break;
        case SS_WHITERECT: Fill(dc, r, COLOR_WINDOW); break;
        case SS_BLACKFRAME: FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME)); break;
        case SS_GRAYFRAME: FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW)); break;
        case SS_WHITEFRAME: FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOW)); break;
        case SS_ETCHEDHORZ:
          Fill(dc, RECT{r.left, r.top, r.right, r.top + 1}, COLOR_BTNSHADOW);
          Fill(dc, RECT{r.left, r.top + 1, r.right, r.top + 2}, COLOR_BTNHIGHLIGHT);
          break;
        case SS_ETCHEDVERT:
          Fill(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, COLOR_BTNSHADOW);
          Fill(dc, RECT{r.left + 1, r.top, r.left + 2, r.bottom}, COLOR_BTNHIGHLIGHT);
          break;
        case SS_ETCHEDFRAME:
          Edge3d(dc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
          InflateRect(&r, -1, -1);
          Edge3d(dc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
          break;
        case SS_OWNERDRAW: break;
        case SS_BITMAP: {
          HBRUSH b = CtlColor(hwnd, dc, WM_CTLCOLORSTATIC);
          if (b) FillRect(dc, &r, b);
          auto d = Data<StaticData>(hwnd);
          BITMAP bm{};
          if (d->image && GetObjectW(d->image, sizeof(bm), &bm)) {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, d->image);
            int x = 0, y = 0;
            if (style & SS_CENTERIMAGE) {
              x = (r.right - bm.bmWidth) / 2;
              y = (r.bottom - bm.bmHeight) / 2;
            }
            BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
          }
          break;
        }
        case SS_ICON: {
          HBRUSH b = CtlColor(hwnd, dc, WM_CTLCOLORSTATIC);
          if (b) FillRect(dc, &r, b);
          break;
        }
        default: {
          HBRUSH b = CtlColor(hwnd, dc, WM_CTLCOLORSTATIC);
          if (b) FillRect(dc, &r, b);
          UINT fmt = DT_EXPANDTABS;
          if (type == SS_CENTER) fmt |= DT_CENTER | DT_WORDBREAK;
          else if (type == SS_RIGHT) fmt |= DT_RIGHT | DT_WORDBREAK;
          else if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) fmt |= DT_SINGLELINE;
          else fmt |= DT_WORDBREAK;
          if (style & SS_NOPREFIX) fmt |= DT_NOPREFIX;
          if (style & SS_CENTERIMAGE) fmt |= DT_VCENTER | DT_SINGLELINE;
          if ((style & SS_WORDELLIPSIS) == SS_WORDELLIPSIS) fmt |= DT_WORD_ELLIPSIS;
          else if (style & SS_ENDELLIPSIS) fmt |= DT_END_ELLIPSIS;
          HFONT f = FontOf(hwnd);
          HGDIOBJ old = f ? SelectObject(dc, f) : nullptr;
          SetBkMode(dc, TRANSPARENT);
          if (style & WS_DISABLED) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
          std::u16string t = Text(hwnd);
          DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, fmt);
          if (old) SelectObject(dc, old);
          break;
        }
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- button ------------------------------------------------------------------------------
struct ButtonData : ControlData {
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  bool focused = false;
  bool tracking = false;
  HANDLE image = nullptr;
};

void ButtonClick(HWND hwnd) {
  DWORD type = Style(hwnd) & BS_TYPEMASK;
  auto d = Data<ButtonData>(hwnd);
  if (type == BS_AUTOCHECKBOX) d->check = d->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  if (type == BS_AUTO3STATE) d->check = (d->check + 1) % 3;
  if (type == BS_AUTORADIOBUTTON) {
    HWND p = Parent(hwnd);
    if (p) {
      for (HWND s = GetNextDlgGroupItem(p, hwnd, FALSE); s && s != hwnd; s = GetNextDlgGroupItem(p, s, FALSE)) {
        if ((Style(s) & BS_TYPEMASK) == BS_AUTORADIOBUTTON) SendMessageW(s, BM_SETCHECK, BST_UNCHECKED, 0);
      }
    }
    d->check = BST_CHECKED;
  }
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, BN_CLICKED);
}

void PaintButton(HWND hwnd, HDC dc) {
  DWORD style = Style(hwnd);
  DWORD type = style & BS_TYPEMASK;
  auto d = Data<ButtonData>(hwnd);
  RECT r;
  GetClientRect(hwnd, &r);
  if (type == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = 4 /*ODT_BUTTON*/;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    dis.itemAction = 1 /*ODA_DRAWENTIRE*/;
    dis.itemState = (d->pushed ? 1 /*ODS_SELECTED*/ : 0) | (d->focused ? 0x10 /*ODS_FOCUS*/ : 0) |
                    ((style & WS_DISABLED) ? 4 /*ODS_DISABLED*/ : 0);
    dis.hwndItem = hwnd;
    dis.hDC = dc;
    dis.rcItem = r;
    HWND p = Parent(hwnd);
    if (p) SendMessageW(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    return;
  }
  HBRUSH b = CtlColor(hwnd, dc, WM_CTLCOLORBTN);
  HFONT f = FontOf(hwnd);
  HGDIOBJ oldFont = f ? SelectObject(dc, f) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  std::u16string t = Text(hwnd);
  if (style & WS_DISABLED) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON) {
    Fill(dc, r, COLOR_BTNFACE);
    RECT e = r;
    if (type == BS_DEFPUSHBUTTON) {
      FrameRect(dc, &e, GetSysColorBrush(COLOR_WINDOWFRAME));
      InflateRect(&e, -1, -1);
    }
    if (d->pushed) {
      FrameRect(dc, &e, GetSysColorBrush(COLOR_BTNSHADOW));
    } else {
      Raised(dc, e);
    }
    RECT tr = r;
    if (d->pushed) OffsetRect(&tr, 1, 1);
    UINT fmt = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (style & BS_MULTILINE) fmt = DT_CENTER | DT_WORDBREAK;
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr, fmt);
    if (d->focused) {
      RECT fr = r;
      InflateRect(&fr, -4, -4);
      DrawFocusRect(dc, &fr);
    }
  } else if (type == BS_GROUPBOX) {
    if (b) FillRect(dc, &r, b);
    SIZE ext{0, 0};
    GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &ext);
    RECT frame{r.left, r.top + ext.cy / 2, r.right, r.bottom};
    Edge3d(dc, frame, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    RECT inner = frame;
    InflateRect(&inner, -1, -1);
    Edge3d(dc, inner, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    if (!t.empty()) {
      RECT tr{r.left + 8, r.top, r.left + 8 + ext.cx + 4, r.top + ext.cy};
      if (b) FillRect(dc, &tr, b);
      tr.left += 2;
      DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr, DT_SINGLELINE | DT_LEFT);
    }
  } else {
    // Check boxes and radio buttons: a 13-pixel box and the text beside it.
    if (b) FillRect(dc, &r, b);
    int box = 13;
    RECT br{r.left, (r.bottom - box) / 2, r.left + box, (r.bottom - box) / 2 + box};
    if (style & BS_LEFTTEXT) OffsetRect(&br, r.right - box, 0);
    Fill(dc, br, (style & WS_DISABLED) ? COLOR_BTNFACE : COLOR_WINDOW);
    Sunken(dc, br);
    if (d->check) {
      RECT m = br;
      InflateRect(&m, -3, -3);
      Fill(dc, m, d->check == BST_INDETERMINATE ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
    }
    RECT tr = r;
    if (style & BS_LEFTTEXT)
      tr.right = br.left - 4;
    else
      tr.left = br.right + 4;
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (d->focused) {
      SIZE ext{0, 0};
      GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &ext);
      RECT fr{tr.left - 1, (r.bottom - ext.cy) / 2 - 1, tr.left + ext.cx + 1, (r.bottom + ext.cy) / 2 + 1};
      DrawFocusRect(dc, &fr);
    }
  }
  if (oldFont) SelectObject(dc, oldFont);
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DWORD style = Style(hwnd);
  DWORD type = style & BS_TYPEMASK;
  switch (msg) {
    case WM_GETDLGCODE:
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_PUSHBUTTON || type == BS_USERBUTTON || type == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (type == BS_GROUPBOX) return DLGC_STATIC;
      return DLGC_BUTTON;
    case WM_NCHITTEST:
      if (type == BS_GROUPBOX) return HTTRANSPARENT;
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      auto d = Data<ButtonData>(hwnd);
      SetCapture(hwnd);
      if (GetFocus() != hwnd) SetFocus(hwnd);
      d->tracking = true;
      d->pushed = true;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (msg == WM_LBUTTONDBLCLK && (style & BS_NOTIFY)) Notify(hwnd, BN_DOUBLECLICKED);
      return 0;
    }
    case WM_MOUSEMOVE: {
      auto d = Data<ButtonData>(hwnd);
      if (!d->tracking) return 0;
      RECT r;
      GetClientRect(hwnd, &r);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      bool inside = PtInRect(&r, p) != FALSE;
      if (inside != d->pushed) {
        d->pushed = inside;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      auto d = Data<ButtonData>(hwnd);
      if (!d->tracking) return 0;
      d->tracking = false;
      RECT r;
      GetClientRect(hwnd, &r);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      bool inside = PtInRect(&r, p) != FALSE;
      d->pushed = false;
      ReleaseCapture();
      InvalidateRect(hwnd, nullptr, TRUE);
      if (inside) ButtonClick(hwnd);
      return 0;
    }
    case WM_CAPTURECHANGED: {
      auto d = Data<ButtonData>(hwnd);
      if (d->tracking) {
        d->tracking = false;
        d->pushed = false;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        auto d = Data<ButtonData>(hwnd);
        d->pushed = true;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_KEYUP:
      if (wParam == VK_SPACE) {
        auto d = Data<ButtonData>(hwnd);
        if (d->pushed) {
          d->pushed = false;
          ButtonClick(hwnd);
        }
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_SETFOCUS:
      Data<ButtonData>(hwnd)->focused = true;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (style & BS_NOTIFY) Notify(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS: {
      auto d = Data<ButtonData>(hwnd);
      d->focused = false;
      d->pushed = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (style & BS_NOTIFY) Notify(hwnd, BN_KILLFOCUS);
      return 0;
    }
    case BM_CLICK:
      ButtonClick(hwnd);
      return 0;
    case BM_GETCHECK:
      return Data<ButtonData>(hwnd)->check;
    case BM_SETCHECK:
      Data<ButtonData>(hwnd)->check = static_cast<UINT>(wParam) & 3;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_GETSTATE: {
      auto d = Data<ButtonData>(hwnd);
      return d->check | (d->pushed ? BST_PUSHED : 0) | (d->focused ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
      Data<ButtonData>(hwnd)->pushed = wParam != 0;
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_SETSTYLE:
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>((style & ~0xFFFFu) | (wParam & 0xFFFF)));
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_SETIMAGE: {
      auto d = Data<ButtonData>(hwnd);
      HANDLE old = d->image;
      d->image = reinterpret_cast<HANDLE>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
      return reinterpret_cast<LRESULT>(Data<ButtonData>(hwnd)->image);
    case WM_SETTEXT:
    case WM_ENABLE: {
      LRESULT r = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return msg == WM_SETTEXT ? r : 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintButton(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- edit --------------------------------------------------------------------------------
struct EditData : ControlData {
  size_t selStart = 0;  // anchor
  size_t selEnd = 0;    // caret
  bool modified = false;
  bool focused = false;
  size_t limit = 30000;
  int leftMargin = 1;
  int rightMargin = 1;
  size_t firstVisible = 0;  // single-line: first character shown; multi-line: first line
};

size_t SelMin(const EditData& d) { return std::min(d.selStart, d.selEnd); }
size_t SelMax(const EditData& d) { return std::max(d.selStart, d.selEnd); }

int TextWidth(HWND hwnd, const std::u16string& s) {
  HDC dc = GetDC(hwnd);
  if (!dc) return static_cast<int>(s.size()) * 6;
  HFONT f = FontOf(hwnd);
  HGDIOBJ old = f ? SelectObject(dc, f) : nullptr;
  SIZE ext{0, 0};
  GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &ext);
  if (old) SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return ext.cx;
}

std::u16string Shown(HWND hwnd, const std::u16string& t) {
  if (Style(hwnd) & ES_PASSWORD) return std::u16string(t.size(), u'*');
  return t;
}

void EnsureCaretVisible(HWND hwnd, EditData& d) {
  if (Style(hwnd) & ES_MULTILINE) return;
  std::u16string t = Shown(hwnd, Text(hwnd));
  RECT r;
  GetClientRect(hwnd, &r);
  int avail = std::max<int>(1, r.right - r.left - d.leftMargin - d.rightMargin);
  size_t caret = std::min(d.selEnd, t.size());
  if (caret < d.firstVisible) d.firstVisible = caret;
  while (d.firstVisible < caret && TextWidth(hwnd, t.substr(d.firstVisible, caret - d.firstVisible)) > avail)
    ++d.firstVisible;
}

// Replaces the selection with `s` (already filtered); notifies EN_UPDATE and EN_CHANGE.
bool ReplaceSelection(HWND hwnd, EditData& d, std::u16string s, bool notify) {
  std::u16string t = Text(hwnd);
  size_t a = std::min(SelMin(d), t.size()), b = std::min(SelMax(d), t.size());
  size_t room = d.limit > t.size() - (b - a) ? d.limit - (t.size() - (b - a)) : 0;
  bool truncated = false;
  if (s.size() > room) {
    s.resize(room);
    truncated = true;
  }
  if (s.empty() && a == b) {
    if (truncated && notify) Notify(hwnd, EN_MAXTEXT);
    return false;
  }
  t.replace(a, b - a, s);
  SetText(hwnd, t);
  d.selStart = d.selEnd = a + s.size();
  d.modified = true;
  EnsureCaretVisible(hwnd, d);
  InvalidateRect(hwnd, nullptr, TRUE);
  if (notify) {
    Notify(hwnd, EN_UPDATE);
    Notify(hwnd, EN_CHANGE);
    if (truncated) Notify(hwnd, EN_MAXTEXT);
  }
  return true;
}

std::u16string Filter(HWND hwnd, std::u16string s) {
  DWORD style = Style(hwnd);
  std::u16string out;
  for (char16_t c : s) {
    if (!(style & ES_MULTILINE) && (c == u'\r' || c == u'\n')) continue;
    if ((style & ES_NUMBER) && !(c >= u'0' && c <= u'9')) continue;
    if (style & ES_UPPERCASE) c = nux::UpperAscii(c);
    if (style & ES_LOWERCASE) c = nux::LowerAscii(c);
    out.push_back(c);
  }
  return out;
}

std::vector<std::pair<size_t, size_t>> Lines(const std::u16string& t) {
  std::vector<std::pair<size_t, size_t>> lines;  // start, length
  size_t start = 0;
  for (size_t i = 0; i <= t.size(); ++i) {
    if (i == t.size() || t[i] == u'\n') {
      size_t end = i;
      if (end > start && t[end - 1] == u'\r') --end;
      lines.emplace_back(start, end - start);
      start = i + 1;
    }
  }
  return lines;
}

size_t CharFromX(HWND hwnd, const EditData& d, int x) {
  std::u16string t = Shown(hwnd, Text(hwnd));
  int pos = x - d.leftMargin;
  size_t best = d.firstVisible;
  for (size_t i = d.firstVisible; i <= t.size(); ++i) {
    int w = TextWidth(hwnd, t.substr(d.firstVisible, i - d.firstVisible));
    if (w <= pos) best = i;
    if (w > pos) {
      int prev = TextWidth(hwnd, t.substr(d.firstVisible, i - 1 - d.firstVisible));
      if (pos - prev > w - pos) best = i;
      break;
    }
  }
  return best;
}

void PaintEdit(HWND hwnd, HDC dc) {
  auto d = Data<EditData>(hwnd);
  DWORD style = Style(hwnd);
  bool readOnly = (style & ES_READONLY) || (style & WS_DISABLED);
  HBRUSH b = CtlColor(hwnd, dc, readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  RECT r;
  GetClientRect(hwnd, &r);
  if (b) FillRect(dc, &r, b);
  HFONT f = FontOf(hwnd);
  HGDIOBJ old = f ? SelectObject(dc, f) : nullptr;
  // Disabled text is grey unless the colour handler chose a text colour of its own.
  if ((style & WS_DISABLED) && GetTextColor(dc) == GetSysColor(COLOR_WINDOWTEXT)) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  SetBkMode(dc, TRANSPARENT);
  std::u16string t = Shown(hwnd, Text(hwnd));
  RECT tr{r.left + d->leftMargin, r.top, r.right - d->rightMargin, r.bottom};
  if (style & ES_MULTILINE) {
    UINT fmt = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS;
    if ((style & 3) == ES_CENTER) fmt |= DT_CENTER;
    if ((style & 3) == ES_RIGHT) fmt |= DT_RIGHT;
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr, fmt);
  } else {
    std::u16string vis = t.substr(std::min(d->firstVisible, t.size()));
    UINT fmt = DT_SINGLELINE | DT_NOPREFIX;
    if ((style & 3) == ES_CENTER) fmt |= DT_CENTER;
    if ((style & 3) == ES_RIGHT) fmt |= DT_RIGHT;
    DrawTextW(dc, vis.c_str(), static_cast<int>(vis.size()), &tr, fmt);
    size_t a = SelMin(*d), e = std::min(SelMax(*d), t.size());
    if ((d->focused || (style & ES_NOHIDESEL)) && a < e && (style & 3) == ES_LEFT) {
      size_t from = std::max(a, d->firstVisible);
      if (from < e) {
        int x0 = tr.left + TextWidth(hwnd, t.substr(d->firstVisible, from - d->firstVisible));
        int x1 = tr.left + TextWidth(hwnd, t.substr(d->firstVisible, e - d->firstVisible));
        SIZE ext{0, 0};
        GetTextExtentPoint32W(dc, u"Ag", 2, &ext);
        RECT hr{x0, tr.top, std::min<LONG>(x1, tr.right), tr.top + ext.cy};
        Fill(dc, hr, COLOR_HIGHLIGHT);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        std::u16string part = t.substr(from, e - from);
        RECT pr{x0, tr.top, hr.right, hr.bottom};
        DrawTextW(dc, part.c_str(), static_cast<int>(part.size()), &pr, DT_SINGLELINE | DT_NOPREFIX);
      }
    }
  }
  if (old) SelectObject(dc, old);
}

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DWORD style = Style(hwnd);
  switch (msg) {
    case WM_CREATE: {
      auto d = Data<EditData>(hwnd);
      d->limit = (style & ES_MULTILINE) ? 0xFFFFFFFF : 30000;
      return 0;
    }
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if (style & ES_MULTILINE) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_SETTEXT: {
      auto d = Data<EditData>(hwnd);
      std::u16string t = lParam ? Filter(hwnd, reinterpret_cast<LPCWSTR>(lParam)) : std::u16string();
      if (t.size() > d->limit) t.resize(d->limit);
      SetText(hwnd, t);
      d->selStart = d->selEnd = 0;
      d->firstVisible = 0;
      d->modified = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      if (!(style & ES_MULTILINE)) {
        Notify(hwnd, EN_UPDATE);
        Notify(hwnd, EN_CHANGE);
      }
      return TRUE;
    }
    case EM_GETSEL: {
      auto d = Data<EditData>(hwnd);
      DWORD a = static_cast<DWORD>(SelMin(*d)), e = static_cast<DWORD>(SelMax(*d));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = a;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = e;
      return MAKELONG(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(e, 0xFFFF));
    }
    case EM_SETSEL: {
      auto d = Data<EditData>(hwnd);
      size_t len = Text(hwnd).size();
      long long s = static_cast<int>(wParam), e = static_cast<int>(lParam);
      if (s == -1) {
        d->selStart = d->selEnd = std::min(d->selEnd, len);
      } else {
        if (e < 0 || static_cast<size_t>(e) > len) e = static_cast<long long>(len);
        if (s < 0 || static_cast<size_t>(s) > len) s = static_cast<long long>(len);
        d->selStart = static_cast<size_t>(s);
        d->selEnd = static_cast<size_t>(e);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case EM_SCROLLCARET: {
      auto d = Data<EditData>(hwnd);
      EnsureCaretVisible(hwnd, *d);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case EM_REPLACESEL: {
      auto d = Data<EditData>(hwnd);
      std::u16string s = lParam ? Filter(hwnd, reinterpret_cast<LPCWSTR>(lParam)) : std::u16string();
      ReplaceSelection(hwnd, *d, s, true);
      return 0;
    }
    case EM_GETMODIFY:
      return Data<EditData>(hwnd)->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      Data<EditData>(hwnd)->modified = wParam != 0;
      return 0;
    case EM_LIMITTEXT: {
      auto d = Data<EditData>(hwnd);
      d->limit = wParam ? wParam : ((style & ES_MULTILINE) ? 0xFFFFFFFF : 0x7FFFFFFE);
      return 0;
    }
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(Data<EditData>(hwnd)->limit);
    case EM_SETREADONLY:
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case EM_SETMARGINS: {
      auto d = Data<EditData>(hwnd);
      if (wParam & EC_LEFTMARGIN) d->leftMargin = LOWORD(lParam);
      if (wParam & EC_RIGHTMARGIN) d->rightMargin = HIWORD(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case EM_GETMARGINS: {
      auto d = Data<EditData>(hwnd);
      return MAKELONG(d->leftMargin, d->rightMargin);
    }
    case EM_GETRECT: {
      auto d = Data<EditData>(hwnd);
      RECT r;
      GetClientRect(hwnd, &r);
      r.left += d->leftMargin;
      r.right -= d->rightMargin;
      if (lParam) *reinterpret_cast<RECT*>(lParam) = r;
      return 0;
    }
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(Lines(Text(hwnd)).size());
    case EM_LINEINDEX: {
      auto lines = Lines(Text(hwnd));
      auto d = Data<EditData>(hwnd);
      int line = static_cast<int>(wParam);
      if (line == -1) {
        for (size_t i = 0; i < lines.size(); ++i)
          if (d->selEnd >= lines[i].first && d->selEnd <= lines[i].first + lines[i].second) return static_cast<LRESULT>(lines[i].first);
        return 0;
      }
      if (line < 0 || static_cast<size_t>(line) >= lines.size()) return -1;
      return static_cast<LRESULT>(lines[line].first);
    }
    case EM_LINELENGTH: {
      auto lines = Lines(Text(hwnd));
      size_t ch = static_cast<size_t>(static_cast<int>(wParam) < 0 ? 0 : wParam);
      for (auto& l : lines)
        if (ch >= l.first && ch <= l.first + l.second) return static_cast<LRESULT>(l.second);
      return 0;
    }
    case EM_LINEFROMCHAR: {
      auto lines = Lines(Text(hwnd));
      size_t ch = static_cast<int>(wParam) < 0 ? Data<EditData>(hwnd)->selEnd : wParam;
      for (size_t i = 0; i < lines.size(); ++i)
        if (ch <= lines[i].first + lines[i].second) return static_cast<LRESULT>(i);
      return static_cast<LRESULT>(lines.empty() ? 0 : lines.size() - 1);
    }
    case EM_GETLINE: {
      auto lines = Lines(Text(hwnd));
      if (wParam >= lines.size() || !lParam) return 0;
      auto* buf = reinterpret_cast<char16_t*>(lParam);
      size_t room = *reinterpret_cast<WORD*>(lParam);
      std::u16string t = Text(hwnd).substr(lines[wParam].first, lines[wParam].second);
      size_t n = std::min(room, t.size());
      std::memcpy(buf, t.data(), n * 2);
      return static_cast<LRESULT>(n);
    }
    case EM_GETFIRSTVISIBLELINE:
      return (style & ES_MULTILINE) ? static_cast<LRESULT>(Data<EditData>(hwnd)->firstVisible) : static_cast<LRESULT>(Data<EditData>(hwnd)->firstVisible);
    case EM_CANUNDO:
      return FALSE;
    case WM_CHAR: {
      auto d = Data<EditData>(hwnd);
      char16_t c = static_cast<char16_t>(wParam);
      if (style & ES_READONLY) return 0;
      if (c == 0x08) {
        if (SelMin(*d) == SelMax(*d)) {
          if (d->selEnd == 0) return 0;
          d->selStart = d->selEnd - 1;
        }
        ReplaceSelection(hwnd, *d, u"", true);
        return 0;
      }
      if (c == u'\r') {
        if (style & ES_MULTILINE) ReplaceSelection(hwnd, *d, u"\r\n", true);
        return 0;
      }
      if (c < 0x20 && c != u'\t') return 0;
      if (c == u'\t' && !(style & ES_MULTILINE)) return 0;
      std::u16string s = Filter(hwnd, std::u16string(1, c));
      if (!s.empty()) ReplaceSelection(hwnd, *d, s, true);
      return 0;
    }
    case WM_KEYDOWN: {
      auto d = Data<EditData>(hwnd);
      bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      size_t len = Text(hwnd).size();
      size_t caret = d->selEnd;
      switch (wParam) {
        case VK_LEFT: caret = caret > 0 ? caret - 1 : 0; break;
        case VK_RIGHT: caret = std::min(len, caret + 1); break;
        case VK_HOME: caret = 0; break;
        case VK_END: caret = len; break;
        case VK_DELETE:
          if (style & ES_READONLY) return 0;
          if (SelMin(*d) == SelMax(*d)) {
            if (d->selEnd >= len) return 0;
            d->selEnd = d->selStart + 1;
          }
          ReplaceSelection(hwnd, *d, u"", true);
          return 0;
        default:
          return DefWindowProcW(hwnd, msg, wParam, lParam);
      }
      d->selEnd = caret;
      if (!shift) d->selStart = caret;
      EnsureCaretVisible(hwnd, *d);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      auto d = Data<EditData>(hwnd);
      if (GetFocus() != hwnd) SetFocus(hwnd);
      size_t at = CharFromX(hwnd, *d, GET_X_LPARAM(lParam));
      d->selEnd = at;
      if (!(wParam & MK_SHIFT)) d->selStart = at;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd && (wParam & MK_LBUTTON)) {
        auto d = Data<EditData>(hwnd);
        d->selEnd = CharFromX(hwnd, *d, GET_X_LPARAM(lParam));
        EnsureCaretVisible(hwnd, *d);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_SETFOCUS: {
      Data<EditData>(hwnd)->focused = true;
      // The caret is the edit's while it has the focus.
      RECT r;
      GetClientRect(hwnd, &r);
      CreateCaret(hwnd, nullptr, 1, std::max<int>(1, r.bottom - r.top - 2));
      ShowCaret(hwnd);
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, EN_SETFOCUS);
      return 0;
    }
    case WM_KILLFOCUS: {
      Data<EditData>(hwnd)->focused = false;
      nux::ui::CaretState caret;
      if (nux::ui::GetCaretState(&caret) && caret.owner == hwnd) DestroyCaret();
      InvalidateRect(hwnd, nullptr, TRUE);
      Notify(hwnd, EN_KILLFOCUS);
      return 0;
    }
    case WM_CLEAR:
    case WM_CUT: {
      auto d = Data<EditData>(hwnd);
      if (!(style & ES_READONLY)) ReplaceSelection(hwnd, *d, u"", true);
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
        return TRUE;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_ENABLE:
    case WM_STYLECHANGED:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintEdit(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- progress bar -------------------------------------------------------------------------
struct ProgressData : ControlData {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
  COLORREF bar = 0xFF000000;  // CLR_DEFAULT
  COLORREF background = 0xFF000000;
};

struct Listener {
  int id;
  void (*fn)(HWND, int, int, int, void*);
  void* context;
};
std::mutex g_listenerMutex;
std::vector<Listener> g_listeners;
int g_nextListener = 1;

void ProgressChanged(HWND hwnd, const ProgressData& d) {
  std::vector<Listener> ls;
  {
    std::lock_guard<std::mutex> g(g_listenerMutex);
    ls = g_listeners;
  }
  for (auto& l : ls) l.fn(hwnd, d.pos, d.low, d.high, l.context);
  MirrorProgress(hwnd, d.pos, d.low, d.high);
  InvalidateRect(hwnd, nullptr, TRUE);
}

int ClampPos(const ProgressData& d, long long p) {
  return static_cast<int>(std::clamp<long long>(p, std::min(d.low, d.high), std::max(d.low, d.high)));
}

LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      auto d = Data<ProgressData>(hwnd);
      LRESULT old = MAKELONG(static_cast<WORD>(d->low), static_cast<WORD>(d->high));
      if (msg == PBM_SETRANGE) {
        d->low = LOWORD(lParam);
        d->high = HIWORD(lParam);
      } else {
        d->low = static_cast<int>(wParam);
        d->high = static_cast<int>(lParam);
      }
      d->pos = ClampPos(*d, d->pos);
      ProgressChanged(hwnd, *d);
      return old;
    }
    case PBM_GETRANGE: {
      auto d = Data<ProgressData>(hwnd);
      if (lParam) *reinterpret_cast<PBRANGE*>(lParam) = PBRANGE{d->low, d->high};
      return wParam ? d->low : d->high;
    }
    case PBM_SETPOS: {
      auto d = Data<ProgressData>(hwnd);
      int old = d->pos;
      d->pos = ClampPos(*d, static_cast<int>(wParam));
      if (d->pos != old) ProgressChanged(hwnd, *d);
      return old;
    }
    case PBM_DELTAPOS: {
      auto d = Data<ProgressData>(hwnd);
      int old = d->pos;
      d->pos = ClampPos(*d, static_cast<long long>(d->pos) + static_cast<int>(wParam));
      if (d->pos != old) ProgressChanged(hwnd, *d);
      return old;
    }
    case PBM_SETSTEP: {
      auto d = Data<ProgressData>(hwnd);
      int old = d->step;
      d->step = static_cast<int>(wParam);
      return old;
    }
    case PBM_STEPIT: {
      auto d = Data<ProgressData>(hwnd);
      int old = d->pos;
      long long p = static_cast<long long>(d->pos) + d->step;
      // Past the end the bar starts over from the beginning, as the common control does.
      if (d->high > d->low && p > d->high) p = d->low + (p - d->high);
      if (d->high > d->low && p < d->low) p = d->high - (d->low - p);
      d->pos = ClampPos(*d, p);
      ProgressChanged(hwnd, *d);
      return old;
    }
    case PBM_GETPOS:
      return Data<ProgressData>(hwnd)->pos;
    case PBM_SETBARCOLOR: {
      auto d = Data<ProgressData>(hwnd);
      COLORREF old = d->bar;
      d->bar = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case PBM_SETBKCOLOR: {
      auto d = Data<ProgressData>(hwnd);
      COLORREF old = d->background;
      d->background = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case WM_DESTROY:
      EndProgressLine(hwnd);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      auto d = Data<ProgressData>(hwnd);
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH bk = d->background == 0xFF000000 ? nullptr : CreateSolidBrush(d->background);
      FillRect(dc, &r, bk ? bk : GetSysColorBrush(COLOR_BTNFACE));
      if (bk) DeleteObject(bk);
      bool vertical = (Style(hwnd) & PBS_VERTICAL) != 0;
      long long span = static_cast<long long>(d->high) - d->low;
      int length = vertical ? r.bottom - r.top : r.right - r.left;
      int filled = span > 0 ? static_cast<int>((static_cast<long long>(d->pos - d->low) * length) / span) : 0;
      HBRUSH bar = d->bar == 0xFF000000 ? GetSysColorBrush(COLOR_HIGHLIGHT) : CreateSolidBrush(d->bar);
      if (Style(hwnd) & PBS_SMOOTH) {
        RECT f = vertical ? RECT{r.left, r.bottom - filled, r.right, r.bottom} : RECT{r.left, r.top, r.left + filled, r.bottom};
        FillRect(dc, &f, bar);
      } else {
        // Blocks two thirds as wide as the bar is high, with a gap of 2 pixels.
        int thick = vertical ? r.right - r.left : r.bottom - r.top;
        int block = std::max(1, thick * 2 / 3);
        for (int at = 0; at < filled; at += block + 2) {
          int end = std::min(filled, at + block);
          RECT f = vertical ? RECT{r.left, r.bottom - end, r.right, r.bottom - at} : RECT{r.left + at, r.top, r.left + end, r.bottom};
          FillRect(dc, &f, bar);
        }
      }
      if (d->bar != 0xFF000000) DeleteObject(bar);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

// ---- scroll bars ------------------------------------------------------------------------
struct BarState {
  SCROLLINFO info{sizeof(SCROLLINFO), 0, 0, 100, 0, 0, 0};
  bool visible = true;
  UINT arrowsDisabled = 0;
};

std::mutex g_barMutex;
std::map<std::pair<HWND, int>, BarState> g_bars;
std::map<std::pair<HWND, UINT>, INT_PTR> g_flatProps;

int MaxPos(const SCROLLINFO& si) {
  int page = static_cast<int>(si.nPage);
  return si.nMax - std::max(page - 1, 0);
}

BarState& Bar(HWND hwnd, int bar) {
  auto& b = g_bars[{hwnd, bar}];
  b.info.nMax = b.info.nMax;  // default-constructed with the range 0..100
  return b;
}

void RedrawBar(HWND hwnd, int bar, BOOL redraw) {
  if (!redraw) return;
  if (bar == SB_CTL)
    InvalidateRect(hwnd, nullptr, TRUE);
  else
    RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

struct ScrollBarData : ControlData {
  bool tracking = false;
  int trackCode = -1;
};

RECT ThumbRect(HWND hwnd, const SCROLLINFO& si, bool vertical) {
  RECT r;
  GetClientRect(hwnd, &r);
  int len = vertical ? r.bottom : r.right;
  int arrow = vertical ? std::min<LONG>(r.right, len / 2) : std::min<LONG>(r.bottom, len / 2);
  int track = std::max(0, len - 2 * arrow);
  long long range = static_cast<long long>(si.nMax) - si.nMin + 1;
  int thumb = range > 0 && si.nPage ? static_cast<int>(std::max<long long>(8, track * static_cast<long long>(si.nPage) / range))
                                    : std::min(track, 16);
  thumb = std::min(thumb, track);
  int movable = track - thumb;
  int span = MaxPos(si) - si.nMin;
  int at = span > 0 ? static_cast<int>(static_cast<long long>(si.nPos - si.nMin) * movable / span) : 0;
  return vertical ? RECT{0, arrow + at, r.right, arrow + at + thumb} : RECT{arrow + at, 0, arrow + at + thumb, r.bottom};
}

void PaintScrollBar(HWND hwnd, HDC dc) {
  bool vertical = (Style(hwnd) & SBS_VERT) != 0;
  SCROLLINFO si;
  {
    std::lock_guard<std::mutex> g(g_barMutex);
    si = Bar(hwnd, SB_CTL).info;
  }
  RECT r;
  GetClientRect(hwnd, &r);
  Fill(dc, r, COLOR_SCROLLBAR);
  int len = vertical ? r.bottom : r.right;
  int arrow = vertical ? std::min<LONG>(r.right, len / 2) : std::min<LONG>(r.bottom, len / 2);
  RECT a1 = vertical ? RECT{0, 0, r.right, arrow} : RECT{0, 0, arrow, r.bottom};
  RECT a2 = vertical ? RECT{0, r.bottom - arrow, r.right, r.bottom} : RECT{r.right - arrow, 0, r.right, r.bottom};
  Fill(dc, a1, COLOR_BTNFACE);
  Raised(dc, a1);
  Fill(dc, a2, COLOR_BTNFACE);
  Raised(dc, a2);
  RECT t = ThumbRect(hwnd, si, vertical);
  if (!IsRectEmpty(&t)) {
    Fill(dc, t, COLOR_BTNFACE);
    Raised(dc, t);
  }
}

void ScrollNotify(HWND hwnd, int code, int pos) {
  bool vertical = (Style(hwnd) & SBS_VERT) != 0;
  HWND p = Parent(hwnd);
  if (p) SendMessageW(p, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT ScrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  bool vertical = (Style(hwnd) & SBS_VERT) != 0;
  switch (msg) {
    case SBM_SETPOS: return SetScrollPos(hwnd, SB_CTL, static_cast<int>(wParam), static_cast<BOOL>(lParam));
    case SBM_GETPOS: return GetScrollPos(hwnd, SB_CTL);
    case SBM_SETRANGE: return SetScrollRange(hwnd, SB_CTL, static_cast<int>(wParam), static_cast<int>(lParam), FALSE);
    case SBM_GETRANGE:
      return GetScrollRange(hwnd, SB_CTL, reinterpret_cast<LPINT>(wParam), reinterpret_cast<LPINT>(lParam));
    case SBM_SETSCROLLINFO:
      return SetScrollInfo(hwnd, SB_CTL, reinterpret_cast<LPCSCROLLINFO>(lParam), static_cast<BOOL>(wParam));
    case SBM_GETSCROLLINFO: return GetScrollInfo(hwnd, SB_CTL, reinterpret_cast<LPSCROLLINFO>(lParam));
    case WM_LBUTTONDOWN: {
      auto d = Data<ScrollBarData>(hwnd);
      SCROLLINFO si;
      {
        std::lock_guard<std::mutex> g(g_barMutex);
        si = Bar(hwnd, SB_CTL).info;
      }
      RECT r, t = ThumbRect(hwnd, si, vertical);
      GetClientRect(hwnd, &r);
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int v = vertical ? p.y : p.x;
      int len = vertical ? r.bottom : r.right;
      int arrow = vertical ? std::min<LONG>(r.right, len / 2) : std::min<LONG>(r.bottom, len / 2);
      int code;
      if (v < arrow) code = SB_LINEUP;
      else if (v >= len - arrow) code = SB_LINEDOWN;
      else if (PtInRect(&t, p)) code = SB_THUMBTRACK;
      else if (v < (vertical ? t.top : t.left)) code = SB_PAGEUP;
      else code = SB_PAGEDOWN;
      d->tracking = true;
      d->trackCode = code;
      SetCapture(hwnd);
      if (code != SB_THUMBTRACK) ScrollNotify(hwnd, code, 0);
      return 0;
    }
    case WM_MOUSEMOVE: {
      auto d = Data<ScrollBarData>(hwnd);
      if (!d->tracking || d->trackCode != SB_THUMBTRACK) return 0;
      SCROLLINFO si;
      {
        std::lock_guard<std::mutex> g(g_barMutex);
        si = Bar(hwnd, SB_CTL).info;
      }
      RECT r;
      GetClientRect(hwnd, &r);
      int len = vertical ? r.bottom : r.right;
      int arrow = vertical ? std::min<LONG>(r.right, len / 2) : std::min<LONG>(r.bottom, len / 2);
      RECT t = ThumbRect(hwnd, si, vertical);
      int thumb = vertical ? t.bottom - t.top : t.right - t.left;
      int movable = std::max(1, len - 2 * arrow - thumb);
      int v = (vertical ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam)) - arrow - thumb / 2;
      int pos = si.nMin + static_cast<int>(static_cast<long long>(std::clamp(v, 0, movable)) * (MaxPos(si) - si.nMin) / movable);
      {
        std::lock_guard<std::mutex> g(g_barMutex);
        Bar(hwnd, SB_CTL).info.nTrackPos = pos;
      }
      ScrollNotify(hwnd, SB_THUMBTRACK, pos);
      return 0;
    }
    case WM_LBUTTONUP: {
      auto d = Data<ScrollBarData>(hwnd);
      if (!d->tracking) return 0;
      d->tracking = false;
      ReleaseCapture();
      if (d->trackCode == SB_THUMBTRACK) {
        int pos;
        {
          std::lock_guard<std::mutex> g(g_barMutex);
          pos = Bar(hwnd, SB_CTL).info.nTrackPos;
        }
        ScrollNotify(hwnd, SB_THUMBPOSITION, pos);
      }
      ScrollNotify(hwnd, SB_ENDSCROLL, 0);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintScrollBar(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCDESTROY: {
      std::lock_guard<std::mutex> g(g_barMutex);
      g_bars.erase({hwnd, SB_CTL});
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

namespace nux::ui::detail {

void RegisterControlClasses() {
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  RegisterSystemClass(u"Static", StaticProc, CS_PARENTDC | CS_DBLCLKS, 0, nullptr, arrow);
  RegisterSystemClass(u"Button", ButtonProc, CS_PARENTDC | CS_DBLCLKS, 0, nullptr, arrow);
  RegisterSystemClass(u"Edit", EditProc, CS_PARENTDC | CS_DBLCLKS, 0, nullptr, LoadCursorW(nullptr, IDC_IBEAM));
  RegisterSystemClass(u"ScrollBar", ScrollBarProc, CS_PARENTDC | CS_DBLCLKS, 0, nullptr, arrow);
  RegisterSystemClass(PROGRESS_CLASSW, ProgressProc, 0, 0, nullptr, arrow);
}

}  // namespace nux::ui::detail

// ---- scroll bar calls -----------------------------------------------------------------------
int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (!IsWindow(hwnd) || !info) return 0;
  int pos;
  {
    std::lock_guard<std::mutex> g(g_barMutex);
    SCROLLINFO& si = Bar(hwnd, bar).info;
    if (info->fMask & SIF_RANGE) {
      si.nMin = info->nMin;
      si.nMax = info->nMax;
    }
    if (info->fMask & SIF_PAGE) {
      long long range = static_cast<long long>(si.nMax) - si.nMin + 1;
      si.nPage = static_cast<UINT>(std::min<long long>(info->nPage, std::max<long long>(range, 0)));
    }
    if (info->fMask & SIF_POS) si.nPos = info->nPos;
    si.nPos = std::clamp(si.nPos, si.nMin, std::max(si.nMin, MaxPos(si)));
    pos = si.nPos;
  }
  RedrawBar(hwnd, bar, redraw);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (!IsWindow(hwnd) || !info) return FALSE;
  std::lock_guard<std::mutex> g(g_barMutex);
  const SCROLLINFO& si = Bar(hwnd, bar).info;
  if (info->fMask & SIF_RANGE) {
    info->nMin = si.nMin;
    info->nMax = si.nMax;
  }
  if (info->fMask & SIF_PAGE) info->nPage = si.nPage;
  if (info->fMask & SIF_POS) info->nPos = si.nPos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = si.nTrackPos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  if (!IsWindow(hwnd)) return 0;
  int old;
  {
    std::lock_guard<std::mutex> g(g_barMutex);
    SCROLLINFO& si = Bar(hwnd, bar).info;
    old = si.nPos;
    si.nPos = std::clamp(pos, si.nMin, std::max(si.nMin, MaxPos(si)));
  }
  RedrawBar(hwnd, bar, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  if (!IsWindow(hwnd)) return 0;
  std::lock_guard<std::mutex> g(g_barMutex);
  return Bar(hwnd, bar).info.nPos;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  SCROLLINFO si{sizeof(si), SIF_RANGE, minPos, maxPos, 0, 0, 0};
  SetScrollInfo(hwnd, bar, &si, redraw);
  return IsWindow(hwnd);
}

BOOL GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos) {
  SCROLLINFO si{sizeof(si), SIF_RANGE, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(hwnd, bar, &si)) return FALSE;
  if (minPos) *minPos = si.nMin;
  if (maxPos) *maxPos = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!IsWindow(hwnd)) return FALSE;
  if (bar == SB_CTL) return ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE), TRUE;
  DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
  DWORD bits = bar == SB_VERT ? WS_VSCROLL : bar == SB_HORZ ? WS_HSCROLL : (WS_VSCROLL | WS_HSCROLL);
  DWORD ns = show ? (style | bits) : (style & ~bits);
  if (ns != style) {
    SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(ns));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (!IsWindow(hwnd)) return FALSE;
  std::lock_guard<std::mutex> g(g_barMutex);
  Bar(hwnd, static_cast<int>(bar)).arrowsDisabled = arrows;
  return TRUE;
}

BOOL InitializeFlatSB(HWND hwnd) { return IsWindow(hwnd); }
HRESULT UninitializeFlatSB(HWND) { return S_OK; }

BOOL FlatSB_SetScrollProp(HWND hwnd, UINT index, INT_PTR value, BOOL redraw) {
  if (!IsWindow(hwnd)) return FALSE;
  {
    std::lock_guard<std::mutex> g(g_barMutex);
    g_flatProps[{hwnd, index}] = value;
  }
  if (redraw) RedrawBar(hwnd, SB_VERT, TRUE);
  return TRUE;
}

BOOL FlatSB_GetScrollProp(HWND hwnd, UINT index, LPINT value) {
  if (!IsWindow(hwnd) || !value) return FALSE;
  std::lock_guard<std::mutex> g(g_barMutex);
  auto it = g_flatProps.find({hwnd, index});
  if (it != g_flatProps.end()) {
    *value = static_cast<int>(it->second);
    return TRUE;
  }
  switch (index) {
    case WSB_PROP_CXVSCROLL:
    case WSB_PROP_CYHSCROLL:
    case WSB_PROP_CYVSCROLL:
    case WSB_PROP_CXHSCROLL:
    case WSB_PROP_CXHTHUMB:
    case WSB_PROP_CYVTHUMB: *value = 16; return TRUE;
    case WSB_PROP_VSTYLE:
    case WSB_PROP_HSTYLE: *value = FSB_REGULAR_MODE; return TRUE;
    default: *value = 0; return TRUE;
  }
}

int FlatSB_SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) { return SetScrollInfo(hwnd, bar, info, redraw); }
BOOL FlatSB_GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) { return GetScrollInfo(hwnd, bar, info); }
int FlatSB_SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) { return SetScrollPos(hwnd, bar, pos, redraw); }
int FlatSB_GetScrollPos(HWND hwnd, int bar) { return GetScrollPos(hwnd, bar); }
BOOL FlatSB_SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  return SetScrollRange(hwnd, bar, minPos, maxPos, redraw);
}
BOOL FlatSB_ShowScrollBar(HWND hwnd, int bar, BOOL show) { return ShowScrollBar(hwnd, bar, show); }
BOOL FlatSB_EnableScrollBar(HWND hwnd, int bar, UINT arrows) { return EnableScrollBar(hwnd, static_cast<UINT>(bar), arrows); }

void InitCommonControls() { EnsureSystemClasses(); }
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) {
  EnsureSystemClasses();
  return TRUE;
}

namespace nux::ui {

int AddProgressListener(void (*fn)(HWND, int, int, int, void*), void* context) {
  if (!fn) return 0;
  std::lock_guard<std::mutex> g(g_listenerMutex);
  int id = g_nextListener++;
  g_listeners.push_back(Listener{id, fn, context});
  return id;
}

void RemoveProgressListener(int id) {
  std::lock_guard<std::mutex> g(g_listenerMutex);
  g_listeners.erase(std::remove_if(g_listeners.begin(), g_listeners.end(), [id](const Listener& l) { return l.id == id; }),
                    g_listeners.end());
}

}  // namespace nux::ui
