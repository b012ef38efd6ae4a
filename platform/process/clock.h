// The one clock of the platform. Tick counts, the performance counter, the system and local
// time, Sleep, the waits on kernel objects and the window system's timers all read it, so they
// always agree. It runs on real monotonic time by default; tests and hosts may switch it to a
// virtual clock that moves only when Advance (or Sleep) moves it, so that timer behaviour can be
// checked exactly and fast.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

#include "base/types.h"

#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Under the virtual clock Sleep(n) moves the clock on by n milliseconds instead of sleeping,
// waking every wait whose timeout has passed; Sleep(0) yields; Sleep(INFINITE) never returns.
void Sleep(DWORD dwMilliseconds);
DWORD GetTickCount();
ULONGLONG GetTickCount64();
DWORD timeGetTime();
UINT timeBeginPeriod(UINT uPeriod);
UINT timeEndPeriod(UINT uPeriod);
// The counter runs at 10 MHz (100 ns units).
BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);

void GetSystemTime(LPSYSTEMTIME lpSystemTime);
void GetLocalTime(LPSYSTEMTIME lpSystemTime);
void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
// FALSE with ERROR_INVALID_PARAMETER for a time beyond the range of SYSTEMTIME (or fields out of range).
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
// Both use the time zone's offset as it is now (as Windows does), not the offset at the time given.
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime);
LONG CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);

namespace nux::clock {

inline constexpr ULONGLONG kNoDeadline = ~0ULL;

// Milliseconds on the platform clock (what GetTickCount64 returns).
ULONGLONG NowMs();
// The same clock in 100 ns units (what QueryPerformanceCounter returns).
ULONGLONG Now100ns();

// Switches the virtual clock on or off. The clock carries on from where it stands, so time
// never runs backwards across a switch.
void UseVirtual(bool on);
bool IsVirtual();
// Moves the clock on by ms (under the real clock too: it jumps ahead), wakes every wait on the
// clock, then calls the advance listeners on the calling thread.
void Advance(DWORD ms);
// Sets the virtual clock to the given reading (ms), e.g. close to the 32-bit tick wrap. Only
// while the virtual clock is on; it may not move the clock backwards (ignored then).
void SetVirtualNowMs(ULONGLONG ms);

// Sets the wall clock (system time, UTC) to the given FILETIME value (100 ns since 1601);
// from then on it runs with the platform clock.
void SetWallClock(ULONGLONG fileTime);
// Back to the machine's real wall clock.
void ResetWallClock();
// Current system time as a FILETIME value.
ULONGLONG WallClockFileTime();

// Listeners run after every Advance (and every virtual Sleep), outside any lock of the clock.
// A listener being run by another thread may still be running when RemoveAdvanceListener returns.
int AddAdvanceListener(std::function<void()> listener);
void RemoveAdvanceListener(int id);

// Waits on cv (lock held, on the mutex cv is used with) until pred() is true or the platform
// clock reaches deadlineMs (kNoDeadline: no limit). Returns the last result of pred(). Whoever
// changes what pred() looks at notifies cv; a move of the virtual clock wakes the wait as well.
bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, ULONGLONG deadlineMs,
               const std::function<bool()>& pred);

// How many waits on the clock (WaitUntil, and the waits on kernel objects) are under way now;
// a test uses it to know that another thread has begun its wait.
size_t PendingWaits();

// Deadline for a timeout in milliseconds from now; INFINITE gives kNoDeadline.
ULONGLONG DeadlineAfter(DWORD timeoutMs);

}  // namespace nux::clock
