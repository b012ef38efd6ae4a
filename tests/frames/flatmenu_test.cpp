// The flat popup menu: layout and hit tests, placement in the work area, the opening slide on
// the virtual clock, mouse tracking, submenus and how the modal loop ends. The modal loop is
// driven by a script whose steps run each time the loop goes idle (WM_ENTERIDLE to the owner),
// so every step sees the effects of the one before.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FlatMenu.h"
#include "process/clock.h"
#include "test_support.h"
#include "testing/testing.h"

namespace {

constexpr COLORREF kLine = RGB(0, 0, 0), kText = RGB(160, 160, 160), kBack = RGB(0x3D, 0x2A, 0x26);
constexpr COLORREF kHighText = RGB(255, 255, 255), kHigh = RGB(0, 0, 90);

class COwner : public CWnd {
 public:
  std::vector<std::function<void()>> steps;
  size_t next = 0;
  bool ranDry = false;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_ENTERIDLE) {
      if (next < steps.size()) {
        steps[next++]();
      } else if (!ranDry) {
        // The script is over but a menu is still open: close every menu so the test ends.
        ranDry = true;
        while (HWND menu = ::FindWindowW(CFlatMenu::kClassName, nullptr)) ::DestroyWindow(menu);
      }
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class FlatMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}, {{-800, 0, 0, 600}, {-800, 0, 0, 600}}});
    ASSERT_TRUE(owner.CreateEx(0, nullptr, u"owner", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
  }
  void TearDown() override {
    owner.DestroyWindow();
    nux::testing::ResetUi();
    nux::testing::ResetMonitors();
    CWnd::DeleteTempMap();
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void Style(CFlatMenu& menu) {
    menu.SetStyle(u"Arial", 8, kLine, kText, kBack, kHighText, kHigh);
    ASSERT_TRUE(menu.Init(nullptr, -1));
  }
  int Run(CFlatMenu& menu, int x, int y, std::vector<std::function<void()>> steps) {
    owner.steps = std::move(steps);
    owner.next = 0;
    int result = menu.TrackPopup(x, y, owner.m_hWnd, TRUE, FALSE, 0);
    EXPECT_FALSE(owner.ranDry) << "the script ended with the menu open";
    EXPECT_EQ(owner.next, owner.steps.size()) << "steps left when the menu closed";
    return result;
  }
  // Screen point in the middle of an item.
  POINT At(const CFlatMenu& menu, int index, int x = 30) {
    RECT r;
    ::GetWindowRect(menu.GetSafeHwnd(), &r);
    const FlatMenuItem& item = menu.GetItem(index);
    return {r.left + x, r.top + item.nTop + item.nHeight / 2};
  }
  COLORREF MenuPixel(const CFlatMenu& menu, int x, int y) {
    HDC dc = ::GetDC(menu.GetSafeHwnd());
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(menu.GetSafeHwnd(), dc);
    return c;
  }
  // Text extent in the menu's font.
  SIZE Extent(const char16_t* text, int weight) {
    HDC ic = ::CreateICW(u"DISPLAY", nullptr, nullptr, nullptr);
    HFONT f = ::CreateFontW(-::MulDiv(8, ::GetDeviceCaps(ic, LOGPIXELSY), 72), 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0,
                            0, u"Arial");
    HGDIOBJ old = ::SelectObject(ic, f);
    SIZE s{};
    ::GetTextExtentPoint32W(ic, text, static_cast<int>(std::char_traits<char16_t>::length(text)), &s);
    ::SelectObject(ic, old);
    ::DeleteObject(f);
    ::DeleteDC(ic);
    return s;
  }
  nuxtest::ScopedPlatformRoot root;
  COwner owner;
};

TEST_F(FlatMenu, LaysOutItemsAndHitTestsThem) {
  CFlatMenu menu;
  Style(menu);
  menu.AddItem(0, u"Info", 1, -1);
  menu.AddItem(1, u"", 0, -1);
  menu.AddItem(4, u"Eigenschaften", 2, -1);
  menu.AddItem(2, u"Titel", 3, -1);
  EXPECT_EQ(menu.TrackPopup(100, 100, owner.m_hWnd, FALSE, FALSE, 0), 0);  // not modal: at once
  const SIZE info = Extent(u"Info", 400), bold = Extent(u"Eigenschaften", 700), title = Extent(u"Titel", 400);
  const int tops[] = {3, 3 + info.cy + 4, 3 + info.cy + 4 + 5, 3 + info.cy + 4 + 5 + bold.cy + 4};
  const int heights[] = {info.cy + 4, 5, bold.cy + 4, title.cy + 4};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(menu.GetItem(i).nTop, tops[i]) << i;
    EXPECT_EQ(menu.GetItem(i).nHeight, heights[i]) << i;
  }
  const int total = tops[3] + heights[3];
  EXPECT_EQ(menu.GetWidth(), std::max({info.cx, bold.cx, title.cx}) + 42);
  RECT wr;
  ::GetWindowRect(menu.GetSafeHwnd(), &wr);
  EXPECT_EQ(wr.right - wr.left, menu.GetWidth());
  EXPECT_EQ(wr.bottom - wr.top, total + 2);
  EXPECT_EQ(wr.left, 100);
  EXPECT_EQ(wr.top, 100);

  RECT client;
  ::GetClientRect(menu.GetSafeHwnd(), &client);
  struct Case {
    int x, y, item;
  } cases[] = {
      {0, 5, -1},                          // left edge
      {5, 0, -1},                          // top edge
      {5, 3, -1},                          // an item's top row belongs to the item above
      {5, 4, 0},                           // first row of the first item
      {5, tops[1], 0},                     // its last row
      {5, tops[1] + 1, 1},                 // the separator
      {5, tops[2] + 1, 2},                 // bold item
      {5, tops[3] + 1, -1},                // not selectable
      {client.right, 5, 0},                // the right edge is inside
      {client.right + 1, 5, -1},           // beyond
      {5, client.bottom + 1, -1},          // below
      {5 + 0x10000, 4 + 0x20000, 0},       // coordinates are taken as 16-bit values
      {5, static_cast<int>(0xFFFF), -1},   // -1 as a 16-bit value
  };
  for (const Case& c : cases) EXPECT_EQ(menu.HitTest(c.x, c.y, client), c.item) << c.x << "," << c.y;
}

