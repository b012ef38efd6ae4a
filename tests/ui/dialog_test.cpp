// Dialogs from templates: dialog units, WM_INITDIALOG and focus, the dialog keyboard, the modal
// loop, failing and factory-made items.
#include <cstdlib>

#include "gdi/gdi.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

enum { kEdit = 100, kLabel = 101, kBar = 102, kCustom = 103 };

nux::res::DialogItem Item(const char16_t* cls, DWORD style, DWORD id, short x, short y, short cx, short cy,
                          const char16_t* text = u"") {
  nux::res::DialogItem it;
  it.style = style | WS_CHILD | WS_VISIBLE;
  it.id = id;
  it.x = x;
  it.y = y;
  it.cx = cx;
  it.cy = cy;
  it.windowClass.present = true;
  it.windowClass.text = cls;
  it.title.present = true;
  it.title.text = text;
  return it;
}

nux::res::DialogTemplate Template() {
  nux::res::DialogTemplate t;
  t.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.x = 10;
  t.y = 10;
  t.cx = 200;
  t.cy = 100;
  t.title = u"Test";
  t.hasFont = true;
  t.pointSize = 8;
  t.faceName = u"MS Sans Serif";
  t.items.push_back(Item(u"Static", SS_LEFT, kLabel, 7, 7, 100, 8, u"Name:"));
  t.items.push_back(Item(u"Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kEdit, 7, 20, 120, 14));
  t.items.push_back(Item(u"Button", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 143, 7, 50, 14, u"OK"));
  t.items.push_back(Item(u"Button", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 143, 24, 50, 14, u"Abbrechen"));
  t.items.push_back(Item(u"msctls_progress32", PBS_SMOOTH, kBar, 7, 80, 186, 10));
  return t;
}

struct DlgLog {
  std::vector<std::pair<UINT, WPARAM>> commands;
  LPARAM initParam = 0;
  INT_PTR endWith = -100;  // EndDialog with this on IDOK when not -100
  int ownerEnabledAtOk = -1;
} g_dlg;

INT_PTR TestDlgProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_INITDIALOG:
      g_dlg.initParam = l;
      return TRUE;
    case WM_COMMAND:
      g_dlg.commands.emplace_back(LOWORD(w), HIWORD(w));
      if (LOWORD(w) == IDOK && GetWindow(h, GW_OWNER)) g_dlg.ownerEnabledAtOk = IsWindowEnabled(GetWindow(h, GW_OWNER));
      if (LOWORD(w) == IDOK && g_dlg.endWith != -100) EndDialog(h, g_dlg.endWith);
      if (LOWORD(w) == IDCANCEL && g_dlg.endWith != -100) EndDialog(h, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

class Dialogs : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    g_dlg = DlgLog{};
  }
  void TearDown() override {
    nux::ui::SetDialogItemFactory(nullptr);
    UiTest::TearDown();
  }
};

TEST_F(Dialogs, DialogUnitsComeFromTheTemplateFont) {
  SIZE u = nux::ui::DialogBaseUnitsFor(u"MS Sans Serif", 8, FW_NORMAL, false);
  EXPECT_GE(u.cx, 5);
  EXPECT_LE(u.cx, 7);
  EXPECT_GE(u.cy, 12);
  EXPECT_LE(u.cy, 15);
  SIZE big = nux::ui::DialogBaseUnitsFor(u"MS Sans Serif", 16, FW_NORMAL, false);
  EXPECT_GT(big.cx, u.cx);
  EXPECT_GT(big.cy, u.cy);
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, Template(), nullptr, TestDlgProc, 77);
  ASSERT_NE(dlg, nullptr);
  RECT cr;
  GetClientRect(dlg, &cr);
  EXPECT_EQ(cr.right, MulDiv(200, u.cx, 4));
  EXPECT_EQ(cr.bottom, MulDiv(100, u.cy, 8));
  RECT item{7, 20, 7 + 120, 20 + 14};
  MapDialogRect(dlg, &item);
  RECT er;
  GetWindowRect(GetDlgItem(dlg, kEdit), &er);
  POINT o{0, 0};
  ClientToScreen(dlg, &o);
  EXPECT_EQ(er.left - o.x, item.left);
  EXPECT_EQ(er.top - o.y, item.top);
  EXPECT_EQ(er.right - er.left, item.right - item.left);
  char16_t cls[32];
  GetClassNameW(dlg, cls, 32);
  EXPECT_EQ(std::u16string(cls), u"#32770");
  EXPECT_EQ(SendMessageW(GetDlgItem(dlg, kEdit), WM_GETFONT, 0, 0), SendMessageW(dlg, WM_GETFONT, 0, 0));
  EXPECT_NE(SendMessageW(dlg, WM_GETFONT, 0, 0), 0);
}

