// The tree-view control's keyboard, typed through the input path: the item each key selects,
// expanding and collapsing, the incremental search by typed text, and the focus on a click; where
// inserted items go, and the scroll range through the changes.
#include <map>
#include <string>
#include <vector>

#include "base/codepage.h"

#include "ui/treeview.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

class TreeViewKeys : public UiTest {
 protected:
  // Andromeda { Alpha, Äquator { Ziel } }, Beta, Bärenhüter, Straße, Zenith; 4 rows high.
  void SetUp() override {
    UiTest::SetUp();
    top_ = Top(0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
    tree_ = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 10, 10, 200, 64, top_,
                            reinterpret_cast<HMENU>(static_cast<uintptr_t>(7)), nullptr, nullptr);
    HTREEITEM andromeda = Add(u"Andromeda", TVI_ROOT);
    Add(u"Alpha", andromeda);
    HTREEITEM aequator = Add(u"\u00C4quator", andromeda);
    Add(u"Ziel", aequator);
    Add(u"Beta", TVI_ROOT);
    Add(u"B\u00E4renh\u00FCter", TVI_ROOT);
    Add(u"Stra\u00DFe", TVI_ROOT);
    Add(u"Zenith", TVI_ROOT);
    Rec().handlers[top_] = [this](HWND, UINT m, WPARAM, LPARAM l, LRESULT*) {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(l);
      if (m == WM_NOTIFY && nm->hdr.code == TVN_SELCHANGEDW) changes_.push_back(*nm);
      return false;
    };
    SetFocus(tree_);
  }
  HTREEITEM Add(const std::u16string& text, HTREEITEM parent) {
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT;
    is.item.pszText = const_cast<LPWSTR>(text.c_str());
    auto h = reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
    texts_[h] = text;
    return h;
  }
  HTREEITEM Get(UINT what, HTREEITEM from = nullptr) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, what, reinterpret_cast<LPARAM>(from)));
  }
  std::u16string Selected() {
    HTREEITEM h = Get(TVGN_CARET);
    return h ? texts_[h] : u"(none)";
  }
  // The visible items, top to bottom.
  std::vector<std::u16string> Visible() {
    std::vector<std::u16string> out;
    for (HTREEITEM h = Get(TVGN_ROOT); h; h = Get(TVGN_NEXTVISIBLE, h)) out.push_back(texts_[h]);
    return out;
  }

  HWND top_ = nullptr;
  HWND tree_ = nullptr;
  std::map<HTREEITEM, std::u16string> texts_;
  std::vector<NMTREEVIEWW> changes_;
};

