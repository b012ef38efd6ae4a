#include "Image1.h"

IMPLEMENT_DYNCREATE(CImage1, CWnd)

CLSID const& CImage1::GetClsid() {
  static CLSID const clsid = {0x6B1D3C2A, 0x59E4, 0x4F0B, {0x9A, 0x7C, 0x2D, 0x8E, 0x4B, 0x1F, 0x0A, 0x36}};
  return clsid;
}

BOOL CImage1::Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

void CImage1::SetPicture(LPCTSTR lpszFileName) {
  static BYTE const parms[] = VTS_BSTR;
  InvokeHelper(3, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, parms, lpszFileName);
}
