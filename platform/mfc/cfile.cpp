// CFile over kernel file handles and CStdioFile over run-time streams.
#include "mfc/cfile.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "fs/handles.h"
#include "fs/path.h"

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CStdioFile, CFile)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

// Throws the file error for a system error code (a generic one when the code is 0).
[[noreturn]] void ThrowOs(DWORD error, const CStringW& name) {
  const int cause = error ? CFileException::OsErrorToException(LONG(error)) : CFileException::genericException;
  AfxThrowFileException(cause, LONG(error), name.GetString());
}

// The full path of a name, spelt as on disk where it exists.
CStringW FullPathOf(LPCWSTR name) {
  std::u16string full = nux::fs::FullPath(name ? name : u"");
  if (full.empty()) return CStringW(name ? name : u"");
  WCHAR longName[MAX_PATH * 4];
  const DWORD n = GetLongPathNameW(full.c_str(), longName, DWORD(std::size(longName)));
  if (n > 0 && n < std::size(longName)) return CStringW(longName);
  return CStringW(full);
}

void FillError(CFileException* pError, DWORD error, LPCWSTR name) {
  if (!pError) return;
  pError->m_cause = error ? CFileException::OsErrorToException(LONG(error)) : CFileException::genericException;
  pError->m_lOsError = LONG(error);
  pError->m_strFileName = name ? name : u"";
}

// What a CStdioFile's handle stands for: the object is open while its stream is.
struct StreamHandle : nux::KernelObject {};

HANDLE NewStreamHandle() { return nux::RegisterHandle(std::make_shared<StreamHandle>()); }

}  // namespace

// ---- CFile ----------------------------------------------------------------------

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCWSTR lpszFileName, UINT nOpenFlags) : CFile() {
  CFileException error;
  if (!Open(lpszFileName, nOpenFlags, &error)) {
    AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName.GetString());
  }
}

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags)
    : CFile(lpszFileName ? nux::AnsiToWide(lpszFileName).c_str() : nullptr, nOpenFlags) {}

CFile::~CFile() {
  if (m_hFile != hFileNull && m_bCloseOnDelete) CFile::Abort();
}

BOOL CFile::Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  if (m_hFile != hFileNull) Abort();  // reopening must not leak the old handle
  if (pError) {
    pError->m_cause = CFileException::none;
    pError->m_lOsError = 0;
    pError->m_strFileName.Empty();
  }
  DWORD access = GENERIC_READ;
  switch (nOpenFlags & 3) {
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
  }
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (nOpenFlags & 0x70) {
    case shareExclusive: share = 0; break;
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    default: break;
  }
  DWORD creation = OPEN_EXISTING;
  if (nOpenFlags & modeCreate) creation = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

  HANDLE h = CreateFileW(lpszFileName, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    FillError(pError, GetLastError(), lpszFileName);
    return FALSE;
  }
  m_hFile = h;
  m_bCloseOnDelete = TRUE;
  m_strFileName = FullPathOf(lpszFileName);
  return TRUE;
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  const std::u16string name = lpszFileName ? nux::AnsiToWide(lpszFileName) : std::u16string();
  return CFile::Open(lpszFileName ? name.c_str() : nullptr, nOpenFlags, pError);
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
  if (nCount == 0) return 0;
  DWORD read = 0;
  if (!ReadFile(m_hFile, lpBuf, nCount, &read, nullptr)) ThrowOs(GetLastError(), m_strFileName);
  return read;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0) return;
  DWORD written = 0;
  if (!WriteFile(m_hFile, lpBuf, nCount, &written, nullptr)) ThrowOs(GetLastError(), m_strFileName);
  if (written != nCount) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName.GetString());
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  LARGE_INTEGER distance, position;
  distance.QuadPart = lOff;
  if (!SetFilePointerEx(m_hFile, distance, &position, nFrom)) ThrowOs(GetLastError(), m_strFileName);
  return ULONGLONG(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_hFile, &size)) ThrowOs(GetLastError(), m_strFileName);
  return ULONGLONG(size.QuadPart);
}

