// The central directory of an archive: the end record, the entries' headers in the order of
// their local headers, and a name index sorted by name for the search by name.
#pragma once

#include "ZipAutoBuffer.h"
#include "ZipCollections.h"
#include "ZipFileHeader.h"
#include "base/types.h"
#include "mfc/cstring.h"

class CZipStorage;

// Compares two names: negative, 0 or positive as a sorts before, equal to or after b.
typedef int (*ZIPSTRINGCOMPARE)(const CString& a, const CString& b);

class CZipCentralDir {
 public:
  // One element of the name index.
  struct CZipFindFast {
    CZipFindFast() : m_pHeader(nullptr), m_uIndex(0) {}
    CZipFindFast(CZipFileHeader* pHeader, WORD uIndex) : m_pHeader(pHeader), m_uIndex(uIndex) {}
    CZipFileHeader* m_pHeader;
    WORD m_uIndex;
  };

  enum { endRecordSize = 22, maxCommentSize = 65535 };

  CZipCentralDir();
  ~CZipCentralDir();
  CZipCentralDir(const CZipCentralDir&) = delete;
  CZipCentralDir& operator=(const CZipCentralDir&) = delete;

  // Attaches the directory to the archive's storage.
  void Init(CZipStorage* pStorage);
  // Back to the state of an archive not yet read: no headers, no current header, nothing in
  // front of the archive.
  void Clear();
  // Locates and reads the end record and the headers (raises codes 101, 103 and 116).
  void Read();
  // Offset of the end record's signature in the file (raises code 116 when there is none).
  ULONGLONG Locate();
  // Reads the zip64 end record that a locator just before the end record points to, and
  // takes from it every field that the end record leaves at its maximum. Returns the position
  // of the zip64 end record (where the directory must end), or the end record's position when
  // the archive has none. Values this reader cannot hold raise code 101 with a detail.
  ULONGLONG ReadZip64End();

  // Positions the storage on the data of entry uIndex after checking its local header
  // (code 101 when it does not fit).
  void OpenFile(WORD uIndex);
  // Ends the current entry: unless after an exception, checks the data descriptor of an
  // entry that has one (code 101 when it does not match).
  void CloseFile(bool bAfterException);

  bool IsValidIndex(int uIndex) const { return uIndex >= 0 && uIndex < m_headers.GetSize(); }
  int GetCount() const { return m_headers.GetSize(); }
  CZipFileHeader* operator[](int uIndex) const { return m_headers[uIndex]; }

  // Builds the name index with the case rule.
  void BuildFindFastArray(bool bCaseSensitive);
  // Index of the entry of that name through the name index (built first when needed), or -1.
  int FindFileNameIndex(LPCTSTR lpszFileName, bool bCaseSensitive);
  // The routine for the case rule.
  static ZIPSTRINGCOMPARE GetCompareFunction(bool bCaseSensitive);

  // Drops the headers held.
  void RemoveHeaders();

  char m_szSignature[4];
  CZipAutoBuffer m_pszComment;     // the archive comment
  CZipAutoBuffer m_pLocalExtraField;  // the local extra field of the entry being read
  CZipFileHeader* m_pOpenedFile;   // the entry being read; null when none
  CZipStorage* m_pStorage;
  DWORD m_iBufferSize;             // bytes per read in the end-record search (32768)
  CZipArray<CZipFileHeader*> m_headers;  // owned, in index order
  bool m_bConvertAfterOpen;
  CZipArray<CZipFindFast> m_findarray;   // sorted by name
  bool m_bFindFastEnabled;
  ZIPSTRINGCOMPARE m_pCompare;
  bool m_bCaseSensitive;
  ULONGLONG m_uEndOffset;          // of the end record in the file
  ULONGLONG m_uBytesBeforeZip;     // data in front of the archive proper
  WORD m_uThisDisk;
  WORD m_uDiskWithCD;
  WORD m_uDiskEntriesNo;
  WORD m_uEntriesNumber;
  DWORD m_uSize;                   // of the central directory
  DWORD m_uOffset;                 // of the central directory, from the start of the archive proper
  bool m_bOnDisk;

 protected:
  void ReadHeaders();
  void SortHeaders();
};