TEST_F(FlatMenu, ItemTextsAreCutAndCopiedUpToTheirEnd) {
  CFlatMenu menu;
  Style(menu);
  std::u16string longText(300, u'x');
  menu.AddItem(0, longText.c_str(), 1, -1);
  EXPECT_EQ(std::u16string(menu.GetItem(0).szText), std::u16string(127, u'x'));
  FlatMenuItem a;
  a.SetText(u"Stern");
  FlatMenuItem b;
  b.SetText(u"Galaxienhaufen");
  b = a;
  EXPECT_EQ(std::u16string(b.szText), u"Stern");
}

TEST_F(FlatMenu, OpensInsideTheWorkAreaOfItsMonitor) {
  struct Case {
    POINT at;
    const char* what;
  } cases[] = {{{1024, 740}, "bottom-right corner of the primary work area"},
               {{-10, 595}, "right edge of the monitor on the left"},
               {{-900, -50}, "beyond the left monitor's top-left corner"}};
  for (const Case& c : cases) {
    CFlatMenu menu;
    Style(menu);
    menu.AddItem(0, u"Info", 1, -1);
    menu.TrackPopup(c.at.x, c.at.y, owner.m_hWnd, FALSE, FALSE, 0);
    RECT r;
    ::GetWindowRect(menu.GetSafeHwnd(), &r);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromPoint(c.at, MONITOR_DEFAULTTONEAREST), &mi);
    EXPECT_GE(r.left, mi.rcWork.left) << c.what;
    EXPECT_GE(r.top, mi.rcWork.top) << c.what;
    EXPECT_LE(r.right, mi.rcWork.right) << c.what;
    EXPECT_LE(r.bottom, mi.rcWork.bottom) << c.what;
    // Moved only as far as needed.
    EXPECT_TRUE(r.right == mi.rcWork.right || r.left == c.at.x || r.left == mi.rcWork.left) << c.what;
  }
}

