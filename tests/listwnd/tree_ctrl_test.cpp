#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NUXTreeCtrl.h"
#include "Report.h"
#include "listwnd_fixture.h"
#include "testing/testing.h"
#include "ui/ui.h"

namespace {

using lwtest::Received;

// A navigation table:
//   1 Sky            6 Help
//     2 Stars
//       4 Bright stars (title with a reference, tags and blanks)
//         5 Sirius
//     3 Planets
// and records outside the tree: 9 is its own parent, 10 and 11 each other's.
const std::vector<std::u16string> kNavigation = {
    u"CREATE TABLE Nav (ID LONG, PID LONG, Title TEXT(100), ID_TA_HTML TEXT(50))",
    u"INSERT INTO Nav VALUES (1, 0, 'Sky', 'a.htm')",
    u"INSERT INTO Nav VALUES (2, 1, 'Stars', 'b.htm')",
    u"INSERT INTO Nav VALUES (3, 1, 'Planets', 'c.htm')",
    u"INSERT INTO Nav VALUES (4, 2, '  &#66;right <b>stars</b> ', 'd.htm')",
    u"INSERT INTO Nav VALUES (5, 4, 'Sirius', 'e.htm')",
    u"INSERT INTO Nav VALUES (6, 0, 'Help', 'f.htm')",
    u"INSERT INTO Nav VALUES (9, 9, 'Loop', 'g.htm')",
    u"INSERT INTO Nav VALUES (10, 11, 'Ping', 'h.htm')",
    u"INSERT INTO Nav VALUES (11, 10, 'Pong', 'i.htm')",
};

class TreeCtrlTest : public lwtest::WindowTest {
 protected:
  CNUXTreeCtrl* MakeTree(DWORD style = 0, LPCWSTR table = u"Nav") {
    if (!db_) MakeDatabase(kNavigation);
    tree_ = std::make_unique<CNUXTreeCtrl>();
    EXPECT_TRUE(tree_->Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | style, CRect(10, 10, 260, 310), &parentWnd_, 1084));
    EXPECT_TRUE(tree_->Init(db_.get(), table, u"", u"ID ASC", u"Arial", 80, 1));
    tree_->Refresh();
    nux::testing::PumpMessages();
    Received().clear();
    return tree_.get();
  }
  // The texts of a level, placeholders included.
  std::vector<std::u16string> Level(HTREEITEM first) {
    std::vector<std::u16string> texts;
    for (HTREEITEM h = first; h; h = tree_->GetNextSiblingItem(h)) texts.emplace_back(tree_->GetItemText(h).GetString());
    return texts;
  }
  HTREEITEM Item(long id) { return tree_->FindItemByID(id); }
  // Screen point on an item's row, x pixels from the tree's left edge.
  POINT OnRow(HTREEITEM item, int x) {
    RECT rc;
    tree_->GetItemRect(item, &rc, FALSE);
    return Screen(tree_->m_hWnd, x, (rc.top + rc.bottom) / 2);
  }
  void TearDown() override {
    tree_.reset();
    lwtest::WindowTest::TearDown();
  }
  std::unique_ptr<CNUXTreeCtrl> tree_;
};

TEST_F(TreeCtrlTest, LevelsAreReadWhenFirstExpanded) {
  CNUXTreeCtrl* tree = MakeTree();
  EXPECT_EQ(Level(tree->GetRootItem()), (std::vector<std::u16string>{u"Sky", u"Help"}));
  HTREEITEM sky = tree->GetRootItem();
  EXPECT_EQ(Level(tree->GetChildItem(sky)), (std::vector<std::u16string>{u"~"}));
  EXPECT_EQ(tree->GetChildItem(tree->GetNextSiblingItem(sky)), nullptr);
  EXPECT_EQ(tree->GetCount(), 3u);
  tree->Expand(sky, TVE_EXPAND);
  EXPECT_EQ(Level(tree->GetChildItem(sky)), (std::vector<std::u16string>{u"Stars", u"Planets"}));
  EXPECT_EQ(Level(tree->GetChildItem(Item(2))), (std::vector<std::u16string>{u"~"}));
  EXPECT_EQ(tree->GetCount(), 5u);
  // Expanding again reads nothing twice.
  tree->Expand(sky, TVE_COLLAPSE);
  tree->Expand(sky, TVE_EXPAND);
  EXPECT_EQ(tree->GetCount(), 5u);
  // Item data: the record's ID and PID.
  EXPECT_EQ(tree->GetItemID(Item(3)), 3);
  EXPECT_EQ(reinterpret_cast<CNUXTreeCtrl::ItemData*>(tree->GetItemData(Item(3)))->nValue, 1);
}

