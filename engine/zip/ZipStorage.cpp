#include "ZipStorage.h"

#include "ZipException.h"
#include "ZipPathComponent.h"
#include "ZipPlatform.h"
#include "base/wstr.h"

CZipStorage::CZipStorage()
    : m_iWriteBufferSize(65536),
      m_pFile(nullptr),
      m_iSpanMode(noSpan),
      m_pChangeDiskFunc(nullptr),
      m_iTdSpanData(0),
      m_szSpanExtension(u"zip"),
      m_bNewSpan(false),
      m_iCurrentDisk(-1),
      m_bInMemory(false),
      m_bReadOnly(false) {}

CZipStorage::~CZipStorage() = default;

void CZipStorage::OpenFile(LPCTSTR lpszName, UINT uFlags) {
  m_internalfile.Open(lpszName, uFlags, true);
  m_pFile = &m_internalfile;
}

void CZipStorage::Open(LPCTSTR szPathName, int iMode, int iVolumeSize) {
  if (iMode != zipOpen && iMode != zipOpenReadOnly) CZipException::Throw(CZipException::internal, szPathName);
  m_bNewSpan = false;
  m_bReadOnly = iMode == zipOpenReadOnly;
  const UINT flags = CFile::modeNoTruncate | (m_bReadOnly ? CFile::modeRead : CFile::modeReadWrite) |
                     CFile::shareDenyWrite;
  OpenFile(szPathName, flags);
  m_szArchivePath = m_internalfile.GetFilePath();
  m_iSpanMode = iVolumeSize == 0 ? suggestedAuto : suggestedTd;
  m_iCurrentDisk = 0;
}

void CZipStorage::UpdateSpanMode(WORD uLastDisk) {
  m_iCurrentDisk = uLastDisk;
  if (uLastDisk == 0) {
    m_iSpanMode = noSpan;
    return;
  }
  if (m_iSpanMode == suggestedAuto)
    m_iSpanMode = ZipPlatform::IsDriveRemovable(m_szArchivePath) ? pkzipSpan : tdSpan;
  else
    m_iSpanMode = tdSpan;
  if (m_iSpanMode == pkzipSpan) {
    if (!m_pChangeDiskFunc) ThrowError(CZipException::noCallback);
  } else {
    m_iTdSpanData = uLastDisk;
  }
  m_szSpanExtension = CZipPathComponent(m_szArchivePath).GetFileExt();
}

CString CZipStorage::GetTdVolumeName(int iNumber) const {
  CZipPathComponent zpc(m_szArchivePath);
  if (iNumber == m_iTdSpanData) {
    zpc.SetExtension(m_szSpanExtension);
  } else {
    char16_t ext[16];
    swprintf(ext, 16, u"%.3d", iNumber);
    zpc.SetExtension(ext);
  }
  return zpc.GetFullPath();
}

void CZipStorage::ChangeDisk(int iNumber) {
  if (iNumber == m_iCurrentDisk) return;
  // Only a multi-volume archive has other volumes, and none before the first or after the last.
  if ((m_iSpanMode != pkzipSpan && m_iSpanMode != tdSpan) || iNumber < 0 ||
      (m_iSpanMode == tdSpan && iNumber > m_iTdSpanData)) {
    ThrowError(CZipException::badZipFile);
  }
  const UINT flags = CFile::modeNoTruncate | CFile::modeRead | CFile::shareDenyWrite;
  if (m_iSpanMode == pkzipSpan) {
    if (!m_pChangeDiskFunc) ThrowError(CZipException::noCallback);
    m_pChangeDiskFunc->m_uDiskNeeded = iNumber + 1;
    if (!m_pChangeDiskFunc->Callback(-1)) ThrowError(CZipException::aborted);
    m_iCurrentDisk = iNumber;
    m_pFile->Close();
    OpenFile(m_szArchivePath, flags);
    return;
  }
  m_iCurrentDisk = iNumber;
  m_pFile->Close();
  m_pFile = nullptr;
  OpenFile(GetTdVolumeName(iNumber), flags);
}

DWORD CZipStorage::Read(void* pBuf, DWORD iSize, bool bAtOnce) {
  if (iSize == 0) return 0;
  char* out = static_cast<char*>(pBuf);
  DWORD iRead = 0;
  while (iRead == 0) {
    iRead = m_pFile->Read(out, iSize);
    if (iRead == 0) {
      if (IsSpanMode())
        ChangeDisk(m_iCurrentDisk + 1);
      else
        ThrowError(CZipException::badZipFile);
    }
  }
  if (iRead == iSize) return iRead;
  if (bAtOnce || !IsSpanMode()) ThrowError(CZipException::badZipFile);
  while (iRead < iSize) {
    ChangeDisk(m_iCurrentDisk + 1);
    iRead += m_pFile->Read(out + iRead, iSize - iRead);
  }
  return iRead;
}

CString CZipStorage::Close(bool bAfterException) {
  CString path = GetFilePath();
  if (m_pFile) {
    if (bAfterException) {
      m_internalfile.Abort();
    } else {
      if (!m_bReadOnly) m_pFile->Flush();
      m_pFile->Close();
    }
  }
  m_pFile = nullptr;
  m_iCurrentDisk = -1;
  m_iSpanMode = noSpan;
  return path;
}

int CZipStorage::IsSpanMode() const {
  if (m_iSpanMode == noSpan) return 0;
  return m_bNewSpan ? 1 : -1;
}

CString CZipStorage::GetFilePath() const { return m_pFile ? m_pFile->GetFilePath() : CString(); }

void CZipStorage::ThrowError(int err) const { CZipException::Throw(err, GetFilePath()); }

void CZipStorage::ThrowError(int err, LPCTSTR detail) const { CZipException::Throw(err, GetFilePath(), detail); }
