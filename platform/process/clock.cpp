#include "process/clock.h"

#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "base/errors.h"

namespace nux::clock {
namespace {

// 100 ns units between 1601-01-01 and 1970-01-01.
constexpr ULONGLONG kUnixEpochAsFileTime = 116444736000000000ULL;
constexpr ULONGLONG kUnitsPerMs = 10000;

// Under the virtual clock a wait with a deadline looks at the clock at least this often (real
// time), in case it missed a wake-up from Advance.
constexpr auto kVirtualRecheck = std::chrono::milliseconds(20);
// Under the real clock a wait looks again at least this often, so that a switch to the virtual
// clock is noticed.
constexpr auto kRealRecheck = std::chrono::milliseconds(50);

ULONGLONG RealMonotonic100ns() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return ULONGLONG(ts.tv_sec) * 10000000ULL + ULONGLONG(ts.tv_nsec) / 100;
}

ULONGLONG RealWall100ns() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return kUnixEpochAsFileTime + ULONGLONG(ts.tv_sec) * 10000000ULL + ULONGLONG(ts.tv_nsec) / 100;
}

struct State {
  std::mutex mutex;  // guards switches between real and virtual, and the listeners
  std::atomic<bool> isVirtual{false};
  std::atomic<ULONGLONG> virtualNow{0};
  std::atomic<long long> realOffset{0};  // platform clock = real monotonic + offset
  std::atomic<long long> wallBase{0};    // wall clock = platform clock + wallBase

  std::map<int, std::shared_ptr<std::function<void()>>> listeners;
  int nextListener = 1;

  std::mutex waitersMutex;
  std::vector<std::condition_variable*> waiters;

  State() { wallBase = (long long)(RealWall100ns() - RealMonotonic100ns()); }
};

State& S() {
  static State* state = new State;  // never destroyed: threads may read the clock during exit
  return *state;
}

void WakeAllWaiters() {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.waitersMutex);
  for (auto* cv : s.waiters) cv->notify_all();
}

void RunListeners() {
  State& s = S();
  std::vector<std::shared_ptr<std::function<void()>>> copy;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto& [id, fn] : s.listeners) copy.push_back(fn);
  }
  for (auto& fn : copy) (*fn)();
}

}  // namespace

ULONGLONG Now100ns() {
  State& s = S();
  if (s.isVirtual.load()) return s.virtualNow.load();
  return ULONGLONG((long long)RealMonotonic100ns() + s.realOffset.load());
}

ULONGLONG NowMs() { return Now100ns() / kUnitsPerMs; }

bool IsVirtual() { return S().isVirtual.load(); }

void UseVirtual(bool on) {
  State& s = S();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (on == s.isVirtual.load()) return;
    if (on) {
      s.virtualNow = Now100ns();
      s.isVirtual = true;
    } else {
      s.realOffset = (long long)s.virtualNow.load() - (long long)RealMonotonic100ns();
      s.isVirtual = false;
    }
  }
  WakeAllWaiters();
}

void Advance(DWORD ms) {
  State& s = S();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.isVirtual.load())
      s.virtualNow += ULONGLONG(ms) * kUnitsPerMs;
    else
      s.realOffset += (long long)ms * (long long)kUnitsPerMs;
  }
  WakeAllWaiters();
  RunListeners();
}

void SetVirtualNowMs(ULONGLONG ms) {
  State& s = S();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.isVirtual.load()) return;
    ULONGLONG target = ms * kUnitsPerMs;
    if (target < s.virtualNow.load()) return;
    s.virtualNow = target;
  }
  WakeAllWaiters();
  RunListeners();
}

void SetWallClock(ULONGLONG fileTime) { S().wallBase = (long long)fileTime - (long long)Now100ns(); }

void ResetWallClock() { S().wallBase = (long long)RealWall100ns() - (long long)Now100ns(); }

ULONGLONG WallClockFileTime() { return ULONGLONG((long long)Now100ns() + S().wallBase.load()); }

int AddAdvanceListener(std::function<void()> listener) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  int id = s.nextListener++;
  s.listeners[id] = std::make_shared<std::function<void()>>(std::move(listener));
  return id;
}

void RemoveAdvanceListener(int id) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.listeners.erase(id);
}

size_t PendingWaits() {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.waitersMutex);
  return s.waiters.size();
}

ULONGLONG DeadlineAfter(DWORD timeoutMs) {
  if (timeoutMs == INFINITE) return kNoDeadline;
  return NowMs() + timeoutMs;
}

bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, ULONGLONG deadlineMs,
               const std::function<bool()>& pred) {
  State& s = S();
  {
    std::lock_guard<std::mutex> reg(s.waitersMutex);
    s.waiters.push_back(&cv);
  }
  bool result = false;
  for (;;) {
    if (pred()) {
      result = true;
      break;
    }
    if (deadlineMs != kNoDeadline) {
      ULONGLONG now = NowMs();
      if (now >= deadlineMs) break;
      if (s.isVirtual.load()) {
        cv.wait_for(lock, kVirtualRecheck);
      } else {
        auto left = std::chrono::milliseconds(deadlineMs - now);
        cv.wait_for(lock, std::min<std::chrono::milliseconds>(left, kRealRecheck));
      }
    } else {
      cv.wait(lock);
    }
  }
  {
    std::lock_guard<std::mutex> reg(s.waitersMutex);
    auto it = std::find(s.waiters.begin(), s.waiters.end(), &cv);
    if (it != s.waiters.end()) s.waiters.erase(it);
  }
  return result;
}

}  // namespace nux::clock

