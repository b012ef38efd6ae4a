#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ListWnd.h"
#include "Report.h"
#include "com/dragdrop.h"
#include "listwnd_fixture.h"
#include "memory/memory.h"
#include "testing/testing.h"
#include "ui/msgbox.h"
#include "ui/ui.h"

namespace {

using lwtest::Received;

class ListWndTest : public lwtest::WindowTest {
 protected:
  // A list of `count` words in a 200 x height window at (10, 10) of the parent, id 77.
  CListWnd* MakeList(int count, int height = 200, LPCWSTR sql = u"SELECT * FROM Words ORDER BY ID") {
    list_.reset();
    MakeWords(count);
    list_ = std::make_unique<CListWnd>();
    EXPECT_TRUE(list_->Create(db_.get(), sql, u"ID", u"Title", 4, 4, 4, u"List", WS_CHILD, CRect(10, 10, 210, 10 + height),
                              &parentWnd_, 77, 3, nullptr));
    nux::testing::PumpMessages();
    Received().clear();
    return list_.get();
  }
  CRect RowRect(int i) const {
    CRect rc;
    list_->m_rows[i].pItem->GetWindowRect(&rc);
    list_->ScreenToClient(&rc);
    return rc;
  }
  CRect Client() const {
    CRect rc;
    list_->GetClientRect(&rc);
    return rc;
  }
  void TearDown() override {
    list_.reset();
    lwtest::WindowTest::TearDown();
  }
  std::unique_ptr<CListWnd> list_;
};

TEST_F(ListWndTest, RowsCoverOnlyTheVisibleAreaInRecordOrder) {
  CListWnd* list = MakeList(300);
  ASSERT_GT(list->m_nRows, 2);
  CRect client = Client();
  EXPECT_EQ(RowRect(0).top, 0);
  for (int i = 0; i < list->m_nRows; ++i) {
    CRect rc = RowRect(i);
    EXPECT_EQ(rc.left, 4);
    EXPECT_EQ(rc.right, client.right - 4);
    if (i > 0) {
      EXPECT_EQ(rc.top, RowRect(i - 1).bottom + 4);
    }
    EXPECT_EQ(list->m_rows[i].nPos, i);
    EXPECT_EQ(list->m_rows[i].nKey, i + 1);
    EXPECT_EQ(list->m_rows[i].nFlag, 3);
  }
  // The last row reaches the bottom; one row fewer would not.
  EXPECT_GE(RowRect(list->m_nRows - 1).bottom + 4, client.bottom);
  EXPECT_LT(RowRect(list->m_nRows - 2).bottom + 4, client.bottom);
  CString text;
  list->m_rows[2].pItem->GetText(text);
  EXPECT_EQ(std::u16string(text.GetString()), u"Word 003");
  EXPECT_TRUE(list->GetStyle() & WS_VSCROLL);
}

TEST_F(ListWndTest, RowHeightIsTextHeightPlusEightAndWrapsToLines) {
  MakeDatabase({u"CREATE TABLE Words (ID LONG, Title TEXT(200))", u"INSERT INTO Words VALUES (1, 'short')",
                u"INSERT INTO Words VALUES (2, 'aaaa bbbb cccc')"});
  list_ = std::make_unique<CListWnd>();
  // Rows 40 pixels wide: the second title breaks after every word.
  ASSERT_TRUE(list_->Create(db_.get(), u"SELECT * FROM Words ORDER BY ID", u"ID", u"Title", 4, 4, 4, u"List", WS_CHILD,
                            CRect(0, 0, 48, 300), &parentWnd_, 5, 0, nullptr));
  CDC* dc = list_->m_rows[0].pItem->GetDC();
  TEXTMETRICW tm{};
  dc->GetTextMetrics(&tm);
  list_->m_rows[0].pItem->ReleaseDC(dc);
  ASSERT_EQ(list_->m_nRows, 2);
  EXPECT_EQ(list_->m_rows[0].pItem->Height(), tm.tmHeight + 8);
  EXPECT_EQ(list_->m_rows[1].pItem->Height(), 3 * tm.tmHeight + 8);
}

TEST_F(ListWndTest, ClickSelectsTheRowAndTellsTheParentForEitherButton) {
  for (auto button : {nux::testing::Button::Left, nux::testing::Button::Right}) {
    SCOPED_TRACE(static_cast<int>(button));
    CListWnd* list = MakeList(20);
    POINT p = Middle(list->m_rows[2].pItem->m_hWnd);
    nux::testing::Click(p.x, p.y, button);
    nux::testing::PumpMessages();
    auto clicks = Of(WM_LISTWND_CLICK);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].wParam, 77u);
    EXPECT_EQ(clicks[0].lParam, 3);
    EXPECT_EQ(list->GetSelectedKey(), 3);
    EXPECT_EQ(list->m_rows[2].pItem->GetState(), 2);
    EXPECT_EQ(::GetFocus(), list->m_hWnd);
  }
}

