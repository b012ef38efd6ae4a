#include "SearchParser.h"

#include <vector>

#include "EngineConfig.h"
#include "NUXUtils.h"

namespace {

const CString kOpen(u"(");
const CString kClose(u")");
const CString kAnd(u"&");
const CString kOr(u"|");
const CString kNot(u"!");

bool IsAndOr(const CString& token) { return token == kAnd || token == kOr; }

// What parts words: the blank, tab, CR, LF and the non-breaking space.
bool IsSeparator(WCHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x00A0; }

// While the query is normalised, brackets inside a closed phrase stand in for themselves as
// characters no one types, so that they stay part of the phrase's text.
constexpr WCHAR kPhraseOpen = 0xE000;
constexpr WCHAR kPhraseClose = 0xE001;

void ShieldPhraseBrackets(CString& text) {
  for (int open = text.Find(u'"'); open >= 0;) {
    const int close = text.Find(u'"', open + 1);
    if (close < 0) break;
    for (int i = open + 1; i < close; ++i) {
      if (text[i] == u'(') text.SetAt(i, kPhraseOpen);
      if (text[i] == u')') text.SetAt(i, kPhraseClose);
    }
    open = text.Find(u'"', close + 1);
  }
}

void UnshieldPhraseBrackets(CString& text) {
  text.Replace(kPhraseOpen, u'(');
  text.Replace(kPhraseClose, u')');
}

int CountOf(const CString& text, WCHAR ch) {
  int count = 0;
  for (int i = 0; i < text.GetLength(); ++i) count += text[i] == ch ? 1 : 0;
  return count;
}

// A value inside a quoted SQL text: single quotes doubled.
CString SqlText(const CString& value) {
  CString quoted(value);
  quoted.Replace(u"'", u"''");
  return quoted;
}

// One piece of the condition as it is written: a parenthesis, an operator or a word's test.
struct Piece {
  enum Kind { Open, Close, Operator, Test } kind;
  CString text;
};

// Writes the pieces as one condition. Parentheses that match nothing and groups without a test
// are dropped; an operator is written only between the end of one operand and the start of the
// next (the first of several in a row wins) and the default operator fills a gap there. For a
// well-formed query this is exactly the pieces' own text.
CString JoinPieces(std::vector<Piece> pieces, const CString& defaultOperator) {
  std::vector<bool> drop(pieces.size(), false);
  std::vector<size_t> open;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].kind == Piece::Open) {
      open.push_back(i);
    } else if (pieces[i].kind == Piece::Close) {
      if (open.empty()) {
        drop[i] = true;
      } else {
        open.pop_back();
      }
    }
  }
  for (size_t i : open) drop[i] = true;
  std::vector<Piece> kept;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (!drop[i]) kept.push_back(pieces[i]);
  }

  // Groups with nothing but operators inside vanish, innermost first.
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t i = 0; i < kept.size() && !changed; ++i) {
      if (kept[i].kind != Piece::Open) continue;
      size_t j = i + 1;
      while (j < kept.size() && kept[j].kind == Piece::Operator) ++j;
      if (j < kept.size() && kept[j].kind == Piece::Close) {
        kept.erase(kept.begin() + std::ptrdiff_t(i), kept.begin() + std::ptrdiff_t(j) + 1);
        changed = true;
      }
    }
  }

  CString out;
  bool afterOperand = false;
  CString pending;
  for (const Piece& piece : kept) {
    switch (piece.kind) {
      case Piece::Operator:
        if (afterOperand && pending.IsEmpty()) pending = piece.text;
        break;
      case Piece::Open:
      case Piece::Test:
        if (afterOperand) out += pending.IsEmpty() ? defaultOperator : pending;
        pending.Empty();
        out += piece.text;
        afterOperand = piece.kind == Piece::Test;
        break;
      case Piece::Close:
        pending.Empty();
        out += piece.text;
        afterOperand = true;
        break;
    }
  }
  return out;
}

}  // namespace

