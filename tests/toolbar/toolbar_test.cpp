// The main reference window's toolbar as a user meets it: the buttons clicked with the mouse,
// the history steps with their scroll positions, copy, the module tabs, fold, the object menu
// of the shown record and printing through the hidden print browser.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AstroDict.h"
#include "Bookmark.h"
#include "FlatMenu.h"
#include "browser/dom.h"
#include "browser/input.h"
#include "browser/print.h"
#include "browser/webbrowser.h"
#include "com/controlreg.h"
#include "dao/dao.h"
#include "host_window.h"
#include "nuxsv_env.h"
#include "registry/registry.h"
#include "testing/testing.h"
#include "ui/msgbox.h"

namespace nuxsvtest {
namespace {

using OpenAstroDictFn = void (*)(CWnd*, LPCWSTR, CStringArray*);

std::string U8(const std::u16string& text) { return nux::ToUtf8(text); }

const char kTemplate[] = "<HTML><HEAD><TITLE>T</TITLE></HEAD><BODY><P>template</P></BODY></HTML>";
const char kPrintTemplate[] = "<HTML><HEAD><TITLE>Druck</TITLE></HEAD><BODY></BODY></HTML>";

class Toolbar : public LibraryWindowTest {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}});
    nux::ui::ClearMessageBoxLog();
    inst_.WriteIni(
        "UserData=UserData\r\n[Strings]\r\nNotice=Hinweis\r\nNoDictMessage=Kein Lexikon.\r\n"
        "NoRecBMessage=Kein Nachschlagewerk.\r\nNoPGalMessage=Keine Galerie.\r\nWebUpgrade=Siehe Webseite.\r\n"
        "Info=Info\r\nCenter=Zentrieren\r\ncopyright=(c) Sternwarte&Partner 2026\r\nAddBookmark=Lesezeichen\r\n");
    for (const char* code : {"dict", "dctb", "recb", "hlps", "ENC"}) {
      inst_.root.Write(std::string("drive_c/Content/HTML/") + code + ".htm", kTemplate);
    }
    inst_.root.Write("drive_c/Content/HTML/print.htm", kPrintTemplate);
    WritePages();
    RememberAstroDictPlace({60, 40, 860, 740});

    ASSERT_NO_FATAL_FAILURE(StartLibrary());
    open_ = lib_->Get<OpenAstroDictFn>("NUXSV_OpenAstroDict");
    ASSERT_NE(open_, nullptr);
    ASSERT_TRUE(host_.Create());
  }

  void WritePages() {
    CDaoDatabase db;
    db.Open(u"C:\\Content\\Data\\Content.mdb", FALSE, FALSE, u";pwd=7C0E91AF3B58");
    auto set = [&](int id, const std::u16string& html) {
      db.Execute((u"UPDATE SV_MODULE SET HTML='" + html + nux::Format(u"' WHERE ID=%d", id)).c_str());
    };
    std::u16string lines;
    for (int i = 0; i < 60; ++i) lines += nux::Format(u"<p>Zeile %d</p>", i);
    set(1, u"<h1>Sirius</h1><p>Sirius ist der hellste Stern am Nachthimmel.</p>");
    set(3, u"<h1>Aldebaran</h1>" + lines);
    set(4, u"");  // a page without body text
    set(6, u"<h1>Orion</h1>" + lines);
    db.Close();
  }

  CAstroDict* Window() const { return static_cast<CAstroDict*>(lib_->GetAstroDictCWnd()); }

  nux::browser::WebBrowser* BrowserIn(HWND parent) const {
    HWND control = parent ? nux::testing::FindWindowByText(u"IEChild", parent) : nullptr;
    return control ? nux::browser::WebBrowserOf(control) : nullptr;
  }
  nux::browser::Document* Page() const {
    nux::browser::WebBrowser* browser = Window() ? BrowserIn(Window()->GetSafeHwnd()) : nullptr;
    return browser ? browser->document() : nullptr;
  }
  std::u16string Heading() const {
    nux::browser::Document* doc = Page();
    if (doc == nullptr) return u"";
    auto h1 = doc->GetElementsByTagName(u"H1");
    return h1.empty() ? u"" : h1[0]->InnerText();
  }

  void Open(LPCWSTR condition) {
    open_(&host_, condition, nullptr);
    nux::testing::AdvanceAndPump(300, 5);
  }

  // A left click in the middle of one of the window's controls, then time for what follows.
  void ClickControl(int id, DWORD ms = 300) {
    ASSERT_NE(Window(), nullptr);
    // The window's own control first: a side panel may use the same id for one of its own.
    HWND control = ::GetDlgItem(Window()->GetSafeHwnd(), id);
    if (control == nullptr) control = nux::testing::FindWindowById(Window()->GetSafeHwnd(), id);
    ASSERT_NE(control, nullptr) << id;
    RECT r{};
    ::GetWindowRect(control, &r);
    nux::testing::MouseMove((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    nux::testing::Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    nux::testing::AdvanceAndPump(ms, 5);
  }

  // A module tab's check, read through the control's dispatch interface.
  bool TabChecked(int id) const {
    HWND control = nux::testing::FindWindowById(Window()->GetSafeHwnd(), id);
    AfxOleControl* site = control ? nux::afx::ControlSiteOf(control) : nullptr;
    if (site == nullptr || site->pDisp == nullptr) return false;
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    site->pDisp->Invoke(10, GUID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr);
    return result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
  }

  int Height() const {
    RECT r{};
    Window()->GetWindowRect(&r);
    return r.bottom - r.top;
  }

  OpenAstroDictFn open_ = nullptr;
};

TEST_F(Toolbar, BackAndForwardShowThePagesAgainAtTheirScrollPositions) {
  Open(u"ID=3");
  ASSERT_NE(Window(), nullptr);
  // At the only entry neither step exists; the buttons stay without effect.
  ClickControl(IDC_AD_BACK);
  ClickControl(IDC_AD_FORWARD);
  EXPECT_EQ(U8(Heading()), "Aldebaran");

  // Pages long enough to scroll: positions are kept within each page.
  Page()->ScrollTo(0, 300);
  Open(u"ID=6");
  Page()->ScrollTo(0, 40);
  Open(u"ID=2");
  ASSERT_EQ(Window()->m_History.GetCount(), 3u);

  ClickControl(IDC_AD_BACK);
  EXPECT_EQ(U8(Heading()), "Orion");
  EXPECT_EQ(Page()->scrollY(), 40);
  ClickControl(IDC_AD_BACK);
  EXPECT_EQ(U8(Heading()), "Aldebaran");
  EXPECT_EQ(Page()->scrollY(), 300);
  EXPECT_EQ(Window()->m_History.m_nCurrent, 0);
  ClickControl(IDC_AD_BACK);  // at the start: nothing
  EXPECT_EQ(Window()->m_History.m_nCurrent, 0);
  EXPECT_EQ(Window()->GetContentID(), 3);

  // Steps do not record the position of the page they leave, nor push.
  Page()->ScrollTo(0, 90);
  ClickControl(IDC_AD_FORWARD);
  EXPECT_EQ(U8(Heading()), "Orion");
  ClickControl(IDC_AD_FORWARD);
  EXPECT_EQ(Window()->GetContentID(), 2);
  ClickControl(IDC_AD_FORWARD);  // at the end: nothing
  EXPECT_EQ(Window()->GetContentID(), 2);
  EXPECT_EQ(Window()->m_History.GetCount(), 3u);
  ClickControl(IDC_AD_BACK);
  ClickControl(IDC_AD_BACK);
  EXPECT_EQ(Page()->scrollY(), 300);

  // A display after stepping back drops the later entries.
  Open(u"ID=6");
  EXPECT_EQ(Window()->m_History.GetCount(), 2u);
  ClickControl(IDC_AD_FORWARD);
  EXPECT_EQ(Window()->GetContentID(), 6);
}

TEST_F(Toolbar, CopyTakesTheSelection) {
  Open(u"ID=1");
  ASSERT_TRUE(nux::browser::SelectText(*Page(), u"hellste Stern"));
  ClickControl(IDC_AD_COPY);
  nux::browser::WebBrowser* browser = BrowserIn(Window()->GetSafeHwnd());
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(U8(browser->copiedText()), "hellste Stern");
}

TEST_F(Toolbar, ModuleTabsSwitchTheModuleAndKeepThePage) {
  Open(u"ID=1");
  EXPECT_TRUE(TabChecked(IDC_AD_TAB_DICT));
  ClickControl(IDC_AD_TAB_RECB);
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "RECB");
  EXPECT_EQ(Window()->GetContentID(), 1);
  EXPECT_EQ(U8(Heading()), "Sirius");
  EXPECT_TRUE(TabChecked(IDC_AD_TAB_RECB));
  EXPECT_FALSE(TabChecked(IDC_AD_TAB_DICT));

  // The tab of the module shown stays checked (a click would otherwise toggle it off).
  ClickControl(IDC_AD_TAB_RECB);
  EXPECT_TRUE(TabChecked(IDC_AD_TAB_RECB));

  // A switched-off module: its notice, and the tabs fall back to the current module.
  lib_->SetActive(1, 1, 0);
  nux::ui::ClearMessageBoxLog();
  ClickControl(IDC_AD_TAB_PGAL);
  auto log = nux::ui::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(U8(log[0].text), "Keine Galerie.\nSiehe Webseite.");
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "RECB");
  EXPECT_FALSE(TabChecked(IDC_AD_TAB_PGAL));
  EXPECT_TRUE(TabChecked(IDC_AD_TAB_RECB));

  ClickControl(IDC_AD_TAB_HELP);
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "HELP");
  EXPECT_TRUE(TabChecked(IDC_AD_TAB_HELP));
}

