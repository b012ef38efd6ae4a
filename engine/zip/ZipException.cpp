#include "ZipException.h"

#include <zlib.h>

#include <cerrno>

#include "base/errors.h"
#include "base/wstr.h"

namespace {

struct CodeText {
  int code;
  const char16_t* text;
};

// The fixed texts: the run-time library's error numbers the component may meet, then its own.
const CodeText kTexts[] = {
    {1, u"Not super-user"},
    {2, u"No such file or directory"},
    {4, u"Interrupted system call"},
    {5, u"I/O error"},
    {6, u"No such device or address"},
    {9, u"Bad file number"},
    {12, u"Not enough space"},
    {13, u"Permission denied"},
    {14, u"Bad address"},
    {17, u"File exists"},
    {18, u"Cross-device link"},
    {19, u"No such device"},
    {20, u"Not a directory"},
    {21, u"Is a directory"},
    {22, u"Invalid argument"},
    {23, u"File table overflow"},
    {24, u"Too many open files"},
    {27, u"File too large"},
    {28, u"No space left on device"},
    {29, u"Illegal seek"},
    {30, u"Read-only file system"},
    {CZipException::badZipFile, u"Damaged or not a zip file"},
    {CZipException::badCrc, u"Crc mismatched"},
    {CZipException::noCallback, u"No disk-spanning callback functor set"},
    {CZipException::aborted, u"Disk change aborted"},
    {CZipException::abortedAction, u"Action aborted"},
    {CZipException::abortedSafely, u"Action aborted safely"},
    {CZipException::nonRemovable, u"The device selected for the disk spanning archive is non removable"},
    {CZipException::tooManyVolumes, u"Limit of the maximum volumes reached (999)"},
    {CZipException::tooLongFileName, u"The filename of the file being added to the archive is too long"},
    {CZipException::badPassword, u"Incorrect password set for the file being decrypted"},
    {CZipException::dirWithSize, u"During testing found the directory with the size greater than 0"},
    {CZipException::internal, u"Internal error"},
    {CZipException::platfNotSupp, u"Cannot create the file for the specified platform"},
    {CZipException::cdirNotFound,
     u"The central directory was not found in the archive (or you were trying to open not the last "
     u"disk of a multi-disk archive)"},
    {CZipException::streamEnd, u"Zlib Library error (end of stream)"},
    {CZipException::streamError, u"Zlib library error (stream error)"},
    {CZipException::dataError, u"Zlib library error (data error)"},
    {CZipException::memError, u"Not enough memory"},
    {CZipException::bufError, u"Zlib library error (buffer error)"},
    {CZipException::versionError, u"Zlib library error (version error)"},
};

}  // namespace

IMPLEMENT_DYNAMIC(CZipException, CException)

CZipException::CZipException(int iCause, LPCTSTR lpszZipName)
    : m_szFileName(lpszZipName ? lpszZipName : u""), m_iCause(iCause) {}

CZipException::~CZipException() = default;

void CZipException::Throw(int iZipError, LPCTSTR lpszZipName) {
  throw new CZipException(iZipError, lpszZipName);
}

void CZipException::Throw(int iZipError, LPCTSTR lpszZipName, LPCTSTR lpszDetail) {
  auto* e = new CZipException(iZipError, lpszZipName);
  if (lpszDetail) e->m_szDetail = lpszDetail;
  throw e;
}

int CZipException::ZlibErrToZip(int iZlibError) {
  switch (iZlibError) {
    case Z_STREAM_END:
      return streamEnd;
    case Z_NEED_DICT:
      return needDict;
    case Z_ERRNO:
      return errNo;
    case Z_STREAM_ERROR:
      return streamError;
    case Z_DATA_ERROR:
      return dataError;
    case Z_MEM_ERROR:
      return memError;
    case Z_BUF_ERROR:
      return bufError;
    case Z_VERSION_ERROR:
      return versionError;
    default:
      return generic;
  }
}

BOOL CZipException::GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext) {
  if (pnHelpContext) *pnHelpContext = 0;
  if (!lpszError || nMaxError == 0) return FALSE;
  const CString description = GetErrorDescription();
  if (description.IsEmpty()) return FALSE;
  UINT count = static_cast<UINT>(description.GetLength());
  if (count > nMaxError - 1) count = nMaxError - 1;
  const WCHAR* text = description;
  for (UINT i = 0; i < count; ++i) lpszError[i] = text[i];
  lpszError[count] = 0;
  return TRUE;
}

CString CZipException::GetErrorDescription() {
  CString text = GetInternalErrorDescription(m_iCause);
  if (!m_szDetail.IsEmpty()) text += u": " + m_szDetail;
  return text;
}

CString CZipException::GetInternalErrorDescription(int iCause, bool bNoLoop) {
  for (const CodeText& entry : kTexts) {
    if (entry.code == iCause) return CString(entry.text);
  }
  switch (iCause) {
    case notRemoved:
    case notRenamed: {
      CString text(iCause == notRemoved ? u"Error while removing a file" : u"Error while renaming a file");
      const CString system = GetSystemErrorDescription();
      return text + u" (" + system + u")";
    }
    case errNo: {
      const int number = errno;
      return GetInternalErrorDescription(number != errNo ? number : generic, true);
    }
    default:
      break;
  }
  if (bNoLoop) return CString(u"Unknown error");
  return GetSystemErrorDescription();
}

CString CZipException::GetSystemErrorDescription() {
  const DWORD error = GetLastError();
  if (error != 0) {
    LPWSTR buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (length != 0 && buffer) {
      CString text(buffer, static_cast<int>(length));
      LocalFree(buffer);
      return text;
    }
    if (buffer) LocalFree(buffer);
  }
  const int number = errno;
  return GetInternalErrorDescription(number != 0 ? number : generic, true);
}
