// The run-time's wide-string functions and 8-bit extensions.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>

#include "base/wstr.h"

namespace {

TEST(WideStrings, CopyAndConcatenate) {
  char16_t buf[8];
  wcscpy(buf, u"ab");
  wcscat(buf, u"cd");
  EXPECT_EQ(std::u16string(buf), u"abcd");
  EXPECT_EQ(wcslen(buf), 4u);
  wcsncat(buf, u"efgh", 2);
  EXPECT_EQ(std::u16string(buf), u"abcdef");
  for (auto& c : buf) c = u'#';
  wcsncpy(buf, u"xy", 5);  // pads with NULs up to the count
  EXPECT_EQ(std::u16string(buf, 6), std::u16string(u"xy\0\0\0#", 6));
  wcsncpy(buf, u"abcdefgh", 3);  // and does not terminate when the source is longer
  EXPECT_EQ(std::u16string(buf, 4), std::u16string(u"abc\0", 4));
}

TEST(WideStrings, SecureCopiesReportTooSmallDestinations) {
  char16_t buf[4];
  EXPECT_EQ(wcscpy_s(buf, u"abc"), 0);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(wcscpy_s(buf, u"abcd"), ERANGE);
  EXPECT_EQ(buf[0], u'\0');
  EXPECT_EQ(wcsncpy_s(buf, u"abcdef", _TRUNCATE), STRUNCATE);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(wcsncpy_s(buf, u"abcdef", 2), 0);
  EXPECT_EQ(std::u16string(buf), u"ab");
  EXPECT_EQ(wcscat_s(buf, u"c"), 0);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(wcscat_s(buf, u"d"), ERANGE);
  EXPECT_EQ(wcscpy_s(buf, nullptr), EINVAL);
  char narrow[3];
  EXPECT_EQ(strcpy_s(narrow, "ab"), 0);
  EXPECT_EQ(strcat_s(narrow, "c"), ERANGE);
}

TEST(WideStrings, SearchFunctions) {
  const char16_t* s = u"hello world";
  EXPECT_EQ(wcschr(s, u'o') - s, 4);
  EXPECT_EQ(wcsrchr(s, u'o') - s, 7);
  EXPECT_EQ(wcschr(s, u'\0') - s, 11);
  EXPECT_EQ(wcschr(s, u'z'), nullptr);
  EXPECT_EQ(wcsstr(s, u"wor") - s, 6);
  EXPECT_EQ(wcsstr(s, u"") - s, 0);
  EXPECT_EQ(wcsstr(s, u"worlds"), nullptr);
  EXPECT_EQ(wcspbrk(s, u"wr") - s, 6);
  EXPECT_EQ(wcsspn(s, u"leh"), 4u);
  EXPECT_EQ(wcscspn(s, u" "), 5u);

  char16_t text[] = u",a,,b";
  char16_t* context = nullptr;
  std::u16string tokens;
  for (char16_t* t = wcstok(text, u",", &context); t; t = wcstok(nullptr, u",", &context)) tokens += t;
  EXPECT_EQ(tokens, u"ab");
}

TEST(WideStrings, CaseWorksForEveryLetter) {
  EXPECT_EQ(_wcsicmp(u"Hello", u"hELLO"), 0);
  EXPECT_EQ(_wcsicmp(u"\u00C4quator", u"\u00E4QUATOR"), 0);
  EXPECT_EQ(_wcsicmp(u"\u00D8resund", u"\u00F8RESUND"), 0);
  EXPECT_NE(_wcsicmp(u"\u00C4", u"A"), 0);  // accents are kept apart
  EXPECT_NE(_wcsicmp(u"Stra\u00DFe", u"STRASSE"), 0);
  EXPECT_LT(_wcsicmp(u"_", u"A"), 0);  // folded to lower case before comparing
  EXPECT_EQ(_wcsnicmp(u"ABCx", u"abcy", 3), 0);
  EXPECT_EQ(_wcsnicmp(u"\u00C9CLx", u"\u00E9cly", 3), 0);
  EXPECT_LT(wcscmp(u"abc", u"abd"), 0);
  EXPECT_GT(wcscmp(u"abc", u"ab"), 0);
  EXPECT_EQ(wcsncmp(u"abc", u"abd", 2), 0);
  char16_t up[] = u"mix\u00E4D\u00DF\u00E9\u0153";
  EXPECT_EQ(std::u16string(_wcsupr(up)), u"MIX\u00C4D\u00DF\u00C9\u0152");  // the sharp s keeps its form
  EXPECT_EQ(std::u16string(_wcslwr(up)), u"mix\u00E4d\u00DF\u00E9\u0153");
  EXPECT_EQ(towupper(u'q'), u'Q');
  EXPECT_EQ(towupper(u'\u00E4'), u'\u00C4');
  EXPECT_EQ(towlower(u'\u00C9'), u'\u00E9');
  EXPECT_EQ(towupper(u'\u00DF'), u'\u00DF');
  EXPECT_TRUE(iswupper(u'\u00D6') && iswlower(u'\u00F6') && iswalpha(u'\u00DF') && iswalpha(u'\u0152'));
  EXPECT_FALSE(iswalpha(u'\u00D7') || iswupper(u'1') || iswlower(u'-'));
  EXPECT_TRUE(iswspace(u'\t'));
  EXPECT_FALSE(iswspace(u'x'));
  EXPECT_TRUE(iswdigit(u'7'));
  EXPECT_FALSE(iswdigit(u'a'));
  // 8-bit text is Windows-1252: its letters have their case, those it cannot hold keep theirs.
  EXPECT_EQ(_stricmp("ABC", "abc"), 0);
  EXPECT_EQ(_stricmp("\xC4quator", "\xE4QUATOR"), 0);
  EXPECT_NE(_stricmp("\xC4", "A"), 0);
  char narrow[] = "Ab\xE4\xFF\xDF\xB5\x9C";
  EXPECT_STREQ(_strupr(narrow), "AB\xC4\x9F\xDF\xB5\x8C");
  EXPECT_STREQ(_strlwr(narrow), "ab\xE4\xFF\xDF\xB5\x9C");
}

TEST(WideStrings, IntegerParsing) {
  struct {
    const char16_t* text;
    int base;
    LONG value;
    int consumed;
    bool range;
  } cases[] = {
      {u"  -12abc", 10, -12, 5, false}, {u"0x1F", 0, 31, 4, false},         {u"0x1F", 16, 31, 4, false},
      {u"077", 0, 63, 3, false},        {u"+9", 10, 9, 2, false},           {u"zz", 36, 1295, 2, false},
      {u"", 10, 0, 0, false},           {u"  x", 10, 0, 0, false},          {u"0x", 16, 0, 1, false},
      {u"99999999999", 10, INT32_MAX, 11, true}, {u"-2147483648", 10, INT32_MIN, 11, false},
      {u"-2147483649", 10, INT32_MIN, 11, true},
  };
  for (const auto& c : cases) {
    char16_t* end = nullptr;
    errno = 0;
    EXPECT_EQ(wcstol(c.text, &end, c.base), c.value) << std::string(c.text, c.text + wcslen(c.text));
    EXPECT_EQ(end - c.text, c.consumed);
    EXPECT_EQ(errno == ERANGE, c.range);
  }
  errno = 0;
  EXPECT_EQ(wcstoul(u"-1", nullptr, 10), 4294967295u);
  EXPECT_EQ(wcstoul(u"4294967296", nullptr, 10), 4294967295u);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_EQ(_wcstoi64(u"-9223372036854775807", nullptr, 10), -9223372036854775807LL);
  EXPECT_EQ(_wtoi(u"  42px"), 42);
  EXPECT_EQ(_wtoi(u"abc"), 0);
  EXPECT_EQ(_wtol(u"-7"), -7);
  EXPECT_EQ(_atoi64("12345678901"), 12345678901LL);
}

TEST(WideStrings, FloatingPointParsing) {
  char16_t* end = nullptr;
  EXPECT_DOUBLE_EQ(wcstod(u" 3.5e2xyz", &end), 350.0);
  EXPECT_EQ(std::u16string(end), u"xyz");
  EXPECT_DOUBLE_EQ(_wtof(u"-0.25"), -0.25);
  EXPECT_DOUBLE_EQ(_wtof(u"1,5"), 1.0);  // the classic locale's decimal point only
  const char16_t* bad = u"\u00E45";
  EXPECT_EQ(wcstod(bad, &end), 0.0);
  EXPECT_EQ(end, bad);
}

TEST(WideStrings, IntegerToText) {
  char buf[40];
  char16_t wide[40];
  EXPECT_STREQ(_itoa(-255, buf, 10), "-255");
  EXPECT_STREQ(_itoa(-255, buf, 16), "ffffff01");  // other radixes show the bits
  EXPECT_STREQ(_itoa(5, buf, 2), "101");
  EXPECT_STREQ(_ultoa(4294967295u, buf, 10), "4294967295");
  EXPECT_STREQ(_i64toa(-1, buf, 16), "ffffffffffffffff");
  EXPECT_EQ(std::u16string(_itow(-42, wide, 10)), u"-42");
  EXPECT_EQ(std::u16string(_ui64tow(255, wide, 36)), u"73");
}

}  // namespace