void CFile::SetLength(ULONGLONG dwNewLen) {
  Seek(LONGLONG(dwNewLen), begin);
  if (!SetEndOfFile(m_hFile)) ThrowOs(GetLastError(), m_strFileName);
}

ULONGLONG CFile::GetPosition() const {
  LARGE_INTEGER distance, position;
  distance.QuadPart = 0;
  if (!SetFilePointerEx(m_hFile, distance, &position, FILE_CURRENT)) ThrowOs(GetLastError(), m_strFileName);
  return ULONGLONG(position.QuadPart);
}

void CFile::Flush() {
  if (m_hFile == hFileNull) return;
  if (!FlushFileBuffers(m_hFile)) ThrowOs(GetLastError(), m_strFileName);
}

void CFile::Close() {
  bool failed = false;
  DWORD error = 0;
  if (m_hFile != hFileNull) {
    failed = !CloseHandle(m_hFile);
    error = GetLastError();
  }
  const CStringW name = m_strFileName;
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();
  if (failed) ThrowOs(error, name);
}

void CFile::Abort() {
  if (m_hFile != hFileNull) CloseHandle(m_hFile);
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();
}

CStringW CFile::GetFileName() const {
  const int slash = std::max(m_strFileName.ReverseFind(u'\\'), m_strFileName.ReverseFind(u'/'));
  return m_strFileName.Mid(slash + 1);
}

CStringW CFile::GetFilePath() const { return m_strFileName; }

CStringW CFile::GetFileTitle() const {
  const CStringW name = GetFileName();
  const int dot = name.ReverseFind(u'.');
  return dot < 0 ? name : name.Left(dot);
}

void CFile::SetFilePath(LPCWSTR lpszNewName) { m_strFileName = FullPathOf(lpszNewName); }

void CFile::SetFilePath(LPCSTR lpszNewName) {
  SetFilePath(lpszNewName ? nux::AnsiToWide(lpszNewName).c_str() : nullptr);
}

void PASCAL CFile::Rename(LPCWSTR lpszOldName, LPCWSTR lpszNewName) {
  if (!MoveFileW(lpszOldName, lpszNewName)) ThrowOs(GetLastError(), CStringW(lpszOldName ? lpszOldName : u""));
}

void PASCAL CFile::Rename(LPCSTR lpszOldName, LPCSTR lpszNewName) {
  if (!MoveFileA(lpszOldName, lpszNewName)) ThrowOs(GetLastError(), CStringW(lpszOldName ? lpszOldName : ""));
}

void PASCAL CFile::Remove(LPCWSTR lpszFileName) {
  if (!DeleteFileW(lpszFileName)) ThrowOs(GetLastError(), CStringW(lpszFileName ? lpszFileName : u""));
}

void PASCAL CFile::Remove(LPCSTR lpszFileName) {
  if (!DeleteFileA(lpszFileName)) ThrowOs(GetLastError(), CStringW(lpszFileName ? lpszFileName : ""));
}

// ---- CStdioFile -----------------------------------------------------------------

CStdioFile::CStdioFile() : m_pStream(nullptr) {}

CStdioFile::CStdioFile(FILE* pOpenStream) : m_pStream(pOpenStream) {
  if (m_pStream) {
    m_hFile = NewStreamHandle();
    m_bCloseOnDelete = TRUE;
  }
}

CStdioFile::CStdioFile(LPCWSTR lpszFileName, UINT nOpenFlags) : m_pStream(nullptr) {
  CFileException error;
  if (!Open(lpszFileName, nOpenFlags, &error)) {
    AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName.GetString());
  }
}

CStdioFile::CStdioFile(LPCSTR lpszFileName, UINT nOpenFlags)
    : CStdioFile(lpszFileName ? nux::AnsiToWide(lpszFileName).c_str() : nullptr, nOpenFlags) {}

