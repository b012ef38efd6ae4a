// A byte block that owns its memory: allocated, reallocated and freed with the object.
#pragma once

#include "base/types.h"

class CZipAutoBuffer {
 public:
  CZipAutoBuffer();
  explicit CZipAutoBuffer(DWORD iSize, bool bZeroMemory = false);
  CZipAutoBuffer(const CZipAutoBuffer& buffer);
  CZipAutoBuffer& operator=(const CZipAutoBuffer& buffer);
  ~CZipAutoBuffer();

  // Gives the buffer iSize bytes. The same size as now keeps the block (zeroed when asked);
  // another size frees the old block and allocates a new one (none for 0). Returns the block.
  char* Allocate(DWORD iSize, bool bZeroMemory = false);
  // Frees the block; the size becomes 0.
  void Release();

  DWORD GetSize() const { return m_iSize; }
  bool IsAllocated() const { return m_pBuffer != nullptr; }
  char* GetBuffer() const { return m_pBuffer; }
  operator char*() const { return m_pBuffer; }

 private:
  char* m_pBuffer;
  DWORD m_iSize;
};
