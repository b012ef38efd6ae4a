// CWnd: a C++ object bound to a window of the window system.
//
// Binding. A CWnd is bound to its window by Create/CreateEx (the object receives every message
// from the first one on), by SubclassWindow/SubclassDlgItem/DDX_Control (an existing window,
// typically a dialog control: its window procedure becomes the class library's, the old one is
// kept for Default), or by Attach (a handle only; messages are not routed). FromHandle gives
// the bound object, or a temporary one that lives until the thread's next idle time (device
// contexts' temporaries: until the outermost message handler returns).
//
// Messages go through WindowProc -> OnWndMsg, which looks the message up in the message map
// (afxmsg.h) and otherwise calls DefWindowProc: the old window procedure of a subclassed window,
// else the system's default. WM_COMMAND and WM_NOTIFY go through OnCommand / OnNotify, which
// first offer a control's notification back to the control object (reflection: the control's
// ON_CONTROL_REFLECT / ON_NOTIFY_REFLECT entries); WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM and
// the scroll messages of scroll-bar controls are reflected by the base handlers OnCtlColor,
// OnDrawItem, OnMeasureItem, OnHScroll and OnVScroll.
//
// Lifetime. The object owns nothing on its own: destroying the object destroys a window still
// bound to it; when the window is destroyed (WM_NCDESTROY) the object is unbound and
// PostNcDestroy runs, where self-owned windows `delete this`.
//
// Text. Windows are UTF-16 inside; members taking or returning text come in both character
// sets (LPCSTR/CStringA: Windows-1252, LPCWSTR/CStringW). Create and CreateEx take the
// translation unit's TCHAR strings. Members named like the Win32 calls that the window
// system's headers map to their A or W form by macro (SetWindowText, SendMessage ...) are
// inline, so either spelling works in any translation unit.
#pragma once

#include <cstdarg>
#include <string>

#include "base/codepage.h"
#include "base/types.h"
#include "com/oleauto.h"
#include "com/unknown.h"
#include "mfc/cmdtarget.h"
#include "mfc/cstring.h"
#include "mfc/exceptions.h"
#include "mfc/geometry.h"
#include "mfc/modstate.h"
#include "ui/ui.h"

class CDC;
class CFont;
class CMenu;
class CRgn;
class CScrollBar;
class CDataExchange;
struct AfxOleControl;

// m_nFlags
#define WF_CONTINUEMODAL 0x0001  // the modal loop goes on
#define WF_MODALLOOP 0x0002      // inside RunModalLoop
#define WF_INITDIALOG 0x0004     // the dialog is being created (WM_INITDIALOG not yet done)
#define WF_SHOWNINIT 0x0008      // ShowWindow was called while WF_INITDIALOG was set

// RunModalLoop flags
#define MLF_NOIDLEMSG 0x0001
#define MLF_NOKICKIDLE 0x0002
#define MLF_SHOWONIDLE 0x0004

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  HWND m_hWnd = nullptr;

  // Insert-after values for SetWindowPos.
  static const CWnd wndTop;
  static const CWnd wndBottom;
  static const CWnd wndTopMost;
  static const CWnd wndNoTopMost;

  CWnd();
  explicit CWnd(HWND hWnd);  // unbound; only m_hWnd is set (the insert-after constants)
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  operator HWND() const { return m_hWnd; }
  // The handle, also for a null object pointer (NULL then). The sanitizers of the test build
  // report a call through a null pointer; HwndOf(pWnd) says the same without one.
  HWND GetSafeHwnd() const;
  static HWND PASCAL HwndOf(const CWnd* pWnd) { return pWnd != nullptr ? pWnd->m_hWnd : nullptr; }
  BOOL operator==(const CWnd& other) const { return m_hWnd == other.m_hWnd; }
  BOOL operator!=(const CWnd& other) const { return m_hWnd != other.m_hWnd; }

  // ---- handle map ----
  static CWnd* PASCAL FromHandle(HWND hWnd);           // bound object or a temporary one
  static CWnd* PASCAL FromHandlePermanent(HWND hWnd);  // bound object or nullptr
  static void PASCAL DeleteTempMap();
  BOOL Attach(HWND hWndNew);
  HWND Detach();
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();

  // ---- creation ----
  // The core of Create/CreateEx: wide class and window names (class NULL: a registered
  // default class of the library). FALSE when the window could not be made.
  BOOL CreateExW(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, int x, int y,
                 int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
  BOOL CreateExW(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                 CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
#ifdef _UNICODE
  BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, void* pContext = nullptr) {
    (void)pContext;
    return CreateExW(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, int x, int y,
                int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr) {
    return CreateExW(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, nWidth, nHeight, hWndParent, nIDorHMenu,
                     lpParam);
  }
  BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr) {
    return CreateExW(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, lpParam);
  }
#else
  BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID, void* pContext = nullptr) {
    (void)pContext;
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
  }
  BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr) {
    std::u16string cls = Wide(lpszClassName), name = Wide(lpszWindowName);
    return CreateExW(dwExStyle, WideArg(lpszClassName, cls), WideArg(lpszWindowName, name), dwStyle, x, y, nWidth,
                     nHeight, hWndParent, nIDorHMenu, lpParam);
  }
  BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr) {
    std::u16string cls = Wide(lpszClassName), name = Wide(lpszWindowName);
    return CreateExW(dwExStyle, WideArg(lpszClassName, cls), WideArg(lpszWindowName, name), dwStyle, rect,
                     pParentWnd, nID, lpParam);
  }
