#include "Checkbox.h"

IMPLEMENT_DYNCREATE(CCheckbox, CWnd)

CLSID const& CCheckbox::GetClsid() {
  static CLSID const clsid = {0x6B1D3C2C, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
  return clsid;
}

BOOL CCheckbox::Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

BOOL CCheckbox::GetCheck() {
  BOOL result = FALSE;
  InvokeHelper(10, DISPATCH_METHOD, VT_BOOL, &result, nullptr);
  return result;
}

void CCheckbox::SetCheck(short value) {
  static BYTE const parms[] = VTS_I2;
  InvokeHelper(11, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, value);
}
