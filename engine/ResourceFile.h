// A content file read by path: a loose file when one lies at the path, otherwise an entry of
// the nearest ".nux" archive up the path (C:\Content\Frames.nux stands for the folder
// C:\Content\Frames). One object can serve several reads in a row; an archive it opened stays
// open until a path resolves to another archive or Close(TRUE) is called, so that files read
// one after another from one archive open it once.
//
// The archive reader's errors (CZipException*, or CFileException* when an archive file cannot
// be opened) are not caught here: they pass to the caller of Open and of the reads.
#pragma once

#include <cstdio>

#include "base/types.h"
#include "mfc/cstring.h"
#include "zip/ZipArchive.h"

class CResourceFile {
 public:
  // The password of the library's ".nux" archives.
  static const WCHAR kArchivePassword[];

  CResourceFile();
  ~CResourceFile();
  CResourceFile(const CResourceFile&) = delete;
  CResourceFile& operator=(const CResourceFile&) = delete;

  // Makes the path the current file: the loose file when the path exists (a folder there is
  // no file: FALSE), otherwise an entry of the nearest ".nux" archive up the path. TRUE when a
  // loose file was opened or an archive entry selected; whether the entry exists is told by
  // the read that follows.
  BOOL Open(LPCWSTR lpszPath);
  // The whole current file in a heap block (free() it). The outputs are null and 0 first. An
  // empty loose file gives FALSE; an empty archive entry gives TRUE with size 0.
  BOOL ReadAll(BYTE*& pData, DWORD& dwSize);
  // The whole current file in a movable global block of its size (GlobalFree() it). FALSE for
  // an empty file or entry.
  BOOL ReadAllGlobal(HGLOBAL& hGlobal);
  // The whole current file as ANSI text, up to its first NUL byte.
  BOOL ReadText(CString& strText);
  // Ends the current file; with bCloseArchive also closes the held archive.
  void Close(BOOL bCloseArchive);

 private:
  // Looks for the archive that stands for a folder of the path and selects the entry.
  BOOL OpenArchiveEntry(const CString& path);
  // Size of the open loose file, positioned at its start; FALSE when it cannot be had, is 0
  // or does not fit in 32 bits.
  BOOL LooseFileSize(DWORD& dwSize);
  bool HasArchiveEntry() const { return m_pZip != nullptr && !m_strZipPath.IsEmpty() && !m_strZipEntry.IsEmpty(); }

  FILE* m_pFile;            // the loose file open for reading; null when none
  CZipArchive* m_pZip;      // the archive held open; null when none
  CString m_strZipPath;     // the held archive's path ("...\Folder.nux"); "" when none
  CString m_strZipEntry;    // the current entry's name inside the archive; "" when none
};
