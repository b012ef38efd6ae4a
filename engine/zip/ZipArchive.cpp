#include "ZipArchive.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "ZipPathComponent.h"
#include "ZipPlatform.h"
#include "base/codepage.h"
#include "memory/memory.h"

namespace {

// Flags of the movable global block an entry is extracted into.
const UINT kGlobalFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;  // 0x2042

// Raw deflate data cannot expand more than 1032 times: a match of 258 bytes takes at least two
// bits. A bigger recorded size is damage, found before a block of that size is allocated.
const ULONGLONG kMaxDeflateRatio = 1032;
const ULONGLONG kDeflateSlack = 64;

}  // namespace

CZipArchive::CZipInternalInfo::CZipInternalInfo()
    : m_uUncomprLeft(0), m_uComprLeft(0), m_uCrc32(0), m_iBufferSize(65536) {
  memset(&m_stream, 0, sizeof m_stream);
}

CZipArchive::CZipArchive()
    : m_bIgnoreCRC(false),
      m_bDetectZlibMemoryLeaks(true),
      m_bCaseSensitive(ZipPlatform::GetSystemCaseSensitivity()),
      m_pZipCompare(CZipCentralDir::GetCompareFunction(m_bCaseSensitive)),
      m_iFileOpened(0),
      m_bAutoFlush(false),
      m_iArchiveSystCompatib(ZipPlatform::GetSystemID()),
      m_bEntryFailed(false),
      m_bDummyInputGiven(false),
      m_bInflateStarted(false) {
  m_keys[0] = m_keys[1] = m_keys[2] = 0;
  m_info.m_stream.zalloc = MyAlloc;
  m_info.m_stream.zfree = MyFree;
  m_centralDir.Init(&m_storage);
}

CZipArchive::~CZipArchive() {
  // The owner closes the archive first; whatever is left of an entry is freed here.
  if (m_bInflateStarted) {
    inflateEnd(&m_info.m_stream);
    m_bInflateStarted = false;
  }
  for (void* block : m_list) free(block);
  m_list.RemoveAll();
  m_pszPassword.Release();
}

void* CZipArchive::MyAlloc(void* opaque, UINT items, UINT size) {
  if (size != 0 && items > static_cast<UINT>(-1) / size) return nullptr;
  void* block = malloc(static_cast<size_t>(items) * size);
  if (block && opaque) static_cast<CZipPtrList<void*>*>(opaque)->AddTail(block);
  return block;
}

void CZipArchive::MyFree(void* opaque, void* address) {
  if (opaque) static_cast<CZipPtrList<void*>*>(opaque)->Remove(address);
  free(address);
}

void CZipArchive::ThrowError(int err) const { m_storage.ThrowError(err); }

void CZipArchive::ThrowDamaged() const { m_storage.ThrowError(CZipException::badZipFile); }

void CZipArchive::ThrowError(int err, LPCTSTR detail) const { m_storage.ThrowError(err, detail); }

// ---- opening and closing ------------------------------------------------------------

void CZipArchive::Open(LPCTSTR szPathName, int iMode, int iVolumeSize) {
  if (!IsClosed()) return;
  m_storage.Open(szPathName, iMode, iVolumeSize);
  m_pszPassword.Release();
  m_iFileOpened = 0;
  m_bEntryFailed = false;
  m_centralDir.Clear();
  m_centralDir.RemoveHeaders();
  m_centralDir.m_bFindFastEnabled = false;
  m_iArchiveSystCompatib = ZipPlatform::GetSystemID();
  m_szRootPath.Empty();
  m_centralDir.Read();
  if (m_centralDir.GetCount() > 0) {
    const int system = m_centralDir[0]->GetSystemCompatibility();
    if (ZipPlatform::IsSupportedSystem(system)) m_iArchiveSystCompatib = system;
  }
}

void CZipArchive::Close(int iAfterException, bool /*bUpdateTimeStamp*/) {
  // The time stamp would only change for an archive that was written to, which never happens.
  if (IsClosed()) return;
  if (m_iFileOpened == -1) CloseFile(nullptr, iAfterException != afNoException);
  m_storage.Close(iAfterException == afAfterException);
  m_centralDir.RemoveHeaders();
  m_centralDir.Clear();
  m_centralDir.m_bFindFastEnabled = false;
  m_szRootPath.Empty();
}

// ---- password and look-up -------------------------------------------------------------

