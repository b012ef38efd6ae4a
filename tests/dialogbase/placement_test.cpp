// The window placement functions: fitting into the work area of the nearest monitor (also
// monitors at negative coordinates), centring, edge arithmetic and the flags of MoveWindowTo.
#include <string>
#include <vector>

#include "NUXDialog.h"
#include "dialogbase_fixture.h"

using namespace dialogbasetest;

namespace {

std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// Three monitors: the primary with a task bar at the bottom, one to its left (negative x) and
// one above it (negative y) with its task bar at the top.
void ThreeMonitors() {
  nux::testing::SetMonitors({{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}},
                             {RECT{-1024, 0, 0, 768}, RECT{-1024, 0, 0, 768}},
                             {RECT{0, -900, 1600, 0}, RECT{0, -870, 1600, 0}}});
}

class Placement : public UiTest {};

TEST_F(Placement, FitRectToWorkAreaMovesIntoTheNearestMonitor) {
  ThreeMonitors();
  struct Case {
    RECT in;
    BOOL clamp;
    int stepX, stepY;
    RECT out;
  } cases[] = {
      {{100, 100, 400, 300}, TRUE, 0, 0, {100, 100, 400, 300}},             // inside: unchanged
      {{1200, 900, 1500, 1100}, TRUE, 0, 0, {980, 784, 1280, 984}},         // past right and bottom
      {{-100, 100, 400, 300}, TRUE, 0, 0, {0, 100, 500, 300}},              // mostly on the primary
      {{-1100, 500, -800, 900}, TRUE, 0, 0, {-1024, 368, -724, 768}},       // left monitor, negative x
      {{-300, 700, -100, 800}, TRUE, 0, 0, {-300, 668, -100, 768}},         // left monitor, past its bottom
      {{100, -880, 500, -600}, TRUE, 0, 0, {100, -870, 500, -590}},         // upper monitor, under its task bar
      {{200, -50, 600, 20}, TRUE, 0, 0, {200, -70, 600, 0}},                // mostly on the upper monitor
      {{-50, -50, 1400, 1100}, TRUE, 0, 0, {0, 0, 1280, 984}},              // larger: cut at left and top
      {{-50, -50, 1400, 1100}, FALSE, 0, 0, {-170, -166, 1280, 984}},       // without the clamp
      {{1200, 100, 1300, 200}, TRUE, 7, 7, {1193, 100, 1293, 200}},         // by the step
      {{-20, 100, 80, 200}, FALSE, -7, 0, {-13, 100, 87, 200}},             // the step's size counts
      {{1300, 100, 1400, 200}, TRUE, 0, 0, {1180, 100, 1280, 200}},         // off to the right
  };
  for (const Case& k : cases) {
    RECT r = k.in;
    FitRectToWorkArea(&r, k.clamp, k.stepX, k.stepY);
    EXPECT_EQ(Str(r), Str(k.out)) << "from " << Str(k.in);
  }
}

TEST_F(Placement, IsRectInsideAndAdjustRectEdges) {
  EXPECT_TRUE(IsRectInside(0, 0, 10, 10, 0, 0, 10, 10));
  EXPECT_TRUE(IsRectInside(-5, -5, 0, 0, -10, -10, 0, 0));
  EXPECT_FALSE(IsRectInside(-1, 0, 10, 10, 0, 0, 10, 10));
  EXPECT_FALSE(IsRectInside(0, -1, 10, 10, 0, 0, 10, 10));
  EXPECT_FALSE(IsRectInside(0, 0, 11, 10, 0, 0, 10, 10));
  EXPECT_FALSE(IsRectInside(0, 0, 10, 11, 0, 0, 10, 10));
  RECT r{10, 20, 30, 40};
  EXPECT_EQ(AdjustRectEdges(&r, 1, -2, 3, -4), &r);
  EXPECT_EQ(Str(r), "11,18,33,36");
}

TEST_F(Placement, CenteredRectIsTakenAtTheScreenOrigin) {
  CNUXDialog dlg(300, nullptr);
  struct Case {
    std::vector<nux::ui::MonitorSpec> monitors;
    int w, h;
    RECT out;
  } cases[] = {
      {{{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}}}, 300, 200, {490, 392, 790, 592}},
      {{{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}}}, 301, 201, {489, 391, 790, 592}},
      {{{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}}}, 2000, 100, {0, 442, 1280, 542}},
      // A task bar at the top: the rectangle still centres on (W/2, H/2) from (0, 0).
      {{{RECT{0, 0, 1280, 1024}, RECT{0, 60, 1280, 1024}}}, 400, 300, {440, 332, 840, 632}},
  };
  for (const Case& k : cases) {
    nux::testing::SetMonitors(k.monitors);
    RECT r{};
    dlg.GetCenteredRect(k.w, k.h, &r);
    EXPECT_EQ(Str(r), Str(k.out)) << k.w << "x" << k.h;
  }
}

// The flags a move arrives with.
std::vector<UINT> g_flags;
LRESULT CALLBACK FlagsProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_WINDOWPOSCHANGED) g_flags.push_back(reinterpret_cast<WINDOWPOS*>(lParam)->flags);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(Placement, MoveWindowToNamesItsFlags) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FlagsProc;
  wc.lpszClassName = u"PlacementFlags";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, u"PlacementFlags", u"", WS_POPUP, 10, 10, 100, 50, nullptr, nullptr, nullptr, nullptr);
  CWnd wnd;
  wnd.Attach(hwnd);
  struct Case {
    BOOL move, size, show;
    RECT after;
  } cases[] = {
      {TRUE, TRUE, FALSE, {20, 30, 60, 70}},
      {TRUE, FALSE, FALSE, {20, 30, 120, 80}},
      {FALSE, TRUE, TRUE, {10, 10, 50, 50}},
  };
  const UINT always = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING |
                      SWP_DEFERERASE;
  for (const Case& k : cases) {
    SetWindowPos(hwnd, nullptr, 10, 10, 100, 50, SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    g_flags.clear();
    EXPECT_TRUE(MoveWindowToRect(&wnd, 20, 30, 60, 70, k.move, k.size, k.show));
    ASSERT_FALSE(g_flags.empty());
    const UINT f = g_flags.back();
    EXPECT_EQ(f & always, always);
    EXPECT_EQ((f & SWP_NOMOVE) != 0, !k.move);
    EXPECT_EQ((f & SWP_NOSIZE) != 0, !k.size);
    EXPECT_EQ((f & SWP_SHOWWINDOW) != 0, k.show != FALSE);
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(Str(r), Str(k.after));
    EXPECT_EQ(IsWindowVisible(hwnd) != FALSE, k.show != FALSE);
  }
  wnd.Detach();
  DestroyWindow(hwnd);
}

}  // namespace
