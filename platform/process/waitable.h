// Waitable kernel objects: what WaitForSingleObject and WaitForMultipleObjects wait on (events,
// threads, and later processes). Every waitable object's state is read and changed under one
// lock, so a wait on several objects sees them all at one moment and takes them atomically.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "base/types.h"
#include "fs/handles.h"

namespace nux {

class Waitable : public KernelObject {
 public:
  // Both are called with WaitLock() held.
  virtual bool IsSignalled() const = 0;
  // A wait that this object satisfied takes it (an auto-reset event resets itself).
  virtual void Acquire() {}
};

// The one lock of all waitable objects' states.
std::mutex& WaitLock();
// Wakes every wait so it looks at the objects again; call after a change of state, after the
// lock was released.
void NotifyWaiters();

// An object that becomes signalled once and stays so: a thread that ended, a process that
// ended.
class SignalOnce : public Waitable {
 public:
  bool IsSignalled() const override { return signalled_; }
  // Marks the object signalled and wakes the waits (takes the lock itself).
  void Signal();
  bool IsSignalledNow() const;  // takes the lock itself

 private:
  bool signalled_ = false;
};

// Waits, on the platform clock, until one object (waitAll false) or all objects are signalled,
// or the timeout passes. Returns WAIT_OBJECT_0 + index (the lowest signalled index when any
// will do, 0 when all were wanted), or WAIT_TIMEOUT.
DWORD WaitForObjects(const std::vector<std::shared_ptr<Waitable>>& objects, bool waitAll, DWORD timeoutMs);

}  // namespace nux
