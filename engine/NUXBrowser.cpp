// The browser host: creation, navigation, document access, the control's events and the
// host window's messages. Page building, the bookmark store and printing have files of their
// own (NUXBrowserPage.cpp, NUXBrowserBookmarks.cpp, NUXBrowserPrint.cpp).
#include "NUXBrowser.h"

#include "browser/webbrowser.h"
#include "gdi/gdi.h"

namespace {

constexpr UINT kControlID = 100;
constexpr UINT_PTR kPageTimer = 1;
constexpr UINT_PTR kRedrawTimer = 2;
constexpr UINT kTimerDelay = 25;

CString BstrText(BSTR b) { return b != nullptr ? CString(b, int(SysStringLen(b))) : CString(); }

// The text of a VARIANT (also one passed by reference); "" for anything else.
CString VariantText(const VARIANT* v) {
  if (v != nullptr && v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
  if (v == nullptr) return CString();
  if (v->vt == VT_BSTR) return BstrText(v->bstrVal);
  if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal != nullptr) return BstrText(*v->pbstrVal);
  return CString();
}

}  // namespace

BEGIN_MESSAGE_MAP(CNUXBrowser, CWnd)
  ON_WM_DESTROY()
  ON_WM_ERASEBKGND()
  ON_WM_SIZE()
  ON_WM_TIMER()
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CNUXBrowser, CWnd)
  ON_EVENT(CNUXBrowser, kControlID, 259, CNUXBrowser::OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
  ON_EVENT(CNUXBrowser, kControlID, 250, CNUXBrowser::OnBeforeNavigate2,
           VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
  ON_EVENT(CNUXBrowser, kControlID, 225, CNUXBrowser::OnPrintTemplateInstantiation, VTS_DISPATCH)
  ON_EVENT(CNUXBrowser, kControlID, 226, CNUXBrowser::OnPrintTemplateTeardown, VTS_DISPATCH)
END_EVENTSINK_MAP()

CNUXBrowser::CNUXBrowser()
    : m_bLoadPending(TRUE),
      m_bPrinting(FALSE),
      m_bUIHandler(FALSE),
      m_bEventSink(FALSE),
      m_bBookmarksEnabled(FALSE),
      m_bInterceptLinks(FALSE),
      m_bRedrawParent(TRUE),
      m_pOwner(nullptr),
      m_nControlID(0),
      m_pEventSink(nullptr),
      m_pExternal(nullptr),
      m_nZoom(2),
      m_strPrintHeader(BROWSER_STANDARD_HEADER),
      m_strPrintFooter(BROWSER_STANDARD_FOOTER),
      m_pBookmarkDB(nullptr),
      m_lContentID(0),
      m_pContentDB(nullptr),
      m_bSetupSaved(FALSE) {}

CNUXBrowser::~CNUXBrowser() {
  delete m_pEventSink;
  m_pEventSink = nullptr;
  delete m_pBookmarkDB;
  m_pBookmarkDB = nullptr;
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) DestroyWindow();
}

// ---- creation ----------------------------------------------------------------------------

BOOL CNUXBrowser::CreateInPlace(CWnd* pDialog, UINT nPlaceholderID, LPCWSTR lpszPath) {
  if (pDialog == nullptr) return FALSE;
  CWnd* item = pDialog->GetDlgItem(int(nPlaceholderID));
  if (item == nullptr) return FALSE;
  CRect rect;
  item->GetWindowRect(&rect);
  item->ShowWindow(SW_HIDE);
  pDialog->ScreenToClient(&rect);
  return CreateChild(pDialog, WS_CHILD, rect, nPlaceholderID, lpszPath);
}

BOOL CNUXBrowser::CreateChild(CWnd* pDialog, DWORD dwStyle, const RECT& rect, UINT nID, LPCWSTR lpszPath) {
  m_nControlID = nID;
  return CreateHostWindow(pDialog, u"NUXBrowser", dwStyle, rect, nID, lpszPath);
}

BOOL CNUXBrowser::Create(CWnd* pDialog, DWORD dwStyle, const RECT& rect, LPCWSTR lpszPath) {
  return CreateHostWindow(pDialog, u"NUXBrowserEx", dwStyle, rect, 0, lpszPath);
}

BOOL CNUXBrowser::CreateHostWindow(CWnd* pDialog, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, UINT nID,
                                   LPCWSTR lpszPath) {
  m_pOwner = pDialog;
  m_strCurrentPath = lpszPath != nullptr ? lpszPath : u"";
  LPCWSTR cls = AfxRegisterWndClass(CS_OWNDC, ::LoadCursorW(nullptr, IDC_ARROW),
                                    static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)), nullptr);
  if (!CreateEx(0, cls, lpszWindowName, dwStyle, rect, pDialog, nID)) return FALSE;
  return CreateBrowserControl();
}

