#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "process/process.h"

namespace {

// Real time, bounded: until n other threads have begun their waits on the clock.
void WaitForWaiters(size_t n) {
  for (int i = 0; i < 2000 && nux::clock::PendingWaits() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GE(nux::clock::PendingWaits(), n);
}

class VirtualClock : public ::testing::Test {
 protected:
  void SetUp() override { nux::clock::UseVirtual(true); }
  void TearDown() override { nux::clock::UseVirtual(false); }
};

TEST_F(VirtualClock, EveryReadingMovesTogether) {
  const DWORD tick = GetTickCount();
  const ULONGLONG tick64 = GetTickCount64();
  const DWORD mm = timeGetTime();
  LARGE_INTEGER qpc0, qpc1, freq;
  QueryPerformanceCounter(&qpc0);
  QueryPerformanceFrequency(&freq);
  FILETIME ft0, ft1;
  GetSystemTimeAsFileTime(&ft0);

  Sleep(250);
  nux::clock::Advance(5);

  EXPECT_EQ(tick + 255, GetTickCount());
  EXPECT_EQ(tick64 + 255, GetTickCount64());
  EXPECT_EQ(mm + 255, timeGetTime());
  QueryPerformanceCounter(&qpc1);
  EXPECT_EQ(255 * freq.QuadPart / 1000, qpc1.QuadPart - qpc0.QuadPart);
  GetSystemTimeAsFileTime(&ft1);
  ULONGLONG a = (ULONGLONG(ft0.dwHighDateTime) << 32) | ft0.dwLowDateTime;
  ULONGLONG b = (ULONGLONG(ft1.dwHighDateTime) << 32) | ft1.dwLowDateTime;
  EXPECT_EQ(255u * 10000u, b - a);

  // Time stands still under the virtual clock however long the test takes.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(tick + 255, GetTickCount());

  // The tick count wraps as a 32-bit value.
  // (Set to just before the next wrap: the clock never runs backwards.)
  nux::clock::SetVirtualNowMs((((nux::clock::NowMs() >> 32) + 1) << 32) - 11);
  EXPECT_EQ(0xFFFFFFFFu - 10, GetTickCount());
  Sleep(20);
  EXPECT_EQ(9u, GetTickCount());
}

TEST_F(VirtualClock, EventWaitTimesOutOnlyWhenTheClockPassesTheTimeout) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<DWORD> result{0xFFFF};
  std::atomic<ULONGLONG> wokeAt{0};
  const ULONGLONG start = nux::clock::NowMs();
  std::thread waiter([&] {
    result = WaitForSingleObject(event, 100);
    wokeAt = nux::clock::NowMs();
  });
  WaitForWaiters(1);
  Sleep(60);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // real time alone changes nothing
  EXPECT_EQ(0xFFFFu, result.load());
  Sleep(60);
  waiter.join();
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), result.load());
  EXPECT_EQ(start + 120, wokeAt.load());

  // Signalled before the timeout: the wait ends at once with the object.
  std::thread second([&] { result = WaitForSingleObject(event, 1000); });
  SetEvent(event);
  second.join();
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), result.load());
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(event, 0));  // manual reset stays set
  ResetEvent(event);
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event, 0));
  CloseHandle(event);
}

TEST_F(VirtualClock, ListenersAndWaitUntil) {
  std::atomic<int> calls{0};
  int id = nux::clock::AddAdvanceListener([&] { ++calls; });
  Sleep(10);
  nux::clock::Advance(1);
  Sleep(0);  // yields only
  EXPECT_EQ(2, calls.load());
  nux::clock::RemoveAdvanceListener(id);
  Sleep(10);
  EXPECT_EQ(2, calls.load());

  // A wait on a condition of one's own, with a deadline on the platform clock.
  std::mutex m;
  std::condition_variable cv;
  bool flag = false;
  std::atomic<bool> got{true};
  const ULONGLONG deadline = nux::clock::NowMs() + 30;
  std::thread t([&] {
    std::unique_lock<std::mutex> lock(m);
    got = nux::clock::WaitUntil(lock, cv, deadline, [&] { return flag; });
  });
  WaitForWaiters(1);
  Sleep(29);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(1u, nux::clock::PendingWaits());  // still waiting: the deadline is not reached
  Sleep(1);
  t.join();
  EXPECT_FALSE(got.load());
  std::thread u([&] {
    std::unique_lock<std::mutex> lock(m);
    got = nux::clock::WaitUntil(lock, cv, nux::clock::kNoDeadline, [&] { return flag; });
  });
  {
    std::lock_guard<std::mutex> lock(m);
    flag = true;
  }
  cv.notify_all();
  u.join();
  EXPECT_TRUE(got.load());
}