bool CZipArchive::SetPassword(LPCTSTR lpszPassword) {
  if (m_iFileOpened != 0) return false;
  if (!lpszPassword || !*lpszPassword) {
    m_pszPassword.Release();
    return true;
  }
  const std::string ansi = nux::WideToAnsi(std::u16string_view(lpszPassword));
  for (char c : ansi) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 1 || byte > 127) {
      m_pszPassword.Release();
      return false;
    }
  }
  m_pszPassword.Allocate(static_cast<DWORD>(ansi.size()));
  memcpy(m_pszPassword, ansi.data(), ansi.size());
  return true;
}

CString CZipArchive::GetPassword() const {
  const std::u16string wide =
      nux::AnsiToWide(std::string_view(m_pszPassword.GetBuffer() ? m_pszPassword.GetBuffer() : "", m_pszPassword.GetSize()));
  return CString(wide.c_str(), static_cast<int>(wide.size()));
}

void CZipArchive::SetCaseSensitivity(bool bCaseSensitive) {
  m_bCaseSensitive = bCaseSensitive;
  m_pZipCompare = CZipCentralDir::GetCompareFunction(bCaseSensitive);
}

CString CZipArchive::GetGlobalComment() const {
  const CZipAutoBuffer& comment = m_centralDir.m_pszComment;
  const std::u16string wide =
      nux::AnsiToWide(std::string_view(comment.GetBuffer() ? comment.GetBuffer() : "", comment.GetSize()));
  return CString(wide.c_str(), static_cast<int>(wide.size()));
}

int CZipArchive::FindFile(LPCTSTR lpszFileName, int iCaseSensitive, bool bFileNameOnly) {
  if (IsClosed() || !lpszFileName) return -1;
  bool bCaseSensitive = m_bCaseSensitive;
  if (iCaseSensitive == ffCaseSens) bCaseSensitive = true;
  if (iCaseSensitive == ffNoCaseSens) bCaseSensitive = false;
  if (iCaseSensitive == ffDefault && !bFileNameOnly)
    return m_centralDir.FindFileNameIndex(lpszFileName, bCaseSensitive);

  const ZIPSTRINGCOMPARE compare = CZipCentralDir::GetCompareFunction(bCaseSensitive);
  const CString wanted(lpszFileName);
  const int count = m_centralDir.GetCount();
  for (int i = 0; i < count; ++i) {
    CString name = m_centralDir[i]->GetFileName();
    if (bFileNameOnly) {
      CZipPathComponent::RemoveSeparators(name);
      int last = name.GetLength() - 1;
      while (last >= 0 && !CZipPathComponent::IsSeparator(name[last])) --last;
      name = name.Mid(last + 1);
    }
    if (compare(name, wanted) == 0) return i;
  }
  return -1;
}

bool CZipArchive::GetFileInfo(CZipFileHeader& fhInfo, WORD uIndex) const {
  if (IsClosed() || !m_centralDir.IsValidIndex(uIndex)) return false;
  fhInfo = *m_centralDir[uIndex];
  return true;
}

// ---- traditional decryption ---------------------------------------------------------

void CZipArchive::CryptInitKeys() {
  m_keys[0] = 305419896;  // 0x12345678
  m_keys[1] = 591751049;  // 0x23456789
  m_keys[2] = 878082192;  // 0x34567890
  const char* password = m_pszPassword;
  for (DWORD i = 0; i < m_pszPassword.GetSize(); ++i) CryptUpdateKeys(password[i]);
}

void CZipArchive::CryptUpdateKeys(char c) {
  const z_crc_t* table = get_crc_table();
  m_keys[0] = table[(m_keys[0] ^ static_cast<unsigned char>(c)) & 0xff] ^ (m_keys[0] >> 8);
  m_keys[1] += m_keys[0] & 0xff;
  m_keys[1] = m_keys[1] * 134775813 + 1;
  m_keys[2] = table[(m_keys[2] ^ (m_keys[1] >> 24)) & 0xff] ^ (m_keys[2] >> 8);
}

