// The browser host in a dialog: template loading, deferred page text, the record's page with
// search marks and the pending anchor, link requests, context menu and keys, and the
// document host objects.
#include <cstring>

#include "host_fixture.h"

namespace hosttest {
namespace {

namespace b = nux::browser;

b::Element* FirstOf(b::Document* doc, const char16_t* tag) {
  auto all = doc->GetElementsByTagName(tag);
  return all.empty() ? nullptr : all.front();
}

TEST_F(HostTest, ShowsARecordInTheTemplateWithSearchMarksAndThePendingAnchor) {
  OpenDialog();
  // The browser took the placeholder's place and told the dialog of the first completion.
  EXPECT_FALSE(::GetWindowLongW(placeholder_, GWL_STYLE) & WS_VISIBLE);
  CRect place, host;
  ::GetWindowRect(placeholder_, &place);
  browser_->GetWindowRect(&host);
  EXPECT_EQ(place, host);
  EXPECT_TRUE(browser_->GetStyle() & WS_VISIBLE);
  EXPECT_FALSE(dlg_->GetStyle() & WS_VISIBLE);  // the parent's redraw was suppressed
  ASSERT_EQ(dlg_->Of(WM_BROWSER_PAGEREADY).size(), 1u);
  EXPECT_EQ(dlg_->Of(WM_BROWSER_PAGEREADY)[0].wParam, kPlaceholder);
  dlg_->received.clear();

  browser_->SetAnchor(u"there");
  CString text = ShowRecord(1, {u"star", u""});
  // The page text came back at once, without the prefix; the page followed the template.
  EXPECT_EQ(text.Find(u"../../"), -1);
  EXPECT_NE(text.Find(u"src=\"img/sirius.jpg\""), -1);
  EXPECT_EQ(Doc()->title(), u"Template");
  EXPECT_EQ(Doc()->url(), u"file:///C:/Sv/HTML/tpl.htm");
  // Completion, then the page text: two page-ready notices.
  EXPECT_EQ(dlg_->Of(WM_BROWSER_PAGEREADY).size(), 2u);
  const std::u16string body = Body();
  EXPECT_NE(body.find(u"The <SPAN class=Search ID=Search>star</SPAN> Sirius is the brightest "
                      u"<SPAN class=Search ID=Search>star</SPAN>."),
            std::u16string::npos)
      << Narrow(body);
  EXPECT_NE(body.find(u"<SPAN class=Search ID=Search>Star</SPAN>s of"), std::u16string::npos);
  EXPECT_EQ(browser_->m_lContentID, 1);
  EXPECT_EQ(browser_->m_strContentTitle, u"Sirius");
  // The pending anchor was reached after the search marks and is used up.
  ASSERT_TRUE(Doc()->scrollTarget());
  EXPECT_EQ(Doc()->scrollTarget()->name(), u"there");
  EXPECT_TRUE(browser_->m_strPendingAnchor.IsEmpty());

  // The terms marked one page only.
  browser_->Refresh();
  EXPECT_EQ(Body().find(u"class=Search"), std::u16string::npos);
  EXPECT_EQ(browser_->m_lContentID, 1);
}

TEST_F(HostTest, PageTextDuringALoadIsHeldAndShownAfterTheCompletion) {
  OpenDialog();
  dlg_->received.clear();
  browser_->Navigate(tplPath_);
  EXPECT_TRUE(browser_->m_bLoadPending);
  browser_->SetAnchor(u"nowhere");
  browser_->SetPage(u"<P>first</P>");
  browser_->SetPage(u"<P>second</P>");
  nux::testing::PumpMessages();  // the completion, not yet the timer
  EXPECT_FALSE(browser_->m_bLoadPending);
  EXPECT_EQ(Body(), u"loading");
  EXPECT_EQ(dlg_->Of(WM_BROWSER_PAGEREADY).size(), 1u);
  nux::testing::AdvanceAndPump(30);
  EXPECT_EQ(Body(), u"<P>second</P>");
  EXPECT_EQ(dlg_->Of(WM_BROWSER_PAGEREADY).size(), 2u);
  // An anchor the page lacks stays pending for the next page.
  EXPECT_EQ(browser_->m_strPendingAnchor, u"nowhere");
  browser_->SetPage(u"<P><A name=nowhere>x</A></P>");
  EXPECT_TRUE(browser_->m_strPendingAnchor.IsEmpty());

  // With the parent's redraw wanted, a hidden dialog is shown 25 ms after a completion.
  EXPECT_FALSE(dlg_->GetStyle() & WS_VISIBLE);
  browser_->SuppressParentRedraw(FALSE);
  browser_->LoadPath(tplPath_);
  nux::testing::PumpMessages();
  EXPECT_FALSE(dlg_->GetStyle() & WS_VISIBLE);
  nux::testing::AdvanceAndPump(30);
  EXPECT_TRUE(dlg_->GetStyle() & WS_VISIBLE);
}

TEST_F(HostTest, NavigateLoadsOnlyWhatIsNotShownAlready) {
  root_.Write("drive_c/Sv/HTML/with blank.htm", "<html><body>blank</body></html>");
  OpenDialog();
  browser_->Navigate(u"C:\\Sv\\HTML\\with blank.htm");
  nux::testing::AdvanceAndPump(30);
  EXPECT_EQ(Doc()->url(), u"file:///C:/Sv/HTML/with%20blank.htm");
  // The same path again: nothing happens, even when the document was changed meanwhile.
  dlg_->received.clear();
  browser_->SetBodyHTML(u"changed");
  browser_->Navigate(u"C:\\Sv\\HTML\\with blank.htm");
  nux::testing::AdvanceAndPump(30);
  EXPECT_EQ(Body(), u"changed");
  EXPECT_TRUE(dlg_->received.empty());
  // A new path whose location the control shows already is stored but not loaded.
  browser_->m_strCurrentPath = u"about:blank";
  browser_->Navigate(u"C:\\Sv\\HTML\\with blank.htm");
  EXPECT_FALSE(browser_->m_bLoadPending);
  EXPECT_EQ(browser_->m_strCurrentPath, u"C:\\Sv\\HTML\\with blank.htm");
}

TEST_F(HostTest, LinkClicksContextMenuAndKeysReachTheDialog) {
  OpenDialog();
  std::u16string longUrl(300, u'x');
  std::u16string longTarget(200, u't');
  browser_->Navigate(tplPath_);
  nux::testing::AdvanceAndPump(30);
  browser_->SetPage(CString(u"<P><A href=\"companion.htm#\" target=ENGINE><B>Sirius</B> <IMG src=a.png></A></P>"
                            u"<P><A href=\"http://" + longUrl + u"\" target=" + longTarget + u">long</A></P>"
                            u"<P>plain <SPAN>text</SPAN></P>"));
  dlg_->received.clear();

  // A click on bold text inside a link walks up to the link; its "#" end is cut off.
  b::ClickOutcome bold = b::Click(FirstOf(Doc(), u"B"));
  EXPECT_FALSE(bold.clickAllowed);
  EXPECT_TRUE(bold.navigatedTo.empty());
  auto links = dlg_->Of(WM_BROWSER_LINK);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].wParam, 0u);
  EXPECT_EQ(links[0].url, u"file:///C:/Sv/HTML/companion.htm");
  EXPECT_EQ(links[0].target, u"ENGINE");
  EXPECT_EQ(dlg_->Of(WM_BROWSER_MOUSEDOWN).size(), 1u);
  // An image inside the link reports the link too.
  b::Click(FirstOf(Doc(), u"IMG"));
  EXPECT_EQ(dlg_->Of(WM_BROWSER_LINK).size(), 2u);
  // Long texts arrive cut to their room, terminated.
  dlg_->received.clear();
  b::Click(Doc()->Links()[1]);
  links = dlg_->Of(WM_BROWSER_LINK);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].url, (u"http://" + longUrl).substr(0, 255));
  EXPECT_EQ(links[0].target, longTarget.substr(0, 127));
  // Text outside any link is left to the browser.
  dlg_->received.clear();
  EXPECT_TRUE(b::Click(FirstOf(Doc(), u"SPAN")).clickAllowed);
  EXPECT_TRUE(dlg_->Of(WM_BROWSER_LINK).empty());

  // The context menu request goes to the dialog; the browser shows none of its own.
  b::MenuOutcome menu = b::ContextMenu(FirstOf(Doc(), u"SPAN"));
  EXPECT_TRUE(menu.hostHandled);
  EXPECT_FALSE(menu.browserMenu);
  EXPECT_EQ(dlg_->Of(WM_BROWSER_CONTEXTMENU).size(), 1u);

  // A key press the dialog answers with non-zero does not reach the document.
  b::KeyOutcome allowed = b::Key(*Doc(), 'A', u'a', {true, false, false});
  EXPECT_TRUE(allowed.keyPressAllowed);
  dlg_->keyAnswer = 1;
  EXPECT_FALSE(b::Key(*Doc(), 'B', u'b').keyPressAllowed);
  auto keys = dlg_->Of(0x468);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].wParam, 1u);  // shift
}

