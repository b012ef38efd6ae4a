#include "DocSink.h"

#include <cstring>

namespace {

// A VARIANT that clears itself.
struct AutoVariant {
  VARIANT v;
  AutoVariant() { VariantInit(&v); }
  ~AutoVariant() { VariantClear(&v); }
  AutoVariant(const AutoVariant&) = delete;
  AutoVariant& operator=(const AutoVariant&) = delete;
};

CString BstrText(BSTR b) { return b != nullptr ? CString(b, int(SysStringLen(b))) : CString(); }

CString TagNameOf(IHTMLElement* element) {
  BSTR tag = nullptr;
  if (FAILED(element->get_tagName(&tag))) return CString();
  CString text = BstrText(tag);
  SysFreeString(tag);
  text.MakeUpper();
  return text;
}

bool IsEmptyValue(const VARIANT& v) {
  if (v.vt == VT_EMPTY || v.vt == VT_NULL) return true;
  if (v.vt == VT_BSTR) return v.bstrVal == nullptr || SysStringLen(v.bstrVal) == 0;
  return false;
}

CString VariantToText(const VARIANT& v) {
  if (v.vt == VT_BSTR) return BstrText(v.bstrVal);
  VARIANT tmp;
  VariantInit(&tmp);
  if (FAILED(VariantChangeType(&tmp, &v, 0, VT_BSTR))) return CString();
  CString text = BstrText(tmp.bstrVal);
  VariantClear(&tmp);
  return text;
}

void CopyBounded(WCHAR* dest, size_t room, LPCWSTR text) {
  size_t n = 0;
  if (text != nullptr)
    while (n + 1 < room && text[n] != 0) ++n;
  if (n) std::memcpy(dest, text, n * sizeof(WCHAR));
  dest[n] = 0;
}

}  // namespace

void FillBrowserLink(BROWSERLINK& link, LPCWSTR url, LPCWSTR target) {
  std::memset(&link, 0, sizeof link);
  CopyBounded(link.szURL, 256, url);
  CopyBounded(link.szTarget, 128, target);
}

BOOL GetLinkAttribute(IHTMLElement* pElement, LPCWSTR lpszName, VARIANT* pValue) {
  if (pElement == nullptr || lpszName == nullptr || pValue == nullptr) return FALSE;
  // Walks up from the element; each step reads the attribute afresh.
  CString name(lpszName);
  name.MakeUpper();
  BSTR bname = SysAllocString(name);
  IHTMLElement* element = pElement;
  element->AddRef();
  BOOL found = FALSE;
  while (element != nullptr) {
    CString tag = TagNameOf(element);
    VariantClear(pValue);
    if (FAILED(element->getAttribute(bname, 0, pValue))) break;
    if (tag == u"IMG" && name == u"HREF") VariantClear(pValue);
    if (!IsEmptyValue(*pValue)) {
      found = TRUE;
      break;
    }
    IHTMLElement* parent = nullptr;
    if (FAILED(element->get_parentElement(&parent)) || parent == nullptr) break;
    element->Release();
    element = parent;
    if (TagNameOf(element) == u"BODY") break;
  }
  if (element != nullptr) element->Release();
  SysFreeString(bname);
  if (!found) VariantClear(pValue);
  return found;
}

CDocSink::CDocSink()
    : m_pDoc(nullptr),
      m_nRefs(1),
      m_pConnection(nullptr),
      m_hrAdvise(CONNECT_E_CANNOTCONNECT),
      m_dwCookie(0),
      m_pOwner(nullptr) {}

CDocSink::~CDocSink() {
  if (m_pConnection != nullptr) {
    if (m_dwCookie != 0) m_pConnection->Unadvise(m_dwCookie);
    m_pConnection->Release();
    m_pConnection = nullptr;
  }
  if (m_pDoc != nullptr) m_pDoc->Release();
}

HRESULT CDocSink::Advise(IHTMLDocument2* pDoc) {
  if (m_pConnection != nullptr) {
    if (m_dwCookie != 0) m_pConnection->Unadvise(m_dwCookie);
    m_pConnection->Release();
    m_pConnection = nullptr;
    m_dwCookie = 0;
  }
  if (m_pDoc != nullptr) m_pDoc->Release();
  m_pDoc = pDoc;
  if (m_pDoc == nullptr) return E_POINTER;
  m_pDoc->AddRef();
  IConnectionPointContainer* container = nullptr;
  HRESULT hr = m_pDoc->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  if (FAILED(hr) || container == nullptr) return FAILED(hr) ? hr : E_NOINTERFACE;
  hr = container->FindConnectionPoint(DIID_HTMLDocumentEvents, &m_pConnection);
  container->Release();
  if (FAILED(hr) || m_pConnection == nullptr) {
    m_pConnection = nullptr;
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }
  m_hrAdvise = m_pConnection->Advise(static_cast<IDispatch*>(this), &m_dwCookie);
  if (FAILED(m_hrAdvise)) m_dwCookie = 0;
  return m_hrAdvise;
}