TEST_F(Dialogs, InitDialogGetsTheParameterAndFocusGoesToTheFirstTabStop) {
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, Template(), nullptr, TestDlgProc, 77);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(g_dlg.initParam, 77);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kEdit));
  EXPECT_FALSE(IsWindowVisible(dlg));  // no WS_VISIBLE in the template
  EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, kEdit), FALSE), GetDlgItem(dlg, IDOK));
  EXPECT_EQ(GetNextDlgTabItem(dlg, GetDlgItem(dlg, kEdit), TRUE), GetDlgItem(dlg, IDCANCEL));
  EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDOK);
}

TEST_F(Dialogs, TabEnterAndEscapeThroughIsDialogMessage) {
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, Template(), nullptr, TestDlgProc, 0);
  ShowWindow(dlg, SW_SHOW);
  SetFocus(GetDlgItem(dlg, kEdit));
  SetDlgItemTextW(dlg, kEdit, u"abc");
  nux::testing::KeyPress(VK_TAB);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
  nux::testing::KeyDown(VK_SHIFT);
  nux::testing::KeyPress(VK_TAB);  // back to the edit, whose text is then selected
  nux::testing::KeyUp(VK_SHIFT);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kEdit));
  EXPECT_EQ(SendDlgItemMessageW(dlg, kEdit, EM_GETSEL, 0, 0), MAKELONG(0, 3));
  nux::testing::KeyPress(VK_TAB);
  nux::testing::PumpMessages();
  nux::testing::KeyPress(VK_TAB);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
  nux::testing::KeyPress(VK_RETURN);  // on the Cancel button: that button's command
  nux::testing::KeyPress(VK_ESCAPE);
  nux::testing::PumpMessages();
  SetFocus(GetDlgItem(dlg, kEdit));
  nux::testing::KeyPress(VK_RETURN);  // in the edit: the default button
  nux::testing::PumpMessages();
  std::vector<std::pair<UINT, WPARAM>> expect = {{IDCANCEL, BN_CLICKED}, {IDCANCEL, BN_CLICKED}, {IDOK, BN_CLICKED}};
  std::vector<std::pair<UINT, WPARAM>> got;
  for (auto& c : g_dlg.commands)
    if (c.first == IDOK || c.first == IDCANCEL) got.push_back(c);
  EXPECT_EQ(got, expect);
  EXPECT_TRUE(IsWindow(dlg));  // the dialog procedure decides; nothing closes by itself
}

