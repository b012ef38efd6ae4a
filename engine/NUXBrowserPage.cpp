// Page building: the record's page text put into the template's body, bookmark marks and
// search marks, and reading bookmark positions back from the shown page.
//
// Bookmark positions are UTF-16 indexes into the body's markup with every mark removed (the
// clean text). Search hits are marked only in text: never inside a tag, across markup or
// inside a character reference such as "&amp;".
#include <algorithm>
#include <string>
#include <string_view>

#include "NUXBrowser.h"
#include "Report.h"
#include "NUXUtils.h"
#include "VariantText.h"


namespace {

constexpr std::u16string_view kSearchStart = BROWSER_SEARCH_START;
constexpr std::u16string_view kSearchEnd = BROWSER_SEARCH_END;
constexpr std::u16string_view kBookmarkEnd = BROWSER_BOOKMARK_END;

char16_t UpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

// The text with a to z upper-cased (the comparison of the engine's FindNoCase).
std::u16string Folded(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = UpperAscii(c);
  return out;
}

std::u16string_view View(const CString& s) { return std::u16string_view(s.GetString(), size_t(s.GetLength())); }

bool ReferenceChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'#';
}

// When a character reference ("&name;", "&#123;") begins at `amp`: the index of its ";",
// else npos. Names are short; longer runs are no reference.
size_t ReferenceEnd(std::u16string_view text, size_t amp) {
  constexpr size_t kLongest = 12;
  if (amp >= text.size() || text[amp] != u'&') return std::u16string_view::npos;
  size_t i = amp + 1;
  while (i < text.size() && i - amp <= kLongest && ReferenceChar(text[i])) ++i;
  if (i < text.size() && i > amp + 1 && i - amp <= kLongest && text[i] == u';') return i;
  return std::u16string_view::npos;
}

// True when the stretch [hit, hit + length) cuts a character reference: it begins inside
// one, or ends inside one (a reference wholly inside the stretch is fine).
bool CutsReference(std::u16string_view text, size_t hit, size_t length) {
  constexpr size_t kLongest = 12;
  size_t from = hit > kLongest ? hit - kLongest : 0;
  for (size_t a = hit; a-- > from;) {
    if (text[a] == u'&') {
      size_t end = ReferenceEnd(text, a);
      if (end != std::u16string_view::npos && end >= hit) return true;
      break;
    }
    if (!ReferenceChar(text[a])) break;
  }
  for (size_t a = hit; a < hit + length; ++a) {
    if (text[a] != u'&') continue;
    size_t end = ReferenceEnd(text, a);
    if (end != std::u16string_view::npos && end >= hit + length) return true;
  }
  return false;
}

// Marks the hits of one term in one pass over the text; the number of marks put.
int MarkTerm(std::u16string& text, std::u16string_view term) {
  const std::u16string upper = Folded(text);
  const std::u16string key = Folded(term);
  const size_t length = key.size();
  const size_t npos = std::u16string::npos;
  std::u16string out;
  size_t copied = 0, pos = 0;
  // The next "<" and ">" at or after the last hit looked at (searched again only when a hit
  // lies past them, so the scans cover the text once).
  size_t nextLt = 0, nextGt = 0;
  bool ltKnown = false, gtKnown = false;
  int marks = 0;
  for (;;) {
    size_t hit = upper.find(key, pos);
    if (hit == npos) break;
    pos = hit + length;
    if (!ltKnown || (nextLt != npos && nextLt < hit)) {
      nextLt = upper.find(u'<', hit);
      ltKnown = true;
    }
    if (!gtKnown || (nextGt != npos && nextGt < hit)) {
      nextGt = upper.find(u'>', hit);
      gtKnown = true;
    }
    const bool inTag = nextGt != npos && (nextLt == npos || nextGt < nextLt);
    const bool crossesMarkup = (nextLt != npos && nextLt < hit + length) || (nextGt != npos && nextGt < hit + length);
    if (inTag || crossesMarkup || CutsReference(text, hit, length)) continue;
    if (out.empty()) out.reserve(text.size() + text.size() / 8);
    out.append(text, copied, hit - copied);
    out += kSearchStart;
    out.append(text, hit, length);
    out += kSearchEnd;
    copied = hit + length;
    ++marks;
  }
  if (marks == 0) return 0;
  out.append(text, copied, npos);
  text.swap(out);
  return marks;
}