TEST_F(Toolbar, FoldingTwiceGivesBackTheHeightOfTheStart) {
  Open(u"ID=1");
  ASSERT_EQ(Height(), 700);
  RECT before{};
  Window()->GetWindowRect(&before);
  // Made smaller by the user before folding: unfolding goes back to the height of the start.
  Window()->SetWindowPos(nullptr, 0, 0, 800, 500, SWP_NOMOVE | SWP_NOZORDER);
  ClickControl(IDC_AD_FOLD);
  EXPECT_EQ(Height(), CAstroDict::kFoldedHeight);
  RECT folded{};
  Window()->GetWindowRect(&folded);
  EXPECT_EQ(folded.left, before.left);
  EXPECT_EQ(folded.top, before.top);
  EXPECT_EQ(folded.right - folded.left, 800);
  ClickControl(IDC_AD_FOLD);
  EXPECT_EQ(Height(), 700);
  ClickControl(IDC_AD_FOLD);
  ClickControl(IDC_AD_FOLD);
  EXPECT_EQ(Height(), 700);
}

// The caption's mouse events as its control fires them: button, shift, x, y (reversed in the
// parameter block).
HRESULT FireCaption(CAstroDict* window, DISPID dispid, int x, int y) {
  const AFX_EVENTSINKMAP_ENTRY* entry = AfxFindEventSinkEntry(window->EventSinkMap(), IDC_AD_CAPTION, dispid);
  if (entry == nullptr) return E_NOTIMPL;
  VARIANT args[4];
  for (VARIANT& v : args) VariantInit(&v);
  args[3].vt = VT_I2;
  args[3].iVal = 1;
  args[2].vt = VT_I2;
  args[2].iVal = 0;
  args[1].vt = VT_I4;
  args[1].lVal = x;
  args[0].vt = VT_I4;
  args[0].lVal = y;
  DISPPARAMS params{args, nullptr, 4, 0};
  HRESULT hr = E_FAIL;
  entry->pfn(window, &params, &hr);
  return hr;
}