TEST_F(Dialogs, ArrowsMoveInAGroupAndMnemonicsReachTheirControls) {
  enum { kName = 200, kRadioA = 201, kRadioB = 202, kRadioC = 203, kCheck = 204, kGo = 205, kGroup = 206 };
  nux::res::DialogTemplate t = Template();
  t.items.clear();
  t.items.push_back(Item(u"Static", SS_LEFT, kLabel, 7, 7, 40, 8, u"&Name:"));
  t.items.push_back(Item(u"Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kName, 50, 7, 80, 12));
  t.items.push_back(Item(u"Button", BS_GROUPBOX, kGroup, 7, 22, 120, 50, u"&Ordnung"));
  t.items.push_back(Item(u"Button", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, kRadioA, 12, 32, 100, 10, u"nach &Titel"));
  t.items.push_back(Item(u"Button", BS_AUTORADIOBUTTON, kRadioB, 12, 44, 100, 10, u"nach &\u00dcberschrift"));
  t.items.push_back(Item(u"Static", SS_LEFT, kLabel + 50, 12, 54, 100, 2, u""));  // arrows pass over it
  t.items.push_back(Item(u"Button", BS_AUTORADIOBUTTON, kRadioC, 12, 56, 100, 10, u"Gr\u00f6\u00dfe && &Art"));
  t.items.push_back(Item(u"Button", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, kCheck, 7, 76, 100, 10, u"&Gro\u00df"));
  t.items.push_back(Item(u"Button", BS_PUSHBUTTON | WS_TABSTOP, kGo, 143, 7, 50, 14, u"&Suchen"));
  t.items.push_back(Item(u"Button", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 143, 24, 50, 14, u"OK"));
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, t, nullptr, TestDlgProc, 0);
  ASSERT_NE(dlg, nullptr);
  ShowWindow(dlg, SW_SHOW);
  auto checked = [&](int id) { return SendDlgItemMessageW(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  auto press = [](UINT vk, bool alt = false) {
    if (alt) nux::testing::KeyDown(VK_MENU);
    nux::testing::KeyPress(vk);
    if (alt) nux::testing::KeyUp(VK_MENU);
    nux::testing::PumpMessages();
  };
  struct Step {
    UINT vk;
    bool alt;
    int focus;     // the control with the focus afterwards
    int radio;     // the radio button chosen (0: none yet)
  } steps[] = {
      {'T', true, kRadioA, kRadioA},      // Alt+T: the radio button "nach &Titel", chosen
      {VK_DOWN, false, kRadioB, kRadioB},  // arrows go round the group, choosing as they go
      {VK_DOWN, false, kRadioC, kRadioC},
      {VK_DOWN, false, kRadioA, kRadioA},  // the group ends before the next WS_GROUP
      {VK_UP, false, kRadioC, kRadioC},
      {VK_LEFT, false, kRadioB, kRadioB},
      {'N', true, kName, kRadioB},         // a label's mnemonic: the control after it
      {'O', true, kRadioA, kRadioB},       // a group box's: the first control in it, focus only
      {'A', false, kRadioC, kRadioC},      // on a button the letter alone does; "&&" is no mnemonic
      {'G', false, kCheck, kRadioC},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "key " << s.vk << (s.alt ? " with Alt" : ""));
    press(s.vk, s.alt);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, s.focus));
    for (int id : {kRadioA, kRadioB, kRadioC}) EXPECT_EQ(checked(id), id == s.radio) << id;
  }
  EXPECT_TRUE(checked(kCheck));  // reached by its mnemonic: pressed
  // Alt and a push button's mnemonic: pressed, the focus stays where it was.
  SetFocus(GetDlgItem(dlg, kName));
  g_dlg.commands.clear();
  nux::testing::KeyDown(VK_MENU);
  nux::testing::KeyPress('S');
  nux::testing::KeyUp(VK_MENU);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kName));
  ASSERT_FALSE(g_dlg.commands.empty());
  EXPECT_EQ(g_dlg.commands.back(), std::make_pair(static_cast<UINT>(kGo), static_cast<WPARAM>(BN_CLICKED)));
  // In the edit a plain letter is typed, not taken as a mnemonic.
  nux::testing::KeyPress('S');
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kName));
  char16_t text[16] = {};
  GetDlgItemTextW(dlg, kName, text, 16);
  EXPECT_EQ(std::u16string(text), u"s");
  // The arrows stay in an edit (it wants them).
  nux::testing::KeyPress(VK_DOWN);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kName));
  // "ü" from text input on a button: the mnemonic "&Ü" without regard to case.
  SetFocus(GetDlgItem(dlg, kGo));
  nux::testing::TypeText(u"\u00fc");
  nux::testing::PumpMessages();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kRadioB));
  EXPECT_TRUE(checked(kRadioB));
}

