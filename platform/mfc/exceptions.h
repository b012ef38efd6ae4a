// The class library's exceptions. They are thrown as pointers to heap objects,
//   throw new CFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, path);
// caught as `catch (CException* e)`, and disposed of with e->Delete().
#pragma once

#include <cstddef>

#include "base/types.h"
#include "mfc/cstring.h"
#include "mfc/object.h"

class CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  // bAutoDelete: Delete() frees the object (heap exceptions); FALSE for static or stack ones.
  CException();
  explicit CException(BOOL bAutoDelete);
  ~CException() override = default;

  // Deletes the exception when it was made with auto-delete (the default).
  void Delete();

  // Copies the exception's text into the buffer (at most nMaxError - 1 characters and a NUL).
  // FALSE when there is no text (the buffer then holds an empty string). Classes that override
  // the wide form get the 8-bit one for free: it converts through the ANSI code page (a
  // derived class that overrides the wide form brings the 8-bit one back into its scope with
  // `using CException::GetErrorMessage;`).
  virtual BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr);
  virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr);

  BOOL m_bAutoDelete;

 protected:
  // Copies text into a caller's buffer, cut to fit; FALSE for a NULL buffer or no room.
  static BOOL CopyMessage(const CStringW& text, LPWSTR lpszError, UINT nMaxError);
};

// An exception whose text is fixed: a message of its own or a built-in default.
class CSimpleException : public CException {
  DECLARE_DYNAMIC(CSimpleException)

 public:
  CSimpleException();
  explicit CSimpleException(BOOL bAutoDelete);
  using CException::GetErrorMessage;
  BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

 protected:
  // The text of the exception; empty means none.
  virtual CStringW DefaultMessage() const;
};

class CMemoryException : public CSimpleException {
  DECLARE_DYNAMIC(CMemoryException)

 public:
  CMemoryException() = default;
  explicit CMemoryException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}

 protected:
  CStringW DefaultMessage() const override;  // "Out of memory."
};

class CNotSupportedException : public CSimpleException {
  DECLARE_DYNAMIC(CNotSupportedException)

 public:
  CNotSupportedException() = default;
  explicit CNotSupportedException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}

 protected:
  CStringW DefaultMessage() const override;  // "An unsupported operation was attempted."
};

class CInvalidArgException : public CSimpleException {
  DECLARE_DYNAMIC(CInvalidArgException)

 public:
  CInvalidArgException() = default;
  explicit CInvalidArgException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}

 protected:
  CStringW DefaultMessage() const override;  // "Encountered an improper argument."
};

class CResourceException : public CSimpleException {
  DECLARE_DYNAMIC(CResourceException)

 public:
  CResourceException() = default;
  explicit CResourceException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}

 protected:
  CStringW DefaultMessage() const override;  // "A required resource was unavailable."
};

// Thrown to stop an operation after the user has been told why (dialog data validation); it
// has no text of its own.
class CUserException : public CSimpleException {
  DECLARE_DYNAMIC(CUserException)

 public:
  CUserException() = default;
  explicit CUserException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)

 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  explicit CFileException(int cause = none, LONG lOsError = -1, LPCWSTR lpszFileName = nullptr);
  CFileException(int cause, LONG lOsError, LPCSTR lpszFileName);
  CFileException(int cause, LONG lOsError, std::nullptr_t) : CFileException(cause, lOsError, LPCWSTR(nullptr)) {}

  // The cause for a Windows error code (GetLastError), or for a C run-time errno value.
  static int PASCAL OsErrorToException(LONG lOsError);
  static int PASCAL ErrnoToException(int nErrno);
  // Throws a CFileException for the error unless it is 0.
  static void PASCAL ThrowOsError(LONG lOsError, LPCWSTR lpszFileName = nullptr);
  static void PASCAL ThrowOsError(LONG lOsError, LPCSTR lpszFileName);
  static void PASCAL ThrowOsError(LONG lOsError, std::nullptr_t) { ThrowOsError(lOsError, LPCWSTR(nullptr)); }
  static void PASCAL ThrowErrno(int nErrno, LPCWSTR lpszFileName = nullptr);

  // The cause's text naming the file, e.g. "C:\x.txt was not found."; a file without a name
  // is called "an unnamed file".
  using CException::GetErrorMessage;
  BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

  int m_cause;
  LONG m_lOsError;
  CStringW m_strFileName;
};

[[noreturn]] void AFXAPI AfxThrowFileException(int cause, LONG lOsError = -1, LPCWSTR lpszFileName = nullptr);
[[noreturn]] void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCSTR lpszFileName);
[[noreturn]] inline void AFXAPI AfxThrowFileException(int cause, LONG lOsError, std::nullptr_t) {
  AfxThrowFileException(cause, lOsError, LPCWSTR(nullptr));
}
// Out of memory: throws one static exception (Delete() leaves it alone), so that no memory is
// needed to report the lack of it.
[[noreturn]] void AFXAPI AfxThrowMemoryException();
[[noreturn]] void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] void AFXAPI AfxThrowInvalidArgException();
[[noreturn]] void AFXAPI AfxThrowResourceException();
[[noreturn]] void AFXAPI AfxThrowUserException();