CSearchParser::CSearchParser()
    : m_pDatabase(nullptr),
      m_nDefaultOperator(1),
      m_bWholeWord(0),
      m_strBoundary(u"[!a-zA-Z0-9]"),
      m_strRemove(u"/\\[]<>*!?{}'") {
  Reset();
}

void CSearchParser::Reset() {
  m_strQuery.Empty();
  m_strSQL.Empty();
  m_Tokens.RemoveAll();
}

void CSearchParser::SetTable(CDaoDatabase* pDatabase, const CString& strTable, const CString& strColumn) {
  m_pDatabase = pDatabase;
  m_strTable = strTable;
  m_strColumn = strColumn;
}

void CSearchParser::SetWholeWord(int bWholeWord) { m_bWholeWord = bWholeWord; }

void CSearchParser::RemoveInvalidCharacters(const CString& strText) {
  m_strQuery.Empty();
  m_strSQL.Empty();

  // Every "(" joined to the text after it and parted from the text before it, every ")" the
  // other way round, single blanks elsewhere. Tabs, line ends and non-breaking spaces are blanks.
  CString query(strText);
  for (int i = 0; i < query.GetLength(); ++i) {
    if (IsSeparator(query[i])) query.SetAt(i, u' ');
  }
  ShieldPhraseBrackets(query);
  ReplaceAll(query, u"(", u" (");
  ReplaceAll(query, u"(", u"( ");
  ReplaceAll(query, u")", u" )");
  ReplaceAll(query, u")", u") ");
  ReplaceAll(query, u"( (", u"((");
  ReplaceAll(query, u") )", u"))");
  query.Trim();
  ReplaceAll(query, u"  ", u" ");
  ReplaceAll(query, u"( ", u"(");
  ReplaceAll(query, u" )", u")");
  // Removing an empty pair can bring the next one together: "(())" loses both.
  while (ReplaceAll(query, u"()", u"")) {
  }
  ReplaceAll(query, u")(", u"");
  query.Trim();
  if (query.IsEmpty()) return;

  // Characters that Jet patterns or the SQL text would misread become blanks.
  for (int i = 0; i < m_strRemove.GetLength(); ++i) query.Replace(m_strRemove[i], u' ');

  // Surplus parentheses go: first the first "(" or the last ")" while the counts differ, then
  // any ")" that closes nothing and any "(" that is never closed.
  while (CountOf(query, u'(') > CountOf(query, u')')) query.Delete(query.Find(u'('), 1);
  while (CountOf(query, u')') > CountOf(query, u'(')) query.Delete(query.ReverseFind(u')'), 1);
  std::vector<int> open;
  for (int i = 0; i < query.GetLength(); ++i) {
    if (query[i] == u'(') {
      open.push_back(i);
    } else if (query[i] == u')') {
      if (open.empty()) {
        query.Delete(i--, 1);
      } else {
        open.pop_back();
      }
    }
  }
  for (auto it = open.rbegin(); it != open.rend(); ++it) query.Delete(*it, 1);
  UnshieldPhraseBrackets(query);
  m_strQuery = query;
}

int CSearchParser::Parse() {
  Tokenize();
  return BuildSQL();
}

