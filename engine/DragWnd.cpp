#include "DragWnd.h"

#include <cstdlib>

BEGIN_MESSAGE_MAP(CDragWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_PAINT()
END_MESSAGE_MAP()

CDragWnd::CDragWnd() = default;

CDragWnd::~CDragWnd() {
  if (m_pMemDC) {
    if (m_pOldBitmap) m_pMemDC->SelectObject(m_pOldBitmap);
    m_pMemDC->DeleteDC();
    delete m_pMemDC;
  }
  delete m_pBitmap;
  if (GetSafeHwnd()) DestroyWindow();
  // The window owns the region it was given; only a region never handed over is deleted.
  m_rgn.DeleteObject();
}

BOOL CDragWnd::Create(int nOffsetX, int nOffsetY, int nWidth, int nHeight, CWnd* pParent) {
  LPCWSTR cls = AfxRegisterWndClassW(CS_PARENTDC);
  m_nOffsetX = nOffsetX;
  m_nOffsetY = nOffsetY;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  return CreateExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, cls, u"Drag", WS_POPUP | WS_DISABLED, 0, 0, nWidth, nHeight,
                   CWnd::HwndOf(pParent), nullptr);
}

int CDragWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  const int x = std::abs(m_nOffsetX), y = std::abs(m_nOffsetY);
  CRgn hole;
  m_rgn.CreateRectRgn(0, 0, m_nWidth, m_nHeight);
  hole.CreateRectRgn(x - 1, y - 1, x + 1, y + 1);
  m_rgn.CombineRgn(&m_rgn, &hole, RGN_XOR);
  if (SetWindowRgn(static_cast<HRGN>(m_rgn.m_hObject), TRUE)) m_rgn.Detach();
  return 0;
}

CDC* CDragWnd::GetImageDC() {
  if (m_pMemDC) return m_pMemDC;
  if (!GetSafeHwnd()) return nullptr;
  CDC* pDC = GetDC();
  m_pBitmap = new CBitmap;
  m_pBitmap->CreateCompatibleBitmap(pDC, m_nWidth, m_nHeight);
  m_pMemDC = new CDC;
  m_pMemDC->CreateCompatibleDC(pDC);
  m_pOldBitmap = m_pMemDC->SelectObject(m_pBitmap);
  ReleaseDC(pDC);
  return m_pMemDC;
}

void CDragWnd::Move(int x, int y) {
  SetWindowPos(nullptr, x + m_nOffsetX, y + m_nOffsetY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(SW_SHOWNOACTIVATE);
}

void CDragWnd::OnPaint() {
  CPaintDC dc(this);
  if (m_pMemDC) dc.BitBlt(0, 0, m_nWidth, m_nHeight, m_pMemDC, 0, 0, SRCCOPY);
}
