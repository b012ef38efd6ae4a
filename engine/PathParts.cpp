#include "PathParts.h"

void AddBackslash(CString& path) {
  if (path.IsEmpty() || path[path.GetLength() - 1] != u'\\') path += u'\\';
}

CPathParts::CPathParts(const CString& path) : m_strPath(path) {
  const int dot = path.ReverseFind(u'.');
  const int slash = path.ReverseFind(u'\\');
  if (dot < 0 || slash < 0) return;

  m_strFolder = path.Left(slash);
  if (dot > slash) {
    m_strTitle = path.Mid(slash + 1, dot - slash - 1);
    m_strExtension = path.Mid(dot);
  } else {
    m_strTitle = path.Mid(slash + 1);  // the dot lies in a folder name
  }
  m_strName = m_strTitle + m_strExtension;
  AddBackslash(m_strFolder);
}