#endif
  virtual BOOL DestroyWindow();
  // May change the creation values (class, styles, position) before the window is made.
  virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
  // Called when the object is bound to an existing or new window, before messages arrive.
  virtual void PreSubclassWindow();

  // ---- ActiveX controls (olecontrol.cpp; the registry in com/controlreg.h) ----
  // Creates the control registered under the class id (or ProgID) as a child window of the
  // parent and binds this object to it; the parent's event sink map receives its events.
  // FALSE when no such control is registered or it fails to create.
  BOOL CreateControlW(REFCLSID clsid, LPCWSTR pszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                      UINT nID);
  BOOL CreateControlW(LPCWSTR pszProgID, LPCWSTR pszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                      UINT nID);
  BOOL CreateControl(REFCLSID clsid, LPCTSTR pszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                     UINT nID, void* pPersist = nullptr, BOOL bStorage = FALSE, BSTR bstrLicKey = nullptr) {
    (void)pPersist, (void)bStorage, (void)bstrLicKey;
#ifdef _UNICODE
    return CreateControlW(clsid, pszWindowName, dwStyle, rect, pParentWnd, nID);
#else
    std::u16string name = Wide(pszWindowName);
    return CreateControlW(clsid, WideArg(pszWindowName, name), dwStyle, rect, pParentWnd, nID);
#endif
  }
  BOOL CreateControl(LPCTSTR pszProgID, LPCTSTR pszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                     UINT nID, void* pPersist = nullptr, BOOL bStorage = FALSE, BSTR bstrLicKey = nullptr) {
    (void)pPersist, (void)bStorage, (void)bstrLicKey;
#ifdef _UNICODE
    return CreateControlW(pszProgID, pszWindowName, dwStyle, rect, pParentWnd, nID);
#else
    std::u16string id = Wide(pszProgID), name = Wide(pszWindowName);
    return CreateControlW(id.c_str(), WideArg(pszWindowName, name), dwStyle, rect, pParentWnd, nID);
#endif
  }
  // Calls the bound control's dispatch member: wFlags DISPATCH_METHOD / DISPATCH_PROPERTYGET /
  // DISPATCH_PROPERTYPUT; vtRet the result's type (VT_EMPTY: none), stored through pvRet as
  // short (VT_I2), LONG (VT_I4), BOOL (VT_BOOL), float, double, CString of the unit's character
  // set (VT_BSTR), IDispatch* / IUnknown* (with a reference) or VARIANT (VT_VARIANT);
  // pbParamInfo the VTS_ codes of the arguments that follow (VTS_BSTR: LPCTSTR, VTS_VARIANT:
  // const VARIANT*, VTS_P...: pointers). A failure throws COleDispatchException (the control
  // reported an error) or COleException (any other HRESULT).
  void AFX_CDECL InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...) {
    va_list args;
    va_start(args, pbParamInfo);
    InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args, sizeof(TCHAR) == 2);
    va_end(args);
  }
  void AFX_CDECL SetProperty(DISPID dwDispID, VARTYPE vtProp, ...) {
    BYTE info[2] = {static_cast<BYTE>(vtProp), 0};
    va_list args;
    va_start(args, vtProp);
    InvokeHelperV(dwDispID, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, info, args, sizeof(TCHAR) == 2);
    va_end(args);
  }
  void GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) {
    InvokeCore(dwDispID, DISPATCH_PROPERTYGET, vtProp, pvProp, nullptr, 0, sizeof(TCHAR) == 2);
  }
  void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                     va_list args, bool wideStrings);
  // The call itself: the arguments in their natural order.
  void InvokeCore(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, VARIANT* args, UINT count,
                  bool wideStrings);
  // The bound control's object (no reference added); nullptr for a window that is no control.
  IUnknown* GetControlUnknown();

  // ---- messages ----
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
  }
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE) const;
  // The current message to the default processing (the old window procedure or the system's).
  LRESULT Default();
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultWindowProc(message, wParam, lParam);
  }
  // The default processing: the old window procedure of a subclassed window, else the system's.
  LRESULT DefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // A parent's message about this control, offered to the control first.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // Reflects the current message to the bound object of hWndChild; TRUE when it took it.
  static BOOL PASCAL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);
  BOOL SendChildNotifyLastMsg(LRESULT* pResult = nullptr);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Offers the message to PreTranslateMessage of the window it is for and of its parents up
  // to (and including) hWndStop.
  static BOOL PASCAL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
  BOOL IsDialogMessage(LPMSG lpMsg) { return ::IsDialogMessageW(m_hWnd, lpMsg); }

  // ---- modal loops ----
  virtual int RunModalLoop(DWORD dwFlags = 0);
  virtual BOOL ContinueModal();
  virtual void EndModalLoop(int nResult);

  // ---- data exchange ----
  virtual void DoDataExchange(CDataExchange* pDX);
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  // ---- text ----
  void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
  void SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
  int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const { return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount); }
  int GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const { return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount); }
  void GetWindowText(CStringA& rString) const { ReadWindowText(m_hWnd, rString); }
  void GetWindowText(CStringW& rString) const { ReadWindowText(m_hWnd, rString); }
  static void PASCAL ReadWindowText(HWND hWnd, CStringA& rString);
  static void PASCAL ReadWindowText(HWND hWnd, CStringW& rString);
  int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
  void SetDlgItemText(int nID, LPCSTR lpszString) { ::SetDlgItemTextA(m_hWnd, nID, lpszString); }
  void SetDlgItemText(int nID, LPCWSTR lpszString) { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
  int GetDlgItemText(int nID, LPSTR lpStr, int nMaxCount) const {
    return static_cast<int>(::GetDlgItemTextA(m_hWnd, nID, lpStr, nMaxCount));
  }
  int GetDlgItemText(int nID, LPWSTR lpStr, int nMaxCount) const {
    return static_cast<int>(::GetDlgItemTextW(m_hWnd, nID, lpStr, nMaxCount));
  }
  int GetDlgItemText(int nID, CStringA& rString) const {
    ReadWindowText(::GetDlgItem(m_hWnd, nID), rString);
    return rString.GetLength();
  }
  int GetDlgItemText(int nID, CStringW& rString) const {
    ReadWindowText(::GetDlgItem(m_hWnd, nID), rString);
    return rString.GetLength();
  }
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
  }
  void CheckDlgButton(int nIDButton, UINT nCheck) { ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
  UINT IsDlgButtonChecked(int nIDButton) const { return ::IsDlgButtonChecked(m_hWnd, nIDButton); }
  void CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck) { ::CheckRadioButton(m_hWnd, nIDFirst, nIDLast, nIDCheck); }
  LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam);
  }
  // Caption NULL: the application's name.
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK) {
    return ShowMessageBox(lpszText, lpszCaption, nType);
  }
  int MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = MB_OK) {
    return ShowMessageBox(lpszText, lpszCaption, nType);
  }
  int ShowMessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);
  int ShowMessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType);

  // ---- relations ----
  CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
  void GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  int SetDlgCtrlID(int nID) { return static_cast<int>(::SetWindowLongPtrW(m_hWnd, GWLP_ID, nID)); }
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* SetParent(CWnd* pWndNewParent) { return FromHandle(::SetParent(m_hWnd, CWnd::HwndOf(pWndNewParent))); }
  // The owner set with SetOwner, else the parent.
  CWnd* GetOwner() const { return m_hWndOwner ? FromHandle(m_hWndOwner) : GetParent(); }
  void SetOwner(CWnd* pOwnerWnd) { m_hWndOwner = pOwnerWnd ? pOwnerWnd->m_hWnd : nullptr; }
  CWnd* GetTopLevelParent() const;
  CWnd* GetTopWindow() const { return FromHandle(::GetTopWindow(m_hWnd)); }
  CWnd* GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }
  CWnd* GetNextWindow(UINT nFlag = GW_HWNDNEXT) const { return FromHandle(::GetWindow(m_hWnd, nFlag)); }
  CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const {
    return FromHandle(::GetNextDlgTabItem(m_hWnd, CWnd::HwndOf(pWndCtl), bPrevious));
  }
  CWnd* GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const {
    return FromHandle(::GetNextDlgGroupItem(m_hWnd, CWnd::HwndOf(pWndCtl), bPrevious));
  }
  BOOL IsChild(const CWnd* pWnd) const { return ::IsChild(m_hWnd, CWnd::HwndOf(pWnd)); }
  static CWnd* PASCAL GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }
  static CWnd* PASCAL GetForegroundWindow() { return FromHandle(::GetForegroundWindow()); }
  static CWnd* PASCAL GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
  static CWnd* PASCAL GetFocus() { return FromHandle(::GetFocus()); }
  static CWnd* PASCAL GetCapture() { return FromHandle(::GetCapture()); }
  static CWnd* PASCAL WindowFromPoint(POINT point) { return FromHandle(::WindowFromPoint(point)); }
  static CWnd* PASCAL FindWindow(LPCSTR lpszClassName, LPCSTR lpszWindowName) {
    return FromHandle(::FindWindowA(lpszClassName, lpszWindowName));
  }
  static CWnd* PASCAL FindWindow(LPCWSTR lpszClassName, LPCWSTR lpszWindowName) {
    return FromHandle(::FindWindowW(lpszClassName, lpszWindowName));
  }
  CWnd* SetActiveWindow() { return FromHandle(::SetActiveWindow(m_hWnd)); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }

  // ---- geometry and state ----
  void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
  void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
  void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
  void ScreenToClient(LPRECT lpRect) const;
  void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
  void ClientToScreen(LPRECT lpRect) const;
  void MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const {
    ::MapWindowPoints(m_hWnd, CWnd::HwndOf(pwndTo), lpPoint, nCount);
  }
  void MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const {
    ::MapWindowPoints(m_hWnd, CWnd::HwndOf(pwndTo), reinterpret_cast<LPPOINT>(lpRect), 2);
  }
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
  }
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
                 bRepaint);
  }
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
  }
  // Centres the window over its owner (or parent), or the work area when it has none.
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
  int SetWindowRgn(HRGN hRgn, BOOL bRedraw) { return ::SetWindowRgn(m_hWnd, hRgn, bRedraw); }
  int GetWindowRgn(HRGN hRgn) const { return ::GetWindowRgn(m_hWnd, hRgn); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)); }
  // Removes then adds style bits; with nFlags, SetWindowPos(nFlags | no move, size, z-order or
  // activation) follows so the frame takes the change (pass SWP_FRAMECHANGED). TRUE when the
  // style changed.
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  static BOOL PASCAL ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
  static BOOL PASCAL ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);

  // ---- painting ----
  void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
  void InvalidateRgn(CRgn* pRgn, BOOL bErase = TRUE);
  void ValidateRect(LPCRECT lpRect) { ::ValidateRect(m_hWnd, lpRect); }
  BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, CRgn* prgnUpdate = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL GetUpdateRect(LPRECT lpRect, BOOL bErase = FALSE) { return ::GetUpdateRect(m_hWnd, lpRect, bErase); }
  void SetRedraw(BOOL bRedraw = TRUE) { ::SendMessageW(m_hWnd, WM_SETREDRAW, bRedraw, 0); }
  BOOL LockWindowUpdate() { return ::LockWindowUpdate(m_hWnd); }
  void UnlockWindowUpdate() { ::LockWindowUpdate(nullptr); }
  void ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect = nullptr, LPCRECT lpClipRect = nullptr) {
    ::ScrollWindow(m_hWnd, xAmount, yAmount, lpRect, lpClipRect);
  }
  // Temporary device-context objects; give them back with ReleaseDC.
  CDC* GetDC();
  CDC* GetWindowDC();
  int ReleaseDC(CDC* pDC);
  CDC* BeginPaint(LPPAINTSTRUCT lpPaint);
  void EndPaint(LPPAINTSTRUCT lpPaint) { ::EndPaint(m_hWnd, lpPaint); }

  // ---- caret ----
  void HideCaret() { ::HideCaret(m_hWnd); }
  void ShowCaret() { ::ShowCaret(m_hWnd); }
  void CreateSolidCaret(int nWidth, int nHeight) { ::CreateCaret(m_hWnd, nullptr, nWidth, nHeight); }
  static void PASCAL SetCaretPos(POINT point) { ::SetCaretPos(point.x, point.y); }
  static CPoint PASCAL GetCaretPos() {
    POINT p{0, 0};
    ::GetCaretPos(&p);
    return CPoint(p);
  }

  // ---- timers, font, icon, menu, scroll bars ----
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
  }
  BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_SETICON, bBigIcon, reinterpret_cast<LPARAM>(hIcon)));
  }
  HICON GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_GETICON, bBigIcon, 0));
  }
  CMenu* GetMenu() const;
  BOOL SetMenu(CMenu* pMenu);
  CMenu* GetSystemMenu(BOOL bRevert) const;
  int GetScrollPos(int nBar) const { return ::GetScrollPos(m_hWnd, nBar); }
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE) { return ::SetScrollPos(m_hWnd, nBar, nPos, bRedraw); }
  void GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const {
    ::GetScrollRange(m_hWnd, nBar, lpMinPos, lpMaxPos);
  }
  void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE) {
    ::SetScrollRange(m_hWnd, nBar, nMinPos, nMaxPos, bRedraw);
  }
  BOOL GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) const;
  BOOL SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE) {
    return ::SetScrollInfo(m_hWnd, nBar, lpScrollInfo, bRedraw);
  }
  void ShowScrollBar(UINT nBar, BOOL bShow = TRUE) { ::ShowScrollBar(m_hWnd, static_cast<int>(nBar), bShow); }

  // ---- message handlers: each passes its message on to the default processing ----
  afx_msg int OnCreate(CREATESTRUCTW* lpCreateStruct);
  afx_msg int OnCreate(CREATESTRUCTA* lpCreateStruct);
  afx_msg void OnDestroy();
  // Unbinds the object and calls PostNcDestroy.
  afx_msg void OnNcDestroy();
  afx_msg void OnPaint();
  afx_msg void OnNcPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnSizing(UINT fwSide, LPRECT pRect);
  afx_msg void OnMoving(UINT fwSide, LPRECT pRect);
  afx_msg void OnMove(int x, int y);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDblClk(UINT nFlags, CPoint point);
  afx_msg void OnMButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnMButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnMouseHover(UINT nFlags, CPoint point);
  afx_msg void OnMouseLeave();
  afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  afx_msg LRESULT OnNcHitTest(CPoint point);
  afx_msg void OnNcCalcSize(BOOL bCalcValidRects, NCCALCSIZE_PARAMS* lpncsp);
  afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
  afx_msg void OnNcLButtonUp(UINT nHitTest, CPoint point);
  afx_msg void OnNcLButtonDblClk(UINT nHitTest, CPoint point);
  afx_msg void OnNcRButtonDown(UINT nHitTest, CPoint point);
  afx_msg void OnNcMouseMove(UINT nHitTest, CPoint point);
  afx_msg BOOL OnNcActivate(BOOL bActive);
  afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
  afx_msg void OnWindowPosChanging(WINDOWPOS* lpwndpos);
  afx_msg void OnWindowPosChanged(WINDOWPOS* lpwndpos);
  afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
  afx_msg void OnEnable(BOOL bEnable);
  // Reflects to the control first (its ON_WM_CTLCOLOR_REFLECT).
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnSysChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnClose();
  afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
  // Reflect to a scroll-bar control first.
  afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  // Reflect to the control first.
  afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
  afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
  afx_msg void OnCaptureChanged(CWnd* pWnd);
  afx_msg void OnKillFocus(CWnd* pNewWnd);
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  afx_msg HCURSOR OnQueryDragIcon();
  afx_msg UINT OnGetDlgCode();
  afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);
  afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
  afx_msg void OnEnterIdle(UINT nWhy, CWnd* pWho);
  afx_msg void OnParentNotify(UINT message, LPARAM lParam);
  afx_msg void OnEnterSizeMove();
  afx_msg void OnExitSizeMove();

  // ---- state of the binding ----
  WNDPROC m_pfnSuper = nullptr;                // the window procedure before subclassing
  UINT m_nFlags = 0;                           // WF_ flags
  int m_nModalResult = -1;                     // RunModalLoop's result
  HWND m_hWndOwner = nullptr;                  // SetOwner
  AFX_MODULE_STATE* m_pModuleState = nullptr;  // current while the window's messages run
  AfxOleControl* m_pCtrlSite = nullptr;        // the ActiveX control this window is, if any

 protected:
  // Called after the window is destroyed and the object unbound; self-owned objects delete
  // themselves here.
  virtual void PostNcDestroy();

  static std::u16string Wide(LPCSTR s) { return (s && !IS_INTRESOURCE(s)) ? nux::AnsiToWide(s) : std::u16string(); }
  static LPCWSTR WideArg(LPCSTR s, const std::u16string& w) {
    return !s ? nullptr : IS_INTRESOURCE(s) ? reinterpret_cast<LPCWSTR>(s) : w.c_str();
  }

  DECLARE_MESSAGE_MAP()

 private:
  void UnbindAfterDestroy();
  friend LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
};

