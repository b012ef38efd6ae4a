#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "CtrlLayout.h"
#include "mfc/afxwin.h"
#include "testing/testing.h"
#include "test_support.h"
#include "ui/ui.h"

namespace {

// What the test windows saw: the flags of each move (WM_WINDOWPOSCHANGING), the order of the
// paints, and what of the watched windows was invalid when the first paint came.
std::map<HWND, std::vector<UINT>> g_moves;
std::vector<HWND> g_paints;                     // windows in the order they were painted
std::vector<HWND> g_watch;                      // windows whose invalid part the first paint notes
std::vector<std::string> g_invalidAtOwnerPaint;  // "" for a window with nothing to draw

std::string Str(const RECT& r);

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_WINDOWPOSCHANGING) g_moves[hwnd].push_back(reinterpret_cast<WINDOWPOS*>(lParam)->flags);
  if (msg == WM_PAINT) {
    if (g_paints.empty()) {
      g_invalidAtOwnerPaint.clear();
      for (HWND w : g_watch) {
        RECT rc;
        g_invalidAtOwnerPaint.push_back(GetUpdateRect(w, &rc, FALSE) ? Str(rc) : "");
      }
    }
    g_paints.push_back(hwnd);
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

struct Box {
  int id, x, y, w, h;
};

RECT Placement(HWND dlg, HWND ctrl) {
  RECT rc;
  GetWindowRect(ctrl, &rc);
  MapWindowPoints(nullptr, dlg, reinterpret_cast<LPPOINT>(&rc), 2);
  return rc;
}

// Rectangles compare as "x,y wxh" texts, so a failure reads as a placement.
std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}
RECT R(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

// A framed dialog at (100, 80), 400 x 300, owned by a top-level window, with child controls.
class CtrlLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = u"LayoutTestWindow";
    RegisterClassW(&wc);
    owner_ = CreateWindowExW(0, u"LayoutTestWindow", u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                             nullptr, nullptr, nullptr, nullptr);
    dlgHwnd_ = CreateWindowExW(0, u"LayoutTestWindow", u"dialog", WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE,
                               100, 80, 400, 300, owner_, nullptr, nullptr, nullptr);
    dlg_.Attach(dlgHwnd_);
    g_moves.clear();
  }
  void TearDown() override {
    dlg_.Detach();
    nux::testing::ResetUi();
    CWnd::DeleteTempMap();
    UnregisterClassW(u"LayoutTestWindow", nullptr);
  }
  HWND Add(const Box& b, HWND parent = nullptr) {
    HWND h = CreateWindowExW(0, u"LayoutTestWindow", u"", WS_CHILD | WS_VISIBLE, b.x, b.y, b.w, b.h,
                             parent ? parent : dlgHwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), nullptr,
                             nullptr);
    ctrls_[b.id] = h;
    return h;
  }
  // The dialog's window rectangle grown by (dx, dy) from its collected size.
  RECT Grown(int dx, int dy) const {
    RECT rc = layout_.m_rcInitial;
    rc.right += dx;
    rc.bottom += dy;
    return rc;
  }
  RECT At(int id) { return Placement(dlgHwnd_, ctrls_[id]); }
  // Collects the controls; only the layout's moves are recorded from here on.
  BOOL Collect() {
    const BOOL result = layout_.Collect(&dlg_);
    g_moves.clear();
    return result;
  }

  HWND owner_ = nullptr;
  HWND dlgHwnd_ = nullptr;
  CWnd dlg_;
  std::map<int, HWND> ctrls_;
  CCtrlLayout layout_;
};

TEST(CtrlProp, RecordLayout) {
  EXPECT_EQ(offsetof(structCtrlProp, nID), 4u);
  EXPECT_EQ(offsetof(structCtrlProp, nMode), 24u);
  EXPECT_EQ(offsetof(structCtrlProp, nRefID), 28u);
  EXPECT_EQ(offsetof(structCtrlProp, nCorner), 32u);
  EXPECT_EQ(offsetof(structCtrlProp, dWidthFactor), 40u);
  EXPECT_EQ(offsetof(structCtrlProp, dYFactor), 64u);
  EXPECT_EQ(offsetof(structCtrlProp, nAboveID), 72u);
  EXPECT_EQ(offsetof(structCtrlProp, nRightID), 84u);
  EXPECT_EQ(offsetof(structCtrlProp, nNewX), 88u);
  EXPECT_EQ(offsetof(structCtrlProp, nNewHeight), 100u);
}

