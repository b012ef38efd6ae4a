// The COM face of the document model: the interfaces through which the system's code reaches
// documents, elements, collections, text ranges, the selection, the window, the event object,
// the document's connection points and its UI handler. They hold the members the browser
// host and its document objects call, with HRESULT results and BSTR / VARIANT arguments:
//  - out pointers must not be null (E_POINTER); interfaces handed out carry a reference;
//  - a look-up that finds nothing answers S_OK with a null pointer (or VT_NULL);
//  - strings handed out are BSTRs the caller frees with SysFreeString.
// The objects are made by html_com.cpp over the C++ model of dom.h and textmodel.h.
#pragma once

#include "com/connpt.h"
#include "com/oleauto.h"
#include "com/unknown.h"
#include "ui/window.h"

struct IHTMLDocument2;
struct IHTMLElement;
struct IHTMLTxtRange;
struct IHTMLEventObj;
struct IHTMLElementCollection;
struct IDocHostUIHandler;

extern const IID IID_IHTMLDocument2;
extern const IID IID_IHTMLDocument3;
extern const IID IID_IHTMLElement;
extern const IID IID_IHTMLElement2;
extern const IID IID_IHTMLBodyElement;
extern const IID IID_IHTMLElementCollection;
extern const IID IID_IHTMLTxtRange;
extern const IID IID_IHTMLSelectionObject;
extern const IID IID_IHTMLWindow2;
extern const IID IID_IHTMLEventObj;
extern const IID IID_ICustomDoc;
extern const IID IID_IDocHostUIHandler;
extern const IID DIID_HTMLDocumentEvents;  // {3050F260-98B5-11CF-BB82-00AA00BDCE0B}

// Dispatch ids of the document events, as the sinks receive them through Invoke.
#define DISPID_HTMLDOCUMENTEVENTS_ONCLICK (-600)
#define DISPID_HTMLDOCUMENTEVENTS_ONDBLCLICK (-601)
#define DISPID_HTMLDOCUMENTEVENTS_ONKEYDOWN (-602)
#define DISPID_HTMLDOCUMENTEVENTS_ONKEYPRESS (-603)
#define DISPID_HTMLDOCUMENTEVENTS_ONKEYUP (-604)
#define DISPID_HTMLDOCUMENTEVENTS_ONMOUSEDOWN (-605)
#define DISPID_HTMLDOCUMENTEVENTS_ONMOUSEMOVE (-606)
#define DISPID_HTMLDOCUMENTEVENTS_ONMOUSEUP (-607)
#define DISPID_HTMLDOCUMENTEVENTS_ONREADYSTATECHANGE (-609)
#define DISPID_HTMLDOCUMENTEVENTS_ONCONTEXTMENU 1023

// ---- collections, elements --------------------------------------------------------------------

struct IHTMLElementCollection : public IDispatch {
  STDMETHOD(get_length)(long* p) = 0;
  // name: a number (the element at that index) or a text (the elements whose id or name it
  // is). With a number as index, the index-th of those is handed out; without (VT_EMPTY or
  // VT_ERROR), one match is the element itself and several are a collection of them.
  STDMETHOD(item)(VARIANT name, VARIANT index, IDispatch** pdisp) = 0;
  STDMETHOD(tags)(VARIANT tagName, IDispatch** pdisp) = 0;

 protected:
  ~IHTMLElementCollection() = default;
};

struct IHTMLElement : public IDispatch {
  // lFlags: 1 matches the name with case; 2 gives the value as written. With 0, the href of
  // A, AREA, LINK, BASE and the src of IMG, SCRIPT, FRAME, IFRAME, INPUT, EMBED are resolved
  // against the document's address. A missing attribute gives VT_NULL.
  STDMETHOD(setAttribute)(BSTR strAttributeName, VARIANT AttributeValue, LONG lFlags) = 0;
  STDMETHOD(getAttribute)(BSTR strAttributeName, LONG lFlags, VARIANT* AttributeValue) = 0;
  STDMETHOD(removeAttribute)(BSTR strAttributeName, LONG lFlags, VARIANT_BOOL* pfSuccess) = 0;
  STDMETHOD(put_className)(BSTR v) = 0;
  STDMETHOD(get_className)(BSTR* p) = 0;
  STDMETHOD(put_id)(BSTR v) = 0;
  STDMETHOD(get_id)(BSTR* p) = 0;
  STDMETHOD(get_tagName)(BSTR* p) = 0;
  STDMETHOD(get_parentElement)(IHTMLElement** p) = 0;
  STDMETHOD(get_document)(IDispatch** p) = 0;
  STDMETHOD(scrollIntoView)(VARIANT varargStart) = 0;
  STDMETHOD(contains)(IHTMLElement* pChild, VARIANT_BOOL* pfResult) = 0;
  STDMETHOD(put_innerHTML)(BSTR v) = 0;
  STDMETHOD(get_innerHTML)(BSTR* p) = 0;
  STDMETHOD(put_innerText)(BSTR v) = 0;
  STDMETHOD(get_innerText)(BSTR* p) = 0;
  STDMETHOD(put_outerHTML)(BSTR v) = 0;
  STDMETHOD(get_outerHTML)(BSTR* p) = 0;
  // where: "beforeBegin", "afterBegin", "beforeEnd", "afterEnd" (any case).
  STDMETHOD(insertAdjacentHTML)(BSTR where, BSTR html) = 0;
  STDMETHOD(get_children)(IDispatch** p) = 0;
  STDMETHOD(get_all)(IDispatch** p) = 0;
  STDMETHOD(click)() = 0;

