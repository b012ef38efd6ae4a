#include "CustomDoc.h"

#include "mfc/modstate.h"
#include "mfc/winapp.h"

CCustomDoc::CCustomDoc(CWnd* pOwner) : m_pOwner(pOwner), m_nRefs(0), m_pExternal(nullptr) {}

HRESULT CCustomDoc::Attach(IHTMLDocument2* pDoc) {
  if (pDoc == nullptr) return 0;
  ICustomDoc* custom = nullptr;
  if (SUCCEEDED(pDoc->QueryInterface(IID_ICustomDoc, reinterpret_cast<void**>(&custom))) && custom != nullptr) {
    custom->SetUIHandler(this);
    custom->Release();
  }
  return 0;
}

HRESULT CCustomDoc::SetExternal(IDispatch* pExternal) {
  m_pExternal = pExternal;
  return 0;
}

HRESULT CCustomDoc::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDocHostUIHandler) return E_NOINTERFACE;
  *ppvObject = static_cast<IDocHostUIHandler*>(this);
  AddRef();
  return S_OK;
}

ULONG CCustomDoc::AddRef() { return ULONG(++m_nRefs); }

ULONG CCustomDoc::Release() {
  long n = --m_nRefs;
  if (n == 0) delete this;
  return ULONG(n);
}

HRESULT CCustomDoc::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
  if (m_pOwner != nullptr && ::IsWindow(m_pOwner->GetSafeHwnd())) m_pOwner->SendMessage(WM_BROWSER_CONTEXTMENU, 0, 0);
  return S_OK;
}

HRESULT CCustomDoc::GetHostInfo(DOCHOSTUIINFO* pInfo) {
  if (pInfo == nullptr) return E_POINTER;
  pInfo->dwFlags = 0;
  pInfo->dwDoubleClick = 0;
  return S_OK;
}

HRESULT CCustomDoc::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                           IOleInPlaceUIWindow*) {
  return S_OK;
}

HRESULT CCustomDoc::HideUI() { return S_OK; }

HRESULT CCustomDoc::UpdateUI() { return S_OK; }

HRESULT CCustomDoc::EnableModeless(BOOL) {
  // The application object of the module decides about its modeless windows itself; the
  // handler only answers whether there is one.
  CWinApp* app = AfxGetModuleState()->m_pCurrentWinApp;
  return app != nullptr ? S_OK : E_FAIL;
}

HRESULT CCustomDoc::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }

HRESULT CCustomDoc::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }

HRESULT CCustomDoc::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }

HRESULT CCustomDoc::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }

HRESULT CCustomDoc::GetOptionKeyPath(LPOLESTR*, DWORD) { return E_NOTIMPL; }

HRESULT CCustomDoc::GetDropTarget(IDropTarget*, IDropTarget**) { return E_NOTIMPL; }

HRESULT CCustomDoc::GetExternal(IDispatch** ppDispatch) {
  if (ppDispatch == nullptr) return E_POINTER;
  *ppDispatch = m_pExternal;
  if (m_pExternal != nullptr) m_pExternal->AddRef();
  return S_OK;
}

HRESULT CCustomDoc::TranslateUrl(DWORD, OLECHAR*, OLECHAR**) { return E_NOTIMPL; }

HRESULT CCustomDoc::FilterDataObject(IDataObject*, IDataObject**) { return E_NOTIMPL; }