TEST_F(ListWndTest, SelectedRowIsNeverHotAndHotEndsWhenTheMouseLeaves) {
  CListWnd* list = MakeList(20);
  ASSERT_TRUE(list->SelectKey(1, FALSE));
  POINT first = Middle(list->m_rows[0].pItem->m_hWnd);
  POINT second = Middle(list->m_rows[1].pItem->m_hWnd);
  nux::testing::MouseMove(first.x, first.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(list->m_rows[0].pItem->GetState(), 2);
  nux::testing::MouseMove(second.x, second.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(list->m_rows[0].pItem->GetState(), 2);
  EXPECT_EQ(list->m_rows[1].pItem->GetState(), 1);
  // Off the list: the watch timer ends the hot state.
  nux::testing::MouseMove(350, 350);
  nux::testing::PumpMessages();
  EXPECT_EQ(list->m_rows[1].pItem->GetState(), 1);
  nux::testing::AdvanceAndPump(100);
  EXPECT_EQ(list->m_rows[1].pItem->GetState(), 0);
  EXPECT_EQ(list->m_nHotRow, -1);
}

TEST_F(ListWndTest, ScrollingStopsAtBothEnds) {
  CListWnd* list = MakeList(40);
  // Up at the first record: nothing moves and the parent hears nothing.
  list->ScrollBy(-50);
  EXPECT_EQ(RowRect(0).top, 0);
  EXPECT_TRUE(Of(WM_LISTWND_SCROLL).empty());
  // Down by lines: the parent hears the first row's key each time.
  list->SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(RowRect(0).top, -8);
  auto scrolled = Of(WM_LISTWND_SCROLL);
  ASSERT_EQ(scrolled.size(), 1u);
  EXPECT_EQ(scrolled[0].wParam, 77u);
  EXPECT_EQ(scrolled[0].lParam, list->m_rows[0].nKey);
  // Far down: the last record's bottom stops at the client bottom.
  for (int i = 0; i < 100; ++i) list->SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(list->m_rows[list->m_nRows - 1].nKey, 40);
  EXPECT_EQ(RowRect(list->m_nRows - 1).bottom, Client().bottom);
  // And all the way back up: the first record's top at the client top.
  for (int i = 0; i < 100; ++i) list->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(list->m_rows[0].nKey, 1);
  EXPECT_EQ(RowRect(0).top, 0);
  // Every shown row stays in record order without gaps.
  for (int i = 1; i < list->m_nRows; ++i) EXPECT_EQ(list->m_rows[i].nPos, list->m_rows[i - 1].nPos + 1);
}

TEST_F(ListWndTest, KeyPressesScrollByLinesAndPagesAndLeaveTheSelection) {
  CListWnd* list = MakeList(40);
  ASSERT_TRUE(list->SelectKey(2, FALSE));  // also gives the list the focus
  ASSERT_EQ(::GetFocus(), list->m_hWnd);
  struct Case {
    UINT vk;
    int offset;  // scroll offset after the key
  } cases[] = {
      {VK_DOWN, -8},    {VK_NEXT, -136}, {VK_NEXT, -264}, {VK_PRIOR, -136}, {VK_UP, -128},
      {VK_HOME, -128},  {VK_END, -128},  {VK_NUMPAD2, -136},  // the keypad's 2 is the same key as Down
      {VK_PRIOR, -8},   {VK_PRIOR, 0},   {VK_UP, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vk);
    Received().clear();
    nux::testing::KeyPress(c.vk);
    nux::testing::PumpMessages();
    EXPECT_EQ(list->m_nScrollOffset, c.offset);
    EXPECT_EQ(list->GetSelectedKey(), 2);
    EXPECT_TRUE(Of(WM_LISTWND_CLICK).empty());
  }
  EXPECT_EQ(list->m_rows[0].nKey, 1);
  EXPECT_EQ(RowRect(0).top, 0);
  EXPECT_EQ(list->SendMessage(WM_GETDLGCODE), 0x85);
}

TEST_F(ListWndTest, PageStepOnAShortListScrollsFourTenths) {
  CListWnd* list = MakeList(40, 100);
  list->SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(list->m_nScrollOffset, -51);
}

TEST_F(ListWndTest, ThumbDragStartsAtTheRecordOfThePosition) {
  CListWnd* list = MakeList(200);
  list->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 500), 0);
  EXPECT_EQ(list->m_rows[0].nPos, 100);
  EXPECT_EQ(RowRect(0).top, 0);
  auto scrolled = Of(WM_LISTWND_SCROLL);
  ASSERT_FALSE(scrolled.empty());
  EXPECT_EQ(scrolled.back().lParam, 101);
  int pos = FlatSB_GetScrollPos(list->m_hWnd, SB_VERT);
  EXPECT_EQ(pos, static_cast<int>(100.0 / 199 * 1000));
}

