// Page building: the record's page text put into the template's body, bookmark marks and
// search marks, and reading bookmark positions back from the shown page.
//
// Bookmark positions are UTF-16 indexes into the body's markup with every mark removed (the
// clean text). Search hits are marked only in rendered text: never inside a tag or a comment,
// across markup, inside a character reference such as "&amp;", or in the text of a script, a
// style sheet, a title, an edit or another element whose content is no rendered markup.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "NUXBrowser.h"
#include "base/textcase.h"
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

bool Blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }
bool AsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool StartsNoCase(std::u16string_view s, size_t at, std::u16string_view upperWord) {
  if (at > s.size() || s.size() - at < upperWord.size()) return false;
  for (size_t i = 0; i < upperWord.size(); ++i)
    if (UpperAscii(s[at + i]) != upperWord[i]) return false;
  return true;
}

bool NameEnds(std::u16string_view s, size_t at) {
  return at >= s.size() || s[at] == u'>' || s[at] == u'/' || Blank(s[at]);
}

// From just past "<" or "</": the index just past the tag's ">" (the end of the text when the
// tag is not closed), reading the name and the attributes (quoted values may hold "<" and ">").
size_t SkipTag(std::u16string_view s, size_t i) {
  const size_t n = s.size();
  while (i < n && !Blank(s[i]) && s[i] != u'/' && s[i] != u'>') ++i;
  for (;;) {
    while (i < n && (Blank(s[i]) || s[i] == u'/')) ++i;
    if (i >= n) return n;
    if (s[i] == u'>') return i + 1;
    ++i;
    while (i < n && !Blank(s[i]) && s[i] != u'/' && s[i] != u'>' && s[i] != u'=') ++i;
    while (i < n && Blank(s[i])) ++i;
    if (i >= n || s[i] != u'=') continue;
    ++i;
    while (i < n && Blank(s[i])) ++i;
    if (i >= n) return n;
    if (s[i] == u'"' || s[i] == u'\'') {
      size_t close = s.find(s[i], i + 1);
      if (close == std::u16string_view::npos) return n;
      i = close + 1;
    } else {
      while (i < n && !Blank(s[i]) && s[i] != u'>') ++i;
    }
  }
}

// Elements whose text is no rendered markup: the text of the first group is raw (a script, a
// style sheet, a title, an edit's value) and runs to the element's end tag; the second group
// holds markup that a mark must not enter (a list box's options, pictures and formulas of
// another namespace, inert templates). PLAINTEXT takes the rest of the page.
constexpr std::u16string_view kRawText[] = {u"SCRIPT", u"STYLE", u"TITLE", u"TEXTAREA", u"XMP",
                                             u"IFRAME", u"NOEMBED", u"NOFRAMES"};
constexpr std::u16string_view kClosed[] = {u"SELECT", u"SVG", u"MATH", u"TEMPLATE"};

template <size_t N>
const std::u16string_view* NameAt(std::u16string_view s, size_t at, const std::u16string_view (&names)[N]) {
  for (const std::u16string_view& name : names)
    if (StartsNoCase(s, at, name) && NameEnds(s, at + name.size())) return &name;
  return nullptr;
}

// The stretches [from, to) of the page's markup that are rendered text, where a mark may go:
// everything but tags, comments, doctypes and the insides of the elements above.
std::vector<std::pair<size_t, size_t>> TextRuns(std::u16string_view s) {
  const size_t n = s.size(), npos = std::u16string_view::npos;
  std::vector<std::pair<size_t, size_t>> runs;
  size_t runStart = 0, i = 0;
  const std::u16string_view* closed = nullptr;  // inside this element of the second group
  int depth = 0;
  auto endRun = [&](size_t at) {
    if (closed == nullptr && at > runStart) runs.emplace_back(runStart, at);
  };
  while ((i = s.find(u'<', i)) != npos) {
    size_t tagStart = i;
    if (s.compare(i, 4, u"<!--") == 0) {
      size_t e = s.find(u"-->", i + 4);
      i = e == npos ? n : e + 3;
    } else if (i + 1 < n && (s[i + 1] == u'!' || s[i + 1] == u'?')) {
      size_t e = s.find(u'>', i + 2);
      i = e == npos ? n : e + 1;
    } else if (i + 2 < n && s[i + 1] == u'/' && AsciiLetter(s[i + 2])) {
      if (closed != nullptr && StartsNoCase(s, i + 2, *closed) && NameEnds(s, i + 2 + closed->size()) &&
          --depth == 0) {
        i = SkipTag(s, i + 2);
        closed = nullptr;
        runStart = i;
        continue;
      }
      i = SkipTag(s, i + 2);
    } else if (i + 1 < n && AsciiLetter(s[i + 1])) {
      endRun(tagStart);
      if (closed != nullptr) {
        if (StartsNoCase(s, i + 1, *closed) && NameEnds(s, i + 1 + closed->size())) ++depth;
        i = SkipTag(s, i + 1);
        continue;
      }
      if (StartsNoCase(s, i + 1, u"PLAINTEXT") && NameEnds(s, i + 10)) return runs;
      const std::u16string_view* raw = NameAt(s, i + 1, kRawText);
      const std::u16string_view* group = raw == nullptr ? NameAt(s, i + 1, kClosed) : nullptr;
      i = SkipTag(s, i + 1);
      if (raw != nullptr) {
        for (;;) {
          i = s.find(u"</", i);
          if (i == npos || (StartsNoCase(s, i + 2, *raw) && NameEnds(s, i + 2 + raw->size()))) break;
          i += 2;
        }
        if (i == npos) return runs;
        runStart = i;  // the end tag is read as a tag next
        continue;
      }
      if (group != nullptr) {
        closed = group;
        depth = 1;
        continue;
      }
      runStart = i;
      continue;
    } else {
      ++i;  // a "<" of the text
      continue;
    }
    endRun(tagStart);
    runStart = i;
  }
  endRun(n);
  return runs;
}

