#include "ListDropSource.h"

CListDropSource::CListDropSource() = default;

CListDropSource::~CListDropSource() {
  if (m_wndDrag.GetSafeHwnd()) m_wndDrag.DestroyWindow();
}

BOOL CListDropSource::StartDragImage(CListWnd* pList, int nOffsetX, int nOffsetY, int nWidth, int nHeight) {
  m_pList = pList;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  return m_wndDrag.Create(nOffsetX, nOffsetY, nWidth, nHeight, nullptr);
}

SCODE CListDropSource::QueryContinueDrag(BOOL bEscapePressed, DWORD dwKeyState) {
  POINT pt{};
  ::GetCursorPos(&pt);
  if (pt.x != m_nLastX || pt.y != m_nLastY) {
    m_wndDrag.Move(pt.x, pt.y);
    m_nLastX = pt.x;
    m_nLastY = pt.y;
  }
  return COleDropSource::QueryContinueDrag(bEscapePressed, dwKeyState);
}
