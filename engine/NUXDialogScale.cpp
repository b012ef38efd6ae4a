#include "NUXDialogScale.h"

#include "EngineConfig.h"
#include "ui/sysparams.h"

IMPLEMENT_DYNAMIC(CNUXDialogScale, CNUXDialog)

BEGIN_MESSAGE_MAP(CNUXDialogScale, CNUXDialog)
  ON_WM_SIZING()
  ON_WM_SIZE()
  ON_WM_MOVE()
  ON_WM_GETMINMAXINFO()
  ON_WM_NCCALCSIZE()
  ON_WM_NCHITTEST()
  ON_WM_NCPAINT()
  ON_WM_TIMER()
END_MESSAGE_MAP()

namespace {
// SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_DEFERERASE: moves and sizes only.
constexpr UINT kPlaceFlags = 0x2114;
}  // namespace

CNUXDialogScale::CNUXDialogScale(UINT nIDTemplate, CWnd* pParent) : CNUXDialog(nIDTemplate, pParent) {}

CNUXDialogScale::~CNUXDialogScale() { m_rgnWindow.DeleteObject(); }

void CNUXDialogScale::DoDataExchange(CDataExchange* /*pDX*/) {}

int CNUXDialogScale::GetFrameWidth(int nSide) const {
  switch (nSide) {
    case 0: return m_nFrameLeft;
    case 1: return m_nFrameRight;
    case 2: return m_nFrameTop;
    default: return m_nFrameBottom;
  }
}

void CNUXDialogScale::SetFrameWidths(int nLeft, int nRight, int nTop, int nBottom) {
  m_nFrameLeft = nLeft;
  m_nFrameRight = nRight;
  m_nFrameTop = nTop;
  m_nFrameBottom = nBottom;
}

void CNUXDialogScale::SetFrameColors(COLORREF crHighlight, COLORREF crShadow, COLORREF crFill) {
  m_crHighlight = crHighlight;
  m_crShadow = crShadow;
  m_crFill = crFill;
}

void CNUXDialogScale::SetMinSize(int nWidth, int nHeight) {
  m_nMinWidth = nWidth;
  m_nMinHeight = nHeight;
}

void CNUXDialogScale::SetMaxSize(int nWidth, int nHeight) {
  m_nMaxWidth = nWidth;
  m_nMaxHeight = nHeight;
}

void CNUXDialogScale::SetResizable(BOOL bResizable) { m_bResizable = bResizable; }

void CNUXDialogScale::StartSizing(int x, int y) {
  m_bSizing = 1;
  m_ptSizingGrab = POINT{x, y};
}

void CNUXDialogScale::StopSizing() { m_bSizing = 0; }

RECT CNUXDialogScale::WorkAreaOf(const RECT& rc) {
  RECT work{};
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  HMONITOR monitor = ::MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST);
  if (monitor && ::GetMonitorInfoW(monitor, &info))
    work = info.rcWork;
  else
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

void CNUXDialogScale::SizeTo(int x, int y) {
  if (!m_bSizing) return;
  RECT rc;
  GetWindowRect(&rc);
  rc.right += x - m_ptSizingGrab.x;
  rc.bottom += y - m_ptSizingGrab.y;
  if (rc.bottom - rc.top < m_nMinHeight) rc.bottom = rc.top + m_nMinHeight;
  if (rc.right - rc.left < m_nMinWidth) rc.right = rc.left + m_nMinWidth;
  const RECT work = WorkAreaOf(rc);
  if (!IsRectInside(rc.left, rc.top, rc.right, rc.bottom, work.left, work.top, work.right, work.bottom)) {
    if (rc.right > work.right) rc.right = work.right;
    if (rc.bottom > work.bottom) rc.bottom = work.bottom;
  }
  // The cap at the work area must not take the window below its minimum (a window whose left
  // edge lies right of the work area would become 0 wide or less), nor may it exceed its
  // maximum: the limits win.
  if (m_nMaxWidth > 0) {  // a maximum width of 0 means no maximum
    if (rc.right - rc.left > m_nMaxWidth) rc.right = rc.left + m_nMaxWidth;
    if (m_nMaxHeight > 0 && rc.bottom - rc.top > m_nMaxHeight) rc.bottom = rc.top + m_nMaxHeight;
  }
  if (rc.right - rc.left < m_nMinWidth) rc.right = rc.left + m_nMinWidth;
  if (rc.bottom - rc.top < m_nMinHeight) rc.bottom = rc.top + m_nMinHeight;
  MoveWindowToRect(this, rc.left, rc.top, rc.right, rc.bottom, FALSE, TRUE, FALSE);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  UpdateRestoreRect();
}

