// CString members whose class-library semantics are easy to get wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mfc/cstring.h"
#include "mfc/exceptions.h"
#include "res/resources.h"

namespace {

TEST(CString, MidLeftRightClampCountsAndStarts) {
  const CStringW s(u"Hello");
  struct {
    int first, count;
    const char16_t* expected;
  } mids[] = {{1, 3, u"ell"}, {-1, 2, u"He"}, {3, 100, u"lo"}, {2, -1, u""},
              {5, 1, u""},    {9, 2, u""},    {0, 5, u"Hello"}, {4, 0x7FFFFFFF, u"o"}};
  for (const auto& m : mids) EXPECT_EQ(s.Mid(m.first, m.count), m.expected) << m.first << "," << m.count;
  EXPECT_EQ(s.Mid(2), u"llo");
  EXPECT_EQ(s.Mid(-3), u"Hello");
  EXPECT_EQ(s.Mid(7), u"");
  EXPECT_EQ(s.Left(2), u"He");
  EXPECT_EQ(s.Left(-1), u"");
  EXPECT_EQ(s.Left(9), u"Hello");
  EXPECT_EQ(s.Right(3), u"llo");
  EXPECT_EQ(s.Right(-2), u"");
  EXPECT_EQ(s.Right(10), u"Hello");
}

TEST(CString, FindWithStartOutOfRange) {
  const CStringW s(u"Hello");
  EXPECT_EQ(s.Find(u'l'), 2);
  EXPECT_EQ(s.Find(u'l', 3), 3);
  EXPECT_EQ(s.Find(u'l', 4), -1);
  EXPECT_EQ(s.Find(u'o', 5), -1);  // a start at the end finds no character
  EXPECT_EQ(s.Find(u'H', -1), -1);
  EXPECT_EQ(s.Find(u"lo"), 3);
  EXPECT_EQ(s.Find(u"lo", 4), -1);
  EXPECT_EQ(s.Find(u"", 5), 5);  // the empty text is found at the end
  EXPECT_EQ(s.Find(u"", 6), -1);
  EXPECT_EQ(s.Find(u"Hello!"), -1);
  EXPECT_EQ(s.ReverseFind(u'l'), 3);
  EXPECT_EQ(s.ReverseFind(u'z'), -1);
  EXPECT_EQ(s.FindOneOf(u"xol"), 2);
  EXPECT_EQ(s.FindOneOf(u"xyz"), -1);
  EXPECT_EQ(CStringW().Find(u'a'), -1);
}

TEST(CString, ReplaceRemoveReturnCounts) {
  struct {
    const char16_t* text;
    const char16_t* from;
    const char16_t* to;
    int count;
    const char16_t* result;
  } cases[] = {
      {u"aaa", u"aa", u"b", 1, u"ba"},                // left to right, no overlap
      {u"abab", u"ab", u"abab", 2, u"abababab"},      // the replacement is not searched again
      {u"a<BR>b<BR>", u"<BR>", u"\n", 2, u"a\nb\n"},
      {u"abc", u"", u"x", 0, u"abc"},
      {u"abc", u"b", nullptr, 1, u"ac"},              // NULL replaces by nothing
      {u"", u"a", u"b", 0, u""},
  };
  for (const auto& c : cases) {
    CStringW s(c.text);
    EXPECT_EQ(s.Replace(c.from, c.to), c.count) << s;
    EXPECT_EQ(s, c.result);
  }
  CStringW s(u"banana");
  EXPECT_EQ(s.Replace(u'a', u'o'), 3);
  EXPECT_EQ(s, u"bonono");
  EXPECT_EQ(s.Replace(u'o', u'o'), 0);
  EXPECT_EQ(s.Remove(u'o'), 3);
  EXPECT_EQ(s, u"bnn");
}

TEST(CString, TrimWhiteSpaceCharacterAndSet) {
  struct {
    const char16_t* text;
    const char16_t* trimmed;
    const char16_t* left;
    const char16_t* right;
  } cases[] = {
      {u"  xx  ", u"xx", u"xx  ", u"  xx"},
      {u"\t\r\n x \v\f", u"x", u"x \v\f", u"\t\r\n x"},
      {u"\u00A0x\u00A0", u"\u00A0x\u00A0", u"\u00A0x\u00A0", u"\u00A0x\u00A0"},  // only ASCII white space
      {u"   ", u"", u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CStringW(c.text).Trim(), c.trimmed);
    EXPECT_EQ(CStringW(c.text).TrimLeft(), c.left);
    EXPECT_EQ(CStringW(c.text).TrimRight(), c.right);
  }
  EXPECT_EQ(CStringW(u"xxhixx").Trim(u'x'), u"hi");
  EXPECT_EQ(CStringW(u"-=hi=- ").TrimRight(u" -=").TrimLeft(u"-="), u"hi");
  EXPECT_EQ(CStringW(u"-=hi=-").Trim(u"=-"), u"hi");
  EXPECT_EQ(CStringW(u"  hi").TrimLeft(u""), u"  hi");  // an empty set trims nothing
  CStringA narrow(" a\t");
  EXPECT_EQ(narrow.Trim(), "a");
}

TEST(CString, GetBufferAndReleaseBuffer) {
  CStringW s(u"Hello world");
  char16_t* p = s.GetBuffer(20);
  EXPECT_EQ(std::u16string(p), u"Hello world");  // the buffer holds the text
  wcscpy(p, u"Hi");
  EXPECT_EQ(s.GetLength(), 11);  // the length changes only with ReleaseBuffer
  s.ReleaseBuffer();
  EXPECT_EQ(s.GetLength(), 2);
  EXPECT_EQ(s, u"Hi");

  p = s.GetBuffer(10);
  wcscpy(p, u"abcdef");
  s.ReleaseBuffer(3);
  EXPECT_EQ(s, u"abc");

  CStringA a;
  char* q = a.GetBufferSetLength(4);
  EXPECT_EQ(a.GetLength(), 4);
  std::memcpy(q, "wxyz", 4);
  a.ReleaseBuffer();
  EXPECT_EQ(a, "wxyz");

  // A buffer written to its last character without a NUL still ends at its size.
  CStringW full;
  p = full.GetBuffer(3);
  p[0] = u'a';
  p[1] = u'b';
  p[2] = u'c';
  p[3] = 0;
  full.ReleaseBuffer(-1);
  EXPECT_EQ(full, u"abc");
  full.Preallocate(100);
  EXPECT_GE(full.GetAllocLength(), 100);
  EXPECT_EQ(full, u"abc");
  full.FreeExtra();
  EXPECT_EQ(full, u"abc");
}

TEST(CString, CaseWorksForEveryLetter) {
  EXPECT_EQ(CStringW(u"ABC").CompareNoCase(u"abc"), 0);
  EXPECT_EQ(CStringW(u"\u00C4quator").CompareNoCase(u"\u00E4QUATOR"), 0);
  EXPECT_NE(CStringW(u"\u00C4").CompareNoCase(u"A"), 0);
  EXPECT_EQ(CStringA("\xC9" "clipse").CompareNoCase("\xE9" "CLIPSE"), 0);
  EXPECT_LT(CStringW(u"_").CompareNoCase(u"A"), 0);
  EXPECT_LT(CStringW(u"abc").Compare(u"abd"), 0);
  EXPECT_GT(CStringW(u"b").Compare(u"ab"), 0);
  EXPECT_NE(CStringW(u"A").Compare(u"a"), 0);
  EXPECT_EQ(CStringA("StraSSe").CompareNoCase("strasse"), 0);
  EXPECT_EQ(CStringW(u"x").Compare(nullptr), 1);
  CStringW upper(u"m\u00e4h");
  EXPECT_EQ(upper.MakeUpper(), u"M\u00c4H");
  EXPECT_EQ(upper.MakeLower(), u"m\u00e4h");
  CStringW german(u"Stra\u00dfe \u00fcberriese \u00c9toile \u00f8");
  EXPECT_EQ(german.MakeUpper(), u"STRA\u00dfE \u00dcBERRIESE \u00c9TOILE \u00d8");  // the sharp s stays
  EXPECT_EQ(german.MakeLower(), u"stra\u00dfe \u00fcberriese \u00e9toile \u00f8");
  CStringA ansi("\xe4quator \xdf");
  EXPECT_EQ(ansi.MakeUpper(), "\xc4QUATOR \xdf");
  EXPECT_EQ(upper.MakeReverse(), u"h\u00e4m");
}

TEST(CString, ComparisonOperators) {
  CStringW a(u"apple"), b(u"banana");
  EXPECT_TRUE(a == u"apple");
  EXPECT_TRUE(u"apple" == a);
  EXPECT_TRUE(a != b);
  EXPECT_TRUE(a < b);
  EXPECT_TRUE(b > u"apple");
  EXPECT_TRUE(u"apple" <= a);
  EXPECT_TRUE(a >= u"aaa");
  EXPECT_TRUE(CStringW(u"x") == u'x');
  EXPECT_FALSE(CStringW(u"xy") == u'x');
}

TEST(CString, ConversionBetweenKindsGoesThroughAnsi) {
  CStringA ansi("\x80 \xE4\xDF");
  CStringW wide(ansi);
  EXPECT_EQ(wide, u"\u20AC \u00E4\u00DF");
  CStringA back = CStringW(u"\u20AC \u00E4\u4E00");
  EXPECT_EQ(back, "\x80 \xE4?");
  CStringW fromPointer("caf\xE9");
  EXPECT_EQ(fromPointer, u"caf\u00E9");
  CStringW chars('\xE4', 3);
  EXPECT_EQ(chars, u"\u00E4\u00E4\u00E4");
  CStringW appended(u"x");
  appended += "\x80";
  appended += ansi.Left(1);
  EXPECT_EQ(appended, u"x\u20AC\u20AC");
  EXPECT_EQ(CStringW(static_cast<const char16_t*>(nullptr)), u"");
  EXPECT_EQ(CStringW(u'z', 0), u"");
  EXPECT_EQ(CStringA("abcdef", 3), "abc");
}

TEST(CString, ConcatenationAndSelfReferences) {
  CStringW s(u"ab");
  s = s + u"cd" + u'e';
  EXPECT_EQ(s, u"abcde");
  s = u'>' + s;
  EXPECT_EQ(s, u">abcde");
  s += s;  // the source is the string itself
  EXPECT_EQ(s, u">abcde>abcde");
  s = s.GetString() + 6;  // assignment from the string's own buffer
  EXPECT_EQ(s, u">abcde");
  s.Insert(-5, u'[');
  s.Insert(100, u"]]");
  EXPECT_EQ(s, u"[>abcde]]");
  EXPECT_EQ(s.Insert(2, s.GetString()), 18);
  EXPECT_EQ(s, u"[>[>abcde]]abcde]]");
  EXPECT_EQ(s.Delete(9, 100), 9);
  EXPECT_EQ(s.Delete(-1, 2), 7);
  EXPECT_EQ(s.Delete(50), 7);
  EXPECT_EQ(s, u"[>abcde");
  EXPECT_EQ(s.GetAt(1), u'>');
  s.SetAt(1, u'<');
  EXPECT_EQ(s[1], u'<');
  EXPECT_EQ(s[s.GetLength()], u'\0');
  EXPECT_EQ(s.SpanIncluding(u"<["), u"[<");
  EXPECT_EQ(s.SpanExcluding(u"cd"), u"[<ab");
}

TEST(CString, OutOfRangeAccessThrowsInvalidArgument) {
  CStringW s(u"ab");
  bool thrown = false;
  try {
    EXPECT_EQ(s.GetAt(2), u'\0');  // the terminator may be read
    s.GetAt(3);
  } catch (CException* e) {
    thrown = e->IsKindOf(RUNTIME_CLASS(CInvalidArgException));
    e->Delete();
  }
  EXPECT_TRUE(thrown);
}

TEST(CString, FormatTakesStringObjectsDirectly) {
  CStringW name(u"Welt");
  CStringA ansi("\xE4");
  CStringW s;
  s.Format(u"%s %d %S|%5.1f", name, 42, ansi, 2.3);
  EXPECT_EQ(s, u"Welt 42 \u00E4|  2.3");
  s.AppendFormat(u"[%03d]", 7);
  EXPECT_EQ(s, u"Welt 42 \u00E4|  2.3[007]");
  CStringA a;
  a.Format("%s-%s-%I64d", ansi, "x", (long long)-1);
  EXPECT_EQ(a, "\xE4-x--1");
}

TEST(CString, FormatMessageTakesInsertsInOrder) {
  CStringW s;
  s.FormatMessage(u"%1 has %2!d! items.%n", u"Box", 3);
  EXPECT_EQ(s, u"Box has 3 items.\r\n");
  CStringA a;
  a.FormatMessage("%1!s!: %2!.1f!", "pi", 3.14159);
  EXPECT_EQ(a, "pi: 3.1");
}

TEST(CString, Tokenize) {
  const CStringW s(u",a,,bb;c;");
  std::vector<std::u16string> tokens;
  int pos = 0;
  for (CStringW t = s.Tokenize(u",;", pos); pos != -1; t = s.Tokenize(u",;", pos)) tokens.push_back(t.str());
  EXPECT_EQ(tokens, (std::vector<std::u16string>{u"a", u"bb", u"c"}));
  // Without delimiters the rest comes whole, and the next call ends the walk.
  pos = 2;
  EXPECT_EQ(s.Tokenize(u"", pos), u",,bb;c;");
  EXPECT_EQ(s.Tokenize(u"", pos), u"");
  EXPECT_EQ(pos, -1);
}

// A compiled resource image with one string table block (ids 96-111) for this program.
std::vector<unsigned char> StringTableImage(const std::vector<std::pair<int, std::u16string>>& strings) {
  std::vector<unsigned char> out;
  auto put16 = [&](unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
  };
  auto put32 = [&](unsigned v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  auto header = [&](unsigned dataSize, unsigned type, unsigned name) {
    put32(dataSize);
    put32(32);
    put16(0xFFFF);
    put16(type);
    put16(0xFFFF);
    put16(name);
    put32(0);
    put16(0x1030);
    put16(0x0409);
    put32(0);
    put32(0);
  };
  header(0, 0, 0);
  std::vector<std::u16string> block(16);
  for (const auto& s : strings) block[size_t(s.first % 16)] = s.second;
  unsigned size = 0;
  for (const auto& s : block) size += 2 + 2 * unsigned(s.size());
  header(size, 6, 96 / 16 + 1);
  for (const auto& s : block) {
    put16(unsigned(s.size()));
    for (char16_t c : s) put16(c);
  }
  while (out.size() % 4) out.push_back(0);
  return out;
}

void Anchor() {}

TEST(CString, LoadStringFromTheResourceModule) {
  const std::u16string longText(300, u'x');
  static const std::vector<unsigned char> image =
      StringTableImage({{100, u"Kurz \u00E4"}, {101, longText + u"!"}, {102, u"Wert: %d"}});
  nux::RegisterModuleResources(reinterpret_cast<const void*>(&Anchor), image.data(), image.size());

  CStringW s;
  EXPECT_TRUE(s.LoadString(100));
  EXPECT_EQ(s, u"Kurz \u00E4");
  EXPECT_TRUE(s.LoadString(101));  // longer than 255 characters
  EXPECT_EQ(s.GetLength(), 301);
  EXPECT_EQ(s.Right(2), u"x!");
  CStringW kept(u"unchanged");
  EXPECT_FALSE(kept.LoadString(103));
  EXPECT_EQ(kept, u"unchanged");
  s.Format(102, 7);
  EXPECT_EQ(s, u"Wert: 7");
  CStringA a;
  EXPECT_TRUE(a.LoadString(100));
  EXPECT_EQ(a, "Kurz \xE4");
  EXPECT_EQ(CStringW(MAKEINTRESOURCEW(100)), u"Kurz \u00E4");

  nux::UnregisterModuleResources(reinterpret_cast<const void*>(&Anchor), image.data(), image.size());
}

}  // namespace
