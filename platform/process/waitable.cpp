#include "process/waitable.h"

#include <condition_variable>

#include "process/clock.h"
#include "process/process.h"

namespace nux {
namespace {

struct WaitState {
  std::mutex mutex;
  std::condition_variable cv;
  WaitState() {
    // A move of the virtual clock takes the lock before it wakes the waits, so a wait that
    // has just found its deadline not yet reached cannot miss the wake-up.
    clock::AddAdvanceListener([this] {
      { std::lock_guard<std::mutex> lock(mutex); }
      cv.notify_all();
    });
  }
};

WaitState& W() {
  static WaitState* state = new WaitState;  // never destroyed: threads may still wait during exit
  return *state;
}

}  // namespace

std::mutex& WaitLock() { return W().mutex; }

void NotifyWaiters() { W().cv.notify_all(); }

void SignalOnce::Signal() {
  {
    std::lock_guard<std::mutex> lock(WaitLock());
    signalled_ = true;
  }
  NotifyWaiters();
}

bool SignalOnce::IsSignalledNow() const {
  std::lock_guard<std::mutex> lock(WaitLock());
  return signalled_;
}

DWORD WaitForObjects(const std::vector<std::shared_ptr<Waitable>>& objects, bool waitAll, DWORD timeoutMs) {
  WaitState& w = W();
  const ULONGLONG deadline = clock::DeadlineAfter(timeoutMs);
  DWORD result = WAIT_TIMEOUT;
  std::unique_lock<std::mutex> lock(w.mutex);
  auto ready = [&]() -> bool {
    if (waitAll) {
      for (auto& o : objects)
        if (!o->IsSignalled()) return false;
      for (auto& o : objects) o->Acquire();
      result = WAIT_OBJECT_0;
      return true;
    }
    for (size_t i = 0; i < objects.size(); ++i) {
      if (objects[i]->IsSignalled()) {
        objects[i]->Acquire();
        result = WAIT_OBJECT_0 + DWORD(i);
        return true;
      }
    }
    return false;
  };
  if (timeoutMs == 0) {
    ready();
    return result;
  }
  clock::WaitUntil(lock, w.cv, deadline, ready);
  return result;
}

}  // namespace nux