TEST_F(ListWndTest, ThumbHeightFollowsTheRecordCount) {
  struct Case {
    int records;
    int height;
    int thumb;
  } cases[] = {{1, 200, 200}, {10, 200, 40}, {40, 200, 10}};
  for (const Case& c : cases) {
    CListWnd* list = MakeList(c.records, c.height);
    int thumb = 0;
    FlatSB_GetScrollProp(list->m_hWnd, WSB_PROP_CYVTHUMB, &thumb);
    EXPECT_EQ(thumb, c.thumb) << c.records;
  }
}

TEST_F(ListWndTest, EmptyResultShowsTheEmptyLook) {
  CListWnd* list = MakeList(10);
  EXPECT_FALSE(list->ReQuery(u"SELECT * FROM Words WHERE ID > 100", FALSE, TRUE));
  EXPECT_EQ(list->m_nRows, 0);
  EXPECT_FALSE(list->GetStyle() & WS_VSCROLL);
  list->m_crBackground = RGB(0, 0, 80);
  list->Invalidate();
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(list->m_hWnd, &shot));
  // White text in the middle line, background elsewhere.
  int white = 0;
  for (int x = 0; x < shot.width(); ++x)
    if (shot.colorAt(x, shot.height() / 2) == 0xFFFFFF) ++white;
  EXPECT_GT(white, 5);
  EXPECT_EQ(shot.colorAt(2, 2), RGB(0, 0, 80));
  // A query that fails leaves no recordset and an empty list.
  EXPECT_FALSE(list->ReQuery(u"SELECT * FROM Missing", FALSE, TRUE));
  EXPECT_EQ(list->m_pRecordset, nullptr);
  EXPECT_FALSE(list->SelectKey(3, FALSE));
  EXPECT_EQ(list->GetSelectedKey(), 0);
  // And a good one fills it again.
  EXPECT_TRUE(list->ReQuery(u"SELECT * FROM Words ORDER BY ID DESC", FALSE, TRUE));
  EXPECT_EQ(list->m_rows[0].nKey, 10);
}

TEST_F(ListWndTest, AQueryThatFailsAtCreationLeavesAnEmptyList) {
  MakeWords(3);
  CListWnd list;
  ASSERT_TRUE(list.Create(db_.get(), u"SELECT * FROM Missing", u"ID", u"Title", 4, 4, 4, u"List", WS_CHILD,
                          CRect(0, 0, 200, 200), &parentWnd_, 5, 0, nullptr));
  EXPECT_EQ(list.m_pRecordset, nullptr);
  EXPECT_EQ(list.m_nRows, 0);
  EXPECT_FALSE(list.FindFirst(u"ID = 1", TRUE));
  EXPECT_FALSE(list.MoveFirst());
  list.SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_TRUE(list.ReQuery(u"SELECT * FROM Words", FALSE, TRUE));
  EXPECT_EQ(list.m_nRows, 3);
}

