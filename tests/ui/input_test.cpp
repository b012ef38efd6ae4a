// Input routing (hit test, capture, focus), activation and focus messages, key state, and the
// caption drag loop.
#include <functional>

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

// What a window reads back from a key typed through the input path: the message, the virtual
// key and the whole key data (repeat count, scan code, extended flag, context code, previous
// state, transition), with the queue's key state as it stands while the message is handled.
struct KeyMsg {
  UINT msg;
  WPARAM vk;
  LPARAM lParam;
  bool heldNow;  // GetKeyState(vk) reports the key down while this message is handled
};

std::vector<KeyMsg> KeysOf(const std::function<void()>& type) {
  std::vector<KeyMsg> out;
  Rec().any = [&](HWND, UINT m, WPARAM w, LPARAM l, LRESULT*) {
    if (m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP || m == WM_CHAR ||
        m == WM_SYSCHAR)
      out.push_back(KeyMsg{m, w, l, (GetKeyState(static_cast<int>(w)) & 0x8000) != 0});
    return false;
  };
  type();
  nux::testing::PumpMessages();
  Rec().any = nullptr;
  return out;
}

nux::testing::RawInput RawKey(UINT vk, bool down, UINT scan = 0, bool extended = false) {
  nux::testing::RawInput ev;
  ev.isKey = true;
  ev.vk = vk;
  ev.down = down;
  ev.scanCode = scan;
  ev.extended = extended;
  return ev;
}

TEST_F(Input, KeyMessagesCarryTheWholeKeyData) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  SetFocus(top);
  struct Case {
    UINT vk;
    LPARAM down;  // the key data of the press; the release is the same with bits 30 and 31 set
  } cases[] = {
      {VK_DOWN, 0x01500001},  {VK_UP, 0x01480001},   {VK_PRIOR, 0x01490001}, {VK_NEXT, 0x01510001},
      {VK_HOME, 0x01470001},  {VK_END, 0x014F0001},  {VK_LEFT, 0x014B0001},  {VK_RIGHT, 0x014D0001},
      {VK_DELETE, 0x01530001}, {VK_INSERT, 0x01520001}, {VK_RETURN, 0x001C0001}, {VK_ESCAPE, 0x00010001},
      {VK_TAB, 0x000F0001},   {VK_BACK, 0x000E0001}, {VK_SPACE, 0x00390001}, {'A', 0x001E0001},
      {'Z', 0x002C0001},      {'0', 0x000B0001},     {'1', 0x00020001},      {VK_F1, 0x003B0001},
      {VK_F12, 0x00580001},   {VK_ADD, 0x004E0001},  {VK_SUBTRACT, 0x004A0001}, {VK_MULTIPLY, 0x00370001},
      {VK_DIVIDE, 0x01350001}, {VK_NUMPAD8, 0x00480001}, {VK_NUMPAD2, 0x00500001}, {VK_SHIFT, 0x002A0001},
      {VK_RSHIFT, 0x00360001}, {VK_CONTROL, 0x001D0001}, {VK_RCONTROL, 0x011D0001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vk);
    auto got = KeysOf([&] {
      nux::testing::KeyDown(c.vk);
      nux::testing::KeyUp(c.vk);
    });
    std::vector<KeyMsg> keys;
    for (auto& k : got)
      if (k.msg == WM_KEYDOWN || k.msg == WM_KEYUP) keys.push_back(k);
    ASSERT_EQ(keys.size(), 2u);
    WPARAM generic = c.vk == VK_RSHIFT ? VK_SHIFT : c.vk == VK_RCONTROL ? VK_CONTROL : c.vk;
    EXPECT_EQ(keys[0].msg, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(keys[0].vk, generic);
    EXPECT_EQ(keys[0].lParam, c.down);
    EXPECT_TRUE(keys[0].heldNow);
    EXPECT_EQ(keys[1].msg, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(keys[1].lParam, c.down | static_cast<LPARAM>(0xC0000000u));
    EXPECT_FALSE(keys[1].heldNow);
  }
}

TEST_F(Input, HeldKeysRepeatAltMakesSystemKeysAndCharactersKeepTheKeyData) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  SetFocus(top);
  // An auto-repeated press says the key was down before; its character carries the same data.
  auto held = KeysOf([] {
    nux::testing::KeyDown('Q');
    nux::testing::KeyDown('Q');
    nux::testing::KeyUp('Q');
  });
  ASSERT_EQ(held.size(), 5u);
  EXPECT_EQ(held[0].lParam, 0x00100001);
  EXPECT_EQ(held[1].msg, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(held[1].vk, static_cast<WPARAM>(u'q'));
  EXPECT_EQ(held[1].lParam, 0x00100001);
  EXPECT_EQ(held[2].lParam, 0x40100001);
  EXPECT_EQ(held[3].lParam, 0x40100001);
  EXPECT_EQ(held[4].lParam, static_cast<LPARAM>(0xC0100001u));

  // Alt and a letter: system keys with the context code; the release of Alt has none.
  auto alt = KeysOf([] {
    nux::testing::KeyDown(VK_MENU);
    nux::testing::KeyPress('S');
    nux::testing::KeyUp(VK_MENU);
  });
  std::vector<std::pair<UINT, LPARAM>> seen;
  for (auto& k : alt) seen.emplace_back(k.msg, k.lParam);
  std::vector<std::pair<UINT, LPARAM>> want = {
      {WM_SYSKEYDOWN, 0x20380001},
      {WM_SYSKEYDOWN, 0x201F0001},
      {WM_SYSCHAR, 0x201F0001},
      {WM_SYSKEYUP, static_cast<LPARAM>(0xE01F0001u)},
      {WM_SYSKEYUP, static_cast<LPARAM>(0xC0380001u)},
  };
  EXPECT_EQ(seen, want);

  // Right Alt from the display's own scan code: extended, the sided key state follows.
  SHORT rightDuring = 0, leftDuring = 0, asyncDuring = 0;
  Rec().any = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT*) {
    if (m == WM_SYSKEYDOWN && w == VK_MENU) {
      rightDuring = GetKeyState(VK_RMENU);
      leftDuring = GetKeyState(VK_LMENU);
      asyncDuring = GetAsyncKeyState(VK_RMENU);
    }
    return false;
  };
  nux::testing::QueueRawInput(RawKey(VK_MENU, true, 0x38, true));
  nux::testing::PumpMessages();
  EXPECT_NE(rightDuring & 0x8000, 0);
  EXPECT_EQ(leftDuring & 0x8000, 0);
  EXPECT_NE(asyncDuring & 0x8000, 0);
  nux::testing::QueueRawInput(RawKey(VK_MENU, false, 0x38, true));
  nux::testing::PumpMessages();
  EXPECT_EQ(GetKeyState(VK_MENU) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_RMENU) & 0x8000, 0);
}

