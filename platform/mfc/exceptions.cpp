// The exception classes, their texts and the AfxThrow helpers.
#include "mfc/exceptions.h"

#include <cerrno>

#include "base/codepage.h"
#include "base/errors.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CResourceException, CSimpleException)
IMPLEMENT_DYNAMIC(CUserException, CSimpleException)
IMPLEMENT_DYNAMIC(CFileException, CException)

// ---- CException -------------------------------------------------------------------

CException::CException() : m_bAutoDelete(TRUE) {}

CException::CException(BOOL bAutoDelete) : m_bAutoDelete(bAutoDelete) {}

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  if (lpszError != nullptr && nMaxError > 0) lpszError[0] = 0;
  return FALSE;
}

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (lpszError == nullptr || nMaxError == 0) return FALSE;
  // Ask the wide form with room for every character, then convert and cut to fit.
  CStringW wide;
  BOOL ok = GetErrorMessage(wide.GetBuffer(int(nMaxError)), nMaxError + 1, pnHelpContext);
  wide.ReleaseBuffer();
  CStringA narrow(wide);
  int n = narrow.GetLength();
  if (UINT(n) > nMaxError - 1) n = int(nMaxError - 1);
  for (int i = 0; i < n; ++i) lpszError[i] = narrow[i];
  lpszError[n] = 0;
  return ok;
}

BOOL CException::CopyMessage(const CStringW& text, LPWSTR lpszError, UINT nMaxError) {
  if (lpszError == nullptr || nMaxError == 0) return FALSE;
  UINT n = UINT(text.GetLength());
  if (n > nMaxError - 1) n = nMaxError - 1;
  for (UINT i = 0; i < n; ++i) lpszError[i] = text[int(i)];
  lpszError[n] = 0;
  return TRUE;
}

// ---- the simple exceptions --------------------------------------------------------

CSimpleException::CSimpleException() = default;

CSimpleException::CSimpleException(BOOL bAutoDelete) : CException(bAutoDelete) {}

BOOL CSimpleException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  CStringW text = DefaultMessage();
  if (text.IsEmpty()) {
    if (lpszError != nullptr && nMaxError > 0) lpszError[0] = 0;
    return FALSE;
  }
  return CopyMessage(text, lpszError, nMaxError);
}

CStringW CSimpleException::DefaultMessage() const { return CStringW(); }
CStringW CMemoryException::DefaultMessage() const { return CStringW(u"Out of memory."); }
CStringW CNotSupportedException::DefaultMessage() const {
  return CStringW(u"An unsupported operation was attempted.");
}
CStringW CInvalidArgException::DefaultMessage() const { return CStringW(u"Encountered an improper argument."); }
CStringW CResourceException::DefaultMessage() const { return CStringW(u"A required resource was unavailable."); }

// ---- CFileException ---------------------------------------------------------------

