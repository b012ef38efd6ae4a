// The bookmarks window on a page browser of its own: the tree of the store with the shown page's
// node selected, selecting a bookmark (a jump on the page shown, the other page shown through
// the main window's export), notes written when the selection moves and when the window goes,
// adding, deleting, deleting all, renaming through the rename dialog, the type boxes and help.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Bookmark.h"
#include "RenameDlg.h"
#include "EngineConfig.h"
#include "Globals.h"
#include "NUXSV.h"
#include "browser/dom.h"
#include "browser/input.h"
#include "browser/webbrowser.h"
#include "dao/dao.h"
#include "mfc/dialog.h"
#include "test_support.h"
#include "testing/testing.h"
#include "ui/msgbox.h"

// The main window's exports, as the bookmarks window calls them: recorded.
std::vector<std::u16string> g_opened;
int g_encyclopaedia = 0;

NUXSV_EXPORT void NUXSV_OpenAstroDict(CWnd*, LPCWSTR pszCondition, CStringArray* pWords) {
  g_opened.push_back(pszCondition != nullptr ? pszCondition : u"(null)");
  EXPECT_EQ(pWords, nullptr);
}

NUXSV_EXPORT int NUXSV_OpenEncyclop() {
  ++g_encyclopaedia;
  return IDOK;
}

namespace {

namespace b = nux::browser;

std::string U8(const std::u16string& text) { return nux::ToUtf8(text); }
std::string U8(const CString& text) { return nux::ToUtf8(std::u16string(text)); }

// Work for the rename dialog's modal loop, run when the loop first goes idle (its WM_ENTERIDLE
// to the bookmarks window) with the dialog's window.
std::function<void(HWND)> g_inModal;
WNDPROC g_bookmarkProc = nullptr;
LRESULT CALLBACK IdleHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && g_inModal) {
    auto work = std::move(g_inModal);
    g_inModal = nullptr;
    work(reinterpret_cast<HWND>(lParam));
    return 0;
  }
  return ::CallWindowProcW(g_bookmarkProc, hwnd, message, wParam, lParam);
}