BOOL CNUXDialogScale::ShowWindowState(int nCmdShow) {
  m_bMinimized = nCmdShow == SW_SHOWMINIMIZED || nCmdShow == SW_MINIMIZE || nCmdShow == SW_SHOWMINNOACTIVE;
  if (!m_bMinimized) m_bMaximized = nCmdShow == SW_MAXIMIZE;
  ::LockWindowUpdate(m_hWnd);
  BOOL result = ShowWindow(nCmdShow);
  ::LockWindowUpdate(nullptr);
  return result;
}

BOOL CNUXDialogScale::IsMaximized() { return m_bMaximized; }
BOOL CNUXDialogScale::IsMinimized() { return m_bMinimized; }
BOOL CNUXDialogScale::Maximize() { return ShowWindowState(SW_MAXIMIZE); }
BOOL CNUXDialogScale::Minimize() { return ShowWindowState(SW_MINIMIZE); }

BOOL CNUXDialogScale::ToggleMaximize() {
  ShowWindowState(m_bMaximized ? SW_RESTORE : SW_MAXIMIZE);
  return IsMaximized();
}

void CNUXDialogScale::SetupLayout(CCtrlLayout* /*pLayout*/) {}

BOOL CNUXDialogScale::GetWindowRegion(CRgn* /*pRgn*/, int /*nWidth*/, int /*nHeight*/) { return FALSE; }

BOOL CNUXDialogScale::IsNormalState() {
  return !m_bMaximized && !m_bMinimized && !::IsIconic(m_hWnd) && !::IsZoomed(m_hWnd);
}

void CNUXDialogScale::StartMove(int x, int y) {
  if (m_bMaximized) return;
  CNUXDialog::StartMove(x + m_nFrameLeft, y + m_nFrameTop);
}

void CNUXDialogScale::StopMove() {
  if (m_bMaximized) return;
  CNUXDialog::StopMove();
}

void CNUXDialogScale::MoveTo(int x, int y) {
  if (m_bMaximized) return;
  CNUXDialog::MoveTo(x, y);
}

void CNUXDialogScale::SaveWindowRect() {
  if (m_strPlacement.IsEmpty()) return;
  const LONG edges[4] = {m_rcRestore.left, m_rcRestore.top, m_rcRestore.right, m_rcRestore.bottom};
  theEngineConfig.WriteBinary(m_strPlacement, edges, sizeof(edges));
}

void CNUXDialogScale::RestoreWindowRect() {
  if (m_strPlacement.IsEmpty()) return;
  LONG edges[4];
  RECT rc;
  if (theEngineConfig.GetBinary(m_strPlacement, edges, sizeof(edges))) {
    rc = RECT{edges[0], edges[1], edges[2], edges[3]};
  } else {
    RECT now;
    GetWindowRect(&now);
    GetCenteredRect(now.right - now.left, now.bottom - now.top, &rc);
  }
  if (rc.right - rc.left < m_nMinWidth) rc.right = rc.left + m_nMinWidth;
  if (rc.bottom - rc.top < m_nMinHeight) rc.bottom = rc.top + m_nMinHeight;
  FitRectToWorkArea(&rc, TRUE, 0, 0);
  PlaceWindow(rc.left, rc.top, rc.right, rc.bottom);
  m_rcRestore = rc;
}

void CNUXDialogScale::PlaceWindow(int nLeft, int nTop, int nRight, int nBottom) {
  SetWindowPos(&wndTop, nLeft, nTop, nRight - nLeft, nBottom - nTop, kPlaceFlags);
}

