#include "BigImageAddress.h"

namespace {

// The decimal number after `key` in the query, up to the next "&" or the end; FALSE without
// the key. Leading blanks and a sign are read as the run-time library reads them; anything
// that is not a number gives 0, a number beyond the int range is held at its limit.
BOOL ReadSize(const CString& query, LPCWSTR key, int& value) {
  const int at = query.Find(key);
  if (at < 0) return FALSE;
  const int start = at + 3;
  int end = query.Find(u'&', start);
  if (end < 0) end = query.GetLength();
  const CString digits = query.Mid(start, end - start);
  int i = 0;
  while (i < digits.GetLength() && (digits[i] == u' ' || digits[i] == u'\t')) ++i;
  bool negative = false;
  if (i < digits.GetLength() && (digits[i] == u'-' || digits[i] == u'+')) negative = digits[i++] == u'-';
  long long number = 0;
  for (; i < digits.GetLength() && digits[i] >= u'0' && digits[i] <= u'9'; ++i) {
    number = number * 10 + (digits[i] - u'0');
    if (number > 0x80000000LL) number = 0x80000000LL;
  }
  if (negative) number = -number;
  if (number > 0x7FFFFFFFLL) number = 0x7FFFFFFFLL;
  value = int(number);
  return TRUE;
}

}  // namespace

BOOL ParseBigImageAddress(const CString& address, CString& path, int& width, int& height) {
  const int question = address.Find(u'?');
  if (question < 0) return FALSE;
  path = address.Left(question);
  const CString query = address.Mid(question + 1);
  return ReadSize(query, u"ws=", width) && ReadSize(query, u"hs=", height) ? TRUE : FALSE;
}
