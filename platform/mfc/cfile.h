// The class library's files: CFile over a kernel file handle (CreateFile and its companions)
// and CStdioFile over a run-time stream (text mode unless typeBinary). Failures throw
// CFileException pointers, as the class library does; Open reports them through its error
// object instead. Every call that takes a name has a UTF-16 and a Windows-1252 form.
#pragma once

#include <cstdio>

#include "base/types.h"
#include "mfc/cstring.h"
#include "mfc/exceptions.h"
#include "mfc/object.h"

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)

 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,    // CStdioFile only
    typeBinary = 0x8000,  // CStdioFile only
  };
  enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

  static const HANDLE hFileNull;  // the handle of a closed file

  CFile();
  explicit CFile(HANDLE hFile);  // uses an open handle; the caller keeps it (not closed on destruction)
  // Open or throw the CFileException* of the failure.
  CFile(LPCWSTR lpszFileName, UINT nOpenFlags);
  CFile(LPCSTR lpszFileName, UINT nOpenFlags);
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  ~CFile() override;  // closes an open file, never throws

  // Opens the file (closing nothing: the object must be closed). On failure FALSE, and the
  // error object, when given, holds the cause, the system error code and the name.
  // modeCreate makes the file anew (truncated) unless modeNoTruncate; without modeCreate the
  // file must exist. Share modes are accepted and have no effect here.
  virtual BOOL Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
  virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

  // The bytes read; 0 at the end of the file.
  virtual UINT Read(void* lpBuf, UINT nCount);
  // Writes all bytes; a short write throws diskFull.
  virtual void Write(const void* lpBuf, UINT nCount);
  // Returns the new position.
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetLength() const;
  // Cuts or extends the file; the position is left at the new length.
  virtual void SetLength(ULONGLONG dwNewLen);
  virtual ULONGLONG GetPosition() const;
  virtual void Flush();
  // Closes the file; a failure throws (after the object is closed all the same).
  virtual void Close();
  // Closes the file without ever throwing.
  virtual void Abort();

  // The name (last component), the full path and the name without extension of the open file.
  virtual CStringW GetFileName() const;
  virtual CStringW GetFilePath() const;
  virtual CStringW GetFileTitle() const;
  CStringA GetFileNameA() const { return CStringA(GetFileName()); }
  CStringA GetFilePathA() const { return CStringA(GetFilePath()); }
  CStringA GetFileTitleA() const { return CStringA(GetFileTitle()); }
  virtual void SetFilePath(LPCWSTR lpszNewName);
  void SetFilePath(LPCSTR lpszNewName);

  // Remove and rename a file by name; failures throw.
  static void PASCAL Rename(LPCWSTR lpszOldName, LPCWSTR lpszNewName);
  static void PASCAL Rename(LPCSTR lpszOldName, LPCSTR lpszNewName);
  static void PASCAL Remove(LPCWSTR lpszFileName);
  static void PASCAL Remove(LPCSTR lpszFileName);

  operator HANDLE() const { return m_hFile; }

  HANDLE m_hFile;

 protected:
  BOOL m_bCloseOnDelete;
  CStringW m_strFileName;  // full path of the open file
};

class CStdioFile : public CFile {
  DECLARE_DYNAMIC(CStdioFile)

 public:
  CStdioFile();
  explicit CStdioFile(FILE* pOpenStream);  // uses the stream; it is closed with the object
  CStdioFile(LPCWSTR lpszFileName, UINT nOpenFlags);
  CStdioFile(LPCSTR lpszFileName, UINT nOpenFlags);
  ~CStdioFile() override;

  // Modes: modeCreate without modeNoTruncate makes the file anew; with modeNoTruncate, or
  // modeWrite without modeCreate, writes go to the end of the file; modeRead needs the file.
  // Text mode (CR LF as LF) unless typeBinary. Text is 8-bit Windows-1252 in the file; the
  // wide calls convert.
  BOOL Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
  BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;

  // One line without its line end; FALSE at the end of the file when nothing was read.
  virtual BOOL ReadString(CStringW& rString);
  virtual BOOL ReadString(CStringA& rString);
  // At most nMax-1 characters up to and including a line end, NUL-terminated; NULL at the end.
  virtual LPWSTR ReadString(LPWSTR lpsz, UINT nMax);
  virtual LPSTR ReadString(LPSTR lpsz, UINT nMax);
  virtual void WriteString(LPCWSTR lpsz);
  virtual void WriteString(LPCSTR lpsz);

  UINT Read(void* lpBuf, UINT nCount) override;
  void Write(const void* lpBuf, UINT nCount) override;
  ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
  ULONGLONG GetLength() const override;
  void SetLength(ULONGLONG dwNewLen) override;  // not offered for streams: throws CNotSupportedException
  ULONGLONG GetPosition() const override;
  void Flush() override;
  void Close() override;
  void Abort() override;

  FILE* m_pStream;

 private:
  BOOL OpenStream(FILE* stream, DWORD error, const CStringW& name, CFileException* pError);
  [[noreturn]] void ThrowStreamError(int err) const;
};