void ClickControl(HWND parent, int id) {
  HWND control = ::GetDlgItem(parent, id);
  ASSERT_NE(control, nullptr) << id;
  RECT r{};
  ::GetWindowRect(control, &r);
  nux::testing::Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

class BookmarkDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    nux::testing::SetMonitors({{{0, 0, 1280, 1024}, {0, 0, 1280, 1000}}});
    nux::ui::SetMessageBoxTerminal(false);
    nux::ui::ClearMessageBoxLog();
    b::RegisterWebBrowserControl();
    g_opened.clear();
    g_encyclopaedia = 0;
    root_.Write("drive_c/Sv/NUX.INI",
                "[Strings]\r\nDelAllBookmarks=Alle Lesezeichen l\xF6schen?\r\nNotice=Hinweis\r\n"
                "BookmarkHelpID=7\r\n");
    root_.Write("drive_c/Sv/HTML/tpl.htm", "<html><head><title>T</title></head><body>loading</body></html>");
    root_.Write("drive_c/Sv/UserData/.keep", "");
    savedIni_ = theEngineConfig.m_strIniPath;
    savedApp_ = theEngineConfig.m_strApp;
    theEngineConfig.m_strIniPath = u"C:\\Sv\\NUX.INI";
    theEngineConfig.m_strApp = u"BookmarkTest";

    content_ = std::make_unique<CDaoDatabase>();
    content_->Create(u"C:\\Sv\\content.mdb");
    content_->Execute(u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, SV_MODULE TEXT(10), proper_name TEXT(100), "
                      u"HTML MEMO)");
    content_->Execute(
        u"INSERT INTO SV_MODULE VALUES (1, 'dict', 'Sirius', '<P>Sirius ist der hellste Stern am Himmel. Sein "
        u"Begleiter ist ein weisser Zwerg.</P>')");
    content_->Execute(u"INSERT INTO SV_MODULE VALUES (2, 'recb', 'Vega', '<P>Vega steht im Sommer hoch.</P>')");
    content_->Execute(u"INSERT INTO SV_MODULE VALUES (3, 'ENC', 'Astronomie', '<P>Die Lehre der Sterne.</P>')");
    nuxsv::G().contentDatabase = content_.get();
    SetCurrentBookmarkType(1);

    ASSERT_TRUE(host_.Create(100, nullptr));
    browser_.EnableEventSink(TRUE);
    browser_.EnableUIHandler(TRUE, nullptr);
    browser_.SetInterceptLinks(TRUE);
    browser_.SuppressParentRedraw(TRUE);
    ASSERT_TRUE(browser_.InitBookmarks(u"C:\\Sv\\UserData\\Bookmark.mdb", TRUE));
    ASSERT_TRUE(browser_.CreateInPlace(&host_, 1082, u"about:blank"));
    nux::testing::AdvanceAndPump(50);
  }

  void TearDown() override {
    if (slot_ != nullptr) slot_->DestroyWindow();
    if (browser_.GetSafeHwnd()) browser_.DestroyWindow();
    if (host_.GetSafeHwnd()) host_.DestroyWindow();
    nuxsv::G().contentDatabase = nullptr;
    content_.reset();
    theEngineConfig.m_strIniPath = savedIni_;
    theEngineConfig.m_strApp = savedApp_;
    nux::testing::ResetUi();
    nux::testing::ResetMonitors();
    CWnd::DeleteTempMap();
  }

  void Show(long id) {
    browser_.Navigate(u"C:\\Sv\\HTML\\tpl.htm");
    CDaoRecordset rs(content_.get());
    CString sql;
    sql.Format(u"SELECT * FROM SV_MODULE WHERE ID=%li", id);
    rs.Open(dbOpenDynaset, sql);
    browser_.SetHTML(&rs, u"proper_name", u"HTML", u"../../");
    rs.Close();
    nux::testing::AdvanceAndPump(60);
  }

  b::Document* Doc() {
    b::WebBrowser* control = b::WebBrowserOf(browser_.m_wndBrowser.GetSafeHwnd());
    return control ? control->document() : nullptr;
  }

  // A bookmark of the page shown on the first hit of the text.
  long Mark(const std::u16string& text, UINT type = 1) {
    EXPECT_TRUE(b::SelectText(*Doc(), text)) << U8(text);
    return browser_.AddBookmarkFromSelection(type);
  }

  // The bookmarks of Sirius (two) and of Vega (one); Sirius is shown.
  void FillStore() {
    Show(2);
    vega_ = Mark(u"Sommer");
    Show(1);
    begleiter_ = Mark(u"Begleiter", 2);
    stern_ = Mark(u"Stern am Himmel", 3);
    siriusNode_ = browser_.GetBookmarkNodeID();
  }

  void OpenDialog() {
    auto* dialog = new CBookmark(&host_);
    dialog->SetBrowser(&browser_);
    dlg_ = dialog;
    ASSERT_TRUE(dialog->CreatePlaced(nullptr, u"Bookmark", &slot_));
    slot_ = dialog;
    g_bookmarkProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(dialog->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&IdleHook)));
    nux::testing::AdvanceAndPump(20);
  }

  // The tree as it stands: roots, and the children of open roots indented.
  std::vector<std::string> Tree() {
    std::vector<std::string> out;
    CNUXTreeCtrl& tree = dlg_->m_Tree;
    for (HTREEITEM root = tree.GetRootItem(); root; root = tree.GetNextSiblingItem(root)) {
      out.push_back(U8(tree.GetItemText(root)));
      if (!(tree.GetItemState(root, TVIS_EXPANDED) & TVIS_EXPANDED)) continue;
      for (HTREEITEM child = tree.GetChildItem(root); child; child = tree.GetNextSiblingItem(child)) {
        out.push_back("  " + U8(tree.GetItemText(child)));
      }
    }
    return out;
  }

  void Select(long id) {
    dlg_->m_Tree.SelectID(id, TRUE);
    nux::testing::PumpMessages();
  }

  void TypeNote(const char16_t* text) { dlg_->m_editNote.SetWindowText(text); }
  std::string EditNote() {
    CString text;
    dlg_->m_editNote.GetWindowText(text);
    return U8(text);
  }

  nuxtest::ScopedPlatformRoot root_;
  CString savedIni_, savedApp_;
  std::unique_ptr<CDaoDatabase> content_;
  CDialog host_;
  CNUXBrowser browser_;
  CBookmark* dlg_ = nullptr;
  CNUXDialog* slot_ = nullptr;
  long vega_ = 0, begleiter_ = 0, stern_ = 0, siriusNode_ = 0;
};