TEST(RealClock, RunsForwardAndSleeps) {
  ASSERT_FALSE(nux::clock::IsVirtual());
  const ULONGLONG t0 = GetTickCount64();
  Sleep(30);
  const ULONGLONG t1 = GetTickCount64();
  EXPECT_GE(t1 - t0, 29u);
  // A timed wait on the real clock ends by itself.
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, "ignored name");
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(event, 20));
  EXPECT_GE(GetTickCount64() - t1, 19u);
  CloseHandle(event);
  // Switching clocks never runs time backwards.
  nux::clock::UseVirtual(true);
  const ULONGLONG v = GetTickCount64();
  EXPECT_GE(v, t1);
  nux::clock::UseVirtual(false);
  EXPECT_GE(GetTickCount64(), v);
}

TEST(Calendar, FileTimeAndSystemTimeConvert) {
  struct Case {
    ULONGLONG fileTime;
    SYSTEMTIME st;  // year, month, day of week, day, hour, minute, second, ms
  } cases[] = {
      {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
      {116444736000000000ULL, {1970, 1, 4, 1, 0, 0, 0, 0}},
      {125911584000000000ULL, {2000, 1, 6, 1, 0, 0, 0, 0}},
      {125963012967890000ULL, {2000, 2, 2, 29, 12, 34, 56, 789}},
      {133801631999990000ULL, {2024, 12, 2, 31, 23, 59, 59, 999}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.st.wYear);
    FILETIME ft{DWORD(c.fileTime & 0xFFFFFFFF), DWORD(c.fileTime >> 32)};
    SYSTEMTIME st{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(c.st.wYear, st.wYear);
    EXPECT_EQ(c.st.wMonth, st.wMonth);
    EXPECT_EQ(c.st.wDay, st.wDay);
    EXPECT_EQ(c.st.wDayOfWeek, st.wDayOfWeek);
    EXPECT_EQ(c.st.wHour, st.wHour);
    EXPECT_EQ(c.st.wMinute, st.wMinute);
    EXPECT_EQ(c.st.wSecond, st.wSecond);
    EXPECT_EQ(c.st.wMilliseconds, st.wMilliseconds);
    FILETIME back{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &back));
    EXPECT_EQ(0, CompareFileTime(&ft, &back));
  }
  SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
  FILETIME out{};
  EXPECT_FALSE(SystemTimeToFileTime(&bad, &out));
  bad = {2024, 13, 0, 1, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToFileTime(&bad, &out));
  FILETIME huge{0xFFFFFFFF, 0xFFFFFFFF};
  SYSTEMTIME st{};
  EXPECT_FALSE(FileTimeToSystemTime(&huge, &st));

  FILETIME a{1, 0}, b{0, 1};
  EXPECT_EQ(-1, CompareFileTime(&a, &b));
  EXPECT_EQ(1, CompareFileTime(&b, &a));
}

TEST(Calendar, WallClockAndLocalTime) {
  nux::clock::UseVirtual(true);
  nux::clock::SetWallClock(125938368000000000ULL);  // 2000-02-01 00:00 UTC
  SYSTEMTIME st{};
  GetSystemTime(&st);
  EXPECT_EQ(2000, st.wYear);
  EXPECT_EQ(2, st.wMonth);
  EXPECT_EQ(1, st.wDay);
  Sleep(3600 * 1000);
  GetSystemTime(&st);
  EXPECT_EQ(1, st.wHour);

  // Local and UTC file times convert forth and back by the zone's offset now.
  FILETIME utc, local, again;
  GetSystemTimeAsFileTime(&utc);
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &again));
  EXPECT_EQ(0, CompareFileTime(&utc, &again));
  SYSTEMTIME lt{}, fromLocal{};
  GetLocalTime(&lt);
  FileTimeToSystemTime(&local, &fromLocal);
  EXPECT_EQ(fromLocal.wHour, lt.wHour);
  EXPECT_EQ(fromLocal.wDay, lt.wDay);
  nux::clock::ResetWallClock();
  nux::clock::UseVirtual(false);
  GetSystemTime(&st);
  EXPECT_GE(st.wYear, 2024);
}

}  // namespace