// Every occurrence of `what` replaced by `with`.
std::u16string Replaced(std::u16string_view text, std::u16string_view what, std::u16string_view with) {
  std::u16string out;
  size_t pos = 0;
  for (;;) {
    size_t hit = text.find(what, pos);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(with);
    pos = hit + what.size();
  }
  out.append(text.substr(pos));
  return out;
}

// The decimal number at the start of the text (0 when none).
unsigned long LeadingNumber(std::u16string_view text) {
  unsigned long n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    n = n * 10 + unsigned(c - u'0');
  }
  return n;
}

// Every occurrence of `what` removed, scanning on after each removal, as ReplaceAll with an
// empty replacement does, in one pass (pages hold many prefixed addresses).
void RemoveAll(CString& text, const CString& what) {
  std::u16string_view src = View(text), key = View(what);
  std::u16string out;
  size_t pos = 0;
  bool removed = false;
  for (;;) {
    size_t at = src.find(key, pos);
    if (at == std::u16string_view::npos) break;
    out.append(src.substr(pos, at - pos));
    pos = at + key.size();
    removed = true;
  }
  if (!removed) return;
  out.append(src.substr(pos));
  text = CString(out);
}

}  // namespace

// ---- the text operations of the marks ----------------------------------------------------

void CNUXBrowser::InsertBookmarkMark(CString& text, long start, long end, UINT type, long id) {
  InsertBookmarkMarks(text, {CBookmarkMark{start, end, type, id}});
}

void CNUXBrowser::InsertBookmarkMarks(CString& text, const std::vector<CBookmarkMark>& marks) {
  if (marks.empty()) return;
  // Inserting the marks one by one, each end before its start, puts a later insertion in
  // front of an earlier one at the same index; sorting the pieces by index and then by
  // descending order of insertion gives the same text in one pass.
  struct Piece {
    size_t pos;
    size_t order;
    CString markup;
  };
  const size_t length = size_t(text.GetLength());
  auto clamp = [length](long p) { return p < 0 ? size_t(0) : std::min(size_t(p), length); };
  std::vector<Piece> pieces;
  pieces.reserve(marks.size() * 2);
  size_t order = 0;
  size_t extra = 0;
  for (const CBookmarkMark& m : marks) {
    CString start;
    start.Format(BROWSER_BOOKMARK_START, m.nType, unsigned(m.lID), m.nType);
    pieces.push_back({clamp(m.lEnd), order++, CString(BROWSER_BOOKMARK_END)});
    extra += start.GetLength() + kBookmarkEnd.size();
    pieces.push_back({clamp(m.lStart), order++, start});
  }
  std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
    return a.pos != b.pos ? a.pos < b.pos : a.order > b.order;
  });
  std::u16string_view src = View(text);
  std::u16string out;
  out.reserve(length + extra);
  size_t copied = 0;
  for (const Piece& p : pieces) {
    out.append(src.substr(copied, p.pos - copied));
    copied = p.pos;
    out.append(View(p.markup));
  }
  out.append(src.substr(copied));
  text = CString(out);
}

