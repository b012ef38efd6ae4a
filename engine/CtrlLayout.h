// CCtrlLayout: moves and sizes a resizable dialog's child controls when the dialog changes size.
// The controls are collected once with their placement when the dialog is initialised; rules
// then say how each follows the size change: by factors of its own, by keeping its distance to
// a corner of a reference control (a group), or by stretching between two neighbour controls.
// Every layout is computed from the collected placements and the total size change.
#pragma once

#include "ListTemp.h"
#include "base/types.h"

class CWnd;

// One control's layout record: 104 bytes, also the record of a saved layout file.
struct structCtrlProp {
  DWORD hWnd;       // the control's window (window handles fit in 32 bits)
  int nID;          // control id
  int nX;           // initial placement, dialog client coordinates
  int nY;
  int nWidth;
  int nHeight;
  BYTE nMode;       // 0 not laid out, 1 own factors (group), 2 follows its reference, 3 between neighbours
  BYTE reserved1[3];
  int nRefID;       // reference control (0: none)
  BYTE nCorner;     // corner of the reference kept at a distance: 0 TL, 1 TR, 2 BL, 3 BR
  BYTE reserved2[7];
  double dWidthFactor;
  double dHeightFactor;
  double dXFactor;
  double dYFactor;
  int nAboveID;     // neighbours of a mode-3 control
  int nBelowID;
  int nLeftID;
  int nRightID;
  int nNewX;        // computed placement
  int nNewY;
  int nNewWidth;
  int nNewHeight;

  HWND GetHwnd() const { return reinterpret_cast<HWND>(static_cast<uintptr_t>(hWnd)); }
};
static_assert(sizeof(structCtrlProp) == 104, "the record is 104 bytes");

class CCtrlLayout {
 public:
  CCtrlLayout();
  ~CCtrlLayout();
  CCtrlLayout(const CCtrlLayout&) = delete;
  CCtrlLayout& operator=(const CCtrlLayout&) = delete;

  // Collects the dialog's child windows (z-order, top first) and the dialog's window rectangle.
  BOOL Collect(CWnd* pDlg);
  // Adds a record for one child with a handle and a control id above 0.
  BOOL AddCtrl(CWnd* pCtrl);
  // Index of the first record of that control id; -1 when none.
  int FindCtrl(int nID);

  // The rules. Each returns FALSE for a control id that no record has.
  // Mode 2 without reference: the control scales by its own factors.
  BOOL SetCtrlProp(int nID, double dX, double dY, double dWidth, double dHeight);
  // Mode 1 with own factors; the controls lying wholly inside it follow it.
  BOOL SetCtrlGroup(int nID, double dX, double dY, double dWidth, double dHeight);
  // The corner of the reference that each listed control keeps its distance to; the ids end at
  // the first id <= 0.
  BOOL SetCtrlAnchor(int nCorner, ...);
  // Mode 0 becomes 2; each non-zero factor replaces the stored one.
  BOOL ModifyCtrlProp(int nID, double dX, double dY, double dWidth, double dHeight);
  // The listed controls (ending at id 0) move sideways by the full width change. Returns 0.
  BOOL AnchorCtrlsRight(int nID, ...);

  // The own-factor placement of a record for a size change (dx, dy).
  BOOL CalcCtrlRect(structCtrlProp& prop, int dx, int dy);
  // Lays out every control for the dialog rectangle given (null: the dialog's present one).
  // Without bForce nothing happens when the rectangle is the last one laid out or unchanged.
  BOOL ApplyLayout(LPCRECT lpRect, BOOL bForce);

  CWnd* m_pDlg;                      // null until collected
  CListTemp<structCtrlProp> m_List;  // one record per collected control, in z-order
  RECT m_rcInitial;                  // dialog window rectangle at collection (screen)
  RECT m_rcLast;                     // dialog rectangle of the last layout

 private:
  BOOL StoreFactors(int nID, BYTE nMode, double dX, double dY, double dWidth, double dHeight, bool bClearRef);
};