using nux::clock::NowMs;

void Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  if (dwMilliseconds == 0) {
    ::sched_yield();
    return;
  }
  if (nux::clock::IsVirtual()) {
    nux::clock::Advance(dwMilliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

DWORD GetTickCount() { return DWORD(NowMs()); }
ULONGLONG GetTickCount64() { return NowMs(); }
DWORD timeGetTime() { return DWORD(NowMs()); }
UINT timeBeginPeriod(UINT uPeriod) { return uPeriod == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }
UINT timeEndPeriod(UINT uPeriod) { return uPeriod == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  if (!lpPerformanceCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpPerformanceCount->QuadPart = (LONGLONG)nux::clock::Now100ns();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  if (!lpFrequency) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpFrequency->QuadPart = 10000000;
  return TRUE;
}

// ---- calendar -------------------------------------------------------------------
namespace {

constexpr ULONGLONG kUnixEpochAsFileTime = 116444736000000000ULL;
constexpr ULONGLONG kUnitsPerSecond = 10000000ULL;
constexpr ULONGLONG kUnitsPerDay = 86400ULL * kUnitsPerSecond;
// Latest time SYSTEMTIME can hold and FileTimeToSystemTime accepts.
constexpr ULONGLONG kMaxFileTime = 0x7FFFFFFFFFFFFFFFULL;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1601-01-01 for a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long daysSince1970 = era * 146097 + (long long)doe - 719468;
  return daysSince1970 + 134774;  // 1601-01-01 .. 1970-01-01 is 134774 days
}

void CivilFromDays(long long days1601, int& y, unsigned& m, unsigned& d) {
  long long z = days1601 - 134774 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = (long long)yoe + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = int(yy + (m <= 2));
}

void UnitsToSystemTime(ULONGLONG t, SYSTEMTIME& st) {
  ULONGLONG days = t / kUnitsPerDay;
  ULONGLONG rest = t % kUnitsPerDay;
  int y;
  unsigned m, d;
  CivilFromDays((long long)days, y, m, d);
  st.wYear = WORD(y);
  st.wMonth = WORD(m);
  st.wDay = WORD(d);
  st.wDayOfWeek = WORD((days + 1) % 7);  // 1601-01-01 was a Monday
  st.wHour = WORD(rest / (3600 * kUnitsPerSecond));
  rest %= 3600 * kUnitsPerSecond;
  st.wMinute = WORD(rest / (60 * kUnitsPerSecond));
  rest %= 60 * kUnitsPerSecond;
  st.wSecond = WORD(rest / kUnitsPerSecond);
  rest %= kUnitsPerSecond;
  st.wMilliseconds = WORD(rest / 10000);
}

ULONGLONG FromFileTime(const FILETIME& ft) { return (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

FILETIME ToFileTime(ULONGLONG v) {
  FILETIME ft;
  ft.dwLowDateTime = DWORD(v & 0xFFFFFFFFu);
  ft.dwHighDateTime = DWORD(v >> 32);
  return ft;
}

// The local time zone's offset from UTC now, in 100 ns units (as the C library's zone says).
long long CurrentBias() {
  ULONGLONG now = nux::clock::WallClockFileTime();
  time_t secs = time_t((now - kUnixEpochAsFileTime) / kUnitsPerSecond);
  struct tm local{};
  if (!::localtime_r(&secs, &local)) return 0;
  return (long long)local.tm_gmtoff * (long long)kUnitsPerSecond;
}

}  // namespace

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
  if (lpSystemTimeAsFileTime) *lpSystemTimeAsFileTime = ToFileTime(nux::clock::WallClockFileTime());
}

void GetSystemTime(LPSYSTEMTIME lpSystemTime) {
  if (lpSystemTime) UnitsToSystemTime(nux::clock::WallClockFileTime(), *lpSystemTime);
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (!lpSystemTime) return;
  long long local = (long long)nux::clock::WallClockFileTime() + CurrentBias();
  UnitsToSystemTime(ULONGLONG(local < 0 ? 0 : local), *lpSystemTime);
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
  if (!lpFileTime || !lpSystemTime || FromFileTime(*lpFileTime) > kMaxFileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  UnitsToSystemTime(FromFileTime(*lpFileTime), *lpSystemTime);
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
  if (!lpSystemTime || !lpFileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const SYSTEMTIME& st = *lpSystemTime;
  if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
      st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
      st.wMilliseconds > 999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ULONGLONG days = ULONGLONG(DaysFromCivil(st.wYear, st.wMonth, st.wDay));
  ULONGLONG t = days * kUnitsPerDay + ULONGLONG(st.wHour) * 3600 * kUnitsPerSecond +
                ULONGLONG(st.wMinute) * 60 * kUnitsPerSecond + ULONGLONG(st.wSecond) * kUnitsPerSecond +
                ULONGLONG(st.wMilliseconds) * 10000;
  *lpFileTime = ToFileTime(t);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
  if (!lpFileTime || !lpLocalFileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpLocalFileTime = ToFileTime(ULONGLONG((long long)FromFileTime(*lpFileTime) + CurrentBias()));
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
  if (!lpLocalFileTime || !lpFileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpFileTime = ToFileTime(ULONGLONG((long long)FromFileTime(*lpLocalFileTime) - CurrentBias()));
  return TRUE;
}

LONG CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2) {
  ULONGLONG a = FromFileTime(*lpFileTime1);
  ULONGLONG b = FromFileTime(*lpFileTime2);
  return a < b ? -1 : (a > b ? 1 : 0);
}