int CNUXBrowser::MarkSearchHits(CString& text, const CStringArray& terms) {
  // The given terms (empty ones skipped), then the variants of each: "ss" written as "ß"
  // and "ß" as "ss". Variants are made from the given terms only.
  std::vector<std::u16string> all;
  for (INT_PTR i = 0; i < terms.GetSize(); ++i)
    if (!terms[i].IsEmpty()) all.emplace_back(View(terms[i]));
  const size_t given = all.size();
  for (size_t i = 0; i < given; ++i) {
    const std::u16string term = all[i];
    if (term.find(u"ss") != std::u16string::npos) all.push_back(Replaced(term, u"ss", u"\u00DF"));
    if (term.find(u'\u00DF') != std::u16string::npos) all.push_back(Replaced(term, u"\u00DF", u"ss"));
  }
  // A term met before (any case) would only mark its hits a second time, inside the marks.
  std::vector<std::u16string> distinct, seen;
  for (std::u16string& term : all) {
    std::u16string key = Folded(term);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(std::move(key));
    distinct.push_back(std::move(term));
  }
  all.swap(distinct);
  if (all.empty()) return 0;
  std::u16string work(View(text));
  int marks = 0;
  for (const std::u16string& term : all) marks += MarkTerm(work, term);
  if (marks > 0) text = CString(work);
  return marks;
}

void CNUXBrowser::RemoveSearchMarks(CString& text) {
  // Each pass cuts every mark start with the first end after it; a mark inside another
  // (its start copied with the outer mark's text) goes in the next pass.
  const std::u16string startKey = Folded(kSearchStart), endKey = Folded(kSearchEnd);
  const size_t npos = std::u16string::npos;
  for (;;) {
    std::u16string_view src = View(text);
    const std::u16string upper = Folded(src);
    std::u16string out;
    size_t copied = 0;
    bool changed = false;
    for (;;) {
      size_t p = upper.find(startKey, copied);
      if (p == npos) break;
      size_t e = upper.find(endKey, p + startKey.size());
      if (e == npos) break;  // incomplete: the rest stays as it is
      out.append(src.substr(copied, p - copied));
      out.append(src.substr(p + startKey.size(), e - p - startKey.size()));
      copied = e + endKey.size();
      changed = true;
    }
    if (!changed) return;
    out.append(src.substr(copied));
    text = CString(out);
  }
}

void CNUXBrowser::WidenRangeOverLinks(const CString& text, long& start, long& end) {
  std::u16string_view s = View(text);
  const long length = long(s.size());
  auto at = [&](long i) { return i >= 0 && i < length ? s[size_t(i)] : char16_t(0); };
  auto nameEnds = [&](long i) {  // the tag name ends here (so "<ABBR" is no link)
    char16_t c = at(i);
    return c == 0 || c == u'>' || c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
  };
  auto opensLink = [&](long i, bool anyCase) {
    return at(i) == u'<' && (anyCase ? UpperAscii(at(i + 1)) == u'A' : at(i + 1) == u'A') && nameEnds(i + 2);
  };
  auto closesLink = [&](long i, bool anyCase) {
    return at(i) == u'<' && at(i + 1) == u'/' && (anyCase ? UpperAscii(at(i + 2)) == u'A' : at(i + 2) == u'A') &&
           nameEnds(i + 3);
  };
  if (start < 0) start = 0;
  if (end > length) end = length;
  // A range that starts inside a link's text takes in the whole link (a mark's anchor cannot
  // sit inside another link).
  for (long j = std::min(start, length) - 1; j >= 0; --j) {
    if (closesLink(j, true)) break;
    if (opensLink(j, true)) {
      start = j;
      for (long k = j + 2; k + 4 <= length; ++k) {
        if (closesLink(k, true) && at(k + 3) == u'>') {
          if (end < k + 4) end = k + 4;
          break;
        }
      }
      break;
    }
  }
  // Ends of links that begin inside the range: the range starts no later than their link.
  long pos = start;
  for (long i = start; i < end; ++i) {
    if (!closesLink(i, false)) continue;
    for (long j = i - 1; j >= 0; --j) {
      if (opensLink(j, true)) {
        if (j < start) start = j;
        break;
      }
    }
    pos = i + 2;
    i = pos - 1;
  }
  // Starts of links inside the range: the range ends no earlier than just past their end.
  for (long i = pos; i < end; ++i) {
    if (!opensLink(i, false)) continue;
    for (long k = i + 2; k + 4 <= length; ++k) {
      if (closesLink(k, true) && at(k + 3) == u'>') {
        if (end < k + 4) end = k + 4;
        break;
      }
    }
    i += 1;
  }
}

