#include "Button1.h"

IMPLEMENT_DYNCREATE(CButton1, CWnd)

CLSID const& CButton1::GetClsid() {
  static CLSID const clsid = {0x6B1D3C2B, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
  return clsid;
}

BOOL CButton1::Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

void CButton1::SetState(short state) {
  static BYTE const parms[] = VTS_I2;
  InvokeHelper(7, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, state);
}
