#include "CtrlLayout.h"

#include <cmath>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "mfc/wnd.h"

namespace {

// The flags of every control move: no z-order change, no redraw, no activation, no copied
// bits, no owner reordering, deferred erasing, asynchronous.
const UINT kMoveFlags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOOWNERZORDER |
                        SWP_DEFERERASE | SWP_ASYNCWINDOWPOS;
static_assert(kMoveFlags == 0x631C);

int Ceil(double value) { return static_cast<int>(std::ceil(value)); }

// Where a control stands now: its computed placement once one was computed, else (never laid
// out, or not yet in this layout) where it was collected.
void PresentPlacement(const structCtrlProp& prop, int& x, int& y, int& width, int& height) {
  const bool computed = prop.nMode != 0 &&
                        (prop.nNewX != 0 || prop.nNewY != 0 || prop.nNewWidth != 0 || prop.nNewHeight != 0);
  x = computed ? prop.nNewX : prop.nX;
  y = computed ? prop.nNewY : prop.nY;
  width = computed ? prop.nNewWidth : prop.nWidth;
  height = computed ? prop.nNewHeight : prop.nHeight;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

CCtrlLayout::CCtrlLayout() : m_pDlg(nullptr), m_rcInitial{0, 0, 0, 0}, m_rcLast{0, 0, 0, 0} {}

CCtrlLayout::~CCtrlLayout() { m_List.RemoveAll(); }

BOOL CCtrlLayout::Collect(CWnd* pDlg) {
  m_pDlg = pDlg;
  if (pDlg == nullptr || pDlg->GetSafeHwnd() == nullptr) return FALSE;
  for (CWnd* child = pDlg->GetTopWindow(); child != nullptr; child = child->GetWindow(GW_HWNDNEXT)) AddCtrl(child);
  pDlg->GetWindowRect(&m_rcInitial);
  return TRUE;
}

BOOL CCtrlLayout::AddCtrl(CWnd* pCtrl) {
  if (pCtrl == nullptr || pCtrl->GetSafeHwnd() == nullptr || m_pDlg == nullptr) return FALSE;
  const int id = pCtrl->GetDlgCtrlID();
  if (id <= 0) return FALSE;
  structCtrlProp prop;
  std::memset(&prop, 0, sizeof(prop));
  prop.hWnd = static_cast<DWORD>(reinterpret_cast<uintptr_t>(pCtrl->GetSafeHwnd()));
  prop.nID = id;
  RECT rc;
  pCtrl->GetWindowRect(&rc);
  m_pDlg->ScreenToClient(&rc);
  prop.nX = rc.left;
  prop.nY = rc.top;
  prop.nWidth = rc.right - rc.left;
  prop.nHeight = rc.bottom - rc.top;
  return m_List.Add(prop);
}

int CCtrlLayout::FindCtrl(int nID) {
  const UINT count = m_List.GetCount();
  for (UINT i = 0; i < count; ++i) {
    structCtrlProp prop;
    if (m_List.GetAt(int(i), prop) && prop.nID == nID) return int(i);
  }
  return -1;
}

BOOL CCtrlLayout::StoreFactors(int nID, BYTE nMode, double dX, double dY, double dWidth, double dHeight,
                               bool bClearRef) {
  const int index = FindCtrl(nID);
  structCtrlProp prop;
  if (index < 0 || !m_List.GetAt(index, prop)) return FALSE;
  prop.dXFactor = dX;
  prop.dYFactor = dY;
  prop.dWidthFactor = dWidth;
  prop.dHeightFactor = dHeight;
  if (bClearRef) prop.nRefID = 0;
  prop.nMode = nMode;
  return m_List.SetAt(index, prop);
}

BOOL CCtrlLayout::SetCtrlProp(int nID, double dX, double dY, double dWidth, double dHeight) {
  return StoreFactors(nID, 2, dX, dY, dWidth, dHeight, true);
}

BOOL CCtrlLayout::SetCtrlGroup(int nID, double dX, double dY, double dWidth, double dHeight) {
  if (!StoreFactors(nID, 1, dX, dY, dWidth, dHeight, false)) return FALSE;
  structCtrlProp group;
  m_List.GetAt(FindCtrl(nID), group);
  const UINT count = m_List.GetCount();
  for (UINT i = 0; i < count; ++i) {
    structCtrlProp prop;
    if (!m_List.GetAt(int(i), prop) || prop.nID == nID || prop.nID <= 0 || prop.nMode == 1) continue;
    const bool inside = prop.nX >= group.nX && prop.nY >= group.nY &&
                        prop.nX + prop.nWidth <= group.nX + group.nWidth &&
                        prop.nY + prop.nHeight <= group.nY + group.nHeight;
    if (!inside) continue;
    prop.nRefID = nID;
    if (prop.nMode == 0) prop.nMode = 2;
    m_List.SetAt(int(i), prop);
  }
  return TRUE;
}

BOOL CCtrlLayout::SetCtrlAnchor(int nCorner, ...) {
  va_list ids;
  va_start(ids, nCorner);
  BOOL result = TRUE;
  for (int id = va_arg(ids, int); id > 0; id = va_arg(ids, int)) {
    const int index = FindCtrl(id);
    structCtrlProp prop;
    if (index < 0 || !m_List.GetAt(index, prop)) {
      result = FALSE;
      break;
    }
    prop.nCorner = static_cast<BYTE>(nCorner & 0xFF);
    m_List.SetAt(index, prop);
  }
  va_end(ids);
  return result;
}

BOOL CCtrlLayout::ModifyCtrlProp(int nID, double dX, double dY, double dWidth, double dHeight) {
  const int index = FindCtrl(nID);
  structCtrlProp prop;
  if (index < 0 || !m_List.GetAt(index, prop)) return FALSE;
  if (prop.nMode == 0) prop.nMode = 2;
  if (dX != 0) prop.dXFactor = dX;
  if (dY != 0) prop.dYFactor = dY;
  if (dWidth != 0) prop.dWidthFactor = dWidth;
  if (dHeight != 0) prop.dHeightFactor = dHeight;
  return m_List.SetAt(index, prop);
}

BOOL CCtrlLayout::AnchorCtrlsRight(int nID, ...) {
  va_list ids;
  va_start(ids, nID);
  for (int id = nID; id != 0; id = va_arg(ids, int)) ModifyCtrlProp(id, 1.0, 0, 0, 0);
  va_end(ids);
  return 0;
}

BOOL CCtrlLayout::CalcCtrlRect(structCtrlProp& prop, int dx, int dy) {
  prop.nNewX = prop.nX;
  prop.nNewY = prop.nY;
  prop.nNewWidth = prop.nWidth;
  prop.nNewHeight = prop.nHeight;
  if (prop.dXFactor != 0) prop.nNewX += Ceil(prop.dXFactor * dx);
  if (prop.dYFactor != 0) prop.nNewY += Ceil(prop.dYFactor * dy);
  if (prop.dWidthFactor != 0) prop.nNewWidth += Ceil(prop.dWidthFactor * dx);
  if (prop.dHeightFactor != 0) prop.nNewHeight += Ceil(prop.dHeightFactor * dy);
  return TRUE;
}

BOOL CCtrlLayout::ApplyLayout(LPCRECT lpRect, BOOL bForce) {
  if (m_pDlg == nullptr || m_pDlg->GetSafeHwnd() == nullptr || m_List.GetCount() == 0) return FALSE;
  // Nothing is laid out while the application is minimised.
  CWnd* main = AfxGetMainWnd();
  if (main == nullptr || main->GetSafeHwnd() == nullptr) main = CWnd::GetActiveWindow();
  if (main != nullptr && main->GetSafeHwnd() != nullptr && main->IsIconic()) return FALSE;

  RECT rc;
  if (lpRect != nullptr) {
    rc = *lpRect;
  } else {
    m_pDlg->GetWindowRect(&rc);
  }
  const int dx = (rc.right - rc.left) - (m_rcInitial.right - m_rcInitial.left);
  const int dy = (rc.bottom - rc.top) - (m_rcInitial.bottom - m_rcInitial.top);
  if (!bForce && SameRect(rc, m_rcLast)) return FALSE;
  m_rcLast = rc;
  if (!bForce && dx == 0 && dy == 0) return FALSE;

  const UINT count = m_List.GetCount();
  std::vector<bool> marked(count, false);
  std::vector<int> followers;
  std::vector<int> between;

  // Groups first: they scale by their own factors.
  for (UINT i = 0; i < count; ++i) {
    structCtrlProp prop;
    if (!m_List.GetAt(int(i), prop)) continue;
    if (prop.nMode == 1) {
      CalcCtrlRect(prop, dx, dy);
      m_List.SetAt(int(i), prop);
      marked[i] = true;
    } else if (prop.nMode == 2) {
      followers.push_back(int(i));
    } else if (prop.nMode == 3) {
      between.push_back(int(i));
    }
  }

  // Followers keep their distance to a corner of their reference and grow with it.
  for (int i : followers) {
    structCtrlProp prop;
    if (!m_List.GetAt(i, prop)) continue;
    structCtrlProp ref;
    const int refIndex = prop.nRefID > 0 ? FindCtrl(prop.nRefID) : -1;
    if (refIndex < 0 || !m_List.GetAt(refIndex, ref)) {
      // No reference, or one that was never collected: the control's own factors.
      CalcCtrlRect(prop, dx, dy);
    } else {
      int nx, ny, nw, nh;
      PresentPlacement(ref, nx, ny, nw, nh);
      const int rx = ref.nX, ry = ref.nY, rw = ref.nWidth, rh = ref.nHeight;
      switch (prop.nCorner) {
        case 0:
          prop.nNewX = nx + (prop.nX - rx);
          prop.nNewY = ny + (prop.nY - ry);
          break;
        case 1:
          prop.nNewX = nx + nw - (rx + rw - prop.nX);
          prop.nNewY = ny + (prop.nY - ry);
          break;
        case 2:
          prop.nNewX = nx + (prop.nX - rx);
          prop.nNewY = ny + nh - (ry + rh - prop.nY);
          break;
        case 3:
          prop.nNewX = nx + nw - (rx + rw - prop.nX);
          prop.nNewY = ny + nh - (ry + rh - prop.nY);
          break;
        default:
          prop.nNewX = prop.nX;
          prop.nNewY = prop.nY;
          break;
      }
      prop.nNewWidth = prop.nWidth;
      prop.nNewHeight = prop.nHeight;
      if (prop.dWidthFactor != 0) prop.nNewWidth = prop.nWidth + (nw - rw);
      if (prop.dHeightFactor != 0) prop.nNewHeight = prop.nHeight + (nh - rh);
    }
    m_List.SetAt(i, prop);
    marked[size_t(i)] = true;
  }

  // Controls between two neighbours take up the neighbours' shifts. An axis without a pair of
  // neighbours keeps the collected placement.
  for (int i : between) {
    structCtrlProp prop;
    if (!m_List.GetAt(i, prop)) continue;
    prop.nNewX = prop.nX;
    prop.nNewY = prop.nY;
    prop.nNewWidth = prop.nWidth;
    prop.nNewHeight = prop.nHeight;
    bool stop = false;
    if (prop.nAboveID != 0 && prop.nBelowID != 0) {
      structCtrlProp above, below;
      const int a = prop.nAboveID == prop.nID ? -1 : FindCtrl(prop.nAboveID);
      const int b = prop.nBelowID == prop.nID ? -1 : FindCtrl(prop.nBelowID);
      if (a < 0 || b < 0 || !m_List.GetAt(a, above) || !m_List.GetAt(b, below)) {
        stop = true;
      } else {
        int ax, ay, aw, ah, bx, by, bw, bh;
        PresentPlacement(above, ax, ay, aw, ah);
        PresentPlacement(below, bx, by, bw, bh);
        const int shift = ay - above.nY;
        prop.nNewY = prop.nY + shift;
        prop.nNewHeight = prop.nHeight - shift + (by - below.nY);
      }
    }
    if (!stop && prop.nLeftID != 0 && prop.nRightID != 0) {
      structCtrlProp left, right;
      const int l = prop.nLeftID == prop.nID ? -1 : FindCtrl(prop.nLeftID);
      const int r = prop.nRightID == prop.nID ? -1 : FindCtrl(prop.nRightID);
      if (l < 0 || r < 0 || !m_List.GetAt(l, left) || !m_List.GetAt(r, right)) {
        stop = true;
      } else {
        int lx, ly, lw, lh, rx, ry, rw, rh;
        PresentPlacement(left, lx, ly, lw, lh);
        PresentPlacement(right, rx, ry, rw, rh);
        const int shift = lx - left.nX;
        prop.nNewX = prop.nX + shift;
        prop.nNewWidth = prop.nWidth - shift + (rx - right.nX);
      }
    }
    if (stop) break;
    m_List.SetAt(i, prop);
    marked[size_t(i)] = true;
  }

  // Move the controls without drawing, then draw the dialog once.
  bool moved = false;
  for (UINT i = 0; i < count; ++i) {
    structCtrlProp prop;
    if (!marked[i] || !m_List.GetAt(int(i), prop)) continue;
    ::SetWindowPos(prop.GetHwnd(), nullptr, prop.nNewX, prop.nNewY, prop.nNewWidth, prop.nNewHeight, kMoveFlags);
    moved = true;
  }
  if (moved) {
    m_pDlg->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    CWnd* parent = m_pDlg->GetParent();
    if (parent != nullptr && parent->GetSafeHwnd() != nullptr) parent->UpdateWindow();
  }
  return TRUE;
}
