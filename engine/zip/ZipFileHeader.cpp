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
using zipfield::Qword;
using zipfield::Word;

const WORD kZip64ExtraId = 0x0001;

// Finds the field `id` in an extra field block; its data and their size. A block whose sizes
// run past its end is read only as far as it is whole.
bool FindExtra(const CZipAutoBuffer& extra, WORD id, const char** data, WORD* size) {
  const char* p = extra;
  const DWORD total = extra.GetSize();
  DWORD at = 0;
  while (p && at + 4 <= total) {
    const WORD fieldId = Word(p + at);
    const WORD fieldSize = Word(p + at + 2);
    if (at + 4 + fieldSize > total) return false;
    if (fieldId == id) {
      *data = p + at + 4;
      *size = fieldSize;
      return true;
    }
    at += 4 + fieldSize;
  }
  return false;
}

// Takes a 32-bit field's true value from the zip64 extra field when the field is at its maximum.
// The zip64 field holds, in this order, only the values whose fields are at their maximum.
void Zip64Value(CZipStorage* pStorage, const char* data, WORD size, WORD& at, DWORD& field) {
  if (field != 0xFFFFFFFF) return;
  if (at + 8 > size) pStorage->ThrowError(CZipException::badZipFile, u"a zip64 extra field is too short");
  const ULONGLONG value = Qword(data + at);
  at = static_cast<WORD>(at + 8);
  if (value > 0xFFFFFFFF)
    pStorage->ThrowError(CZipException::badZipFile, u"entries of 4 GiB or more are not supported");
  field = static_cast<DWORD>(value);
}

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
  if (m_uUncomprSize == 0xFFFFFFFF || m_uComprSize == 0xFFFFFFFF || m_uOffset == 0xFFFFFFFF ||
      m_uDiskStart == 0xFFFF) {
    const char* data = nullptr;
    WORD size = 0;
    if (FindExtra(m_pExtraField, kZip64ExtraId, &data, &size)) {
      WORD at = 0;
      Zip64Value(pStorage, data, size, at, m_uUncomprSize);
      Zip64Value(pStorage, data, size, at, m_uComprSize);
      Zip64Value(pStorage, data, size, at, m_uOffset);
      if (m_uDiskStart == 0xFFFF) {
        if (at + 4 > size || Dword(data + at) > 0xFFFE) pStorage->ThrowError(CZipException::badZipFile);
        m_uDiskStart = static_cast<WORD>(Dword(data + at));
      }
    }
  }
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

  // Sizes at their maximum stand in the local zip64 field, which holds both, uncompressed first.
  ULONGLONG compressed = Dword(buf + 18);
  ULONGLONG uncompressed = Dword(buf + 22);
  const char* data = nullptr;
  WORD size = 0;
  m_bZip64Local = false;
  if ((compressed == 0xFFFFFFFF || uncompressed == 0xFFFFFFFF) &&
      FindExtra(localExtra, kZip64ExtraId, &data, &size) && size >= 16) {
    m_bZip64Local = true;
    uncompressed = Qword(data);
    compressed = Qword(data + 8);
  }
  if (!IsDataDescr() && (Dword(buf + 14) != m_uCrc32 || compressed != m_uComprSize || uncompressed != m_uUncomprSize))
    return false;
  return true;
}

LPCTSTR CZipFileHeader::MethodName(WORD method) {
  switch (method) {
    case 0: return u"stored";
    case 1: return u"shrunk";
    case 2: case 3: case 4: case 5: return u"reduced";
    case 6: return u"imploded";
    case 8: return u"deflated";
    case 9: return u"deflate64";
    case 12: return u"bzip2";
    case 14: return u"LZMA";
    case 93: return u"Zstandard";
    case 95: return u"xz";
    case 96: return u"JPEG";
    case 97: return u"WavPack";
    case 98: return u"PPMd";
    case 99: return u"AES encryption";
    default: return u"unknown";
  }
}

void CZipFileHeader::ConvertFileName() {
  char* name = m_pszFileName;
  const DWORD size = m_pszFileName.GetSize();
  for (DWORD i = 0; i < size; ++i) {
    if (name[i] == '/') name[i] = '\\';
  }
  if (IsUtf8Name()) {
    const std::u16string wide = nux::FromUtf8(std::string_view(name ? name : "", size));
    m_wideName = CString(wide.c_str(), static_cast<int>(wide.size()));
    return;
  }
  if (GetSystemCompatibility() == ZipPlatform::scDos) ZipPlatform::AnsiOem(m_pszFileName, false);
  const std::u16string wide = nux::AnsiToWide(std::string_view(name ? name : "", size));
  m_wideName = CString(wide.c_str(), static_cast<int>(wide.size()));
}
