#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unistd.h>

#include "base/errors.h"
#include "process/process.h"

namespace {

struct Shared {
  HANDLE go = nullptr;
  std::atomic<DWORD> idInside{0};
  std::atomic<int> passed{0};
};

DWORD WINAPI_Worker(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  s->idInside = GetCurrentThreadId();
  WaitForSingleObject(s->go, INFINITE);
  return 42;
}

TEST(Threads, ExitCodeThroughWait) {
  Shared s;
  s.go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, WINAPI_Worker, &s, 0, &id);
  ASSERT_NE(nullptr, t);
  EXPECT_NE(0u, id);
  EXPECT_EQ(id, GetThreadId(t));
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(DWORD(STILL_ACTIVE), code);
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(t, 0));

  SetEvent(s.go);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(t, INFINITE));
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(t, 0));  // stays signalled
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(42u, code);
  EXPECT_EQ(id, s.idInside.load());
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(0u, GetCurrentThreadId() % 4);
  EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
  EXPECT_TRUE(CloseHandle(t));
  CloseHandle(s.go);
}

TEST(Threads, SuspendedThreadStartsOnResume) {
  Shared s;
  s.go = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  HANDLE t = CreateThread(nullptr, 0, WINAPI_Worker, &s, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(t, 30));
  EXPECT_EQ(0u, s.idInside.load());
  EXPECT_EQ(1u, ResumeThread(t));
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(t, INFINITE));
  EXPECT_EQ(0u, ResumeThread(t));
  CloseHandle(t);
  CloseHandle(s.go);
}

DWORD PassOnce(LPVOID p) {
  auto* s = static_cast<Shared*>(p);
  if (WaitForSingleObject(s->go, INFINITE) == WAIT_OBJECT_0) ++s->passed;
  return 0;
}

TEST(Events, AutoResetLetsOneWaitThrough) {
  Shared s;
  s.go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE a = CreateThread(nullptr, 0, PassOnce, &s, 0, nullptr);
  HANDLE b = CreateThread(nullptr, 0, PassOnce, &s, 0, nullptr);
  SetEvent(s.go);
  HANDLE both[2] = {a, b};
  DWORD first = WaitForMultipleObjects(2, both, FALSE, INFINITE);
  EXPECT_LT(first - WAIT_OBJECT_0, 2u);
  EXPECT_EQ(1, s.passed.load());
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForMultipleObjects(2, both, TRUE, 30));
  SetEvent(s.go);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForMultipleObjects(2, both, TRUE, INFINITE));
  EXPECT_EQ(2, s.passed.load());
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(s.go, 0));  // each set was taken
  CloseHandle(a);
  CloseHandle(b);
  CloseHandle(s.go);
}

TEST(Events, WaitAnyReportsTheLowestSignalledIndex) {
  HANDLE e[3];
  for (auto& h : e) h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetEvent(e[2]);
  SetEvent(e[1]);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0 + 1), WaitForMultipleObjects(3, e, FALSE, 0));
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForMultipleObjects(3, e, TRUE, 0));
  SetEvent(e[0]);
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForMultipleObjects(3, e, TRUE, 0));
  for (auto& h : e) CloseHandle(h);
}

TEST(Events, BadHandlesFail) {
  HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetLastError(0);
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(reinterpret_cast<HANDLE>(0x12345), 0));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  HANDLE twice[2] = {e, e};
  EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, twice, TRUE, 0));
  EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, twice, FALSE, 0));
  EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(0x12345)));
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeThread(e, &code));  // an event is no thread
  EXPECT_TRUE(GetExitCodeThread(GetCurrentThread(), &code));
  EXPECT_EQ(DWORD(STILL_ACTIVE), code);
  EXPECT_EQ(reinterpret_cast<HANDLE>(LONG_PTR(-1)), GetCurrentProcess());
  EXPECT_EQ(DWORD(::getpid()), GetCurrentProcessId());
  CloseHandle(e);
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(e, 0));  // closed
}

// A later kind of kernel object plugs into the same waits.
struct Finished : nux::SignalOnce {};

TEST(Waitable, OwnObjectsAreWaitable) {
  auto obj = std::make_shared<Finished>();
  HANDLE h = nux::RegisterHandle(obj);
  EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(h, 0));
  std::thread t([&] { obj->Signal(); });
  EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(h, INFINITE));
  t.join();
  EXPECT_TRUE(obj->IsSignalledNow());
  CloseHandle(h);
}

}  // namespace
