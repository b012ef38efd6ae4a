// Splits a text into fields at a separator ("," unless set otherwise). Fields are the runs of
// text between separators: "a,b" has two fields, an empty text none.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"

class CFieldSplitter {
 public:
  CFieldSplitter();
  explicit CFieldSplitter(const CString& text);

  void SetSeparator(const CString& separator);

  // 0 for an empty text, else the number of separators plus 1.
  int GetCount() const;

  // Start and length of field n (1-based; 0 or less counts as 1). A field past the last one
  // starts at the text's length with length 0. FALSE (with 0 and 0) for an empty text.
  BOOL FindField(int n, int& start, int& length) const;

  // Field n with white space removed at both ends; "" past the last field or for an empty text.
  CString GetField(int n) const;

  // Removes every run from a "<" to the next ">" inclusive. A "<" without a later ">" stays.
  void StripTags();

  CString m_strText;       // the text to split; may be assigned directly
  CString m_strSeparator;  // one character in every use: ",", " " or "\"
};
