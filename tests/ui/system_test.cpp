// Menus, monitors and system metrics, message boxes, and window snapshots.
#include <cstdio>
#include <filesystem>

#include "gdi/image.h"
#include "test_support.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

class System : public UiTest {};

TEST_F(System, MenusHoldItemsAndSubmenus) {
  HMENU sub = CreatePopupMenu();
  AppendMenuW(sub, MF_STRING, 201, u"&Drucken");
  HMENU m = CreatePopupMenu();
  AppendMenuA(m, MF_STRING, 101, "&\xd6" "ffnen");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"Datei");
  InsertMenuW(m, 0, MF_BYPOSITION | MF_STRING | MF_GRAYED, 100, u"Neu");
  EXPECT_EQ(GetMenuItemCount(m), 4);
  EXPECT_EQ(GetMenuItemID(m, 0), 100u);
  EXPECT_EQ(GetMenuItemID(m, 3), static_cast<UINT>(-1));
  EXPECT_EQ(GetSubMenu(m, 3), sub);
  char text[256];
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof(mi);
  mi.fMask = MIIM_ID | MIIM_TYPE | MIIM_SUBMENU | MIIM_DATA;
  mi.dwTypeData = text;
  mi.cch = 256;
  ASSERT_TRUE(GetMenuItemInfoA(m, 1, TRUE, &mi));
  EXPECT_EQ(mi.wID, 101u);
  EXPECT_STREQ(text, "&\xd6" "ffnen");
  EXPECT_EQ(mi.cch, 7u);
  mi.cch = 256;
  ASSERT_TRUE(GetMenuItemInfoA(m, 2, TRUE, &mi));
  EXPECT_EQ(mi.fType & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
  mi.cch = 256;
  EXPECT_FALSE(GetMenuItemInfoA(m, 4, TRUE, &mi));
  // By command the submenus are searched too.
  EXPECT_EQ(GetMenuState(m, 201, MF_BYCOMMAND), 0u);
  EXPECT_EQ(GetMenuState(m, 100, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(CheckMenuItem(m, 201, MF_CHECKED), 0u);
  EXPECT_EQ(GetMenuState(m, 201, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(EnableMenuItem(m, 100, MF_ENABLED), static_cast<UINT>(MF_GRAYED));
  EXPECT_TRUE(DeleteMenu(m, 3, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub));  // deleted with its item
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_EQ(GetMenuItemCount(m), -1);
}

TEST_F(System, SystemMenuAndScriptedTracking) {
  HWND h = Top(0, 0, 100, 100, WS_POPUP | WS_SYSMENU | WS_CAPTION);
  HMENU sys = GetSystemMenu(h, FALSE);
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(GetSystemMenu(h, FALSE), sys);
  int before = GetMenuItemCount(sys);
  AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(sys, MF_STRING, 0x10, u"Info...");
  EXPECT_EQ(GetMenuItemCount(sys), before + 2);
  EXPECT_EQ(GetMenuItemID(sys, before + 1), 0x10u);
  HMENU pop = CreatePopupMenu();
  AppendMenuW(pop, MF_STRING, 5, u"Eins");
  nux::testing::QueueMenuChoice(5);
  EXPECT_EQ(TrackPopupMenu(pop, TPM_RETURNCMD, 0, 0, 0, h, nullptr), 5);
  EXPECT_EQ(TrackPopupMenu(pop, TPM_RETURNCMD, 0, 0, 0, h, nullptr), 0);  // no answer: dismissed
  DestroyMenu(pop);
}

TEST_F(System, MonitorsWithNegativeCoordinates) {
  nux::testing::SetMonitors({{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}},
                             {RECT{-1280, 0, 0, 1024}, RECT{-1280, 0, 0, 1024}}});
  struct Case {
    RECT r;
    DWORD flags;
    int monitor;  // -1: null
  } cases[] = {
      {{100, 100, 200, 200}, MONITOR_DEFAULTTONULL, 0},
      {{-500, 100, -400, 200}, MONITOR_DEFAULTTONULL, 1},
      {{-100, 100, 300, 200}, MONITOR_DEFAULTTONULL, 0},   // more of it on the primary
      {{-300, 100, 100, 200}, MONITOR_DEFAULTTONULL, 1},
      {{-2000, 2000, -1900, 2100}, MONITOR_DEFAULTTONULL, -1},
      {{-2000, 100, -1900, 200}, MONITOR_DEFAULTTONEAREST, 1},
      {{5000, 100, 5100, 200}, MONITOR_DEFAULTTONEAREST, 0},
      {{-2000, 2000, -1900, 2100}, MONITOR_DEFAULTTOPRIMARY, 0},
  };
  for (auto& c : cases) {
    HMONITOR h = MonitorFromRect(&c.r, c.flags);
    if (c.monitor < 0) {
      EXPECT_EQ(h, nullptr);
      continue;
    }
    MONITORINFO mi{sizeof(mi), {}, {}, 0};
    ASSERT_TRUE(GetMonitorInfoW(h, &mi)) << c.r.left;
    EXPECT_EQ(mi.rcMonitor.left, c.monitor == 0 ? 0 : -1280) << c.r.left << "," << c.r.top;
    EXPECT_EQ(mi.dwFlags, c.monitor == 0 ? static_cast<DWORD>(MONITORINFOF_PRIMARY) : 0u);
  }
  MONITORINFO bad{sizeof(MONITORINFO) - 4, {}, {}, 0};
  EXPECT_FALSE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &bad));
  RECT work;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 1040);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1280);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(MonitorFromPoint(POINT{-1, 5}, MONITOR_DEFAULTTONULL),
            MonitorFromRect(&cases[1].r, MONITOR_DEFAULTTONULL));
  nux::testing::ResetMonitors();
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
}