CStdioFile::~CStdioFile() {
  if (m_pStream && m_bCloseOnDelete) CStdioFile::Abort();
}

BOOL CStdioFile::OpenStream(FILE* stream, DWORD error, const CStringW& name, CFileException* pError) {
  if (!stream) {
    FillError(pError, error, name.GetString());
    return FALSE;
  }
  m_pStream = stream;
  m_hFile = NewStreamHandle();
  m_bCloseOnDelete = TRUE;
  m_strFileName = FullPathOf(name.GetString());
  return TRUE;
}

BOOL CStdioFile::Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  if (m_pStream || m_hFile != hFileNull) Abort();
  if (pError) {
    pError->m_cause = CFileException::none;
    pError->m_lOsError = 0;
    pError->m_strFileName.Empty();
  }
  const bool create = nOpenFlags & modeCreate;
  const bool keep = nOpenFlags & modeNoTruncate;
  const bool write = nOpenFlags & modeWrite;
  const bool readWrite = nOpenFlags & modeReadWrite;
  std::u16string mode;
  if (create && !keep) {
    mode = write ? u"w" : u"w+";
  } else if (create || write) {
    mode = (create && !write) ? u"a+" : u"a";  // the existing text stays; writes go to its end
  } else {
    mode = readWrite ? u"r+" : u"r";
  }
  mode += (nOpenFlags & typeBinary) ? u'b' : u't';
  FILE* stream = lpszFileName ? _wfopen(lpszFileName, mode.c_str()) : nullptr;
  const DWORD error = stream ? 0 : (lpszFileName ? GetLastError() : DWORD(ERROR_PATH_NOT_FOUND));
  return OpenStream(stream, error, CStringW(lpszFileName ? lpszFileName : u""), pError);
}

BOOL CStdioFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  const std::u16string name = lpszFileName ? nux::AnsiToWide(lpszFileName) : std::u16string();
  return CStdioFile::Open(lpszFileName ? name.c_str() : nullptr, nOpenFlags, pError);
}

void CStdioFile::ThrowStreamError(int err) const {
  AfxThrowFileException(err ? CFileException::ErrnoToException(err) : CFileException::genericException, err,
                        m_strFileName.GetString());
}

// Reads one line of bytes (the line end kept); false when nothing was left to read.
static bool ReadLine(FILE* stream, std::string& line, size_t limit) {
  line.clear();
  while (line.size() < limit) {
    const int c = std::getc(stream);
    if (c == EOF) break;
    line += char(c);
    if (c == '\n') break;
  }
  return !line.empty();
}

BOOL CStdioFile::ReadString(CStringA& rString) {
  if (!m_pStream) ThrowStreamError(EBADF);
  std::string line;
  if (!ReadLine(m_pStream, line, std::string::npos)) {
    if (std::ferror(m_pStream)) ThrowStreamError(errno);
    rString.Empty();
    return FALSE;
  }
  if (line.back() == '\n') line.pop_back();
  rString = CStringA(line.data(), int(line.size()));
  return TRUE;
}

BOOL CStdioFile::ReadString(CStringW& rString) {
  CStringA bytes;
  const BOOL ok = ReadString(bytes);
  rString = CStringW(nux::AnsiToWide(std::string_view(bytes.GetString(), size_t(bytes.GetLength()))));
  return ok;
}

LPSTR CStdioFile::ReadString(LPSTR lpsz, UINT nMax) {
  if (!m_pStream) ThrowStreamError(EBADF);
  if (!lpsz || nMax == 0) AfxThrowInvalidArgException();
  std::string line;
  if (!ReadLine(m_pStream, line, nMax - 1)) {
    if (std::ferror(m_pStream)) ThrowStreamError(errno);
    return nullptr;
  }
  std::memcpy(lpsz, line.data(), line.size());
  lpsz[line.size()] = 0;
  return lpsz;
}