BOOL CNUXBrowser::CreateBrowserControl() {
  CRect client;
  GetClientRect(&client);
  if (!m_wndBrowser.Create(nullptr, u"IEChild", WS_CHILD | WS_VISIBLE, client, this, kControlID)) return FALSE;
  try {
    m_wndBrowser.SetAddressBar(FALSE);
    m_wndBrowser.SetStatusBar(FALSE);
    m_wndBrowser.SetMenuBar(FALSE);
    m_wndBrowser.SetVisible(TRUE);
  } catch (CException* e) {
    e->Delete();
  }
  m_wndBrowser.EnableWindow(TRUE);
  m_wndBrowser.SetFocus();
  SetWindowPos(&wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ShowCurrentPath();
  return TRUE;
}

void CNUXBrowser::EnableUIHandler(BOOL bEnable, IDispatch* pExternal) {
  m_bUIHandler = bEnable;
  m_pExternal = pExternal;
}

// ---- navigation --------------------------------------------------------------------------

void CNUXBrowser::Navigate(LPCWSTR lpszPath) {
  CString path = lpszPath != nullptr ? lpszPath : u"";
  if (path == m_strCurrentPath) return;
  m_strCurrentPath = path;
  ShowCurrentPath();
}

void CNUXBrowser::ShowCurrentPath() {
  CString location;
  if (m_wndBrowser.GetSafeHwnd() != nullptr) {
    try {
      location = m_wndBrowser.GetLocationURL();
    } catch (CException* e) {
      e->Delete();
    }
  }
  if (location.Left(8) == u"file:///") {
    location = location.Mid(8);
    location.Replace(u"/", u"\\");
    location.Replace(u"%20", u" ");
    if (location == m_strCurrentPath) return;
  }
  LoadPath(m_strCurrentPath);
}

void CNUXBrowser::LoadPath(LPCWSTR lpszPath) {
  if (m_bPrinting) {
    // The load is dropped: the path must not count as shown, or asking for it again after
    // printing would load nothing.
    if (m_strCurrentPath == lpszPath) m_strCurrentPath.Empty();
    return;
  }
  if (m_wndBrowser.GetSafeHwnd() == nullptr) return;
  m_bLoadPending = TRUE;
  VARIANT flags, none;
  VariantInit(&flags);
  VariantInit(&none);
  flags.vt = VT_I4;
  flags.lVal = navNoHistory | navNoReadFromCache;
  try {
    m_wndBrowser.Navigate(lpszPath, &flags, &none, &none, &none);
  } catch (CException* e) {
    e->Delete();
  }
}

// ---- document access ---------------------------------------------------------------------

IHTMLDocument2* CNUXBrowser::GetDocument() {
  if (m_wndBrowser.GetSafeHwnd() == nullptr) return nullptr;
  LPDISPATCH disp = nullptr;
  try {
    disp = m_wndBrowser.GetDocument();
  } catch (CException* e) {
    e->Delete();
    return nullptr;
  }
  if (disp == nullptr) return nullptr;
  IHTMLDocument2* doc = nullptr;
  if (FAILED(disp->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&doc)))) doc = nullptr;
  disp->Release();
  return doc;
}

IHTMLElement* CNUXBrowser::GetBody() {
  IHTMLDocument2* doc = GetDocument();
  if (doc == nullptr) return nullptr;
  IHTMLElement* body = nullptr;
  if (FAILED(doc->get_body(&body))) body = nullptr;
  doc->Release();
  return body;
}

CString CNUXBrowser::GetBodyHTML() {
  IHTMLElement* body = GetBody();
  if (body == nullptr) return CString();
  BSTR html = nullptr;
  CString text;
  if (SUCCEEDED(body->get_innerHTML(&html))) text = BstrText(html);
  SysFreeString(html);
  body->Release();
  return text;
}

void CNUXBrowser::SetBodyHTML(const CString& text) {
  IHTMLElement* body = GetBody();
  if (body == nullptr) return;
  BSTR html = SysAllocStringLen(text.GetString(), UINT(text.GetLength()));
  body->put_innerHTML(html);
  SysFreeString(html);
  body->Release();
}

