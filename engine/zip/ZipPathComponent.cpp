#include "ZipPathComponent.h"

#include "base/codepage.h"

namespace {

// Length of the part of "\\?\unc\" that the path starts with (letters without regard to case),
// when that part is a whole prefix: 2, 4 or 8 characters; otherwise 0.
int PrefixLength(const CString& path) {
  static const char16_t kPrefix[] = u"\\\\?\\unc\\";
  int length = 0;
  while (length < 8 && length < path.GetLength() &&
         nux::LowerAscii(static_cast<char16_t>(path[length])) == kPrefix[length]) {
    ++length;
  }
  return (length == 8 || length == 4 || length == 2) ? length : 0;
}

}  // namespace

void CZipPathComponent::RemoveSeparators(CString& szPath) {
  int length = szPath.GetLength();
  while (length > 0 && IsSeparator(szPath[length - 1])) --length;
  if (length != szPath.GetLength()) szPath = szPath.Left(length);
}

void CZipPathComponent::AppendSeparator(CString& szPath) {
  const int length = szPath.GetLength();
  if (length == 0 || !IsSeparator(szPath[length - 1])) szPath += m_cSeparator;
}

void CZipPathComponent::SetFullPath(LPCTSTR lpszFullPath) {
  CString path(lpszFullPath ? lpszFullPath : u"");
  m_szPrefix.Empty();
  m_szDrive.Empty();
  m_szDirectory.Empty();
  m_szFileTitle.Empty();
  m_szFileExt.Empty();
  m_bRooted = false;

  const int prefix = PrefixLength(path);
  m_szPrefix = path.Left(prefix);
  CString rest = path.Mid(prefix);

  if (prefix == 2 || prefix == 8) {
    // server\share
    int separators = 0;
    int i = 0;
    for (; i < rest.GetLength(); ++i) {
      if (IsSeparator(rest[i]) && ++separators == 2) break;
    }
    m_szDrive = rest.Left(i);
    rest = rest.Mid(i);
  } else if (rest.GetLength() >= 2 && rest[1] == u':') {
    m_szDrive = rest.Left(2);
    rest = rest.Mid(2);
  }

  int last = rest.GetLength() - 1;
  while (last >= 0 && !IsSeparator(rest[last])) --last;
  CString name = rest.Mid(last + 1);
  if (last >= 0) {
    m_bRooted = IsSeparator(rest[0]);
    m_szDirectory = rest.Left(last);
  }
  const int dot = name.ReverseFind(u'.');
  if (dot >= 0) {
    m_szFileTitle = name.Left(dot);
    m_szFileExt = name.Mid(dot + 1);
  } else {
    m_szFileTitle = name;
  }
}

void CZipPathComponent::SetExtension(LPCTSTR lpszExt) {
  CString ext(lpszExt ? lpszExt : u"");
  if (!ext.IsEmpty() && ext[0] == u'.') ext = ext.Mid(1);
  m_szFileExt = ext;
}

CString CZipPathComponent::GetFileName() const {
  CString name = m_szFileTitle;
  if (!m_szFileExt.IsEmpty()) {
    name += u'.';
    name += m_szFileExt;
  }
  return name;
}

CString CZipPathComponent::GetFilePath() const { return m_szPrefix + m_szDrive + m_szDirectory; }

CString CZipPathComponent::GetNoDrive() const {
  CString path = m_szDirectory;
  if (!path.IsEmpty() || m_bRooted) path += m_cSeparator;
  return path + GetFileName();
}

CString CZipPathComponent::GetFullPath() const { return m_szPrefix + m_szDrive + GetNoDrive(); }