TEST_F(CtrlLayoutTest, CollectTakesChildrenWithIdsInZOrder) {
  Add({10, 5, 6, 50, 20});
  Add({0, 60, 6, 50, 20});  // no id: not laid out
  HWND group = Add({11, 5, 40, 200, 100});
  Add({12, 10, 50, 30, 20}, group);  // a grandchild is not the dialog's control
  Add({13, 250, 40, 60, 25});
  ASSERT_TRUE(Collect());
  RECT dlgRect;
  GetWindowRect(dlgHwnd_, &dlgRect);
  EXPECT_EQ(Str(layout_.m_rcInitial), Str(dlgRect));
  ASSERT_EQ(layout_.m_List.GetCount(), 3u);
  const Box expected[] = {{10, 5, 6, 50, 20}, {11, 5, 40, 200, 100}, {13, 250, 40, 60, 25}};
  for (int i = 0; i < 3; ++i) {
    structCtrlProp p;
    ASSERT_TRUE(layout_.m_List.GetAt(i, p));
    EXPECT_EQ(p.nID, expected[i].id);
    EXPECT_EQ(p.GetHwnd(), ctrls_[expected[i].id]);
    EXPECT_EQ(Str(R(p.nX, p.nY, p.nWidth, p.nHeight)), Str(R(expected[i].x, expected[i].y, expected[i].w, expected[i].h)));
    EXPECT_EQ(p.nMode, 0);
    EXPECT_EQ(p.nNewWidth, 0);
  }
  EXPECT_EQ(layout_.FindCtrl(13), 2);
  EXPECT_EQ(layout_.FindCtrl(12), -1);
}

TEST_F(CtrlLayoutTest, RulesPlaceEachControl) {
  // A group that grows with the dialog and controls that follow it or their own factors.
  Add({100, 10, 10, 200, 150});  // group
  Add({1, 20, 20, 30, 10});      // inside, top-left corner
  Add({2, 170, 20, 30, 10});     // inside, top-right
  Add({3, 20, 140, 30, 10});     // inside, bottom-left
  Add({4, 170, 140, 30, 10});    // inside, bottom-right
  Add({5, 60, 60, 40, 20});      // inside, grows with the group (width factor 0.5 counts as the full change)
  Add({6, 190, 60, 40, 20});     // only partly inside: not attached
  Add({7, 100, 100, 30, 10});    // own factors, set before the group: keeps mode 2, follows the group
  Add({8, 300, 200, 50, 20});    // own factors 0.5
  Add({9, 300, 250, 50, 20});    // right-anchored
  Add({20, 10, 170, 80, 20});    // mode 3: between 21 (above) and 22 (below)
  Add({21, 10, 165, 5, 5});
  Add({22, 10, 195, 5, 5});
  ASSERT_TRUE(Collect());
  ASSERT_TRUE(layout_.SetCtrlProp(7, 1, 0, 0, 0));
  ASSERT_TRUE(layout_.SetCtrlGroup(100, 0, 0, 1, 1));
  ASSERT_TRUE(layout_.SetCtrlAnchor(1, 2, 0));
  ASSERT_TRUE(layout_.SetCtrlAnchor(2, 3, 0));
  ASSERT_TRUE(layout_.SetCtrlAnchor(3, 4, 0));
  ASSERT_TRUE(layout_.ModifyCtrlProp(5, 0, 0, 0.5, 0));
  ASSERT_TRUE(layout_.SetCtrlProp(8, 0.5, 0.5, 0, 0));
  EXPECT_EQ(layout_.AnchorCtrlsRight(9, 0), 0);
  ASSERT_TRUE(layout_.SetCtrlProp(22, 0, 1, 0, 0));
  {
    const int i = layout_.FindCtrl(20);
    structCtrlProp p;
    ASSERT_TRUE(layout_.m_List.GetAt(i, p));
    p.nMode = 3;
    p.nAboveID = 21;
    p.nBelowID = 22;
    ASSERT_TRUE(layout_.m_List.SetAt(i, p));
  }
  structCtrlProp p7, p6;
  ASSERT_TRUE(layout_.m_List.GetAt(layout_.FindCtrl(7), p7));
  ASSERT_TRUE(layout_.m_List.GetAt(layout_.FindCtrl(6), p6));
  EXPECT_EQ(p7.nMode, 2);
  EXPECT_EQ(p7.nRefID, 100);
  EXPECT_EQ(p6.nMode, 0);
  EXPECT_EQ(p6.nRefID, 0);

  const std::map<int, RECT> initial = [&] {
    std::map<int, RECT> m;
    for (const auto& [id, h] : ctrls_) m[id] = Placement(dlgHwnd_, h);
    return m;
  }();
  const struct {
    int dx, dy;
    std::map<int, RECT> moved;  // controls not listed stay where they are
  } steps[] = {
      {40, 30,
       {{100, R(10, 10, 240, 180)},
        {1, R(20, 20, 30, 10)},
        {2, R(210, 20, 30, 10)},
        {3, R(20, 170, 30, 10)},
        {4, R(210, 170, 30, 10)},
        {5, R(60, 60, 80, 20)},
        {8, R(320, 215, 50, 20)},
        {9, R(340, 250, 50, 20)},
        {20, R(10, 170, 80, 50)},
        {22, R(10, 225, 5, 5)}}},
      {3, -3,
       {{100, R(10, 10, 203, 147)},
        {2, R(173, 20, 30, 10)},
        {3, R(20, 137, 30, 10)},
        {4, R(173, 137, 30, 10)},
        {5, R(60, 60, 43, 20)},
        {8, R(302, 199, 50, 20)},  // ceil(1.5) = 2, ceil(-1.5) = -1
        {9, R(303, 250, 50, 20)},
        {20, R(10, 170, 80, 17)},
        {22, R(10, 192, 5, 5)}}},
      {-3, 3, {{100, R(10, 10, 197, 153)}, {2, R(167, 20, 30, 10)}, {3, R(20, 143, 30, 10)},
               {4, R(167, 143, 30, 10)}, {5, R(60, 60, 37, 20)},
               {8, R(299, 202, 50, 20)}, {9, R(297, 250, 50, 20)}, {20, R(10, 170, 80, 23)},
               {22, R(10, 198, 5, 5)}}},
      {0, 0, {}},  // back at the collected size: everything at its initial placement
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(testing::Message() << "dx " << s.dx << " dy " << s.dy);
    const RECT rc = Grown(s.dx, s.dy);
    layout_.ApplyLayout(&rc, TRUE);
    for (const auto& [id, h] : ctrls_) {
      SCOPED_TRACE(id);
      auto it = s.moved.find(id);
      EXPECT_EQ(Str(At(id)), Str(it != s.moved.end() ? it->second : initial.at(id)));
    }
  }
  // Only laid-out controls were moved, each time with the same flags.
  for (int id : {6, 21}) EXPECT_TRUE(g_moves[ctrls_[id]].empty()) << id;
  for (int id : {100, 1, 2, 5, 20}) {
    ASSERT_EQ(g_moves[ctrls_[id]].size(), 4u) << id;
    for (UINT flags : g_moves[ctrls_[id]]) EXPECT_EQ(flags, 0x631Cu) << id;
  }
}

