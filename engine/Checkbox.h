// CCheckbox: the window object of the control library's check box.
#pragma once

#include "mfc/afxwin.h"
#include "mfc/olecontrol.h"

class CCheckbox : public CWnd {
  DECLARE_DYNCREATE(CCheckbox)

 public:
  static CLSID const& GetClsid();
  virtual BOOL Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  BOOL GetCheck();
  // 1 checked, 0 not.
  void SetCheck(short value);
};