BOOL CNUXBrowser::HasSelection() {
  IHTMLDocument2* doc = GetDocument();
  if (doc == nullptr) return FALSE;
  BOOL result = FALSE;
  IHTMLSelectionObject* selection = nullptr;
  if (SUCCEEDED(doc->get_selection(&selection)) && selection != nullptr) {
    BSTR type = nullptr;
    if (SUCCEEDED(selection->get_type(&type))) result = BstrText(type) != u"None";
    SysFreeString(type);
    selection->Release();
  }
  doc->Release();
  return result;
}

void CNUXBrowser::ScrollTo(long x, long y) {
  IHTMLDocument2* doc = GetDocument();
  if (doc == nullptr) return;
  IHTMLWindow2* window = nullptr;
  if (SUCCEEDED(doc->get_parentWindow(&window)) && window != nullptr) {
    window->scrollTo(0, 0);
    window->scrollTo(x, y);
    window->Release();
  }
  doc->Release();
}

BOOL CNUXBrowser::GetScrollPos(long& x, long& y) {
  IHTMLElement* body = GetBody();
  if (body == nullptr) return FALSE;
  IHTMLElement2* body2 = nullptr;
  BOOL ok = FALSE;
  if (SUCCEEDED(body->QueryInterface(IID_IHTMLElement2, reinterpret_cast<void**>(&body2))) && body2 != nullptr) {
    long left = 0, top = 0;
    body2->get_scrollLeft(&left);
    body2->get_scrollTop(&top);
    x = left;
    y = top;
    ok = TRUE;
    body2->Release();
  }
  body->Release();
  return ok;
}

namespace {

// The element of that name in a collection (the first of several); null when none.
IHTMLElement* ItemOf(IHTMLElementCollection* collection, LPCWSTR lpszName) {
  if (collection == nullptr || lpszName == nullptr) return nullptr;
  VARIANT name, index;
  VariantInit(&name);
  VariantInit(&index);
  name.vt = VT_BSTR;
  name.bstrVal = SysAllocString(lpszName);
  index.vt = VT_I4;
  index.lVal = 0;
  IDispatch* disp = nullptr;
  IHTMLElement* element = nullptr;
  if (SUCCEEDED(collection->item(name, index, &disp)) && disp != nullptr) {
    if (FAILED(disp->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&element)))) element = nullptr;
    disp->Release();
  }
  VariantClear(&name);
  return element;
}

}  // namespace

IHTMLElement* CNUXBrowser::FindAnchor(LPCWSTR lpszName) {
  IHTMLDocument2* doc = GetDocument();
  if (doc == nullptr) return nullptr;
  IHTMLElementCollection* anchors = nullptr;
  IHTMLElement* element = nullptr;
  if (SUCCEEDED(doc->get_anchors(&anchors)) && anchors != nullptr) {
    element = ItemOf(anchors, lpszName);
    anchors->Release();
  }
  doc->Release();
  return element;
}

IHTMLElement* CNUXBrowser::FindElement(LPCWSTR lpszName) {
  IHTMLDocument2* doc = GetDocument();
  if (doc == nullptr) return nullptr;
  IHTMLElementCollection* all = nullptr;
  IHTMLElement* element = nullptr;
  if (SUCCEEDED(doc->get_all(&all)) && all != nullptr) {
    element = ItemOf(all, lpszName);
    all->Release();
  }
  doc->Release();
  return element;
}

BOOL CNUXBrowser::GoToAnchor(LPCWSTR lpszName) {
  if (m_bLoadPending) {
    m_strPendingAnchor = lpszName;
    return TRUE;
  }
  IHTMLElement* anchor = FindAnchor(lpszName);
  if (anchor == nullptr) return FALSE;
  VARIANT top;
  VariantInit(&top);
  top.vt = VT_BOOL;
  top.boolVal = VARIANT_TRUE;
  anchor->scrollIntoView(top);
  anchor->Release();
  return TRUE;
}

BOOL CNUXBrowser::ScrollToElement(LPCWSTR lpszName) {
  IHTMLElement* element = FindElement(lpszName);
  if (element == nullptr) return FALSE;
  VARIANT top;
  VariantInit(&top);
  top.vt = VT_BOOL;
  top.boolVal = VARIANT_TRUE;
  element->scrollIntoView(top);
  element->Release();
  return TRUE;
}

