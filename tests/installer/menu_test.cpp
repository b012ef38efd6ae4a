// Menu item lists and the four menu sections.
#include <gtest/gtest.h>

#include "HostMenuResource.h"
#include "MenuItems.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "installer_support.h"

namespace {

TEST(MenuItemLineTest, ParsesOrPassesOver) {
  const struct {
    const char* line;
    bool ok;
    MenuItem item;
  } cases[] = {
      {"100\t  &Open  \t1", true, {kMenuCommand, 100, "&Open", 1}},
      {"-1\tanything\t0", true, {kMenuSeparator, -1, "anything", 0}},
      {"0\tView\t5", true, {kMenuPopup, 0, "View", 5}},
      {"7\tText\t0\textra", true, {kMenuCommand, 7, "Text", 0}},
      {"x\tText\t1", false, {}},
      {"7\tText\tx", false, {}},
      {"7\tText", false, {}},
      {"7", false, {}},
  };
  for (const auto& c : cases) {
    MenuItem item;
    EXPECT_EQ(ParseMenuItemLine(item, c.line), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(item, c.item) << c.line;
    }
  }
}

// A list from a compact description: C<id>:<flag> command, S<flag> separator, P<flag> popup,
// E end marker.
MenuItemList List(const std::vector<std::string>& items) {
  MenuItemList list;
  for (const std::string& s : items) {
    if (s[0] == 'E') {
      list.push_back(MenuEndMarker());
    } else if (s[0] == 'S') {
      list.push_back({kMenuSeparator, -1, "sep", std::stoi(s.substr(1))});
    } else if (s[0] == 'P') {
      list.push_back({kMenuPopup, 0, "pop", std::stoi(s.substr(1))});
    } else {
      const size_t colon = s.find(':');
      list.push_back({kMenuCommand, std::stoi(s.substr(1, colon - 1)), "cmd", std::stoi(s.substr(colon + 1))});
    }
  }
  return list;
}

TEST(MenuFlagsTest, SeparatorFlag) {
  const struct {
    std::vector<std::string> list;
    size_t separator;
    bool flag;
  } cases[] = {
      {{"C1:1", "S0", "C2:1", "E"}, 1, true},
      {{"C1:0", "S1", "C2:1", "E"}, 1, false},
      {{"C1:1", "S1", "C2:0", "E"}, 1, false},
      {{"C1:1", "S0", "E"}, 1, true},  // the end marker's -1 counts
      {{"S1", "C2:1", "E"}, 0, false},  // nothing before the first item
      {{"P1", "C1:0", "E", "S0", "C2:1", "E"}, 3, true},   // after a popup: the popup decides
      {{"P0", "C1:1", "E", "S0", "C2:1", "E"}, 3, false},
      {{"E", "S0", "C2:1", "E"}, 1, false},  // an end marker with no popup before it
      {{"C1:1", "S1"}, 1, false},            // nothing after it
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SeparatorFlag(List(c.list), c.separator), c.flag) << ::testing::PrintToString(c.list);
  }
}

TEST(MenuFlagsTest, PopupFlag) {
  EXPECT_TRUE(PopupFlag(List({"P0", "C1:0", "C2:1", "E"}), 0));
  EXPECT_FALSE(PopupFlag(List({"P1", "C1:0", "C2:0", "E", "C3:1", "E"}), 0));
  EXPECT_FALSE(PopupFlag(List({"P1", "E"}), 0));
}

TEST(MenuTextTest, StripChars) {
  std::string text = "[&Extras]";
  StripChars(text, "&[]");
  EXPECT_EQ(text, "Extras");
}

TEST(HostMenuTest, TessaronMenuLookups) {
  HostMenu menu;
  ASSERT_TRUE(LoadHostMenu(NUX_INSTALLER_FIXTURES "/Tessaron.dll", 128, menu)) << NUX_INSTALLER_FIXTURES;
  ASSERT_EQ(menu.size(), 2u);
  const HostMenuItem* extras = FindPopupByText(menu, "Extras");
  ASSERT_NE(extras, nullptr);
  EXPECT_EQ(extras->text, "E&xtras");
  EXPECT_NE(FindPopupByText(menu, "More"), nullptr);  // nested popups are searched
  EXPECT_EQ(FindPopupByText(menu, "extras"), nullptr);  // case counts
  HostMenuItem found;
  EXPECT_TRUE(FindMenuItemById(&found, extras->items, 210));
  EXPECT_EQ(found.text, "Deep &sky");
  EXPECT_FALSE(FindMenuItemById(nullptr, extras->items, 100));
  EXPECT_TRUE(menu[0].items[1].separator);
  EXPECT_FALSE(LoadHostMenu(NUX_INSTALLER_FIXTURES "/Tessaron.dll", 129, menu));
  EXPECT_FALSE(LoadHostMenu("C:\\none\\Tessaron.dll", 128, menu));
}

class MenuSectionTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    WriteRegister(0, {});
  }
};

