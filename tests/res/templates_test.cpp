// Dialog, menu and accelerator templates read into structures, from this program's embedded
// resources and from the PE library built from the same script.
#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "base/errors.h"
#include "base/wstr.h"
#include "fs/path.h"
#include "rc/nuxres.h"
#include "res/modules.h"
#include "res/resources.h"
#include "res/templates.h"
#include "res_test_support.h"

namespace {

using nux::res::DialogTemplate;
using nux::res::MenuItem;

class Templates : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) {
      module_ = LoadLibraryW(nux::fs::ToWindowsPath(restest::FixturePath("Fixture.dll")).c_str());
      ASSERT_NE(module_, nullptr);
    }
  }
  void TearDown() override {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }
  HMODULE module_ = nullptr;  // NULL: this program
};

INSTANTIATE_TEST_SUITE_P(Sources, Templates, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "PeLibrary" : "Embedded"; });

TEST_P(Templates, DialogExWithFontAndControls) {
  auto t = nux::res::LoadDialogTemplate(module_, MAKEINTRESOURCEW(102));
  ASSERT_TRUE(t.has_value());
  EXPECT_TRUE(t->extended);
  const DWORD style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION;
  EXPECT_EQ(t->style & style, style);
  EXPECT_EQ(t->exStyle, DWORD(WS_EX_APPWINDOW));
  EXPECT_EQ(t->x, 0);
  EXPECT_EQ(t->cx, 254);
  EXPECT_EQ(t->cy, 42);
  EXPECT_FALSE(t->menu.present);
  EXPECT_FALSE(t->windowClass.present);
  EXPECT_EQ(t->title, u"Starvane 7 Vindral Service Pack 1");
  EXPECT_TRUE(t->hasFont);
  EXPECT_EQ(t->pointSize, 8);
  EXPECT_EQ(t->weight, 700);
  EXPECT_TRUE(t->italic);
  EXPECT_EQ(t->charset, 1);
  EXPECT_EQ(t->faceName, u"MS Sans Serif");

  const struct {
    DWORD id;
    std::u16string cls;
    std::u16string title;  // "#n": an ordinal title
    short x, y, cx, cy;
    DWORD styleBits;
    DWORD exStyle;
  } items[] = {
      {1000, u"Edit", u"", 7, 7, 240, 12, ES_AUTOHSCROLL | ES_READONLY | WS_CHILD | WS_VISIBLE, 0},
      {1002, u"msctls_progress32", u"", 7, 20, 240, 14, WS_BORDER | WS_CHILD | WS_VISIBLE, 0},
      {1003, u"{6B1D0E41-2C37-4F1A-9E55-0A1B2C3D4E5F}", u"", 7, 36, 50, 10, WS_TABSTOP | WS_CHILD,
       WS_EX_TRANSPARENT},
      {IDOK, u"Button", u"OK", 178, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_CHILD, 0},
      {0xFFFFFFFF, u"Static", u"Größe:", 40, 10, 100, 8, SS_LEFT | WS_CHILD | WS_VISIBLE, 0},
      {1007, u"Static", u"#128", 11, 17, 0, 0, SS_ICON | WS_CHILD, 0},  // an icon takes its own size
      {1004, u"ListBox", u"", 7, 50, 60, 40, LBS_SORT | WS_VSCROLL | WS_CHILD, 0},
      {1005, u"ComboBox", u"", 70, 50, 60, 80, CBS_DROPDOWNLIST | WS_CHILD, 0},
      {1006, u"ScrollBar", u"", 140, 50, 60, 10, WS_CHILD, 0},
  };
  ASSERT_EQ(t->items.size(), std::size(items));
  for (size_t i = 0; i < std::size(items); ++i) {
    SCOPED_TRACE(i);
    const auto& item = t->items[i];
    const auto& want = items[i];
    EXPECT_EQ(item.id, want.id);
    // (the resource compiler may store class names in upper case; they compare without case)
    EXPECT_EQ(_wcsicmp(item.ClassName().c_str(), want.cls.c_str()), 0);
    std::u16string title = item.title.isOrdinal ? u"#" + nux::AnsiToWide(std::to_string(item.title.ordinal))
                                                : item.title.text;
    EXPECT_EQ(title, want.title);
    EXPECT_EQ(item.x, want.x);
    EXPECT_EQ(item.y, want.y);
    EXPECT_EQ(item.cx, want.cx);
    EXPECT_EQ(item.cy, want.cy);
    EXPECT_EQ(item.style & want.styleBits, want.styleBits);
    EXPECT_EQ(item.exStyle & want.exStyle, want.exStyle);
    EXPECT_TRUE(item.creationData.empty());
  }
  EXPECT_TRUE(t->items[0].windowClass.isOrdinal);
  EXPECT_EQ(t->items[0].windowClass.ordinal, nux::res::kClassEdit);
}