TEST_F(BookmarkDialog, ShowsItselfWithThePagesNodeOpenAndItsBookmarksByPosition) {
  FillStore();
  OpenDialog();
  ASSERT_NE(slot_, nullptr);
  EXPECT_TRUE(dlg_->IsWindowVisible());
  EXPECT_EQ(dlg_->GetSortMode(), 2);
  EXPECT_EQ(dlg_->m_Tree.GetSelectedID(), siriusNode_);
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Sirius", "  Stern am Himmel...", "  Begleiter...", "Vega"}));
  EXPECT_TRUE(g_opened.empty());
  // Its picture goes to NUX_SNAPSHOT_DIR/bookmarks.png when that variable is set.
  if (const char* dir = std::getenv("NUX_SNAPSHOT_DIR")) {
    EXPECT_TRUE(nux::testing::WriteWindowPng(dlg_->m_hWnd, std::string(dir) + "/bookmarks.png"));
  }

  // By title; an unknown mode keeps the order.
  dlg_->SetSortOrder(1);
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Sirius", "  Begleiter...", "  Stern am Himmel...", "Vega"}));
  dlg_->SetSortOrder(3);
  dlg_->SetSortOrder(9);
  EXPECT_EQ(dlg_->GetSortMode(), 9);
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Sirius", "  Stern am Himmel...", "  Begleiter...", "Vega"}));

  // The main window shows a page without bookmarks: no entry is selected.
  Show(3);
  dlg_->Refresh();
  EXPECT_EQ(dlg_->m_Tree.GetSelectedID(), -1);
}

TEST_F(BookmarkDialog, ABookmarkOfThePageShownOnlyJumpsAnotherPageIsShownFirst) {
  FillStore();
  browser_.SetBookmarkNote(vega_, u"Sommerdreieck");
  OpenDialog();
  Select(stern_);
  EXPECT_TRUE(g_opened.empty());
  EXPECT_EQ(dlg_->GetNoteBookmarkID(), stern_);

  Select(vega_);
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(U8(g_opened[0]), "ID=2");
  EXPECT_EQ(U8(browser_.m_strPendingAnchor), "Bookmark" + std::to_string(vega_));
  EXPECT_EQ(EditNote(), "Sommerdreieck");
  EXPECT_EQ(dlg_->GetNoteBookmarkID(), vega_);

  // A bookmark of an encyclopaedia page: the export that says it is not supported.
  Show(3);
  const long enc = Mark(u"Lehre");
  Show(1);
  dlg_->SelectAndRefresh(-1);
  Select(enc);
  EXPECT_EQ(g_encyclopaedia, 1);
  EXPECT_EQ(g_opened.size(), 1u);

  // A bookmark whose page the content no longer has: reported, no page and no note.
  content_->Execute(u"DELETE FROM SV_MODULE WHERE ID=2");
  Select(begleiter_);
  TypeNote(u"unveraendert");
  Select(vega_);
  EXPECT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(EditNote(), "unveraendert");
}

TEST_F(BookmarkDialog, NotesAreWrittenWhenTheSelectionMovesAndWhenTheWindowGoes) {
  FillStore();
  OpenDialog();
  Select(begleiter_);
  TypeNote(u"Sirius B");
  Select(stern_);
  EXPECT_EQ(U8(browser_.GetBookmarkNote(begleiter_)), "Sirius B");
  EXPECT_EQ(EditNote(), "");
  TypeNote(u"hell");
  slot_->DestroyWindow();
  EXPECT_EQ(slot_, nullptr);  // the window cleared its creator's slot and deleted itself
  EXPECT_EQ(U8(browser_.GetBookmarkNote(stern_)), "hell");
}

