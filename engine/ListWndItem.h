// CListWndItem: one row of a CListWnd, a small child window that shows the display field of one
// record, measures its own height for a width, paints itself in one of three states (0 normal,
// 1 hot, 2 selected) and posts its mouse input on to the list in the list's coordinates.
// Dynamically creatable: a list creates rows of any class derived from it (SetItemClass), and
// derived rows read more columns in ReadRecord and paint in Draw.
#pragma once

#include "dao/dao.h"
#include "mfc/afxwin.h"

class CListWnd;

class CListWndItem : public CWnd {
  DECLARE_DYNCREATE(CListWndItem)

 public:
  CListWndItem();
  ~CListWndItem() override;

  // Creates the row window (a visible child of the list, id 0, window name "CListWndItem") in
  // the rectangle; its text comes from the recordset's current record while it is created.
  BOOL Register(CListWnd* pList, const RECT& rect, CDaoRecordset* pRecordset, LPCWSTR lpszDisplayField);

  // Stores the state and repaints the row at once.
  void SetState(int nState);
  int GetState() const { return m_nState; }
  // The height of the row window.
  int Height() const;
  // The height Draw needs for the width (measured on the row's device context).
  int MeasureHeight(int nWidth);

  // Called once while the row is created, after the text was read; derived rows read further
  // columns here. The base does nothing.
  virtual void ReadRecord(CDaoRecordset* pRecordset);
  // Paints the row into the rectangle (or, with bMeasureOnly, only measures it); returns the
  // height the row needs: its text height plus 8.
  virtual int Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState);
  // Copies the text; TRUE.
  virtual BOOL GetText(CString& strText);

  CListWnd* m_pList = nullptr;
  CString m_strText;
  CDaoRecordset* m_pRecordset = nullptr;  // the list's; not owned
  CString m_strDisplayField;
  int m_nState = 0;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnPaint();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
  DECLARE_MESSAGE_MAP()

 private:
  // Posts the message to the list with the point turned into the list's client coordinates.
  void ForwardToList(UINT message, UINT nFlags, CPoint point);
};
