#include "mfc/oledragdrop.h"

#include <cstring>

#include "memory/memory.h"
#include "mfc/wnd.h"
#include "ui/window.h"

IMPLEMENT_DYNAMIC(COleDropSource, CCmdTarget)
IMPLEMENT_DYNAMIC(COleDataSource, CCmdTarget)

namespace {
HRESULT AnswerInterface(IUnknown* self, REFIID riid, const IID& own, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == own) {
    *ppv = self;
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}
}  // namespace

COleDropSource::COleDropSource() { m_xDropSource.owner = this; }
COleDropSource::~COleDropSource() = default;

SCODE COleDropSource::QueryContinueDrag(BOOL bEscapePressed, DWORD dwKeyState) {
  if (bEscapePressed) return DRAGDROP_S_CANCEL;
  if (!(dwKeyState & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
  return S_OK;
}

SCODE COleDropSource::GiveFeedback(DROPEFFECT dropEffect) {
  (void)dropEffect;
  return DRAGDROP_S_USEDEFAULTCURSORS;
}

BOOL COleDropSource::OnBeginDrag(CWnd* pWnd) {
  (void)pWnd;
  return ((GetKeyState(VK_LBUTTON) | GetKeyState(VK_RBUTTON)) & 0x8000) != 0;
}

HRESULT COleDropSource::XDropSource::QueryInterface(REFIID riid, void** ppv) {
  return AnswerInterface(this, riid, IID_IDropSource, ppv);
}

COleDataSource::COleDataSource() { m_xDataObject.owner = this; }
COleDataSource::~COleDataSource() { Empty(); }

void COleDataSource::CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal, LPFORMATETC lpFormatEtc) {
  (void)lpFormatEtc;
  for (Entry& e : m_entries) {
    if (e.format == cfFormat) {
      if (e.block != hGlobal) GlobalFree(e.block);
      e.block = hGlobal;
      return;
    }
  }
  m_entries.push_back(Entry{cfFormat, hGlobal});
}

void COleDataSource::Empty() {
  for (Entry& e : m_entries) {
    if (e.block) GlobalFree(e.block);
  }
  m_entries.clear();
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD dwEffects, LPCRECT lpRectStartDrag, COleDropSource* pDropSource) {
  (void)lpRectStartDrag;
  COleDropSource fallback;
  COleDropSource* source = pDropSource ? pDropSource : &fallback;
  if (!source->OnBeginDrag(CWnd::GetCapture())) return DROPEFFECT_NONE;
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = ::DoDragDrop(GetInterface(), source->GetInterface(), dwEffects, &effect);
  return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

HRESULT COleDataSource::XDataObject::QueryInterface(REFIID riid, void** ppv) {
  return AnswerInterface(this, riid, IID_IDataObject, ppv);
}

HRESULT COleDataSource::XDataObject::QueryGetData(FORMATETC* pformatetc) {
  if (!pformatetc) return E_INVALIDARG;
  if (!(pformatetc->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
  for (const Entry& e : owner->m_entries) {
    if (e.format == pformatetc->cfFormat) return S_OK;
  }
  return DV_E_FORMATETC;
}

HRESULT COleDataSource::XDataObject::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) {
  if (!pmedium) return E_INVALIDARG;
  HRESULT hr = QueryGetData(pformatetcIn);
  if (FAILED(hr)) return hr;
  for (const Entry& e : owner->m_entries) {
    if (e.format != pformatetcIn->cfFormat) continue;
    SIZE_T size = GlobalSize(e.block);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy) return E_OUTOFMEMORY;
    void* to = GlobalLock(copy);
    const void* from = GlobalLock(e.block);
    if (to && from && size) std::memcpy(to, from, size);
    GlobalUnlock(e.block);
    GlobalUnlock(copy);
    pmedium->tymed = TYMED_HGLOBAL;
    pmedium->hGlobal = copy;
    pmedium->pUnkForRelease = nullptr;
    return S_OK;
  }
  return DV_E_FORMATETC;
}
