#include "ZipCentralDir.h"

#include <cstring>

#include "ZipException.h"
#include "ZipLittleEndian.h"
#include "ZipStorage.h"

namespace {

const char kEndSignature[4] = {'P', 'K', 5, 6};
const char kDescriptorSignature[4] = {'P', 'K', 7, 8};
const char kZip64EndSignature[4] = {'P', 'K', 6, 6};
const char kZip64LocatorSignature[4] = {'P', 'K', 6, 7};
constexpr DWORD kZip64LocatorSize = 20;
constexpr DWORD kZip64EndSize = 56;  // without extensible data

using zipfield::Dword;
using zipfield::Qword;
using zipfield::Word;

// Without regard to case: code unit by code unit after mapping A-Z to a-z; other characters,
// accented letters included, by their UTF-16 value.
int CompareNoCase(const CString& a, const CString& b) {
  const int la = a.GetLength();
  const int lb = b.GetLength();
  const WCHAR* pa = a;
  const WCHAR* pb = b;
  const int n = la < lb ? la : lb;
  for (int i = 0; i < n; ++i) {
    WCHAR ca = pa[i];
    WCHAR cb = pb[i];
    if (ca >= u'A' && ca <= u'Z') ca = static_cast<WCHAR>(ca + 32);
    if (cb >= u'A' && cb <= u'Z') cb = static_cast<WCHAR>(cb + 32);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return la == lb ? 0 : (la < lb ? -1 : 1);
}

int CompareCase(const CString& a, const CString& b) {
  const int la = a.GetLength();
  const int lb = b.GetLength();
  const WCHAR* pa = a;
  const WCHAR* pb = b;
  const int n = la < lb ? la : lb;
  for (int i = 0; i < n; ++i) {
    if (pa[i] != pb[i]) return pa[i] < pb[i] ? -1 : 1;
  }
  return la == lb ? 0 : (la < lb ? -1 : 1);
}

}  // namespace

CZipCentralDir::CZipCentralDir()
    : m_pOpenedFile(nullptr),
      m_pStorage(nullptr),
      m_iBufferSize(32768),
      m_bConvertAfterOpen(true),
      m_bFindFastEnabled(false),
      m_pCompare(CompareNoCase),
      m_bCaseSensitive(false),
      m_uEndOffset(0),
      m_uBytesBeforeZip(0),
      m_uThisDisk(0),
      m_uDiskWithCD(0),
      m_uDiskEntriesNo(0),
      m_uEntriesNumber(0),
      m_uSize(0),
      m_uOffset(0),
      m_bOnDisk(false) {
  memset(m_szSignature, 0, sizeof m_szSignature);
}

CZipCentralDir::~CZipCentralDir() { RemoveHeaders(); }

void CZipCentralDir::Init(CZipStorage* pStorage) {
  m_pStorage = pStorage;
  Clear();
}

void CZipCentralDir::Clear() {
  m_pOpenedFile = nullptr;
  m_uBytesBeforeZip = 0;
  m_bOnDisk = false;
  m_pLocalExtraField.Release();
}

void CZipCentralDir::RemoveHeaders() {
  m_findarray.RemoveAll();
  for (CZipFileHeader* header : m_headers) delete header;
  m_headers.RemoveAll();
  m_pOpenedFile = nullptr;
}

ULONGLONG CZipCentralDir::Locate() {
  CZipAbstractFile* file = m_pStorage->m_pFile;
  const ULONGLONG length = file->GetLength();
  if (length == 0) m_pStorage->ThrowError(CZipException::cdirNotFound);
  const ULONGLONG maxSearch = endRecordSize + maxCommentSize;
  const ULONGLONG searchStart = length > maxSearch ? length - maxSearch : 0;

  CZipAutoBuffer buffer(m_iBufferSize);
  ULONGLONG chunkEnd = length;
  for (;;) {
    const ULONGLONG chunkStart = chunkEnd - searchStart > m_iBufferSize ? chunkEnd - m_iBufferSize : searchStart;
    const DWORD size = static_cast<DWORD>(chunkEnd - chunkStart);
    file->Seek(-static_cast<LONGLONG>(length - chunkStart), CZipAbstractFile::end);
    // Read the chunk whole; the file is one volume here, so a short read is damage.
    DWORD got = 0;
    while (got < size) {
      const UINT n = file->Read(buffer + got, size - got);
      if (n == 0) m_pStorage->ThrowError(CZipException::badZipFile);
      got += n;
    }
    for (LONGLONG i = static_cast<LONGLONG>(size) - 4; i >= 0; --i) {
      if (memcmp(buffer + i, kEndSignature, 4) == 0) return chunkStart + static_cast<ULONGLONG>(i);
    }
    if (chunkStart == searchStart) break;
    // The next chunk ends 3 bytes into this one, so a signature across the border is seen.
    chunkEnd = chunkStart + 3;
  }
  m_pStorage->ThrowError(CZipException::cdirNotFound);
}

void CZipCentralDir::Read() {
  m_uEndOffset = Locate();
  m_pStorage->m_pFile->Seek(static_cast<LONGLONG>(m_uEndOffset), CZipAbstractFile::begin);
  char buf[endRecordSize];
  m_pStorage->Read(buf, endRecordSize, true);
  memcpy(m_szSignature, buf, 4);
  m_uThisDisk = Word(buf + 4);
  m_uDiskWithCD = Word(buf + 6);
  m_uDiskEntriesNo = Word(buf + 8);
  m_uEntriesNumber = Word(buf + 10);
  m_uSize = Dword(buf + 12);
  m_uOffset = Dword(buf + 16);
  const WORD commentSize = Word(buf + 20);
  // A zip64 archive ends its directory at the zip64 end record, not at the end record.
  const ULONGLONG directoryLimit = ReadZip64End();

  m_pStorage->UpdateSpanMode(m_uThisDisk);
  const bool single = !m_pStorage->IsSpanMode();
  // In 64 bits, so that a large offset and size cannot wrap round past the check.
  const ULONGLONG directoryEnd = static_cast<ULONGLONG>(m_uOffset) + m_uSize;
  if (single && directoryLimit < directoryEnd) m_pStorage->ThrowError(CZipException::badZipFile);

  if (commentSize) {
    m_pszComment.Allocate(commentSize);
    m_pStorage->Read(m_pszComment, commentSize, true);
  } else {
    m_pszComment.Release();
  }

  m_uBytesBeforeZip = single ? directoryLimit - directoryEnd : 0;

  if ((m_uSize == 0 && m_uEntriesNumber != 0) || (m_uEntriesNumber == 0 && m_uSize != 0))
    m_pStorage->ThrowError(CZipException::badZipFile);

  m_bOnDisk = true;
  m_pStorage->ChangeDisk(m_uDiskWithCD);
  if (m_uSize) ReadHeaders();
}

ULONGLONG CZipCentralDir::ReadZip64End() {
  CZipAbstractFile* file = m_pStorage->m_pFile;
  if (m_uEndOffset < kZip64LocatorSize + kZip64EndSize) return m_uEndOffset;
  const ULONGLONG locatorAt = m_uEndOffset - kZip64LocatorSize;
  char locator[kZip64LocatorSize];
  file->Seek(static_cast<LONGLONG>(locatorAt), CZipAbstractFile::begin);
  m_pStorage->Read(locator, kZip64LocatorSize, true);
  if (memcmp(locator, kZip64LocatorSignature, 4) != 0) {
    file->Seek(static_cast<LONGLONG>(m_uEndOffset + endRecordSize), CZipAbstractFile::begin);
    return m_uEndOffset;
  }

  // The zip64 end record lies just before its locator; the locator's own offset counts from
  // the start of the archive proper, which data in front of it would shift.
  char record[kZip64EndSize];
  auto readRecord = [&](ULONGLONG at) {
    // In this order, so that no offset the file names can wrap round past the checks.
    if (at > locatorAt || locatorAt - at < kZip64EndSize) return false;
    file->Seek(static_cast<LONGLONG>(at), CZipAbstractFile::begin);
    m_pStorage->Read(record, kZip64EndSize, true);
    return memcmp(record, kZip64EndSignature, 4) == 0 && Qword(record + 4) == locatorAt - at - 12;
  };
  ULONGLONG recordAt = locatorAt - kZip64EndSize;
  if (!readRecord(recordAt)) {
    recordAt = Qword(locator + 8);
    if (!readRecord(recordAt)) m_pStorage->ThrowError(CZipException::badZipFile, u"the zip64 end record is missing");
  }

  const DWORD thisDisk = Dword(record + 16);
  const DWORD diskWithCD = Dword(record + 20);
  const ULONGLONG diskEntries = Qword(record + 24);
  const ULONGLONG entries = Qword(record + 32);
  const ULONGLONG size = Qword(record + 40);
  const ULONGLONG offset = Qword(record + 48);
  const char16_t* tooMany = u"archives of more than 65535 entries are not supported";
  const char16_t* tooLarge = u"archives of 4 GiB or more are not supported";
  if (m_uThisDisk == 0xFFFF) {
    if (thisDisk > 0xFFFE) m_pStorage->ThrowError(CZipException::badZipFile, tooMany);
    m_uThisDisk = static_cast<WORD>(thisDisk);
  }
  if (m_uDiskWithCD == 0xFFFF) {
    if (diskWithCD > 0xFFFE) m_pStorage->ThrowError(CZipException::badZipFile, tooMany);
    m_uDiskWithCD = static_cast<WORD>(diskWithCD);
  }
  if (m_uDiskEntriesNo == 0xFFFF) {
    if (diskEntries > 0xFFFF) m_pStorage->ThrowError(CZipException::badZipFile, tooMany);
    m_uDiskEntriesNo = static_cast<WORD>(diskEntries);
  }
  if (m_uEntriesNumber == 0xFFFF) {
    if (entries > 0xFFFF) m_pStorage->ThrowError(CZipException::badZipFile, tooMany);
    m_uEntriesNumber = static_cast<WORD>(entries);
  }
  if (m_uSize == 0xFFFFFFFF) {
    if (size > 0xFFFFFFFE) m_pStorage->ThrowError(CZipException::badZipFile, tooLarge);
    m_uSize = static_cast<DWORD>(size);
  }
  if (m_uOffset == 0xFFFFFFFF) {
    if (offset > 0xFFFFFFFE) m_pStorage->ThrowError(CZipException::badZipFile, tooLarge);
    m_uOffset = static_cast<DWORD>(offset);
  }
  // Seek back behind the end record, where reading went on before.
  file->Seek(static_cast<LONGLONG>(m_uEndOffset + endRecordSize), CZipAbstractFile::begin);
  return recordAt;
}

void CZipCentralDir::ReadHeaders() {
  m_pStorage->m_pFile->Seek(static_cast<LONGLONG>(m_uOffset + m_uBytesBeforeZip), CZipAbstractFile::begin);
  RemoveHeaders();
  m_headers.Reserve(m_uEntriesNumber);
  for (int i = 0; i < m_uEntriesNumber; ++i) {
    auto* header = new CZipFileHeader;
    m_headers.Add(header);
    header->Read(m_pStorage);
    if (m_bConvertAfterOpen) header->ConvertFileName();
  }
  SortHeaders();
  if (m_bFindFastEnabled) BuildFindFastArray(m_bCaseSensitive);
}

void CZipCentralDir::SortHeaders() {
  m_headers.Sort([](const CZipFileHeader* a, const CZipFileHeader* b) {
    if (a->m_uDiskStart != b->m_uDiskStart) return a->m_uDiskStart < b->m_uDiskStart;
    return a->m_uOffset < b->m_uOffset;
  });
  for (int i = 1; i < m_headers.GetSize(); ++i) {
    if (m_headers[i]->m_uDiskStart == m_headers[i - 1]->m_uDiskStart &&
        m_headers[i]->m_uOffset == m_headers[i - 1]->m_uOffset)
      CZipException::Throw(CZipException::badZipFile);
  }
}

ZIPSTRINGCOMPARE CZipCentralDir::GetCompareFunction(bool bCaseSensitive) {
  return bCaseSensitive ? CompareCase : CompareNoCase;
}

void CZipCentralDir::BuildFindFastArray(bool bCaseSensitive) {
  m_findarray.RemoveAll();
  m_bCaseSensitive = bCaseSensitive;
  m_pCompare = GetCompareFunction(bCaseSensitive);
  const int count = m_headers.GetSize();
  m_findarray.Reserve(count);
  for (int i = 0; i < count; ++i) m_findarray.Add(CZipFindFast(m_headers[i], static_cast<WORD>(i)));
  // Sorting the whole array at once costs O(n log n); equal names keep their index order.
  const ZIPSTRINGCOMPARE compare = m_pCompare;
  m_findarray.Sort([compare](const CZipFindFast& a, const CZipFindFast& b) {
    return compare(a.m_pHeader->GetFileName(), b.m_pHeader->GetFileName()) < 0;
  });
}

int CZipCentralDir::FindFileNameIndex(LPCTSTR lpszFileName, bool bCaseSensitive) {
  if (!m_bFindFastEnabled || m_bCaseSensitive != bCaseSensitive) {
    m_bFindFastEnabled = true;
    BuildFindFastArray(bCaseSensitive);
  }
  const CString name(lpszFileName ? lpszFileName : u"");
  int lo = 0;
  int hi = m_findarray.GetSize() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int result = m_pCompare(m_findarray[mid].m_pHeader->GetFileName(), name);
    if (result == 0) return m_findarray[mid].m_uIndex;
    if (result < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -1;
}

void CZipCentralDir::OpenFile(WORD uIndex) {
  CZipFileHeader* header = m_headers[uIndex];
  m_pOpenedFile = header;
  if (header->m_uMethod != 0 && header->m_uMethod != 8) {
    CString detail;
    detail.Format(u"compression method %u (%s) is not supported; store or deflate the entry", header->m_uMethod,
                  CZipFileHeader::MethodName(header->m_uMethod));
    m_pStorage->ThrowError(CZipException::badZipFile, detail);
  }
  m_pStorage->ChangeDisk(header->m_uDiskStart);
  m_pStorage->m_pFile->Seek(static_cast<LONGLONG>(header->m_uOffset + m_uBytesBeforeZip), CZipAbstractFile::begin);
  if (!header->ReadLocal(m_pStorage, m_pLocalExtraField)) m_pStorage->ThrowError(CZipException::badZipFile);
}

void CZipCentralDir::CloseFile(bool bAfterException) {
  if (!m_pOpenedFile) return;
  m_pLocalExtraField.Release();
  if (!bAfterException && m_pOpenedFile->IsDataDescr()) {
    // The descriptor's signature is optional: without it, the 4 bytes read are the CRC-32.
    // An entry whose local header has zip64 sizes has a descriptor with 8-byte sizes.
    const bool wide = m_pOpenedFile->m_bZip64Local;
    const DWORD rest = wide ? 20 : 12;
    char buf[24];
    m_pStorage->Read(buf, 4, false);
    const bool signature = memcmp(buf, kDescriptorSignature, 4) == 0;
    m_pStorage->Read(signature ? buf : buf + 4, signature ? rest : rest - 4, false);
    const ULONGLONG compressed = wide ? Qword(buf + 4) : Dword(buf + 4);
    const ULONGLONG uncompressed = wide ? Qword(buf + 12) : Dword(buf + 8);
    if (Dword(buf) != m_pOpenedFile->m_uCrc32 || compressed != m_pOpenedFile->m_uComprSize ||
        uncompressed != m_pOpenedFile->m_uUncomprSize)
      m_pStorage->ThrowError(CZipException::badZipFile);
  }
  m_pOpenedFile = nullptr;
}