TEST_F(HostTest, InterceptedNavigationBecomesALinkRequestWithTheControlId) {
  OpenDialog();
  browser_->EnableEventSink(FALSE);
  browser_->Navigate(tplPath_);
  nux::testing::AdvanceAndPump(30);
  browser_->SetPage(u"<P><A href=\"other.htm\" target=main>other</A></P>");
  dlg_->received.clear();
  b::ClickOutcome click = b::Click(Doc()->Links()[0]);
  EXPECT_EQ(click.navigatedTo, u"file:///C:/Sv/HTML/other.htm");
  nux::testing::AdvanceAndPump(30);
  auto links = dlg_->Of(WM_BROWSER_LINK);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].wParam, kPlaceholder);
  EXPECT_EQ(links[0].url, u"file:///C:/Sv/HTML/other.htm");
  EXPECT_EQ(links[0].target, u"main");
  EXPECT_EQ(Doc()->url(), u"file:///C:/Sv/HTML/tpl.htm");  // cancelled
}

// ---- the document host objects ----

TEST(DocumentHostObjects, CustomDocAnswersForItsOwnInterfacesOnly) {
  auto* ui = new CCustomDoc(nullptr);
  ui->AddRef();
  struct Case {
    const IID* iid;
    HRESULT expected;
  } cases[] = {{&IID_IUnknown, S_OK}, {&IID_IDocHostUIHandler, S_OK}, {&IID_IDispatch, E_NOINTERFACE},
               {&IID_ICustomDoc, E_NOINTERFACE}};
  for (const Case& c : cases) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(ui->QueryInterface(*c.iid, &out), c.expected);
    EXPECT_EQ(out != nullptr, c.expected == S_OK);
    if (out) static_cast<IUnknown*>(out)->Release();
  }
  IDispatch* external = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(ui->GetExternal(&external), S_OK);
  EXPECT_EQ(external, nullptr);
  EXPECT_EQ(ui->TranslateAccelerator(nullptr, nullptr, 0), S_FALSE);
  EXPECT_EQ(ui->Release(), 0u);
}

