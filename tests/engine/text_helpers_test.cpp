#include <gtest/gtest.h>

#include <string>

#include "NUXUtils.h"
#include "base/codepage.h"

namespace {

std::u16string S(const CString& s) { return std::u16string(s.GetString(), size_t(s.GetLength())); }

TEST(FindNoCase, FindsAnyCaseFromTheStartIndex) {
  EXPECT_EQ(FindNoCase(u"Hello", u"LL", 0), 2);
  EXPECT_EQ(FindNoCase(u"Hello", u"ll", 3), -1);
  EXPECT_EQ(FindNoCase(u"Hello", u"LL", 6), -1);   // start past the end
  EXPECT_EQ(FindNoCase(u"Hello", u"LL", -1), -1);  // start below 0
  EXPECT_EQ(FindNoCase(u"Hello", u"o", 5), -1);
  EXPECT_EQ(FindNoCase(u"abcABC", u"Abc", 1), 3);
  // Only ASCII letters fold: a and its capital match, the umlauts do not.
  EXPECT_EQ(FindNoCase(u"Stra\u00dfe \u00c4RGER", u"\u00e4rger", 0), -1);
  EXPECT_EQ(FindNoCase(u"Stra\u00dfe \u00c4RGER", u"\u00c4rger", 0), 7);
}

TEST(FindFirstOfNoCase, GivesTheSmallestIndexOfAnyString) {
  const CString text = u"xx FTP://a http://b";
  EXPECT_EQ(FindFirstOfNoCase(text, 0, 3, u"http://", u"ftp://", u"mailto:"), 3);
  EXPECT_EQ(FindFirstOfNoCase(text, 4, 3, u"http://", u"ftp://", u"mailto:"), 11);
  EXPECT_EQ(FindFirstOfNoCase(u"MAILTO:me", 0, 3, u"http://", u"ftp://", u"mailto:"), 0);
  EXPECT_EQ(FindFirstOfNoCase(text, 0, 1, u"mailto:"), -1);
  EXPECT_EQ(FindFirstOfNoCase(text, 0, 0), -1);
  EXPECT_EQ(FindFirstOfNoCase(text, -1, 1, u"ftp://"), -1);
  EXPECT_EQ(FindFirstOfNoCase(text, 40, 1, u"ftp://"), -1);
  // A null string ends the list: the strings after it are not searched.
  EXPECT_EQ(FindFirstOfNoCase(text, 0, 3, u"http://", static_cast<LPCWSTR>(nullptr), u"ftp://"), 11);
}

TEST(FindFirstOfNoCase, FindsNothingAtOrPast65535) {
  CString text(u' ', 70000);
  text.SetAt(65534, u'z');
  EXPECT_EQ(FindFirstOfNoCase(text, 0, 1, u"Z"), 65534);
  text.SetAt(65534, u' ');
  text.SetAt(65535, u'z');
  EXPECT_EQ(FindFirstOfNoCase(text, 0, 1, u"Z"), -1);
}

TEST(HexToInt, ParsesAndWraps) {
  const struct {
    const char16_t* text;
    int value;
  } cases[] = {
      {u"ff", 255},
      {u"#FF", 255},
      {u"1G", 16},  // a non-digit counts as 0 and does not stop the walk
      {u"", 0},
      {u"0080FF", 0x0080FF},
      {u"7FFFFFFF", 0x7FFFFFFF},
      {u"FFFFFFFF", -1},
      {u"80000000", static_cast<int>(0x80000000u)},
      {u"123456789", 0x23456789},  // the ninth digit from the end weighs 16^8, which wraps to 0
      {u"F F", 0xF0F},
  };
  for (const auto& c : cases) EXPECT_EQ(HexToInt(c.text), c.value) << nux::ToUtf8(c.text);
}

TEST(ReplaceAll, ReplacesAndReportsWhetherItDid) {
  const struct {
    const char16_t* text;
    const char16_t* what;
    const char16_t* with;
    const char16_t* result;
    BOOL replaced;
  } cases[] = {
      {u"one<BR>two<BR>", u"<BR>", u"\n", u"one\ntwo\n", TRUE},
      {u"(   x", u"( ", u"(", u"(x", TRUE},  // a short replacement is searched again
      {u"a  b", u" ", u"", u"ab", TRUE},
      {u"aaa", u"a", u"aa", u"aaaaaa", TRUE},  // a longer replacement is skipped over
      {u"path/../../x/../../y", u"../../", u"", u"path/x/y", TRUE},
      {u"Strasse", u"ss", u"\u00df", u"Stra\u00dfe", TRUE},
      {u"abc", u"x", u"y", u"abc", FALSE},
      {u"", u"x", u"y", u"", FALSE},
      // These two would never end: refused, text unchanged.
      {u"abc", u"", u"y", u"abc", FALSE},
      {u"aXa", u"X", u"X", u"aXa", FALSE},
  };
  for (const auto& c : cases) {
    CString text = c.text;
    EXPECT_EQ(ReplaceAll(text, c.what, c.with), c.replaced) << nux::ToUtf8(c.text);
    EXPECT_EQ(S(text), std::u16string(c.result)) << nux::ToUtf8(c.text);
  }
}

TEST(ColourSwaps, TextAndValue) {
  const struct {
    const char16_t* text;
    const char16_t* swapped;
  } cases[] = {
      {u"FF8000", u"0080FF"}, {u"AABBCCDD", u"CCBBAA"}, {u"12345", u"12345"}, {u"", u""}, {u"ABCDEF", u"EFCDAB"},
  };
  for (const auto& c : cases) {
    CString text = c.text;
    RgbTextToBgr(text);
    EXPECT_EQ(S(text), std::u16string(c.swapped));
  }
  CString orange = u"FF8000";
  RgbTextToBgr(orange);
  const COLORREF colour = static_cast<COLORREF>(HexToInt(orange));
  EXPECT_EQ(GetRValue(colour), 255);
  EXPECT_EQ(GetGValue(colour), 128);
  EXPECT_EQ(GetBValue(colour), 0);

  EXPECT_EQ(SwapRGB(0x262A3D), 0x3D2A26u);
  EXPECT_EQ(SwapRGB(0xFF123456), 0x563412u);  // the highest byte is cleared
  EXPECT_EQ(SwapRGB(RGB(1, 2, 3)), 0x010203u);
}

TEST(DecodeCharRefs, DecodesNumericReferences) {
  const struct {
    const char16_t* text;
    const char16_t* decoded;
  } cases[] = {
      {u"A&#66;C", u"ABC"},
      {u"&#x41;&#X41;", u"AA"},
      {u"&#0;|&#;", u"X|X"},
      {u"&#123456789;", u"&#123456789;"},  // ";" 11 characters after "&": not a reference
      {u"&#12345678;", u"&#12345678;"},    // 10 characters: still not
      {u"&#1234567;", u"\xD687"},          // 9 characters: decoded, low 16 bits kept
      {u"&#x10000;", u"X"},                // low 16 bits 0: no NUL enters the text
      {u"x&#233;y&#8364;", u"x\u00e9y\u20ac"},
      {u"&#38;#66;", u"&#66;"},  // the decoded "&" is not decoded again
      {u"&#66", u"&#66"},        // no ";": decoding stops
      {u"&#12abc;", u"\x0c"},    // the leading digits count
      {u"&#abc;", u"X"},
      {u"&amp; &#", u"&amp; &#"},
      {u"&#-1;", u"\xFFFF"},
  };
  for (const auto& c : cases) {
    CString text = c.text;
    DecodeCharRefs(text);
    EXPECT_EQ(S(text), std::u16string(c.decoded)) << nux::ToUtf8(c.text);
  }
}

}  // namespace
