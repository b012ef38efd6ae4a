// ActiveX containment: windows that are controls made by class id (CWnd::CreateControl, or
// items of dialog templates whose class is a class id), calls into them by dispatch id
// (CWnd::InvokeHelper), and event sink maps through which their events reach the container
// (the control's parent window object):
//
//   BEGIN_EVENTSINK_MAP(CMyDlg, CDialog)
//     ON_EVENT(CMyDlg, IDC_CAPTION, -605, CMyDlg::OnMouseDownCaption, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
//   END_EVENTSINK_MAP()
//
// with DECLARE_EVENTSINK_MAP() in the class. The handler is named qualified (Class::Member)
// and takes the event's parameters in order; each VARIANT is converted to the parameter's
// type (short, int/LONG, long, float, double, bool/BOOL, LPCWSTR/BSTR, LPCSTR, IDispatch*,
// IUnknown*, VARIANT*; pointers for parameters passed by reference, a BOOL* writing back into
// a VARIANT_BOOL). Controls register themselves in the registry of com/controlreg.h.
#pragma once

#include <string>
#include <tuple>
#include <utility>

#include "com/connpt.h"
#include "com/controlreg.h"
#include "com/olevariant.h"
#include "mfc/exceptions.h"
#include "mfc/msgthunks.h"
#include "mfc/wnd.h"

// Parameter codes of InvokeHelper and ON_EVENT (a by-reference parameter: 0x40 added).
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R4 "\x04"
#define VTS_R8 "\x05"
#define VTS_DATE "\x07"
#define VTS_BSTR "\x08"
#define VTS_DISPATCH "\x09"
#define VTS_SCODE "\x0A"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_UNKNOWN "\x0D"
#define VTS_UI1 "\x11"
#define VTS_PI2 "\x42"
#define VTS_PI4 "\x43"
#define VTS_PR4 "\x44"
#define VTS_PR8 "\x45"
#define VTS_PBSTR "\x48"
#define VTS_PDISPATCH "\x49"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"
#define VTS_PUNKNOWN "\x4D"

#ifndef DISPID_PROPERTYPUT
#define DISPID_PROPERTYPUT (-3)
#endif
// Standard event ids.
#define DISPID_CLICK (-600)
#define DISPID_DBLCLICK (-601)
#define DISPID_KEYDOWN (-602)
#define DISPID_KEYPRESS (-603)
#define DISPID_KEYUP (-604)
#define DISPID_MOUSEDOWN (-605)
#define DISPID_MOUSEMOVE (-606)
#define DISPID_MOUSEUP (-607)

// An error a control reported through its exception information.
class COleDispatchException : public CException {
  DECLARE_DYNAMIC(COleDispatchException)

 public:
  COleDispatchException(LPCWSTR lpszDescription, UINT nHelpID, WORD wCode);
  using CException::GetErrorMessage;
  BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

  WORD m_wCode;
  SCODE m_scError = S_OK;
  CStringW m_strSource;
  CStringW m_strDescription;
  CStringW m_strHelpFile;
  DWORD m_dwHelpContext = 0;
};
[[noreturn]] void AFXAPI AfxThrowOleDispatchException(WORD wCode, LPCWSTR lpszDescription, UINT nHelpID = 0);

// ---- event sink maps ------------------------------------------------------------------------

typedef BOOL (*AFX_PEVENT)(CCmdTarget* target, DISPPARAMS* params, HRESULT* result);

struct AFX_EVENTSINKMAP_ENTRY {
  UINT nCtrlID;
  DISPID dispid;
  const char* pbParams;
  AFX_PEVENT pfn;
};

struct AFX_EVENTSINKMAP {
  const AFX_EVENTSINKMAP* (*pfnGetBaseMap)();
  const AFX_EVENTSINKMAP_ENTRY* lpEntries;
};

#define DECLARE_EVENTSINK_MAP()                                   \
 protected:                                                       \
  static const AFX_EVENTSINKMAP* PASCAL GetThisEventSinkMap();    \
  const AFX_EVENTSINKMAP* GetEventSinkMap() const override;

