// The kernel-handle table of the platform: files, find handles, events, threads and processes
// register their objects here and get a HANDLE back; CloseHandle releases any of them.
#pragma once

#include <memory>

#include "base/types.h"

namespace nux {

// Base of every object a kernel handle stands for.
struct KernelObject {
  virtual ~KernelObject();
};

// Enters an object into the table; the handle is never NULL nor INVALID_HANDLE_VALUE and is
// not reused while the process runs. Thread-safe.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or nullptr when the handle is unknown (closed, never issued).
std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle);

// The object behind a handle as type T; nullptr when the handle is unknown or of another kind.
template <class T>
std::shared_ptr<T> LookupHandle(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupKernelObject(handle));
}

// Removes a handle from the table and returns its object (nullptr when unknown), without
// touching GetLastError. CloseHandle is this plus the error code.
std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle);

}  // namespace nux

// Closes any kernel handle; FALSE with ERROR_INVALID_HANDLE for one the table does not know.
BOOL CloseHandle(HANDLE handle);
