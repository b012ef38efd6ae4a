// CButton1: the window object of the control library's image button.
#pragma once

#include "mfc/afxwin.h"
#include "mfc/olecontrol.h"

class CButton1 : public CWnd {
  DECLARE_DYNCREATE(CButton1)

 public:
  static CLSID const& GetClsid();
  virtual BOOL Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // 1: the action behind the button is available; 0: it is not.
  void SetState(short state);
};
