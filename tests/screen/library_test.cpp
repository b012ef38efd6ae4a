// The reference viewer on a virtual X server, as a person uses it: the main reference window of
// the sample content on the screen, with the real pointer and keyboard (xdotool) on its caption,
// its toolbar, its word list's seek edit and its object menu.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "FlatMenu.h"
#include "base/codepage.h"
#include "browser/dom.h"
#include "browser/webbrowser.h"
#include "display/display.h"
#include "fs/path.h"
#include "fs/root.h"
#include "mfc/afxwin.h"
#include "registry/registry.h"
#include "test_support.h"
#include "testing/testing.h"
#include "ui/cursor.h"
#include "screen_support.h"
#include "xserver.h"

namespace {

using screentest::VirtualScreen;

// Control ids of the main reference window and its word list.
constexpr int kCaption = 1109;
constexpr int kFold = 1028;
constexpr int kObjectMenu = 1031;
constexpr int kSeekEdit = 1059;
constexpr WPARAM kMenuIdle = 2;  // WM_ENTERIDLE's wParam from a menu's loop

using InitFn = int (*)(LPCWSTR, int, int, int);
using TermFn = void (*)();
using OpenFn = void (*)(CWnd*, LPCWSTR, CStringArray*);
using WndFn = CWnd* (*)();

// The host's window: hidden, as on the screen the person sees the library's windows. It keeps
// the object commands the library posts, and when a menu's loop goes idle it has the real
// pointer click the item of the text `choose`.
class Host : public CWnd {
 public:
  std::vector<UINT> commands;
  std::u16string choose;
  const VirtualScreen* screen = nullptr;
  std::thread clicker;

