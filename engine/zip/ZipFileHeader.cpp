#include "ZipFileHeader.h"

#include <cstring>
#include <string>

#include "ZipException.h"
#include "ZipPlatform.h"
#include "ZipLittleEndian.h"
#include "ZipStorage.h"
#include "base/codepage.h"

namespace {

const char kCentralSignature[4] = {'P', 'K', 1, 2};
const char kLocalSignature[4] = {'P', 'K', 3, 4};

using zipfield::Dword;
using zipfield::Word;

// Reads n bytes in one piece into the buffer; a volume change on the way raises code 101.
void ReadPart(CZipStorage* pStorage, CZipAutoBuffer& buffer, WORD n) {
  if (n == 0) {
    buffer.Release();
    return;
  }
  const int disk = pStorage->GetCurrentDisk();
  buffer.Allocate(n);
  pStorage->Read(buffer, n, true);
  if (pStorage->GetCurrentDisk() != disk) pStorage->ThrowError(CZipException::badZipFile);
}

}  // namespace

CZipFileHeader::CZipFileHeader()
    : m_uVersionMadeBy(0),
      m_uVersionNeeded(20),
      m_uFlag(0),
      m_uMethod(8),
      m_uModTime(0),
      m_uModDate(0),
      m_uCrc32(0),
      m_uComprSize(0),
      m_uUncomprSize(0),
      m_uDiskStart(0),
      m_uInternalAttr(0),
      m_uExternalAttr(0),
      m_uOffset(0) {
  memcpy(m_szSignature, kCentralSignature, 4);
}

CZipFileHeader::~CZipFileHeader() = default;

void CZipFileHeader::Read(CZipStorage* pStorage) {
  char buf[centralSize];
  const int disk = pStorage->GetCurrentDisk();
  pStorage->Read(buf, centralSize, true);
  memcpy(m_szSignature, buf, 4);
  m_uVersionMadeBy = Word(buf + 4);
  m_uVersionNeeded = Word(buf + 6);
  m_uFlag = Word(buf + 8);
  m_uMethod = Word(buf + 10);
  m_uModTime = Word(buf + 12);
  m_uModDate = Word(buf + 14);
  m_uCrc32 = Dword(buf + 16);
  m_uComprSize = Dword(buf + 20);
  m_uUncomprSize = Dword(buf + 24);
  const WORD nameSize = Word(buf + 28);
  const WORD extraSize = Word(buf + 30);
  const WORD commentSize = Word(buf + 32);
  m_uDiskStart = Word(buf + 34);
  m_uInternalAttr = Word(buf + 36);
  m_uExternalAttr = Dword(buf + 38);
  m_uOffset = Dword(buf + 42);
  if (memcmp(m_szSignature, kCentralSignature, 4) != 0 || pStorage->GetCurrentDisk() != disk)
    pStorage->ThrowError(CZipException::badZipFile);
  ReadPart(pStorage, m_pszFileName, nameSize);
  ReadPart(pStorage, m_pExtraField, extraSize);
  ReadPart(pStorage, m_pszComment, commentSize);
  if (pStorage->GetCurrentDisk() != disk) pStorage->ThrowError(CZipException::badZipFile);
}

bool CZipFileHeader::ReadLocal(CZipStorage* pStorage, CZipAutoBuffer& localExtra) {
  char buf[localSize];
  pStorage->Read(buf, localSize, true);
  if (memcmp(buf, kLocalSignature, 4) != 0) return false;
  const WORD flag = Word(buf + 6);
  const WORD method = Word(buf + 8);
  const WORD nameSize = Word(buf + 26);
  const WORD extraSize = Word(buf + 28);
  // The local flags count when their low four bits differ from the central ones.
  if ((flag & 0xf) != (m_uFlag & 0xf)) m_uFlag = flag;
  if (method != m_uMethod || (method != 0 && method != 8)) return false;
  if (nameSize != GetFileNameSize()) return false;
  if (!IsDataDescr() &&
      (Dword(buf + 14) != m_uCrc32 || Dword(buf + 18) != m_uComprSize || Dword(buf + 22) != m_uUncomprSize))
    return false;
  // Skip the name; keep the extra field.
  pStorage->m_pFile->Seek(nameSize, CZipAbstractFile::current);
  const int disk = pStorage->GetCurrentDisk();
  if (extraSize) {
    localExtra.Allocate(extraSize);
    pStorage->Read(localExtra, extraSize, true);
  } else {
    localExtra.Release();
  }
  if (pStorage->GetCurrentDisk() != disk) pStorage->ThrowError(CZipException::badZipFile);
  return true;
}

void CZipFileHeader::ConvertFileName() {
  char* name = m_pszFileName;
  const DWORD size = m_pszFileName.GetSize();
  for (DWORD i = 0; i < size; ++i) {
    if (name[i] == '/') name[i] = '\\';
  }
  if (GetSystemCompatibility() == ZipPlatform::scDos) ZipPlatform::AnsiOem(m_pszFileName, false);
  const std::u16string wide = nux::AnsiToWide(std::string_view(name ? name : "", size));
  m_wideName = CString(wide.c_str(), static_cast<int>(wide.size()));
}