TEST_F(TreeCtrlTest, SelectIdDeepInACollapsedTreeOpensItsAncestors) {
  CNUXTreeCtrl* tree = MakeTree();
  tree->SelectID(5, TRUE);
  EXPECT_EQ(tree->GetSelectedID(), 5);
  EXPECT_EQ(tree->GetParentID(), 4);
  EXPECT_EQ(std::u16string(tree->GetItemText(Item(4)).GetString()), u"Bright stars");
  for (long id : {1L, 2L, 4L}) EXPECT_TRUE(tree->GetItemState(Item(id), TVIS_EXPANDED)) << id;
  EXPECT_EQ(Of(WM_NOTIFY).size(), 1u);
  // Chains without a top level change nothing; an unknown or 0 ID clears the selection.
  for (long id : {9L, 10L}) {
    tree->SelectID(id, TRUE);
    EXPECT_EQ(tree->GetSelectedID(), 5) << id;
  }
  tree->SelectID(999, TRUE);
  EXPECT_EQ(tree->GetSelectedID(), -1);
  tree->SelectID(3, TRUE);
  EXPECT_EQ(tree->GetSelectedID(), 3);
  EXPECT_EQ(tree->GetPrevID(), 2);
  EXPECT_EQ(tree->GetNextID(), -1);
  tree->SelectID(0, TRUE);
  EXPECT_EQ(tree->GetSelectedID(), -1);
  EXPECT_EQ(std::u16string(tree->GetSelectedText().GetString()), u"");
}

TEST_F(TreeCtrlTest, RefreshKeepsTheSelectionWithoutTellingTheParent) {
  CNUXTreeCtrl* tree = MakeTree();
  tree->SelectID(4, TRUE);
  Received().clear();
  db_->Execute(u"INSERT INTO Nav VALUES (12, 0, 'Zodiac', 'z.htm')");
  tree->Refresh();
  EXPECT_EQ(tree->GetSelectedID(), 4);
  EXPECT_EQ(Level(tree->GetRootItem()), (std::vector<std::u16string>{u"Sky", u"Help", u"Zodiac"}));
  EXPECT_TRUE(Of(WM_NOTIFY).empty());
  EXPECT_EQ(tree->m_nSuppressSelChange, 0);
  // The next change is told again.
  tree->SelectID(3, TRUE);
  EXPECT_EQ(Of(WM_NOTIFY).size(), 1u);
  // A change while suppressed is kept from the parent once.
  tree->SuppressSelChange();
  tree->SelectID(2, TRUE);
  tree->SelectID(5, TRUE);
  EXPECT_EQ(Of(WM_NOTIFY).size(), 2u);
  // The selected entry's chain turned into a cycle: the refresh selects nothing, and the next
  // selection still reaches the parent.
  db_->Execute(u"UPDATE Nav SET PID = 5 WHERE ID = 1");
  tree->Refresh();
  EXPECT_EQ(tree->GetSelectedID(), -1);
  EXPECT_EQ(tree->m_nSuppressSelChange, 0);
  Received().clear();
  tree->SelectID(6, TRUE);
  EXPECT_EQ(Of(WM_NOTIFY).size(), 1u);
}