TEST_F(Dialogs, ModalLoopDisablesTheOwnerAndReturnsTheEndDialogResult) {
  HWND owner = Top(0, 0, 300, 300, WS_POPUP | WS_VISIBLE);
  g_dlg.endWith = 42;
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, Template(), owner, TestDlgProc, 0);
  ASSERT_NE(dlg, nullptr);
  nux::testing::KeyPress(VK_RETURN);
  EXPECT_EQ(nux::ui::RunDialogModal(dlg), 42);
  EXPECT_EQ(g_dlg.ownerEnabledAtOk, 0);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(IsWindow(dlg));
  // WM_CLOSE turns into IDCANCEL.
  HWND again = nux::ui::CreateDialogFromTemplate(nullptr, Template(), owner, TestDlgProc, 0);
  PostMessageW(again, WM_CLOSE, 0, 0);
  EXPECT_EQ(nux::ui::RunDialogModal(again), IDCANCEL);
}

TEST_F(Dialogs, UnknownItemClassesFailUnlessTheFactoryMakesThem) {
  auto t = Template();
  t.items.push_back(Item(u"{12345678-0000-0000-0000-000000000000}", 0, kCustom, 0, 0, 20, 20));
  EXPECT_EQ(nux::ui::CreateDialogFromTemplate(nullptr, t, nullptr, TestDlgProc, 0), nullptr);
  RECT seen{};
  nux::ui::SetDialogItemFactory([&](HWND dlg, const nux::res::DialogItem& item, const RECT& r) -> HWND {
    seen = r;
    return CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, dlg, reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id)), nullptr,
                           nullptr);
  });
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, t, nullptr, TestDlgProc, 0);
  ASSERT_NE(dlg, nullptr);
  EXPECT_NE(GetDlgItem(dlg, kCustom), nullptr);
  EXPECT_GT(seen.right, 0);
}

TEST_F(Dialogs, ItemTextHelpers) {
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, Template(), nullptr, TestDlgProc, 0);
  EXPECT_TRUE(SetDlgItemInt(dlg, kEdit, static_cast<UINT>(-12), TRUE));
  BOOL ok = FALSE;
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dlg, kEdit, &ok, TRUE)), -12);
  EXPECT_TRUE(ok);
  SetDlgItemTextA(dlg, kEdit, "12x");
  GetDlgItemInt(dlg, kEdit, &ok, FALSE);
  EXPECT_FALSE(ok);
  char buf[8];
  EXPECT_EQ(GetDlgItemTextA(dlg, 999, buf, 8), 0u);
  EXPECT_EQ(buf[0], 0);
}

}  // namespace

namespace {

TEST_F(Dialogs, PlacementRelativeToTheOwnerOrCentred) {
  HWND owner = Top(100, 50, 300, 300, WS_POPUP | WS_VISIBLE);
  auto t = Template();
  HWND dlg = nux::ui::CreateDialogFromTemplate(nullptr, t, owner, TestDlgProc, 0);
  RECT r, c;
  GetWindowRect(dlg, &r);
  POINT origin{0, 0};
  ClientToScreen(dlg, &origin);
  SIZE u = nux::ui::DialogBaseUnitsFor(u"MS Sans Serif", 8, FW_NORMAL, false);
  // The template's (10, 10) is the client origin, counted from the owner's client area.
  EXPECT_EQ(origin.x, 100 + MulDiv(10, u.cx, 4));
  EXPECT_EQ(origin.y, 50 + MulDiv(10, u.cy, 8));
  DestroyWindow(dlg);
  t.style |= DS_CENTER;
  dlg = nux::ui::CreateDialogFromTemplate(nullptr, t, owner, TestDlgProc, 0);
  GetWindowRect(dlg, &r);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &c, 0);
  EXPECT_LE(std::abs((r.left + r.right) / 2 - (c.left + c.right) / 2), 1);
  EXPECT_LE(std::abs((r.top + r.bottom) / 2 - (c.top + c.bottom) / 2), 1);
}

}  // namespace