TEST_F(ListWndTest, SelectKeyFindsOrClears) {
  CListWnd* list = MakeList(100);
  EXPECT_FALSE(list->SelectKey(5000, FALSE));
  EXPECT_EQ(list->GetSelectedKey(), 0);
  // With refill a record out of view is brought to the top.
  EXPECT_TRUE(list->SelectKey(60, TRUE));
  EXPECT_EQ(list->GetSelectedKey(), 60);
  EXPECT_EQ(list->m_rows[0].nKey, 60);
  EXPECT_EQ(list->m_rows[0].pItem->GetState(), 2);
  // A shown record is selected without moving the rows.
  EXPECT_TRUE(list->SelectKey(61, TRUE));
  EXPECT_EQ(list->m_rows[0].nKey, 60);
  EXPECT_EQ(list->m_rows[0].pItem->GetState(), 0);
  EXPECT_EQ(list->m_rows[1].pItem->GetState(), 2);
}

std::vector<std::u16string>& Reports() {
  static std::vector<std::u16string> r;
  return r;
}
void NoteReport(LPCWSTR context, LPCWSTR) { Reports().emplace_back(context); }

TEST_F(ListWndTest, AFailingFindInSelectKeyIsReportedAndSelectsNothing) {
  Reports().clear();
  SetReportWatcher(NoteReport);
  struct Case {
    const char* what;
    bool closeDatabase;
  } cases[] = {{"a key field the table lacks", false}, {"a closed database", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CListWnd* list = MakeList(20);
    ASSERT_TRUE(list->SelectKey(2, FALSE));
    if (c.closeDatabase)
      db_->Close();
    else
      list->SetFields(u"NoSuchKey", u"Title");
    Reports().clear();
    EXPECT_FALSE(list->SelectKey(4, FALSE));
    EXPECT_EQ(list->GetSelectedKey(), 0);
    EXPECT_EQ(Reports(), (std::vector<std::u16string>{u"CListWnd::SelectKey"}));
    for (int i = 0; i < list->m_nRows; ++i) EXPECT_EQ(list->m_rows[i].pItem->GetState(), 0) << i;
    // A click on a row: no exception reaches the window procedure (no box), nothing is
    // painted selected, and each failing find is reported once.
    Reports().clear();
    size_t boxes = nux::ui::MessageBoxLog().size();
    POINT p = Middle(list->m_rows[5].pItem->m_hWnd);
    nux::testing::Click(p.x, p.y);
    nux::testing::PumpMessages();
    EXPECT_EQ(nux::ui::MessageBoxLog().size(), boxes);
    EXPECT_EQ(list->GetSelectedKey(), 0);
    EXPECT_EQ(list->m_rows[5].pItem->GetState(), 1);  // only hot, under the mouse
    EXPECT_EQ(Reports(), (std::vector<std::u16string>(2, u"CListWnd::SelectKey")));  // press and release
    list_.reset();
  }
  SetReportWatcher(nullptr);
}

TEST_F(ListWndTest, FindFirstStartsTheRowsAtTheFoundRecord) {
  CListWnd* list = MakeList(100);
  struct Case {
    const char16_t* criteria;
    BOOL found;
    long firstKey;
  } cases[] = {
      {u"Title >= 'Word 050'", TRUE, 50},
      {u"Title >= 'Zzz'", FALSE, 50},  // none: the rows stay as they are
      {u"Title >= 'Word 002'", TRUE, 2},  // the second record: not the first one
      {u"Title >= 'Word 001'", TRUE, 1},
      {u"Title LIKE 'Word 07*'", TRUE, 70},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(list->FindFirst(c.criteria, TRUE), c.found) << std::string(c.criteria, c.criteria + 5);
    EXPECT_EQ(list->m_rows[0].nKey, c.firstKey);
    EXPECT_EQ(RowRect(0).top, 0);
  }
  // A criteria the database rejects fails quietly.
  EXPECT_FALSE(list->FindFirst(u"Title >= 'it's'", TRUE));
}

TEST_F(ListWndTest, RowTableStopsAtItsSize) {
  // Rows of an empty text are 8 + one line high; 400 of them would need far more than 128.
  MakeDatabase({u"CREATE TABLE Words (ID LONG, Title TEXT(10))"});
  for (int i = 1; i <= 400; ++i)
    db_->Execute((u"INSERT INTO Words VALUES (" + std::u16string(1, u'0' + i % 10) + u", '')").c_str());
  list_ = std::make_unique<CListWnd>();
  ASSERT_TRUE(list_->Create(db_.get(), u"SELECT * FROM Words", u"ID", u"Title", 0, 0, 0, u"List", WS_CHILD,
                            CRect(0, 0, 100, 30000), &parentWnd_, 5, 0, nullptr));
  EXPECT_EQ(list_->m_nRows, CListWnd::kMaxRows);
}

// A row class of its own: it reads a second column.
class CTestRow : public CListWndItem {
  DECLARE_DYNCREATE(CTestRow)

 public:
  void ReadRecord(CDaoRecordset* rs) override {
    COleVariant v;
    rs->GetFieldValue(u"ID", v);
    m_strText += u" #";
    m_strText += CString(std::to_string(v.lVal).c_str());
  }
};
IMPLEMENT_DYNCREATE(CTestRow, CListWndItem)

TEST_F(ListWndTest, RowsOfTheGivenClassAndUnreadableRecords) {
  MakeWords(3);
  list_ = std::make_unique<CListWnd>();
  ASSERT_TRUE(list_->Create(db_.get(), u"SELECT * FROM Words ORDER BY ID", u"ID", u"Title", 4, 4, 4, u"List", WS_CHILD,
                            CRect(0, 0, 200, 200), &parentWnd_, 5, 0, RUNTIME_CLASS(CTestRow)));
  ASSERT_EQ(list_->m_nRows, 3);
  EXPECT_TRUE(list_->m_rows[1].pItem->IsKindOf(RUNTIME_CLASS(CTestRow)));
  EXPECT_EQ(std::u16string(list_->m_rows[1].pItem->m_strText.GetString()), u"Word 002 #2");
  // A display field that does not exist: each row shows the error instead.
  list_.reset();
  list_ = std::make_unique<CListWnd>();
  ASSERT_TRUE(list_->Create(db_.get(), u"SELECT * FROM Words ORDER BY ID", u"ID", u"Nope", 4, 4, 4, u"List", WS_CHILD,
                            CRect(0, 0, 200, 200), &parentWnd_, 5, 0, nullptr));
  ASSERT_EQ(list_->m_nRows, 3);
  EXPECT_EQ(std::u16string(list_->m_rows[0].pItem->m_strText.GetString()), u"Item not found in this collection.");
}

TEST_F(ListWndTest, MissingPlaceholderMakesNoList) {
  MakeWords(3);
  CListWnd list;
  EXPECT_FALSE(list.CreateFromDlgItem(db_.get(), u"SELECT * FROM Words", u"ID", u"Title", 1, 1, 1, &parentWnd_, 1033, 0,
                                      nullptr));
  HWND placeholder = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, 20, 30, 150, 100, parent_,
                                     reinterpret_cast<HMENU>(1033), nullptr, nullptr);
  ASSERT_TRUE(list.CreateFromDlgItem(db_.get(), u"SELECT * FROM Words", u"ID", u"Title", 1, 1, 1, &parentWnd_, 1033, 0,
                                     nullptr));
  EXPECT_FALSE(IsWindowVisible(placeholder));
  CRect rc;
  list.GetWindowRect(&rc);
  parentWnd_.ScreenToClient(&rc);
  EXPECT_EQ(rc, CRect(20, 30, 170, 130));
  EXPECT_EQ(list.GetDlgCtrlID(), 1033);
}

}  // namespace
