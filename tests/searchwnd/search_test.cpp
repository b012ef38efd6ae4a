// The search window on a small content table: queries typed and sent with Enter or the search
// button, the module boxes, the operator buttons, results opened with their words, help.
#include <cstdlib>

#include "Dictionary.h"
#include "Globals.h"
#include "Search.h"
#include "RowColors.h"
#include "SearchListItem.h"
#include "searchwnd_fixture.h"
#include "testing/testing.h"

namespace swtest {
namespace {

using Titles_t = std::vector<std::string>;

class SearchWindow : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    search_ = CSearch::Open(&host_);
    ASSERT_NE(search_, nullptr);
    nux::testing::AdvanceAndPump(50);
  }

  // Types the query into the edit (replacing its text) and presses Enter there.
  void Search(const std::u16string& query) {
    search_->m_editQuery.SetWindowText(u"");
    search_->m_editQuery.SetFocus();
    nux::testing::TypeText(query);
    nux::testing::KeyPress(VK_RETURN);
    nux::testing::PumpMessages();
  }

  CString QueryText() const {
    CString text;
    search_->m_editQuery.GetWindowText(text);
    return text;
  }

  CSearch* search_ = nullptr;
};

TEST_F(SearchWindow, OpensOnceIntoItsSlotAndClearsItWhenClosed) {
  EXPECT_EQ(nuxsv::G().search, search_);
  EXPECT_EQ(CSearch::Open(&host_), search_) << "a second call finds the window";
  EXPECT_TRUE(search_->m_chkDict.GetCheck() && search_->m_chkPGal.GetCheck() && search_->m_chkRecB.GetCheck() &&
              search_->m_chkHelp.GetCheck());
  EXPECT_EQ(search_->m_List.m_nRows, 0) << "the list starts empty";
  EXPECT_EQ(search_->m_List.GetDlgCtrlID(), IDC_SEARCH_LIST);
  CRect list;
  search_->m_List.GetWindowRect(&list);
  search_->ScreenToClient(&list);
  EXPECT_EQ(list, CRect(12, 183, 392, 566));

  ClickItem(search_, IDC_SEARCH_CLOSE);
  EXPECT_EQ(nuxsv::G().search, nullptr);
}

TEST_F(SearchWindow, EnterSearchesTheModulesInTitleOrder) {
  Search(u"galaxy");
  EXPECT_EQ(Titles(search_->m_List),
            (Titles_t{"Andromeda Galaxy", "Encyclopaedia: Galaxy", "Galaxy pictures", "Zodiac"}));

  // Whole words: "protogalaxy" no longer counts, but only from the next search on.
  ClickItem(search_, IDC_SEARCH_WHOLEWORD);
  EXPECT_TRUE(search_->m_chkWholeWord.GetCheck());
  EXPECT_EQ(search_->m_List.m_nRows, 4);
  ClickItem(search_, IDC_SEARCH_GO);
  EXPECT_EQ(Titles(search_->m_List), (Titles_t{"Andromeda Galaxy", "Encyclopaedia: Galaxy", "Galaxy pictures"}));
}

TEST_F(SearchWindow, TheKeyboardGoesRoundTheControlsInTemplateOrder) {
  search_->m_editQuery.SetFocus();
  auto focusId = [] { return ::GetDlgCtrlID(::GetFocus()); };
  // Tab: every tab stop after the edit in the template's order, then round to the start.
  std::vector<int> forward;
  for (int i = 0; i < 14; ++i) {
    nux::testing::KeyPress(VK_TAB);
    nux::testing::PumpMessages();
    forward.push_back(focusId());
  }
  EXPECT_EQ(forward, (std::vector<int>{1028, 1029, 1030, 1031, 1032, 1033, 1116, 1117, 1126, 1127, 1128, 1129,
                                       1027, 1059}));
  // Shift+Tab goes back the same way.
  std::vector<int> back;
  nux::testing::KeyDown(VK_SHIFT);
  for (int i = 0; i < 3; ++i) {
    nux::testing::KeyPress(VK_TAB);
    nux::testing::PumpMessages();
    back.push_back(focusId());
  }
  nux::testing::KeyUp(VK_SHIFT);
  nux::testing::PumpMessages();
  EXPECT_EQ(back, (std::vector<int>{1027, 1129, 1128}));
  // Enter anywhere searches (the default command); Escape (the cancel command) leaves the
  // window, its query and its results alone.
  search_->m_editQuery.SetFocus();
  nux::testing::TypeText(u"galaxy");
  nux::testing::KeyPress(VK_TAB);
  nux::testing::KeyPress(VK_RETURN);
  nux::testing::PumpMessages();
  EXPECT_EQ(focusId(), 1028);
  EXPECT_EQ(Titles(search_->m_List),
            (Titles_t{"Andromeda Galaxy", "Encyclopaedia: Galaxy", "Galaxy pictures", "Zodiac"}));
  nux::testing::KeyPress(VK_ESCAPE);
  nux::testing::PumpMessages();
  EXPECT_EQ(nuxsv::G().search, search_);
  EXPECT_EQ(U8(QueryText()), "galaxy");
  EXPECT_EQ(search_->m_List.m_nRows, 4);
}