TEST_F(TreeCtrlTest, MouseTellsTheParentOfHotItemsRightClicksAndSelection) {
  CNUXTreeCtrl* tree = MakeTree(TVS_LINESATROOT);  // a button column at the top level
  HTREEITEM sky = tree->GetRootItem();
  HTREEITEM help = tree->GetNextSiblingItem(sky);
  POINT onSky = OnRow(sky, 40), onHelp = OnRow(help, 40);
  nux::testing::MouseMove(onSky.x, onSky.y);
  nux::testing::MouseMove(onSky.x + 5, onSky.y);  // the same item: no second message
  nux::testing::MouseMove(onHelp.x, onHelp.y);
  POINT below = Screen(tree->m_hWnd, 40, 250);
  nux::testing::MouseMove(below.x, below.y);
  nux::testing::Click(onHelp.x, onHelp.y, nux::testing::Button::Right);
  nux::testing::PumpMessages();
  std::vector<std::pair<UINT, LPARAM>> got;
  for (auto& s : Received()) got.emplace_back(s.message, s.lParam);
  std::vector<std::pair<UINT, LPARAM>> want = {
      {WM_NUXTREE_HOTITEM, reinterpret_cast<LPARAM>(sky)},
      {WM_NUXTREE_HOTITEM, reinterpret_cast<LPARAM>(help)},
      {WM_NUXTREE_NOITEM, 0},
      {WM_NUXTREE_HOTITEM, reinterpret_cast<LPARAM>(help)},
      {WM_NUXTREE_RCLICK, reinterpret_cast<LPARAM>(help)},
  };
  EXPECT_EQ(got, want);
  // A left click on a label selects the item and the parent hears of it.
  Received().clear();
  nux::testing::Click(onSky.x, onSky.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(tree->GetSelectedID(), 1);
  ASSERT_EQ(Of(WM_NOTIFY).size(), 1u);
  EXPECT_EQ(Of(WM_NOTIFY)[0].wParam, 1084u);
  // A click on the button (the first indent column) opens the level.
  POINT button = OnRow(sky, 5);
  nux::testing::Click(button.x, button.y);
  nux::testing::PumpMessages();
  EXPECT_TRUE(tree->GetItemState(sky, TVIS_EXPANDED));
  EXPECT_EQ(Level(tree->GetChildItem(sky)), (std::vector<std::u16string>{u"Stars", u"Planets"}));
}

TEST_F(TreeCtrlTest, CheckBoxClickSetsTheBranchAndTheParents) {
  CNUXTreeCtrl* tree = MakeTree(TVS_CHECKBOXES);
  // With check boxes every level is read at once and the tree is collapsed again.
  EXPECT_EQ(tree->GetCount(), 6u);
  EXPECT_FALSE(tree->GetItemState(tree->GetRootItem(), TVIS_EXPANDED));
  HTREEITEM sky = tree->GetRootItem();
  POINT box = OnRow(sky, 5);
  nux::testing::Click(box.x, box.y);
  nux::testing::PumpMessages();
  for (long id : {1L, 2L, 3L, 4L, 5L}) EXPECT_TRUE(tree->GetCheck(Item(id))) << id;
  EXPECT_FALSE(tree->GetCheck(Item(6)));
  EXPECT_EQ(tree->GetSelectedID(), 1);  // it was unchecked before
  auto checked = Of(WM_NUXTREE_CHECKED);
  ASSERT_EQ(checked.size(), 1u);
  EXPECT_EQ(checked[0].lParam, reinterpret_cast<LPARAM>(sky));
  // Unchecking the deepest leaf unchecks exactly its ancestors.
  tree->SelectID(5, TRUE);
  POINT leaf = OnRow(Item(5), 3 * 19 + 5);
  nux::testing::Click(leaf.x, leaf.y);
  nux::testing::PumpMessages();
  for (long id : {1L, 2L, 4L, 5L}) EXPECT_FALSE(tree->GetCheck(Item(id))) << id;
  EXPECT_TRUE(tree->GetCheck(Item(3)));
  CDWordArray ids, checks;
  tree->CollectIDs(tree->GetRootItem(), ids, checks, TRUE, FALSE);
  std::vector<DWORD> leaves(ids.GetData(), ids.GetData() + ids.GetSize());
  EXPECT_EQ(leaves, (std::vector<DWORD>{5, 3, 6}));
}

TEST_F(TreeCtrlTest, PaintsItsColoursWithWhiteKeptOffWhite) {
  CNUXTreeCtrl* tree = MakeTree();
  tree->SetColors(0x000000, 0x00FFFF, 0xFFFFFF, 0xFFFFFF, 0xC00000, 0x0000C0);
  EXPECT_EQ(tree->m_crColors[3], 0xFFFFF0u);
  EXPECT_EQ(tree->m_crColors[2], 0xFFFFF0u);
  tree->SelectID(6, TRUE);
  tree->Invalidate();
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(tree->m_hWnd, &shot));
  RECT help;
  tree->GetItemRect(Item(6), &help, FALSE);
  // Background below the items, the selected row's text area in the selected background.
  EXPECT_EQ(shot.colorAt(100, 250), 0xFFFFF0u);
  EXPECT_EQ(shot.colorAt(200, (help.top + help.bottom) / 2), 0x0000C0u);
  EXPECT_EQ(shot.colorAt(2, (help.top + help.bottom) / 2), 0xFFFFF0u);
}