LPWSTR CStdioFile::ReadString(LPWSTR lpsz, UINT nMax) {
  if (!m_pStream) ThrowStreamError(EBADF);
  if (!lpsz || nMax == 0) AfxThrowInvalidArgException();
  std::string line;
  if (!ReadLine(m_pStream, line, nMax - 1)) {
    if (std::ferror(m_pStream)) ThrowStreamError(errno);
    return nullptr;
  }
  std::u16string wide = nux::AnsiToWide(line);  // one character per byte
  wide.resize(std::min<size_t>(wide.size(), nMax - 1));
  std::copy(wide.begin(), wide.end(), lpsz);
  lpsz[wide.size()] = 0;
  return lpsz;
}

void CStdioFile::WriteString(LPCSTR lpsz) {
  if (!lpsz) AfxThrowInvalidArgException();
  if (!m_pStream) ThrowStreamError(EBADF);
  if (std::fputs(lpsz, m_pStream) == EOF) ThrowStreamError(errno);
}

void CStdioFile::WriteString(LPCWSTR lpsz) {
  if (!lpsz) AfxThrowInvalidArgException();
  WriteString(nux::WideToAnsi(lpsz).c_str());
}

UINT CStdioFile::Read(void* lpBuf, UINT nCount) {
  if (!m_pStream) ThrowStreamError(EBADF);
  if (nCount == 0) return 0;
  const size_t n = std::fread(lpBuf, 1, nCount, m_pStream);
  if (n < nCount && std::ferror(m_pStream)) ThrowStreamError(errno);
  return UINT(n);
}

void CStdioFile::Write(const void* lpBuf, UINT nCount) {
  if (!m_pStream) ThrowStreamError(EBADF);
  if (nCount && std::fwrite(lpBuf, 1, nCount, m_pStream) != nCount) ThrowStreamError(errno);
}

ULONGLONG CStdioFile::Seek(LONGLONG lOff, UINT nFrom) {
  if (!m_pStream) ThrowStreamError(EBADF);
  const int whence = nFrom == begin ? SEEK_SET : nFrom == current ? SEEK_CUR : SEEK_END;
  if (nFrom > end) AfxThrowInvalidArgException();
  if (::fseeko(m_pStream, off_t(lOff), whence) != 0) ThrowStreamError(errno);
  const off_t position = ::ftello(m_pStream);
  if (position < 0) ThrowStreamError(errno);
  return ULONGLONG(position);
}

ULONGLONG CStdioFile::GetLength() const {
  if (!m_pStream) ThrowStreamError(EBADF);
  const off_t position = ::ftello(m_pStream);
  if (position < 0 || ::fseeko(m_pStream, 0, SEEK_END) != 0) ThrowStreamError(errno);
  const off_t length = ::ftello(m_pStream);
  if (length < 0 || ::fseeko(m_pStream, position, SEEK_SET) != 0) ThrowStreamError(errno);
  return ULONGLONG(length);
}

void CStdioFile::SetLength(ULONGLONG) { AfxThrowNotSupportedException(); }

ULONGLONG CStdioFile::GetPosition() const {
  if (!m_pStream) ThrowStreamError(EBADF);
  const off_t position = ::ftello(m_pStream);
  if (position < 0) ThrowStreamError(errno);
  return ULONGLONG(position);
}

void CStdioFile::Flush() {
  if (m_pStream && std::fflush(m_pStream) != 0) ThrowStreamError(errno);
}

void CStdioFile::Close() {
  int result = 0;
  int err = 0;
  if (m_pStream) {
    result = std::fclose(m_pStream);
    err = errno;
  }
  if (m_hFile != hFileNull) CloseHandle(m_hFile);
  m_pStream = nullptr;
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  const CStringW name = m_strFileName;
  m_strFileName.Empty();
  if (result != 0) {
    AfxThrowFileException(err ? CFileException::ErrnoToException(err) : CFileException::genericException, err,
                          name.GetString());
  }
}

void CStdioFile::Abort() {
  if (m_pStream) std::fclose(m_pStream);
  if (m_hFile != hFileNull) CloseHandle(m_hFile);
  m_pStream = nullptr;
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();
}
