// A zip archive, opened from a file and read: its central directory, the search of an entry
// by name, and the extraction of an entry (stored or deflated, plain or with the traditional
// PKWARE encryption) into memory, with its CRC-32 checked.
//
// Errors are thrown as CZipException* (cause code and archive path) or, when the archive file
// cannot be opened, as the class library's CFileException*. The archive is only ever read:
// the write side of the zip format (adding, deleting or renaming entries, creating archives)
// is not part of this component.
#pragma once

#include <zlib.h>

#include "ZipAutoBuffer.h"
#include "ZipCentralDir.h"
#include "ZipCollections.h"
#include "ZipException.h"
#include "ZipFileHeader.h"
#include "ZipStorage.h"
#include "base/types.h"
#include "mfc/cstring.h"

class CZipArchive {
 public:
  enum OpenMode { zipOpen = 0, zipOpenReadOnly = 1, zipCreate = 2, zipCreateSpan = 3 };
  enum CloseAfterException { afNoException = 0, afAfterException = 1, afWriteDir = 2 };
  enum FindFileCase { ffDefault = 0, ffCaseSens = 1, ffNoCaseSens = 2 };
  enum CallbackType { cbNothing = 0, cbAdd = 1, cbExtract = 2, cbDeleteCnt = 4, cbDelete = 8, cbTest = 16,
                      cbSave = 32, cbGetFromArchive = 64, cbRename = 128, cbReplace = 256, cbDiskChange = 512 };

  // The decompression state of the entry being read.
  struct CZipInternalInfo {
    CZipInternalInfo();
    z_stream m_stream;
    DWORD m_uUncomprLeft;  // bytes not yet produced
    DWORD m_uComprLeft;    // bytes of the entry's data not yet read from the archive
    DWORD m_uCrc32;        // running CRC-32 of the bytes produced
    DWORD m_iBufferSize;   // 65536
    CZipAutoBuffer m_pBuffer;  // compressed (still encrypted) data, while an entry is open
  };

  // The progress callbacks of long actions; none is registered by the reader.
  class CZipClbckStrg : public CZipMap<CallbackType, CZipActionCallback*> {
   public:
    CZipClbckStrg() { InitHashTable(10); }
  };

  CZipArchive();
  ~CZipArchive();
  CZipArchive(const CZipArchive&) = delete;
  CZipArchive& operator=(const CZipArchive&) = delete;

  // Opens the archive (does nothing when it is open already): zipOpenReadOnly reads it, zipOpen
  // opens it for reading and writing. Clears the password. iVolumeSize is 0 for archives on
  // one file or on removable disks.
  void Open(LPCTSTR szPathName, int iMode = zipOpen, int iVolumeSize = 0);
  // Closes the entry still open and the file. Nothing is written back: the reader never
  // changes an archive. iAfterException = afAfterException closes without any check.
  void Close(int iAfterException = afNoException, bool bUpdateTimeStamp = false);
  bool IsClosed() const { return m_storage.IsClosed(); }

  // Sets the password of encrypted entries (null or "" clears it). False while an entry is
  // open or when a character is not in 1 to 127 in the ANSI code page.
  bool SetPassword(LPCTSTR lpszPassword = nullptr);
  CString GetPassword() const;

  // Index of the entry of that name, or -1 (also for a closed archive). iCaseSensitive:
  // ffDefault the archive's rule (through the sorted name index), ffCaseSens or ffNoCaseSens
  // one by one; bFileNameOnly compares with the last part of each stored name only.
  int FindFile(LPCTSTR lpszFileName, int iCaseSensitive = ffDefault, bool bFileNameOnly = false);
  // Copies the header of an entry; false when closed or for an invalid index.
  bool GetFileInfo(CZipFileHeader& fhInfo, WORD uIndex) const;
  // The number of entries (0 when closed).
  int GetCount() const { return IsClosed() ? 0 : m_centralDir.GetCount(); }
  bool GetCaseSensitivity() const { return m_bCaseSensitive; }
  void SetCaseSensitivity(bool bCaseSensitive);
  // The archive comment, converted from the ANSI code page.
  CString GetGlobalComment() const;
  int GetArchiveSystCompatib() const { return m_iArchiveSystCompatib; }

