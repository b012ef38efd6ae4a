// The listener on a document's events: link clicks, mouse buttons and keys become window
// messages to the owning dialog (0x465 with a link request block, 0x466 to 0x46A). The
// browser host owns it and deletes it with delete, which disconnects it first.
#pragma once

#include "browser/html_interfaces.h"
#include "mfc/afxwin.h"

#define WM_BROWSER_LINK (WM_USER + 101)
#define WM_BROWSER_MOUSEDOWN (WM_USER + 102)
#define WM_BROWSER_MOUSEUP (WM_USER + 103)
#define WM_BROWSER_KEYPRESS (WM_USER + 104)
#define WM_BROWSER_KEYDOWN (WM_USER + 105)
#define WM_BROWSER_KEYUP (WM_USER + 106)

// The message format behind lParam of WM_BROWSER_LINK: 768 bytes of UTF-16, the link's
// address (at most 255 characters) and its target frame name (at most 127), each terminated.
struct BROWSERLINK {
  WCHAR szURL[256];
  WCHAR szTarget[128];
};
static_assert(sizeof(BROWSERLINK) == 768, "the link request block is 768 bytes");

// Fills a link request block: both texts cut to their room and terminated; the rest zero.
void FillBrowserLink(BROWSERLINK& link, LPCWSTR url, LPCWSTR target);

// TRUE when the element, or one of its ancestors below the body, carries the attribute
// (an image's href does not count); the value is left in the out variant.
BOOL GetLinkAttribute(IHTMLElement* pElement, LPCWSTR lpszName, VARIANT* pValue);

class CDocSink : public IDispatch {
 public:
  CDocSink();
  virtual ~CDocSink();
  CDocSink(const CDocSink&) = delete;
  CDocSink& operator=(const CDocSink&) = delete;

  // Connects to the document's HTMLDocumentEvents; the first failing HRESULT or the
  // connection's result.
  HRESULT Advise(IHTMLDocument2* pDoc);
  void SetOwner(CWnd* pOwner) { m_pOwner = pOwner; }
  // The document window's current event object (with a reference); FALSE without one.
  BOOL GetEvent(IHTMLEventObj** ppEvent);

  // IUnknown: IUnknown and IDispatch are this object; other interfaces E_NOINTERFACE.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  // IDispatch
  STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override;
  STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  STDMETHOD(Invoke)(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                    VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

 protected:
  void OnClick();
  void OnKeyEvent(UINT message);

  IHTMLDocument2* m_pDoc;
  long m_nRefs;
  IConnectionPoint* m_pConnection;
  HRESULT m_hrAdvise;
  DWORD m_dwCookie;
  CWnd* m_pOwner;
};
