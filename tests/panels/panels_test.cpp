// The side panels of the main reference window as a user meets them: the panel of the page's
// module, its entry of the page selected, a chosen entry shown in the window, the dictionary's
// seek edit and tables menu, and panels over navigation tables that are empty or missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "AstroDict.h"
#include "DCPanel.h"
#include "FlatMenu.h"
#include "Panel.h"
#include "dao/dao.h"
#include "mfc/treectrl.h"
#include "host_window.h"
#include "nuxsv_env.h"
#include "testing/testing.h"
#include "ui/msgbox.h"

namespace nuxsvtest {
namespace {

using OpenAstroDictFn = void (*)(CWnd*, LPCWSTR, CStringArray*);

std::string U8(const std::u16string& text) { return nux::ToUtf8(text); }
std::string U8(const CString& text) { return Utf8(text); }

void ClickAt(HWND window, const RECT& clientRect) {
  POINT p{(clientRect.left + clientRect.right) / 2, (clientRect.top + clientRect.bottom) / 2};
  ::ClientToScreen(window, &p);
  nux::testing::MouseMove(p.x, p.y);
  nux::testing::Click(p.x, p.y);
  nux::testing::AdvanceAndPump(200, 5);
}

class Panels : public LibraryWindowTest {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}});
    nux::ui::ClearMessageBoxLog();
    inst_.WriteIni("UserData=UserData\r\n[Strings]\r\nNoDictMessage=Kein Lexikon.\r\n");
    for (const char* code : {"dict", "dctb", "recb", "hlps", "pgal"}) {
      inst_.root.Write(std::string("drive_c/Content/HTML/") + code + ".htm", "<HTML><BODY></BODY></HTML>");
    }
    // A second reference-book page behind the tree's entry "Planeten", and a reference-book
    // page that no entry leads to.
    Execute({u"INSERT INTO SV_MODULE (ID, ID_QBZ_SV, ID_TPL, SV_MODULE, proper_name, HTML) "
             u"VALUES (10, 'recb2', 'recb', 'recb', 'Planeten', '<p>Planeten</p>')",
             u"INSERT INTO SV_MODULE (ID, ID_QBZ_SV, ID_TPL, SV_MODULE, proper_name, HTML) "
             u"VALUES (11, 'recb9', 'recb', 'recb', 'Anhang', '<p>Anhang</p>')",
             u"INSERT INTO SV_MODULE (ID, ID_QBZ_SV, ID_TPL, SV_MODULE, proper_name, HTML) "
             u"VALUES (12, 'rb''mars', 'recb', 'recb', 'Mars', '<p>Mars</p>')",
             u"INSERT INTO RB_NavTree VALUES (4, 3, 'Mars', 'rb''mars')",
             u"UPDATE RB_NavTree SET ID_TA_HTML='recb2' WHERE ID=3",
             u"UPDATE HP_Nav_Tree SET ID_TA_HTML='help0' WHERE ID=1"});
  }

  void Execute(std::initializer_list<const char16_t*> statements) {
    CDaoDatabase db;
    db.Open(u"C:\\Content\\Data\\Content.mdb", FALSE, FALSE, u";pwd=7C0E91AF3B58");
    for (const char16_t* sql : statements) db.Execute(sql);
    db.Close();
  }

  void Start() {
    ASSERT_NO_FATAL_FAILURE(StartLibrary());
    open_ = lib_->Get<OpenAstroDictFn>("NUXSV_OpenAstroDict");
    ASSERT_NE(open_, nullptr);
    ASSERT_TRUE(host_.Create());
  }

  void Open(LPCWSTR condition) {
    open_(&host_, condition, nullptr);
    nux::testing::AdvanceAndPump(300, 5);
  }

  CAstroDict* Window() const { return static_cast<CAstroDict*>(lib_->GetAstroDictCWnd()); }
  CPanel* Panel() const { return Window() != nullptr ? Window()->GetPanel() : nullptr; }
  HWND PanelItem(int id) const { return Panel() != nullptr ? ::GetDlgItem(Panel()->GetSafeHwnd(), id) : nullptr; }

  CTreeCtrl* Tree() const {
    HWND tree = PanelItem(IDC_PANEL_TREE);
    return tree != nullptr ? static_cast<CTreeCtrl*>(CWnd::FromHandle(tree)) : nullptr;
  }

  // The text of the tree's selected entry; "-" for none.
  std::string Selected() const {
    CTreeCtrl* tree = Tree();
    if (tree == nullptr) return "no tree";
    HTREEITEM item = tree->GetSelectedItem();
    return item != nullptr ? U8(tree->GetItemText(item)) : "-";
  }

  HTREEITEM FindEntry(HTREEITEM first, const std::u16string& text) const {
    CTreeCtrl* tree = Tree();
    for (HTREEITEM h = first; h != nullptr; h = tree->GetNextSiblingItem(h)) {
      if (std::u16string(tree->GetItemText(h)) == text) return h;
      if (HTREEITEM found = FindEntry(tree->GetChildItem(h), text)) return found;
    }
    return nullptr;
  }

  void ClickEntry(const std::u16string& text) {
    CTreeCtrl* tree = Tree();
    ASSERT_NE(tree, nullptr);
    HTREEITEM item = FindEntry(tree->GetRootItem(), text);
    ASSERT_NE(item, nullptr) << U8(text);
    RECT rc{};
    ASSERT_TRUE(tree->GetItemRect(item, &rc, TRUE));
    ClickAt(tree->GetSafeHwnd(), rc);
  }

  CDCPanel* Dictionary() const { return static_cast<CDCPanel*>(Panel()); }

  OpenAstroDictFn open_ = nullptr;
};