void CZipArchive::CryptDecodeBuffer(char* pBuffer, DWORD uCount) {
  // The key update of CryptUpdateKeys, with the keys held in registers for the whole buffer.
  const z_crc_t* table = get_crc_table();
  DWORD k0 = m_keys[0];
  DWORD k1 = m_keys[1];
  DWORD k2 = m_keys[2];
  auto* p = reinterpret_cast<unsigned char*>(pBuffer);
  for (DWORD i = 0; i < uCount; ++i) {
    const DWORD temp = (k2 & 0xffff) | 2;
    const unsigned char plain = static_cast<unsigned char>(p[i] ^ static_cast<unsigned char>((temp * (temp ^ 1)) >> 8));
    p[i] = plain;
    k0 = table[(k0 ^ plain) & 0xff] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xff)) * 134775813 + 1;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xff] ^ (k2 >> 8);
  }
  m_keys[0] = k0;
  m_keys[1] = k1;
  m_keys[2] = k2;
}

bool CZipArchive::CryptCheck() {
  char header[12];
  m_storage.Read(header, 12, false);
  CryptDecodeBuffer(header, 12);
  const CZipFileHeader* file = m_centralDir.m_pOpenedFile;
  const BYTE expected =
      file->IsDataDescr() ? static_cast<BYTE>(file->m_uModTime >> 8) : static_cast<BYTE>(file->m_uCrc32 >> 24);
  return static_cast<BYTE>(header[11]) == expected;
}

// ---- one entry ------------------------------------------------------------------------

void CZipArchive::ReleaseEntry() {
  if (m_bInflateStarted) {
    inflateEnd(&m_info.m_stream);
    m_bInflateStarted = false;
  }
  m_centralDir.CloseFile(true);
  m_iFileOpened = 0;
  m_bEntryFailed = false;
  m_info.m_pBuffer.Release();
  for (void* block : m_list) free(block);
  m_list.RemoveAll();
}

bool CZipArchive::OpenFile(WORD uIndex) {
  if (IsClosed() || !m_centralDir.IsValidIndex(uIndex)) return false;
  if (m_storage.IsSpanMode() == 1) return false;
  if (m_iFileOpened) return false;

  m_info.m_pBuffer.Allocate(m_info.m_iBufferSize);
  m_bEntryFailed = false;
  m_bDummyInputGiven = false;
  try {
    m_centralDir.OpenFile(uIndex);
    const CZipFileHeader* file = m_centralDir.m_pOpenedFile;
    const bool encrypted = file->IsEncrypted();
    // Check the recorded sizes before anything of the data is read: the encryption header
    // takes 12 bytes, a stored entry's two sizes are the same, deflated data cannot expand
    // beyond its limit, and the data of a single-file archive lies inside the file.
    if (encrypted && file->m_uComprSize < 12) ThrowDamaged();
    const DWORD comprLeft = file->m_uComprSize - (encrypted ? 12 : 0);
    if (file->m_uMethod == 0 && comprLeft != file->m_uUncomprSize) ThrowDamaged();
    if (file->m_uMethod == 8 &&
        file->m_uUncomprSize > static_cast<ULONGLONG>(comprLeft) * kMaxDeflateRatio + kDeflateSlack)
      ThrowDamaged();
    if (!m_storage.IsSpanMode() &&
        m_storage.m_pFile->GetPosition() + file->m_uComprSize > m_storage.m_pFile->GetLength())
      ThrowDamaged();

    if (encrypted) {
      if (m_pszPassword.GetSize() == 0) ThrowError(CZipException::badPassword);
      CryptInitKeys();
      if (!CryptCheck()) ThrowError(CZipException::badPassword);
    }

    if (file->m_uMethod != 0) {
      if (file->m_uMethod != 8) ThrowDamaged();
      z_stream& stream = m_info.m_stream;
      memset(&stream, 0, sizeof stream);
      stream.zalloc = MyAlloc;
      stream.zfree = MyFree;
      stream.opaque = m_bDetectZlibMemoryLeaks ? &m_list : nullptr;
      const int err = inflateInit2(&stream, -MAX_WBITS);
      if (err != Z_OK && err != Z_NEED_DICT) ThrowError(CZipException::ZlibErrToZip(err));
      m_bInflateStarted = true;
    }

    m_info.m_uComprLeft = comprLeft;
    m_info.m_uUncomprLeft = file->m_uUncomprSize;
    m_info.m_uCrc32 = 0;
    m_info.m_stream.total_out = 0;
    m_info.m_stream.avail_in = 0;
    m_info.m_stream.next_in = nullptr;
    m_iFileOpened = -1;
  } catch (...) {
    // Nothing of the entry stays open when it cannot be opened.
    ReleaseEntry();
    throw;
  }
  return true;
}

