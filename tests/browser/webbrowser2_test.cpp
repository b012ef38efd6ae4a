// The control through the class library: CWebBrowser2 made by class id in a host window,
// its members called by dispatch id, its events arriving in the host's event sink map.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage.h"
#include "browser/html_com.h"
#include "browser/input.h"
#include "browser/webbrowser2.h"
#include "test_support.h"
#include "testing/testing.h"
#include "ui/msgbox.h"

namespace {

std::string Text(const VARIANT* v) {
  if (v && v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
  if (!v || v->vt != VT_BSTR || !v->bstrVal) return {};
  return nux::WideToAnsi(v->bstrVal);
}

// A dialog-like host that records the control's events and can cancel navigations.
class CHost : public CWnd {
 public:
  std::vector<std::string> events;
  bool cancel = false;
  CWebBrowser2 browser;

 protected:
  void OnBeforeNavigate2(LPDISPATCH, VARIANT* url, VARIANT*, VARIANT* target, VARIANT*, VARIANT*, BOOL* pCancel) {
    events.push_back("before " + Text(url) + " [" + Text(target) + "]");
    *pCancel = cancel;
  }
  void OnDocumentComplete(LPDISPATCH disp, VARIANT* url) {
    events.push_back("complete " + Text(url));
    EXPECT_NE(disp, nullptr);
    LPDISPATCH doc = browser.GetDocument();  // the document is there when its completion is reported
    EXPECT_NE(doc, nullptr);
    if (doc) doc->Release();
  }
  void OnPrintTemplateInstantiation(LPDISPATCH) { events.push_back("print start"); }
  void OnPrintTemplateTeardown(LPDISPATCH) { events.push_back("print end"); }
  DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CHost, CWnd)
  ON_EVENT(CHost, 100, DISPID_BEFORENAVIGATE2, CHost::OnBeforeNavigate2,
           VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
  ON_EVENT(CHost, 100, DISPID_DOCUMENTCOMPLETE, CHost::OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
  ON_EVENT(CHost, 100, DISPID_PRINTTEMPLATEINSTANTIATION, CHost::OnPrintTemplateInstantiation, VTS_DISPATCH)
  ON_EVENT(CHost, 100, DISPID_PRINTTEMPLATETEARDOWN, CHost::OnPrintTemplateTeardown, VTS_DISPATCH)
END_EVENTSINK_MAP()

class Wrapper : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    nux::ui::SetMessageBoxTerminal(false);
    root_.Write("drive_c/Sv Data/HTML/tpl.htm",
                "<html><head><title>Tpl</title></head><body><p>Body <a href=page.htm#x>link</a></p></body></html>");
    ASSERT_TRUE(host_.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
    ASSERT_TRUE(host_.browser.Create(nullptr, "IEChild", WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &host_, 100));
  }
  void TearDown() override {
    host_.DestroyWindow();
    nux::testing::ResetUi();
    CWnd::DeleteTempMap();
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void Navigate(const char* path) {
    VARIANT flags, empty;
    VariantInit(&flags);
    VariantInit(&empty);
    flags.vt = VT_I4;
    flags.lVal = navNoHistory | navNoReadFromCache;
    host_.browser.Navigate(path, &flags, &empty, &empty, &empty);
  }

  nuxtest::ScopedPlatformRoot root_;
  CHost host_;
};

TEST_F(Wrapper, LoadsThroughTheClassLibraryWithEventsInTheSinkMap) {
  EXPECT_EQ(host_.browser.GetDlgCtrlID(), 100);
  EXPECT_NE(nux::browser::WebBrowserOf(host_.browser.m_hWnd), nullptr);
  host_.browser.SetAddressBar(FALSE);
  host_.browser.SetStatusBar(FALSE);
  host_.browser.SetMenuBar(FALSE);
  host_.browser.SetVisible(TRUE);
  EXPECT_EQ(host_.browser.GetDocument(), nullptr);
  EXPECT_STREQ(host_.browser.GetLocationURL(), "");

  Navigate("C:\\Sv Data\\HTML\\tpl.htm");
  EXPECT_EQ(host_.events, std::vector<std::string>{"before file:///C:/Sv%20Data/HTML/tpl.htm []"});
  nux::testing::PumpMessages();
  EXPECT_EQ(host_.events, (std::vector<std::string>{"before file:///C:/Sv%20Data/HTML/tpl.htm []",
                                                    "complete file:///C:/Sv%20Data/HTML/tpl.htm"}));
  EXPECT_STREQ(host_.browser.GetLocationURL(), "file:///C:/Sv%20Data/HTML/tpl.htm");

  LPDISPATCH disp = host_.browser.GetDocument();
  ASSERT_NE(disp, nullptr);
  IHTMLDocument2* doc = nullptr;
  ASSERT_EQ(disp->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&doc)), S_OK);
  BSTR title = nullptr;
  doc->get_title(&title);
  EXPECT_EQ(nux::WideToAnsi(title), "Tpl");
  SysFreeString(title);
  doc->Release();
  disp->Release();

  // A link click asks the host first; cancelled, nothing loads.
  host_.events.clear();
  host_.cancel = true;
  nux::browser::Document* d = nux::browser::WebBrowserOf(host_.browser.m_hWnd)->document();
  nux::browser::Click(d->Links()[0]);
  nux::testing::PumpMessages();
  EXPECT_EQ(host_.events, std::vector<std::string>{"before file:///C:/Sv%20Data/HTML/page.htm#x []"});
  EXPECT_STREQ(host_.browser.GetLocationURL(), "file:///C:/Sv%20Data/HTML/tpl.htm");
}

TEST_F(Wrapper, CommandsAndPrintingThroughExecWB) {
  Navigate("C:\\Sv Data\\HTML\\tpl.htm");
  nux::testing::PumpMessages();
  EXPECT_EQ(host_.browser.QueryStatusWB(OLECMDID_PRINT), OLECMDF_SUPPORTED | OLECMDF_ENABLED);
  VARIANT level;
  VariantInit(&level);
  level.vt = VT_I4;
  level.lVal = 0;
  host_.browser.ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &level, nullptr);
  EXPECT_EQ(nux::browser::WebBrowserOf(host_.browser.m_hWnd)->zoom(), 0);

  host_.events.clear();
  host_.browser.ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
  EXPECT_EQ(host_.events, std::vector<std::string>{"print start"});
  try {  // a second print while the first is under way is refused
    host_.browser.ExecWB(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, OLECMDERR_E_DISABLED);
    e->Delete();
  }
  nux::ui::QueueMessageBoxAnswer(IDOK);  // the printer dialog
  nux::testing::PumpMessages();
  EXPECT_EQ(host_.events, (std::vector<std::string>{"print start", "print end"}));
  EXPECT_FALSE(nux::browser::LastPrintJob().empty());
}

}  // namespace
