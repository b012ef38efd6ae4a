// The web-browser control: a child window that shows one document of the model, loads
// documents asynchronously on the message loop and reports through its events.
//
// The control is reached through its dispatch interface, by dispatch id (the property and
// method ids below); its events go to the IDispatch sinks connected at its connection point
// for DIID_DWebBrowserEvents2, with the arguments in the usual reverse order:
//  - BeforeNavigate2 (250): pDisp, URL, Flags, TargetFrameName, PostData, Headers (each a
//    VARIANT by reference holding a VARIANT), Cancel (VT_BYREF | VT_BOOL): fired inside
//    Navigate (and when a link is clicked in the document); setting Cancel stops the load;
//  - NavigateComplete2 (252) and DocumentComplete (259): pDisp, URL: fired on the message loop
//    once the document is parsed and shown;
//  - PrintTemplateInstantiation (225) and PrintTemplateTeardown (226): pDisp: around a print
//    or print preview; the print job is written between them, on the message loop.
// Loading: "about:blank" gives an empty document; a Windows path or a "file:" URL loads the
// file (a "#name" part scrolls to that anchor); a file that cannot be read, or another kind
// of address, gives an empty document at that address; a "mailto:" address goes to the shell
// (ShellExecute) and a "javascript:" one is not followed, both leaving the document as it is.
// A new Navigate replaces one still pending. GetLocationURL is the address of the document shown ("file:///C:/a%20b/x.htm").
#pragma once

#include <string>

#include "browser/dom.h"
#include "browser/html_interfaces.h"
#include "browser/layout.h"
#include "ui/window.h"

extern const CLSID CLSID_WebBrowser;  // {8856F961-340A-11D0-A96B-00C04FD705A2}
extern const IID IID_IWebBrowser2;
extern const IID DIID_DWebBrowserEvents2;

// Members of the control's dispatch interface.
#define DISPID_NAVIGATE 104
#define DISPID_DOCUMENT 203
#define DISPID_LOCATIONURL 211
#define DISPID_VISIBLE 402
#define DISPID_STATUSBAR 403
#define DISPID_MENUBAR 406
#define DISPID_QUERYSTATUSWB 501
#define DISPID_EXECWB 502
#define DISPID_ADDRESSBAR 555
// Its events.
#define DISPID_PRINTTEMPLATEINSTANTIATION 225
#define DISPID_PRINTTEMPLATETEARDOWN 226
#define DISPID_BEFORENAVIGATE2 250
#define DISPID_NAVIGATECOMPLETE2 252
#define DISPID_DOCUMENTCOMPLETE 259

// Navigate flags.
#define navOpenInNewWindow 0x1
#define navNoHistory 0x2
#define navNoReadFromCache 0x4
#define navNoWriteToCache 0x8

// Commands of ExecWB and QueryStatusWB.
typedef enum OLECMDID {
  OLECMDID_PRINT = 6,
  OLECMDID_PRINTPREVIEW = 7,
  OLECMDID_PAGESETUP = 8,
  OLECMDID_COPY = 12,
  OLECMDID_SELECTALL = 17,
  OLECMDID_CLEARSELECTION = 18,
  OLECMDID_ZOOM = 19,
  OLECMDID_GETZOOMRANGE = 20,
} OLECMDID;
typedef enum OLECMDEXECOPT {
  OLECMDEXECOPT_DODEFAULT = 0,
  OLECMDEXECOPT_PROMPTUSER = 1,
  OLECMDEXECOPT_DONTPROMPTUSER = 2,
  OLECMDEXECOPT_SHOWHELP = 3,
} OLECMDEXECOPT;
typedef enum OLECMDF {
  OLECMDF_SUPPORTED = 0x1,
  OLECMDF_ENABLED = 0x2,
  OLECMDF_LATCHED = 0x4,
  OLECMDF_NINCHED = 0x8,
} OLECMDF;
#define OLECMDERR_E_NOTSUPPORTED ((HRESULT)0x80040100L)
#define OLECMDERR_E_DISABLED ((HRESULT)0x80040101L)

namespace nux::browser {

class WebBrowser;

// Creates the control as a child window of `parent` (style and id as given, the window name
// "IEChild" unless another is given). Returns the control's dispatch interface with a
// reference (the window holds one of its own until it is destroyed), or null when the window
// cannot be made; `window` receives the control's window.
IDispatch* CreateWebBrowser(HWND parent, const RECT& rect, UINT id, DWORD style = WS_CHILD | WS_VISIBLE,
                            HWND* window = nullptr, LPCWSTR windowName = u"IEChild");

// The control behind a control window or its dispatch interface; null for others.
WebBrowser* WebBrowserOf(HWND window);
WebBrowser* WebBrowserOf(IUnknown* control);

// What the control offers besides its dispatch interface (tests, hosts).
class WebBrowser {
 public:
  virtual ~WebBrowser() = default;
  virtual HWND window() const = 0;
  // The document shown (null before the first load completes).
  virtual Document* document() const = 0;
  virtual std::u16string locationUrl() const = 0;
  virtual bool busy() const = 0;  // a load is pending
  virtual int zoom() const = 0;   // 0 (smallest) to 4 (largest); 2 at the start
  // The text the last copy command took (the selection's rendered text).
  virtual const std::u16string& copiedText() const = 0;
  // Whether a print or preview is under way (between instantiation and teardown).
  virtual bool printing() const = 0;
  // The page laid out for the control's client area (null without a document), and an
  // element's box in client coordinates (false when it has none).
  virtual PageLayout* pageLayout() = 0;
  virtual bool ElementClientBox(const Element* element, RECT* box) = 0;
  // The same members as through the dispatch interface.
  virtual HRESULT Navigate(std::u16string_view url, long flags = 0) = 0;
  virtual DWORD QueryStatus(long command) const = 0;
  virtual HRESULT Exec(long command, long option, const VARIANT* in, VARIANT* out) = 0;
};

// The print job the last print wrote ("" when none): its Linux path.
const std::string& LastPrintJob();

// Registers the control under CLSID_WebBrowser for CWnd::CreateControl (com/controlreg.h).
// Done when the platform library loads; call it again after the class was unregistered.
void RegisterWebBrowserControl();

}  // namespace nux::browser