void CSearchParser::Tokenize() {
  m_Tokens.RemoveAll();

  // Operator words: a field is upper-cased, then compared with these in order.
  const CString interfaceAnd = theEngineConfig.GetString(u"AND");
  const CString interfaceOr = theEngineConfig.GetString(u"OR");
  const CString interfaceNot = theEngineConfig.GetString(u"NOT");
  const struct {
    const CString word;
    const CString& token;
  } operators[] = {
      {u"UND", kAnd}, {u"AND", kAnd},        {u"ET", kAnd},          {u"ODER", kOr},
      {u"OR", kOr},   {u"OU", kOr},          {u"NICHT", kNot},       {u"NOT", kNot},
      {u"NON", kNot}, {interfaceAnd, kAnd}, {interfaceOr, kOr}, {interfaceNot, kNot},
  };

  // Brackets, words and phrases: a phrase runs from a double quote to the next, blanks and
  // brackets inside it included; a phrase still open at the end is dropped.
  const CString& q = m_strQuery;
  const int n = q.GetLength();
  for (int i = 0; i < n;) {
    const WCHAR c = q[i];
    if (IsSeparator(c)) {
      ++i;
    } else if (c == u'(') {
      m_Tokens.Add(kOpen);
      ++i;
    } else if (c == u')') {
      m_Tokens.Add(kClose);
      ++i;
    } else if (c == u'"') {
      const int close = q.Find(u'"', i + 1);
      if (close < 0) break;
      // Blanks inside a phrase count once; a phrase of blanks only is no term at all.
      CString phrase;
      bool blank = false;
      for (int k = i + 1; k < close; ++k) {
        if (IsSeparator(q[k])) {
          blank = true;
          continue;
        }
        if (blank && !phrase.IsEmpty()) phrase += u' ';
        blank = false;
        phrase += q[k];
      }
      if (!phrase.IsEmpty()) m_Tokens.Add(u"\"" + phrase + u"\"");
      i = close + 1;
    } else {
      int end = i;
      while (end < n && !IsSeparator(q[end]) && q[end] != u'(' && q[end] != u')' && q[end] != u'"') ++end;
      CString field = q.Mid(i, end - i);
      i = end;
      field.MakeUpper();
      for (const auto& op : operators) {
        // An empty interface text cannot be typed; it must not turn an empty word into an operator.
        // The interface's words are operators in any letter case.
        if (!op.word.IsEmpty() && field.CompareNoCase(op.word) == 0) {
          field = op.token;
          break;
        }
      }
      m_Tokens.Add(field);
    }
  }

  // Of two operators in a row only the first stays ("!" does not count).
  for (INT_PTR i = 1; i < m_Tokens.GetSize();) {
    if (IsAndOr(m_Tokens[i]) && IsAndOr(m_Tokens[i - 1])) {
      m_Tokens.RemoveAt(i);
    } else {
      ++i;
    }
  }
  if (m_Tokens.GetSize() > 0) {
    const CString& first = m_Tokens[0];
    if (first.IsEmpty() || IsAndOr(first) || first == kClose) m_Tokens.RemoveAt(0);
  }
  while (m_Tokens.GetSize() > 0) {
    const CString& last = m_Tokens[m_Tokens.GetSize() - 1];
    if (!(last.IsEmpty() || IsAndOr(last) || last == kOpen || last == kNot)) break;
    m_Tokens.RemoveAt(m_Tokens.GetSize() - 1);
  }
  // A group that follows an operand without an operator is joined to it with AND.
  for (INT_PTR i = 1; i < m_Tokens.GetSize(); ++i) {
    if (m_Tokens[i] != kOpen) continue;
    INT_PTR before = i - 1;
    while (before >= 0 && (m_Tokens[before] == kOpen || m_Tokens[before] == kNot)) --before;
    if (before >= 0 && !IsAndOr(m_Tokens[before])) {
      m_Tokens.InsertAt(before + 1, kAnd);
      ++i;
    }
  }
}