TEST_F(SearchWindow, KeyPressesScrollTheResultsAndLeaveTheirSelection) {
  for (int i = 1; i <= 60; ++i) {
    CString sql;
    sql.Format(u"INSERT INTO SV_MODULE VALUES (%d, 'dict', 'dict', 'Nebula %02d', 'A nebula.', NULL, NULL, NULL)",
               100 + i, i);
    db_->Execute(sql);
  }
  Search(u"nebula");
  CListWnd& list = search_->m_List;
  ASSERT_EQ(list.m_pRecordset->GetRecordCount(), 60);
  // A click selects a row and gives the list the focus; the keys then scroll it, Tab too.
  EXPECT_EQ(ClickRowAndScroll(list, 1,
                              {{VK_DOWN, -8},
                               {VK_NEXT, -136},
                               {VK_NEXT, -264},
                               {VK_PRIOR, -136},
                               {VK_UP, -128},
                               {VK_HOME, -128},
                               {VK_END, -128},
                               {VK_TAB, -128},
                               {VK_PRIOR, 0},
                               {VK_UP, 0}}),
            102);
  EXPECT_EQ(FirstKey(list), 101);
}

TEST_F(SearchWindow, ModuleBoxesRerunTheLastQueryAtOnce) {
  Search(u"galaxy OR star");
  EXPECT_EQ(Titles(search_->m_List), (Titles_t{"Andromeda Galaxy", "Encyclopaedia: Galaxy", "Galaxy pictures",
                                                "Star catalogue", "Zodiac"}));
  // Without the dictionary only the listed modules count (the encyclopaedia is none of them).
  ClickItem(search_, IDC_SEARCH_DICT);
  EXPECT_EQ(Titles(search_->m_List), (Titles_t{"Galaxy pictures", "Star catalogue"}));
  ClickItem(search_, IDC_SEARCH_PGAL);
  EXPECT_EQ(Titles(search_->m_List), (Titles_t{"Star catalogue"}));
  ClickItem(search_, IDC_SEARCH_RECB);
  ClickItem(search_, IDC_SEARCH_HELPPAGES);
  EXPECT_EQ(search_->m_List.m_nRows, 0) << "no module box checked finds nothing";
  ClickItem(search_, IDC_SEARCH_DICT);
  EXPECT_EQ(Titles(search_->m_List), (Titles_t{"Andromeda Galaxy", "Zodiac"}));
}

TEST_F(SearchWindow, AnEmptyOrUnusableQueryListsNothing) {
  for (const char16_t* query : {u"", u"   ", u"()", u"'", u"AND"}) {
    Search(u"galaxy");
    ASSERT_GT(search_->m_List.m_nRows, 0);
    Search(query);
    EXPECT_EQ(search_->m_List.m_nRows, 0) << U8(query);
    ClickItem(search_, IDC_SEARCH_PGAL);
    EXPECT_EQ(search_->m_List.m_nRows, 0) << U8(query) << " with a module box cleared";
    ClickItem(search_, IDC_SEARCH_PGAL);
  }
}

TEST_F(SearchWindow, TheEditShowsTheNormalisedQueryWithTheCaretAtTheEnd) {
  Search(u"spiral   galaxy");
  EXPECT_EQ(U8(QueryText()), "spiral galaxy");
  int start = -1, end = -1;
  search_->m_editQuery.GetSel(start, end);
  EXPECT_EQ(start, QueryText().GetLength());
  EXPECT_EQ(end, start);
  EXPECT_EQ(Titles(search_->m_List), (Titles_t{"Andromeda Galaxy", "Galaxy pictures"}));
}

