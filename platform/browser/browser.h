// The web-browser layer in one include.
//
//  dom.h            the document model: Document (parse, load a file, look-ups, scrolling,
//                   selection, events), Element (attributes, innerHTML/outerHTML/innerText,
//                   insertAdjacentHTML, scrollIntoView), Ref<> for the counted objects
//  textmodel.h      the rendered text of a document and TextRange over it (findText,
//                   pasteHTML, moveToElementText, move by units, compare end points)
//  input.h          clicks, the context menu, keys, selecting text and reading the DOM back:
//                   what the control window passes on and what tests drive
//  url.h            file URLs and links resolved against a document's address
//  print.h          header and footer codes, print jobs in the spool folder
//  html_interfaces.h, html_com.h
//                   the COM face: IHTMLDocument2/3, IHTMLElement/2, IHTMLBodyElement,
//                   IHTMLElementCollection, IHTMLTxtRange, IHTMLSelectionObject, IHTMLWindow2,
//                   IHTMLEventObj, IConnectionPointContainer/IConnectionPoint for the document
//                   events, ICustomDoc and IDocHostUIHandler
//  webbrowser.h     the control (class id CLSID_WebBrowser): a child window with a dispatch
//                   interface (Navigate, Document, LocationURL, ExecWB, QueryStatusWB, the bar
//                   properties) and the DWebBrowserEvents2 events
#pragma once

#include "browser/dom.h"
#include "browser/html_com.h"
#include "browser/html_interfaces.h"
#include "browser/input.h"
#include "browser/print.h"
#include "browser/textmodel.h"
#include "browser/url.h"
#include "browser/webbrowser.h"
