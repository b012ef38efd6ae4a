#include "FlatMenu.h"

#include <algorithm>

#include "MemBitmap.h"
#include "gdi/image.h"
#include "process/clock.h"
#include "rc/nuxres.h"
#include "ui/cursor.h"
#include "ui/sysparams.h"

namespace {

bool g_classRegistered = false;
constexpr WPARAM kMsgfMenu = 2;  // WM_ENTERIDLE from a menu's loop

// Copies at most cap - 1 characters and terminates.
void CopyBounded(WCHAR* dest, size_t cap, LPCWSTR src) {
  size_t i = 0;
  if (src) {
    for (; i + 1 < cap && src[i]; ++i) dest[i] = src[i];
  }
  dest[i] = 0;
}

// A CDC over a device context handle for the length of a scope.
class CDCFor {
 public:
  explicit CDCFor(HDC hDC) { m_dc.Attach(hDC); }
  ~CDCFor() { m_dc.Detach(); }
  CDC* operator->() { return &m_dc; }
  CDC* get() { return &m_dc; }

 private:
  CDC m_dc;
};

}  // namespace

// ---- FlatMenuItem -------------------------------------------------------------------------

FlatMenuItem& FlatMenuItem::operator=(const FlatMenuItem& other) {
  if (this == &other) return *this;
  nTop = other.nTop;
  nHeight = other.nHeight;
  nFlags = other.nFlags;
  CopyBounded(szText, std::size(szText), other.szText);
  nCommand = other.nCommand;
  nGlyph = other.nGlyph;
  pSubmenu = other.pSubmenu;
  return *this;
}

void FlatMenuItem::SetText(LPCWSTR lpszText) { CopyBounded(szText, std::size(szText), lpszText); }

// ---- CFlatMenu ----------------------------------------------------------------------------

CFlatMenu::CFlatMenu()
    : m_crLine(::GetSysColor(COLOR_MENUTEXT)),
      m_crBack(::GetSysColor(COLOR_MENU)),
      m_crText(::GetSysColor(COLOR_MENUTEXT)),
      m_crGreyText(::GetSysColor(COLOR_GRAYTEXT)),
      m_crHighlightText(::GetSysColor(COLOR_HIGHLIGHTTEXT)),
      m_crHighlight(::GetSysColor(COLOR_HIGHLIGHT)) {
  CopyBounded(m_szFace, std::size(m_szFace), u"MS Sans Serif");
}

CFlatMenu::~CFlatMenu() {
  if (m_hWnd && m_nCaptureState == 2 && ::GetCapture() == m_hWnd) ::ReleaseCapture();
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  DeleteGdiObjects();
  m_items.clear();
}

void CFlatMenu::SetStyle(LPCWSTR lpszFace, int nSize, COLORREF crLine, COLORREF crText, COLORREF crBack,
                         COLORREF crHighlightText, COLORREF crHighlight) {
  CopyBounded(m_szFace, std::size(m_szFace), lpszFace);
  m_nFontSize = nSize;
  m_crLine = crLine;
  m_crText = crText;
  m_crBack = crBack;
  m_crHighlightText = crHighlightText;
  m_crHighlight = crHighlight;
}

BOOL CFlatMenu::Init(HINSTANCE hInstance, int nGlyphStripId) {
  m_hInstance = hInstance;
  m_nGlyphStripId = nGlyphStripId;
  if (!g_classRegistered) {
    WNDCLASSW wc{};
    wc.style = CS_SAVEBITS | CS_OWNDC;
    wc.lpfnWndProc = &CFlatMenu::WindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!::RegisterClassW(&wc)) return FALSE;
    g_classRegistered = true;
  }
  m_items.clear();
  CreateGdiObjects();
  return TRUE;
}

BOOL CFlatMenu::AddItem(int nFlags, LPCWSTR lpszText, int nCommand, int nGlyph) {
  FlatMenuItem item;
  item.nFlags = nFlags;
  item.SetText(lpszText);
  item.nCommand = nCommand;
  item.nGlyph = nGlyph;
  m_items.push_back(item);
  return TRUE;
}

