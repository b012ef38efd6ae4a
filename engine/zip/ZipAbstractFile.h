// The file interface the zip storage reads archives through.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"

class CZipAbstractFile {
 public:
  enum { begin = 0, current = 1, end = 2 };

  CZipAbstractFile() = default;
  CZipAbstractFile(const CZipAbstractFile&) = delete;
  CZipAbstractFile& operator=(const CZipAbstractFile&) = delete;

  virtual bool Open(LPCTSTR /*lpszFileName*/, UINT /*openFlags*/, bool /*bThrow*/) { return true; }
  virtual void Close() = 0;
  virtual void Flush() = 0;
  virtual ULONGLONG GetPosition() const = 0;
  // Moves to lOff bytes from the start (0), the current position (1) or the end (2); returns
  // the new position.
  virtual ULONGLONG Seek(LONGLONG lOff, int nFrom) = 0;
  virtual ULONGLONG GetLength() const = 0;
  virtual void SetLength(ULONGLONG nNewLen) = 0;
  virtual ULONGLONG SeekToBegin() { return Seek(0, begin); }
  virtual ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual CString GetFilePath() const = 0;
  // The number of bytes read; 0 at the end of the file.
  virtual UINT Read(void* lpBuf, UINT nCount) = 0;
  virtual void Write(const void* lpBuf, UINT nCount) = 0;
  virtual bool IsClosed() const = 0;
  virtual ~CZipAbstractFile() = default;
};