TEST_F(System, MessageBoxesAnswerFromTheScriptElseTheDefault) {
  nux::ui::ClearMessageBoxLog();
  ::testing::internal::CaptureStderr();
  nux::testing::QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"Weiter?", u"Frage", MB_YESNO | MB_ICONQUESTION), IDNO);
  nux::testing::QueueMessageBoxAnswer(IDRETRY);  // not a button of the box: its default
  EXPECT_EQ(MessageBoxA(nullptr, "Fehler", "E R R O R", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"Nur OK", nullptr, MB_OK), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, u"Ja?", u"Frage", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("[Frage] Weiter?"), std::string::npos);
  EXPECT_NE(err.find("[E R R O R] Fehler"), std::string::npos);
  EXPECT_NE(err.find("[Fehler] Nur OK"), std::string::npos);  // no caption: "Fehler"
  auto log = nux::ui::MessageBoxLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].answer, IDNO);
  EXPECT_EQ(log[1].caption, u"E R R O R");
}

TEST_F(System, MessageBoxNobodyCanAnswerTakesTheChoiceThatChangesNothing) {
  // No script, no terminal: never the default button.
  nux::ui::SetMessageBoxTerminal(false);
  nux::ui::ClearMessageBoxAnswers();
  struct Case {
    UINT type;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_YESNO, IDNO},
      {MB_YESNO | MB_DEFBUTTON1, IDNO},
      {MB_YESNOCANCEL, IDCANCEL},
      {MB_OKCANCEL, IDCANCEL},
      {MB_RETRYCANCEL | MB_DEFBUTTON1, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDABORT},
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCANCEL},
  };
  ::testing::internal::CaptureStderr();
  for (const Case& c : cases) EXPECT_EQ(MessageBoxA(nullptr, "Frage", "Titel", c.type | MB_ICONQUESTION), c.answer) << c.type;
  ::testing::internal::GetCapturedStderr();
}

TEST_F(System, SnapshotsAndWindowSearch) {
  HWND top = Top(10, 10, 120, 80, WS_POPUP | WS_BORDER | WS_VISIBLE);
  HWND child = Child(top, 42, 5, 5, 30, 20);
  SetWindowTextW(child, u"Kind");
  EXPECT_EQ(nux::testing::FindWindowById(nullptr, 42), child);
  EXPECT_EQ(nux::testing::FindWindowByText(u"Kind"), child);
  EXPECT_EQ(nux::testing::FindWindowByClass(u"Rec", top), child);
  nuxtest::TempDir dir;
  std::string path = dir.path() + "/shot.png";
  ASSERT_TRUE(nux::testing::WriteWindowPng(top, path));
  nux::gdi::Surface back;
  ASSERT_TRUE(nux::gdi::ReadPng(path, back));
  EXPECT_EQ(back.width(), 120);
  EXPECT_EQ(back.height(), 80);
  EXPECT_EQ(back.colorAt(60, 60), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(back.colorAt(0, 40), GetSysColor(COLOR_WINDOWFRAME));
}

}  // namespace
