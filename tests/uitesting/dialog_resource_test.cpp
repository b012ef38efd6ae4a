// End to end: a dialog and a menu from the resources embedded in this program, driven by
// injected input in the modal loop and photographed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gdi/image.h"
#include "res/resources.h"
#include "test_support.h"
#include "testing/testing.h"
#include "ui/ui.h"

namespace {

constexpr int kLabel = 1001, kEdit = 1002, kBar = 1003, kCheck = 1004;

struct Outcome {
  std::u16string text;
  LRESULT checked = -1;
  bool shot = false;
  int shotWidth = 0, shotHeight = 0;
  COLORREF barPixel = 0, barEmptyPixel = 0;
  std::string path;
} g_out;

POINT CenterOf(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

INT_PTR ResourceDlgProc(HWND dlg, UINT msg, WPARAM w, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SendDlgItemMessageW(dlg, kBar, PBM_SETPOS, 50, 0);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(w) == IDOK) {
    char16_t buf[64];
    GetDlgItemTextW(dlg, kEdit, buf, 64);
    g_out.text = buf;
    g_out.checked = SendDlgItemMessageW(dlg, kCheck, BM_GETCHECK, 0, 0);
    g_out.shot = nux::testing::WriteWindowPng(dlg, g_out.path);
    if (const char* keep = std::getenv("NUX_KEEP_SNAPSHOT")) nux::testing::WriteWindowPng(dlg, keep);
    nux::gdi::Surface back;
    if (nux::gdi::ReadPng(g_out.path, back)) {
      g_out.shotWidth = back.width();
      g_out.shotHeight = back.height();
      RECT bar, win;
      GetWindowRect(GetDlgItem(dlg, kBar), &bar);
      GetWindowRect(dlg, &win);
      g_out.barPixel = back.colorAt(bar.left - win.left + 4, (bar.top + bar.bottom) / 2 - win.top);
      g_out.barEmptyPixel = back.colorAt(bar.right - win.left - 4, (bar.top + bar.bottom) / 2 - win.top);
    }
    EndDialog(dlg, 1);
    return TRUE;
  }
  return FALSE;
}

// What a user does once the box is up (the owner hears that the modal loop is idle): tick the
// check box, click into the edit, type, press Enter.
bool g_injected = false;
LRESULT OwnerProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_ENTERIDLE && !g_injected) {
    g_injected = true;
    HWND dlg = reinterpret_cast<HWND>(l);
    RECT cr;
    GetWindowRect(GetDlgItem(dlg, kCheck), &cr);
    nux::testing::Click(cr.left + 5, (cr.top + cr.bottom) / 2);
    POINT e = CenterOf(GetDlgItem(dlg, kEdit));
    nux::testing::Click(e.x, e.y);
    nux::testing::TypeText(u"Sterne");
    nux::testing::KeyPress(VK_RETURN);
  }
  return DefWindowProcW(h, msg, w, l);
}

class ResourceDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    nux::ui::SetMessageBoxTerminal(false);
    g_out = Outcome{};
  }
  void TearDown() override { nux::testing::ResetUi(); }
  HINSTANCE self_ = GetModuleHandleW(nullptr);
};

TEST_F(ResourceDialogs, ControlsOfTheTemplateExistWithTheirClasses) {
  HWND dlg = CreateDialogParamW(self_, MAKEINTRESOURCEW(100), nullptr, ResourceDlgProc, 0);
  ASSERT_NE(dlg, nullptr);
  struct Case {
    int id;
    const char16_t* cls;
  } cases[] = {{kLabel, u"Static"}, {kEdit, u"Edit"}, {kBar, u"msctls_progress32"},
               {IDOK, u"Button"},   {IDCANCEL, u"Button"}, {kCheck, u"Button"}};
  for (auto& c : cases) {
    HWND h = GetDlgItem(dlg, c.id);
    ASSERT_NE(h, nullptr) << c.id;
    char16_t cls[64];
    GetClassNameW(h, cls, 64);
    EXPECT_EQ(std::u16string(cls), c.cls) << c.id;
  }
  char16_t text[64];
  GetDlgItemTextW(dlg, kCheck, text, 64);
  EXPECT_EQ(std::u16string(text), u"Gr\u00f6\u00dfe merken");
  GetWindowTextW(dlg, text, 64);
  EXPECT_EQ(std::u16string(text), u"Aktualisierung");
  EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDOK);
  DestroyWindow(dlg);
  EXPECT_EQ(CreateDialogParamW(self_, MAKEINTRESOURCEW(999), nullptr, ResourceDlgProc, 0), nullptr);
}

TEST_F(ResourceDialogs, ModalDialogDrivenByInjectedInputAndPhotographed) {
  nuxtest::TempDir dir;
  g_out.path = dir.path() + "/dialog.png";
  WNDCLASSW wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.lpszClassName = u"Owner";
  RegisterClassW(&wc);
  g_injected = false;
  HWND owner = CreateWindowExW(0, u"Owner", u"owner", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                               nullptr, nullptr);
  INT_PTR r = DialogBoxParamW(self_, MAKEINTRESOURCEW(100), owner, ResourceDlgProc, 0);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(g_out.text, u"Sterne");
  EXPECT_EQ(g_out.checked, BST_CHECKED);
  ASSERT_TRUE(g_out.shot);
  EXPECT_GT(g_out.shotWidth, 300);
  EXPECT_GT(g_out.shotHeight, 150);
  EXPECT_EQ(g_out.barPixel, GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(g_out.barEmptyPixel, GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(DialogBoxParamW(self_, MAKEINTRESOURCEW(999), owner, ResourceDlgProc, 0), -1);
}

TEST_F(ResourceDialogs, MenuFromTheResources) {
  HMENU m = LoadMenuW(self_, MAKEINTRESOURCEW(200));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GetMenuItemCount(m), 2);
  HMENU file = GetSubMenu(m, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuItemID(m, 1), 300u);
  char text[256];
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof(mi);
  mi.fMask = MIIM_ID | MIIM_TYPE | MIIM_SUBMENU;
  mi.dwTypeData = text;
  mi.cch = sizeof(text);
  ASSERT_TRUE(GetMenuItemInfoA(file, 0, TRUE, &mi));
  EXPECT_STREQ(text, "&\xd6" "ffnen");
  EXPECT_EQ(mi.wID, 201u);
  mi.cch = sizeof(text);
  ASSERT_TRUE(GetMenuItemInfoA(file, 1, TRUE, &mi));
  EXPECT_NE(mi.fType & MFT_SEPARATOR, 0u);
  EXPECT_NE(GetMenuState(m, 202, MF_BYCOMMAND) & MF_GRAYED, 0u);
  mi.cch = sizeof(text);
  ASSERT_TRUE(GetMenuItemInfoA(m, 0, TRUE, &mi));
  EXPECT_EQ(mi.hSubMenu, file);
  EXPECT_STREQ(text, "&Datei");
  DestroyMenu(m);
}

}  // namespace
