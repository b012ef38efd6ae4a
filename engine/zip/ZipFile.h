// The archive file: the class library's file with the zip component's file interface.
#pragma once

#include "ZipAbstractFile.h"
#include "mfc/cfile.h"

class CZipFile : public CZipAbstractFile, public CFile {
 public:
  CZipFile();
  ~CZipFile() override;

  // Opens the file with the class library's open flags. A failure throws the file error
  // (CFileException) when bThrow is set and otherwise returns false.
  bool Open(LPCTSTR lpszFileName, UINT openFlags, bool bThrow) override;
  // Closes the file when it is open.
  void Close() override;
  // Closes the file when it is open, ignoring errors (after an exception).
  void Abort() override;
  void Flush() override;
  ULONGLONG GetPosition() const override;
  ULONGLONG Seek(LONGLONG lOff, int nFrom) override;
  ULONGLONG GetLength() const override;
  void SetLength(ULONGLONG nNewLen) override;
  CString GetFilePath() const override;
  UINT Read(void* lpBuf, UINT nCount) override;
  void Write(const void* lpBuf, UINT nCount) override;
  bool IsClosed() const override;

 private:
  CString m_szOpenName;  // the name the file was opened with
};
