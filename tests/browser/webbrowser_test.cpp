// The web-browser control: navigation on the message loop with its events, link clicks,
// the commands of ExecWB, printing through the spool folder, keys and the control window.
#include <gtest/gtest.h>

#include <vector>

#include "base/codepage.h"
#include "browser/html_com.h"
#include "browser/input.h"
#include "browser/print.h"
#include "browser/webbrowser.h"
#include "registry/registry.h"
#include "test_support.h"
#include "testing/testing.h"
#include "memory/memory.h"
#include "ui/clipboard.h"
#include "ui/msgbox.h"
#include "ui_handler.h"

namespace b = nux::browser;

namespace {

std::u16string VarText(const VARIANT& v) {
  const VARIANT* p = v.vt == (VT_BYREF | VT_VARIANT) ? v.pvarVal : &v;
  if (!p || p->vt != VT_BSTR || !p->bstrVal) return {};
  return std::u16string(p->bstrVal, SysStringLen(p->bstrVal));
}

// Records the control's events; can cancel BeforeNavigate2.
class EventSink final : public IDispatch {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
    std::u16string what = nux::FromUtf8(std::to_string(id));
    if (id == DISPID_BEFORENAVIGATE2) {
      EXPECT_EQ(p->cArgs, 7u);
      EXPECT_EQ(p->rgvarg[6].vt, VT_DISPATCH);
      what += u" " + VarText(p->rgvarg[5]) + u" [" + VarText(p->rgvarg[3]) + u"]";
      EXPECT_EQ(p->rgvarg[0].vt, VT_BYREF | VT_BOOL);
      if (cancel) *p->rgvarg[0].pboolVal = VARIANT_TRUE;
    } else if (id == DISPID_DOCUMENTCOMPLETE || id == DISPID_NAVIGATECOMPLETE2) {
      EXPECT_EQ(p->cArgs, 2u);
      what += u" " + VarText(p->rgvarg[0]);
      if (id == DISPID_DOCUMENTCOMPLETE && control) {
        // The document is there when its completion is reported.
        VARIANT doc;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        control->Invoke(DISPID_DOCUMENT, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &doc, nullptr, nullptr);
        EXPECT_EQ(doc.vt, VT_DISPATCH);
        EXPECT_NE(doc.pdispVal, nullptr);
        VariantClear(&doc);
      }
    } else {
      EXPECT_EQ(p->cArgs, 1u);
    }
    events.push_back(what);
    return S_OK;
  }
  ULONG refs = 1;
  bool cancel = false;
  IDispatch* control = nullptr;
  std::vector<std::u16string> events;
};