TEST_F(BookmarkDialog, TheNoteTakesTypingOnlyWhileItShowsABookmarksNote) {
  FillStore();
  OpenDialog();
  auto readOnly = [&] { return (dlg_->m_editNote.GetStyle() & ES_READONLY) != 0; };
  auto type = [&](const char16_t* text) {
    dlg_->m_editNote.SetFocus();
    nux::testing::TypeText(text);
    nux::testing::PumpMessages();
  };
  // Opened with the page's node selected by the window itself: no note is shown.
  ASSERT_EQ(dlg_->GetNoteBookmarkID(), -1);
  EXPECT_TRUE(readOnly());
  type(u"verloren");
  EXPECT_EQ(EditNote(), "");
  // A bookmark's note takes typing and is kept when the selection goes.
  Select(begleiter_);
  EXPECT_FALSE(readOnly());
  type(u"Sirius B");
  EXPECT_EQ(EditNote(), "Sirius B");
  dlg_->m_Tree.ClearSelection();
  nux::testing::PumpMessages();
  EXPECT_EQ(U8(browser_.GetBookmarkNote(begleiter_)), "Sirius B");
  EXPECT_TRUE(readOnly());
  type(u"!");
  EXPECT_EQ(EditNote(), "Sirius B");
  // Deleting everything leaves it closed too.
  Select(vega_);
  EXPECT_FALSE(readOnly());
  nux::testing::QueueMessageBoxAnswer(IDYES);
  ClickControl(dlg_->m_hWnd, IDC_BM_DELETEALL);
  nux::testing::PumpMessages();
  EXPECT_TRUE(readOnly());
}

TEST_F(BookmarkDialog, AddsFromTheSelectionWithTheChosenTypeOrTheNodeOfThePage) {
  FillStore();
  OpenDialog();
  ClickControl(dlg_->m_hWnd, IDC_BM_TYPE1 + 3);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetCurrentBookmarkType(), 4);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(dlg_->m_chkType[i].GetCheck() != FALSE, i == 3) << i;

  ASSERT_TRUE(b::SelectText(*Doc(), u"weisser Zwerg"));
  ClickControl(dlg_->m_hWnd, IDC_BM_ADD);
  nux::testing::PumpMessages();
  const long added = dlg_->m_Tree.GetSelectedID();
  ASSERT_GT(added, stern_);
  EXPECT_EQ(browser_.GetBookmarkType(added), 4);
  EXPECT_EQ(Tree(),
            (std::vector<std::string>{"Sirius", "  Stern am Himmel...", "  Begleiter...", "  weisser Zwerg...", "Vega"}));

  // No text selected, and the page has its node: nothing changes.
  browser_.ClearSelection();
  ClickControl(dlg_->m_hWnd, IDC_BM_ADD);
  nux::testing::PumpMessages();
  EXPECT_EQ(Tree(),
            (std::vector<std::string>{"Sirius", "  Stern am Himmel...", "  Begleiter...", "  weisser Zwerg...", "Vega"}));
  // A page without a node gets one.
  Show(3);
  ClickControl(dlg_->m_hWnd, IDC_BM_ADD);
  nux::testing::PumpMessages();
  EXPECT_GT(browser_.GetBookmarkNodeID(), 0);
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Astronomie", "Sirius", "Vega"}));
}

TEST_F(BookmarkDialog, DeletesTheSelectionAndNeverWritesAGoneNoteIntoItsSuccessor) {
  FillStore();
  OpenDialog();
  // Nothing selected: the delete fails and the tree stays.
  dlg_->SelectAndRefresh(-1);
  ClickControl(dlg_->m_hWnd, IDC_BM_DELETE);
  nux::testing::PumpMessages();
  EXPECT_EQ(Tree().size(), 2u);

  dlg_->SetSortOrder(2);
  Select(stern_);
  TypeNote(u"alt");
  dlg_->m_btnDelete.SetState(1);
  ClickControl(dlg_->m_hWnd, IDC_BM_DELETE);
  nux::testing::PumpMessages();
  EXPECT_EQ(dlg_->m_Tree.GetSelectedID(), -1);
  EXPECT_EQ(browser_.GetBookmarkContentID(stern_), 0);
  // The next bookmark may take the gone one's number: the note typed for that one stays out.
  const long next = Mark(u"weisser Zwerg");
  dlg_->SelectAndRefresh(next);
  Select(begleiter_);
  EXPECT_EQ(U8(browser_.GetBookmarkNote(next)), "");
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Sirius", "  Begleiter...", "  weisser Zwerg...", "Vega"}));
}

