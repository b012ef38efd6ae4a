// Queues and messages: retrieval order, filters, WM_QUIT, cross-thread sends and posts, and
// timers on the virtual clock.
#include <atomic>
#include <thread>

#include "process/clock.h"
#include "process/process.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

class Messages : public UiTest {};

TEST_F(Messages, PostedMessagesComeInOrderAndPeekCanLeaveThem) {
  HWND h = Top(0, 0, 10, 10);
  PostMessageW(h, WM_USER, 1, 0);
  PostMessageW(h, WM_USER + 1, 2, 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_USER + 2, 3, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 1, WM_USER + 2, PM_REMOVE));  // filter skips the first
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, nullptr);  // a thread message
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
}

TEST_F(Messages, QuitComesAfterPostedMessages) {
  HWND h = Top(0, 0, 10, 10);
  PostQuitMessage(7);
  PostMessageW(h, WM_USER, 0, 0);
  MSG m;
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(GetMessageW(&m, reinterpret_cast<HWND>(0x1234), 0, 0), -1);
}

TEST_F(Messages, SendToAnotherThreadWaitsUntilThatThreadPumps) {
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> stop{false};
  std::atomic<bool> pumping{false};
  std::thread owner([&] {
    HWND h = Top(0, 0, 10, 10);
    Rec().handlers[h] = [](HWND, UINT m, WPARAM w, LPARAM, LRESULT* r) {
      if (m == WM_USER) {
        *r = static_cast<LRESULT>(w * 2);
        return true;
      }
      return false;
    };
    hwnd = h;
    while (!pumping) std::this_thread::yield();
    MSG m;
    while (!stop) {
      if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
      std::this_thread::yield();
    }
    DestroyWindow(h);
  });
  while (!hwnd) std::this_thread::yield();
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] { answer = SendMessageW(hwnd, WM_USER, 21, 0); });
  // The owner does not retrieve messages yet: the sender must still be waiting.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(answer.load(), 0);
  pumping = true;
  sender.join();
  EXPECT_EQ(answer.load(), 42);
  // Posts from another thread land in the owner's queue.
  EXPECT_TRUE(PostMessageW(hwnd, WM_USER + 1, 0, 0));
  stop = true;
  owner.join();
}

TEST_F(Messages, AsyncWindowPosRunsOnTheOwnerThread) {
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> stop{false};
  std::atomic<DWORD> movedOn{0};
  std::thread owner([&] {
    HWND h = Top(0, 0, 10, 10);
    Rec().handlers[h] = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
      if (m == WM_WINDOWPOSCHANGED) movedOn = GetCurrentThreadId();
      return false;
    };
    hwnd = h;
    while (!stop) {
      nux::testing::PumpMessages();
      std::this_thread::yield();
    }
    DestroyWindow(h);
  });
  while (!hwnd) std::this_thread::yield();
  DWORD ownerId = GetWindowThreadProcessId(hwnd, nullptr);
  EXPECT_TRUE(SetWindowPos(hwnd, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_ASYNCWINDOWPOS));
  for (int i = 0; i < 2000 && movedOn == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(movedOn.load(), ownerId);
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 40);
  stop = true;
  owner.join();
}

TEST_F(Messages, TranslateMessageMakesCharactersFromKeys) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE);
  nux::testing::KeyPress('A');
  nux::testing::KeyDown(VK_SHIFT);
  nux::testing::KeyPress('B');
  nux::testing::KeyUp(VK_SHIFT);
  nux::testing::KeyPress(VK_F1);
  nux::testing::PumpMessages();
  std::u16string chars;
  for (auto& r : Rec().log)
    if (r.msg == WM_CHAR && r.hwnd == h) chars.push_back(static_cast<char16_t>(r.wParam));
  EXPECT_EQ(chars, u"aB");
}

// ---- timers ----

