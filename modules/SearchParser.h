// CSearchParser: turns the text typed into the search window into a Jet SQL statement over one
// text column, and into the words that the reference window highlights.
//
// The query language has words, phrases in double quotes, parentheses and the operators AND, OR
// and NOT, written in German, English or French, as the interface's own texts ("AND", "OR" and
// "NOT" of section Strings) or as "&" and "|". Missing operators are filled in with AND. Each
// word is matched as a substring, or, with the whole-word option, only between characters that
// are not letters or digits.
//
// Calling order: SetTable once; per search SetWholeWord, RemoveInvalidCharacters, Parse, then
// GetQuery, GetSQL or GetCondition, and GetWords when a result is opened.
#pragma once

#include "base/types.h"
#include "mfc/collections.h"
#include "mfc/cstring.h"

class CDaoDatabase;

class CSearchParser {
 public:
  CSearchParser();
  CSearchParser(const CSearchParser&) = delete;
  CSearchParser& operator=(const CSearchParser&) = delete;

  // Query and statement empty, no tokens.
  void Reset();
  // The database (kept, not used), the table and the text column the statement searches.
  void SetTable(CDaoDatabase* pDatabase, const CString& strTable, const CString& strColumn);
  void SetWholeWord(int bWholeWord);

  // Normalises the typed text and makes it the query: parentheses joined to the text inside
  // them, single blanks, empty pairs of parentheses removed, the characters that Jet patterns or
  // SQL would misread turned into blanks, unmatched parentheses deleted.
  void RemoveInvalidCharacters(const CString& strText);

  // Splits the query into tokens and builds the statement. 1 when a condition was built from at
  // least one word; otherwise 0 and a condition that matches nothing.
  int Parse();

  CString GetQuery() const { return m_strQuery; }
  CString GetSQL() const { return m_strSQL; }
  // The statement's condition in parentheses, or "" when the statement has none.
  CString GetCondition() const;
  // The words to highlight (after Parse); the array is replaced.
  void GetWords(CStringArray& words) const;

  void Tokenize();
  int BuildSQL();

 private:
  CDaoDatabase* m_pDatabase;
  CString m_strTable;
  CString m_strColumn;
  CString m_strQuery;
  CString m_strSQL;
  CStringArray m_Tokens;   // the tokens; after BuildSQL the words to highlight
  int m_nDefaultOperator;  // 1 AND, 0 OR
  int m_bWholeWord;
  CString m_strBoundary;   // one character that is not a letter or digit, as a Jet pattern
  CString m_strRemove;     // characters turned into blanks
};
