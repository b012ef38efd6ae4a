#include "IniText.h"

#include <climits>

#include "FileHelpers.h"
#include "ResourceFile.h"
#include "base/wstr.h"

namespace {

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t'; }

// Index of the first occurrence of `what` at or after `start` that begins a line: at the
// start of the text or after a line end, with only blanks and tabs before it; -1 when none.
int FindAtLineStart(const CString& text, const CString& what, int start) {
  for (int q = text.Find(what, start); q >= 0; q = text.Find(what, q + 1)) {
    int i = q;
    while (i > 0 && IsBlank(text[i - 1])) --i;
    if (i == 0 || text[i - 1] == u'\n' || text[i - 1] == u'\r') return q;
  }
  return -1;
}

}  // namespace

CIniText::CIniText() = default;

CIniText::~CIniText() = default;

BOOL CIniText::Load(LPCWSTR lpszPath, CResourceFile* pResourceFile) {
  const CString path(lpszPath ? lpszPath : u"");
  CString text;
  if (pResourceFile) {
    if (!pResourceFile->Open(path)) return FALSE;
    if (!pResourceFile->ReadText(text)) return FALSE;
    pResourceFile->Close(FALSE);
  } else if (!ReadTextFile(path, text)) {
    return FALSE;
  }
  Normalize(text);
  GetPathFolder(path);
  return TRUE;
}

void CIniText::Normalize(const CString& strText) {
  m_strFolder.Empty();
  CString text = strText;
  text.Replace(u" =", u"=");
  text.Replace(u"= ", u"=");

  // A comment runs from its ";" to the line end; the line end itself stays, so the next
  // line keeps its own key.
  CString result;
  const int length = text.GetLength();
  const WCHAR* p = text;
  int i = 0;
  while (i < length) {
    const int semicolon = text.Find(u';', i);
    if (semicolon < 0) {
      result.Append(p + i, length - i);
      break;
    }
    result.Append(p + i, semicolon - i);
    const int lineEnd = text.Find(u'\n', semicolon);
    if (lineEnd < 0) break;
    i = lineEnd;
  }
  m_strText = result;
}

void CIniText::GetPathFolder(const CString& strPath) {
  const int i = strPath.ReverseFind(u'\\');
  m_strFolder = i >= 0 ? strPath.Left(i) : CString();
}

CString CIniText::GetString(LPCWSTR lpszSection, LPCWSTR lpszKey, LPCWSTR lpszDefault) const {
  CString upper = m_strText;
  upper.MakeUpper();
  CString section(lpszSection ? lpszSection : u"");
  section.MakeUpper();
  CString key(lpszKey ? lpszKey : u"");
  key.MakeUpper();

  const int p = upper.Find(u"[" + section + u"]");
  if (p < 0) return CString();
  int e = upper.Find(u'[', p + 1);
  if (e < 0) e = upper.GetLength();

  CString value(lpszDefault ? lpszDefault : u"");
  const int q = FindAtLineStart(upper, key + u"=", p);
  if (q > p && q < e) {
    const int v = q + key.GetLength() + 1;
    int end = m_strText.Find(u'\n', v);
    if (end < 0) end = m_strText.Find(u'\r', v);
    if (end < 0) end = m_strText.GetLength();
    value = m_strText.Mid(v, end - v);
  }
  value.Trim();
  return value;
}

int CIniText::GetInt(LPCWSTR lpszSection, LPCWSTR lpszKey, int nDefault) const {
  char16_t number[16];
  swprintf(number, 16, u"%i", nDefault);
  const CString value = GetString(lpszSection, lpszKey, number);
  // Leading white space, an optional sign, decimal digits up to the first other character.
  const WCHAR* s = value;
  while (iswspace(*s)) ++s;
  bool negative = false;
  if (*s == u'+' || *s == u'-') negative = *s++ == u'-';
  long long result = 0;
  while (*s >= u'0' && *s <= u'9') {
    result = result * 10 + (*s++ - u'0');
    if (result > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) result = -result;
  if (result > INT_MAX) return INT_MAX;
  if (result < INT_MIN) return INT_MIN;
  return static_cast<int>(result);
}