TEST_F(TreeCtrlTest, FailedFillKeepsWhatItHasAndTheTreeRecovers) {
  MakeDatabase(kNavigation);
  db_->Execute(u"CREATE TABLE Bare (ID LONG, PID LONG, Name TEXT(10))");
  db_->Execute(u"INSERT INTO Bare VALUES (1, 0, 'x')");
  // No Title column: the level query fails, nothing is inserted and neither recordset is left
  // behind (open or undeleted).
  CNUXTreeCtrl* tree = MakeTree(0, u"Bare");
  EXPECT_EQ(tree->GetCount(), 0u);
  EXPECT_FALSE(tree->m_pRecordset->IsOpen());
  // An order the database rejects, a table that is missing: the same.
  tree->SetOrder(u"Nope ASC");
  tree->Refresh();
  EXPECT_EQ(tree->GetCount(), 0u);
  ASSERT_TRUE(tree->SetSource(db_.get(), u"Missing", u"", u"ID ASC"));
  tree->Refresh();
  EXPECT_EQ(tree->GetCount(), 0u);
  EXPECT_FALSE(tree->m_pRecordset->IsOpen());
  EXPECT_FALSE(tree->Init(db_.get(), u"Nav", u"", u"ID ASC", u"Arial", 80, 1));  // once only
  EXPECT_FALSE(tree->SetSource(nullptr, u"Nav", u"", u"ID ASC"));
  ASSERT_TRUE(tree->SetSource(db_.get(), u"Nav", u"ID < 4", u"ID DESC"));
  tree->Refresh();
  EXPECT_EQ(Level(tree->GetRootItem()), (std::vector<std::u16string>{u"Sky"}));
  tree->Expand(tree->GetRootItem(), TVE_EXPAND);
  EXPECT_EQ(Level(tree->GetChildItem(tree->GetRootItem())), (std::vector<std::u16string>{u"Planets", u"Stars"}));
  // Stars' child 4 lies outside the filter: no placeholder.
  EXPECT_EQ(tree->GetChildItem(Item(2)), nullptr);
}

// The contexts of the library's error reports while a test watches them.
std::vector<std::u16string>& Reports() {
  static std::vector<std::u16string> r;
  return r;
}
void NoteReport(LPCWSTR context, LPCWSTR) { Reports().emplace_back(context); }

struct WatchReports {
  WatchReports() {
    Reports().clear();
    SetReportWatcher(NoteReport);
  }
  ~WatchReports() { SetReportWatcher(nullptr); }
};

TEST_F(TreeCtrlTest, KeyPressesMoveOpenAndSearchAndEachChangeReachesTheParent) {
  CNUXTreeCtrl* tree = MakeTree();
  // A click gives the tree the focus although the tree handles the press itself.
  POINT onHelp = OnRow(tree->GetNextSiblingItem(tree->GetRootItem()), 30);
  nux::testing::Click(onHelp.x, onHelp.y);
  nux::testing::PumpMessages();
  ASSERT_EQ(::GetFocus(), tree->m_hWnd);
  EXPECT_EQ(tree->GetSelectedID(), 6);
  struct Case {
    UINT vk;
    long selected;
    UINT count;  // items in the tree afterwards (levels read as they open)
  } cases[] = {
      {VK_HOME, 1, 3},      {VK_RIGHT, 1, 5},  // opening Sky reads its level
      {VK_RIGHT, 2, 5},     {VK_RIGHT, 2, 6},  {VK_RIGHT, 4, 6},
      {VK_MULTIPLY, 4, 6},  // reads Sirius' level: it has none
      {VK_DOWN, 5, 6},      {VK_BACK, 4, 6},   {VK_LEFT, 4, 6},  {VK_LEFT, 2, 6},
      {VK_END, 6, 6},       {VK_PRIOR, 1, 6},  {VK_NEXT, 6, 6},  {VK_SUBTRACT, 6, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vk);
    nux::testing::KeyPress(c.vk);
    nux::testing::PumpMessages();
    EXPECT_EQ(tree->GetSelectedID(), c.selected);
    EXPECT_EQ(tree->GetCount(), c.count);
  }
  // Typed letters: the visible items by their beginnings, without case.
  nux::testing::AdvanceAndPump(1100, 100);
  nux::testing::KeyPress('P');
  nux::testing::PumpMessages();
  EXPECT_EQ(tree->GetSelectedID(), 3);
  nux::testing::AdvanceAndPump(1100, 100);
  for (UINT vk : {'B', 'R'}) nux::testing::KeyPress(vk);
  nux::testing::PumpMessages();
  EXPECT_EQ(tree->GetSelectedID(), 4);  // "Bright stars", decoded from its record
  // Every keyboard change reached the parent, each a whole notice.
  const auto& notices = lwtest::SelChanges();
  ASSERT_GE(notices.size(), 10u);
  EXPECT_EQ(notices.back().action, static_cast<UINT>(TVC_BYKEYBOARD));
  EXPECT_EQ(notices.back().itemNew.hItem, Item(4));
  EXPECT_EQ(notices.back().itemOld.hItem, Item(3));
}

