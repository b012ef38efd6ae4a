// ActiveX containment: control sites, the event sink that feeds event sink maps, dispatch
// calls by id, and the controls of dialog templates.
#include "mfc/olecontrol.h"

#include <mutex>
#include <unordered_map>
#include <vector>

#include "mfc/afxwin.h"
#include "res/templates.h"

IMPLEMENT_DYNAMIC(COleDispatchException, CException)

namespace {

std::mutex& SitesMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::unordered_map<HWND, AfxOleControl*>& Sites() {
  static auto* map = new std::unordered_map<HWND, AfxOleControl*>;
  return *map;
}

// Receives a control's events and hands them to the container's event sink map.
class EventSink final : public IDispatch {
 public:
  EventSink(AfxOleControl* site, const IID& eventsIid) : site_(site), iid_(eventsIid) {}
  void Detach() { site_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != iid_) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    if (pctinfo) *pctinfo = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (site_ == nullptr) return S_OK;
    CWnd* container = CWnd::FromHandlePermanent(site_->hWndContainer);
    if (container == nullptr) return S_OK;  // nobody listens
    UINT id = static_cast<UINT>(::GetDlgCtrlID(site_->hWnd));
    const AFX_EVENTSINKMAP_ENTRY* entry = AfxFindEventSinkEntry(container->EventSinkMap(), id, dispid);
    if (entry == nullptr) return S_OK;
    AFX_MAINTAIN_STATE2 state(container->m_pModuleState);
    HRESULT hr = S_OK;
    entry->pfn(container, params, &hr);
    return hr;
  }

 private:
  ~EventSink() = default;
  AfxOleControl* site_;
  IID iid_;
  ULONG refs_ = 1;
};

void ReleaseSite(AfxOleControl* site) {
  if (site->pConnection != nullptr) {
    site->pConnection->Unadvise(site->dwCookie);
    site->pConnection->Release();
  }
  if (site->pSink != nullptr) {
    static_cast<EventSink*>(site->pSink)->Detach();
    site->pSink->Release();
  }
  if (site->pDisp != nullptr) site->pDisp->Release();
  if (site->pUnk != nullptr) site->pUnk->Release();
  delete site;
}

// Watches the control's window: when it goes, the container lets go of the control.
LRESULT SiteWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  AfxOleControl* site = nux::afx::ControlSiteOf(hWnd);
  if (site == nullptr) return ::DefWindowProcW(hWnd, msg, wParam, lParam);
  WNDPROC old = site->pfnOldProc;
  LRESULT result = ::CallWindowProcW(old, hWnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    {
      std::lock_guard<std::mutex> lock(SitesMutex());
      Sites().erase(hWnd);
    }
    ReleaseSite(site);
  }
  return result;
}

std::u16string ClassIdText(const nux::res::DialogItem& item) { return item.ClassName(); }

// Items of dialog templates named by a class id ("{...}") are the registry's controls.
struct InstallDialogControls {
  InstallDialogControls() {
    nux::ui::SetDialogItemFactory([](HWND dialog, const nux::res::DialogItem& item, const RECT& rect) -> HWND {
      std::u16string cls = ClassIdText(item);
      CLSID clsid;
      if (cls.empty()) return nullptr;
      HRESULT hr = cls[0] == u'{' ? CLSIDFromString(cls.c_str(), &clsid) : nux::com::ControlClsidFromProgID(cls.c_str(), &clsid);
      if (FAILED(hr)) return nullptr;
      std::u16string title = item.title.present && !item.title.isOrdinal ? item.title.text : std::u16string();
      AfxOleControl* site = nux::afx::CreateControlSite(clsid, dialog, rect, item.id & 0xFFFF, item.style | WS_CHILD,
                                                        title.c_str());
      return site ? site->hWnd : nullptr;
    });
  }
} g_installDialogControls;

}  // namespace

// ---- sites -------------------------------------------------------------------------------

namespace nux::afx {

AfxOleControl* ControlSiteOf(HWND hWnd) {
  if (hWnd == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(SitesMutex());
  auto it = Sites().find(hWnd);
  return it == Sites().end() ? nullptr : it->second;
}

AfxOleControl* CreateControlSite(REFCLSID clsid, HWND hWndParent, const RECT& rect, UINT nID, DWORD dwStyle,
                                 LPCWSTR lpszWindowName) {
  nux::com::ControlSite where;
  where.parent = hWndParent;
  where.rect = rect;
  where.id = nID;
  where.style = dwStyle;
  where.windowName = lpszWindowName ? lpszWindowName : u"";
  nux::com::ControlInstance made;
  if (FAILED(nux::com::CreateRegisteredControl(clsid, where, &made))) return nullptr;
  auto* site = new AfxOleControl;
  site->clsid = clsid;
  site->hWnd = made.window;
  site->hWndContainer = hWndParent;
  site->pUnk = made.control;
  if (FAILED(made.control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&site->pDisp)))) site->pDisp = nullptr;
  // Events go to the parent's event sink map.
  std::optional<nux::com::ControlClass> cls = nux::com::FindControlClass(clsid);
  if (cls && cls->eventsIid != GUID_NULL) {
    IConnectionPointContainer* points = nullptr;
    if (SUCCEEDED(made.control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points))) &&
        points != nullptr) {
      if (SUCCEEDED(points->FindConnectionPoint(cls->eventsIid, &site->pConnection)) && site->pConnection != nullptr) {
        site->pSink = new EventSink(site, cls->eventsIid);
        if (FAILED(site->pConnection->Advise(site->pSink, &site->dwCookie))) {
          site->pConnection->Release();
          site->pConnection = nullptr;
        }
      }
      points->Release();
    }
  }
  {
    std::lock_guard<std::mutex> lock(SitesMutex());
    Sites()[made.window] = site;
  }
  site->pfnOldProc =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(made.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SiteWndProc)));
  return site;
}