int CSearchParser::BuildSQL() {
  m_strSQL.Format(u"SELECT * FROM %s", m_strTable.GetString());
  const CString never = CString(u" WHERE ") + m_strColumn + u" LIKE '~~~~~~~~~~'";
  if (m_strQuery.IsEmpty() || m_Tokens.GetSize() == 0) {
    m_strSQL += never;
    return 0;
  }

  const CString defaultOperator = m_nDefaultOperator == 1 ? u" AND " : u" OR ";
  std::vector<Piece> pieces;
  bool anyTest = false;
  // NOT before a group negates the group; each NOT turns the next operand over, so two undo
  // each other. Words of a negated group are not highlighted, as negated words are not.
  std::vector<bool> groupNegated;  // of each open group
  int negatedGroups = 0;
  bool negate = false;
  INT_PTR i = 0;
  while (i < m_Tokens.GetSize()) {
    CString notPrefix;
    bool operatorSeen = false;
    while (i < m_Tokens.GetSize()) {
      const CString token = m_Tokens[i];
      if (token == kOpen) {
        pieces.push_back({Piece::Open, negate ? CString(u"NOT (") : kOpen});
        groupNegated.push_back(negate);
        negatedGroups += negate ? 1 : 0;
        negate = false;
      } else if (token == kClose) {
        pieces.push_back({Piece::Close, kClose});
        if (!groupNegated.empty()) {
          negatedGroups -= groupNegated.back() ? 1 : 0;
          groupNegated.pop_back();
        }
      } else if (token == kAnd) {
        pieces.push_back({Piece::Operator, u" AND "});
        operatorSeen = true;
      } else if (token == kOr) {
        pieces.push_back({Piece::Operator, u" OR "});
        operatorSeen = true;
      } else if (token == kNot) {
        negate = !negate;
      } else {
        break;
      }
      m_Tokens.RemoveAt(i);
    }
    if (i >= m_Tokens.GetSize()) break;

    if (negate) notPrefix = u"NOT ";
    negate = false;
    CString word = m_Tokens[i];
    CString left;
    left.Format(u"[%s] %sLIKE", m_strColumn.GetString(), notPrefix.GetString());
    CString test;
    if (!word.IsEmpty() && word[0] == u'"') {
      // A phrase (or a quoted word): searched as one substring, highlighted without its quotes.
      word = word.GetLength() >= 2 ? word.Mid(1, word.GetLength() - 2) : CString();
      m_Tokens[i] = word;
      test.Format(u"(%s '*%s*')", left.GetString(), SqlText(word).GetString());
    } else if (m_bWholeWord && notPrefix.IsEmpty()) {
      const CString w = SqlText(word);
      const LPCWSTR l = left.GetString();
      const LPCWSTR b = m_strBoundary.GetString();
      test.Format(u"((%s '%s') OR (%s '%s%s*') OR (%s '*%s%s') OR (%s '*%s%s%s*'))", l, w.GetString(), l,
                  w.GetString(), b, l, b, w.GetString(), l, b, w.GetString(), b);
    } else {
      test.Format(u"(%s '*%s*')", left.GetString(), SqlText(word).GetString());
    }

    // An empty word (a field of parentheses only, or of removed characters) would match every
    // record and mark every position of the page: it is left out.
    if (word.IsEmpty()) {
      m_Tokens.RemoveAt(i);
      continue;
    }
    if (i > 0 && !operatorSeen) pieces.push_back({Piece::Operator, defaultOperator});
    pieces.push_back({Piece::Test, test});
    anyTest = true;

    // A word searched with NOT, or inside a negated group, is not highlighted.
    if (!notPrefix.IsEmpty() || negatedGroups > 0) {
      m_Tokens.RemoveAt(i);
    } else {
      ++i;
    }
  }

  if (!anyTest) {
    m_strSQL += never;
    return 0;
  }
  m_strSQL += u" WHERE ";
  m_strSQL += JoinPieces(pieces, defaultOperator);
  return 1;
}

CString CSearchParser::GetCondition() const {
  const int where = m_strSQL.Find(u"WHERE");
  if (where < 0) return CString();
  return u"(" + m_strSQL.Mid(where + 6) + u")";
}

void CSearchParser::GetWords(CStringArray& words) const {
  words.RemoveAll();
  for (INT_PTR i = 0; i < m_Tokens.GetSize(); ++i) words.Add(m_Tokens[i]);
}
