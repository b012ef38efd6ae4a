// The archive's storage: the archive file (or, for an archive in several volumes, the volume
// file in use), read with seeks and with reads that may continue on the next volume.
//
// Only the read side exists: archives are opened (read-only or read-write) and read, never
// created or written.
#pragma once

#include "ZipFile.h"
#include "base/types.h"
#include "mfc/cstring.h"

// A callback of a long action. The disk-change callback is asked for the volume in
// m_uDiskNeeded and returns false to give up.
class CZipActionCallback {
 public:
  virtual ~CZipActionCallback() = default;
  virtual bool Callback(int iProgress) = 0;
  int m_uDiskNeeded = 0;
};

class CZipStorage {
 public:
  enum ZipSpanMode {
    noSpan = 0,         // one file
    pkzipSpan = 1,      // one volume a removable disk, every volume with the same name
    tdSpan = 2,         // volumes by file name: name.000, name.001, ..., the last one the archive
    suggestedAuto = 3,  // not known yet: decided by the drive when a volume number turns up
    suggestedTd = 4     // not known yet: by file names
  };
  enum OpenMode { zipOpen = 0, zipOpenReadOnly = 1, zipCreate = 2, zipCreateSpan = 3 };

  CZipStorage();
  ~CZipStorage();
  CZipStorage(const CZipStorage&) = delete;
  CZipStorage& operator=(const CZipStorage&) = delete;

  // Opens an existing archive: read-only for zipOpenReadOnly, read-write for zipOpen, sharing
  // denied for writing. A file that cannot be opened throws the file error (CFileException).
  // The create modes belong to writing archives and raise code 112.
  void Open(LPCTSTR szPathName, int iMode, int iVolumeSize);
  // Takes the volume number of the end record: 0 keeps the archive a single file, anything
  // else makes the archive the last volume of a multi-volume archive.
  void UpdateSpanMode(WORD uLastDisk);
  // Makes volume iNumber the file in use. A single-volume archive has no other volume, and a
  // multi-volume archive none after its last: asking for one raises code 101.
  void ChangeDisk(int iNumber);
  // Reads iSize bytes. A read that reaches the end of a volume goes on with the next one,
  // unless bAtOnce asks for the bytes in one piece; missing bytes raise code 101.
  DWORD Read(void* pBuf, DWORD iSize, bool bAtOnce);
  // Closes the file; returns the archive's path.
  CString Close(bool bAfterException);

  // 0 for a single file; otherwise 1 while writing a new multi-volume archive, else -1.
  int IsSpanMode() const;
  bool IsClosed() const { return m_pFile == nullptr; }
  bool IsReadOnly() const { return m_bReadOnly; }
  int GetCurrentDisk() const { return m_iCurrentDisk; }
  // The path of the file in use; "" when closed.
  CString GetFilePath() const;
  // Raises a CZipException with the code and the path of the file in use.
  [[noreturn]] void ThrowError(int err) const;
  [[noreturn]] void ThrowError(int err, LPCTSTR detail) const;

  DWORD m_iWriteBufferSize;      // 65536; writing only
  CZipFile m_internalfile;       // the file of every volume
  CZipAbstractFile* m_pFile;     // the file in use; null while closed
  int m_iSpanMode;
  CZipActionCallback* m_pChangeDiskFunc;  // asks for the next disk; never set here
  int m_iTdSpanData;             // tdSpan: the number of the last volume
  CString m_szSpanExtension;     // the archive's own extension once it is a multi-volume archive
  bool m_bNewSpan;               // writing a new multi-volume archive; never set here
  int m_iCurrentDisk;            // the volume in use; -1 while closed
  bool m_bInMemory;
  bool m_bReadOnly;

 protected:
  // The path of volume iNumber of a multi-volume archive by file names.
  CString GetTdVolumeName(int iNumber) const;
  void OpenFile(LPCTSTR lpszName, UINT uFlags);

  CString m_szArchivePath;  // the path the archive was opened with (its last volume)
};