CFileException::CFileException(int cause, LONG lOsError, LPCWSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

CFileException::CFileException(int cause, LONG lOsError, LPCSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

namespace {

struct OsErrorCause {
  LONG error;
  int cause;
};

// How the class library files Windows error codes under the causes.
const OsErrorCause kOsErrorCauses[] = {
    {NO_ERROR, CFileException::none},
    {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
    {ERROR_PATH_NOT_FOUND, CFileException::badPath},
    {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
    {ERROR_ACCESS_DENIED, CFileException::accessDenied},
    {ERROR_INVALID_HANDLE, CFileException::invalidFile},
    {ERROR_BAD_FORMAT, CFileException::invalidFile},
    {ERROR_INVALID_ACCESS, CFileException::accessDenied},
    {ERROR_INVALID_DRIVE, CFileException::badPath},
    {ERROR_CURRENT_DIRECTORY, CFileException::removeCurrentDir},
    {ERROR_NOT_SAME_DEVICE, CFileException::badPath},
    {ERROR_NO_MORE_FILES, CFileException::fileNotFound},
    {ERROR_WRITE_PROTECT, CFileException::accessDenied},
    {ERROR_BAD_UNIT, CFileException::hardIO},
    {ERROR_NOT_READY, CFileException::hardIO},
    {ERROR_BAD_COMMAND, CFileException::hardIO},
    {ERROR_CRC, CFileException::hardIO},
    {ERROR_BAD_LENGTH, CFileException::badSeek},
    {ERROR_SEEK, CFileException::badSeek},
    {ERROR_NOT_DOS_DISK, CFileException::invalidFile},
    {ERROR_SECTOR_NOT_FOUND, CFileException::badSeek},
    {ERROR_WRITE_FAULT, CFileException::accessDenied},
    {ERROR_READ_FAULT, CFileException::badSeek},
    {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
    {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
    {ERROR_WRONG_DISK, CFileException::badPath},
    {ERROR_SHARING_BUFFER_EXCEEDED, CFileException::tooManyOpenFiles},
    {ERROR_HANDLE_EOF, CFileException::endOfFile},
    {ERROR_HANDLE_DISK_FULL, CFileException::diskFull},
    {52, CFileException::badPath},  // duplicate name on the network
    {ERROR_BAD_NETPATH, CFileException::badPath},
    {ERROR_NETWORK_BUSY, CFileException::accessDenied},
    {ERROR_DEV_NOT_EXIST, CFileException::badPath},
    {57, CFileException::hardIO},         // network adapter hardware error
    {58, CFileException::accessDenied},   // bad network response
    {59, CFileException::hardIO},         // unexpected network error
    {60, CFileException::invalidFile},    // incompatible remote adapter
    {62, CFileException::directoryFull},  // no spool space
    {64, CFileException::accessDenied},   // network name deleted
    {ERROR_NETWORK_ACCESS_DENIED, CFileException::accessDenied},
    {66, CFileException::invalidFile},  // bad device type
    {ERROR_BAD_NET_NAME, CFileException::badPath},
    {68, CFileException::tooManyOpenFiles},  // too many names
    {70, CFileException::badPath},           // sharing paused
    {71, CFileException::accessDenied},      // request not accepted
    {ERROR_FILE_EXISTS, CFileException::accessDenied},
    {ERROR_CANNOT_MAKE, CFileException::accessDenied},
    {85, CFileException::badPath},       // already assigned
    {86, CFileException::accessDenied},  // invalid password
    {88, CFileException::hardIO},        // network write fault
    {107, CFileException::fileNotFound},  // disk change
    {ERROR_DRIVE_LOCKED, CFileException::lockViolation},
    {ERROR_BUFFER_OVERFLOW, CFileException::badPath},
    {ERROR_DISK_FULL, CFileException::diskFull},
    {113, CFileException::tooManyOpenFiles},  // no more search handles
    {114, CFileException::invalidFile},       // invalid target handle
    {117, CFileException::hardIO},            // invalid category
    {ERROR_INVALID_NAME, CFileException::badPath},
    {ERROR_INVALID_LEVEL, CFileException::badPath},
    {125, CFileException::badPath},  // no volume label
    {ERROR_NEGATIVE_SEEK, CFileException::badSeek},
    {ERROR_SEEK_ON_DEVICE, CFileException::badSeek},
    {144, CFileException::badPath},  // directory not root
    {ERROR_DIR_NOT_EMPTY, CFileException::removeCurrentDir},
    {154, CFileException::badPath},  // label too long
    {ERROR_BAD_PATHNAME, CFileException::badPath},
    {167, CFileException::lockViolation},  // lock failed
    {ERROR_BUSY, CFileException::accessDenied},
    {182, CFileException::invalidFile},  // invalid ordinal
    {ERROR_ALREADY_EXISTS, CFileException::accessDenied},
    {191, CFileException::invalidFile},  // invalid executable signature
    {ERROR_BAD_EXE_FORMAT, CFileException::invalidFile},
    {ERROR_FILENAME_EXCED_RANGE, CFileException::badPath},
    {208, CFileException::badPath},  // wildcard expansion too long
    {ERROR_DIRECTORY, CFileException::badPath},
    {995, CFileException::hardIO},  // operation aborted
    {996, CFileException::hardIO},  // I/O incomplete
    {997, CFileException::hardIO},  // I/O pending
    {999, CFileException::accessDenied},  // swap error
};

// The texts of the causes; %1 stands for the file's name.
const char16_t* const kCauseTexts[] = {
    u"No error occurred.",
    u"An unknown error occurred while accessing %1.",
    u"%1 was not found.",
    u"%1 contains an invalid path.",
    u"%1 could not be opened because there are too many open files.",
    u"Access to %1 was denied.",
    u"An incorrect file handle was associated with %1.",
    u"%1 could not be removed because it is the current directory.",
    u"%1 could not be created because the directory is full.",
    u"Seek failed on %1",
    u"A hardware I/O error was reported while accessing %1.",
    u"A sharing violation occurred while accessing %1.",
    u"A locking violation occurred while accessing %1.",
    u"Disk full while accessing %1.",
    u"An attempt was made to access %1 past its end.",
};

}  // namespace

int PASCAL CFileException::OsErrorToException(LONG lOsError) {
  for (const OsErrorCause& e : kOsErrorCauses) {
    if (e.error == lOsError) return e.cause;
  }
  return genericException;
}

int PASCAL CFileException::ErrnoToException(int nErrno) {
  switch (nErrno) {
    case EPERM:
    case EACCES:
    case EROFS:
    case EEXIST:
      return accessDenied;
    case EBADF:
      return invalidFile;
    case EDEADLK:
      return sharingViolation;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return badPath;
    case ENOSPC:
    case EDQUOT:
      return diskFull;
    case ESPIPE:
      return badSeek;
    case EINVAL:
    case EIO:
      return hardIO;
    default:
      return genericException;
  }
}

void PASCAL CFileException::ThrowOsError(LONG lOsError, LPCWSTR lpszFileName) {
  if (lOsError != 0) AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void PASCAL CFileException::ThrowOsError(LONG lOsError, LPCSTR lpszFileName) {
  if (lOsError != 0) AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

void PASCAL CFileException::ThrowErrno(int nErrno, LPCWSTR lpszFileName) {
  if (nErrno != 0) AfxThrowFileException(ErrnoToException(nErrno), nErrno, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  int cause = (m_cause >= none && m_cause <= endOfFile) ? m_cause : genericException;
  CStringW text(kCauseTexts[cause]);
  text.Replace(u"%1", m_strFileName.IsEmpty() ? u"an unnamed file" : m_strFileName.GetString());
  return CopyMessage(text, lpszError, nMaxError);
}

// ---- throwing ---------------------------------------------------------------------

void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCWSTR lpszFileName) {
  throw new CFileException(cause, lOsError, lpszFileName);
}

void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCSTR lpszFileName) {
  throw new CFileException(cause, lOsError, lpszFileName);
}

void AFXAPI AfxThrowMemoryException() {
  static CMemoryException outOfMemory(FALSE);
  throw &outOfMemory;
}

void AFXAPI AfxThrowNotSupportedException() { throw new CNotSupportedException; }

void AFXAPI AfxThrowInvalidArgException() { throw new CInvalidArgException; }

void AFXAPI AfxThrowResourceException() { throw new CResourceException; }

void AFXAPI AfxThrowUserException() { throw new CUserException; }
