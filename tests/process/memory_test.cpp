#include <gtest/gtest.h>

#include <cstring>

#include "base/errors.h"
#include "memory/memory.h"

namespace {

TEST(GlobalMemory, FixedBlockHandleIsItsPointer) {
  HGLOBAL h = GlobalAlloc(GPTR, 16);
  ASSERT_NE(nullptr, h);
  auto* p = static_cast<BYTE*>(GlobalLock(h));
  EXPECT_EQ(h, static_cast<HGLOBAL>(p));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(0, p[i]);
  EXPECT_EQ(SIZE_T(16), GlobalSize(h));
  EXPECT_EQ(0u, GlobalFlags(h));  // fixed blocks have no lock count
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_EQ(h, GlobalHandle(p));
  EXPECT_EQ(nullptr, GlobalFree(h));
}

TEST(GlobalMemory, MovableBlockHasAHandleAndALockCount) {
  HGLOBAL h = GlobalAlloc(GHND, 8);
  ASSERT_NE(nullptr, h);
  auto* p = static_cast<BYTE*>(GlobalLock(h));
  ASSERT_NE(nullptr, p);
  EXPECT_NE(static_cast<void*>(h), static_cast<void*>(p));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(0, p[i]);
  EXPECT_EQ(h, GlobalHandle(p));
  EXPECT_EQ(p, GlobalLock(h));
  EXPECT_EQ(2u, GlobalFlags(h) & GMEM_LOCKCOUNT);

  EXPECT_TRUE(GlobalUnlock(h));   // still locked once
  SetLastError(12345);
  EXPECT_FALSE(GlobalUnlock(h));  // now unlocked
  EXPECT_EQ(DWORD(NO_ERROR), GetLastError());
  EXPECT_FALSE(GlobalUnlock(h));  // was not locked
  EXPECT_EQ(DWORD(ERROR_NOT_LOCKED), GetLastError());
  EXPECT_EQ(0u, GlobalFlags(h) & GMEM_LOCKCOUNT);
  EXPECT_EQ(nullptr, GlobalFree(h));
}

TEST(GlobalMemory, ReAllocKeepsContentAndMovableHandle) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(h), "abcd", 4);
  GlobalUnlock(h);
  EXPECT_EQ(h, GlobalReAlloc(h, 4096, GMEM_ZEROINIT));
  EXPECT_EQ(SIZE_T(4096), GlobalSize(h));
  auto* p = static_cast<char*>(GlobalLock(h));
  EXPECT_EQ(0, std::memcmp(p, "abcd", 4));
  EXPECT_EQ(0, p[4]);
  EXPECT_EQ(0, p[4095]);
  GlobalUnlock(h);

  // Reallocated to 0 bytes, a movable block is discarded but its handle lives on.
  EXPECT_EQ(h, GlobalReAlloc(h, 0, GMEM_MOVEABLE));
  EXPECT_EQ(nullptr, GlobalLock(h));
  EXPECT_TRUE(GlobalFlags(h) & GMEM_DISCARDED);
  EXPECT_EQ(SIZE_T(0), GlobalSize(h));
  EXPECT_EQ(h, GlobalReAlloc(h, 3, GMEM_MOVEABLE));
  EXPECT_NE(nullptr, GlobalLock(h));
  GlobalUnlock(h);
  EXPECT_EQ(nullptr, GlobalFree(h));

  // A fixed block grows only when it may move; shrinking keeps it where it is.
  HGLOBAL f = GlobalAlloc(GMEM_FIXED, 8);
  EXPECT_EQ(f, GlobalReAlloc(f, 4, 0));
  EXPECT_EQ(SIZE_T(4), GlobalSize(f));
  EXPECT_EQ(nullptr, GlobalReAlloc(f, 1 << 20, 0));
  EXPECT_EQ(SIZE_T(4), GlobalSize(f));
  HGLOBAL g = GlobalReAlloc(f, 1 << 20, GMEM_MOVEABLE);
  ASSERT_NE(nullptr, g);
  EXPECT_EQ(g, GlobalLock(g));  // still a fixed block: handle and pointer are one
  EXPECT_EQ(nullptr, GlobalFree(g));
}

TEST(GlobalMemory, InvalidHandles) {
  int notABlock = 0;
  SetLastError(0);
  EXPECT_EQ(static_cast<HGLOBAL>(&notABlock), GlobalFree(&notABlock));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(nullptr, GlobalFree(nullptr));
  EXPECT_EQ(nullptr, GlobalLock(&notABlock));
  EXPECT_EQ(SIZE_T(0), GlobalSize(&notABlock));
  EXPECT_EQ(UINT(GMEM_INVALID_HANDLE), GlobalFlags(&notABlock));
  EXPECT_EQ(nullptr, GlobalHandle(&notABlock));

  // A block freed twice is caught, not freed again.
  HGLOBAL h = GlobalAlloc(GHND, 4);
  EXPECT_EQ(nullptr, GlobalFree(h));
  EXPECT_EQ(h, GlobalFree(h));

  // A fixed block of 0 bytes is still a block of its own.
  HGLOBAL z = GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_NE(nullptr, z);
  EXPECT_EQ(SIZE_T(0), GlobalSize(z));
  EXPECT_EQ(nullptr, GlobalFree(z));
}

}  // namespace