DWORD CZipArchive::ReadFile(void* pBuf, DWORD iSize) {
  if (m_iFileOpened != -1 || !pBuf || !iSize) return 0;
  try {
    const CZipFileHeader* file = m_centralDir.m_pOpenedFile;
    const bool stored = file->m_uMethod == 0;
    const bool encrypted = file->IsEncrypted();
    z_stream& stream = m_info.m_stream;
    stream.next_out = static_cast<Bytef*>(pBuf);
    stream.avail_out = iSize < m_info.m_uUncomprLeft ? iSize : m_info.m_uUncomprLeft;
    // An entry that decompresses to nothing still has its data run through inflate.
    const bool bForce = stream.avail_out == 0 && m_info.m_uComprLeft > 0;
    DWORD iRead = 0;

    while (stream.avail_out > 0 || (bForce && m_info.m_uComprLeft > 0)) {
      if (stored && !encrypted && stream.avail_in == 0) {
        // Plain stored data goes straight into the caller's block.
        if (m_info.m_uComprLeft == 0) ThrowDamaged();
        const DWORD n = stream.avail_out < m_info.m_uComprLeft ? stream.avail_out : m_info.m_uComprLeft;
        m_storage.Read(stream.next_out, n, false);
        m_info.m_uComprLeft -= n;
        m_info.m_uCrc32 = crc32(m_info.m_uCrc32, stream.next_out, n);
        m_info.m_uUncomprLeft -= n;
        stream.next_out += n;
        stream.avail_out -= n;
        stream.total_out += n;
        iRead += n;
        continue;
      }
      if (stream.avail_in == 0) {
        DWORD uToRead = m_info.m_iBufferSize < m_info.m_uComprLeft ? m_info.m_iBufferSize : m_info.m_uComprLeft;
        if (uToRead == 0) {
          // The data are used up but more output is due. Raw inflate may want one byte past
          // the end to finish, so one dummy byte is offered, once; a stored entry never gets
          // one, and data that still end early are damaged.
          if (stored || m_bDummyInputGiven) ThrowDamaged();
          m_bDummyInputGiven = true;
          uToRead = 1;
        } else {
          m_storage.Read(m_info.m_pBuffer, uToRead, false);
          if (encrypted) CryptDecodeBuffer(m_info.m_pBuffer, uToRead);
          m_info.m_uComprLeft -= uToRead;
        }
        stream.next_in = reinterpret_cast<Bytef*>(m_info.m_pBuffer.GetBuffer());
        stream.avail_in = uToRead;
      }

      if (stored) {
        const DWORD n = stream.avail_out < stream.avail_in ? stream.avail_out : stream.avail_in;
        memcpy(stream.next_out, stream.next_in, n);
        m_info.m_uCrc32 = crc32(m_info.m_uCrc32, stream.next_out, n);
        m_info.m_uUncomprLeft -= n;
        stream.avail_in -= n;
        stream.avail_out -= n;
        stream.next_in += n;
        stream.next_out += n;
        stream.total_out += n;
        iRead += n;
      } else {
        const uLong totalBefore = stream.total_out;
        const Bytef* outBefore = stream.next_out;
        const int err = inflate(&stream, Z_SYNC_FLUSH);
        const DWORD produced = static_cast<DWORD>(stream.total_out - totalBefore);
        m_info.m_uCrc32 = crc32(m_info.m_uCrc32, outBefore, produced);
        m_info.m_uUncomprLeft -= produced;
        iRead += produced;
        if (err == Z_STREAM_END) return iRead;
        if (err != Z_OK && err != Z_NEED_DICT) ThrowError(CZipException::ZlibErrToZip(err));
      }
    }
    return iRead;
  } catch (...) {
    m_bEntryFailed = true;
    throw;
  }
}

void CZipArchive::ThrowIfShort() const {
  // The entry's data ended before its recorded size: the block would be padded, so the
  // extraction fails. Data that do not match their checksum say so; data that do are damaged
  // in their size.
  if (m_info.m_uUncomprLeft == 0) return;
  if (m_info.m_uCrc32 != m_centralDir.m_pOpenedFile->m_uCrc32) ThrowError(CZipException::badCrc);
  ThrowError(CZipException::badZipFile, u"the entry's data end before its recorded size");
}

void CZipArchive::SkipRemainingData() {
  while (m_info.m_uComprLeft > 0) {
    const DWORD n = m_info.m_iBufferSize < m_info.m_uComprLeft ? m_info.m_iBufferSize : m_info.m_uComprLeft;
    m_storage.Read(m_info.m_pBuffer, n, false);
    m_info.m_uComprLeft -= n;
  }
}