TEST_F(BookmarkDialog, DeleteAllAsksFirstAndThenListsNewBookmarksByNumber) {
  FillStore();
  OpenDialog();
  nux::testing::QueueMessageBoxAnswer(IDNO);
  ClickControl(dlg_->m_hWnd, IDC_BM_DELETEALL);
  nux::testing::PumpMessages();
  ASSERT_EQ(nux::ui::MessageBoxLog().size(), 1u);
  const nux::ui::MessageBoxRecord box = nux::ui::MessageBoxLog()[0];
  EXPECT_EQ(U8(box.text), "Alle Lesezeichen l\xC3\xB6schen?");
  EXPECT_EQ(U8(box.caption), "Hinweis");
  EXPECT_EQ(box.type, UINT(MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2));
  EXPECT_EQ(Tree().size(), 4u);

  // A note typed for a bookmark of a low number: after the store is emptied, new records count
  // from the start again and one of them takes that number.
  Select(vega_);
  TypeNote(u"alt");
  nux::testing::QueueMessageBoxAnswer(IDYES);
  ClickControl(dlg_->m_hWnd, IDC_BM_DELETEALL);
  nux::testing::PumpMessages();
  EXPECT_TRUE(Tree().empty());

  Show(1);
  const long first = Mark(u"weisser Zwerg");
  const long second = Mark(u"Begleiter");
  dlg_->SelectAndRefresh(second);
  EXPECT_EQ(Tree(), (std::vector<std::string>{"Sirius", "  weisser Zwerg...", "  Begleiter..."}));
  ASSERT_LE(first, vega_);
  Select(first);
  Select(second);
  EXPECT_EQ(U8(browser_.GetBookmarkNote(first)), "");
  EXPECT_EQ(U8(browser_.GetBookmarkNote(vega_)), "");
}

TEST_F(BookmarkDialog, RenamesThroughTheRenameDialogOnlyOnOK) {
  FillStore();
  OpenDialog();
  struct Case {
    int button;
    const char* title;  // afterwards
    int type;
  };
  const Case cases[] = {
      {IDC_RN_CLOSE, "Begleiter...", 2},  // closed: neither title nor type change
      {IDC_RN_OK, "Sirius B", 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    Select(begleiter_);
    std::string shownTitle;
    std::vector<int> shownChecks;
    // In the dialog: what it shows, then a new title, type 6 and the button.
    g_inModal = [&](HWND window) {
      auto* rename = static_cast<CRenameDlg*>(CWnd::FromHandlePermanent(window));
      ASSERT_NE(rename, nullptr);
      CString text;
      rename->m_editTitle.GetWindowText(text);
      shownTitle = U8(text);
      for (CCheckbox& box : rename->m_chkType) shownChecks.push_back(box.GetCheck() ? 1 : 0);
      rename->m_editTitle.SetWindowText(u"Sirius B");
      ClickControl(window, IDC_RN_TYPE1 + 5);
      ClickControl(window, c.button);
    };
    ClickControl(dlg_->m_hWnd, IDC_BM_RENAME);
    nux::testing::AdvanceAndPump(50, 5);
    EXPECT_EQ(g_inModal, nullptr);
    EXPECT_EQ(shownTitle, "Begleiter...");
    EXPECT_EQ(shownChecks, (std::vector<int>{0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(browser_.GetBookmarkType(begleiter_), c.type);
    EXPECT_EQ(U8(dlg_->m_Tree.GetSelectedText()), c.title);
    EXPECT_EQ(dlg_->m_Tree.GetSelectedID(), begleiter_);
  }
  // The page was rebuilt to show the new title's mark and jump to it.
  EXPECT_EQ(U8(browser_.m_strPendingAnchor), "");
}

TEST_F(BookmarkDialog, HelpShowsThePageOfItsKey) {
  OpenDialog();
  ClickControl(dlg_->m_hWnd, IDC_BM_HELP);
  nux::testing::PumpMessages();
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(U8(g_opened[0]), "ID=7");
}

}  // namespace