void CNUXBrowser::Copy() {
  if (m_wndBrowser.GetSafeHwnd() == nullptr) return;
  try {
    m_wndBrowser.ExecWB(OLECMDID_COPY, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
  } catch (CException* e) {
    e->Delete();
  }
}

void CNUXBrowser::ClearSelection() {
  if (m_wndBrowser.GetSafeHwnd() == nullptr) return;
  try {
    m_wndBrowser.ExecWB(OLECMDID_CLEARSELECTION, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
  } catch (CException* e) {
    e->Delete();
  }
}

// ---- control events ----------------------------------------------------------------------

CWnd* CNUXBrowser::GetNotifyParent() {
  CWnd* parent = m_hWnd != nullptr ? GetParent() : nullptr;
  if (parent == nullptr || parent->GetSafeHwnd() == nullptr) parent = m_pOwner;
  return parent;
}

void CNUXBrowser::OnDocumentComplete(LPDISPATCH, VARIANT*) {
  if (IHTMLDocument2* doc = GetDocument()) {
    if (m_bUIHandler) {
      auto* handler = new CCustomDoc(m_pOwner);
      handler->AddRef();  // ours while it is attached
      handler->Attach(doc);
      if (m_pExternal != nullptr) handler->SetExternal(m_pExternal);
      handler->Release();  // the document holds it now (or nobody, and it is gone)
    }
    delete m_pEventSink;
    m_pEventSink = nullptr;
    if (m_bEventSink) {
      m_pEventSink = new CDocSink;
      m_pEventSink->Advise(doc);
      m_pEventSink->SetOwner(m_pOwner);
    }
    VARIANT zoom;
    VariantInit(&zoom);
    zoom.vt = VT_I4;
    zoom.lVal = m_nZoom;
    try {
      m_wndBrowser.ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &zoom, nullptr);
    } catch (CException* e) {
      e->Delete();
    }
    doc->Release();
  }
  m_bLoadPending = FALSE;
  if (!m_strPendingAnchor.IsEmpty() && GoToAnchor(m_strPendingAnchor)) m_strPendingAnchor.Empty();
  if (CWnd* parent = GetNotifyParent()) parent->SendMessage(WM_BROWSER_PAGEREADY, m_nControlID, 0);
  if (m_hWnd == nullptr) return;  // the parent's handler may have closed us
  if (m_bRedrawParent) SetTimer(kRedrawTimer, kTimerDelay, nullptr);
  ShowWindow(SW_SHOW);
}

void CNUXBrowser::OnBeforeNavigate2(LPDISPATCH, VARIANT* URL, VARIANT*, VARIANT* TargetFrameName, VARIANT*, VARIANT*,
                                    BOOL* Cancel) {
  if (!m_bInterceptLinks || m_bLoadPending) return;
  BROWSERLINK link;
  FillBrowserLink(link, VariantText(URL), VariantText(TargetFrameName));
  if (CWnd* parent = GetNotifyParent()) parent->SendMessage(WM_BROWSER_LINK, m_nControlID, reinterpret_cast<LPARAM>(&link));
  if (Cancel != nullptr) *Cancel = TRUE;
}

// ---- window messages ---------------------------------------------------------------------

void CNUXBrowser::OnDestroy() {
  delete m_pEventSink;
  m_pEventSink = nullptr;
  if (m_wndBrowser.GetSafeHwnd() != nullptr) m_wndBrowser.DestroyWindow();
  CWnd::OnDestroy();
}

BOOL CNUXBrowser::OnEraseBkgnd(CDC*) { return TRUE; }

void CNUXBrowser::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  if (m_wndBrowser.GetSafeHwnd() != nullptr)
    m_wndBrowser.SetWindowPos(nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void CNUXBrowser::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kPageTimer) {
    if (m_bLoadPending) return;
    KillTimer(kPageTimer);
    CString page = m_strKeptPage;
    SetPage(page);
  } else if (nIDEvent == kRedrawTimer) {
    KillTimer(kRedrawTimer);
    if (CWnd* parent = GetNotifyParent()) {
      parent->ShowWindow(SW_SHOW);
      parent->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
    }
  }
}

BOOL CNUXBrowser::PreTranslateMessage(MSG* pMsg) {
  if (IsDialogMessage(pMsg)) return TRUE;
  return CWnd::PreTranslateMessage(pMsg);
}