 protected:
  ~IHTMLElement() = default;
};

// Scroll positions: the body's are the document window's; other elements do not scroll.
struct IHTMLElement2 : public IDispatch {
  STDMETHOD(put_scrollTop)(long v) = 0;
  STDMETHOD(get_scrollTop)(long* p) = 0;
  STDMETHOD(put_scrollLeft)(long v) = 0;
  STDMETHOD(get_scrollLeft)(long* p) = 0;
  STDMETHOD(getElementsByTagName)(BSTR v, IHTMLElementCollection** pelColl) = 0;
  // From the layout: the body's are the page's and its window's, another element's its box.
  STDMETHOD(get_scrollHeight)(long* p) = 0;
  STDMETHOD(get_scrollWidth)(long* p) = 0;
  STDMETHOD(get_clientHeight)(long* p) = 0;
  STDMETHOD(get_clientWidth)(long* p) = 0;

 protected:
  ~IHTMLElement2() = default;
};

struct IHTMLBodyElement : public IDispatch {
  STDMETHOD(createTextRange)(IHTMLTxtRange** range) = 0;

 protected:
  ~IHTMLBodyElement() = default;
};

// ---- text ranges and selection ---------------------------------------------------------------

struct IHTMLTxtRange : public IDispatch {
  STDMETHOD(get_htmlText)(BSTR* p) = 0;
  STDMETHOD(put_text)(BSTR v) = 0;
  STDMETHOD(get_text)(BSTR* p) = 0;
  STDMETHOD(parentElement)(IHTMLElement** parent) = 0;
  STDMETHOD(duplicate)(IHTMLTxtRange** Duplicate) = 0;
  STDMETHOD(inRange)(IHTMLTxtRange* Range, VARIANT_BOOL* InRange) = 0;
  STDMETHOD(isEqual)(IHTMLTxtRange* Range, VARIANT_BOOL* IsEqual) = 0;
  STDMETHOD(scrollIntoView)(VARIANT_BOOL fStart) = 0;
  STDMETHOD(collapse)(VARIANT_BOOL Start) = 0;
  // unit: "character", "word", "textedit" (any case); E_INVALIDARG for others.
  STDMETHOD(move)(BSTR Unit, long Count, long* ActualCount) = 0;
  STDMETHOD(moveStart)(BSTR Unit, long Count, long* ActualCount) = 0;
  STDMETHOD(moveEnd)(BSTR Unit, long Count, long* ActualCount) = 0;
  STDMETHOD(select)() = 0;
  STDMETHOD(pasteHTML)(BSTR html) = 0;
  STDMETHOD(moveToElementText)(IHTMLElement* element) = 0;
  STDMETHOD(setEndPoint)(BSTR how, IHTMLTxtRange* SourceRange) = 0;
  STDMETHOD(compareEndPoints)(BSTR how, IHTMLTxtRange* SourceRange, long* ret) = 0;
  // flags: 1 backward, 2 whole words, 4 match case.
  STDMETHOD(findText)(BSTR String, long count, long Flags, VARIANT_BOOL* Success) = 0;

 protected:
  ~IHTMLTxtRange() = default;
};

struct IHTMLSelectionObject : public IDispatch {
  // A text range over the selection (a copy: moving it does not move the selection).
  STDMETHOD(createRange)(IDispatch** range) = 0;
  STDMETHOD(empty)() = 0;  // nothing selected any more
  STDMETHOD(clear)() = 0;  // the selected content is deleted
  STDMETHOD(get_type)(BSTR* p) = 0;  // "None" or "Text"

 protected:
  ~IHTMLSelectionObject() = default;
};

// ---- window and events ---------------------------------------------------------------------------

struct IHTMLEventObj : public IDispatch {
  STDMETHOD(get_srcElement)(IHTMLElement** p) = 0;
  STDMETHOD(get_altKey)(VARIANT_BOOL* p) = 0;
  STDMETHOD(get_ctrlKey)(VARIANT_BOOL* p) = 0;
  STDMETHOD(get_shiftKey)(VARIANT_BOOL* p) = 0;
  // VT_BOOL VARIANT_FALSE (or a number 0) cancels the default action; VT_EMPTY unsets.
  STDMETHOD(put_returnValue)(VARIANT v) = 0;
  STDMETHOD(get_returnValue)(VARIANT* p) = 0;
  STDMETHOD(put_cancelBubble)(VARIANT_BOOL v) = 0;
  STDMETHOD(get_cancelBubble)(VARIANT_BOOL* p) = 0;
  STDMETHOD(put_keyCode)(long v) = 0;
  STDMETHOD(get_keyCode)(long* p) = 0;
  STDMETHOD(get_button)(long* p) = 0;
  STDMETHOD(get_type)(BSTR* p) = 0;
  STDMETHOD(get_clientX)(long* p) = 0;
  STDMETHOD(get_clientY)(long* p) = 0;