BOOL CFlatMenu::SetSubmenu(int nIndex, CFlatMenu* pSubmenu) {
  if (nIndex < 0 || nIndex >= GetItemCount()) return FALSE;
  m_items[static_cast<size_t>(nIndex)].pSubmenu = pSubmenu;
  if (pSubmenu) pSubmenu->m_pParent = this;
  return TRUE;
}

void CFlatMenu::DeleteGdiObjects() {
  HGDIOBJ objects[] = {m_hFont,     m_hBoldFont, m_hLinePen,          m_hBackBrush,
                       m_hHighlightBrush, m_hTextPen, m_hHighlightTextPen, m_hGlyphs};
  for (HGDIOBJ o : objects) {
    if (o) ::DeleteObject(o);
  }
  m_hFont = m_hBoldFont = nullptr;
  m_hLinePen = m_hTextPen = m_hHighlightTextPen = nullptr;
  m_hBackBrush = m_hHighlightBrush = nullptr;
  m_hGlyphs = nullptr;
}

void CFlatMenu::CreateGdiObjects() {
  DeleteGdiObjects();
  HDC ic = ::CreateICW(u"DISPLAY", nullptr, nullptr, nullptr);
  int height = -::MulDiv(m_nFontSize, ::GetDeviceCaps(ic, LOGPIXELSY), 72);
  ::DeleteDC(ic);
  m_hFont = ::CreateFontW(height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, m_szFace);
  m_hBoldFont = ::CreateFontW(height, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, m_szFace);
  m_hLinePen = ::CreatePen(PS_SOLID, 1, m_crLine);
  m_hTextPen = ::CreatePen(PS_SOLID, 1, m_crText);
  m_hHighlightTextPen = ::CreatePen(PS_SOLID, 1, m_crHighlightText);
  m_hBackBrush = ::CreateSolidBrush(m_crBack);
  m_hHighlightBrush = ::CreateSolidBrush(m_crHighlight);
  if (m_nGlyphStripId != -1) m_hGlyphs = ::LoadBitmapW(m_hInstance, MAKEINTRESOURCEW(m_nGlyphStripId));
}

int CFlatMenu::Layout(int nMinWidth) {
  HDC ic = ::CreateICW(u"DISPLAY", nullptr, nullptr, nullptr);
  HGDIOBJ old = ::SelectObject(ic, m_hFont);
  int y = 3;
  int widest = 0;
  for (FlatMenuItem& item : m_items) {
    item.nTop = y;
    if (item.nFlags & FlatMenuItem::Separator) {
      item.nHeight = 5;
    } else {
      ::SelectObject(ic, (item.nFlags & FlatMenuItem::Bold) ? m_hBoldFont : m_hFont);
      SIZE size{};
      ::GetTextExtentPoint32W(ic, item.szText, static_cast<int>(std::char_traits<char16_t>::length(item.szText)),
                              &size);
      item.nHeight = size.cy + 4;
      widest = std::max<int>(widest, size.cx);
    }
    y += item.nHeight;
  }
  ::SelectObject(ic, old);
  ::DeleteDC(ic);
  m_nWidth = std::max(widest, nMinWidth) + 42;
  return y;
}

int CFlatMenu::TrackPopup(int x, int y, HWND hOwner, BOOL bModal, BOOL bSubmenu, int nMinWidth) {
  const int total = Layout(nMinWidth);
  m_nHotItem = -1;
  m_nChosen = 0;

  POINT at{x, y};
  RECT work{};
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  HMONITOR monitor = ::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST);
  if (monitor && ::GetMonitorInfoW(monitor, &info)) {
    work = info.rcWork;
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  }

  m_dwOpenTime = ::timeGetTime();
  HWND hWnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, kWindowTitle, WS_POPUP | WS_VISIBLE, -500, -500,
                                m_nWidth, total + 2, hOwner, nullptr, m_hInstance, this);
  if (!hWnd) return 0;
  m_hWnd = hWnd;

  // Inside the work area of the point's monitor: moved left and up where it would leave it on
  // the right or at the bottom, and never past its left or top edge.
  if (x + m_nWidth > work.right) x = work.right - m_nWidth;
  if (x < work.left) x = work.left;
  if (y + total + 2 > work.bottom) y = work.bottom - total - 2;
  if (y < work.top) y = work.top;

  if (m_nSlideSide == 0) m_nSlideSide = bSubmenu ? 3 : 1;
  ::SetWindowPos(hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_DEFERERASE);
  ::BringWindowToTop(hWnd);

  if (bSubmenu) {
    m_bIgnoreLeftRelease = m_bIgnoreRightRelease = 0;
    m_nCaptureState = 1;
  } else {
    ::SetCapture(hWnd);
    m_nCaptureState = 2;
    m_bIgnoreLeftRelease = ::GetKeyState(VK_LBUTTON) < 0;
    m_bIgnoreRightRelease = ::GetKeyState(VK_RBUTTON) < 0;
  }

  m_bModal = bModal ? 1 : 0;
  m_hOwner = hOwner;
  if (!bModal) return 0;
  return RunModalLoop();
}

