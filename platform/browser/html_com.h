// Entry points of the COM face (html_interfaces.h) over the C++ document model (dom.h).
#pragma once

#include "browser/dom.h"
#include "browser/html_interfaces.h"

namespace nux::browser {

// The document's dispatch object (it answers IHTMLDocument2, IHTMLDocument3,
// IConnectionPointContainer and ICustomDoc), with an added reference; null for no document.
// One object per document, living as long as the document; its references keep the
// document alive.
IDispatch* GetDocumentDispatch(Document* doc);
// A new element object (IHTMLElement, IHTMLElement2; IHTMLBodyElement for the body), with a
// reference; null for no element.
IHTMLElement* WrapElement(Element* element);

// The model behind an object of the face; null for other objects.
Document* DocumentOf(IUnknown* object);
Element* ElementOf(IUnknown* object);

// The UI handler attached to a document through ICustomDoc, without a reference; null when
// none. The flags its GetHostInfo gave when it was attached.
IDocHostUIHandler* UIHandlerOf(Document* doc);
DWORD HostInfoFlagsOf(Document* doc);

}  // namespace nux::browser
