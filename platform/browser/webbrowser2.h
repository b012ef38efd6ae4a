// CWebBrowser2: the class library's wrapper of the web-browser control (webbrowser.h), a CWnd
// made by class id through CWnd::CreateControl whose members call the control through its
// dispatch interface (CWnd::InvokeHelper). Failures of a call throw the class library's
// COleDispatchException or COleException. Strings follow the including unit's TCHAR.
//
// The control's events reach the parent's event sink map under the control's id:
//   ON_EVENT(CHost, 100, 250, CHost::OnBeforeNavigate2,
//            VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
//   ON_EVENT(CHost, 100, 259, CHost::OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
//   ON_EVENT(CHost, 100, 225, CHost::OnPrintTemplateInstantiation, VTS_DISPATCH)
//   ON_EVENT(CHost, 100, 226, CHost::OnPrintTemplateTeardown, VTS_DISPATCH)
#pragma once

#include "browser/webbrowser.h"
#include "mfc/afxwin.h"
#include "mfc/olecontrol.h"

class CWebBrowser2 : public CWnd {
 public:
  const CLSID& GetClsid() { return CLSID_WebBrowser; }

  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, void* pContext = nullptr) {
    (void)lpszClassName, (void)pContext;
    return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
  }

  void Navigate(LPCTSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers) {
    static const BYTE parms[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
    InvokeHelper(DISPID_NAVIGATE, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, URL, Flags, TargetFrameName, PostData,
                 Headers);
  }
  // The document shown, with a reference; null before the first load completes.
  LPDISPATCH GetDocument() {
    LPDISPATCH result = nullptr;
    InvokeHelper(DISPID_DOCUMENT, DISPATCH_PROPERTYGET, VT_DISPATCH, &result, nullptr);
    return result;
  }
  CString GetLocationURL() {
    CString result;
    InvokeHelper(DISPID_LOCATIONURL, DISPATCH_PROPERTYGET, VT_BSTR, &result, nullptr);
    return result;
  }
  void SetVisible(BOOL bNewValue) { SetFlag(DISPID_VISIBLE, bNewValue); }
  void SetStatusBar(BOOL bNewValue) { SetFlag(DISPID_STATUSBAR, bNewValue); }
  void SetMenuBar(BOOL bNewValue) { SetFlag(DISPID_MENUBAR, bNewValue); }
  void SetAddressBar(BOOL bNewValue) { SetFlag(DISPID_ADDRESSBAR, bNewValue); }
  long QueryStatusWB(long cmdID) {
    LONG result = 0;
    static const BYTE parms[] = VTS_I4;
    InvokeHelper(DISPID_QUERYSTATUSWB, DISPATCH_METHOD, VT_I4, &result, parms, cmdID);
    return result;
  }
  void ExecWB(long cmdID, long cmdexecopt, VARIANT* pvaIn, VARIANT* pvaOut) {
    static const BYTE parms[] = VTS_I4 VTS_I4 VTS_PVARIANT VTS_PVARIANT;
    InvokeHelper(DISPID_EXECWB, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, cmdID, cmdexecopt, pvaIn, pvaOut);
  }

 private:
  void SetFlag(DISPID id, BOOL value) {
    static const BYTE parms[] = VTS_BOOL;
    InvokeHelper(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, parms, value);
  }
};