class Control : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::ResetUi();
    parent_ = CreateWindowExW(0, u"Static", u"host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                              nullptr);
    ASSERT_TRUE(parent_);
    control_ = b::CreateWebBrowser(parent_, RECT{0, 0, 400, 300}, 100, WS_CHILD | WS_VISIBLE, &window_);
    ASSERT_TRUE(control_);
    browser_ = b::WebBrowserOf(control_);
    ASSERT_EQ(browser_, b::WebBrowserOf(window_));
    IConnectionPointContainer* cpc = nullptr;
    ASSERT_EQ(control_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc)), S_OK);
    ASSERT_EQ(cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &point_), S_OK);
    cpc->Release();
    sink_.control = control_;
    ASSERT_EQ(point_->Advise(&sink_, &cookie_), S_OK);
    root_.Write("drive_c/Program Files/Sv/HTML/tpl.htm",
                "<html><head><title>Tpl</title></head><body><p>Template <a name=there>here</a> "
                "<a href=\"SVID,7\" target=ENGINE>link</a></p></body></html>");
  }
  void TearDown() override {
    if (point_) {
      point_->Unadvise(cookie_);
      point_->Release();
    }
    if (control_) control_->Release();
    if (parent_) DestroyWindow(parent_);
    nux::testing::ResetUi();
    EXPECT_EQ(sink_.refs, 1u);
  }
  HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr) {
    std::vector<VARIANT> rev(args.rbegin(), args.rend());
    DISPPARAMS p{rev.data(), nullptr, UINT(rev.size()), 0};
    return control_->Invoke(id, GUID_NULL, 0, flags, &p, result, nullptr, nullptr);
  }
  static VARIANT Str(const char16_t* s) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(s);
    return v;
  }
  static VARIANT Long(long n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = LONG(n);
    return v;
  }
  HRESULT Navigate(const char16_t* url) {
    VARIANT u = Str(url), flags = Long(navNoHistory | navNoReadFromCache), empty;
    VariantInit(&empty);
    VARIANT byref;
    VariantInit(&byref);
    byref.vt = VT_BYREF | VT_VARIANT;
    byref.pvarVal = &flags;
    HRESULT hr = Call(DISPID_NAVIGATE, DISPATCH_METHOD, {u, byref, empty, empty, empty});
    VariantClear(&u);
    return hr;
  }
  std::u16string Location() {
    VARIANT r;
    Call(DISPID_LOCATIONURL, DISPATCH_PROPERTYGET, {}, &r);
    std::u16string s = VarText(r);
    VariantClear(&r);
    return s;
  }
  HRESULT Exec(long cmd, long opt, VARIANT* in, VARIANT* out) {
    VARIANT vin, vout;
    VariantInit(&vin);
    VariantInit(&vout);
    vin.vt = vout.vt = VT_BYREF | VT_VARIANT;
    vin.pvarVal = in;
    vout.pvarVal = out;
    return Call(DISPID_EXECWB, DISPATCH_METHOD, {Long(cmd), Long(opt), vin, vout});
  }
  long Status(long cmd) {
    VARIANT r;
    Call(DISPID_QUERYSTATUSWB, DISPATCH_METHOD, {Long(cmd)}, &r);
    return r.lVal;
  }

  nuxtest::ScopedPlatformRoot root_;
  HWND parent_ = nullptr, window_ = nullptr;
  IDispatch* control_ = nullptr;
  b::WebBrowser* browser_ = nullptr;
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
  EventSink sink_;
};

TEST_F(Control, NavigatesOnTheMessageLoopWithItsEventsInOrder) {
  EXPECT_EQ(Location(), u"");
  EXPECT_EQ(browser_->document(), nullptr);
  ASSERT_EQ(Navigate(u"C:\\Program Files\\Sv\\HTML\\tpl.htm"), S_OK);
  const std::u16string url = u"file:///C:/Program%20Files/Sv/HTML/tpl.htm";
  EXPECT_EQ(sink_.events, std::vector<std::u16string>{u"250 " + url + u" []"});  // at once
  EXPECT_TRUE(browser_->busy());
  EXPECT_EQ(Location(), u"");
  nux::testing::PumpMessages();
  EXPECT_EQ(sink_.events, (std::vector<std::u16string>{u"250 " + url + u" []", u"252 " + url, u"259 " + url}));
  EXPECT_FALSE(browser_->busy());
  EXPECT_EQ(Location(), url);
  ASSERT_TRUE(browser_->document());
  EXPECT_EQ(browser_->document()->title(), u"Tpl");

  // A newer navigation replaces one still pending; a "file:" URL with an anchor scrolls to it.
  sink_.events.clear();
  ASSERT_EQ(Navigate(u"about:blank"), S_OK);
  ASSERT_EQ(Navigate(u"file:///C:/Program%20Files/Sv/HTML/tpl.htm#there"), S_OK);
  nux::testing::PumpMessages();
  ASSERT_EQ(sink_.events.size(), 4u);
  EXPECT_EQ(sink_.events[3], u"259 " + url + u"#there");
  EXPECT_EQ(browser_->document()->scrollTarget(), browser_->document()->Anchors()[0]);

  ASSERT_EQ(Navigate(u"about:blank"), S_OK);
  nux::testing::PumpMessages();
  EXPECT_EQ(Location(), u"about:blank");
  EXPECT_EQ(b::BodyHtml(*browser_->document()), u"");

  // A mail address is no document: the page stays, nothing completes.
  sink_.events.clear();
  ASSERT_EQ(Navigate(u"mailto:info@example.com"), S_OK);
  nux::testing::PumpMessages();
  EXPECT_EQ(sink_.events, std::vector<std::u16string>{u"250 mailto:info@example.com []"});
  EXPECT_EQ(Location(), u"about:blank");
  EXPECT_FALSE(browser_->busy());

  // A file that cannot be read gives an empty document at its address.
  ASSERT_EQ(Navigate(u"C:\\missing.htm"), S_OK);
  nux::testing::PumpMessages();
  EXPECT_EQ(Location(), u"file:///C:/missing.htm");
  EXPECT_EQ(b::BodyText(*browser_->document()), u"");
}