// The class library's window procedure (bound windows) and the procedure of its dialogs.
LRESULT AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
INT_PTR AfxDlgProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// A class-library exception that escaped a message handler: a failed WM_CREATE, a validated
// WM_PAINT; its message (when it has one, and it is no CUserException) in a message box; the
// exception deleted. Returns the message's result.
LRESULT AFXAPI AfxProcessWndProcException(CException* e, const MSG* pMsg);

// The next window created on this thread (by any means) is bound to pWnd and subclassed
// before its first message; AfxUnhookWindowCreate ends the wait. TRUE from the unhook when the
// window was bound.
void AFXAPI AfxHookWindowCreate(CWnd* pWnd);
BOOL AFXAPI AfxUnhookWindowCreate();

// The message being handled on this thread (what Default passes on).
const MSG* AFXAPI AfxGetCurrentMessage();

// Registers (once per set of values) a window class with the class library's window procedure
// and gives its name: "Afx:" followed by the values.
LPCWSTR AFXAPI AfxRegisterWndClassW(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                                    HICON hIcon = nullptr);
LPCSTR AFXAPI AfxRegisterWndClassA(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                                   HICON hIcon = nullptr);
#ifdef _UNICODE
#define AfxRegisterWndClass AfxRegisterWndClassW
#else
#define AfxRegisterWndClass AfxRegisterWndClassA
#endif

// The main window of the current thread's CWinThread (the application's on the main thread).
CWnd* AFXAPI AfxGetMainWnd();

// Message boxes owned by the main (or active) window, captioned with the application's name.
int AFXAPI AfxMessageBoxW(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AFXAPI AfxMessageBoxA(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = UINT(-1));
inline int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0) {
  return AfxMessageBoxA(lpszText, nType, nIDHelp);
}
inline int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0) {
  return AfxMessageBoxW(lpszText, nType, nIDHelp);
}