int CZipArchive::CloseFile(LPCTSTR lpszFilePath, bool bAfterException) {
  if (m_iFileOpened != -1) return 0;
  // After an exception raised for this entry the checks are not repeated, so that closing
  // never raises a second exception for the same fault.
  if (m_bEntryFailed) bAfterException = true;
  int iRet = 1;
  try {
    const CZipFileHeader* file = m_centralDir.m_pOpenedFile;
    const bool complete = m_info.m_uUncomprLeft == 0;
    if (!bAfterException) {
      if (complete) {
        if (!m_bIgnoreCRC && m_info.m_uCrc32 != file->m_uCrc32) ThrowError(CZipException::badCrc);
      } else {
        iRet = -1;
      }
    }
    if (m_bInflateStarted) {
      inflateEnd(&m_info.m_stream);
      m_bInflateStarted = false;
    }
    // Entries are extracted to memory only; there is no file whose time and attributes could
    // be set.
    if (lpszFilePath) iRet = -2;
    // The data descriptor follows the data; it is checked only when all data were read.
    const bool checkDescriptor = !bAfterException && complete && file->IsDataDescr();
    if (checkDescriptor) SkipRemainingData();
    m_centralDir.CloseFile(!checkDescriptor);
  } catch (...) {
    m_bEntryFailed = true;
    throw;
  }
  ReleaseEntry();
  return iRet;
}

// ---- extraction into memory -----------------------------------------------------------

bool CZipArchive::ExtractToGlobal(WORD uIndex, HGLOBAL& hGlobal, DWORD uChunk) {
  hGlobal = nullptr;
  if (uChunk == 0) return false;
  CZipFileHeader header;
  if (!GetFileInfo(header, uIndex)) return false;
  if (!OpenFile(uIndex)) return false;
  HGLOBAL block = GlobalAlloc(kGlobalFlags, header.m_uUncomprSize);
  BYTE* data = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
  if (!data) {
    // No block (or a block of size 0, which cannot be locked): the entry is not extracted.
    if (block) GlobalFree(block);
    ReleaseEntry();
    return false;
  }
  try {
    DWORD total = 0;
    DWORD read;
    do {
      read = ReadFile(data + total, uChunk);
      total += read;
    } while (read == uChunk);
    ThrowIfShort();
    CloseFile(nullptr, false);
  } catch (...) {
    // The block is freed and the entry ended without further checks, so that the archive can
    // serve the next extraction; the exception goes on to the caller.
    GlobalUnlock(block);
    GlobalFree(block);
    ReleaseEntry();
    throw;
  }
  GlobalUnlock(block);
  hGlobal = block;
  return true;
}

bool CZipArchive::ExtractToGlobalByName(LPCTSTR lpszName, HGLOBAL& hGlobal, DWORD uChunk) {
  hGlobal = nullptr;
  const int index = FindFile(lpszName, ffDefault, false);
  if (index < 0) return false;
  return ExtractToGlobal(static_cast<WORD>(index), hGlobal, uChunk);
}

bool CZipArchive::ExtractToBuffer(WORD uIndex, BYTE*& pBuffer, DWORD& uSize, DWORD uChunk) {
  pBuffer = nullptr;
  uSize = 0;
  if (uChunk == 0) return false;
  CZipFileHeader header;
  if (!GetFileInfo(header, uIndex)) return false;
  if (!OpenFile(uIndex)) return false;
  const DWORD size = header.m_uUncomprSize;
  auto* data = static_cast<BYTE*>(malloc(size ? size : 1));
  if (!data) {
    ReleaseEntry();
    return false;
  }
  try {
    DWORD total = 0;
    DWORD read;
    do {
      read = ReadFile(data + total, uChunk);
      total += read;
    } while (read == uChunk);
    ThrowIfShort();
    CloseFile(nullptr, false);
  } catch (...) {
    free(data);
    ReleaseEntry();
    throw;
  }
  pBuffer = data;
  uSize = size;
  return true;
}

bool CZipArchive::ExtractToBufferByName(LPCTSTR lpszName, BYTE*& pBuffer, DWORD& uSize, DWORD uChunk) {
  pBuffer = nullptr;
  uSize = 0;
  const int index = FindFile(lpszName, ffDefault, false);
  if (index < 0) return false;
  return ExtractToBuffer(static_cast<WORD>(index), pBuffer, uSize, uChunk);
}