BOOL CDocSink::GetEvent(IHTMLEventObj** ppEvent) {
  if (ppEvent == nullptr) return FALSE;
  *ppEvent = nullptr;
  if (m_pDoc == nullptr) return FALSE;
  IHTMLWindow2* window = nullptr;
  if (FAILED(m_pDoc->get_parentWindow(&window)) || window == nullptr) return FALSE;
  HRESULT hr = window->get_event(ppEvent);
  window->Release();
  if (FAILED(hr)) *ppEvent = nullptr;
  return *ppEvent != nullptr;
}

HRESULT CDocSink::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
  *ppvObject = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG CDocSink::AddRef() { return ULONG(++m_nRefs); }

ULONG CDocSink::Release() {
  long n = --m_nRefs;
  if (n == 0) delete this;
  return ULONG(n);
}

HRESULT CDocSink::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT CDocSink::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT CDocSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CDocSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO*,
                         UINT*) {
  if (pVarResult == nullptr) return E_POINTER;
  switch (dispIdMember) {
    case DISPID_HTMLDOCUMENTEVENTS_ONCLICK:
      OnClick();
      return S_OK;
    case DISPID_HTMLDOCUMENTEVENTS_ONKEYDOWN:
      OnKeyEvent(WM_BROWSER_KEYDOWN);
      return S_OK;
    case DISPID_HTMLDOCUMENTEVENTS_ONKEYPRESS:
      OnKeyEvent(WM_BROWSER_KEYPRESS);
      return S_OK;
    case DISPID_HTMLDOCUMENTEVENTS_ONKEYUP:
      OnKeyEvent(WM_BROWSER_KEYUP);
      return S_OK;
    case DISPID_HTMLDOCUMENTEVENTS_ONMOUSEDOWN:
      if (m_pOwner != nullptr) m_pOwner->SendMessage(WM_BROWSER_MOUSEDOWN, 0, 0);
      return S_OK;
    case DISPID_HTMLDOCUMENTEVENTS_ONMOUSEUP:
      if (m_pOwner != nullptr) m_pOwner->SendMessage(WM_BROWSER_MOUSEUP, 0, 0);
      return S_OK;
    case DISPID_HTMLDOCUMENTEVENTS_ONDBLCLICK:
    case DISPID_HTMLDOCUMENTEVENTS_ONMOUSEMOVE:
    case DISPID_HTMLDOCUMENTEVENTS_ONREADYSTATECHANGE:
      return S_OK;
    default:
      if (DWORD(dispIdMember) >= 0x80010004u && DWORD(dispIdMember) <= 0x8001000Du) return S_OK;
      return DISP_E_MEMBERNOTFOUND;
  }
}

void CDocSink::OnKeyEvent(UINT message) {
  IHTMLEventObj* event = nullptr;
  if (!GetEvent(&event)) return;
  long keyCode = 0;
  VARIANT_BOOL shift = VARIANT_FALSE, control = VARIANT_FALSE, alt = VARIANT_FALSE;
  event->get_keyCode(&keyCode);
  event->get_shiftKey(&shift);
  event->get_ctrlKey(&control);
  event->get_altKey(&alt);
  WPARAM state = (shift ? 1 : 0) | (control ? 2 : 0) | (alt ? 4 : 0);
  LRESULT result = m_pOwner != nullptr ? m_pOwner->SendMessage(message, state, LPARAM(keyCode)) : 0;
  VARIANT ret;
  VariantInit(&ret);
  ret.vt = VT_BOOL;
  ret.boolVal = result == 0 ? VARIANT_TRUE : VARIANT_FALSE;
  event->put_returnValue(ret);
  event->Release();
}

void CDocSink::OnClick() {
  IHTMLEventObj* event = nullptr;
  if (!GetEvent(&event)) return;
  IHTMLElement* element = nullptr;
  if (FAILED(event->get_srcElement(&element)) || element == nullptr) {
    event->Release();
    return;
  }
  AutoVariant href;
  if (GetLinkAttribute(element, u"href", &href.v)) {
    CString url = VariantToText(href.v);
    if (!url.IsEmpty()) {
      AutoVariant targetValue;
      CString target;
      if (GetLinkAttribute(element, u"target", &targetValue.v)) target = VariantToText(targetValue.v);
      if (!url.IsEmpty() && url[url.GetLength() - 1] == u'#') url.Delete(url.GetLength() - 1);
      if (m_pOwner != nullptr) {
        BROWSERLINK link;
        FillBrowserLink(link, url, target);
        m_pOwner->SendMessage(WM_BROWSER_LINK, 0, reinterpret_cast<LPARAM>(&link));
        VARIANT ret;
        VariantInit(&ret);
        ret.vt = VT_BOOL;
        ret.boolVal = VARIANT_FALSE;
        event->put_returnValue(ret);
      }
    }
  }
  element->Release();
  event->Release();
}
