// The parts of a file path, and the trailing-backslash helper that goes with them.
#pragma once

#include "mfc/cstring.h"

// Appends "\" unless the path already ends with one (an empty path becomes "\").
void AddBackslash(CString& path);

// Splits a path such as C:\Dir\File.ext into title File, folder C:\Dir\, extension .ext and
// name File.ext. The parts are filled only when the path holds both a "\" and a "."; a path
// without either leaves them empty. A dot that belongs to a folder (before the last "\") is no
// extension: C:\my.dir\file gives the title and name file and no extension.
class CPathParts {
 public:
  explicit CPathParts(const CString& path);

  CString m_strPath;       // the path passed in
  CString m_strTitle;      // file name without its extension
  CString m_strFolder;     // the folder, ending in "\"
  CString m_strExtension;  // from the last "." to the end, dot included
  CString m_strName;       // title followed by extension
};