TEST_F(CtrlLayoutTest, DialogIsRedrawnOnceAfterTheMoves) {
  Add({1, 10, 10, 50, 20});
  Add({2, 10, 40, 50, 20});  // not laid out, redrawn all the same
  ASSERT_TRUE(Collect());
  ASSERT_TRUE(layout_.SetCtrlProp(1, 1, 0, 0, 0));
  nux::testing::PumpMessages();
  InvalidateRect(owner_, nullptr, FALSE);
  g_paints.clear();
  g_watch = {dlgHwnd_, ctrls_[1], ctrls_[2]};

  const RECT rc = Grown(20, 0);
  layout_.ApplyLayout(&rc, TRUE);
  // The moves draw nothing; the dialog and all its children are invalidated once, and then the
  // owner is brought up to date at once.
  ASSERT_FALSE(g_paints.empty());
  EXPECT_EQ(g_paints.front(), owner_);
  RECT client;
  GetClientRect(dlgHwnd_, &client);
  ASSERT_EQ(g_invalidAtOwnerPaint.size(), 3u);
  EXPECT_EQ(g_invalidAtOwnerPaint[0], Str(client));
  EXPECT_EQ(g_invalidAtOwnerPaint[1], "0,0 50x20");
  EXPECT_EQ(g_invalidAtOwnerPaint[2], "0,0 50x20");
  g_watch.clear();
}