TEST_F(SearchWindow, InsertTextPlacesPiecesAtTheCaret) {
  struct Case {
    const char16_t* text;
    int selStart, selEnd;
    const char16_t* piece;
    BOOL blank;
    const char* expected;
    int caret;
  };
  const Case cases[] = {
      {u"", 0, 0, u"(", TRUE, "(", 1},
      {u"abcdef", 3, 3, u"(", TRUE, "abc (def", 5},          // splits the word
      {u"abc def", 3, 3, u"ODER ", TRUE, "abc ODER def", 9},  // a blank at the caret is used
      {u"abc", 3, 3, u"UND ", TRUE, "abc UND ", 8},           // at the end: a blank appended
      {u"abc ", 4, 4, u"UND ", TRUE, "abc UND ", 8},          // no second blank
      {u"abcdef", 0, 0, u"(", TRUE, "(abcdef", 1},           // at the start: no blank
      {u"abc", 3, 3, u") ", FALSE, "abc) ", 5},
      {u"abc xyz def", 4, 7, u"NICHT ", TRUE, "abc  NICHT def", 11},  // the selection deleted first
  };
  for (const Case& c : cases) {
    search_->m_editQuery.SetWindowText(c.text);
    search_->m_editQuery.SetSel(c.selStart, c.selEnd);
    search_->InsertText(c.piece, c.blank);
    EXPECT_EQ(U8(QueryText()), c.expected) << U8(c.text) << " + " << U8(c.piece);
    int start = -1, end = -1;
    search_->m_editQuery.GetSel(start, end);
    EXPECT_EQ(start, c.caret) << U8(c.text) << " + " << U8(c.piece);
    EXPECT_EQ(::GetFocus(), search_->m_editQuery.GetSafeHwnd());
  }
}

TEST_F(SearchWindow, OperatorButtonsInsertTheInterfaceWords) {
  search_->m_editQuery.SetWindowText(u"sun");
  search_->m_editQuery.SetSel(3, 3);
  for (int id : {IDC_SEARCH_OR, IDC_SEARCH_NOT, IDC_SEARCH_OPEN}) ClickItem(search_, id);
  nux::testing::TypeText(u"moon");
  ClickItem(search_, IDC_SEARCH_CLOSEPAREN);
  ClickItem(search_, IDC_SEARCH_AND);
  EXPECT_EQ(U8(QueryText()), "sun ODER NICHT (moon) UND ");

  // A missing interface text is inserted as its "not found" text.
  Strings("");
  search_->m_editQuery.SetWindowText(u"");
  ClickItem(search_, IDC_SEARCH_OR);
  EXPECT_EQ(U8(QueryText()), "Strings - or not found in NUX.ini ");
}

TEST_F(SearchWindow, WordsWithUmlautsAreFoundInEveryLetterCase) {
  db_->Execute(u"INSERT INTO SV_MODULE VALUES (11, 'dict', 'dict', '\u00c4quator', "
               u"'Der Himmels\u00e4quator teilt den Himmel; ein \u00dcberriese steht n\u00f6rdlich.', "
               u"'Celestial equator', '\u00c4quator', '\u00c9quateur c\u00e9leste')");
  for (const char16_t* query : {u"\u00e4quator", u"\u00c4QUATOR", u"himmels\u00c4quator", u"\u00fcberriese"}) {
    Search(query);
    EXPECT_EQ(Titles(search_->m_List), (Titles_t{"\xc3\x84quator"})) << U8(query);
  }
  // Accents are kept apart: "a" is not "ä".
  Search(u"aquator");
  EXPECT_EQ(search_->m_List.m_nRows, 0);
}

TEST_F(SearchWindow, AClickedResultOpensItsPageWithTheWords) {
  Search(u"spiral galaxy");
  ASSERT_EQ(search_->m_List.m_nRows, 2);
  CListWndItem* row = search_->m_List.m_rows[0].pItem;
  RECT rc{};
  row->GetWindowRect(&rc);
  nux::testing::MouseMove(rc.left + 5, rc.top + 5);
  nux::testing::Click(rc.left + 5, rc.top + 5);
  nux::testing::AdvanceAndPump(50);
  ASSERT_EQ(OpenedPages().size(), 1u);
  const Opened& page = OpenedPages()[0];
  EXPECT_FALSE(page.encyclopaedia);
  EXPECT_EQ(page.parent, &host_);
  EXPECT_EQ(nux::ToUtf8(page.condition), "ID=1");
  ASSERT_TRUE(page.hasWords);
  EXPECT_EQ(page.words, (std::vector<std::u16string>{u"SPIRAL", u"GALAXY"}));
}

TEST_F(SearchWindow, EncyclopaediaResultsInAnyCaseOpenTheEncyclopaedia) {
  Search(u"article");
  ASSERT_EQ(Titles(search_->m_List), (Titles_t{"Encyclopaedia: Galaxy"}));
  search_->SendMessage(WM_LISTWND_CLICK, IDC_SEARCH_LIST, 7);
  ASSERT_EQ(OpenedPages().size(), 1u);
  EXPECT_TRUE(OpenedPages()[0].encyclopaedia);
}

TEST_F(SearchWindow, AKeyWithoutAPageOrWithoutADatabaseOpensNothing) {
  Search(u"galaxy");
  search_->SendMessage(WM_LISTWND_CLICK, IDC_SEARCH_LIST, 999);
  search_->SendMessage(WM_LISTWND_CLICK, IDC_SEARCH_LIST, LPARAM(-1));
  nuxsv::G().contentDatabase = nullptr;
  search_->SendMessage(WM_LISTWND_CLICK, IDC_SEARCH_LIST, 1);
  nuxsv::G().contentDatabase = db_.get();
  EXPECT_TRUE(OpenedPages().empty());
}