TEST_F(Panels, EachModuleHasItsPanelWithThePagesEntrySelected) {
  Start();
  const struct {
    const char16_t* condition;
    const char* module;
    bool tree;
    const char* selected;
  } cases[] = {
      {u"ID=6", "RECB", true, "Sternbilder"},  // recb1: the first entry of the page
      {u"ID=10", "RECB", true, "Planeten"},
      {u"ID=5", "PGAL", true, "Galaxien"},
      {u"ID=7", "HELP", true, "Suchen"},       // a child entry: its branch is opened
      {u"ID=3", "DICT", false, nullptr},
      {u"ID=6", "RECB", true, "Sternbilder"},
  };
  HWND previous = nullptr;
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(std::u16string(c.condition)));
    Open(c.condition);
    ASSERT_NE(Panel(), nullptr);
    EXPECT_EQ(U8(Window()->GetModule()), c.module);
    HWND panel = Panel()->GetSafeHwnd();
    EXPECT_TRUE(::IsWindowVisible(panel));
    EXPECT_EQ(::GetParent(panel), Window()->GetSafeHwnd());
    RECT rc{}, client{};
    ::GetWindowRect(panel, &rc);
    Window()->ScreenToClient(&rc);
    Window()->GetClientRect(&client);
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, CAstroDict::kPanelTop);
    EXPECT_EQ(rc.bottom, client.bottom);
    // A change of module replaces the panel; the old one is gone.
    if (previous != nullptr && previous != panel) {
      EXPECT_FALSE(::IsWindow(previous));
    }
    previous = panel;
    if (c.tree) {
      EXPECT_EQ(Selected(), c.selected);
    } else {
      EXPECT_NE(PanelItem(IDC_PANEL_SEEK), nullptr);
      EXPECT_EQ(Dictionary()->m_list.GetSelectedKey(), 3);
    }
  }
  // The panels' selections showed nothing themselves: one history entry per request.
  EXPECT_EQ(Window()->m_History.GetCount(), 6u);
}