  // Opens entry uIndex for extraction; false for an invalid index or while an entry is open.
  // Raises code 101 for a damaged entry and 110 for a missing or wrong password.
  bool OpenFile(WORD uIndex);
  // Places up to iSize decompressed bytes of the open entry in pBuf; returns their number.
  DWORD ReadFile(void* pBuf, DWORD iSize);
  // Ends the open entry: 1 done and checked (code 102 when the CRC-32 differs), -1 done
  // without a check because not all data was read, 0 when no entry was open. Entries are
  // only extracted to memory here, so lpszFilePath is expected to be null; a path gives -2.
  int CloseFile(LPCTSTR lpszFilePath = nullptr, bool bAfterException = false);

  // The whole entry into a movable global block of its size (GlobalFree it). False for a chunk
  // size of 0, an entry of size 0, a name not found or when no memory can be had.
  bool ExtractToGlobal(WORD uIndex, HGLOBAL& hGlobal, DWORD uChunk);
  bool ExtractToGlobalByName(LPCTSTR lpszName, HGLOBAL& hGlobal, DWORD uChunk);
  // The whole entry into a heap block (free it); an entry of size 0 gives a valid block of
  // size 0.
  bool ExtractToBuffer(WORD uIndex, BYTE*& pBuffer, DWORD& uSize, DWORD uChunk);
  bool ExtractToBufferByName(LPCTSTR lpszName, BYTE*& pBuffer, DWORD& uSize, DWORD uChunk);

  // When set, CloseFile skips the CRC-32 comparison.
  bool m_bIgnoreCRC;
  // Every block zlib allocates is recorded and freed at the latest when the entry is closed.
  bool m_bDetectZlibMemoryLeaks;

 protected:
  [[noreturn]] void ThrowError(int err) const;
  [[noreturn]] void ThrowError(int err, LPCTSTR detail) const;
  // Raises code 101 while reading the current entry's data.
  [[noreturn]] void ThrowDamaged() const;
  // After an extraction has read all it could: raises code 102 (the checksum of what came does
  // not match) or 101 when the entry's data ended before its recorded size.
  void ThrowIfShort() const;
  void CryptInitKeys();
  void CryptUpdateKeys(char c);
  char CryptDecryptByte() const { const DWORD temp = (m_keys[2] & 0xffff) | 2; return static_cast<char>((temp * (temp ^ 1)) >> 8); }
  void CryptDecodeBuffer(char* pBuffer, DWORD uCount);
  bool CryptCheck();
  // Reads and throws away the entry's compressed bytes not yet read, so that the archive
  // stands at the data descriptor.
  void SkipRemainingData();
  // Ends the open entry's state without any check.
  void ReleaseEntry();

  static void* MyAlloc(void* opaque, UINT items, UINT size);
  static void MyFree(void* opaque, void* address);

  CZipClbckStrg m_callbacks;
  bool m_bCaseSensitive;
  ZIPSTRINGCOMPARE m_pZipCompare;
  CZipInternalInfo m_info;
  CZipStorage m_storage;
  CZipCentralDir m_centralDir;
  signed char m_iFileOpened;  // 0 none, -1 extracting, 1 compressing (never)
  bool m_bAutoFlush;
  CString m_szRootPath;
  CString m_szTempPath;
  int m_iArchiveSystCompatib;
  CZipPtrList<void*> m_list;  // the blocks zlib allocated
  CZipAutoBuffer m_pszPassword;
  DWORD m_keys[3];

 private:
  bool m_bEntryFailed;       // an exception was raised for the open entry
  bool m_bDummyInputGiven;   // the one byte beyond the data was offered to inflate
  bool m_bInflateStarted;    // inflateInit2 succeeded for the open entry
};