// ---- the road of a page --------------------------------------------------------------------

BOOL CNUXBrowser::Bind(CDaoRecordset* pSet, LPCWSTR lpszTitleColumn, LPCWSTR lpszHTMLColumn,
                       LPCWSTR lpszPathPrefix) {
  if (pSet == nullptr) return FALSE;
  m_pContentDB = pSet->m_pDatabase;
  m_strContentQuery = pSet->GetSQL();
  m_strTitleColumn = lpszTitleColumn != nullptr ? lpszTitleColumn : u"";
  m_strHTMLColumn = lpszHTMLColumn != nullptr ? lpszHTMLColumn : u"";
  m_strPathPrefix = lpszPathPrefix != nullptr ? lpszPathPrefix : u"";
  try {
    long id = ReadLongField(*pSet, u"ID");
    CString title;
    if (!m_strTitleColumn.IsEmpty()) {
      CVariantText value;
      pSet->GetFieldValue(m_strTitleColumn, value);
      title = value.ToString();
    }
    m_lContentID = id;
    m_strContentTitle = title;
    return TRUE;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::SyncBookmarks");
    return FALSE;
  }
}

CString CNUXBrowser::SetHTML(CDaoRecordset* pSet, LPCWSTR lpszTitleColumn, LPCWSTR lpszHTMLColumn,
                             LPCWSTR lpszPathPrefix) {
  // The page is built whether or not the bookmark store is open; without it the page only
  // has no bookmark marks.
  if (!Bind(pSet, lpszTitleColumn, lpszHTMLColumn, lpszPathPrefix)) return CString();
  try {
    CVariantText value;
    pSet->GetFieldValue(m_strHTMLColumn, value);
    CString text = value.ToString();
    if (!m_strPathPrefix.IsEmpty()) RemoveAll(text, m_strPathPrefix);
    SetPage(text);
    return text;
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::SetHTML");
    return CString();
  }
}

BOOL CNUXBrowser::SyncBookmarks(CDaoRecordset* pSet, LPCWSTR lpszTitleColumn, LPCWSTR lpszHTMLColumn,
                                LPCWSTR lpszPathPrefix) {
  if (!m_bBookmarksEnabled) return FALSE;
  return Bind(pSet, lpszTitleColumn, lpszHTMLColumn, lpszPathPrefix);
}

void CNUXBrowser::Refresh() {
  if (m_pContentDB == nullptr || m_strContentQuery.IsEmpty()) return;
  CDaoRecordset rs(m_pContentDB);
  rs.Open(dbOpenDynaset, m_strContentQuery);
  m_lContentID = -1;
  CString titleColumn = m_strTitleColumn, htmlColumn = m_strHTMLColumn, prefix = m_strPathPrefix;
  SetHTML(&rs, titleColumn, htmlColumn, prefix);
  rs.Close();
}

void CNUXBrowser::SetSearchTerms(const CStringArray& words) { m_aSearchTerms.Copy(words); }

void CNUXBrowser::SetPage(const CString& text) {
  if (m_bPrinting) return;
  if (m_bLoadPending) {
    m_strKeptPage = text;
    if (m_hWnd != nullptr) SetTimer(1, 25, nullptr);
    return;
  }
  const BOOL locked = m_hWnd != nullptr && LockWindowUpdate();
  ClearSelection();
  ScrollToTop();
  SetBodyHTML(text);
  MarkBookmarks();
  HighlightSearchTerms();
  if (!m_strPendingAnchor.IsEmpty() && GoToAnchor(m_strPendingAnchor)) m_strPendingAnchor.Empty();
  if (CWnd* parent = GetNotifyParent()) parent->SendMessage(WM_BROWSER_PAGEREADY, m_nControlID, 0);
  if (locked) UnlockWindowUpdate();
}