TEST_F(Panels, AChosenTreeEntryShowsItsPageAndAPageOutsideTheTreeClearsTheSelection) {
  Start();
  Open(u"ID=6");
  ClickEntry(u"Planeten");
  EXPECT_EQ(Window()->GetContentID(), 10);
  EXPECT_EQ(U8(Window()->GetObjectID()), "recb2");
  EXPECT_EQ(Selected(), "Planeten");
  EXPECT_EQ(Window()->m_History.GetCount(), 2u);

  // The same module's page in no entry: the panel stays and selects nothing.
  CPanel* panel = Panel();
  Open(u"ID=11");
  EXPECT_EQ(Panel(), panel);
  EXPECT_EQ(Selected(), "-");
  EXPECT_EQ(Window()->GetContentID(), 11);

  // An identifier with a quote finds its entry, and its entry its page.
  Open(u"ID=12");
  EXPECT_EQ(Selected(), "Mars");
  ClickEntry(u"Planeten");
  EXPECT_EQ(Window()->GetContentID(), 10);
  ClickEntry(u"Mars");
  EXPECT_EQ(Window()->GetContentID(), 12);
  EXPECT_EQ(Window()->m_History.GetCount(), 6u);

  // Help: the entry whose page is missing from the content shows nothing new.
  Open(u"ID=7");
  ClickEntry(u"Hilfe");
  EXPECT_EQ(Window()->GetContentID(), 7);
  EXPECT_EQ(Window()->m_History.GetCount(), 7u);
}

TEST_F(Panels, TheNavigationTreeFollowsKeyPressesAndShowsEachEntrysPage) {
  Start();
  Open(u"ID=10");
  ASSERT_EQ(Selected(), "Planeten");
  ClickEntry(u"Planeten");  // the click gives the tree the focus
  ASSERT_EQ(::GetFocus(), Tree()->GetSafeHwnd());
  // (Orion shares its page with Sternbilder, whose entry the page then selects: left out.)
  const struct {
    UINT vk;
    const char* selected;
    long content;
  } cases[] = {
      {VK_DOWN, "Mars", 12},        {VK_BACK, "Planeten", 10}, {VK_LEFT, "Planeten", 10},  // closes
      {VK_DOWN, "Planeten", 10},    // the last visible entry
      {VK_RIGHT, "Planeten", 10},   {VK_RIGHT, "Mars", 12},    {VK_HOME, "Sternbilder", 6},
      {VK_END, "Mars", 12},         {VK_UP, "Planeten", 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vk);
    nux::testing::KeyPress(c.vk);
    nux::testing::AdvanceAndPump(200, 5);
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(Window()->GetContentID(), c.content);
  }
  // A typed letter finds the visible entry that begins with it.
  nux::testing::AdvanceAndPump(1000, 50);
  nux::testing::KeyPress('S');
  nux::testing::AdvanceAndPump(200, 5);
  EXPECT_EQ(Selected(), "Sternbilder");
  EXPECT_EQ(Window()->GetContentID(), 6);
}

TEST_F(Panels, EmptyOrMissingNavigationTablesLeaveAnEmptyTree) {
  Execute({u"DELETE FROM RB_NavTree", u"DROP TABLE HP_Nav_Tree"});
  Start();
  for (const char16_t* condition : {u"ID=6", u"ID=7"}) {
    Open(condition);
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(Tree()->GetCount(), 0u);
    EXPECT_EQ(Selected(), "-");
  }
  EXPECT_EQ(Window()->GetContentID(), 7);
  EXPECT_TRUE(nux::ui::MessageBoxLog().empty());
}

