// Global memory blocks. Each block's bytes come from malloc. A movable block is reached through
// a handle cell of its own (as on Windows, the handle is not the pointer), so that
// GlobalReAlloc may move the bytes while the handle stays the same.
#include "memory/memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "base/errors.h"

namespace {

struct Block {
  void* data = nullptr;  // null for a movable block discarded (or allocated with 0 bytes)
  SIZE_T size = 0;
  bool movable = false;
  UINT flags = 0;     // GMEM_DISCARDABLE and the like, as given
  UINT lockCount = 0; // movable blocks only
};

struct Table {
  std::mutex mutex;
  std::unordered_map<HGLOBAL, Block*> byHandle;
  std::unordered_map<const void*, Block*> byPointer;
};

Table& T() {
  static Table* table = new Table;  // never destroyed: blocks may be freed during exit
  return *table;
}

// A movable block's handle is the address of a cell that exists for this purpose only.
HGLOBAL NewHandleCell() { return static_cast<HGLOBAL>(new char[8]); }
void FreeHandleCell(HGLOBAL h) { delete[] static_cast<char*>(h); }

Block* Find(Table& t, HGLOBAL h) {
  auto it = t.byHandle.find(h);
  return it == t.byHandle.end() ? nullptr : it->second;
}

// Find for the calls that report an unknown handle as ERROR_INVALID_HANDLE.
Block* FindValid(Table& t, HGLOBAL h) {
  Block* b = Find(t, h);
  if (!b) SetLastError(ERROR_INVALID_HANDLE);
  return b;
}

void* AllocateBytes(SIZE_T bytes, bool zero) {
  void* p = zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  return p;
}

HGLOBAL HandleOf(Block* b, HGLOBAL movableHandle) { return b->movable ? movableHandle : static_cast<HGLOBAL>(b->data); }

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  Table& t = T();
  const bool movable = (uFlags & GMEM_MOVEABLE) != 0;
  const bool zero = (uFlags & GMEM_ZEROINIT) != 0;
  auto* b = new Block;
  b->movable = movable;
  b->flags = uFlags & (GMEM_DISCARDABLE | GMEM_SHARE);
  b->size = dwBytes;
  if (!movable || dwBytes > 0) {
    b->data = AllocateBytes(dwBytes, zero);
    if (!b->data) {
      delete b;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  HGLOBAL h = movable ? NewHandleCell() : static_cast<HGLOBAL>(b->data);
  std::lock_guard<std::mutex> lock(t.mutex);
  t.byHandle[h] = b;
  if (b->data) t.byPointer[b->data] = b;
  return h;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  if (!hMem) return nullptr;
  Table& t = T();
  std::unique_lock<std::mutex> lock(t.mutex);
  Block* b = FindValid(t, hMem);
  if (!b) return hMem;
  t.byHandle.erase(hMem);
  if (b->data) t.byPointer.erase(b->data);
  lock.unlock();
  std::free(b->data);
  if (b->movable) FreeHandleCell(hMem);
  delete b;
  return nullptr;
}

LPVOID GlobalLock(HGLOBAL hMem) {
  Table& t = T();
  std::lock_guard<std::mutex> lock(t.mutex);
  Block* b = FindValid(t, hMem);
  if (!b) return nullptr;
  if (!b->data) {
    SetLastError(ERROR_DISCARDED);
    return nullptr;
  }
  if (b->movable && b->lockCount < GMEM_LOCKCOUNT) ++b->lockCount;
  return b->data;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  Table& t = T();
  std::lock_guard<std::mutex> lock(t.mutex);
  Block* b = FindValid(t, hMem);
  if (!b) return FALSE;
  if (!b->movable) return TRUE;  // fixed blocks have no lock count
  if (b->lockCount == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--b->lockCount == 0) {
    SetLastError(NO_ERROR);
    return FALSE;
  }
  return TRUE;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
  Table& t = T();
  std::lock_guard<std::mutex> lock(t.mutex);
  Block* b = FindValid(t, hMem);
  if (!b) return 0;
  return b->data ? b->size : 0;
}

HGLOBAL GlobalHandle(LPCVOID pMem) {
  Table& t = T();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.byPointer.find(pMem);
  if (it == t.byPointer.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Block* b = it->second;
  if (!b->movable) return static_cast<HGLOBAL>(b->data);
  for (auto& [h, block] : t.byHandle)
    if (block == b) return h;
  return nullptr;
}

UINT GlobalFlags(HGLOBAL hMem) {
  Table& t = T();
  std::lock_guard<std::mutex> lock(t.mutex);
  Block* b = FindValid(t, hMem);
  if (!b) return GMEM_INVALID_HANDLE;
  if (!b->movable) return 0;
  UINT flags = b->lockCount & GMEM_LOCKCOUNT;
  flags |= b->flags & (GMEM_DISCARDABLE | GMEM_SHARE);
  if (!b->data) flags |= GMEM_DISCARDED;
  return flags;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  Table& t = T();
  std::lock_guard<std::mutex> lock(t.mutex);
  Block* b = FindValid(t, hMem);
  if (!b) return nullptr;

  if (uFlags & GMEM_MODIFY) {
    // Only the flags change. A fixed block can be made movable; it then gets a handle cell.
    if (uFlags & GMEM_DISCARDABLE)
      b->flags |= GMEM_DISCARDABLE;
    else
      b->flags &= ~UINT(GMEM_DISCARDABLE);
    if (!b->movable && (uFlags & GMEM_MOVEABLE)) {
      HGLOBAL h = NewHandleCell();
      t.byHandle.erase(hMem);
      b->movable = true;
      t.byHandle[h] = b;
      return h;
    }
    return hMem;
  }

  const bool zero = (uFlags & GMEM_ZEROINIT) != 0;
  const SIZE_T oldSize = b->data ? b->size : 0;

  if (b->movable && dwBytes == 0) {
    // A movable block reallocated to 0 bytes is discarded; its handle stays valid.
    if (b->lockCount > 0) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (b->data) {
      t.byPointer.erase(b->data);
      std::free(b->data);
      b->data = nullptr;
    }
    b->size = 0;
    return hMem;
  }

  if (dwBytes <= oldSize && b->data) {
    // Shrinking never moves the bytes.
    b->size = dwBytes;
    return HandleOf(b, hMem);
  }

  // Growing (or bringing back a discarded block) may move the bytes. A fixed block moves only
  // when the caller allows it with GMEM_MOVEABLE, a locked movable block likewise.
  const bool mayMove = b->movable ? (b->lockCount == 0 || (uFlags & GMEM_MOVEABLE)) : (uFlags & GMEM_MOVEABLE) != 0;
  if (!mayMove && b->data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* p = b->data ? std::realloc(b->data, dwBytes) : AllocateBytes(dwBytes, false);
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (zero && dwBytes > oldSize) std::memset(static_cast<char*>(p) + oldSize, 0, dwBytes - oldSize);
  if (b->data) t.byPointer.erase(b->data);
  HGLOBAL oldHandle = hMem;
  b->data = p;
  b->size = dwBytes;
  t.byPointer[p] = b;
  if (!b->movable) {
    t.byHandle.erase(oldHandle);
    t.byHandle[static_cast<HGLOBAL>(p)] = b;
  }
  return HandleOf(b, hMem);
}
