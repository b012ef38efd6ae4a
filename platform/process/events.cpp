// Events: manual-reset ones stay signalled until reset; auto-reset ones let one wait through
// and reset themselves.
#include <memory>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/handles.h"
#include "process/process.h"

namespace nux {
namespace {

class EventObject : public Waitable {
 public:
  EventObject(bool manual, bool initial) : manual_(manual), signalled_(initial) {}
  bool IsSignalled() const override { return signalled_; }
  void Acquire() override {
    if (!manual_) signalled_ = false;
  }
  void Set(bool on) {
    {
      std::lock_guard<std::mutex> lock(WaitLock());
      signalled_ = on;
    }
    if (on) NotifyWaiters();
  }

 private:
  bool manual_;
  bool signalled_;
};

HANDLE NewEvent(BOOL manual, BOOL initial) {
  HANDLE h = RegisterHandle(std::make_shared<EventObject>(manual != FALSE, initial != FALSE));
  if (!h) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return h;
}

BOOL SetEventState(HANDLE h, bool on) {
  auto event = LookupHandle<EventObject>(h);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Set(on);
  return TRUE;
}

}  // namespace
}  // namespace nux

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR) {
  return nux::NewEvent(bManualReset, bInitialState);
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR) {
  return nux::NewEvent(bManualReset, bInitialState);
}

BOOL SetEvent(HANDLE hEvent) { return nux::SetEventState(hEvent, true); }
BOOL ResetEvent(HANDLE hEvent) { return nux::SetEventState(hEvent, false); }

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<nux::Waitable>> objects;
  objects.reserve(nCount);
  for (DWORD i = 0; i < nCount; ++i) {
    auto object = nux::LookupHandle<nux::Waitable>(lpHandles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    if (bWaitAll) {
      for (auto& seen : objects) {
        if (seen == object) {  // the same object twice cannot be taken atomically
          SetLastError(ERROR_INVALID_PARAMETER);
          return WAIT_FAILED;
        }
      }
    }
    objects.push_back(std::move(object));
  }
  return nux::WaitForObjects(objects, bWaitAll != FALSE, dwMilliseconds);
}
