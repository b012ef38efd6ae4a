#include "NUXDialog.h"

#include "EngineConfig.h"
#include "mfc/afxwin.h"
#include "mfc/dc.h"
#include "ui/sysparams.h"

namespace {

// Flag words of the dialog's moves.
constexpr UINT kMoveSizeActivate = 0x0000;
constexpr UINT kMoveActivate = SWP_NOSIZE;
constexpr UINT kMoveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_DEFERERASE;  // 0x2115

constexpr int kOffScreen = 10000;

RECT PrimaryWorkArea() {
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

}  // namespace

IMPLEMENT_DYNAMIC(CNUXDialog, CDialog)

BEGIN_MESSAGE_MAP(CNUXDialog, CDialog)
  ON_WM_CLOSE()
  ON_WM_DESTROY()
  ON_WM_ERASEBKGND()
  ON_WM_SETCURSOR()
  ON_WM_TIMER()
END_MESSAGE_MAP()

CNUXDialog::CNUXDialog(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent),
      m_nTemplateID(nIDTemplate),
      m_ppOwnerSlot(nullptr),
      m_bMoveActive(0),
      m_bOffScreen(0),
      m_nGrabX(0),
      m_nGrabY(0),
      m_bBackColor(0),
      m_bBackImage(0),
      m_bKeepInWorkArea(0),
      m_crBack(0x000000FF),
      m_rcSaved{} {}

CNUXDialog::~CNUXDialog() = default;

BOOL CNUXDialog::CreateFromTemplate(CWnd* pParent) { return CDialog::Create(m_nTemplateID & 0xFFFF, pParent); }

BOOL CNUXDialog::CreateTracked(CWnd* pParent, int x, int y, CNUXDialog** ppSlot) {
  if (!CreateFromTemplate(pParent)) return FALSE;
  m_ppOwnerSlot = ppSlot;
  SetWindowPos(&wndTop, x, y, 0, 0, kMoveActivate);
  return TRUE;
}

BOOL CNUXDialog::CreatePlaced(CWnd* pParent, LPCWSTR lpszPlacement, CNUXDialog** ppSlot) {
  m_strPlacement = lpszPlacement != nullptr ? lpszPlacement : u"";
  // The slot only after a successful creation: a window that fails while being made is
  // destroyed without deleting the object its creator still holds.
  if (!CreateFromTemplate(pParent)) return FALSE;
  m_ppOwnerSlot = ppSlot;
  return TRUE;
}

BOOL CNUXDialog::CreateInRect(CWnd* pParent, int x, int y, int nWidth, int nHeight) {
  if (!CreateFromTemplate(pParent)) return FALSE;
  SetWindowPos(&wndTop, x, y, nWidth, nHeight, kMoveSizeActivate);
  return TRUE;
}

BOOL CNUXDialog::CreateAt(CWnd* pParent, int x, int y) {
  if (!CreateFromTemplate(pParent)) return FALSE;
  SetWindowPos(&wndTop, x, y, 0, 0, kMoveActivate);
  return TRUE;
}

BOOL CNUXDialog::CreateOnTop(CWnd* pParent) {
  if (!CreateFromTemplate(pParent)) return FALSE;
  BringWindowToTop();
  return TRUE;
}

INT_PTR CNUXDialog::DoModalPlaced(LPCWSTR lpszPlacement) {
  m_strPlacement = lpszPlacement != nullptr ? lpszPlacement : u"";
  return DoModal();
}

void CNUXDialog::SetBackgroundColor(COLORREF color) {
  m_bBackColor = 1;
  m_crBack = color;
}

BOOL CNUXDialog::SetBackgroundBitmap(UINT nID) {
  m_bBackImage = m_dibBack.LoadResource(nID) ? 1 : 0;
  return m_bBackImage;
}

void CNUXDialog::SetBackgroundImage(LPCWSTR lpszPath) { m_bBackImage = m_dibBack.LoadFromFile(lpszPath, nullptr) ? 1 : 0; }

void CNUXDialog::StartMove(int x, int y) {
  m_bMoveActive = 1;
  m_nGrabX = x;
  m_nGrabY = y;
}

void CNUXDialog::StopMove() { m_bMoveActive = 0; }

void CNUXDialog::MoveTo(int x, int y) {
  if (!m_bMoveActive) return;
  POINT pt{x, y};
  ClientToScreen(&pt);
  int left = pt.x - m_nGrabX, top = pt.y - m_nGrabY;
  if (m_bKeepInWorkArea) {
    RECT rc;
    GetWindowRect(&rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const RECT area = PrimaryWorkArea();
    if (left + w > area.right) left = area.right - w;
    if (top + h > area.bottom) top = area.bottom - h;
    // Left and top last: a window larger than the work area sits at its top-left corner.
    if (left < area.left) left = area.left;
    if (top < area.top) top = area.top;
  }
  SetWindowPos(&wndTop, left, top, 0, 0, kMoveActivate);
}

void CNUXDialog::KeepInWorkAreaOn() { m_bKeepInWorkArea = 1; }

void CNUXDialog::KeepInWorkAreaOff() { m_bKeepInWorkArea = 0; }

void CNUXDialog::HideWindow() {
  if (!::IsWindow(m_hWnd)) return;
  ShowWindow(SW_HIDE);
  if (HWND parent = ::GetParent(m_hWnd)) ::UpdateWindow(parent);
}

void CNUXDialog::ShowNow() {
  if (::IsWindow(m_hWnd)) ShowWindow(SW_SHOW);
}

void CNUXDialog::ShowDelayed() { SetTimer(kShowTimerId, kShowDelay); }

void CNUXDialog::SaveWindowRect() {
  if (m_strPlacement.IsEmpty()) return;
  RECT rc;
  // A window parked off screen is remembered where it stood before.
  if (m_bOffScreen)
    rc = m_rcSaved;
  else
    GetWindowRect(&rc);
  const LONG edges[4] = {rc.left, rc.top, rc.right, rc.bottom};
  theEngineConfig.WriteBinary(m_strPlacement, edges, sizeof(edges));
}

void CNUXDialog::RestoreWindowRect() {
  if (m_strPlacement.IsEmpty()) return;
  LONG edges[4];
  RECT rc;
  if (theEngineConfig.GetBinary(m_strPlacement, edges, sizeof(edges)))
    rc = RECT{edges[0], edges[1], edges[2], edges[3]};
  else
    GetDefaultRect(&rc);
  FitRectToWorkArea(&rc, TRUE, 0, 0);
  PlaceWindow(rc.left, rc.top, rc.right, rc.bottom);
}

void CNUXDialog::PlaceWindow(int nLeft, int nTop, int /*nRight*/, int /*nBottom*/) {
  SetWindowPos(&wndTop, nLeft, nTop, 0, 0, kMoveOnly);
}

void CNUXDialog::GetCenteredRect(int nWidth, int nHeight, RECT* pRect) {
  const RECT area = PrimaryWorkArea();
  const int W = area.right - area.left, H = area.bottom - area.top;
  const double w = nWidth < W ? nWidth : W, h = nHeight < H ? nHeight : H;
  pRect->left = static_cast<LONG>(W / 2.0 - w / 2.0);
  pRect->top = static_cast<LONG>(H / 2.0 - h / 2.0);
  pRect->right = static_cast<LONG>(W / 2.0 + w / 2.0);
  pRect->bottom = static_cast<LONG>(H / 2.0 + h / 2.0);
}

void CNUXDialog::GetDefaultRect(RECT* pRect) {
  RECT rc;
  GetWindowRect(&rc);
  GetCenteredRect(rc.right - rc.left, rc.bottom - rc.top, pRect);
}

void CNUXDialog::MoveOffScreen() {
  if (m_bOffScreen) return;
  m_bOffScreen = 1;
  GetWindowRect(&m_rcSaved);
  SetWindowPos(&wndTop, kOffScreen, kOffScreen, 0, 0, kMoveOnly);
}

void CNUXDialog::MoveBackOnScreen() {
  if (!m_bOffScreen) return;
  m_bOffScreen = 0;
  SetWindowPos(&wndTop, m_rcSaved.left, m_rcSaved.top, 0, 0, kMoveOnly);
  RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

BOOL CNUXDialog::GetItemRect(int nID, RECT* pRect) {
  HWND item = ::GetDlgItem(m_hWnd, nID);
  if (item == nullptr) return FALSE;
  RECT rc;
  ::GetWindowRect(item, &rc);
  ScreenToClient(&rc);
  *pRect = rc;
  return TRUE;
}

void CNUXDialog::DoDataExchange(CDataExchange* /*pDX*/) {}

BOOL CNUXDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  RestoreWindowRect();
  SetActiveWindow();
  SetFocus();
  return FALSE;  // the focus is set
}

void CNUXDialog::OnOK() {}

void CNUXDialog::OnCancel() {}

void CNUXDialog::PostNcDestroy() {
  CDialog::PostNcDestroy();
  if (m_ppOwnerSlot != nullptr) {
    if (*m_ppOwnerSlot != nullptr) *m_ppOwnerSlot = nullptr;
    delete this;
  }
}

void CNUXDialog::OnClose() {
  EndDialog(0);
  DestroyWindow();
}

void CNUXDialog::OnDestroy() {
  SaveWindowRect();
  HideWindow();
  CDialog::OnDestroy();
}

BOOL CNUXDialog::OnEraseBkgnd(CDC* pDC) {
  if (m_bBackColor) {
    RECT rc;
    GetClientRect(&rc);
    pDC->FillSolidRect(&rc, m_crBack);
  } else if (m_bBackImage) {
    m_dibBack.Draw(pDC, 0, 0, SRCCOPY);
  }
  return TRUE;
}

BOOL CNUXDialog::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  return CDialog::OnSetCursor(pWnd, nHitTest, message);
}

void CNUXDialog::OnTimer(UINT_PTR nIDEvent) {
  CDialog::OnTimer(nIDEvent);
  if (nIDEvent == kShowTimerId) {
    KillTimer(kShowTimerId);
    ShowNow();
  }
}