TEST_F(Input, ShiftHeldOnBothSidesStaysDownUntilBothAreUp) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  SetFocus(top);
  nux::testing::KeyDown(VK_LSHIFT);
  nux::testing::KeyDown(VK_RSHIFT);
  nux::testing::KeyUp(VK_LSHIFT);
  nux::testing::PumpMessages();
  EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x8000, 0);
  nux::testing::KeyUp(VK_RSHIFT);
  nux::testing::PumpMessages();
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
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

TEST_F(Input, LeaveTrackingPostsOneMouseLeaveWhenThePointerGoes) {
  HWND top = Top(0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
  HWND a = Child(top, 1, 0, 0, 100, 100);
  HWND b = Child(top, 2, 150, 0, 100, 100);
  auto track = [](HWND h, DWORD flags = TME_LEAVE) {
    TRACKMOUSEEVENT t{sizeof(TRACKMOUSEEVENT), flags, h, 0};
    return TrackMouseEvent(&t);
  };
  // Tracking starts while the pointer is over a: moves inside say nothing, the move onto b
  // ends it with one WM_MOUSELEAVE, which a hears before b hears of the pointer.
  nux::testing::MouseMove(10, 10);
  nux::testing::PumpMessages();
  ASSERT_TRUE(track(a));
  TRACKMOUSEEVENT query{sizeof(TRACKMOUSEEVENT), TME_QUERY, nullptr, 0};
  ASSERT_TRUE(TrackMouseEvent(&query));
  EXPECT_EQ(query.hwndTrack, a);
  EXPECT_EQ(query.dwFlags, static_cast<DWORD>(TME_LEAVE));
  Rec().log.clear();
  nux::testing::MouseMove(50, 50);
  nux::testing::MouseMove(160, 10);
  nux::testing::MouseMove(170, 10);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_MOUSELEAVE, a), 1u);
  size_t leave = 0, onB = 0;
  for (size_t i = 0; i < Rec().log.size(); ++i) {
    if (Rec().log[i].msg == WM_MOUSELEAVE && !leave) leave = i + 1;
    if (Rec().log[i].msg == WM_MOUSEMOVE && Rec().log[i].hwnd == b && !onB) onB = i + 1;
  }
  EXPECT_LT(leave, onB);
  query.dwFlags = TME_QUERY;
  ASSERT_TRUE(TrackMouseEvent(&query));
  EXPECT_EQ(query.dwFlags, 0u);  // tracking ended with its message

  // Asked for while the pointer is elsewhere: the message comes at once.
  Rec().log.clear();
  ASSERT_TRUE(track(a));
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_MOUSELEAVE, a), 1u);

  // Cancelled: no message.
  ASSERT_TRUE(track(b));
  ASSERT_TRUE(track(b, TME_LEAVE | TME_CANCEL));
  Rec().log.clear();
  nux::testing::MouseMove(10, 10);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_MOUSELEAVE, b), 0u);

  // The top-level window losing activation, and the window being hidden, end tracking too.
  ASSERT_TRUE(track(a));
  HWND other = Top(400, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  SetActiveWindow(other);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_MOUSELEAVE, a), 1u);
  SetActiveWindow(top);
  ASSERT_TRUE(track(a));
  ShowWindow(a, SW_HIDE);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_MOUSELEAVE, a), 2u);

  TRACKMOUSEEVENT bad{sizeof(TRACKMOUSEEVENT), TME_HOVER, a, HOVER_DEFAULT};
  EXPECT_FALSE(TrackMouseEvent(&bad));
  bad.cbSize = 0;
  bad.dwFlags = TME_LEAVE;
  EXPECT_FALSE(TrackMouseEvent(&bad));
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
