// Threads: each CreateThread runs its routine on a std::thread of its own. The thread object
// is signalled when the routine returns and keeps its exit code; closing the handle does not
// stop the thread.
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

#include "base/errors.h"
#include "fs/handles.h"
#include "process/process.h"

namespace nux {
namespace {

#define NUX_PSEUDO_PROCESS ((HANDLE)(LONG_PTR)-1)
#define NUX_PSEUDO_THREAD ((HANDLE)(LONG_PTR)-2)

std::atomic<DWORD> g_nextThreadId{4};
thread_local DWORD t_threadId = 0;

DWORD NewThreadId() { return g_nextThreadId.fetch_add(4); }

class ThreadObject : public SignalOnce {
 public:
  ThreadObject(LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD id, DWORD suspendCount)
      : routine_(routine), parameter_(parameter), id_(id), suspendCount_(suspendCount) {}

  DWORD id() const { return id_; }
  DWORD exitCode() const { return exitCode_.load(); }
  std::atomic<int> priority{THREAD_PRIORITY_NORMAL};

  // Starts the routine on a thread of its own; the thread holds the object until it ends.
  bool Start(const std::shared_ptr<ThreadObject>& self) {
    try {
      std::thread([self] { self->Run(); }).detach();
      return true;
    } catch (...) {
      return false;
    }
  }

  // Returns the previous suspend count; starts the thread when the count reaches 0.
  DWORD Resume(const std::shared_ptr<ThreadObject>& self) {
    DWORD previous;
    bool start = false;
    {
      std::lock_guard<std::mutex> lock(resumeMutex_);
      previous = suspendCount_;
      if (suspendCount_ > 0 && --suspendCount_ == 0 && !started_) start = started_ = true;
    }
    if (start && !Start(self)) return DWORD(-1);
    return previous;
  }

  bool MarkStarted() {
    std::lock_guard<std::mutex> lock(resumeMutex_);
    if (suspendCount_ > 0) return false;
    started_ = true;
    return true;
  }

 private:
  void Run() {
    t_threadId = id_;
    DWORD code = routine_(parameter_);
    exitCode_ = code;
    Signal();
  }

  LPTHREAD_START_ROUTINE routine_;
  LPVOID parameter_;
  DWORD id_;
  std::atomic<DWORD> exitCode_{STILL_ACTIVE};
  std::mutex resumeMutex_;
  DWORD suspendCount_;
  bool started_ = false;
};

std::shared_ptr<ThreadObject> ThreadFromHandle(HANDLE h) {
  auto thread = LookupHandle<ThreadObject>(h);
  if (!thread) SetLastError(ERROR_INVALID_HANDLE);
  return thread;
}

// Priority of threads that were not made by CreateThread (the main thread), set through the
// pseudo handle.
thread_local int t_otherPriority = THREAD_PRIORITY_NORMAL;

}  // namespace
}  // namespace nux

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const bool suspended = (dwCreationFlags & CREATE_SUSPENDED) != 0;
  const DWORD id = nux::NewThreadId();
  auto thread = std::make_shared<nux::ThreadObject>(lpStartAddress, lpParameter, id, suspended ? 1 : 0);
  HANDLE h = nux::RegisterHandle(thread);
  if (!h) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (lpThreadId) *lpThreadId = id;
  if (!suspended && thread->MarkStarted() && !thread->Start(thread)) {
    CloseHandle(h);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return h;
}

DWORD ResumeThread(HANDLE hThread) {
  auto thread = nux::ThreadFromHandle(hThread);
  if (!thread) return DWORD(-1);
  return thread->Resume(thread);
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  if (!lpExitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (hThread == NUX_PSEUDO_THREAD) {
    *lpExitCode = STILL_ACTIVE;
    return TRUE;
  }
  auto thread = nux::ThreadFromHandle(hThread);
  if (!thread) return FALSE;
  *lpExitCode = thread->exitCode();
  return TRUE;
}

DWORD GetThreadId(HANDLE hThread) {
  if (hThread == NUX_PSEUDO_THREAD) return GetCurrentThreadId();
  auto thread = nux::ThreadFromHandle(hThread);
  return thread ? thread->id() : 0;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
  if (hThread == NUX_PSEUDO_THREAD) {
    nux::t_otherPriority = nPriority;
    return TRUE;
  }
  auto thread = nux::ThreadFromHandle(hThread);
  if (!thread) return FALSE;
  thread->priority = nPriority;
  return TRUE;
}

int GetThreadPriority(HANDLE hThread) {
  if (hThread == NUX_PSEUDO_THREAD) return nux::t_otherPriority;
  auto thread = nux::ThreadFromHandle(hThread);
  return thread ? thread->priority.load() : THREAD_PRIORITY_ERROR_RETURN;
}

DWORD GetCurrentProcessId() { return DWORD(::getpid()); }

DWORD GetCurrentThreadId() {
  if (nux::t_threadId == 0) nux::t_threadId = nux::NewThreadId();
  return nux::t_threadId;
}

HANDLE GetCurrentProcess() { return NUX_PSEUDO_PROCESS; }
HANDLE GetCurrentThread() { return NUX_PSEUDO_THREAD; }