TEST_F(Control, BeforeNavigate2CancelsLoadsAndLinkClicks) {
  sink_.cancel = true;
  ASSERT_EQ(Navigate(u"C:\\Program Files\\Sv\\HTML\\tpl.htm"), S_OK);
  nux::testing::PumpMessages();
  EXPECT_EQ(sink_.events.size(), 1u);
  EXPECT_FALSE(browser_->busy());
  EXPECT_EQ(browser_->document(), nullptr);

  sink_.cancel = false;
  Navigate(u"C:\\Program Files\\Sv\\HTML\\tpl.htm");
  nux::testing::PumpMessages();
  sink_.events.clear();
  b::Element* link = browser_->document()->Links()[0];
  sink_.cancel = true;
  b::ClickOutcome click = b::Click(link);
  EXPECT_EQ(click.navigatedTo, u"file:///C:/Program%20Files/Sv/HTML/SVID,7");
  EXPECT_EQ(sink_.events, std::vector<std::u16string>{u"250 file:///C:/Program%20Files/Sv/HTML/SVID,7 [ENGINE]"});
  nux::testing::PumpMessages();
  EXPECT_EQ(sink_.events.size(), 1u);
  EXPECT_EQ(Location(), u"file:///C:/Program%20Files/Sv/HTML/tpl.htm");

  sink_.cancel = false;  // let it go: the control loads the link's address
  b::Click(browser_->document()->Links()[0]);
  nux::testing::PumpMessages();
  EXPECT_EQ(Location(), u"file:///C:/Program%20Files/Sv/HTML/SVID,7");
}