void ReleaseControlSite(CWnd* pWnd) {
  // The site itself goes with its window (SiteWndProc); the object only forgets it.
  pWnd->m_pCtrlSite = nullptr;
}

}  // namespace nux::afx

// ---- event sink maps ---------------------------------------------------------------------

const AFX_EVENTSINKMAP* PASCAL CCmdTarget::GetThisEventSinkMap() {
  static const AFX_EVENTSINKMAP_ENTRY entries[] = {{0, 0, nullptr, nullptr}};
  static const AFX_EVENTSINKMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_EVENTSINKMAP* CCmdTarget::GetEventSinkMap() const { return GetThisEventSinkMap(); }

const AFX_EVENTSINKMAP_ENTRY* AFXAPI AfxFindEventSinkEntry(const AFX_EVENTSINKMAP* map, UINT nCtrlID, DISPID dispid) {
  for (; map != nullptr; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_EVENTSINKMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
      if (e->nCtrlID == nCtrlID && e->dispid == dispid) return e;
    }
  }
  return nullptr;
}

// ---- CWnd members ------------------------------------------------------------------------

BOOL CWnd::CreateControlW(REFCLSID clsid, LPCWSTR pszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                          UINT nID) {
  if (m_hWnd != nullptr) return FALSE;
  AfxOleControl* site = nux::afx::CreateControlSite(clsid, HwndOf(pParentWnd), rect, nID, dwStyle | WS_CHILD,
                                                    pszWindowName);
  if (site == nullptr) return FALSE;
  if (!SubclassWindow(site->hWnd)) {
    ::DestroyWindow(site->hWnd);
    return FALSE;
  }
  m_pCtrlSite = site;
  return TRUE;
}

BOOL CWnd::CreateControlW(LPCWSTR pszProgID, LPCWSTR pszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                          UINT nID) {
  CLSID clsid;
  if (pszProgID == nullptr || FAILED(nux::com::ControlClsidFromProgID(pszProgID, &clsid))) return FALSE;
  return CreateControlW(clsid, pszWindowName, dwStyle, rect, pParentWnd, nID);
}

IUnknown* CWnd::GetControlUnknown() {
  AfxOleControl* site = m_pCtrlSite != nullptr ? m_pCtrlSite : nux::afx::ControlSiteOf(m_hWnd);
  return site != nullptr ? site->pUnk : nullptr;
}

void CWnd::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                         va_list args, bool wideStrings) {
  std::vector<VARIANT> values;
  std::vector<BSTR> owned;
  for (const BYTE* code = pbParamInfo; code != nullptr && *code != 0; ++code) {
    VARIANT v;
    VariantInit(&v);
    const bool byRef = (*code & 0x40) != 0;
    const VARTYPE vt = static_cast<VARTYPE>(*code & ~0x40);
    if (byRef) {
      v.vt = static_cast<VARTYPE>(VT_BYREF | vt);
      v.byref = va_arg(args, void*);
    } else {
      v.vt = vt;
      switch (vt) {
        case VT_I2:
          v.iVal = static_cast<SHORT>(va_arg(args, int));
          break;
        case VT_I4:
          // Taken from a long's slot: an int or a long argument both leave their value there.
          v.lVal = static_cast<LONG>(va_arg(args, long));
          break;
        case VT_UI1:
          v.bVal = static_cast<BYTE>(va_arg(args, int));
          break;
        case VT_R4:
          v.fltVal = static_cast<FLOAT>(va_arg(args, double));
          break;
        case VT_R8:
        case VT_DATE:
          v.dblVal = va_arg(args, double);
          break;
        case VT_ERROR:
          v.scode = static_cast<SCODE>(va_arg(args, long));
          break;
        case VT_BOOL:
          v.boolVal = va_arg(args, int) ? VARIANT_TRUE : VARIANT_FALSE;
          break;
        case VT_BSTR: {
          const void* text = va_arg(args, const void*);
          if (text == nullptr)
            v.bstrVal = nullptr;
          else if (wideStrings)
            v.bstrVal = SysAllocString(static_cast<LPCWSTR>(text));
          else
            v.bstrVal = SysAllocString(nux::AnsiToWide(static_cast<LPCSTR>(text)).c_str());
          owned.push_back(v.bstrVal);
          break;
        }
        case VT_DISPATCH:
          v.pdispVal = va_arg(args, IDispatch*);
          break;
        case VT_UNKNOWN:
          v.punkVal = va_arg(args, IUnknown*);
          break;
        case VT_VARIANT: {
          const VARIANT* given = va_arg(args, const VARIANT*);
          if (given != nullptr) v = *given;  // shallow: the caller keeps what it holds
          break;
        }
        default:
          for (BSTR b : owned) SysFreeString(b);
          AfxThrowOleException(DISP_E_BADVARTYPE);
      }
    }
    values.push_back(v);
  }
  try {
    InvokeCore(dwDispID, wFlags, vtRet, pvRet, values.empty() ? nullptr : values.data(),
               static_cast<UINT>(values.size()), wideStrings);
  } catch (...) {
    for (BSTR b : owned) SysFreeString(b);
    throw;
  }
  for (BSTR b : owned) SysFreeString(b);
}