TEST_F(TreeViewKeys, EachKeySelectsOrOpensAsTheControlDoes) {
  struct Case {
    UINT vk;
    const char16_t* selected;
    int visible;  // rows visible after the key
  } cases[] = {
      {VK_DOWN, u"Andromeda", 5},  // nothing selected yet: the first item
      {VK_RIGHT, u"Andromeda", 7}, // collapsed: opens
      {VK_RIGHT, u"Alpha", 7},     // open: its first child
      {VK_DOWN, u"\u00C4quator", 7},
      {VK_RIGHT, u"\u00C4quator", 8},
      {VK_RIGHT, u"Ziel", 8},
      {VK_RIGHT, u"Ziel", 8},  // no children: nothing
      {VK_LEFT, u"\u00C4quator", 8},  // not open: the parent
      {VK_LEFT, u"\u00C4quator", 7},  // open: closes
      {VK_BACK, u"Andromeda", 7},
      {VK_BACK, u"Andromeda", 7},  // the top level has no parent
      {VK_END, u"Zenith", 7},
      {VK_DOWN, u"Zenith", 7},
      {VK_HOME, u"Andromeda", 7},
      {VK_UP, u"Andromeda", 7},
      {VK_NEXT, u"Beta", 7},  // a page is the 4 visible rows less one
      {VK_NEXT, u"Zenith", 7},
      {VK_NEXT, u"Zenith", 7},
      {VK_PRIOR, u"Beta", 7},
      {VK_PRIOR, u"Andromeda", 7},
      {VK_SUBTRACT, u"Andromeda", 5},
      {VK_ADD, u"Andromeda", 7},
      {VK_SUBTRACT, u"Andromeda", 5},
      {VK_MULTIPLY, u"Andromeda", 8},  // the whole branch
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "vk " << c.vk << " then " << nux::ToUtf8(c.selected));
    nux::testing::KeyPress(c.vk);
    nux::testing::PumpMessages();
    EXPECT_EQ(Selected(), c.selected);
    EXPECT_EQ(static_cast<int>(Visible().size()), c.visible);
  }
  // Every change was told to the parent whole: old and new item, by the keyboard.
  ASSERT_FALSE(changes_.empty());
  EXPECT_EQ(changes_[0].itemOld.hItem, nullptr);
  for (size_t i = 1; i < changes_.size(); ++i) {
    EXPECT_EQ(changes_[i].action, static_cast<UINT>(TVC_BYKEYBOARD));
    EXPECT_EQ(changes_[i].itemOld.hItem, changes_[i - 1].itemNew.hItem);
  }
  // The selection stays in view as it moves.
  nux::testing::KeyPress(VK_END);
  nux::testing::PumpMessages();
  RECT rc{};
  *reinterpret_cast<HTREEITEM*>(&rc) = Get(TVGN_CARET);
  ASSERT_TRUE(SendMessageW(tree_, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&rc)));
  EXPECT_GE(rc.top, 0);
  EXPECT_LE(rc.bottom, 64);
}

TEST_F(TreeViewKeys, TypedTextFindsVisibleItemsWithoutCaseAndStartsAfreshAfterAPause) {
  nux::testing::KeyPress(VK_MULTIPLY);  // nothing selected: nothing opens
  nux::testing::KeyPress(VK_HOME);
  nux::testing::KeyPress(VK_MULTIPLY);
  nux::testing::PumpMessages();
  ASSERT_EQ(Visible().size(), 8u);
  struct Case {
    std::u16string typed;  // each character typed at once after the one before
    int pauseBefore;       // milliseconds before the first character
    const char16_t* selected;
  } cases[] = {
      {u"b", 0, u"Beta"},
      {u"b", 0, u"B\u00E4renh\u00FCter"},  // the same letter again: the next item with it
      {u"b", 0, u"Beta"},                  // and round to the first
      {u"STRASSE", 1100, u"Stra\u00DFe"},  // the platform's folding: "ß" matches "SS"
      {u"\u00E4", 1100, u"\u00C4quator"},  // an accented letter in either case
      {u"ZE", 1100, u"Zenith"},            // "Z" finds Ziel first, "ZE" goes on to Zenith
      {u"q", 1100, u"Zenith"},             // no match: the selection stays
      {u"a", 500, u"Zenith"},              // within the pause: "qa" matches nothing
      {u"a", 1100, u"Andromeda"},          // after it: a new search, from the selection on
      {u"lp", 0, u"Alpha"},                // at once: "alp" goes on from the selection
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(nux::ToUtf8(c.typed));
    if (c.pauseBefore) nux::testing::AdvanceAndPump(static_cast<DWORD>(c.pauseBefore), 100);
    for (char16_t ch : c.typed) {
      if (ch < 0x80)
        nux::testing::KeyPress(ch >= u'a' && ch <= u'z' ? ch - 32 : ch);  // a key, with its character
      else
        nux::testing::TypeText(std::u16string(1, ch));  // a character from text input
    }
    nux::testing::PumpMessages();
    EXPECT_EQ(Selected(), c.selected);
  }
}