int CFlatMenu::RunModalLoop() {
  for (;;) {
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd)) return m_nChosen;
    MSG msg;
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // Nothing to do: the owner hears that the menu loop is idle, as from the system's menus;
      // then the loop sleeps until a message, an input event, a paint or a timer is due.
      HWND owner = Top()->m_hOwner;
      if (owner && ::IsWindow(owner)) ::SendMessageW(owner, WM_ENTERIDLE, kMsgfMenu, reinterpret_cast<LPARAM>(m_hWnd));
      if (m_hWnd && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) ::WaitMessage();
      continue;
    }
    BOOL more;
    WPARAM exitCode = 0;
    if (CWinThread* thread = AfxGetThread()) {
      more = thread->PumpMessage();
      if (!more) {
        const MSG* last = AfxGetCurrentPumpMessage();
        exitCode = last ? last->wParam : 0;
      }
    } else {
      more = ::GetMessageW(&msg, nullptr, 0, 0) > 0;
      if (more) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      } else {
        exitCode = msg.wParam;
      }
    }
    if (!more) {
      // The application is ending: close the menu and leave the quit for the host's own loop.
      if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
      ::PostQuitMessage(static_cast<int>(exitCode));
      return 0;
    }
  }
}

LRESULT CALLBACK CFlatMenu::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hWnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
  }
  auto* menu = reinterpret_cast<CFlatMenu*>(::GetWindowLongPtrW(hWnd, GWL_USERDATA));
  if (menu == nullptr) return ::DefWindowProcW(hWnd, message, wParam, lParam);
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hWnd, &ps);
      {
        CDCFor cdc(dc);
        menu->OnPaint(cdc.get());
      }
      ::EndPaint(hWnd, &ps);
      break;
    }
    case WM_ERASEBKGND:
      if (menu->m_nSlideSide == 0) {
        CDCFor cdc(reinterpret_cast<HDC>(wParam));
        menu->EraseBackground(cdc.get());
      }
      return 1;
    case WM_MOUSEMOVE:
      menu->OnMouseMove(x, y);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      menu->OnButtonDown(x, y);
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCOMMAND:
      menu->OnButtonDown(-1, -1);
      break;
    case WM_LBUTTONUP:
      menu->OnButtonUp(x, y, menu->m_bIgnoreLeftRelease);
      break;
    case WM_RBUTTONUP:
      menu->OnButtonUp(x, y, menu->m_bIgnoreRightRelease);
      break;
    case WM_TIMER:
      menu->OpenSubmenu();
      break;
    case WM_KILLFOCUS: {
      HWND gaining = reinterpret_cast<HWND>(wParam);
      WCHAR title[64] = {};
      if (gaining) ::GetWindowTextW(gaining, title, 64);
      if ((gaining == nullptr || std::u16string_view(title) != kWindowTitle) &&
          ::timeGetTime() - menu->m_dwOpenTime > 100) {
        ::DestroyWindow(hWnd);
      }
      break;
    }
    case WM_DESTROY:
      menu->Close();
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

void CFlatMenu::EraseBackground(CDC* pDC) {
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  HGDIOBJ oldPen = pDC->SelectObject(m_hLinePen);
  HGDIOBJ oldBrush = pDC->SelectObject(m_hBackBrush);
  ::Rectangle(pDC->GetSafeHdc(), rc.left, rc.top, rc.right, rc.bottom);
  pDC->SelectObject(oldPen);
  pDC->SelectObject(oldBrush);
}

