// The UI handler the browser host attaches to each document: no context menu or user
// interface of the browser's own; a context-menu request goes to the owning dialog as 0x52D.
// The object counts its references and deletes itself when the last goes; the document it is
// attached to holds it.
#pragma once

#include "browser/html_interfaces.h"
#include "mfc/afxwin.h"

#define WM_BROWSER_CONTEXTMENU (WM_USER + 301)

class CCustomDoc : public IDocHostUIHandler {
 public:
  explicit CCustomDoc(CWnd* pOwner);
  virtual ~CCustomDoc() = default;
  CCustomDoc(const CCustomDoc&) = delete;
  CCustomDoc& operator=(const CCustomDoc&) = delete;

  // Makes this object the document's UI handler (through its ICustomDoc).
  HRESULT Attach(IHTMLDocument2* pDoc);
  // The object scripts of the page reach as window.external (kept without a reference).
  HRESULT SetExternal(IDispatch* pExternal);

  // IUnknown: IUnknown and IDocHostUIHandler are this object; other interfaces E_NOINTERFACE.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IDocHostUIHandler
  STDMETHOD(ShowContextMenu)(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) override;
  STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* pInfo) override;
  STDMETHOD(ShowUI)(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                    IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) override;
  STDMETHOD(HideUI)() override;
  STDMETHOD(UpdateUI)() override;
  STDMETHOD(EnableModeless)(BOOL fEnable) override;
  STDMETHOD(OnDocWindowActivate)(BOOL fActivate) override;
  STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) override;
  STDMETHOD(ResizeBorder)(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) override;
  STDMETHOD(TranslateAccelerator)(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;
  STDMETHOD(GetOptionKeyPath)(LPOLESTR* pchKey, DWORD dw) override;
  STDMETHOD(GetDropTarget)(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
  STDMETHOD(GetExternal)(IDispatch** ppDispatch) override;
  STDMETHOD(TranslateUrl)(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut) override;
  STDMETHOD(FilterDataObject)(IDataObject* pDO, IDataObject** ppDORet) override;

 protected:
  CWnd* m_pOwner;
  long m_nRefs;
  IDispatch* m_pExternal;
};