TEST_F(Toolbar, TheCaptionMovesTheWindowBetweenPressAndRelease) {
  Open(u"ID=1");
  RECT before{}, after{};
  Window()->GetWindowRect(&before);
  ASSERT_EQ(FireCaption(Window(), DISPID_MOUSEDOWN, 100, 8), S_OK);
  ASSERT_EQ(FireCaption(Window(), DISPID_MOUSEMOVE, 70, 3), S_OK);
  Window()->GetWindowRect(&after);
  EXPECT_EQ(after.left, before.left - 30);
  EXPECT_EQ(after.top, before.top - 5);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  ASSERT_EQ(FireCaption(Window(), DISPID_MOUSEUP, 70, 3), S_OK);
  ASSERT_EQ(FireCaption(Window(), DISPID_MOUSEMOVE, 10, 3), S_OK);  // released: no move
  RECT released{};
  Window()->GetWindowRect(&released);
  EXPECT_EQ(released.left, after.left);
}

TEST_F(Toolbar, TheObjectMenuButtonOpensTheMenuOfTheShownRecordUnderItself) {
  Open(u"ID=8");  // NCMT1: a comet with a look-up record
  host_.choose = 1;
  ClickControl(IDC_AD_OBJECTMENU);
  ASSERT_EQ(host_.menus, 1);
  // No entry for the page shown itself.
  EXPECT_EQ(host_.menuChoices, (std::vector<int>{1, 4, 5}));
  HWND button = nux::testing::FindWindowById(Window()->GetSafeHwnd(), IDC_AD_OBJECTMENU);
  RECT r{};
  ::GetWindowRect(button, &r);
  // At the button's bottom-left corner, moved left only as far as the work area needs.
  EXPECT_EQ(host_.menuAt.y, r.bottom);
  EXPECT_LE(host_.menuAt.x, r.left);
  EXPECT_GT(host_.menuAt.x, r.left - 100);
  ASSERT_EQ(host_.posted.size(), 1u);
  EXPECT_EQ(host_.posted[0].message, 2025u);
  EXPECT_EQ(host_.posted[0].wParam, WPARAM(1));

  // A record the look-up table does not know: the button is unavailable and opens nothing.
  Open(u"ID=2");
  ClickControl(IDC_AD_OBJECTMENU);
  EXPECT_EQ(host_.menus, 1);
}

