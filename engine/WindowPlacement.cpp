#include "WindowPlacement.h"

#include <cstdlib>

#include "mfc/wnd.h"
#include "ui/sysparams.h"

BOOL MoveWindowTo(CWnd* pWnd, int x, int y, int nWidth, int nHeight, BOOL bMove, BOOL bSize, BOOL bShow) {
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING | SWP_DEFERERASE;
  if (!bMove) flags |= SWP_NOMOVE;
  if (!bSize) flags |= SWP_NOSIZE;
  if (bShow) flags |= SWP_SHOWWINDOW;
  return ::SetWindowPos(CWnd::HwndOf(pWnd), nullptr, x, y, nWidth, nHeight, flags);
}

BOOL MoveWindowToRect(CWnd* pWnd, int nLeft, int nTop, int nRight, int nBottom, BOOL bMove, BOOL bSize, BOOL bShow) {
  return MoveWindowTo(pWnd, nLeft, nTop, nRight - nLeft, nBottom - nTop, bMove, bSize, bShow);
}

void FitRectToWorkArea(RECT* pRect, BOOL bClamp, int nStepX, int nStepY) {
  if (pRect == nullptr) return;
  RECT& r = *pRect;
  RECT area{};
  MONITORINFO info{};
  info.cbSize = 40;
  HMONITOR monitor = ::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
  if (monitor != nullptr && ::GetMonitorInfoW(monitor, &info))
    area = info.rcWork;
  else
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);

  if (IsRectInside(r.left, r.top, r.right, r.bottom, area.left, area.top, area.right, area.bottom)) return;
  if (r.left < area.left) ::OffsetRect(&r, nStepX != 0 ? std::abs(nStepX) : area.left - r.left, 0);
  if (r.top < area.top) ::OffsetRect(&r, 0, nStepY != 0 ? std::abs(nStepY) : area.top - r.top);
  if (r.right > area.right) ::OffsetRect(&r, -(nStepX != 0 ? std::abs(nStepX) : r.right - area.right), 0);
  if (r.bottom > area.bottom) ::OffsetRect(&r, 0, -(nStepY != 0 ? std::abs(nStepY) : r.bottom - area.bottom));
  if (bClamp) {
    if (r.left < area.left) r.left = area.left;
    if (r.top < area.top) r.top = area.top;
  }
}

BOOL IsRectInside(int nLeft1, int nTop1, int nRight1, int nBottom1, int nLeft2, int nTop2, int nRight2, int nBottom2) {
  return nLeft1 >= nLeft2 && nTop1 >= nTop2 && nRight1 <= nRight2 && nBottom1 <= nBottom2;
}

RECT* AdjustRectEdges(RECT* pRect, int nDeltaLeft, int nDeltaTop, int nDeltaRight, int nDeltaBottom) {
  pRect->left += nDeltaLeft;
  pRect->top += nDeltaTop;
  pRect->right += nDeltaRight;
  pRect->bottom += nDeltaBottom;
  return pRect;
}