void CNUXDialogScale::UpdateRegion(int nWidth, int nHeight) {
  CRgn rgn;
  if (!GetWindowRegion(&rgn, nWidth, nHeight)) return;
  m_rgnWindow.DeleteObject();
  m_rgnWindow.CreateRectRgn(0, 0, 0, 0);
  m_rgnWindow.CopyRgn(&rgn);
  // The window takes the region over when it accepts it; the object then lets go of it.
  if (SetWindowRgn(static_cast<HRGN>(m_rgnWindow.GetSafeHandle()), TRUE)) m_rgnWindow.Detach();
}

void CNUXDialogScale::UpdateRestoreRect() { GetWindowRect(&m_rcRestore); }

BOOL CNUXDialogScale::OnInitDialog() {
  if (m_nFrameLeft > 0) {
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) & 0xFF37FFFF);
  }
  RECT rc;
  GetWindowRect(&rc);
  if (m_nFrameLeft > 0 || m_nFrameRight > 0) rc.right += m_nFrameLeft + m_nFrameRight - 1;
  if (m_nFrameTop > 0 || m_nFrameBottom > 0) rc.bottom += m_nFrameTop + m_nFrameBottom - 1;
  MoveWindowToRect(this, rc.left, rc.top, rc.right, rc.bottom, FALSE, TRUE, FALSE);
  if (m_nMinWidth <= 0) m_nMinWidth = rc.right - rc.left;
  if (m_nMinHeight <= 0) m_nMinHeight = rc.bottom - rc.top;
  m_layout.Collect(this);
  SetupLayout(&m_layout);
  CNUXDialog::OnInitDialog();
  return FALSE;
}

void CNUXDialogScale::OnNcCalcSize(BOOL /*bCalcValidRects*/, NCCALCSIZE_PARAMS* lpncsp) {
  // Without default processing: the system draws no caption and no border.
  RECT& r = lpncsp->rgrc[0];
  r.left += m_nFrameLeft;
  r.top += m_nFrameTop;
  r.right -= m_nFrameRight;
  r.bottom -= m_nFrameBottom;
}

void CNUXDialogScale::GetFrameRects(RECT* pLeft, RECT* pRight, RECT* pTop, RECT* pBottom, BOOL bScreen) {
  RECT w;
  GetWindowRect(&w);
  if (!bScreen) w = RECT{0, 0, w.right - w.left, w.bottom - w.top};
  const int fl = m_nFrameLeft, fr = m_nFrameRight, ft = m_nFrameTop, fb = m_nFrameBottom;
  if (pLeft) *pLeft = RECT{w.left, w.top + ft, w.left + fl, w.bottom - fb};
  if (pRight) *pRight = RECT{w.right - fr - 1, w.top + ft, w.right, w.bottom - fb};
  if (pTop) *pTop = RECT{w.left, w.top, w.right, w.top + ft};
  if (pBottom) *pBottom = RECT{w.left, w.bottom - fb - 1, w.right, w.bottom};
}

LRESULT CNUXDialogScale::OnNcHitTest(CPoint point) {
  if (m_nFrameLeft <= 0 || m_bMaximized || !m_bResizable) return HTNOWHERE;
  RECT left, right, top, bottom, w;
  GetFrameRects(&left, &right, &top, &bottom, TRUE);
  GetWindowRect(&w);
  const int fl = m_nFrameLeft, fr = m_nFrameRight, ft = m_nFrameTop, fb = m_nFrameBottom;
  const struct {
    RECT rc;
    LRESULT code;
  } zones[] = {
      {{w.left + fl, w.top, w.right - fr, w.top + ft}, HTTOP},
      {{w.left + fl, w.bottom - fb - 1, w.right - fr, w.bottom}, HTBOTTOM},
      {right, HTRIGHT},
      {left, HTLEFT},
      {{w.left, w.top, w.left + fl, w.top + ft}, HTTOPLEFT},
      {{w.right - fr, w.top, w.right, w.top + ft}, HTTOPRIGHT},
      {{w.left, w.bottom - fb - 1, w.left + fl, w.bottom}, HTBOTTOMLEFT},
      {{w.right - fr, w.bottom - fb - 1, w.right, w.bottom}, HTBOTTOMRIGHT},
  };
  POINT pt{point.x, point.y};
  for (const auto& z : zones) {
    if (::PtInRect(&z.rc, pt)) return z.code;
  }
  return HTNOWHERE;
}