TEST_F(CtrlLayoutTest, NothingIsLaidOutWithoutChangeOrWhileMinimised) {
  Add({1, 10, 10, 50, 20});
  CCtrlLayout empty;
  EXPECT_FALSE(empty.ApplyLayout(nullptr, TRUE));  // never collected
  ASSERT_TRUE(Collect());
  ASSERT_TRUE(layout_.SetCtrlProp(1, 1, 0, 0, 0));

  // Unchanged size, and the same rectangle twice, do nothing without force.
  layout_.ApplyLayout(nullptr, FALSE);
  EXPECT_TRUE(g_moves[ctrls_[1]].empty());
  RECT rc = Grown(10, 0);
  layout_.ApplyLayout(&rc, FALSE);
  EXPECT_EQ(g_moves[ctrls_[1]].size(), 1u);
  layout_.ApplyLayout(&rc, FALSE);
  EXPECT_EQ(g_moves[ctrls_[1]].size(), 1u);
  EXPECT_EQ(Str(At(1)), Str(R(20, 10, 50, 20)));

  // The dialog's own present rectangle when none is given.
  MoveWindow(dlgHwnd_, 100, 80, 430, 300, FALSE);
  layout_.ApplyLayout(nullptr, TRUE);
  EXPECT_EQ(Str(At(1)), Str(R(40, 10, 50, 20)));

  // A minimised application keeps its layout: its main window decides, or its active window
  // when no main window is set.
  ShowWindow(owner_, SW_MINIMIZE);
  SetActiveWindow(owner_);
  ASSERT_TRUE(IsIconic(owner_));
  rc = Grown(50, 0);
  layout_.ApplyLayout(&rc, TRUE);
  EXPECT_EQ(Str(At(1)), Str(R(40, 10, 50, 20)));
  {
    CWinApp app;
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, u"LayoutTestWindow", u"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                              nullptr, nullptr));
    app.m_pMainWnd = &main;
    SetActiveWindow(owner_);
    layout_.ApplyLayout(&rc, TRUE);
    EXPECT_EQ(Str(At(1)), Str(R(60, 10, 50, 20)));
    main.ShowWindow(SW_MINIMIZE);
    rc = Grown(0, 0);
    layout_.ApplyLayout(&rc, TRUE);
    EXPECT_EQ(Str(At(1)), Str(R(60, 10, 50, 20)));
    app.m_pMainWnd = nullptr;
    main.DestroyWindow();
  }
}

TEST_F(CtrlLayoutTest, UnknownIdsAndOpenCases) {
  Add({100, 10, 10, 200, 150});
  Add({1, 20, 20, 30, 10});
  Add({2, 300, 20, 30, 10});  // follows a control that has no rule
  Add({3, 300, 60, 30, 10});  // follows an id that names no control
  Add({4, 300, 100, 30, 10});
  ASSERT_TRUE(Collect());
  EXPECT_FALSE(layout_.SetCtrlProp(55, 1, 0, 0, 0));
  EXPECT_FALSE(layout_.SetCtrlGroup(55, 1, 0, 0, 0));
  EXPECT_FALSE(layout_.ModifyCtrlProp(55, 1, 0, 0, 0));
  // An unknown id stops the anchoring; the ids before it are set.
  EXPECT_FALSE(layout_.SetCtrlAnchor(3, 1, 55, 2, 0));
  structCtrlProp p;
  ASSERT_TRUE(layout_.m_List.GetAt(layout_.FindCtrl(1), p));
  EXPECT_EQ(p.nCorner, 3);
  ASSERT_TRUE(layout_.m_List.GetAt(layout_.FindCtrl(2), p));
  EXPECT_EQ(p.nCorner, 0);

  for (auto [id, ref] : {std::pair{2, 1}, std::pair{3, 77}}) {
    const int i = layout_.FindCtrl(id);
    ASSERT_TRUE(layout_.m_List.GetAt(i, p));
    p.nMode = 2;
    p.nRefID = ref;
    p.dXFactor = 1;
    ASSERT_TRUE(layout_.m_List.SetAt(i, p));
  }
  // A control with only one pair of neighbours keeps its place on the other axis.
  ASSERT_TRUE(layout_.m_List.GetAt(layout_.FindCtrl(4), p));
  p.nMode = 3;
  p.nLeftID = 1;
  p.nRightID = 2;
  ASSERT_TRUE(layout_.m_List.SetAt(layout_.FindCtrl(4), p));
  const RECT rc = Grown(20, 20);
  layout_.ApplyLayout(&rc, TRUE);
  EXPECT_EQ(Str(At(2)), Str(R(300, 20, 30, 10)));  // a reference without a rule stands where it was collected
  EXPECT_EQ(Str(At(3)), Str(R(320, 60, 30, 10)));  // no such reference: its own factors
  EXPECT_EQ(Str(At(4)), Str(R(300, 100, 30, 10)));
}

}  // namespace