#define BEGIN_EVENTSINK_MAP(theClass, baseClass)                                             \
  const AFX_EVENTSINKMAP* theClass::GetEventSinkMap() const { return GetThisEventSinkMap(); } \
  const AFX_EVENTSINKMAP* PASCAL theClass::GetThisEventSinkMap() {                           \
    using TheBaseClass = baseClass;                                                          \
    static const AFX_EVENTSINKMAP_ENTRY _eventEntries[] = {

#define ON_EVENT(theClass, id, dispid, pfnHandler, vtsParams) \
  {(UINT)(id), (DISPID)(dispid), vtsParams, &nux::afx::EventThunk<&pfnHandler>},

#define END_EVENTSINK_MAP()                                                                        \
  {0, 0, nullptr, nullptr}                                                                         \
  }                                                                                                \
  ;                                                                                                \
  static const AFX_EVENTSINKMAP eventMap = {&TheBaseClass::GetThisEventSinkMap, &_eventEntries[0]}; \
  return &eventMap;                                                                                \
  }

// The entry for an event of a control id; nullptr when none.
const AFX_EVENTSINKMAP_ENTRY* AFXAPI AfxFindEventSinkEntry(const AFX_EVENTSINKMAP* map, UINT nCtrlID, DISPID dispid);

// What the container keeps of a hosted control.
struct AfxOleControl {
  CLSID clsid{};
  HWND hWnd = nullptr;
  HWND hWndContainer = nullptr;
  IUnknown* pUnk = nullptr;
  IDispatch* pDisp = nullptr;
  IConnectionPoint* pConnection = nullptr;
  DWORD dwCookie = 0;
  IDispatch* pSink = nullptr;
  WNDPROC pfnOldProc = nullptr;
};