TEST_F(MenuSectionTest, ReadAndWriteKeepNestingAndRewriteSeparators) {
  WriteHost("popup.txt",
            "100\tOne\t1\n-1\tline\t1\n0\tSub\t1\n  110\tInner\t0\n}\n-1\tx\t1\n101\tTwo\t7\n}\n");
  FormatIn in("C:\\Host\\popup.txt", 0, '!', '}', 65520);
  in.SetMarginsSpaceDelete(1);
  MenuItemList list;
  EXPECT_TRUE(ReadMenuItems(list, in));
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list[4].kind, kMenuEnd);
  EXPECT_EQ(list[7], MenuEndMarker());
  // Separators compare the flags as read: "Sub" was read with flag 1, and the second separator
  // follows the end of "Sub", so "Sub" stands before it.
  {
    Report out("C:\\Host\\out.txt", "wt");
    WriteMenuItems(list, out);
  }
  EXPECT_EQ(ReadHost("out.txt"),
            "100\tOne\t1\r\n-1\tseparator\t1\r\n0\tSub\t0\r\n110\tInner\t0\r\n}\r\n-1\tseparator\t1\r\n"
            "101\tTwo\t1\r\n}\r\n");
}

TEST_F(MenuSectionTest, ModifyMenuMergesSortsAndUsesTheHostMenu) {
  WriteHost("Tessaron.dll", nuxtest::ReadFile(NUX_INSTALLER_FIXTURES "/Tessaron.dll"));
  WriteHost("menu.txt",
            "View\n10\tZoom\t1\n11\tPan\t0\n}\n"
            "Edit\n20\tCopy\t1\n21\tPaste\t0\n-1\tseparator\t0\n22\tFind\t0\n}\n"
            "Tools\n30\tSettings\t0\n}\n}\n");
  auto setup = Setup(
      "[ModifyMenu]\nmenu.txt\n"
      "Edit\n20\tCopy\t0\n21\tPaste\t1\n}\n"
      "[&Extras]\n200\tSky chart\t0\n0\tMore\t0\n210\tDeep sky\t0\n}\n300\tPlugin tool\t0\n}\n"
      "Tools\n}\n"
      "}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyMenu(*setup, {30, 300, 999}));
  EXPECT_EQ(ReadHost("menu.txt"),
            "Edit\r\n20\tCopy\t1\r\n21\tPaste\t1\r\n-1\tseparator\t0\r\n22\tFind\t0\r\n}\r\n"
            "Tools\r\n30\tSettings\t1\r\n}\r\n"
            "View\r\n10\tZoom\t1\r\n11\tPan\t0\r\n}\r\n"
            "[&Extras]\r\n200\tSky chart\t1\r\n0\tMore\t1\r\n210\tDeep sky\t1\r\n}\r\n300\tPlugin tool\t1\r\n}\r\n"
            "}\r\n");
  const auto pairs = ReadRegisterPairs();
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0].second, Checksum(ReadHost("menu.txt")));
}

TEST_F(MenuSectionTest, ModifyMenuWritesANewTargetWithoutTheHostLibrary) {
  auto setup = Setup("[ModifyMenu]\nnew\\menu.txt\nExtras\n200\tChart\t0\n}\n}\n");
  WriteHost("new\\keep", "");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyMenu(*setup, {}));
  EXPECT_EQ(ReadHost("new\\menu.txt"), "Extras\r\n200\tChart\t0\r\n}\r\n}\r\n");
  auto none = Setup("[ModifyToolbar]\nx\n}\n", "other.ini");
  EXPECT_FALSE(creator.ModifyMenu(*none, {}));
}

TEST_F(MenuSectionTest, ModifyToolbarsMenuTakesHostFlagsAndDropsSeparators) {
  WriteHost("tbmenu.txt", "1\tMain\t0\n2\tDraw\t3\n-1\tseparator\t1\n}\n4\tAfter end\t1\n");
  auto setup = Setup("[ModifyToolbarsMenu]\ntbmenu.txt\n1\tMain\t1\n2\tDraw\t0\n-1\tx\t1\nbad line\n4\tNew\t0\n}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyToolbarsMenu(*setup));
  EXPECT_EQ(ReadHost("tbmenu.txt"), "1\tMain\t1\r\n2\tDraw\t3\r\n4\tNew\t0\r\n}\r\n}\r\n");
}

TEST_F(MenuSectionTest, PopupMenusSetFlagsByPositionAndNeedTheirTarget) {
  WriteHost("rbtn.txt", "1\tA\t0\n2\tB\t0\n3\tC\t0\n}\n");
  auto setup = Setup(
      "[ModifyRBtnPopupMenu]\nrbtn.txt\n9\tX\t0\n9\tY\t4\n}\n"
      "[ModifyFindPopupMenu]\nfind.txt\n1\tA\t1\n}\n");
  PluginFilesCreator creator(7);
  EXPECT_TRUE(creator.ModifyRBtnPopupMenu(*setup));
  // The section's end marker (flag -1) stands at the host's third position.
  EXPECT_EQ(ReadHost("rbtn.txt"), "1\tA\t0\r\n2\tB\t1\r\n3\tC\t1\r\n}\r\n}\r\n");
  EXPECT_FALSE(creator.ModifyFindPopupMenu(*setup));
  EXPECT_FALSE(HostExists("find.txt"));
}

}  // namespace