TEST_F(FlatMenu, SlidesAndFadesInOverFifteenStepsOfTenMilliseconds) {
  CFlatMenu menu;
  Style(menu);
  menu.AddItem(0, u"Info", 1, -1);
  menu.AddItem(0, u"Sternbild", 2, -1);
  std::vector<COLORREF> corner, bottom;
  std::vector<ULONGLONG> at;
  int listener = nux::clock::AddAdvanceListener([&] {
    if (HWND h = menu.GetSafeHwnd()) {
      RECT c;
      ::GetClientRect(h, &c);
      corner.push_back(MenuPixel(menu, 0, 0));
      bottom.push_back(MenuPixel(menu, 0, c.bottom - 1));
      at.push_back(nux::clock::NowMs());
    }
  });
  const ULONGLONG opened = nux::clock::NowMs();
  int result = Run(menu, 200, 200, {[&] {
                     nux::clock::RemoveAdvanceListener(listener);
                     EXPECT_EQ(nux::clock::NowMs() - opened, 150u);  // the slide blocked for 150 ms
                     ASSERT_EQ(at.size(), 15u);
                     for (size_t i = 0; i < at.size(); ++i) EXPECT_EQ(at[i] - opened, 10 * (i + 1));
                     // From the top edge: the bottom row of the window shows the menu's frame
                     // only at the last step; the top row fades in to the line colour.
                     EXPECT_NE(bottom[0], kLine);
                     EXPECT_EQ(bottom[14], kLine);
                     EXPECT_NE(corner[0], kLine);
                     EXPECT_EQ(corner[14], kLine);
                     // Painted again without a slide: the frame and the background at once.
                     ::InvalidateRect(menu.GetSafeHwnd(), nullptr, TRUE);
                     ::UpdateWindow(menu.GetSafeHwnd());
                     EXPECT_EQ(nux::clock::NowMs() - opened, 150u);
                     EXPECT_EQ(MenuPixel(menu, 1, 1), kBack);
                     nux::testing::KeyPress(VK_MENU);
                   }});
  EXPECT_EQ(result, 0);
  EXPECT_EQ(menu.GetSafeHwnd(), nullptr);
}