TEST_F(Messages, TimerFiresAfterItsIntervalOnceAndRepeats) {
  HWND h = Top(0, 0, 10, 10);
  EXPECT_EQ(SetTimer(h, 1500, 25, nullptr), 1500u);
  nux::testing::AdvanceAndPump(24);
  EXPECT_EQ(Rec().Count(WM_TIMER, h), 0u);
  nux::testing::AdvanceAndPump(1);
  EXPECT_EQ(Rec().Count(WM_TIMER, h), 1u);
  EXPECT_EQ(Rec().log.back().wParam, 1500u);
  nux::testing::AdvanceAndPump(25);
  EXPECT_EQ(Rec().Count(WM_TIMER, h), 2u);
  // A long gap gives one message, not a backlog.
  nux::clock::Advance(1000);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_TIMER, h), 3u);
  EXPECT_TRUE(KillTimer(h, 1500));
  EXPECT_FALSE(KillTimer(h, 1500));
  nux::testing::AdvanceAndPump(100, 10);
  EXPECT_EQ(Rec().Count(WM_TIMER, h), 3u);
}

TEST_F(Messages, SettingATimerAgainRestartsItAndShortIntervalsAreRaised) {
  HWND h = Top(0, 0, 10, 10);
  SetTimer(h, 1, 100, nullptr);
  nux::testing::AdvanceAndPump(60, 10);
  SetTimer(h, 1, 100, nullptr);
  nux::testing::AdvanceAndPump(60, 10);
  EXPECT_EQ(Rec().Count(WM_TIMER, h), 0u);
  nux::testing::AdvanceAndPump(40, 10);
  EXPECT_EQ(Rec().Count(WM_TIMER, h), 1u);
  SetTimer(h, 2, 1, nullptr);
  nux::testing::AdvanceAndPump(9);
  size_t before = Rec().Count(WM_TIMER, h);
  nux::testing::AdvanceAndPump(1);
  EXPECT_EQ(Rec().Count(WM_TIMER, h), before + 1);
  DestroyWindow(h);  // timers go with the window
  nux::testing::AdvanceAndPump(200, 50);
}

int g_procCalls = 0;
void CountingTimerProc(HWND, UINT msg, UINT_PTR, DWORD) {
  if (msg == WM_TIMER) ++g_procCalls;
}

TEST_F(Messages, ThreadTimersCallTheirProcedure) {
  g_procCalls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 50, CountingTimerProc);
  EXPECT_NE(id, 0u);
  nux::testing::AdvanceAndPump(50, 10);
  EXPECT_EQ(g_procCalls, 1);
  KillTimer(nullptr, id);
}

TEST_F(Messages, PaintComesBeforeTimerAndAfterPostedMessages) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE);
  nux::testing::PumpMessages();
  Rec().log.clear();
  SetTimer(h, 1, 10, nullptr);
  nux::clock::Advance(10);
  InvalidateRect(h, nullptr, FALSE);
  PostMessageW(h, WM_USER, 0, 0);
  nux::testing::PumpMessages();
  std::vector<UINT> order;
  for (auto& r : Rec().log)
    if (r.msg == WM_USER || r.msg == WM_PAINT || r.msg == WM_TIMER) order.push_back(r.msg);
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
}

TEST_F(Messages, GetMessageWaitsForATimerOnTheVirtualClock) {
  HWND h = Top(0, 0, 10, 10);
  SetTimer(h, 9, 30, nullptr);
  std::thread advancer([] {
    while (nux::clock::PendingWaits() == 0) std::this_thread::yield();
    nux::clock::Advance(30);
  });
  MSG m;
  ASSERT_TRUE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(m.wParam, 9u);
  advancer.join();
}

}  // namespace

namespace {

class AnsiMessages : public UiTest {};

TEST_F(AnsiMessages, AnsiCallsConvertTextBothWays) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE);
  EXPECT_TRUE(SendMessageA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Gr\xfc\xdf" "e")));
  char16_t w[16];
  GetWindowTextW(h, w, 16);
  EXPECT_EQ(std::u16string(w), u"Gr\u00fc\u00dfe");
  // A character posted in 8 bits arrives wide, and GetMessageA hands it back in 8 bits.
  PostMessageA(h, WM_CHAR, 0xE4, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, h, WM_CHAR, WM_CHAR, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 0x00E4u);
  PostMessageW(h, WM_CHAR, 0x20AC, 0);  // the euro sign is 0x80 in Windows-1252
  ASSERT_TRUE(GetMessageA(&m, h, WM_CHAR, WM_CHAR));
  EXPECT_EQ(m.wParam, 0xE4u);
  ASSERT_TRUE(GetMessageA(&m, h, WM_CHAR, WM_CHAR));
  EXPECT_EQ(m.wParam, 0x80u);
}

}  // namespace
