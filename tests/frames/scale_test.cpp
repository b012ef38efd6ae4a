// The resizable framed dialog: growth by the frame in its initialisation, the frame bands and
// the hit-test table, the drawn frame, minimum and maximum sizes, sizing by drags on every edge
// and corner, maximizing and restoring, and the rectangle kept to restore.
#include "frames_fixture.h"

namespace {

using namespace framestest;
using CScaleDlg = CTestDialog<CNUXDialogScale>;

class Scale : public UiTest {
 protected:
  void Create(CScaleDlg& dlg, int x = 100, int y = 100) {
    ASSERT_TRUE(dlg.CreateAt(nullptr, x, y));
    dlg.ShowNow();
  }
  // Point at (dx, dy) from the window's top-left corner, negative values from its bottom-right.
  POINT Corner(CWnd& w, int dx, int dy) {
    RECT r = WindowRectOf(w);
    return POINT{dx >= 0 ? r.left + dx : r.right + dx, dy >= 0 ? r.top + dy : r.bottom + dy};
  }
};

TEST_F(Scale, GrowsByItsFrameAndTakesItsFirstSizeAsMinimum) {
  CScaleDlg dlg;
  Create(dlg);
  const RECT w = WindowRectOf(dlg), c = ClientRectOf(dlg);
  const int width = dlg.initial.right - dlg.initial.left, height = dlg.initial.bottom - dlg.initial.top;
  EXPECT_EQ(w.right - w.left, width + 9);
  EXPECT_EQ(w.bottom - w.top, height + 9);
  EXPECT_EQ(c.right, width + 9 - 10);
  EXPECT_EQ(c.bottom, height + 9 - 10);
  EXPECT_EQ(dlg.GetMinSize().cx, width + 9);
  EXPECT_EQ(dlg.GetMinSize().cy, height + 9);
  EXPECT_EQ(dlg.GetStyle() & (WS_CAPTION | WS_SYSMENU), 0u);
  // The client area starts inside the left and top bands.
  POINT origin{0, 0};
  dlg.ClientToScreen(&origin);
  EXPECT_EQ(origin.x, w.left + 5);
  EXPECT_EQ(origin.y, w.top + 5);
}

TEST_F(Scale, FrameBandsAndTheHitTestTable) {
  CScaleDlg dlg;
  Create(dlg);
  const RECT w = WindowRectOf(dlg);
  const int W = w.right - w.left, H = w.bottom - w.top;
  RECT l, r, t, b;
  dlg.GetFrameRects(&l, &r, &t, &b, FALSE);
  EXPECT_TRUE(SameRect(l, RECT{0, 5, 5, H - 5})) << Text(l);
  EXPECT_TRUE(SameRect(r, RECT{W - 6, 5, W, H - 5})) << Text(r);
  EXPECT_TRUE(SameRect(t, RECT{0, 0, W, 5})) << Text(t);
  EXPECT_TRUE(SameRect(b, RECT{0, H - 6, W, H})) << Text(b);
  dlg.GetFrameRects(&l, nullptr, nullptr, nullptr, TRUE);
  EXPECT_TRUE(SameRect(l, RECT{w.left, w.top + 5, w.left + 5, w.bottom - 5})) << Text(l);

  struct Case {
    int x, y;  // from the window's top-left corner; negative: from its right or bottom edge
    LRESULT code;
  } cases[] = {
      {50, 0, HTTOP},           {50, 4, HTTOP},          {0, 0, HTTOPLEFT},      {4, 4, HTTOPLEFT},
      {5, 0, HTTOP},            {-1, 0, HTTOPRIGHT},     {-5, 4, HTTOPRIGHT},    {0, 50, HTLEFT},
      {4, 50, HTLEFT},          {-1, 50, HTRIGHT},       {-6, 50, HTRIGHT},      {-7, 50, HTNOWHERE},
      {50, -1, HTBOTTOM},       {50, -6, HTBOTTOM},      {50, -7, HTNOWHERE},    {0, -1, HTBOTTOMLEFT},
      {-1, -1, HTBOTTOMRIGHT},  {-5, -5, HTBOTTOMRIGHT}, {-5, -6, HTRIGHT},      {-6, -6, HTBOTTOM},     {5, 5, HTNOWHERE},
      {W / 2, H / 2, HTNOWHERE},
  };
  auto hit = [&](int x, int y) {
    POINT p = Corner(dlg, x, y);
    return dlg.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  };
  for (const Case& c : cases) EXPECT_EQ(hit(c.x, c.y), c.code) << c.x << "," << c.y;

  dlg.SetResizable(FALSE);
  EXPECT_EQ(hit(0, 0), HTNOWHERE);
  dlg.SetResizable(TRUE);
  dlg.Maximize();
  EXPECT_EQ(hit(0, 0), HTNOWHERE);
}

TEST_F(Scale, DrawsARaisedBorderASunkenOneAndTheFillBands) {
  CScaleDlg dlg;
  dlg.SetFrameColors(RGB(200, 200, 200), RGB(40, 40, 40), RGB(120, 0, 0));
  Create(dlg);
  nux::gdi::Surface s;
  ASSERT_TRUE(nux::testing::CaptureWindow(dlg.m_hWnd, &s));
  const int W = s.width(), H = s.height();
  struct Case {
    int x, y;
    COLORREF colour;
  } cases[] = {
      {0, 0, RGB(200, 200, 200)},      {0, H / 2, RGB(200, 200, 200)},  {W - 1, H / 2, RGB(40, 40, 40)},
      {W / 2, H - 1, RGB(40, 40, 40)}, {2, H / 2, RGB(120, 0, 0)},      {W / 2, 2, RGB(120, 0, 0)},
      {4, H / 2, RGB(40, 40, 40)},     {W / 2, 4, RGB(40, 40, 40)},      // the sunken border's dark side
      {W - 5, H / 2, RGB(120, 0, 0)},  {W / 2, H - 5, RGB(120, 0, 0)},   // fills cover its light side
  };
  for (const Case& c : cases) EXPECT_EQ(s.colorAt(c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST_F(Scale, WithoutFrameKeepsItsStyleAndSizeAndAnswersNowhere) {
  CScaleDlg dlg;
  dlg.SetFrameWidths(0, 0, 0, 0);
  Create(dlg);
  EXPECT_NE(dlg.GetStyle() & WS_CAPTION, 0u);
  const RECT w = WindowRectOf(dlg);
  EXPECT_EQ(w.right - w.left, dlg.initial.right - dlg.initial.left);
  EXPECT_EQ(w.bottom - w.top, dlg.initial.bottom - dlg.initial.top);
  for (POINT p : {Corner(dlg, 0, 0), Corner(dlg, -1, -1), Corner(dlg, 50, 2)})
    EXPECT_EQ(dlg.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTNOWHERE);
}

TEST_F(Scale, DragsOnEachEdgeAndCornerResizeWithinTheLimits) {
  struct Case {
    int x, y;       // grab point as in the hit-test table
    int dx, dy;     // drag
    RECT change;    // expected change of left, top, right, bottom
  } cases[] = {
      {60, 1, 0, -30, {0, -30, 0, 0}},       {60, -2, 0, 40, {0, 0, 0, 40}},
      {2, 60, -25, 0, {-25, 0, 0, 0}},       {-2, 60, 35, 0, {0, 0, 35, 0}},
      {1, 1, -10, -20, {-10, -20, 0, 0}},    {-2, 1, 15, -5, {0, -5, 15, 0}},
      {1, -2, -7, 9, {-7, 0, 0, 9}},         {-2, -2, 50, 30, {0, 0, 50, 30}},
      {-2, -2, -500, -500, {0, 0, 0, 0}},    // cannot go below the first size
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    CScaleDlg dlg;
    Create(dlg);
    const RECT before = WindowRectOf(dlg);
    RECT button0;
    ::GetWindowRect(dlg.GetDlgItem(kButtonId)->m_hWnd, &button0);
    POINT from = Corner(dlg, c.x, c.y);
    nux::testing::Drag(from, POINT{from.x + c.dx, from.y + c.dy}, 4);
    nux::testing::PumpMessages();
    const RECT after = WindowRectOf(dlg);
    EXPECT_TRUE(SameRect(after, RECT{before.left + c.change.left, before.top + c.change.top,
                                     before.right + c.change.right, before.bottom + c.change.bottom}))
        << Text(before) << " -> " << Text(after);
    // The rectangle to restore is the one the window ended with; the client keeps the frame.
    EXPECT_TRUE(SameRect(dlg.GetRestoreRect(), after)) << Text(dlg.GetRestoreRect());
    const RECT client = ClientRectOf(dlg);
    EXPECT_EQ(client.right, after.right - after.left - 10);
    EXPECT_EQ(client.bottom, after.bottom - after.top - 10);
    // The button keeps its distance to the bottom-right corner.
    RECT button;
    ::GetWindowRect(dlg.GetDlgItem(kButtonId)->m_hWnd, &button);
    EXPECT_EQ(after.right - button.right, before.right - button0.right);
    EXPECT_EQ(after.bottom - button.bottom, before.bottom - button0.bottom);
    dlg.DestroyWindow();
  }
}

// A framed dialog on one of the library's own templates (none has WS_THICKFRAME).
class CLibraryDlg : public CNUXDialogScale {
 public:
  explicit CLibraryDlg(UINT id) : CNUXDialogScale(id, nullptr) {}
};

TEST_F(Scale, TheLibrarysWindowsStopEachEdgeAndCornerAtBothLimits) {
  struct Grab {
    int x, y;         // as in the hit-test table
    int sx, sy;       // outward direction of the drag
  } grabs[] = {{60, 1, 0, -1}, {60, -2, 0, 1},  {2, 60, -1, 0}, {-2, 60, 1, 0},
               {1, 1, -1, -1}, {-2, 1, 1, -1},  {1, -2, -1, 1}, {-2, -2, 1, 1}};
  for (UINT id : {177u, 213u}) {
    for (const Grab& g : grabs) {
      for (int way : {1, -1}) {  // out past the maximum, in past the minimum
        SCOPED_TRACE("template " + std::to_string(id) + " grab " + std::to_string(g.x) + "," + std::to_string(g.y) +
                     (way > 0 ? " outwards" : " inwards"));
        CLibraryDlg dlg(id);
        ASSERT_TRUE(dlg.CreateAt(nullptr, 200, 150));
        dlg.ShowNow();
        ASSERT_EQ(dlg.GetStyle() & WS_THICKFRAME, 0u);
        const RECT before = WindowRectOf(dlg);
        const int w0 = before.right - before.left, h0 = before.bottom - before.top;
        const SIZE lo{w0 - 100, h0 - 80}, hi{w0 + 150, h0 + 120};
        dlg.SetMinSize(lo.cx, lo.cy);
        dlg.SetMaxSize(hi.cx, hi.cy);
        const POINT from{g.x >= 0 ? before.left + g.x : before.right + g.x,
                         g.y >= 0 ? before.top + g.y : before.bottom + g.y};
        nux::testing::Drag(from, POINT{from.x + g.sx * way * 600, from.y + g.sy * way * 600}, 6);
        nux::testing::PumpMessages();
        const RECT after = WindowRectOf(dlg);
        const int wantW = g.sx ? (way > 0 ? hi.cx : lo.cx) : w0;
        const int wantH = g.sy ? (way > 0 ? hi.cy : lo.cy) : h0;
        EXPECT_EQ(after.right - after.left, wantW) << Text(before) << " -> " << Text(after);
        EXPECT_EQ(after.bottom - after.top, wantH) << Text(before) << " -> " << Text(after);
        // The edges that were not dragged stay where they were.
        if (g.sx >= 0) {
          EXPECT_EQ(after.left, before.left);
        }
        if (g.sx <= 0) {
          EXPECT_EQ(after.right, before.right);
        }
        if (g.sy >= 0) {
          EXPECT_EQ(after.top, before.top);
        }
        if (g.sy <= 0) {
          EXPECT_EQ(after.bottom, before.bottom);
        }
        dlg.DestroyWindow();
      }
    }
  }
}

TEST_F(Scale, SizeToRightOfTheWorkAreaKeepsTheMinimumAndHonoursTheMaximum) {
  CScaleDlg dlg;
  Create(dlg, 1100, 100);  // its left edge lies right of the 1024-pixel work area
  const SIZE min = dlg.GetMinSize();
  dlg.StartSizing(10, 10);
  dlg.SizeTo(30, 30);
  RECT r = WindowRectOf(dlg);
  EXPECT_EQ(r.right - r.left, min.cx) << Text(r);
  EXPECT_EQ(r.bottom - r.top, min.cy + 20) << Text(r);
  dlg.StopSizing();

  CScaleDlg other;
  Create(other, 50, 50);
  const SIZE start = other.GetMinSize();
  other.SetMaxSize(start.cx + 40, start.cy + 30);
  other.StartSizing(0, 0);
  other.SizeTo(500, 500);
  r = WindowRectOf(other);
  EXPECT_EQ(r.right - r.left, start.cx + 40) << Text(r);
  EXPECT_EQ(r.bottom - r.top, start.cy + 30) << Text(r);
}

TEST_F(Scale, AClientSizeEqualToAWindowSizeSeenWhileSizingStillLaysOut) {
  CScaleDlg dlg;
  Create(dlg);
  const RECT w = WindowRectOf(dlg), c = ClientRectOf(dlg);
  RECT button0;
  ::GetWindowRect(dlg.GetDlgItem(kButtonId)->m_hWnd, &button0);
  // A sizing step proposes a window as large as the client area is about to become.
  RECT proposal{w.left, w.top, w.left + c.right + 20, w.top + c.bottom + 20};
  dlg.SendMessage(WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposal));
  dlg.SetWindowPos(nullptr, 0, 0, w.right - w.left + 20, w.bottom - w.top + 20, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(ClientRectOf(dlg).right, c.right + 20);
  RECT button;
  ::GetWindowRect(dlg.GetDlgItem(kButtonId)->m_hWnd, &button);
  EXPECT_EQ(button.left, button0.left + 20);
  EXPECT_EQ(button.top, button0.top + 20);
}

TEST_F(Scale, SizeToKeepsTheMinimumAndTheWorkArea) {
  CScaleDlg dlg;
  Create(dlg, 600, 500);
  const RECT start = WindowRectOf(dlg);
  dlg.StartSizing(10, 10);
  dlg.SizeTo(-300, -300);
  RECT r = WindowRectOf(dlg);
  EXPECT_EQ(r.right - r.left, dlg.GetMinSize().cx);
  EXPECT_EQ(r.bottom - r.top, dlg.GetMinSize().cy);
  dlg.SizeTo(2000, 2000);
  r = WindowRectOf(dlg);
  EXPECT_EQ(r.right, 1024);
  EXPECT_EQ(r.bottom, 740);
  EXPECT_EQ(r.left, start.left);
  EXPECT_TRUE(SameRect(dlg.GetRestoreRect(), r));
  dlg.StopSizing();
  dlg.SizeTo(0, 0);  // no longer sizing: nothing happens
  EXPECT_TRUE(SameRect(WindowRectOf(dlg), r));
}

TEST_F(Scale, MaximizesIntoItsMaximumSizeAndStoresTheNormalRectangle) {
  nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 768}}});
  {
    CScaleDlg dlg;
    dlg.SetMaxSize(800, 600);
    ASSERT_TRUE(dlg.CreatePlaced(nullptr, u"ScaleTest", nullptr));
    const RECT normal = WindowRectOf(dlg);
    EXPECT_TRUE(SameRect(dlg.GetRestoreRect(), normal));
    EXPECT_TRUE(dlg.ToggleMaximize());
    EXPECT_TRUE(SameRect(WindowRectOf(dlg), RECT{112, 84, 912, 684})) << Text(WindowRectOf(dlg));
    EXPECT_TRUE(SameRect(dlg.GetRestoreRect(), normal));
    EXPECT_FALSE(dlg.ToggleMaximize());
    EXPECT_TRUE(SameRect(WindowRectOf(dlg), normal));
    dlg.Maximize();
    dlg.DestroyWindow();  // saved maximized: the normal rectangle is stored
    LONG edges[4] = {};
    ASSERT_TRUE(theEngineConfig.GetBinary(u"ScaleTest", edges, sizeof(edges)));
    EXPECT_TRUE(SameRect(RECT{edges[0], edges[1], edges[2], edges[3]}, normal));
  }
  // Without a maximum size the window covers the work area of its monitor.
  nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}, {{1024, 0, 2048, 768}, {1024, 30, 2048, 768}}});
  CScaleDlg dlg;
  Create(dlg, 1200, 200);
  dlg.Maximize();
  EXPECT_TRUE(dlg.IsMaximized());
  EXPECT_TRUE(SameRect(WindowRectOf(dlg), RECT{1024, 30, 2048, 768})) << Text(WindowRectOf(dlg));
}

TEST_F(Scale, MinimizedWindowLeavesTheRestoreRectangleAlone) {
  CScaleDlg dlg;
  Create(dlg, 150, 120);
  const RECT normal = WindowRectOf(dlg);
  dlg.Minimize();
  EXPECT_TRUE(dlg.IsMinimized());
  EXPECT_TRUE(SameRect(dlg.GetRestoreRect(), normal)) << Text(dlg.GetRestoreRect());
  dlg.ShowWindowState(SW_RESTORE);
  EXPECT_FALSE(dlg.IsMinimized());
  EXPECT_TRUE(SameRect(WindowRectOf(dlg), normal));
  EXPECT_TRUE(SameRect(dlg.GetRestoreRect(), normal));
}

}  // namespace