TEST_F(FlatMenu, TracksThePointerAndReturnsTheChosenItem) {
  CFlatMenu menu;
  Style(menu);
  menu.AddItem(0, u"Eins", 101, -1);
  menu.AddItem(0, u"Zwei", 102, -1);
  menu.AddItem(1, u"", 0, -1);
  menu.AddItem(0, u"Drei", 0, -1);
  auto move = [&](int index) {
    POINT p = At(menu, index);
    nux::testing::MouseMove(p.x, p.y);
  };
  int result = Run(menu, 100, 100,
                   {[&] { move(0); },
                    [&] {
                      EXPECT_EQ(menu.GetHotItem(), 0);
                      move(1);
                    },
                    [&] {
                      EXPECT_EQ(menu.GetHotItem(), 1);
                      EXPECT_EQ(MenuPixel(menu, 10, menu.GetItem(1).nTop + 1), kHigh);
                      EXPECT_EQ(MenuPixel(menu, 10, menu.GetItem(0).nTop + 1), kBack);
                      RECT r;
                      ::GetWindowRect(menu.GetSafeHwnd(), &r);
                      nux::testing::MouseMove(r.left, At(menu, 1).y);  // onto the frame
                    },
                    [&] {
                      EXPECT_EQ(menu.GetHotItem(), -1);
                      EXPECT_EQ(MenuPixel(menu, 10, menu.GetItem(1).nTop + 1), kBack);
                      POINT p = At(menu, 3);
                      nux::testing::Click(p.x, p.y);  // command 0: stays open
                    },
                    [&] {
                      EXPECT_NE(menu.GetSafeHwnd(), nullptr);
                      POINT p = At(menu, 1);
                      nux::testing::MouseMove(p.x, p.y);
                      nux::testing::Click(p.x, p.y);
                    }});
  EXPECT_EQ(result, 102);
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(FlatMenu, TheReleaseOfTheOpeningRightClickChoosesNothing) {
  CFlatMenu menu;
  Style(menu);
  menu.AddItem(0, u"Info", 7, -1);
  nux::testing::MouseDown(150, 150, nux::testing::Button::Right);  // on the owner
  nux::testing::PumpMessages();
  int result = Run(menu, 150, 150,
                   {[&] {
                      POINT p = At(menu, 0);
                      nux::testing::MouseMove(p.x, p.y);
                      nux::testing::MouseUp(p.x, p.y, nux::testing::Button::Right);
                    },
                    [&] {
                      EXPECT_NE(menu.GetSafeHwnd(), nullptr);
                      POINT p = At(menu, 0);
                      nux::testing::Click(p.x, p.y, nux::testing::Button::Right);
                    }});
  EXPECT_EQ(result, 7);
}

TEST_F(FlatMenu, ClosesWithoutACommand) {
  struct Case {
    const char* what;
    std::function<void(CFlatMenu&)> act;
  } cases[] = {
      {"Alt", [](CFlatMenu&) { nux::testing::KeyPress(VK_MENU); }},
      {"click outside", [](CFlatMenu&) { nux::testing::Click(390, 290); }},
      {"click on the left edge",
       [this](CFlatMenu& m) {
         POINT p = At(m, 0, 2);
         nux::testing::MouseMove(p.x, p.y);
         nux::testing::Click(p.x, p.y);
       }},
      {"release with no item under the pointer",
       [](CFlatMenu& m) {
         RECT r;
         ::GetWindowRect(m.GetSafeHwnd(), &r);
         nux::testing::MouseMove(r.left + 10, r.top + 3);
         nux::testing::MouseUp(r.left + 10, r.bottom - 2);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CFlatMenu menu;
    Style(menu);
    menu.AddItem(0, u"Info", 5, -1);
    bool open = false;
    bool last = std::string(c.what).rfind("release", 0) == 0;
    int result = Run(menu, 20, 20,
                     last ? std::vector<std::function<void()>>{[&] { c.act(menu); },
                                                               [&] {
                                                                 open = menu.GetSafeHwnd() != nullptr;
                                                                 nux::testing::KeyPress(VK_MENU);
                                                               }}
                          : std::vector<std::function<void()>>{[&] { c.act(menu); }});
    EXPECT_EQ(result, 0) << c.what;
    nux::testing::PumpMessages();  // the rest of the input (the key's release) goes to the owner
    if (last) {
      EXPECT_TRUE(open) << "a release on no item leaves the menu open";
    }
  }
}

TEST_F(FlatMenu, AQuitEndingTheLoopIsLeftForTheHost) {
  CFlatMenu menu;
  Style(menu);
  menu.AddItem(0, u"Info", 5, -1);
  int result = Run(menu, 20, 20, {[] { ::PostQuitMessage(3); }});
  EXPECT_EQ(result, 0);
  EXPECT_EQ(menu.GetSafeHwnd(), nullptr);
  MSG m;
  ASSERT_TRUE(::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(FlatMenu, OpensASubmenuAfterTheDelayAndReturnsItsChoice) {
  CFlatMenu menu, sub;
  Style(menu);
  Style(sub);
  menu.AddItem(0, u"Info", 1, -1);
  menu.AddItem(0, u"Mehr", 0, -1);
  sub.AddItem(0, u"Alpha", 201, -1);
  sub.AddItem(0, u"Beta", 202, -1);
  ASSERT_TRUE(menu.SetSubmenu(1, &sub));
  ULONGLONG hovered = 0;
  int result = Run(menu, 100, 100,
                   {[&] {
                      POINT p = At(menu, 1);
                      nux::testing::MouseMove(p.x, p.y);
                    },
                    [&] {
                      hovered = nux::clock::NowMs();
                      nux::clock::Advance(149);
                      // A move on the same item lets the loop look at the clock and go idle
                      // again (an idle loop that waits for a timer hears nothing else).
                      POINT p = At(menu, 1, 31);
                      nux::testing::MouseMove(p.x, p.y);
                    },
                    [&] {
                      EXPECT_EQ(sub.GetSafeHwnd(), nullptr);
                      nux::clock::Advance(1);
                    },
                    [&] {
                      // Open (and its own slide played, from the left edge).
                      ASSERT_NE(sub.GetSafeHwnd(), nullptr);
                      EXPECT_EQ(nux::clock::NowMs() - hovered, 150u + 150u);
                      RECT top, r;
                      ::GetWindowRect(menu.GetSafeHwnd(), &top);
                      ::GetWindowRect(sub.GetSafeHwnd(), &r);
                      EXPECT_EQ(r.left, top.left + menu.GetWidth() - 5);
                      EXPECT_EQ(r.top, top.top + menu.GetItem(1).nTop - 3);
                      // The first move over the submenu hands it the mouse; it tracks the next.
                      POINT p = At(sub, 1);
                      nux::testing::MouseMove(p.x, p.y);
                      nux::testing::MouseMove(p.x + 1, p.y);
                    },
                    [&] {
                      EXPECT_EQ(sub.GetHotItem(), 1);
                      EXPECT_EQ(menu.GetHotItem(), 1);
                      POINT p = At(sub, 1);
                      nux::testing::Click(p.x, p.y);
                    }});
  EXPECT_EQ(result, 202);
  EXPECT_EQ(sub.GetSafeHwnd(), nullptr);
  EXPECT_EQ(menu.GetSafeHwnd(), nullptr);
}

}  // namespace

namespace {

class CCommandOwner : public COwner {
 public:
  std::vector<WPARAM> commands;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) commands.push_back(wParam);
    return COwner::WindowProc(message, wParam, lParam);
  }
};

TEST_F(FlatMenu, FocusLeavingForAnotherWindowClosesTheMenuOnlyAfterItsFirstTenthOfASecond) {
  CWnd other;
  ASSERT_TRUE(other.CreateEx(0, nullptr, u"other", WS_POPUP | WS_VISIBLE, 500, 500, 50, 50, nullptr, nullptr));
  CFlatMenu menu, second;
  Style(menu);
  Style(second);
  menu.AddItem(0, u"Info", 5, -1);
  second.AddItem(0, u"Mehr", 6, -1);
  menu.TrackPopup(20, 20, owner.m_hWnd, FALSE, FALSE, 0);
  ::SetFocus(menu.GetSafeHwnd());
  ::SetFocus(other.m_hWnd);  // at once: the menu stays
  EXPECT_NE(menu.GetSafeHwnd(), nullptr);
  nux::clock::Advance(101);
  ::SetFocus(menu.GetSafeHwnd());
  second.TrackPopup(200, 200, owner.m_hWnd, FALSE, TRUE, 0);
  ::SetFocus(second.GetSafeHwnd());  // to another flat menu: the menu stays
  EXPECT_NE(menu.GetSafeHwnd(), nullptr);
  ::SetFocus(menu.GetSafeHwnd());
  ::SetFocus(other.m_hWnd);  // later, to another window: closed without a command
  EXPECT_EQ(menu.GetSafeHwnd(), nullptr);
  other.DestroyWindow();
}

TEST_F(FlatMenu, NotModalReturnsAtOnceAndPostsTheChoiceToItsOwner) {
  CCommandOwner commandOwner;
  ASSERT_TRUE(commandOwner.CreateEx(0, nullptr, u"commands", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
  CFlatMenu menu;
  Style(menu);
  menu.AddItem(0, u"Info", 42, -1);
  EXPECT_EQ(menu.TrackPopup(100, 100, commandOwner.m_hWnd, FALSE, FALSE, 0), 0);
  nux::testing::PumpMessages();
  POINT p = At(menu, 0);
  nux::testing::MouseMove(p.x, p.y);
  nux::testing::Click(p.x, p.y);
  nux::testing::PumpMessages();
  EXPECT_EQ(menu.GetSafeHwnd(), nullptr);
  EXPECT_EQ(commandOwner.commands, std::vector<WPARAM>{42});
  commandOwner.DestroyWindow();
}

}  // namespace