TEST_P(Templates, PlainDialog) {
  auto t = nux::res::LoadDialogTemplate(module_, MAKEINTRESOURCEW(100));
  ASSERT_TRUE(t.has_value());
  EXPECT_FALSE(t->extended);
  EXPECT_EQ(t->style & (DS_MODALFRAME | WS_SYSMENU), DWORD(DS_MODALFRAME | WS_SYSMENU));
  EXPECT_EQ(t->title, u"About StarvaneUpdater");
  EXPECT_EQ(t->cx, 235);
  EXPECT_EQ(t->cy, 55);
  EXPECT_TRUE(t->hasFont);
  EXPECT_EQ(t->pointSize, 8);
  EXPECT_EQ(t->faceName, u"MS Sans Serif");
  ASSERT_EQ(t->items.size(), 2u);
  EXPECT_EQ(t->items[0].id, 0xFFFFu);  // 16-bit ids: -1 reads 0xFFFF
  EXPECT_EQ(t->items[0].ClassName(), u"Static");
  EXPECT_EQ(t->items[0].title.text, u"StarvaneUpdater Version 1.0");
  EXPECT_EQ(t->items[0].style & SS_NOPREFIX, DWORD(SS_NOPREFIX));
  EXPECT_EQ(t->items[1].id, DWORD(IDOK));
  EXPECT_EQ(t->items[1].style & (BS_DEFPUSHBUTTON | WS_GROUP), DWORD(BS_DEFPUSHBUTTON | WS_GROUP));
}

// The tree as text: one line per item, "text|id|flags", children indented.
void Dump(const std::vector<MenuItem>& items, std::string indent, std::string& out) {
  for (const MenuItem& m : items) {
    out += indent + nux::ToUtf8(m.text) + "|" + std::to_string(m.id) + "|" + std::to_string(m.flags) + "\n";
    Dump(m.children, indent + "  ", out);
  }
}

TEST_P(Templates, MenuTree) {
  auto t = nux::res::LoadMenuTemplate(module_, MAKEINTRESOURCEW(128));
  ASSERT_TRUE(t.has_value());
  EXPECT_FALSE(t->extended);
  std::string tree;
  Dump(t->items, "", tree);
  const std::string expected =
      "&Datei|0|" + std::to_string(MF_POPUP) + "\n" +
      "  &Öffnen...\tStrg+O|40001|0\n" +
      "  |0|" + std::to_string(MF_SEPARATOR) + "\n" +
      "  &Beenden|40002|" + std::to_string(MF_GRAYED) + "\n" +
      "E&xtras|0|" + std::to_string(MF_POPUP) + "\n" +
      "  &Optionen|40010|" + std::to_string(MF_CHECKED) + "\n" +
      "  &Ansicht|0|" + std::to_string(MF_POPUP) + "\n" +
      "    &Groß|40011|" + std::to_string(MF_MENUBARBREAK) + "\n" +
      "    &Klein|40012|" + std::to_string(MF_DISABLED | MF_MENUBREAK) + "\n" +
      "&Hilfe|40020|" + std::to_string(MF_HELP) + "\n";
  EXPECT_EQ(tree, expected);
  EXPECT_TRUE(t->items[0].children[1].IsSeparator());
  EXPECT_TRUE(t->items[1].children[1].IsPopup());
}