TEST_F(SearchWindow, HelpOpensThePageOfTheHelpNumber) {
  ClickItem(search_, IDC_SEARCH_HELP);
  ASSERT_EQ(OpenedPages().size(), 1u);
  EXPECT_EQ(OpenedPages()[0].parent, nullptr);
  EXPECT_EQ(nux::ToUtf8(OpenedPages()[0].condition), "ID=6");
  EXPECT_FALSE(OpenedPages()[0].hasWords);

  // A help text that is no number (missing, or words) is no condition to hand on.
  for (const char* lines : {"", "SearchHelpID=6 OR 1=1\r\n", "SearchHelpID=\r\n"}) {
    OpenedPages().clear();
    Strings(lines);
    ClickItem(search_, IDC_SEARCH_HELP);
    EXPECT_TRUE(OpenedPages().empty()) << lines;
  }
}

TEST_F(SearchWindow, ResultRowsShowTheirModuleIcon) {
  Search(u"galaxy");
  ASSERT_EQ(search_->m_List.m_nRows, 4);
  nux::testing::PumpMessages();
  // Andromeda (dict), Encyclopaedia (enc), Galaxy pictures (pggg), Zodiac (xyz: none).
  const UINT icons[] = {CSearchListItem::kIconDict, CSearchListItem::kIconEnc, CSearchListItem::kIconPGal, 0};
  for (int i = 0; i < 4; ++i) {
    auto* row = dynamic_cast<CSearchListItem*>(search_->m_List.m_rows[i].pItem);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(CSearchListItem::IconOfTemplate(row->m_strTemplate), icons[i]) << i;
    EXPECT_EQ(row->m_dib.IsValid(), icons[i] != 0) << i;
    if (row->m_dib.IsValid()) {
      EXPECT_EQ(row->m_dib.GetWidth(), 22);
      EXPECT_EQ(row->m_dib.GetHeight(), 14);
    }
    nux::gdi::Surface shot;
    ASSERT_TRUE(nux::testing::CaptureWindow(row->GetSafeHwnd(), &shot));
    // The icon's border at (0, 2); a row without one shows its background there.
    const COLORREF corner = shot.colorAt(0, 3);
    EXPECT_EQ(corner == RowColorsOfState(row->GetState()).background, icons[i] == 0)
        << i << " " << std::hex << corner;
  }
  if (const char* dir = std::getenv("NUX_SNAPSHOT_DIR")) {
    nux::testing::MouseMove(0, 0);
    nux::testing::AdvanceAndPump(200);
    EXPECT_TRUE(nux::testing::WriteWindowPng(search_->GetSafeHwnd(), std::string(dir) + "/search-window.png"));
  }
}

TEST_F(SearchWindow, ThePictureDragsTheWindow) {
  CRect before;
  search_->GetWindowRect(&before);
  const POINT from = Screen(search_->GetSafeHwnd(), 100, 40);
  HWND under = ::WindowFromPoint(from);
  EXPECT_EQ(::GetDlgCtrlID(under), IDC_SEARCH_PICTURE);
  nux::testing::Drag(from, POINT{from.x + 30, from.y + 20});
  nux::testing::PumpMessages();
  CRect after;
  search_->GetWindowRect(&after);
  EXPECT_EQ(after.left - before.left, 30);
  EXPECT_EQ(after.top - before.top, 20);
  EXPECT_FALSE(search_->IsMoveActive());
}

}  // namespace
}  // namespace swtest

namespace swtest {
namespace {

// Opened before the library has its content database: the windows stay empty and quiet.
TEST_F(WindowTest, WithoutADatabaseTheWindowsShowNothing) {
  nuxsv::G().contentDatabase = nullptr;
  CSearch* search = CSearch::Open(&host_);
  ASSERT_NE(search, nullptr);
  search->m_editQuery.SetWindowText(u"galaxy");
  search->SendMessage(WM_COMMAND, IDOK, 0);
  ClickItem(search, IDC_SEARCH_DICT);
  EXPECT_EQ(search->m_List.m_nRows, 0);
  search->SendMessage(WM_LISTWND_CLICK, IDC_SEARCH_LIST, 1);

  CDictionary* dict = CDictionary::Open(&host_);
  ASSERT_NE(dict, nullptr);
  dict->m_editSearch.SetWindowText(u"a");
  ClickItem(dict, IDC_DICT_GERMAN);
  EXPECT_TRUE(dict->GetList() == nullptr || dict->GetList()->m_nRows == 0);
  EXPECT_TRUE(OpenedPages().empty());
}

}  // namespace
}  // namespace swtest