TEST_F(Toolbar, PrintsTheBodyThroughThePrintTemplateWithTheLibrarysHeaderAndFooter) {
  Open(u"ID=1");
  nux::testing::QueueMessageBoxAnswer(IDOK);  // the printer dialog
  ClickControl(IDC_AD_PRINT, 1000);
  CNUXBrowser* printer = Window()->GetPrintBrowser();
  ASSERT_NE(printer, nullptr);
  ASSERT_FALSE(nux::browser::LastPrintJob().empty());
  std::string job = nuxtest::ReadFile(nux::browser::LastPrintJob());
  EXPECT_NE(job.find("Sirius ist der hellste Stern"), std::string::npos) << job;
  EXPECT_NE(job.find("file:///C:/Content/HTML/print.htm"), std::string::npos) << job;
  EXPECT_NE(job.find("1 / 1"), std::string::npos) << job;
  // The copyright's "&" is printed as it stands, not read as a code ("&P", the page count).
  EXPECT_NE(job.find("(c) Sternwarte&Partner 2026"), std::string::npos) << job;
  EXPECT_EQ(job.find("template"), std::string::npos) << job;  // the page's body, not its template's
  // The print browser is a pop-up off the screen, owned by the window.
  RECT r{};
  printer->GetWindowRect(&r);
  EXPECT_LE(r.right, 0);
  EXPECT_LE(r.bottom, 0);

  // A second print reuses the print browser.
  Open(u"ID=3");
  nux::testing::QueueMessageBoxAnswer(IDOK);
  ClickControl(IDC_AD_PRINT, 1000);
  EXPECT_EQ(Window()->GetPrintBrowser(), printer);
  job = nuxtest::ReadFile(nux::browser::LastPrintJob());
  EXPECT_NE(job.find("Zeile 59"), std::string::npos) << job;
  EXPECT_EQ(job.find("Sirius"), std::string::npos) << job;
  EXPECT_NE(job.find("(c) Sternwarte&Partner 2026"), std::string::npos) << job;

  // Closing the window takes the print browser with it.
  HWND printerWindow = printer->GetSafeHwnd();
  ClickControl(IDC_AD_CLOSE);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_FALSE(::IsWindow(printerWindow));
}

TEST_F(Toolbar, AStepToAnotherTemplateRestoresTheScrollAfterThePageTextArrives) {
  Open(u"ID=6");  // recb: another template than the next page's
  Page()->ScrollTo(0, 200);
  Open(u"ID=1");
  // The template's own completion comes first; the scroll waits for the page text.
  ClickControl(IDC_AD_BACK, 1000);
  EXPECT_EQ(U8(Heading()), "Orion");
  EXPECT_EQ(Page()->scrollY(), 200);

  // The print browser reports its own pages to the window; they do not take the scroll.
  ClickControl(IDC_AD_FORWARD, 1000);
  nux::testing::QueueMessageBoxAnswer(IDOK);
  ClickControl(IDC_AD_PRINT, 0);
  ClickControl(IDC_AD_BACK, 1000);
  EXPECT_EQ(U8(Heading()), "Orion");
  EXPECT_EQ(Page()->scrollY(), 200);
}

