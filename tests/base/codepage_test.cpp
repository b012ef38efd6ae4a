// Code pages: Windows-1252, 850 and UTF-8 against UTF-16, and the buffer rules of the two
// conversion calls.
#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "base/errors.h"

namespace {

std::u16string Wide(UINT cp, const std::string& bytes, DWORD flags = 0) {
  char16_t buf[256];
  int n = MultiByteToWideChar(cp, flags, bytes.data(), int(bytes.size()), buf, 256);
  return std::u16string(buf, size_t(n));
}

std::string Narrow(UINT cp, const std::u16string& text) {
  char buf[256];
  int n = WideCharToMultiByte(cp, 0, text.data(), int(text.size()), buf, 256, nullptr, nullptr);
  return std::string(buf, size_t(n));
}

TEST(CodePage, Cp1252HighBlockAndUndefinedBytes) {
  struct {
    unsigned char byte;
    char16_t wide;
  } cases[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A}, {0x8A, 0x0160}, {0x8D, 0x008D},
               {0x8F, 0x008F}, {0x90, 0x0090}, {0x96, 0x2013}, {0x99, 0x2122}, {0x9D, 0x009D},
               {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE4, 0x00E4}, {0xFF, 0x00FF}};
  for (auto c : cases) {
    std::string byte(1, char(c.byte));
    EXPECT_EQ(Wide(CP_ACP, byte), std::u16string(1, c.wide)) << int(c.byte);
    EXPECT_EQ(Narrow(1252, std::u16string(1, c.wide)), byte) << int(c.byte);
  }
}

TEST(CodePage, EveryByteRoundTripsInBothSingleBytePages) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(char(b));
  EXPECT_EQ(nux::WideToAnsi(nux::AnsiToWide(all)), all);
  EXPECT_EQ(nux::WideToOem(nux::OemToWide(all)), all);
  EXPECT_EQ(Narrow(CP_OEMCP, Wide(CP_OEMCP, all)), all);
}

TEST(CodePage, Cp850Letters) {
  EXPECT_EQ(nux::OemToWide("\x81\x84\xE1\x8E\x99\x9A"), u"\u00FC\u00E4\u00DF\u00C4\u00D6\u00DC");
  EXPECT_EQ(nux::OemToWide("\xC4\xB3\xDB"), u"\u2500\u2502\u2588");
  EXPECT_EQ(nux::WideToOem(u"\u00FCber"), "\x81" "ber");
  EXPECT_EQ(nux::WideToOem(u"\u20AC"), "?");  // no euro sign in 850
}

TEST(CodePage, OemAnsiBuffersConvertBetweenThePages) {
  char buf[4] = "\x84\x94\xC4";
  ASSERT_TRUE(OemToCharBuffA(buf, buf, 3));
  EXPECT_EQ(std::string(buf, 3), "\xE4\xF6?");  // a box-drawing line has no ANSI character
  ASSERT_TRUE(CharToOemBuffA("\xE4\xDF", buf, 2));
  EXPECT_EQ(std::string(buf, 2), "\x84\xE1");
  char16_t wide[2];
  ASSERT_TRUE(OemToCharBuffW("\x81\xE1", wide, 2));
  EXPECT_EQ(std::u16string(wide, 2), u"\u00FC\u00DF");
}

TEST(CodePage, Utf8WithSurrogatePairs) {
  const std::string utf8 = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";
  const std::u16string wide = u"a\u00E4\u20AC\U0001F600";
  EXPECT_EQ(Wide(CP_UTF8, utf8), wide);
  EXPECT_EQ(Narrow(CP_UTF8, wide), utf8);
  EXPECT_EQ(nux::FromUtf8(utf8), wide);
  EXPECT_EQ(nux::ToUtf8(wide), utf8);
}

TEST(CodePage, InvalidUtf8) {
  struct {
    const char* bytes;
    std::u16string wide;
  } cases[] = {
      {"a\xFF" "b", u"a\uFFFD" "b"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"\xE2\x82", u"\uFFFD"},                // cut short at the end
      {"\xE2\x82x", u"\uFFFDx"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const auto& c : cases) {
    EXPECT_EQ(nux::FromUtf8(c.bytes), c.wide) << c.bytes;
    EXPECT_EQ(Wide(CP_UTF8, c.bytes), c.wide) << c.bytes;
  }
  char16_t buf[8];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, buf, 8), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
  // Lone surrogates become U+FFFD.
  EXPECT_EQ(nux::ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");
  EXPECT_EQ(nux::ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(CodePage, MultiByteToWideCharBufferRules) {
  char16_t buf[8];
  // -1: the NUL is converted and counted.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, buf, 8), 4);
  EXPECT_EQ(std::u16string(buf), u"abc");
  // An explicit length converts no NUL.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 2, nullptr, 0), 2);
  // Too small: 0 with ERROR_INSUFFICIENT_BUFFER.
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, buf, 3), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  // Exactly big enough.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, buf, 3), 3);
  // Bad arguments: ERROR_INVALID_PARAMETER.
  struct {
    UINT cp;
    const char* src;
    int srcLen;
    char16_t* dst;
    int dstLen;
  } bad[] = {{CP_ACP, "abc", 0, buf, 8}, {CP_ACP, nullptr, 3, buf, 8}, {CP_ACP, "abc", -2, buf, 8},
             {CP_ACP, "abc", 3, nullptr, 8}, {CP_ACP, "abc", 3, buf, -1}, {12345, "abc", 3, buf, 8}};
  for (const auto& b : bad) {
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(b.cp, 0, b.src, b.srcLen, b.dst, b.dstLen), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  }
}

TEST(CodePage, WideCharToMultiByteDefaultCharacter) {
  char buf[8];
  BOOL used = -1;
  int n = WideCharToMultiByte(CP_ACP, 0, u"a\u4E00\u20AC", 3, buf, 8, nullptr, &used);
  EXPECT_EQ(std::string(buf, size_t(n)), "a?\x80");
  EXPECT_EQ(used, TRUE);
  n = WideCharToMultiByte(CP_ACP, 0, u"ab", 2, buf, 8, "#", &used);
  EXPECT_EQ(std::string(buf, size_t(n)), "ab");
  EXPECT_EQ(used, FALSE);
  n = WideCharToMultiByte(CP_ACP, 0, u"\u4E00", 1, buf, 8, "#", nullptr);
  EXPECT_EQ(std::string(buf, size_t(n)), "#");
  // With -1 the size counts the NUL; UTF-8 takes no default character.
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E4", -1, nullptr, 0, nullptr, nullptr), 3);
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, buf, 8, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E4\u00E4", 2, buf, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