void CWnd::InvokeCore(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, VARIANT* args, UINT count,
                      bool wideStrings) {
  AfxOleControl* site = m_pCtrlSite != nullptr ? m_pCtrlSite : nux::afx::ControlSiteOf(m_hWnd);
  if (site == nullptr || site->pDisp == nullptr) AfxThrowOleException(E_NOINTERFACE);
  std::vector<VARIANT> reversed;
  for (UINT i = count; i > 0; --i) reversed.push_back(args[i - 1]);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, count, 0};
  if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO info{};
  UINT argErr = 0;
  HRESULT hr = site->pDisp->Invoke(dwDispID, GUID_NULL, 0, wFlags, &params, vtRet != VT_EMPTY ? &result : nullptr,
                                   &info, &argErr);
  if (FAILED(hr)) {
    VariantClear(&result);
    if (hr == DISP_E_EXCEPTION) {
      auto* e = new COleDispatchException(info.bstrDescription ? info.bstrDescription : u"", info.dwHelpContext,
                                          info.wCode);
      e->m_scError = info.scode;
      if (info.bstrSource) e->m_strSource = info.bstrSource;
      if (info.bstrHelpFile) e->m_strHelpFile = info.bstrHelpFile;
      SysFreeString(info.bstrSource);
      SysFreeString(info.bstrDescription);
      SysFreeString(info.bstrHelpFile);
      throw e;
    }
    AfxThrowOleException(hr);
  }
  if (vtRet == VT_EMPTY || pvRet == nullptr) {
    VariantClear(&result);
    return;
  }
  if (vtRet != VT_VARIANT && result.vt != vtRet) {
    HRESULT changed = VariantChangeType(&result, &result, 0, vtRet);
    if (FAILED(changed)) {
      VariantClear(&result);
      AfxThrowOleException(changed);
    }
  }
  switch (vtRet) {
    case VT_I2:
      *static_cast<SHORT*>(pvRet) = result.iVal;
      break;
    case VT_I4:
      *static_cast<LONG*>(pvRet) = result.lVal;
      break;
    case VT_UI1:
      *static_cast<BYTE*>(pvRet) = result.bVal;
      break;
    case VT_R4:
      *static_cast<FLOAT*>(pvRet) = result.fltVal;
      break;
    case VT_R8:
    case VT_DATE:
      *static_cast<double*>(pvRet) = result.dblVal;
      break;
    case VT_ERROR:
      *static_cast<SCODE*>(pvRet) = result.scode;
      break;
    case VT_BOOL:
      *static_cast<BOOL*>(pvRet) = result.boolVal != 0;
      break;
    case VT_BSTR:
      if (wideStrings)
        *static_cast<CStringW*>(pvRet) = result.bstrVal ? result.bstrVal : u"";
      else
        *static_cast<CStringA*>(pvRet) = CStringA(result.bstrVal ? result.bstrVal : u"");
      VariantClear(&result);
      return;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      // The caller takes over the reference.
      *static_cast<IUnknown**>(pvRet) = result.punkVal;
      return;
    case VT_VARIANT:
      *static_cast<VARIANT*>(pvRet) = result;  // the caller takes it over
      return;
    default:
      VariantClear(&result);
      AfxThrowOleException(DISP_E_BADVARTYPE);
  }
  VariantClear(&result);
}

// ---- exceptions --------------------------------------------------------------------------

COleDispatchException::COleDispatchException(LPCWSTR lpszDescription, UINT nHelpID, WORD wCode)
    : m_wCode(wCode), m_strDescription(lpszDescription ? lpszDescription : u""), m_dwHelpContext(nHelpID) {}

BOOL COleDispatchException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (pnHelpContext) *pnHelpContext = m_dwHelpContext;
  if (lpszError == nullptr || nMaxError == 0) return FALSE;
  UINT n = 0;
  for (; n + 1 < nMaxError && n < static_cast<UINT>(m_strDescription.GetLength()); ++n) lpszError[n] = m_strDescription[n];
  lpszError[n] = 0;
  return !m_strDescription.IsEmpty();
}

void AFXAPI AfxThrowOleDispatchException(WORD wCode, LPCWSTR lpszDescription, UINT nHelpID) {
  throw new COleDispatchException(lpszDescription, nHelpID, wCode);
}