// A search word as it stands in the page's markup: the characters the markup writes as
// references written so ("AT&T" is "AT&amp;T" in the page).
std::u16string AsMarkup(std::u16string_view term) {
  std::u16string out;
  for (char16_t c : term) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'\u00A0': out += u"&nbsp;"; break;
      case u'\r': out += u"&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

// Where the hits of a list of terms go, term after term, as if each term's marks were put into
// the text before the next term is searched (a later term finds no whole word across an
// earlier mark's markup, but may find one inside an earlier mark). The text is folded once,
// with a map back to its own characters, so a hit may differ from its term in case and in
// length ("Straße" for "STRASSE"); it must begin and end on whole characters of the text,
// lie inside one run of rendered text, cut no character reference and no earlier mark.
struct SearchHit {
  size_t from, to;
  size_t term;
};

std::vector<SearchHit> FindSearchHits(std::u16string_view text, const std::vector<std::u16string>& keys) {
  std::vector<SearchHit> hits;
  std::vector<size_t> map, bounds;
  // A hit lies inside one run, so each run is folded and searched on its own: the markup
  // between the runs is never folded, and the map stays as small as the longest run.
  for (const auto& [runStart, runEnd] : TextRuns(text)) {
    const std::u16string folded = nux::FoldCase(text.substr(runStart, runEnd - runStart), &map);
    bounds.clear();  // the starts and ends of the marks of earlier terms in this run, in order
    for (size_t t = 0; t < keys.size(); ++t) {
      const std::u16string& key = keys[t];
      if (key.size() > folded.size()) continue;
      const size_t first = hits.size();
      size_t pos = 0;
      for (;;) {
        const size_t hit = folded.find(key, pos);
        if (hit == std::u16string::npos) break;
        const size_t hitEnd = hit + key.size();
        pos = hit + 1;
        if ((hit > 0 && map[hit - 1] == map[hit]) || map[hitEnd - 1] == map[hitEnd]) continue;  // inside a character
        const size_t from = runStart + map[hit], to = runStart + map[hitEnd];
        if (CutsReference(text, from, to - from)) continue;
        auto b = std::upper_bound(bounds.begin(), bounds.end(), from);
        if (b != bounds.end() && *b < to) continue;  // across an earlier mark's start or end
        hits.push_back({from, to, t});
        pos = hitEnd;
      }
      for (size_t i = first; i < hits.size(); ++i) {
        bounds.push_back(hits[i].from);
        bounds.push_back(hits[i].to);
      }
      std::sort(bounds.begin(), bounds.end());
    }
  }
  return hits;
}

// The text with the marks of the hits put in. At one index, ends go before starts (a mark
// ending where the next begins); of two marks starting there the earlier term's is the outer
// one, of two ending there the later term's is the inner one.
std::u16string PutSearchMarks(std::u16string_view text, const std::vector<SearchHit>& hits) {
  struct Edge {
    size_t pos;
    bool start;
    size_t term;
  };
  std::vector<Edge> edges;
  edges.reserve(hits.size() * 2);
  for (const SearchHit& h : hits) {
    edges.push_back({h.from, true, h.term});
    edges.push_back({h.to, false, h.term});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
    if (a.pos != b.pos) return a.pos < b.pos;
    if (a.start != b.start) return !a.start;
    return a.start ? a.term < b.term : a.term > b.term;
  });
  std::u16string out;
  out.reserve(text.size() + hits.size() * (kSearchStart.size() + kSearchEnd.size()));
  size_t copied = 0;
  for (const Edge& e : edges) {
    out.append(text.substr(copied, e.pos - copied));
    copied = e.pos;
    out += e.start ? kSearchStart : kSearchEnd;
  }
  out.append(text.substr(copied));
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
  // The given terms in their order (empty ones skipped), compared by their full case folding,
  // which also makes "ss" and "ß" alike ("Straße" folds to "strasse"). A term met before
  // would only mark its hits a second time, inside the marks.
  std::vector<std::u16string> keys;
  for (INT_PTR i = 0; i < terms.GetSize(); ++i) {
    if (terms[i].IsEmpty()) continue;
    std::u16string key = nux::FoldCase(AsMarkup(View(terms[i])));
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
  }
  if (keys.empty()) return 0;
  const std::vector<SearchHit> hits = FindSearchHits(View(text), keys);
  if (hits.empty()) return 0;
  text = CString(PutSearchMarks(View(text), hits));
  return int(hits.size());
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
  // The page is read and written back, so that the document holds the browser's own form of
  // it, to which the stored positions refer.
  IHTMLElement* body = GetBody();
  if (body == nullptr) return;
  body->Release();
  SetBodyHTML(GetBodyHTML());
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