void CNUXBrowser::MarkBookmarks() {
  if (!m_bBookmarksEnabled || m_pBookmarkDB == nullptr) return;
  // The document holds the browser's own form of the page, to which the positions refer.
  IHTMLElement* body = GetBody();
  if (body == nullptr) return;
  body->Release();
  std::vector<CBookmarkMark> marks;
  {
    CDaoRecordset rs(m_pBookmarkDB);
    CString sql;
    sql.Format(u"SELECT * FROM Bookmark WHERE MID=%li AND PID<>0 ORDER BY StartChar DESC", m_lContentID);
    try {
      rs.Open(dbOpenDynaset, sql);
    } catch (CException* e) {
      ReportExceptionQuiet(e, u"CNUXBrowser::MarkBookmarks (1)");
      return;
    }
    if (rs.IsEOF()) return;
    try {
      for (; !rs.IsEOF(); rs.MoveNext()) {
        CBookmarkMark m;
        m.lStart = ReadLongField(rs, u"StartChar");
        m.lEnd = ReadLongField(rs, u"EndChar");
        m.nType = UINT(ReadLongField(rs, u"Type") & 0xFF);
        m.lID = ReadLongField(rs, u"ID");
        marks.push_back(m);
      }
    } catch (CException* e) {
      ReportExceptionQuiet(e, u"CNUXBrowser::MarkBookmarks (2)");
      return;
    }
  }
  CString text = GetBodyHTML();
  if (text.GetLength() < 2) return;
  InsertBookmarkMarks(text, marks);
  SetBodyHTML(text);
}

void CNUXBrowser::HighlightSearchTerms() {
  if (m_aSearchTerms.GetSize() == 0) return;
  CString text = GetBodyHTML();
  MarkSearchHits(text, m_aSearchTerms);
  SetBodyHTML(text);
  ScrollToElement(u"Search");
  m_aSearchTerms.RemoveAll();
}

void CNUXBrowser::RetrieveBookmarks() {
  if (m_pBookmarkDB == nullptr) return;
  CString text = GetBodyHTML();
  RemoveSearchMarks(text);
  CDaoRecordset rs(m_pBookmarkDB);
  CString sql;
  sql.Format(u"SELECT * FROM Bookmark WHERE MID=%li AND PID<>0", m_lContentID);
  try {
    rs.Open(dbOpenDynaset, sql);
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::RetrieveBookmarks (1)");
    return;
  }
  const CString startKey = u"<SPAN class=Bookmark";
  const CString anchorKey = u"<A name=Bookmark";
  try {
    for (;;) {
      int p = FindNoCase(text, startKey, 0);
      if (p < 0) break;
      // The start markup runs to the end of the IMG tag after the anchor; an incomplete
      // mark ends the pass.
      int anchorEnd = FindNoCase(text, u"</A>", p);
      if (anchorEnd < 0) break;
      int close = text.Find(u'>', anchorEnd + 5);
      if (close < 0) break;
      CString markup = text.Mid(p, close + 1 - p);
      text.Delete(p, close + 1 - p);
      int e = FindNoCase(text, BROWSER_BOOKMARK_END, p);
      if (e < 0) break;
      text.Delete(e, int(kBookmarkEnd.size()));
      std::u16string_view m = View(markup);
      unsigned long type = LeadingNumber(m.substr(size_t(startKey.GetLength())));
      int a = FindNoCase(markup, anchorKey, 0);
      if (a < 0) continue;
      long id = long(LeadingNumber(m.substr(size_t(a + anchorKey.GetLength()))));
      CString criteria;
      criteria.Format(u"ID=%li", id);
      if (rs.FindFirst(criteria)) {
        rs.Edit();
        rs.SetFieldValue(u"Type", BYTE(type));
        rs.SetFieldValue(u"StartChar", long(p));
        rs.SetFieldValue(u"EndChar", long(e));
        rs.Update();
      }
    }
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CNUXBrowser::RetrieveBookmarks (2)");
  }
  rs.Close();
}
