#include "ResourceFile.h"

#include <cstdlib>
#include <string>

#include "FileHelpers.h"
#include "base/codepage.h"
#include "fs/fs.h"
#include "memory/memory.h"

namespace {

// The flags of the movable global block a file is read into.
const UINT kGlobalFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;  // 0x2042
// Entries are extracted in chunks of this size.
const DWORD kChunkSize = 0x10000;

}  // namespace

const WCHAR CResourceFile::kArchivePassword[] = u"QuietOwlsDance";

CResourceFile::CResourceFile() : m_pFile(nullptr), m_pZip(nullptr) {}

CResourceFile::~CResourceFile() {
  // Also reached while an exception of a read is on its way: closing the archive then ends its
  // entry without checks, and nothing may escape a destructor.
  try {
    Close(TRUE);
  } catch (CException* e) {
    e->Delete();
  } catch (...) {
  }
}

BOOL CResourceFile::Open(LPCWSTR lpszPath) {
  Close(FALSE);
  const CString path(lpszPath ? lpszPath : u"");
  if (FileExists(path)) {
    // A folder of that name passes the existence test but is no file.
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return FALSE;
    m_pFile = _wfopen(path, u"rb");
    return m_pFile != nullptr;
  }
  return OpenArchiveEntry(path);
}

BOOL CResourceFile::OpenArchiveEntry(const CString& path) {
  // Cut the path at its backslashes from the right until a folder has an archive beside it.
  CString folder = path;
  CString archivePath;
  CString entry;
  for (;;) {
    const int i = folder.ReverseFind(u'\\');
    folder = i > 0 ? folder.Left(i) : CString();
    const CString candidate = folder + u".nux";
    if (FileExists(candidate)) {
      if (i < 1) return FALSE;
      archivePath = candidate;
      entry = path.Mid(i + 1);
      break;
    }
    if (i < 1) return FALSE;
  }

  if (m_pZip && m_strZipPath == archivePath) {
    m_strZipEntry = entry;
    return TRUE;
  }
  Close(TRUE);
  m_pZip = new CZipArchive;
  // Errors of the archive pass to the caller; the archive object stays held, unopened and
  // without a path, so the next path that leads to an archive replaces it.
  m_pZip->Open(archivePath, CZipArchive::zipOpenReadOnly, 0);
  // Opening clears the password, so it is set afterwards.
  m_pZip->SetPassword(kArchivePassword);
  m_strZipPath = archivePath;
  m_strZipEntry = entry;
  return TRUE;
}

BOOL CResourceFile::LooseFileSize(DWORD& dwSize) {
  dwSize = 0;
  if (fseek(m_pFile, 0, SEEK_END) != 0) return FALSE;
  const long end = ftell(m_pFile);
  // A failed ftell (-1) is no size; neither is one beyond 32 bits.
  if (end <= 0 || static_cast<unsigned long>(end) > 0xFFFFFFFFul) return FALSE;
  if (fseek(m_pFile, 0, SEEK_SET) != 0) return FALSE;
  dwSize = static_cast<DWORD>(end);
  return TRUE;
}

BOOL CResourceFile::ReadAll(BYTE*& pData, DWORD& dwSize) {
  pData = nullptr;
  dwSize = 0;
  if (m_pFile) {
    DWORD size = 0;
    if (!LooseFileSize(size)) return FALSE;
    auto* data = static_cast<BYTE*>(malloc(size));
    if (!data) return FALSE;
    if (fread(data, 1, size, m_pFile) < size) {
      free(data);
      return FALSE;
    }
    pData = data;
    dwSize = size;
    return TRUE;
  }
  if (HasArchiveEntry()) return m_pZip->ExtractToBufferByName(m_strZipEntry, pData, dwSize, kChunkSize) ? TRUE : FALSE;
  return FALSE;
}

BOOL CResourceFile::ReadAllGlobal(HGLOBAL& hGlobal) {
  hGlobal = nullptr;
  if (m_pFile) {
    DWORD size = 0;
    if (!LooseFileSize(size)) return FALSE;
    HGLOBAL block = GlobalAlloc(kGlobalFlags, size);
    if (!block) return FALSE;
    void* data = GlobalLock(block);
    const size_t read = data ? fread(data, 1, size, m_pFile) : 0;
    if (data) GlobalUnlock(block);
    if (read < size) {
      GlobalFree(block);
      return FALSE;
    }
    hGlobal = block;
    return TRUE;
  }
  if (HasArchiveEntry()) return m_pZip->ExtractToGlobalByName(m_strZipEntry, hGlobal, kChunkSize) ? TRUE : FALSE;
  return FALSE;
}

BOOL CResourceFile::ReadText(CString& strText) {
  BYTE* data = nullptr;
  DWORD size = 0;
  if (!ReadAll(data, size)) return FALSE;
  DWORD length = 0;
  while (length < size && data[length] != 0) ++length;
  const std::u16string text = nux::AnsiToWide(std::string_view(reinterpret_cast<const char*>(data), length));
  free(data);
  strText = CString(text.c_str(), static_cast<int>(text.size()));
  return TRUE;
}

void CResourceFile::Close(BOOL bCloseArchive) {
  m_strZipEntry.Empty();
  if (m_pFile) {
    fclose(m_pFile);
    m_pFile = nullptr;
  }
  if (bCloseArchive && m_pZip) {
    CZipArchive* zip = m_pZip;
    m_pZip = nullptr;
    m_strZipPath.Empty();
    try {
      zip->Close(CZipArchive::afNoException, false);
    } catch (...) {
      delete zip;
      throw;
    }
    delete zip;
  }
}
