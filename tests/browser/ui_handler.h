// A UI handler for the tests of the document objects and the control: counts its calls, hands
// out an external object and can take a key for itself.
#pragma once

#include "browser/html_com.h"

namespace nuxtest {

// A UI handler that counts its calls and hands out an external object.
class TestHandler final : public IDocHostUIHandler {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT* pt, IUnknown*, IDispatch* element) override {
    ++menus;
    lastX = pt ? pt->x : -1;
    menuOnElement = nux::browser::ElementOf(element) != nullptr;
    return menuResult;
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
    info->dwFlags = 0x40;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                   IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID*, DWORD) override {
    return msg && takeKey && msg->wParam == WPARAM(takeKey) ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** out) override {
    *out = external;
    if (external) external->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, OLECHAR*, OLECHAR**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject**) override { return E_NOTIMPL; }

  ULONG refs = 0;
  int menus = 0;
  long lastX = 0;
  bool menuOnElement = false;
  HRESULT menuResult = S_OK;
  IDispatch* external = nullptr;
  UINT takeKey = 0;  // a key this handler takes for itself (TranslateAccelerator gives S_OK)
};

}  // namespace nuxtest
