// The kernel-handle table.
#include "fs/handles.h"

#include <mutex>
#include <unordered_map>

#include "base/errors.h"

namespace nux {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  uintptr_t next = 0x100;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // never destroyed: handles may close at exit
  return *table;
}

}  // namespace

KernelObject::~KernelObject() = default;

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  if (!object) return nullptr;
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const uintptr_t value = table.next;
  table.next += 4;  // handle values are multiples of four, as on Windows
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.objects.end()) return nullptr;
  std::shared_ptr<KernelObject> object = std::move(it->second);
  table.objects.erase(it);
  return object;
}

}  // namespace nux

BOOL CloseHandle(HANDLE handle) {
  // The object is released outside the table's lock: its destructor may close other handles.
  std::shared_ptr<nux::KernelObject> object = nux::UnregisterHandle(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object.reset();
  return TRUE;
}