void CFlatMenu::OnPaint(CDC* pDC) {
  if (m_nSlideSide != 0) {
    const int side = m_nSlideSide;
    m_nSlideSide = 0;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    CMemBitmap image;
    image.Create(rc.right - rc.left, rc.bottom - rc.top);
    if (CDC* mem = image.GetDC()) {
      EraseBackground(mem);
      for (size_t i = 0; i < m_items.size(); ++i) DrawItem(mem, static_cast<int>(i), m_items[i]);
      image.ReleaseDC();
    }
    image.SlideIn(pDC, 0, 0, 15, 10, side, TRUE);
    return;
  }
  for (size_t i = 0; i < m_items.size(); ++i) DrawItem(pDC, static_cast<int>(i), m_items[i]);
}

void CFlatMenu::DrawItem(CDC* pDC, int nIndex, const FlatMenuItem& item) {
  HDC dc = pDC->GetSafeHdc();
  const int W = m_nWidth;
  const int top = item.nTop;
  if (item.nFlags & FlatMenuItem::Separator) {
    HGDIOBJ old = ::SelectObject(dc, m_hLinePen);
    ::MoveToEx(dc, 0, top + 2, nullptr);
    ::LineTo(dc, W, top + 2);
    ::SelectObject(dc, old);
    return;
  }
  const bool hot = nIndex == m_nHotItem;
  HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = ::SelectObject(dc, hot ? m_hHighlightBrush : m_hBackBrush);
  // Without a pen the rectangle fills one pixel less to the right and below, as GDI does.
  ::Rectangle(dc, 3, top, W - 2, top + item.nHeight);
  ::SelectObject(dc, oldBrush);

  if (item.nGlyph != -1 && m_hGlyphs) {
    HDC mem = ::CreateCompatibleDC(dc);
    HGDIOBJ oldBitmap = ::SelectObject(mem, m_hGlyphs);
    ::TransparentBlt(dc, 4, top, 16, 15, mem, item.nGlyph * 16, 0, 16, 15, m_crGlyphKey);
    ::SelectObject(mem, oldBitmap);
    ::DeleteDC(mem);
  }

  HGDIOBJ oldFont = ::SelectObject(dc, (item.nFlags & FlatMenuItem::Bold) ? m_hBoldFont : m_hFont);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, hot ? m_crHighlightText : (item.nFlags & FlatMenuItem::Grey) ? m_crGreyText : m_crText);
  RECT rcText{23, top - 1, W, top + item.nHeight - 1};
  ::DrawTextW(dc, item.szText, -1, &rcText, DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
  ::SelectObject(dc, oldFont);

  if (item.pSubmenu) {
    ::SelectObject(dc, hot ? m_hHighlightTextPen : m_hTextPen);
    for (int i = 0; i < 4; ++i) {
      ::MoveToEx(dc, W - 7 - i, top + 8 - i, nullptr);
      ::LineTo(dc, W - 7 - i, top + 9 + i);
    }
  }
  ::SelectObject(dc, oldPen);
}

void CFlatMenu::RedrawItem(int nIndex) {
  if (!m_hWnd || nIndex < 0 || nIndex >= GetItemCount()) return;
  HDC dc = ::GetDC(m_hWnd);
  {
    CDCFor cdc(dc);
    DrawItem(cdc.get(), nIndex, m_items[static_cast<size_t>(nIndex)]);
  }
  ::ReleaseDC(m_hWnd, dc);
}

int CFlatMenu::HitTest(int x, int y, const RECT& rcClient) const {
  x = static_cast<short>(x);
  y = static_cast<short>(y);
  if (x <= 0 || y <= 0 || x > rcClient.right || y > rcClient.bottom) return -1;
  for (size_t i = 0; i < m_items.size(); ++i) {
    const FlatMenuItem& item = m_items[i];
    if (item.nTop < y && y <= item.nTop + item.nHeight) {
      return (item.nFlags & FlatMenuItem::NotSelectable) ? -1 : static_cast<int>(i);
    }
  }
  return -1;
}