namespace nux::afx {

// Makes a control of a registered class as a child of hWndParent and connects its events to
// the parent's event sink map; nullptr when it cannot be made. It lives until its window goes.
AfxOleControl* CreateControlSite(REFCLSID clsid, HWND hWndParent, const RECT& rect, UINT nID, DWORD dwStyle,
                                 LPCWSTR lpszWindowName);
// The control whose window this is; nullptr for other windows.
AfxOleControl* ControlSiteOf(HWND hWnd);
// Lets go of the control a window object was bound to (its window is gone).
void ReleaseControlSite(CWnd* pWnd);

// ---- event parameter conversion ----

struct EventSlot {
  VARIANT coerced;
  std::string ansi;
  int value = 0;
  VARIANT_BOOL* boolRef = nullptr;
  EventSlot() { VariantInit(&coerced); }
  ~EventSlot() {
    if (boolRef) *boolRef = value ? VARIANT_TRUE : VARIANT_FALSE;
    VariantClear(&coerced);
  }
  EventSlot(const EventSlot&) = delete;
  EventSlot& operator=(const EventSlot&) = delete;
  bool Coerce(VARIANT& in, VARTYPE vt) {
    VARIANT* src = &in;
    if (in.vt == (VT_BYREF | VT_VARIANT) && in.pvarVal) src = in.pvarVal;
    return SUCCEEDED(VariantChangeType(&coerced, src, 0, vt));
  }
};

template <typename T>
bool EventArg(VARIANT& in, EventSlot& slot, T& out) {
  using U = std::remove_cv_t<T>;
  if constexpr (std::is_same_v<U, short>) {
    if (!slot.Coerce(in, VT_I2)) return false;
    out = slot.coerced.iVal;
  } else if constexpr (std::is_same_v<U, bool>) {
    if (!slot.Coerce(in, VT_BOOL)) return false;
    out = slot.coerced.boolVal != 0;
  } else if constexpr (std::is_integral_v<U>) {
    if (!slot.Coerce(in, std::is_signed_v<U> ? VT_I4 : VT_UI4)) return false;
    out = std::is_signed_v<U> ? static_cast<U>(slot.coerced.lVal) : static_cast<U>(slot.coerced.ulVal);
  } else if constexpr (std::is_same_v<U, float>) {
    if (!slot.Coerce(in, VT_R4)) return false;
    out = slot.coerced.fltVal;
  } else if constexpr (std::is_same_v<U, double>) {
    if (!slot.Coerce(in, VT_R8)) return false;
    out = slot.coerced.dblVal;
  } else if constexpr (std::is_same_v<U, const char16_t*> || std::is_same_v<U, char16_t*>) {
    if (!slot.Coerce(in, VT_BSTR)) return false;
    out = slot.coerced.bstrVal;
  } else if constexpr (std::is_same_v<U, const char*>) {
    if (!slot.Coerce(in, VT_BSTR)) return false;
    slot.ansi = slot.coerced.bstrVal ? nux::WideToAnsi(slot.coerced.bstrVal) : std::string();
    out = slot.ansi.c_str();
  } else if constexpr (std::is_same_v<U, IDispatch*>) {
    if (!slot.Coerce(in, VT_DISPATCH)) return false;
    out = slot.coerced.pdispVal;
  } else if constexpr (std::is_same_v<U, IUnknown*>) {
    if (!slot.Coerce(in, VT_UNKNOWN)) return false;
    out = slot.coerced.punkVal;
  } else if constexpr (std::is_same_v<U, VARIANT*> || std::is_same_v<U, const VARIANT*>) {
    out = (in.vt == (VT_BYREF | VT_VARIANT) && in.pvarVal) ? in.pvarVal : &in;
  } else if constexpr (std::is_same_v<U, short*>) {
    if (in.vt == (VT_BYREF | VT_BOOL)) out = in.pboolVal;
    else if (in.vt == (VT_BYREF | VT_I2)) out = in.piVal;
    else return false;
  } else if constexpr (std::is_same_v<U, int*>) {
    if (in.vt == (VT_BYREF | VT_I4)) {
      out = reinterpret_cast<int*>(in.plVal);
    } else if (in.vt == (VT_BYREF | VT_BOOL) && in.pboolVal) {
      // A BOOL* handler parameter over a VARIANT_BOOL reference: written back after the call.
      slot.value = *in.pboolVal != 0;
      slot.boolRef = in.pboolVal;
      out = &slot.value;
    } else {
      return false;
    }
  } else if constexpr (std::is_same_v<U, BSTR*>) {
    if (in.vt != (VT_BYREF | VT_BSTR)) return false;
    out = in.pbstrVal;
  } else if constexpr (std::is_same_v<U, double*>) {
    if (in.vt != (VT_BYREF | VT_R8)) return false;
    out = in.pdblVal;
  } else {
    static_assert(sizeof(U) == 0, "event parameter type not supported");
  }
  return true;
}

template <auto F, size_t... I>
BOOL CallEvent(CCmdTarget* t, DISPPARAMS* p, HRESULT* hr, std::index_sequence<I...>) {
  using Args = typename Member<decltype(F)>::Args;
  constexpr size_t N = sizeof...(I);
  EventSlot slots[N + 1];
  std::tuple<std::remove_cv_t<std::remove_reference_t<std::tuple_element_t<I, Args>>>...> values{};
  bool ok = (EventArg(p->rgvarg[p->cArgs - 1 - I], slots[I], std::get<I>(values)) && ...);
  (void)slots;
  if (!ok) {
    *hr = DISP_E_TYPEMISMATCH;
    return FALSE;
  }
  Invoke<F>(t, std::get<I>(values)...);
  *hr = S_OK;
  return TRUE;
}

template <auto F>
BOOL EventThunk(CCmdTarget* t, DISPPARAMS* p, HRESULT* hr) {
  constexpr size_t N = std::tuple_size_v<typename Member<decltype(F)>::Args>;
  if (p == nullptr ? N != 0 : p->cArgs < N) {
    *hr = DISP_E_BADPARAMCOUNT;
    return FALSE;
  }
  return CallEvent<F>(t, p, hr, std::make_index_sequence<N>{});
}

}  // namespace nux::afx