TEST_F(TreeViewKeys, AClickOnAnItemGivesTheTreeTheFocus) {
  HWND other = Child(top_, 8, 220, 10, 50, 20);
  SetFocus(other);
  HTREEITEM beta = Get(TVGN_NEXT, Get(TVGN_ROOT));
  RECT rc{};
  *reinterpret_cast<HTREEITEM*>(&rc) = beta;
  ASSERT_TRUE(SendMessageW(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc)));
  POINT p{rc.left + 5, (rc.top + rc.bottom) / 2};
  ClientToScreen(tree_, &p);
  nux::testing::Click(p.x, p.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), tree_);
  EXPECT_EQ(Selected(), u"Beta");
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].action, static_cast<UINT>(TVC_BYMOUSE));
}

}  // namespace

// Items land where they are inserted, also after deletions at the end of a level and after
// insertions into other levels; the scroll range follows the rows through every change.
TEST_F(TreeViewKeys, ItemsGoWhereInsertedAndTheScrollRangeCountsTheRows) {
  SetWindowLongW(tree_, GWL_STYLE, GetWindowLongW(tree_, GWL_STYLE) | WS_VSCROLL);
  auto byText = [&](const std::u16string& text) {
    for (const auto& [h, t] : texts_)
      if (t == text) return h;
    return HTREEITEM(nullptr);
  };
  auto level = [&](HTREEITEM parent) {
    std::vector<std::u16string> out;
    for (HTREEITEM h = parent ? Get(TVGN_CHILD, parent) : Get(TVGN_ROOT); h; h = Get(TVGN_NEXT, h))
      out.push_back(texts_[h]);
    return out;
  };
  auto scrollMax = [&] {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE;
    GetScrollInfo(tree_, SB_VERT, &si);
    return si.nMax;
  };
  auto setState = [&](HTREEITEM h, UINT state) {
    TVITEMW it{};
    it.mask = TVIF_STATE;
    it.hItem = h;
    it.state = state;
    it.stateMask = TVIS_EXPANDED;
    SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  };
  const HTREEITEM andromeda = byText(u"Andromeda");
  const HTREEITEM beta = byText(u"Beta");
  SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(byText(u"Zenith")));
  Add(u"Omega", TVI_ROOT);
  SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(byText(u"Alpha")));
  SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(byText(u"\u00C4quator")));
  Add(u"Gamma", andromeda);
  Add(u"Delta", andromeda);
  TVINSERTSTRUCTW is{};
  is.item.mask = TVIF_TEXT;
  const std::u16string first = u"Erste", after = u"Beta 2";
  is.hParent = TVI_ROOT;
  is.hInsertAfter = TVI_FIRST;
  is.item.pszText = const_cast<LPWSTR>(first.c_str());
  texts_[reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)))] = first;
  is.hInsertAfter = beta;
  is.item.pszText = const_cast<LPWSTR>(after.c_str());
  texts_[reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)))] = after;
  Add(u"Psi", TVI_ROOT);
  EXPECT_EQ(level(nullptr), (std::vector<std::u16string>{u"Erste", u"Andromeda", u"Beta", u"Beta 2", u"B\u00E4renh\u00FCter",
                                                         u"Stra\u00DFe", u"Omega", u"Psi"}));
  EXPECT_EQ(level(andromeda), (std::vector<std::u16string>{u"Gamma", u"Delta"}));
  EXPECT_EQ(scrollMax(), 7);  // eight rows
  setState(andromeda, TVIS_EXPANDED);
  EXPECT_EQ(scrollMax(), 9);
  TVITEMW text{};
  text.mask = TVIF_TEXT;
  text.hItem = beta;
  text.pszText = const_cast<LPWSTR>(u"Beta");
  SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_EQ(scrollMax(), 9);
  setState(andromeda, 0);
  EXPECT_EQ(scrollMax(), 7);
  Add(u"Epsilon", andromeda);  // under a closed item: no row
  EXPECT_EQ(scrollMax(), 7);
  SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(andromeda));
  EXPECT_EQ(scrollMax(), 10);
  EXPECT_EQ(level(andromeda), (std::vector<std::u16string>{u"Gamma", u"Delta", u"Epsilon"}));
  Add(u"Zeta", andromeda);
  EXPECT_EQ(scrollMax(), 11);
}