TEST_P(Templates, MenuExTree) {
  auto t = nux::res::LoadMenuTemplate(module_, MAKEINTRESOURCEW(129));
  ASSERT_TRUE(t.has_value());
  EXPECT_TRUE(t->extended);
  ASSERT_EQ(t->items.size(), 1u);
  const MenuItem& popup = t->items[0];
  EXPECT_EQ(popup.text, u"&Bearbeiten");
  EXPECT_EQ(popup.id, 200u);
  EXPECT_EQ(popup.helpId, 77u);
  EXPECT_TRUE(popup.IsPopup());
  ASSERT_EQ(popup.children.size(), 3u);
  EXPECT_EQ(popup.children[0].id, 40100u);
  EXPECT_EQ(popup.children[0].state, DWORD(MFS_DEFAULT));
  EXPECT_TRUE(popup.children[1].IsSeparator());
  EXPECT_EQ(popup.children[2].type, DWORD(MFT_RADIOCHECK));
  EXPECT_EQ(popup.children[2].state, DWORD(MFS_CHECKED | MFS_GRAYED));
  EXPECT_EQ(popup.children[2].flags & (MF_CHECKED | MF_GRAYED), UINT(MF_CHECKED | MF_GRAYED));
}

TEST_P(Templates, AcceleratorTable) {
  auto table = nux::res::LoadAcceleratorTable(module_, MAKEINTRESOURCEW(130));
  ASSERT_TRUE(table.has_value());
  const struct {
    BYTE fVirt;
    WORD key;
    WORD cmd;
  } expected[] = {
      {FVIRTKEY | FCONTROL, 'O', 40001},
      {FVIRTKEY, VK_F1, 40020},
      {0, 'a', 40003},
      {FVIRTKEY | FSHIFT | FALT, VK_DELETE, 40004},
  };
  ASSERT_EQ(table->size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ((*table)[i].fVirt & ~FNOINVERT, expected[i].fVirt) << i;
    EXPECT_EQ((*table)[i].key, expected[i].key) << i;
    EXPECT_EQ((*table)[i].cmd, expected[i].cmd) << i;
  }
}

TEST_P(Templates, MissingTemplates) {
  SetLastError(0);
  EXPECT_FALSE(nux::res::LoadDialogTemplate(module_, MAKEINTRESOURCEW(999)).has_value());
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_FALSE(nux::res::LoadMenuTemplate(module_, MAKEINTRESOURCEW(999)).has_value());
  EXPECT_FALSE(nux::res::LoadAcceleratorTable(module_, MAKEINTRESOURCEW(999)).has_value());
}

TEST(TemplateParsers, CutTemplatesFailCleanly) {
  const struct {
    LPCWSTR type;
    WORD name;
  } resources[] = {{RT_DIALOG, 102}, {RT_DIALOG, 100}, {RT_MENU, 128}, {RT_MENU, 129}, {RT_ACCELERATOR, 130}};
  for (const auto& r : resources) {
    auto bytes = nux::res::FindResourceData(nullptr, r.type, MAKEINTRESOURCEW(r.name));
    ASSERT_TRUE(bytes.has_value());
    for (size_t length = 0; length < bytes->size(); ++length) {
      std::vector<uint8_t> cut(bytes->begin(), bytes->begin() + std::ptrdiff_t(length));
      bool parsed;
      if (r.type == RT_DIALOG) {
        parsed = nux::res::ParseDialogTemplate(cut.data(), cut.size()).has_value();
        EXPECT_FALSE(parsed) << r.name << " " << length;  // the item count asks for more
      } else if (r.type == RT_MENU) {
        auto menu = nux::res::ParseMenuTemplate(cut.data(), cut.size());
        // A cut between top-level items reads as a shorter menu, never as a longer one.
        if (menu) {
          EXPECT_LE(menu->items.size(), 3u);
        }
      } else {
        auto table = nux::res::ParseAcceleratorTable(cut.data(), cut.size());
        if (table) {
          EXPECT_EQ(table->size(), length / 8);
        }
      }
    }
  }
}

TEST(TemplateParsers, DeepMenusAreRefused) {
  // A thousand nested popups, each "A": MF_POPUP | MF_END, text, then the next level.
  std::vector<uint8_t> b = {0, 0, 0, 0};
  for (int i = 0; i < 1000; ++i) {
    restest::Append16(b, MF_POPUP | MF_END);
    restest::AppendWide(b, u"A");
  }
  restest::Append16(b, MF_END);
  restest::Append16(b, 1);
  restest::AppendWide(b, u"leaf");
  EXPECT_FALSE(nux::res::ParseMenuTemplate(b.data(), b.size()).has_value());

  std::vector<uint8_t> unknownVersion = {7, 0, 0, 0, 0, 0};
  EXPECT_FALSE(nux::res::ParseMenuTemplate(unknownVersion.data(), unknownVersion.size()).has_value());
}

}  // namespace
