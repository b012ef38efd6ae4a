// Global memory blocks (GlobalAlloc and family), as the clipboard, drag and drop and older APIs
// hand them about. A fixed block's handle is its pointer; a movable block's handle is a
// separate value that GlobalLock turns into the pointer, with a lock count.
#pragma once

#include "base/types.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_NOT_BANKED 0x1000
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_LOCKCOUNT 0x00FF
#define GMEM_DISCARDED 0x4000
#define GMEM_INVALID_HANDLE 0x8000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// Returns NULL with ERROR_NOT_ENOUGH_MEMORY when the block cannot be had.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// Returns NULL on success; the handle itself (with ERROR_INVALID_HANDLE) when it is not a block.
HGLOBAL GlobalFree(HGLOBAL hMem);
// The block's pointer; a movable block's lock count goes up by one. NULL with ERROR_DISCARDED
// for a movable block of 0 bytes.
LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while the block stays locked; FALSE with ERROR_SUCCESS when the count reaches 0, or with
// ERROR_NOT_LOCKED when it was not locked.
BOOL GlobalUnlock(HGLOBAL hMem);
// Size asked for at allocation (or reallocation); 0 for an invalid handle.
SIZE_T GlobalSize(HGLOBAL hMem);
// Resizes a block (new bytes zeroed with GMEM_ZEROINIT). A fixed block may move only when
// GMEM_MOVEABLE is given; a movable block keeps its handle. GMEM_MODIFY changes only the
// flags (fixed to movable is the one change supported). Returns NULL on failure.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
// The handle of the block a pointer (from GlobalLock) points to.
HGLOBAL GlobalHandle(LPCVOID pMem);
// The lock count in the low byte, with GMEM_DISCARDABLE / GMEM_DISCARDED; GMEM_INVALID_HANDLE
// for something that is no block.
UINT GlobalFlags(HGLOBAL hMem);

#ifndef ERROR_DISCARDED
#define ERROR_DISCARDED 157L
#endif
#ifndef ERROR_NOT_LOCKED
#define ERROR_NOT_LOCKED 158L
#endif
