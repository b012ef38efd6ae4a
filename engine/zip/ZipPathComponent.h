// Splits a Windows path into prefix, drive, folder, file title and extension, and puts full
// paths back together from them.
//
//   \\?\UNC\server\share\dir\name.ext   prefix "\\?\UNC\", drive "server\share"
//   \\server\share\dir\name.ext         prefix "\\",       drive "server\share"
//   \\?\C:\dir\name.ext                 prefix "\\?\",     drive "C:"
//   C:\dir\name.ext                     drive "C:", folder "\dir", title "name", extension "ext"
#pragma once

#include "mfc/cstring.h"

class CZipPathComponent {
 public:
  CZipPathComponent() = default;
  explicit CZipPathComponent(LPCTSTR lpszFullPath) { SetFullPath(lpszFullPath); }

  static const WCHAR m_cSeparator = u'\\';

  static bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }
  // Removes every trailing "\" and "/".
  static void RemoveSeparators(CString& szPath);
  // Appends "\" unless the path already ends with a separator.
  static void AppendSeparator(CString& szPath);

  void SetFullPath(LPCTSTR lpszFullPath);

  CString GetFileTitle() const { return m_szFileTitle; }
  void SetFileTitle(LPCTSTR lpszFileTitle) { m_szFileTitle = lpszFileTitle; }
  // The extension without its ".".
  CString GetFileExt() const { return m_szFileExt; }
  void SetExtension(LPCTSTR lpszExt);
  // Title and extension.
  CString GetFileName() const;
  // Prefix and drive, as the path started.
  CString GetFileDrive() const { return m_szPrefix + m_szDrive; }
  // The folder without a trailing "\" (the root folder is "").
  CString GetFileDir() const { return m_szDirectory; }
  // Prefix, drive and folder.
  CString GetFilePath() const;
  // The whole path again.
  CString GetFullPath() const;
  // The path without prefix and drive.
  CString GetNoDrive() const;

 protected:
  CString m_szPrefix;
  CString m_szDrive;
  CString m_szDirectory;  // folder as written, without its trailing separator
  bool m_bRooted = false;  // the folder part started with a separator
  CString m_szFileTitle;
  CString m_szFileExt;
};