 protected:
  ~IHTMLEventObj() = default;
};

struct IHTMLWindow2 : public IDispatch {
  STDMETHOD(get_document)(IHTMLDocument2** p) = 0;
  STDMETHOD(get_event)(IHTMLEventObj** p) = 0;  // null outside an event
  STDMETHOD(scrollTo)(long x, long y) = 0;
  STDMETHOD(scrollBy)(long x, long y) = 0;
  // What the UI handler's GetExternal hands out; null without one.
  STDMETHOD(get_external)(IDispatch** p) = 0;

 protected:
  ~IHTMLWindow2() = default;
};

// ---- documents --------------------------------------------------------------------------------

struct IHTMLSelectionObject;

struct IHTMLDocument2 : public IDispatch {
  STDMETHOD(get_all)(IHTMLElementCollection** p) = 0;
  STDMETHOD(get_body)(IHTMLElement** p) = 0;
  STDMETHOD(get_anchors)(IHTMLElementCollection** p) = 0;  // A elements with a name or id
  STDMETHOD(get_links)(IHTMLElementCollection** p) = 0;
  STDMETHOD(get_title)(BSTR* p) = 0;
  STDMETHOD(put_title)(BSTR v) = 0;
  STDMETHOD(get_selection)(IHTMLSelectionObject** p) = 0;
  STDMETHOD(get_parentWindow)(IHTMLWindow2** p) = 0;
  STDMETHOD(get_URL)(BSTR* p) = 0;
  STDMETHOD(get_readyState)(BSTR* p) = 0;  // "complete"

 protected:
  ~IHTMLDocument2() = default;
};

struct IHTMLDocument3 : public IDispatch {
  STDMETHOD(get_documentElement)(IHTMLElement** p) = 0;
  STDMETHOD(getElementById)(BSTR v, IHTMLElement** pel) = 0;
  STDMETHOD(getElementsByName)(BSTR v, IHTMLElementCollection** pelColl) = 0;
  STDMETHOD(getElementsByTagName)(BSTR v, IHTMLElementCollection** pelColl) = 0;

 protected:
  ~IHTMLDocument3() = default;
};

// ---- the UI handler -----------------------------------------------------------------------------

struct IOleInPlaceActiveObject;
struct IOleCommandTarget;
struct IOleInPlaceFrame;
struct IOleInPlaceUIWindow;
struct IDropTarget;
struct IDataObject;

typedef struct _DOCHOSTUIINFO {
  ULONG cbSize;
  DWORD dwFlags;
  DWORD dwDoubleClick;
  OLECHAR* pchHostCss;
  OLECHAR* pchHostNS;
} DOCHOSTUIINFO;

#define CONTEXT_MENU_DEFAULT 0

// The host's hooks into the document's user interface, in their published slot order.
struct IDocHostUIHandler : public IUnknown {
  STDMETHOD(ShowContextMenu)(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) = 0;
  STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* pInfo) = 0;
  STDMETHOD(ShowUI)(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                    IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) = 0;
  STDMETHOD(HideUI)() = 0;
  STDMETHOD(UpdateUI)() = 0;
  STDMETHOD(EnableModeless)(BOOL fEnable) = 0;
  STDMETHOD(OnDocWindowActivate)(BOOL fActivate) = 0;
  STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) = 0;
  STDMETHOD(ResizeBorder)(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) = 0;
  STDMETHOD(TranslateAccelerator)(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) = 0;
  STDMETHOD(GetOptionKeyPath)(LPOLESTR* pchKey, DWORD dw) = 0;
  STDMETHOD(GetDropTarget)(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) = 0;
  STDMETHOD(GetExternal)(IDispatch** ppDispatch) = 0;
  STDMETHOD(TranslateUrl)(DWORD dwTranslate, OLECHAR* pchURLIn, OLECHAR** ppchURLOut) = 0;
  STDMETHOD(FilterDataObject)(IDataObject* pDO, IDataObject** ppDORet) = 0;

 protected:
  ~IDocHostUIHandler() = default;
};

// Asked of the document (QueryInterface): attaches the host's UI handler, which the document
// keeps with a reference until another replaces it or the document ends.
struct ICustomDoc : public IUnknown {
  STDMETHOD(SetUIHandler)(IDocHostUIHandler* pUIHandler) = 0;

 protected:
  ~ICustomDoc() = default;
};
