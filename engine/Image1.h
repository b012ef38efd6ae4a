// CImage1: the window object of the control library's image control.
#pragma once

#include "mfc/afxwin.h"
#include "mfc/olecontrol.h"

class CImage1 : public CWnd {
  DECLARE_DYNCREATE(CImage1)

 public:
  static CLSID const& GetClsid();
  virtual BOOL Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // The picture file to show.
  void SetPicture(LPCTSTR lpszFileName);
};
