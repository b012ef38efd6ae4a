// A reader of small ini-style texts (skin descriptions) that may lie loose or inside a ".nux"
// archive: the whole file is read once, normalised, and looked up by text search. It also
// keeps the folder of the file, since a description names its images relative to it.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"

class CResourceFile;

class CIniText {
 public:
  CIniText();
  ~CIniText();

  // Reads the file whole, through the resource file when one is given (its archive stays open
  // for the caller's next files), else directly as a text file. A failed load leaves the
  // previous text and folder as they were. The resource file's exceptions pass through.
  BOOL Load(LPCWSTR lpszPath, CResourceFile* pResourceFile = nullptr);

  // The value of the key in the section, blanks removed at both ends; the default when the
  // section has no such key, and "" when there is no such section. Section and key names
  // match whatever the case of the letters a to z; the key must begin a line.
  CString GetString(LPCWSTR lpszSection, LPCWSTR lpszKey, LPCWSTR lpszDefault) const;
  // The value as a decimal number (leading digits only; 0 without digits); the default when
  // the section has no such key, 0 when there is no such section.
  int GetInt(LPCWSTR lpszSection, LPCWSTR lpszKey, int nDefault) const;
  // The folder of the loaded file (without its trailing "\").
  CString GetFolder() const { return m_strFolder; }

  // Makes the text the held one in normal form: one blank directly before and one directly
  // after each "=" removed, and every ";" comment removed up to its line end (the line end
  // stays). The folder becomes "".
  void Normalize(const CString& strText);
  // The folder becomes the part of the path before its last "\" ("" when it has none).
  void GetPathFolder(const CString& strPath);

 private:
  CString m_strFolder;
  CString m_strText;
};