TEST_F(TreeCtrlTest, AFailingDatabaseKeepsPlaceholdersAndTheTreeUntilItIsBack) {
  CNUXTreeCtrl* tree = MakeTree();
  const CString path = db_->GetName();
  HTREEITEM sky = tree->GetRootItem();
  WatchReports watch;
  db_->Close();
  // Opening a level: reported once, refused, and the placeholder (so the button) stays.
  tree->Expand(sky, TVE_EXPAND);
  EXPECT_EQ(Reports(), (std::vector<std::u16string>{u"CNUXTreeCtrl::Fill"}));
  EXPECT_FALSE(tree->GetItemState(sky, TVIS_EXPANDED));
  EXPECT_EQ(Level(tree->GetChildItem(sky)), (std::vector<std::u16string>{u"~"}));
  EXPECT_TRUE(tree->ItemHasChildren(sky));
  // The same by the keyboard.
  tree->SetFocus();
  tree->SelectItem(sky);
  nux::testing::KeyPress(VK_RIGHT);
  nux::testing::PumpMessages();
  EXPECT_FALSE(tree->GetItemState(sky, TVIS_EXPANDED));
  EXPECT_EQ(Level(tree->GetChildItem(sky)), (std::vector<std::u16string>{u"~"}));
  // A refresh that cannot read keeps the tree as it is; a select changes nothing.
  Reports().clear();
  tree->Refresh();
  EXPECT_EQ(Level(tree->GetRootItem()), (std::vector<std::u16string>{u"Sky", u"Help"}));
  EXPECT_EQ(tree->GetSelectedID(), 1);
  tree->SelectID(5, TRUE);
  EXPECT_EQ(tree->GetSelectedID(), 1);
  EXPECT_EQ(Reports(), (std::vector<std::u16string>{u"CNUXTreeCtrl::Fill", u"CNUXTreeCtrl::SelectID"}));
  // The database is back: the same item opens and a deep select finds its item.
  db_->Open(path);
  Reports().clear();
  nux::testing::KeyPress(VK_RIGHT);
  nux::testing::PumpMessages();
  EXPECT_TRUE(tree->GetItemState(sky, TVIS_EXPANDED));
  EXPECT_EQ(Level(tree->GetChildItem(sky)), (std::vector<std::u16string>{u"Stars", u"Planets"}));
  tree->SelectID(5, TRUE);
  EXPECT_EQ(tree->GetSelectedID(), 5);
  tree->Refresh();
  EXPECT_EQ(tree->GetSelectedID(), 5);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(TreeCtrlTest, TheNoticeOfASingleExpandButtonIsWhole) {
  CNUXTreeCtrl* tree = MakeTree(TVS_SINGLEEXPAND | TVS_LINESATROOT);
  tree->SelectID(5, TRUE);
  HTREEITEM sky = tree->GetRootItem();
  lwtest::SelChanges().clear();
  // Closing Sky by its button moves the selection onto it; the tree tells the parent so.
  POINT button = OnRow(sky, 5);
  nux::testing::Click(button.x, button.y);
  nux::testing::PumpMessages();
  EXPECT_FALSE(tree->GetItemState(sky, TVIS_EXPANDED));
  EXPECT_EQ(tree->GetSelectedID(), 1);
  ASSERT_FALSE(lwtest::SelChanges().empty());
  const NMTREEVIEWW& last = lwtest::SelChanges().back();
  EXPECT_EQ(last.hdr.hwndFrom, tree->m_hWnd);
  EXPECT_EQ(last.itemNew.hItem, sky);
  EXPECT_EQ(last.itemOld.hItem, Item(5));
  EXPECT_EQ(reinterpret_cast<CNUXTreeCtrl::ItemData*>(last.itemNew.lParam)->nID, 1);
}

TEST_F(TreeCtrlTest, RecordItemsOwnACopyOfTheirData) {
  CNUXTreeCtrl* tree = MakeTree();
  char block[4] = {'a', 'b', 'c', 'd'};
  HTREEITEM item = tree->InsertRecordItem(77, 5, u"Extra", block, 4, TVI_ROOT, TVI_LAST);
  block[0] = 'x';
  auto* data = reinterpret_cast<CNUXTreeCtrl::ItemData*>(tree->GetItemData(item));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data->pData), data->nSize), "abcd");
  EXPECT_EQ(tree->FindItemByID(77), item);
  EXPECT_TRUE(tree->DeleteAll());
  EXPECT_EQ(tree->GetCount(), 0u);
  EXPECT_EQ(tree->FindItemByID(77), nullptr);
  EXPECT_TRUE(tree->DeleteAll());
  EXPECT_TRUE(tree->IsWindowVisible());
}

}  // namespace
