#include "ZipFile.h"

CZipFile::CZipFile() = default;

CZipFile::~CZipFile() = default;  // the class library's file closes a file still open

bool CZipFile::Open(LPCTSTR lpszFileName, UINT openFlags, bool bThrow) {
  m_szOpenName = lpszFileName ? lpszFileName : u"";
  auto* error = new CFileException;
  if (!CFile::Open(lpszFileName, openFlags, error)) {
    if (bThrow) throw error;
    error->Delete();
    return false;
  }
  error->Delete();
  return true;
}

void CZipFile::Close() {
  if (!IsClosed()) CFile::Close();
}

void CZipFile::Abort() {
  if (!IsClosed()) CFile::Abort();
}

void CZipFile::Flush() { CFile::Flush(); }

ULONGLONG CZipFile::GetPosition() const { return CFile::GetPosition(); }

ULONGLONG CZipFile::Seek(LONGLONG lOff, int nFrom) { return CFile::Seek(lOff, static_cast<UINT>(nFrom)); }

ULONGLONG CZipFile::GetLength() const { return CFile::GetLength(); }

void CZipFile::SetLength(ULONGLONG nNewLen) { CFile::SetLength(nNewLen); }

CString CZipFile::GetFilePath() const {
  try {
    return CFile::GetFilePath();
  } catch (CException* e) {
    e->Delete();
    return m_szOpenName;
  }
}

UINT CZipFile::Read(void* lpBuf, UINT nCount) { return CFile::Read(lpBuf, nCount); }

void CZipFile::Write(const void* lpBuf, UINT nCount) { CFile::Write(lpBuf, nCount); }

bool CZipFile::IsClosed() const { return m_hFile == CFile::hFileNull; }