TEST(DocumentHostObjects, DocSinkInvokeNeedsAResultAndKnowsItsEvents) {
  CDocSink sink;
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(sink.Invoke(DISPID_HTMLDOCUMENTEVENTS_ONCLICK, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                        nullptr),
            E_POINTER);
  struct Case {
    DISPID id;
    HRESULT expected;
  } cases[] = {{-600, S_OK}, {-606, S_OK}, {-609, S_OK}, {DISPID(0x80010004), S_OK}, {DISPID(0x8001000D), S_OK},
               {DISPID(0x8001000E), DISP_E_MEMBERNOTFOUND}, {1, DISP_E_MEMBERNOTFOUND}};
  for (const Case& c : cases)
    EXPECT_EQ(sink.Invoke(c.id, GUID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr), c.expected)
        << c.id;
  void* out = nullptr;
  EXPECT_EQ(sink.QueryInterface(IID_IHTMLDocument2, &out), E_NOINTERFACE);
}

TEST(DocumentHostObjects, LinkRequestBlockIsBoundedAndTerminated) {
  BROWSERLINK link;
  std::memset(&link, 0x55, sizeof link);
  std::u16string url(400, u'u'), target(300, u't');
  FillBrowserLink(link, url.c_str(), target.c_str());
  EXPECT_EQ(std::u16string(link.szURL), url.substr(0, 255));
  EXPECT_EQ(std::u16string(link.szTarget), target.substr(0, 127));
  FillBrowserLink(link, u"a", nullptr);
  EXPECT_EQ(std::u16string(link.szURL), u"a");
  EXPECT_EQ(link.szTarget[0], 0);
}

}  // namespace
}  // namespace hosttest