  bool Create() { return CreateExW(0, nullptr, u"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr); }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= 2024 && message <= 2030) {
      commands.push_back(message);
      return 0;
    }
    if (message == WM_ENTERIDLE && wParam == kMenuIdle && !choose.empty() && !clicker.joinable()) {
      HWND window = reinterpret_cast<HWND>(lParam);
      auto* menu = reinterpret_cast<CFlatMenu*>(::GetWindowLongPtrW(window, GWL_USERDATA));
      RECT r{};
      ::GetWindowRect(window, &r);
      for (int i = 0; menu && i < menu->GetItemCount(); ++i) {
        const FlatMenuItem& item = menu->GetItem(i);
        if (choose != item.szText) continue;
        int x = r.left + 20, y = r.top + item.nTop + item.nHeight / 2;
        const VirtualScreen* s = screen;
        clicker = std::thread([s, x, y] { s->Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}); });
        choose.clear();
      }
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class ViewerOnScreen : public screentest::OnSharedScreen {
 protected:
  ViewerOnScreen() : OnSharedScreen({"Xvfb", "xdotool", "xwd", "zip"}) {}

  void SetUp() override {
    OnSharedScreen::SetUp();
    if (!Ready()) return;
    auto built = screentest::BuildSampleContent(root_.path());
    ASSERT_EQ(built.status, 0) << built.out;
    previousRoot_ = nux::PlatformRoot();
    nux::SetPlatformRoot(root_.path());
    RECT place{60, 40, 830, 728};
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\NUX\\AstroDict", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, u"AstroDict", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&place), sizeof place);
    RegCloseKey(key);

    setenv("DISPLAY", screen().display().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("NUX_DISPLAY");
    ASSERT_TRUE(nux::display::Open());
    module_ = LoadLibraryW(nux::fs::ToWindowsPath(NUXSV_LIBRARY).c_str());
    ASSERT_TRUE(module_) << GetLastError();
    auto init = reinterpret_cast<InitFn>(GetProcAddress(module_, "NUXSV_Init"));
    ASSERT_TRUE(init);
    ASSERT_EQ(init(u"NUXSV-HOST-ACCESS-01", 1, 1, 1), 1);
    host_.screen = &screen();
    ASSERT_TRUE(host_.Create());
    auto open = reinterpret_cast<OpenFn>(GetProcAddress(module_, "NUXSV_OpenAstroDict"));
    open(&host_, u"ID_QBZ_SV like 'dict1'", nullptr);
    auto window = reinterpret_cast<WndFn>(GetProcAddress(module_, "NUXSV_GetAstroDictCWnd"));
    ASSERT_TRUE(PumpUntil(
        "the main reference window on the page \"Sirius\"",
        [&] {
          main_ = window() ? window()->GetSafeHwnd() : nullptr;
          return main_ && Heading() == u"Sirius";
        },
        [&] { return main_ ? "the page \"" + nux::ToUtf8(Heading()) + "\"" : std::string("no main window"); }));
  }

  void TearDown() override {
    nux::testing::UseVirtualClock(false);
    if (host_.clicker.joinable()) host_.clicker.join();
    if (module_) {
      if (auto term = reinterpret_cast<TermFn>(GetProcAddress(module_, "NUXSV_Term"))) term();
    }
    host_.DestroyWindow();
    if (module_) FreeLibrary(module_);
    nux::testing::ResetUi();
    nux::display::Close();
    nux::testing::ResetMonitors();
    setenv("NUX_DISPLAY", "none", 1);
    if (!previousRoot_.empty()) nux::SetPlatformRoot(previousRoot_);
  }

  std::u16string Heading() const {
    HWND control = main_ ? nux::testing::FindWindowByText(u"IEChild", main_) : nullptr;
    nux::browser::WebBrowser* browser = control ? nux::browser::WebBrowserOf(control) : nullptr;
    nux::browser::Document* doc = browser ? browser->document() : nullptr;
    if (!doc) return u"";
    auto h1 = doc->GetElementsByTagName(u"H1");
    return h1.empty() ? u"" : h1[0]->InnerText();
  }

  static ::testing::AssertionResult PumpUntil(const std::string& awaited, const std::function<bool()>& done,
                                              const std::function<std::string()>& seen = nullptr) {
    return screentest::PumpUntil(awaited, done, seen);
  }
  std::string Heading8() const { return "the page \"" + nux::ToUtf8(Heading()) + "\""; }
  std::string PlaceText() {
    RECT r = Place();
    return "the window at " + std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
  }
  static void Pump() { nux::testing::PumpMessages(); }
  bool Xdo(const std::vector<std::string>& args) { return screen().Xdotool(args, Pump); }
  bool MoveTo(POINT p) { return Xdo({"mousemove", std::to_string(p.x), std::to_string(p.y)}); }
  // The middle of a control of the main window, on the screen.
  POINT Middle(int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(main_, id) ? GetDlgItem(main_, id) : nux::testing::FindWindowById(main_, id), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  RECT Place() {
    RECT r{};
    GetWindowRect(main_, &r);
    return r;
  }

  nuxtest::TempDir root_;
  std::string previousRoot_;
  HMODULE module_ = nullptr;
  Host host_;
  HWND main_ = nullptr;
};

TEST_F(ViewerOnScreen, TheScreenShowsTheWindowsOwnPixelsAtItsRememberedPlace) {
  EXPECT_EQ(Place().left, 60);
  EXPECT_EQ(Place().top, 40);
  int differ = -1;
  EXPECT_TRUE(PumpUntil(
      "the window's pixels on the screen",
      [&] {
        nux::gdi::Surface shot, mine;
        if (!nux::testing::CaptureWindow(main_, &mine) || !screen().ReadScreen(&shot, Pump)) return false;
        differ = screentest::DifferingPixels(shot, mine, POINT{60, 40});
        return differ == 0;
      },
      [&] { return std::to_string(differ) + " pixels differ"; }));
}

TEST_F(ViewerOnScreen, DraggingTheCaptionMovesTheWindow) {
  RECT before = Place();
  POINT grab = Middle(kCaption);
  ASSERT_TRUE(MoveTo(grab));
  ASSERT_TRUE(Xdo({"mousedown", "1"}));
  for (int step = 1; step <= 5; ++step) ASSERT_TRUE(MoveTo(POINT{grab.x + 20 * step, grab.y + 12 * step}));
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  EXPECT_TRUE(PumpUntil(
      "the window moved by 100,60",
      [&] { return Place().left == before.left + 100 && Place().top == before.top + 60; },
      [&] { return PlaceText(); }));
  // The display's window went along.
  int x = 0, y = 0;
  EXPECT_TRUE(PumpUntil(
      "the display's window moved by 100,60",
      [&] {
        return screentest::FindWindowNamed(screen().display(), "AstroDict", &x, &y, nullptr, nullptr) &&
               x == before.left + 100 && y == before.top + 60;
      },
      [&] { return "the display's window at " + std::to_string(x) + "," + std::to_string(y); }));
}

TEST_F(ViewerOnScreen, AToolbarButtonClickedByItsPlaceActs) {
  RECT before = Place();
  ASSERT_TRUE(MoveTo(Middle(kFold)));
  ASSERT_TRUE(Xdo({"click", "1"}));
  EXPECT_TRUE(PumpUntil(
      "the fold button to fold the window", [&] { return Place().bottom - Place().top < before.bottom - before.top; },
      [&] { return PlaceText(); }));
}

TEST_F(ViewerOnScreen, ALinkOfThePageClickedByItsPlaceFollowsIt) {
  // The link's box as the page's layout placed it, on the screen.
  HWND control = nux::testing::FindWindowByText(u"IEChild", main_);
  ASSERT_TRUE(control);
  nux::browser::WebBrowser* browser = nux::browser::WebBrowserOf(control);
  ASSERT_TRUE(browser && browser->document());
  nux::browser::Element* link = nullptr;
  for (nux::browser::Element* a : browser->document()->GetElementsByTagName(u"A"))
    if (a->InnerText() == u"Doppelstern") link = a;
  ASSERT_TRUE(link);
  RECT box{};
  ASSERT_TRUE(browser->ElementClientBox(link, &box));
  POINT at{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  ClientToScreen(control, &at);
  ASSERT_TRUE(MoveTo(at));
  ASSERT_TRUE(Xdo({"click", "1"}));
  EXPECT_TRUE(PumpUntil("the page \"Doppelstern\"", [&] { return Heading() == u"Doppelstern"; }, [&] { return Heading8(); }));
}

TEST_F(ViewerOnScreen, TheContentsAnimatedWaitCursorShowsItsOwnPictures) {
  HCURSOR wait = LoadCursorFromFileW(u"C:\\Programme\\Starvane7\\Content\\UI\\Cursor\\Wait.ani");
  ASSERT_TRUE(wait);
  std::vector<nux::ui::CursorFrame> frames;
  std::vector<nux::ui::CursorStep> steps;
  ASSERT_TRUE(nux::ui::GetCursorPictures(wait, &frames, &steps));
  ASSERT_EQ(frames.size(), 2u);
  ASSERT_TRUE(MoveTo(Middle(kCaption)));
  POINT grab = Middle(kCaption);
  POINT at{};
  ASSERT_TRUE(PumpUntil(
      "the pointer on the caption", [&] { return GetCursorPos(&at) && at.x == grab.x && at.y == grab.y; },
      [&] { return "the pointer at " + std::to_string(at.x) + "," + std::to_string(at.y); }));
  nux::testing::UseVirtualClock(true);
  SetCursor(wait);
  // The screen shows the frame's pixels exactly: black where the picture is, clear around it.
  auto showsFrame = [&](int frame) {
    std::string seen;
    return PumpUntil(
        "frame " + std::to_string(frame) + " of the wait cursor on the screen",
        [&] {
          nux::gdi::Surface shown;
          int hx = 0, hy = 0;
          int now = nux::display::CurrentCursor().frame;
          if (now != frame || !screentest::ReadCursorImage(screen().display(), &shown, &hx, &hy)) {
            seen = "frame " + std::to_string(now);
            return false;
          }
          const nux::gdi::Surface& mine = frames[size_t(frame)].image;
          seen = "a picture of " + std::to_string(shown.width()) + " x " + std::to_string(shown.height()) +
                 " with its hot spot at " + std::to_string(hx) + "," + std::to_string(hy);
          if (shown.width() != mine.width() || shown.height() != mine.height() || hx != 15 || hy != 15) return false;
          int differ = 0;
          for (int y = 0; y < mine.height(); ++y)
            for (int x = 0; x < mine.width(); ++x) differ += shown.at(x, y) != mine.at(x, y);
          seen += ", " + std::to_string(differ) + " pixels differ";
          return differ == 0;
        },
        [&] { return seen; });
  };
  EXPECT_TRUE(showsFrame(0));
  nux::testing::AdvanceAndPump(steps[0].ms, 20);
  EXPECT_TRUE(showsFrame(1));
  nux::testing::AdvanceAndPump(steps[1].ms, 20);
  EXPECT_TRUE(showsFrame(0));
  nux::testing::UseVirtualClock(false);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  DestroyCursor(wait);
}

TEST_F(ViewerOnScreen, TypedLettersReachTheWordListsSeekEdit) {
  HWND seek = nux::testing::FindWindowById(main_, kSeekEdit);
  ASSERT_TRUE(seek);
  ASSERT_TRUE(MoveTo(Middle(kSeekEdit)));
  ASSERT_TRUE(Xdo({"click", "1"}));
  ASSERT_TRUE(Xdo({"type", "--delay", "20", "Sat"}));
  auto text = [&] { return screentest::WindowText(seek); };
  EXPECT_TRUE(PumpUntil("the typed letters in the seek edit", [&] { return text() == u"Sat"; },
                        [&] { return "\"" + nux::ToUtf8(text()) + "\""; }));
}

TEST_F(ViewerOnScreen, TheObjectMenusInfoGoesToTheHost) {
  // A page that is an object's own (the comet's), so the toolbar's object menu has its commands.
  auto open = reinterpret_cast<OpenFn>(GetProcAddress(module_, "NUXSV_OpenAstroDict"));
  open(&host_, u"ID_QBZ_SV like 'NCMT1'", nullptr);
  ASSERT_TRUE(PumpUntil("the comet's page", [&] { return !Heading().empty() && Heading() != u"Sirius"; },
                        [&] { return Heading8(); }));
  host_.choose = u"Info";
  ASSERT_TRUE(MoveTo(Middle(kObjectMenu)));
  ASSERT_TRUE(Xdo({"click", "1"}));
  EXPECT_TRUE(PumpUntil("the object command at the host", [&] { return !host_.commands.empty(); },
                        [&] { return std::string(host_.clicker.joinable() ? "the menu's item clicked" : "no menu's item clicked"); }));
  ASSERT_FALSE(host_.commands.empty());
  EXPECT_EQ(host_.commands[0], 2024u);
}

}  // namespace
