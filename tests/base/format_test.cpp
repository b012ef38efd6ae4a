// The printf-style formatter with the Windows run-time's rules, and the buffer forms that use it.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/codepage.h"
#include "base/wstr.h"

namespace {

struct Case {
  std::string expected;  // UTF-8
  std::string actual;
};

// BOTH formats the case in both kinds, so its string arguments must be of a kind that both
// formats read alike (%hs).
#define BOTH(expected, format, ...)                                              \
  Case{expected, nux::ToUtf8(nux::Format(u"" format, ##__VA_ARGS__))}, Case {   \
    expected, nux::ToUtf8(nux::AnsiToWide(nux::Format(format, ##__VA_ARGS__))) \
  }
#define WIDE(expected, format, ...) \
  Case { expected, nux::ToUtf8(nux::Format(u"" format, ##__VA_ARGS__)) }
#define NARROW(expected, format, ...) \
  Case { expected, nux::ToUtf8(nux::AnsiToWide(nux::Format(format, ##__VA_ARGS__))) }

TEST(Format, StringKindsFollowTheFormatKind) {
  const char* nullNarrow = nullptr;
  const char16_t* nullWide = nullptr;
  const Case cases[] = {
      WIDE("wide", "%s", u"wide"),
      WIDE("wide", "%ls", u"wide"),
      WIDE("wide", "%ws", u"wide"),
      WIDE("n\u00e4rrow", "%S", "n\xE4rrow"),
      WIDE("narrow", "%hs", "narrow"),
      NARROW("n\u00e4rrow", "%s", "n\xE4rrow"),
      NARROW("narrow", "%hs", "narrow"),
      NARROW("\u20ac wide", "%S", u"\u20AC wide"),
      NARROW("wide?", "%ls", u"wide\u4E00"),  // no ANSI character for it
      WIDE("Z", "%c", u'Z'),
      WIDE("\u00e4", "%C", '\xE4'),
      WIDE("y", "%hc", 'y'),
      NARROW("a", "%c", 'a'),
      NARROW("\u00e4", "%C", u'\u00E4'),
      NARROW("x", "%lc", u'x'),
      WIDE("(null)", "%s", nullWide),
      WIDE("(null)", "%S", nullNarrow),
      NARROW("(null)", "%s", nullNarrow),
      NARROW("(null)", "%S", nullWide),
      BOTH("(nu", "%.3s", nullNarrow),
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) EXPECT_EQ(cases[i].actual, cases[i].expected) << i;
}

TEST(Format, Numbers) {
  const Case cases[] = {
      BOTH("[   42][42   ][00042][+42][ 42]", "[%5d][%-5d][%05d][%+d][% d]", 42, 42, 42, 42, 42),
      BOTH("[-0042][  -42][-42  ]", "[%05d][%5d][%-5d]", -42, -42, -42),
      BOTH("[007][][  007]", "[%.3d][%.0d][%5.3d]", 7, 0, 7),
      BOTH("[  007]", "[%05.3d]", 7),  // a precision turns the 0 flag off
      BOTH("ff FF 0xff 0XFF 17 017 0 0", "%x %X %#x %#X %o %#o %#x %#o", 255, 255, 255, 255, 15, 15, 0, 0),
      BOTH("4294967295 -1", "%u %d", 0xFFFFFFFFu, -1),
      BOTH("-9223372036854775808 18446744073709551615", "%I64d %I64u", INT64_MIN, UINT64_MAX),
      BOTH("123456789012 -5", "%lld %I32d", 123456789012LL, -5),
      BOTH("-5 4294967291", "%ld %lu", LONG(-5), LONG(-5)),
      BOTH("4464 -1 255", "%hd %hd %hhu", 70000, 65535, 511),
      BOTH("18446744073709551615", "%Iu", SIZE_MAX),
      BOTH("[  abc][abc  ][ab]", "[%*hs][%-*hs][%.*hs]", 5, "abc", 5, "abc", 2, "abcdef"),
      BOTH("[x    ]", "[%*hs]", -5, "x"),  // a negative '*' width means left-aligned
      BOTH("[   ab]", "[%5.2hs]", "abcdef"),
      BOTH("1.234568e+04 1.234568E+04", "%e %E", 12345.678, 12345.678),
      BOTH("3.14 [   3.142] [3.142   ] +3.1", "%.2f [%8.3f] [%-8.3f] %+.1f", 3.14159, 3.14159, 3.14159, 3.14159),
      BOTH("0.0001 1E+20 100000 1e+06", "%g %G %g %g", 0.0001, 1e20, 100000.0, 1e6),
      BOTH("0003.50", "%07.2f", 3.5),
      BOTH("0000000000001234", "%p", reinterpret_cast<void*>(0x1234)),
      BOTH("100% done", "%d%% done", 100),
      BOTH("%y and %", "%y and %"),  // an unknown conversion and a lone % stay as written
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) EXPECT_EQ(cases[i].actual, cases[i].expected) << i;
}

TEST(Format, PercentNWritesNothing) {
  int count = 77;
  EXPECT_EQ(nux::Format("ab%ncd", &count), "abcd");
  EXPECT_EQ(count, 77);
}

TEST(Format, SnprintfTruncationLeavesTheBufferUnterminated) {
  char buf[8];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(_snprintf(buf, 5, "%s", "hello"), 5);  // fits exactly: no room for the NUL
  EXPECT_EQ(std::string(buf, 6), "hello#");
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(_snprintf(buf, 5, "%s!", "hello"), -1);
  EXPECT_EQ(std::string(buf, 6), "hello#");
  EXPECT_EQ(_snprintf(buf, 8, "%d", 12), 2);
  EXPECT_STREQ(buf, "12");

  char16_t wide[8];
  for (auto& c : wide) c = u'#';
  EXPECT_EQ(_snwprintf(wide, 3, u"%s", u"abcdef"), -1);
  EXPECT_EQ(std::u16string(wide, 4), u"abc#");
  EXPECT_EQ(_snwprintf(nullptr, 0, u"%d", 12345), 5);
  EXPECT_EQ(_scwprintf(u"%s-%d", u"ab", 7), 4);
  EXPECT_EQ(_scprintf("%05d", 7), 5);
}

TEST(Format, StandardSwprintfTerminatesWhenItCuts) {
  char16_t wide[8];
  EXPECT_EQ(swprintf(wide, 4, u"%s", u"hello"), -1);
  EXPECT_EQ(std::u16string(wide), u"hel");
  EXPECT_EQ(swprintf(wide, 8, u"%d-%S", 5, "x"), 3);
  EXPECT_EQ(std::u16string(wide), u"5-x");
  EXPECT_EQ(swprintf(wide, u"%03d", 9), 3);  // the form without a count
  EXPECT_EQ(std::u16string(wide), u"009");
  EXPECT_EQ(swprintf_s(wide, u"%s", u"too long text"), -1);
  EXPECT_EQ(wide[0], u'\0');
  char narrow[4];
  EXPECT_EQ(sprintf_s(narrow, "%d", 123), 3);
  EXPECT_STREQ(narrow, "123");
}

}  // namespace