void CFlatMenu::OnMouseMove(int x, int y) {
  POINT pt{x, y};
  ::ClientToScreen(m_hWnd, &pt);
  HWND under = ::WindowFromPoint(pt);
  if (under && under != m_hWnd) {
    WCHAR cls[32] = {};
    ::GetClassNameW(under, cls, 32);
    auto* other = reinterpret_cast<CFlatMenu*>(::GetWindowLongPtrW(under, GWL_USERDATA));
    if (std::u16string_view(cls) == kClassName && other && other != this) {
      // The pointer went over another open menu (a submenu or its parent): it takes the mouse.
      ::ReleaseCapture();
      m_nCaptureState = 1;
      ::SetCapture(under);
      other->m_nCaptureState = 2;
      return;
    }
  }
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  const int hit = HitTest(x, y, rc);
  if (m_nHotItem != -1 && hit != m_nHotItem) {
    ::KillTimer(m_hWnd, kSubmenuTimer);
    const int old = m_nHotItem;
    CFlatMenu* sub = m_items[static_cast<size_t>(old)].pSubmenu;
    if (sub && sub->m_hWnd) ::DestroyWindow(sub->m_hWnd);
    m_nHotItem = -1;
    RedrawItem(old);
  }
  if (hit != -1 && hit != m_nHotItem) {
    m_nHotItem = hit;
    RedrawItem(hit);
    if (m_items[static_cast<size_t>(hit)].pSubmenu) ::SetTimer(m_hWnd, kSubmenuTimer, m_nSubmenuDelay, nullptr);
  }
}

bool CFlatMenu::IsOutside(int x, int y) const {
  RECT rc;
  ::GetClientRect(m_hWnd, &rc);
  return x <= 2 || y <= 2 || x > rc.right || y > rc.bottom;
}

CFlatMenu* CFlatMenu::Top() {
  CFlatMenu* top = this;
  while (top->m_pParent) top = top->m_pParent;
  return top;
}

void CFlatMenu::CloseTop(int nCommand) {
  CFlatMenu* top = Top();
  top->m_nChosen = nCommand;
  if (top->m_hWnd) ::DestroyWindow(top->m_hWnd);
}

void CFlatMenu::OnButtonDown(int x, int y) {
  if (IsOutside(x, y)) {
    m_nHotItem = -1;
    m_nChosen = 0;
    CloseTop(0);
    return;
  }
  if (m_nHotItem != -1) {
    CFlatMenu* sub = m_items[static_cast<size_t>(m_nHotItem)].pSubmenu;
    if (sub && !sub->m_hWnd) OpenSubmenu();
  }
}

void CFlatMenu::OnButtonUp(int x, int y, BYTE& bIgnoreRelease) {
  if (bIgnoreRelease) {
    bIgnoreRelease = 0;  // the release of the click that opened the menu
    return;
  }
  if (IsOutside(x, y)) {
    m_nHotItem = -1;
    m_nChosen = 0;
    CloseTop(0);
    return;
  }
  // A release with no item under the pointer chooses nothing.
  if (m_nHotItem == -1) return;
  const int command = m_items[static_cast<size_t>(m_nHotItem)].nCommand;
  if (command != 0) CloseTop(command);
}

void CFlatMenu::OpenSubmenu() {
  ::KillTimer(m_hWnd, kSubmenuTimer);
  if (m_nHotItem == -1) return;
  CFlatMenu* sub = m_items[static_cast<size_t>(m_nHotItem)].pSubmenu;
  if (!sub || sub->m_hWnd) return;
  POINT pt{m_nWidth - 5, m_items[static_cast<size_t>(m_nHotItem)].nTop - 3};
  ::ClientToScreen(m_hWnd, &pt);
  if (sub->TrackPopup(pt.x, pt.y, nullptr, TRUE, TRUE, 0) != 0 && Top()->m_hWnd) ::DestroyWindow(Top()->m_hWnd);
}

void CFlatMenu::Close() {
  ::ShowWindow(m_hWnd, SW_HIDE);
  for (FlatMenuItem& item : m_items) {
    if (item.pSubmenu && item.pSubmenu->m_hWnd) ::DestroyWindow(item.pSubmenu->m_hWnd);
  }
  if (m_nCaptureState == 2 && ::GetCapture() == m_hWnd) ::ReleaseCapture();
  m_nCaptureState = 0;
  m_hWnd = nullptr;
  if (!m_bModal && m_nChosen != 0 && m_hOwner) ::PostMessageW(m_hOwner, WM_COMMAND, m_nChosen, 0);
}
