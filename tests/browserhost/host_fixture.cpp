#include "host_fixture.h"

#include "ui/msgbox.h"

namespace hosttest {

BEGIN_MESSAGE_MAP(CHostDlg, CDialog)
  ON_MESSAGE(WM_BROWSER_LINK, &CHostDlg::OnLink)
  ON_MESSAGE(WM_BROWSER_KEYPRESS, &CHostDlg::OnKey)
  ON_MESSAGE(WM_BROWSER_PAGEREADY, &CHostDlg::OnPageReady)
  ON_MESSAGE(WM_BROWSER_PRINTSTART, &CHostDlg::OnPrintStart)
  ON_MESSAGE(WM_BROWSER_PRINTEND, &CHostDlg::OnPrintEnd)
  ON_MESSAGE(WM_BROWSER_CONTEXTMENU, &CHostDlg::OnContextMenu)
  ON_MESSAGE(WM_BROWSER_MOUSEDOWN, &CHostDlg::OnMouseDown)
END_MESSAGE_MAP()

void HostTest::SetUp() {
  nux::testing::UseVirtualClock(true);
  nux::testing::ResetUi();
  nux::ui::SetMessageBoxTerminal(false);
  nux::browser::RegisterWebBrowserControl();
  root_.Write("drive_c/Sv/HTML/tpl.htm",
              "<html><head><title>Template</title><style>.Search{color:red}</style></head>"
              "<body bgcolor=white>loading</body></html>");
  root_.Write("drive_c/Sv/UserData/.keep", "");
  content_ = std::make_unique<CDaoDatabase>();
  content_->Create(u"C:\\Sv\\content.mdb");
  content_->Execute(u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, proper_name TEXT(100), HTML MEMO)");
  AddRecord(1, u"Sirius",
            u"<P>The star Sirius is the brightest star.<IMG src=\"../../img/sirius.jpg\"></P>"
            u"<P>Its companion <A href=\"companion.htm\" target=ENGINE>Sirius B</A> is a white dwarf.</P>"
            u"<P><A name=there></A>Stars of the Sun's kind &amp; others.</P>");
  AddRecord(2, u"Vega", u"<P>Vega is a star of the summer sky.</P>");
}

void HostTest::TearDown() {
  CloseDialog();
  content_.reset();
  nux::testing::ResetUi();
  CWnd::DeleteTempMap();
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
}

void HostTest::AddRecord(long id, const std::u16string& title, const std::u16string& html) {
  CDaoRecordset rs(content_.get());
  rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE");
  rs.AddNew();
  rs.SetFieldValue(u"ID", id);
  rs.SetFieldValue(u"proper_name", title.c_str());
  rs.SetFieldValue(u"HTML", html.c_str());
  rs.Update();
  rs.Close();
}

void HostTest::OpenDialog(bool bookmarks) {
  dlg_ = std::make_unique<CHostDlg>();
  ASSERT_TRUE(dlg_->Create(kDialog, nullptr));
  browser_ = std::make_unique<CNUXBrowser>();
  browser_->EnableEventSink(TRUE);
  browser_->EnableUIHandler(TRUE, nullptr);
  browser_->SetInterceptLinks(TRUE);
  browser_->SuppressParentRedraw(TRUE);
  if (bookmarks) {
    ASSERT_TRUE(browser_->InitBookmarks(storePath_, TRUE));
  }
  placeholder_ = dlg_->GetDlgItem(kPlaceholder)->GetSafeHwnd();
  ASSERT_TRUE(browser_->CreateInPlace(dlg_.get(), kPlaceholder, u"about:blank"));
  nux::testing::AdvanceAndPump(50);
}

void HostTest::CloseDialog() {
  if (browser_) {
    if (browser_->GetSafeHwnd()) browser_->DestroyWindow();
    browser_.reset();
  }
  if (dlg_) {
    if (dlg_->GetSafeHwnd()) dlg_->DestroyWindow();
    dlg_.reset();
  }
}

CString HostTest::ShowRecord(long id, std::vector<std::u16string> words) {
  browser_->Navigate(tplPath_);
  if (!words.empty()) {
    CStringArray terms;
    for (const auto& w : words) terms.Add(CString(w));
    browser_->SetSearchTerms(terms);
  }
  CDaoRecordset rs(content_.get());
  CString sql;
  sql.Format(u"SELECT * FROM SV_MODULE WHERE ID=%li", id);
  rs.Open(dbOpenDynaset, sql);
  CString text = browser_->SetHTML(&rs, u"proper_name", u"HTML", u"../../");
  rs.Close();
  nux::testing::AdvanceAndPump(60);
  return text;
}

nux::browser::Document* HostTest::Doc() const {
  nux::browser::WebBrowser* control = nux::browser::WebBrowserOf(browser_->m_wndBrowser.GetSafeHwnd());
  return control ? control->document() : nullptr;
}

}  // namespace hosttest
