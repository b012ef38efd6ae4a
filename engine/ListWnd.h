// CListWnd: a child window that shows the records of a dynaset as a vertical stack of row
// windows (CListWndItem or a class derived from it). Only the rows that meet the visible area
// exist as windows: rows are made as their records scroll into view and destroyed as they
// leave it. The parent hears of clicks and scrolling:
//   0x4C8 (list id, selected key)      a left or right button released over a row
//   0x4C9 (list id, key of first row)  after every scroll and thumb drag
// Timers: 2501 (100 ms) watches for the mouse leaving the rows, 2502 (25 ms) delays the start
// of a row's drag.
#pragma once

#include "ListWndItem.h"
#include "dao/dao.h"
#include "mfc/afxwin.h"

#define WM_LISTWND_CLICK 0x4C8
#define WM_LISTWND_SCROLL 0x4C9

class CListWnd : public CWnd {
 public:
  // One shown row.
  struct RowEntry {
    CListWndItem* pItem;  // owned
    long nPos;            // absolute position of the row's record
    long nKey;
    BYTE nFlag;
  };
  enum { kMaxRows = 128, kHoverTimer = 2501, kDragTimer = 2502 };

  CListWnd();
  ~CListWnd() override;

  // Registers the list's window class and creates the window (style plus WS_VISIBLE,
  // WS_CLIPCHILDREN and WS_VSCROLL) with the stored SQL and fields.
  BOOL CreateWnd(CDaoDatabase* pDatabase, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParent,
                 UINT nID, BYTE nFlag, CRuntimeClass* pItemClass);
  BOOL Create(CDaoDatabase* pDatabase, LPCWSTR lpszSQL, LPCWSTR lpszKeyField, LPCWSTR lpszDisplayField, int nRowGap,
              int nLeftMargin, int nRightMargin, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
              CWnd* pParent, UINT nID, BYTE nFlag, CRuntimeClass* pItemClass);
  // In place of the dialog's placeholder control (hidden), with its id.
  BOOL CreateAtDlgItem(CDaoDatabase* pDatabase, CWnd* pDialog, UINT nPlaceholderID, BYTE nFlag,
                       CRuntimeClass* pItemClass);
  BOOL CreateFromDlgItem(CDaoDatabase* pDatabase, LPCWSTR lpszSQL, LPCWSTR lpszKeyField, LPCWSTR lpszDisplayField,
                         int nRowGap, int nLeftMargin, int nRightMargin, CWnd* pDialog, UINT nPlaceholderID,
                         BYTE nFlag, CRuntimeClass* pItemClass);

  void SetSpacing(int nRowGap, int nLeftMargin, int nRightMargin);
  void SetFields(LPCWSTR lpszKeyField, LPCWSTR lpszDisplayField);
  void SetItemClass(CRuntimeClass* pItemClass) { m_pItemClass = pItemClass; }
  long GetSelectedKey() const { return m_nSelectedKey; }

  // A new query; FALSE for an empty result (the list then shows its empty look) or an error.
  BOOL ReQuery(LPCWSTR lpszSQL, BOOL bKeepSelection, BOOL bRefill);
  // Moves to the first record matching the criteria (staying put when none does); with
  // bRefill the rows start there. Whether a record matched.
  BOOL FindFirst(LPCWSTR lpszCriteria, BOOL bRefill);
  // Selects the record of the key (keyboard focus for keys of 0 or more); FALSE when it is not
  // in the recordset (selected key 0 then).
  BOOL SelectKey(long nKey, BOOL bRefill);
  // Brings the selected record into view when no row shows it.
  BOOL ShowSelected(BOOL bRefill);
  BOOL MoveFirst();

  BOOL AddBottom(long nPos, BOOL bNext);
  BOOL AddTop(BOOL bPrevious);
  void ScrollBy(int nAmount);
  void TrackHotRow(CPoint point, BOOL bSetHot);
  void DestroyRows();
  void Refill();
  void RebuildRows();
  void RestackRows(BOOL bWidthChanged);
  void CloseRecordset();
  // Starts the drag of the row under the cursor (list client coordinates).
  void StartDrag(CPoint point);
  // Index of the row whose window holds the client point; -1 for none.
  int RowAt(CPoint point) const;

  virtual CListWndItem* CreateItem();
  virtual void PaintBackground(CDC* pDC, CRgn* pRgn);
  virtual void RecalcLayout();

  BYTE m_nFlag = 0;
  CDaoDatabase* m_pDatabase = nullptr;
  CDaoRecordset* m_pRecordset = nullptr;
  CRuntimeClass* m_pItemClass = nullptr;
  RowEntry m_rows[kMaxRows] = {};
  int m_nRows = 0;
  int m_nRowGap = 4;
  int m_nLeftMargin = 4;
  int m_nRightMargin = 4;
  int m_nLineStep = 8;
  int m_nPageStep = 128;
  int m_nHotRow = -1;
  int m_nSkipMoves = 0;
  int m_nLastWidth = 0;
  int m_nScrollOffset = 0;
  CString m_strSQL;
  CString m_strKeyField;
  CString m_strDisplayField;
  BOOL m_bHotTracking = TRUE;
  BOOL m_bMarkSelection = TRUE;
  BOOL m_bDragEnabled = FALSE;
  BOOL m_bRepaintAfterLayout = TRUE;
  BOOL m_bShowEmptyText = TRUE;
  WORD m_cfFormat = 0;
  COLORREF m_crBackground = 0;
  long m_nSelectedKey = -1;
  int m_nListID = 0;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnDestroy();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnPaint();
  afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg UINT OnGetDlgCode();
  afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  DECLARE_MESSAGE_MAP()

 private:
  // Whether a row holds the point and the window under the cursor is one of the rows; the
  // row's index in *pRow.
  BOOL ButtonOnRow(CPoint point, int* pRow) const;
  BOOL IsRowWindow(HWND hwnd) const;
  void DestroyRow(int nIndex);
  BOOL MakeRow(long nPos, long nKey, RowEntry* pEntry);
  void NotifyScrolled();
  long KeyOfCurrent();
};