TEST_F(Panels, DictionaryListSeekAndClick) {
  Start();
  Open(u"ID=1");
  CDCPanel* panel = Dictionary();
  ASSERT_NE(panel, nullptr);
  ASSERT_NE(PanelItem(IDC_PANEL_SEEK), nullptr);
  EXPECT_EQ(panel->m_list.GetSelectedKey(), 1);
  // Head words by name: Aldebaran, Beteigeuze, Halleyscher Komet, Sirius.
  ASSERT_GE(panel->m_list.m_nRows, 4);
  EXPECT_EQ(panel->m_list.m_rows[0].nKey, 3);

  // Typing moves the list only, to the first word at or after the text; a quote is a
  // character of the word.
  const struct {
    const char16_t* text;
    long firstKey;
  } seeks[] = {{u"Bet", 2}, {u"h", 8}, {u"O'Neil", 1}, {u"Zz", 1}, {u"", 3}};
  for (const auto& s : seeks) {
    ::SetWindowTextW(PanelItem(IDC_PANEL_SEEK), s.text);
    nux::testing::AdvanceAndPump(100, 5);
    EXPECT_EQ(panel->m_list.m_rows[0].nKey, s.firstKey) << U8(std::u16string(s.text));
  }
  EXPECT_EQ(Window()->GetContentID(), 1);
  EXPECT_EQ(Window()->m_History.GetCount(), 1u);

  // A click on a row shows its page; the panel stays and selects it.
  RECT rc{};
  panel->m_list.m_rows[1].pItem->GetClientRect(&rc);
  ClickAt(panel->m_list.m_rows[1].pItem->GetSafeHwnd(), rc);
  EXPECT_EQ(Window()->GetContentID(), 2);
  EXPECT_EQ(Dictionary(), panel);
  EXPECT_EQ(panel->m_list.GetSelectedKey(), 2);
  EXPECT_EQ(Window()->m_History.GetCount(), 2u);
}

TEST_F(Panels, TablesMenuShowsTheChosenTable) {
  Start();
  Open(u"ID=1");
  ASSERT_NE(PanelItem(IDC_PANEL_TABLES), nullptr);
  RECT rc{};
  host_.choose = 1;
  ::GetClientRect(PanelItem(IDC_PANEL_TABLES), &rc);
  ClickAt(PanelItem(IDC_PANEL_TABLES), rc);
  ASSERT_EQ(host_.menus, 1);
  EXPECT_EQ(host_.menuTexts, (std::vector<std::u16string>{u"Die hellsten Sterne"}));
  EXPECT_EQ(Window()->GetContentID(), 4);
  EXPECT_EQ(U8(Window()->GetModule()), "DICT");  // a table keeps the dictionary's panel
}

TEST_F(Panels, AnEmptyTablesMenuChangesNothing) {
  Execute({u"DELETE FROM SV_MODULE WHERE ID_TPL='dctb'"});
  Start();
  Open(u"ID=1");
  RECT rc{};
  ::GetClientRect(PanelItem(IDC_PANEL_TABLES), &rc);
  ClickAt(PanelItem(IDC_PANEL_TABLES), rc);
  EXPECT_EQ(host_.menus, 1);
  EXPECT_TRUE(host_.menuTexts.empty());
  EXPECT_EQ(Window()->GetContentID(), 1);
  EXPECT_EQ(Window()->m_History.GetCount(), 1u);
}

TEST_F(Panels, SnapshotOfTheHelpTreeAndTheWordList) {
  Start();
  const struct {
    const char16_t* condition;
    int content;
    const char* file;
  } cases[] = {{u"ID=7", IDC_PANEL_TREE, "panel-help.png"}, {u"ID=1", IDC_PANEL_LIST, "panel-dictionary.png"}};
  for (const auto& c : cases) {
    Open(c.condition);
    ASSERT_NE(Panel(), nullptr);
    HWND content = PanelItem(c.content);
    ASSERT_NE(content, nullptr);
    // The panel's content lies in the main window's left area, below the caption and tabs.
    RECT rc{};
    ::GetWindowRect(content, &rc);
    Window()->ScreenToClient(&rc);
    EXPECT_GE(rc.top, CAstroDict::kPanelTop);
    EXPECT_GT(rc.bottom - rc.top, 300);
    nux::gdi::Surface shot;
    ASSERT_TRUE(nux::testing::CaptureWindow(Window()->GetSafeHwnd(), &shot));
    if (c.content == IDC_PANEL_TREE) {
      // The tree's background below its entries: nothing of the window's own areas paints over it.
      EXPECT_EQ(shot.colorAt(rc.left + 100, rc.bottom - 20), 0x3C3432u);
    }
    if (const char* dir = std::getenv("NUX_SNAPSHOT_DIR")) {
      EXPECT_TRUE(nux::testing::WriteWindowPng(Window()->GetSafeHwnd(), std::string(dir) + "/" + c.file));
    }
  }
}

}  // namespace
}  // namespace nuxsvtest
