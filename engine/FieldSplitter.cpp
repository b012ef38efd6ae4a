#include "FieldSplitter.h"

CFieldSplitter::CFieldSplitter() : m_strSeparator(u",") {}

CFieldSplitter::CFieldSplitter(const CString& text) : m_strText(text), m_strSeparator(u",") {}

void CFieldSplitter::SetSeparator(const CString& separator) { m_strSeparator = separator; }

int CFieldSplitter::GetCount() const {
  if (m_strText.IsEmpty()) return 0;
  const int step = m_strSeparator.GetLength();
  if (step == 0) return 1;  // no separator: the whole text is one field
  int count = 1;
  for (int at = m_strText.Find(m_strSeparator, 0); at >= 0; at = m_strText.Find(m_strSeparator, at + step)) {
    ++count;
  }
  return count;
}

BOOL CFieldSplitter::FindField(int n, int& start, int& length) const {
  start = 0;
  length = 0;
  if (m_strText.IsEmpty()) return FALSE;
  if (n < 1) n = 1;
  const int textLength = m_strText.GetLength();
  const int step = m_strSeparator.GetLength();
  for (int k = 1; k < n; ++k) {
    const int at = step == 0 ? -1 : m_strText.Find(m_strSeparator, start);
    if (at < 0) {
      start = textLength;
      length = 0;
      return TRUE;
    }
    start = at + step;
  }
  const int end = step == 0 || start >= textLength ? -1 : m_strText.Find(m_strSeparator, start);
  length = (end < 0 ? textLength : end) - start;
  return TRUE;
}

CString CFieldSplitter::GetField(int n) const {
  int start = 0;
  int length = 0;
  if (!FindField(n, start, length) || length == 0) return CString();
  CString field = m_strText.Mid(start, length);
  field.Trim();
  return field;
}

void CFieldSplitter::StripTags() {
  int pos = 0;
  for (;;) {
    const int open = m_strText.Find(u'<', pos);
    if (open < 0) return;
    const int close = m_strText.Find(u'>', open);
    if (close < 0) return;
    m_strText.Delete(open, close - open + 1);
    pos = open;
  }
}