TEST_F(Control, ExecWBZoomCopyAndSelectionCommands) {
  Navigate(u"C:\\Program Files\\Sv\\HTML\\tpl.htm");
  nux::testing::PumpMessages();
  VARIANT in = Long(4), out;
  VariantInit(&out);
  EXPECT_EQ(Exec(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &in, &out), S_OK);
  EXPECT_EQ(browser_->zoom(), 4);
  EXPECT_EQ(out.lVal, 4);
  in = Long(7);
  EXPECT_EQ(Exec(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &in, nullptr), E_INVALIDARG);
  EXPECT_EQ(browser_->zoom(), 4);

  EXPECT_EQ(Status(OLECMDID_COPY), OLECMDF_SUPPORTED);
  ASSERT_TRUE(b::SelectText(*browser_->document(), u"Template here"));
  EXPECT_EQ(Status(OLECMDID_COPY), OLECMDF_SUPPORTED | OLECMDF_ENABLED);
  EXPECT_EQ(Exec(OLECMDID_COPY, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr), S_OK);
  EXPECT_EQ(browser_->copiedText(), u"Template here");
  // The copy is on the clipboard.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE copied = GetClipboardData(CF_UNICODETEXT);
  EXPECT_EQ(std::u16string(copied ? static_cast<const char16_t*>(GlobalLock(copied)) : u""), u"Template here");
  if (copied) GlobalUnlock(copied);
  CloseClipboard();
  EXPECT_EQ(Exec(OLECMDID_CLEARSELECTION, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr), S_OK);
  EXPECT_FALSE(browser_->document()->HasSelection());
  EXPECT_EQ(Status(OLECMDID_PRINT), OLECMDF_SUPPORTED | OLECMDF_ENABLED);
  EXPECT_EQ(Status(9999), 0);
  EXPECT_EQ(Exec(9999, 0, nullptr, nullptr), OLECMDERR_E_NOTSUPPORTED);

  VARIANT on = Long(1), r;
  EXPECT_EQ(Call(DISPID_ADDRESSBAR, DISPATCH_PROPERTYPUT, {on}), S_OK);
  EXPECT_EQ(Call(DISPID_ADDRESSBAR, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  EXPECT_EQ(r.boolVal, VARIANT_TRUE);
  EXPECT_EQ(Call(12345, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
}

TEST_F(Control, PrintsBetweenTheTemplateEventsWithTheUsersPageSetup) {
  Navigate(u"C:\\Program Files\\Sv\\HTML\\tpl.htm");
  nux::testing::PumpMessages();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Microsoft\\Internet Explorer\\PageSetup", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  auto set = [&](const char16_t* name, std::u16string value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(char16_t)));
  };
  set(u"header", u"&w&b &p / &P");
  set(u"margin_left", u"0.98425");
  RegCloseKey(key);

  sink_.events.clear();
  ASSERT_EQ(Exec(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr), S_OK);
  EXPECT_EQ(sink_.events, std::vector<std::u16string>{u"225"});
  EXPECT_TRUE(browser_->printing());
  EXPECT_EQ(Exec(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr), OLECMDERR_E_DISABLED);
  EXPECT_EQ(Status(OLECMDID_PRINT), OLECMDF_SUPPORTED);
  nux::ui::QueueMessageBoxAnswer(IDOK);
  nux::testing::PumpMessages();
  EXPECT_EQ(sink_.events, (std::vector<std::u16string>{u"225", u"226"}));
  EXPECT_FALSE(browser_->printing());
  ASSERT_EQ(b::SpoolJobs().size(), 1u);
  std::string job = nuxtest::ReadFile(b::SpoolJobs()[0]);
  EXPECT_NE(job.find("[H] Tpl |  |  1 / 1\n"), std::string::npos);
  EXPECT_NE(job.find("[F] file:///C:/Program%20Files/Sv/HTML/tpl.htm |  | "), std::string::npos);  // default footer
  EXPECT_NE(job.find("Margins: left=0.98425 top=0.750000"), std::string::npos);
  EXPECT_EQ(b::LastPrintJob(), b::SpoolJobs()[0]);

  // Cancelled in the printer dialog: the template still comes and goes, no job.
  nux::ui::QueueMessageBoxAnswer(IDCANCEL);
  ASSERT_EQ(Exec(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr), S_OK);
  nux::testing::PumpMessages();
  EXPECT_EQ(sink_.events.size(), 4u);
  EXPECT_EQ(b::SpoolJobs().size(), 1u);
  // A preview writes no job either.
  ASSERT_EQ(Exec(OLECMDID_PRINTPREVIEW, OLECMDEXECOPT_PROMPTUSER, nullptr, nullptr), S_OK);
  nux::testing::PumpMessages();
  EXPECT_EQ(sink_.events.size(), 6u);
  EXPECT_EQ(b::SpoolJobs().size(), 1u);
}

TEST_F(Control, KeysToTheWindowReachTheDocumentAndTheWindowEndsTheControl) {
  Navigate(u"about:blank");
  nux::testing::PumpMessages();
  std::vector<std::u16string> seen;
  browser_->document()->AddListener([&](b::Event& e) { seen.push_back(e.type + u":" + nux::FromUtf8(std::to_string(e.keyCode))); });
  SetFocus(window_);
  nux::testing::KeyPress('A');
  nux::testing::PumpMessages();
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"keydown:65", u"keypress:97", u"keyup:65"}));

  // The host's UI handler sees each key first and may take it.
  nuxtest::TestHandler handler;
  handler.takeKey = 'B';
  IDispatch* disp = b::GetDocumentDispatch(browser_->document());
  ICustomDoc* custom = nullptr;
  ASSERT_EQ(disp->QueryInterface(IID_ICustomDoc, reinterpret_cast<void**>(&custom)), S_OK);
  custom->SetUIHandler(&handler);
  custom->Release();
  disp->Release();
  seen.clear();
  nux::testing::KeyDown('B');
  nux::testing::KeyUp('B');
  nux::testing::PumpMessages();
  EXPECT_EQ(seen, std::vector<std::u16string>{u"keypress:98"});  // down and up went to the handler

  IDispatch* keep = control_;
  keep->AddRef();
  DestroyWindow(window_);
  EXPECT_EQ(b::WebBrowserOf(keep)->window(), nullptr);
  EXPECT_EQ(b::WebBrowserOf(keep)->document(), nullptr);
  keep->Release();
  EXPECT_EQ(handler.refs, 0u);  // the document went with the window and let the handler go
}

}  // namespace