void CNUXDialogScale::GetFrameGeometry(RECT* pLeft, RECT* pRight, RECT* pTop, RECT* pBottom, RECT* pWindow,
                                       RECT* pInner) {
  RECT left, right, top, bottom, w;
  GetFrameRects(&left, &right, &top, &bottom, FALSE);
  GetWindowRect(&w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  AdjustRectEdges(&left, 1, -1, -1, 1);
  AdjustRectEdges(&right, 1, -1, -1, 1);
  AdjustRectEdges(&top, 1, 1, -1, -1);
  AdjustRectEdges(&bottom, 1, 1, -1, -1);
  if (pLeft) *pLeft = left;
  if (pRight) *pRight = right;
  if (pTop) *pTop = top;
  if (pBottom) *pBottom = bottom;
  if (pWindow) *pWindow = RECT{0, 0, width, height};
  if (pInner)
    *pInner = RECT{m_nFrameLeft - 1, m_nFrameTop - 1, width - m_nFrameRight + 1, height - m_nFrameBottom + 1};
}

void CNUXDialogScale::DrawFrame(CDC* pDC) {
  RECT left, right, top, bottom, window, inner;
  GetFrameGeometry(&left, &right, &top, &bottom, &window, &inner);
  pDC->Draw3dRect(&window, m_crHighlight, m_crShadow);
  pDC->Draw3dRect(&inner, m_crShadow, m_crHighlight);
  pDC->FillSolidRect(&top, m_crFill);
  pDC->FillSolidRect(&bottom, m_crFill);
  pDC->FillSolidRect(&left, m_crFill);
  pDC->FillSolidRect(&right, m_crFill);
}

void CNUXDialogScale::OnNcPaint() {
  if (m_nFrameLeft > 0) {
    CWindowDC dc(this);
    DrawFrame(&dc);
  } else {
    Default();
  }
}

void CNUXDialogScale::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
  CNUXDialog::OnGetMinMaxInfo(lpMMI);
  lpMMI->ptMinTrackSize = POINT{m_nMinWidth, m_nMinHeight};
  if (m_nMaxWidth == 0) {
    // A maximized window covers the work area of the monitor it is on.
    RECT rc;
    GetWindowRect(&rc);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = ::MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST);
    if (monitor && ::GetMonitorInfoW(monitor, &info)) {
      lpMMI->ptMaxPosition = POINT{info.rcWork.left, info.rcWork.top};
      lpMMI->ptMaxSize = POINT{info.rcWork.right - info.rcWork.left, info.rcWork.bottom - info.rcWork.top};
    }
    return;
  }
  RECT rc;
  GetCenteredRect(m_nMaxWidth, m_nMaxHeight, &rc);
  lpMMI->ptMaxPosition = POINT{rc.left, rc.top};
  lpMMI->ptMaxSize = POINT{rc.right - rc.left, rc.bottom - rc.top};
  lpMMI->ptMaxTrackSize = POINT{m_nMaxWidth, m_nMaxHeight};
}

void CNUXDialogScale::OnSizing(UINT fwSide, LPRECT pRect) {
  CNUXDialog::OnSizing(fwSide, pRect);
  const SIZE proposed{pRect->right - pRect->left, pRect->bottom - pRect->top};
  // The proposal may still be cut to the minimum or maximum size: the rectangle to restore is
  // taken once the window has its final one (WM_SIZE, WM_MOVE), not from the proposal nor from
  // the rectangle the window is leaving.
  if (proposed.cx != m_sizeLastWindow.cx || proposed.cy != m_sizeLastWindow.cy) m_sizeLastWindow = proposed;
}

void CNUXDialogScale::OnMove(int x, int y) {
  if (IsNormalState()) UpdateRestoreRect();
  CNUXDialog::OnMove(x, y);
}

void CNUXDialogScale::OnSize(UINT nType, int cx, int cy) {
  CNUXDialog::OnSize(nType, cx, cy);
  // The final rectangle of a size change in the normal state is the one to restore.
  if (nType == SIZE_RESTORED && IsNormalState()) UpdateRestoreRect();
  if (cx != m_sizeLastClient.cx || cy != m_sizeLastClient.cy) {
    UpdateRegion(cx, cy);
    m_layout.ApplyLayout(nullptr, TRUE);
    m_sizeLastClient = SIZE{cx, cy};
  }
}
