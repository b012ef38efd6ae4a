// Input routing (hit test, capture, focus), activation and focus messages, key state, and the
// caption drag loop.
#include "ui_fixture.h"

using namespace uitest;

namespace {

class Input : public UiTest {};

TEST_F(Input, ClicksGoToTheWindowUnderThePointInClientCoordinates) {
  HWND top = Top(100, 100, 300, 200, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 50, 40, 100, 60);
  Rec().log.clear();
  nux::testing::Click(160, 150);  // child's client (10, 10)
  nux::testing::PumpMessages();
  ASSERT_EQ(Rec().Count(WM_LBUTTONDOWN, child), 1u);
  for (auto& r : Rec().log)
    if (r.msg == WM_LBUTTONDOWN) {
      EXPECT_EQ(r.hwnd, child);
      EXPECT_EQ(GET_X_LPARAM(r.lParam), 10);
      EXPECT_EQ(GET_Y_LPARAM(r.lParam), 10);
      EXPECT_EQ(r.wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
    }
  EXPECT_EQ(Rec().Count(WM_LBUTTONUP, child), 1u);
  EXPECT_EQ(Rec().Count(WM_LBUTTONDOWN, top), 0u);
}

TEST_F(Input, CaptureTakesTheMouseWhereverItGoes) {
  HWND top = Top(0, 0, 400, 400, WS_POPUP | WS_VISIBLE);
  HWND a = Child(top, 1, 0, 0, 100, 100);
  HWND b = Child(top, 2, 200, 200, 100, 100);
  Rec().handlers[a] = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_LBUTTONDOWN) SetCapture(h);
    if (m == WM_LBUTTONUP) ReleaseCapture();
    return false;
  };
  Rec().log.clear();
  nux::testing::Drag(POINT{10, 10}, POINT{250, 250}, 2);
  nux::testing::MouseMove(260, 260);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_LBUTTONUP, a), 1u);
  EXPECT_EQ(Rec().Count(WM_MOUSEMOVE, b), 1u);  // only the move after the release
  bool sawNegative = false;
  for (auto& r : Rec().log)
    if (r.hwnd == a && r.msg == WM_MOUSEMOVE && GET_X_LPARAM(r.lParam) == 130) sawNegative = true;
  EXPECT_TRUE(sawNegative);  // (130, 130) lies outside a, still reported to it
  EXPECT_EQ(Rec().Count(WM_CAPTURECHANGED, a), 1u);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, ClickActivatesAndKeysGoToTheFocus) {
  HWND first = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND second = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND edit = Child(first, 5, 10, 10, 50, 20);
  EXPECT_EQ(GetActiveWindow(), second);
  Rec().log.clear();
  nux::testing::Click(20, 20);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), first);
  EXPECT_EQ(GetTopWindow(nullptr), first);
  // The deactivated window hears first, then the activated one; WA_CLICKACTIVE for a click.
  std::vector<std::pair<HWND, WPARAM>> acts;
  for (auto& r : Rec().log)
    if (r.msg == WM_ACTIVATE) acts.emplace_back(r.hwnd, LOWORD(r.wParam));
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(acts[0], std::make_pair(second, static_cast<WPARAM>(WA_INACTIVE)));
  EXPECT_EQ(acts[1], std::make_pair(first, static_cast<WPARAM>(WA_CLICKACTIVE)));
  SetFocus(edit);
  Rec().log.clear();
  nux::testing::KeyPress('X');
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_KEYDOWN, edit), 1u);
  EXPECT_EQ(Rec().Count(WM_CHAR, edit), 1u);
  SetFocus(first);
  EXPECT_EQ(Rec().Count(WM_KILLFOCUS, edit), 1u);
}

TEST_F(Input, KeyStateFollowsRetrievedMessages) {
  Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  SHORT during = 0;
  Rec().any = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT*) {
    if (m == WM_KEYDOWN && w == 'Q') during = GetKeyState(VK_CONTROL);
    return false;
  };
  nux::testing::KeyDown(VK_CONTROL);
  nux::testing::KeyPress('Q');
  nux::testing::KeyUp(VK_CONTROL);
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);  // nothing retrieved yet
  nux::testing::PumpMessages();
  EXPECT_NE(during & 0x8000, 0);
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 1, 1);  // toggled once
}

TEST_F(Input, DoubleClicksForClassesThatAskForThem) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  Rec().log.clear();
  nux::testing::Click(10, 10);
  nux::testing::Click(11, 10);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_LBUTTONDBLCLK, top), 1u);
  nux::testing::AdvanceAndPump(600, 100);
  nux::testing::Click(11, 10);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_LBUTTONDBLCLK, top), 1u);
}

TEST_F(Input, CaptionDragMovesTheWindowAndBorderDragSizesIt) {
  HWND h = Top(100, 100, 200, 150, WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE);
  nux::testing::Drag(POINT{150, 110}, POINT{180, 150}, 3);
  nux::testing::PumpMessages();
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 130);
  EXPECT_EQ(r.top, 140);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(Rec().Count(WM_ENTERSIZEMOVE, h), 1u);
  EXPECT_EQ(Rec().Count(WM_EXITSIZEMOVE, h), 1u);
  // The sizing handler may change the rectangle: here it keeps the width at most 250.
  Rec().handlers[h] = [](HWND, UINT m, WPARAM w, LPARAM l, LRESULT*) {
    if (m == WM_SIZING) {
      EXPECT_EQ(w, static_cast<WPARAM>(WMSZ_RIGHT));
      RECT* rc = reinterpret_cast<RECT*>(l);
      if (rc->right - rc->left > 250) rc->right = rc->left + 250;
    }
    return false;
  };
  nux::testing::Drag(POINT{r.right - 2, 200}, POINT{r.right + 100, 200}, 2);
  nux::testing::PumpMessages();
  GetWindowRect(h, &r);
  EXPECT_EQ(r.right - r.left, 250);
  EXPECT_GE(Rec().Count(WM_SIZING, h), 1u);
}

}  // namespace

namespace {

class DisabledInput : public UiTest {};

TEST_F(DisabledInput, DisabledWindowsTakeNoMouseInput) {
  HWND top = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 10, 10, 50, 50);
  EnableWindow(child, FALSE);
  Rec().log.clear();
  nux::testing::Click(20, 20);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_LBUTTONDOWN, child), 0u);
  EXPECT_EQ(Rec().Count(WM_LBUTTONDOWN, top), 1u);  // the enabled parent gets it
  EnableWindow(top, FALSE);
  Rec().log.clear();
  nux::testing::Click(100, 100);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_LBUTTONDOWN), 0u);
}

}  // namespace