TEST_F(Toolbar, APrintBrowserThatCannotBeMadeIsTriedAgainAtTheNextPrint) {
  Open(u"ID=1");
  nux::com::UnregisterControlClass(CLSID_WebBrowser);
  ClickControl(IDC_AD_PRINT, 1000);
  EXPECT_EQ(Window()->GetPrintBrowser(), nullptr);
  nux::browser::RegisterWebBrowserControl();
  nux::testing::QueueMessageBoxAnswer(IDOK);
  ClickControl(IDC_AD_PRINT, 1000);
  ASSERT_NE(Window()->GetPrintBrowser(), nullptr);
  EXPECT_NE(nuxtest::ReadFile(nux::browser::LastPrintJob()).find("hellste Stern"), std::string::npos);
}

TEST_F(Toolbar, TheBookmarksButtonOpensOneBookmarksWindowThatFollowsNewBookmarksAndPages) {
  Open(u"ID=1");
  ClickControl(IDC_AD_BOOKMARKS);
  auto* bookmarks = static_cast<CBookmark*>(Window()->m_pBookmark);
  ASSERT_NE(bookmarks, nullptr);
  HWND bookmarksWindow = bookmarks->GetSafeHwnd();
  EXPECT_TRUE(::IsWindowVisible(bookmarksWindow));
  EXPECT_EQ(::GetParent(bookmarksWindow), Window()->GetSafeHwnd());
  ClickControl(IDC_AD_BOOKMARKS);  // open already: the same window
  EXPECT_EQ(Window()->m_pBookmark, bookmarks);

  // A bookmark added from the page's context menu is selected in the open window.
  ASSERT_TRUE(nux::browser::SelectText(*Page(), u"hellste"));
  host_.choose = 1;
  nux::browser::ContextMenu(Page()->body());
  nux::testing::AdvanceAndPump(300, 5);
  ASSERT_EQ(host_.menus, 1);
  EXPECT_GT(bookmarks->m_Tree.GetSelectedID(), 0);
  // Showing another page selects that page's entry, and a page without bookmarks none.
  const long node = Window()->GetBrowser().GetBookmarkNodeID();
  ASSERT_GT(node, 0);
  Open(u"ID=3");
  EXPECT_LE(bookmarks->m_Tree.GetSelectedID(), 0);
  Open(u"ID=1");
  EXPECT_EQ(bookmarks->m_Tree.GetSelectedID(), node);

  // Closed by the user, it can be opened again; the main window's closing takes it along.
  bookmarks->SendMessage(WM_CLOSE);
  nux::testing::PumpMessages();
  EXPECT_EQ(Window()->m_pBookmark, nullptr);
  ClickControl(IDC_AD_BOOKMARKS);
  ASSERT_NE(Window()->m_pBookmark, nullptr);
  bookmarksWindow = Window()->m_pBookmark->GetSafeHwnd();
  ClickControl(IDC_AD_CLOSE);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_FALSE(::IsWindow(bookmarksWindow));
}

TEST_F(Toolbar, SearchAndWordListButtonsOpenTheirWindowsOnce) {
  Open(u"ID=1");
  auto owned = [this] {
    std::pair<HWND, int> state{Window()->GetSafeHwnd(), 0};
    EnumWindows(
        [](HWND h, LPARAM p) {
          auto* s = reinterpret_cast<std::pair<HWND, int>*>(p);
          if (GetWindow(h, GW_OWNER) == s->first && IsWindowVisible(h)) ++s->second;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.second;
  };
  ClickControl(IDC_AD_SEARCH);
  EXPECT_EQ(owned(), 1);
  ClickControl(IDC_AD_SEARCH);  // open already: no second window
  EXPECT_EQ(owned(), 1);
  ClickControl(IDC_AD_WORDLIST);
  ClickControl(IDC_AD_WORDLIST);
  EXPECT_EQ(owned(), 2);
}

TEST_F(Toolbar, APageWithoutBodyTextPrintsNothing) {
  Open(u"ID=4");
  ASSERT_NE(Window(), nullptr);
  const size_t jobs = nux::browser::SpoolJobs().size();
  ClickControl(IDC_AD_PRINT, 1000);
  EXPECT_EQ(Window()->GetPrintBrowser(), nullptr);
  EXPECT_EQ(nux::browser::SpoolJobs().size(), jobs);
  EXPECT_TRUE(nux::ui::MessageBoxLog().empty());
}

}  // namespace
}  // namespace nuxsvtest
