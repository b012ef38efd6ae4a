// Letter case, folding and collation for words as people write them.
#include "base/textcase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(TextCase, MappingKeepsTheLengthAndSharpS) {
  struct Case {
    std::u16string in, upper, lower;
  } cases[] = {
      {u"äquator", u"ÄQUATOR", u"äquator"},
      {u"Éclipse", u"ÉCLIPSE", u"éclipse"},
      {u"straße", u"STRAßE", u"straße"},  // ß keeps its form, as Windows maps it
      {u"Øre Œuvre", u"ØRE ŒUVRE", u"øre œuvre"},
      {u"abc-XYZ 09", u"ABC-XYZ 09", u"abc-xyz 09"},
      {u"\xD801", u"\xD801", u"\xD801"},  // a lone surrogate stays
      {u"𐐨", u"𐐀", u"𐐨"},              // a pair maps as its code point
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nux::ToUpper(c.in), c.upper);
    EXPECT_EQ(nux::ToLower(c.in), c.lower);
  }
  EXPECT_EQ(nux::UpperChar(u'ü'), u'Ü');
  EXPECT_EQ(nux::LowerChar(u'Ü'), u'ü');
  EXPECT_EQ(nux::ToUpperUtf8("größe"), "GRÖßE");
}

TEST(TextCase, FoldingMatchesEveryCaseAndMapsBack) {
  EXPECT_TRUE(nux::EqualNoCase(u"ÄQUATOR", u"äquator"));
  EXPECT_TRUE(nux::EqualNoCase(u"STRASSE", u"Straße"));
  EXPECT_TRUE(nux::EqualNoCase(u"GRÖSSE", u"größe"));
  EXPECT_FALSE(nux::EqualNoCase(u"aquator", u"äquator"));  // accents stay apart
  EXPECT_LT(nux::CompareNoCase(u"a", u"B"), 0);
  EXPECT_EQ(nux::FoldCaseUtf8("Éclipse"), "éclipse");

  std::vector<size_t> at;
  std::u16string folded = nux::FoldCase(u"Aß!", &at);
  EXPECT_EQ(folded, u"ass!");
  EXPECT_EQ(at, (std::vector<size_t>{0, 1, 1, 2, 3}));
}

TEST(TextCase, CollationIsTheGeneralOrderWithoutCase) {
  std::vector<std::u16string> words = {u"Zenit", u"Éclipse", u"b", u"Äquator", u"aquator", u"Eclipse", u"äquator", u"Beta"};
  std::stable_sort(words.begin(), words.end(),
                   [](const std::u16string& a, const std::u16string& b) { return nux::Collate(a, b) < 0; });
  std::vector<std::u16string> expected = {u"aquator", u"Äquator", u"äquator", u"b", u"Beta", u"Eclipse", u"Éclipse", u"Zenit"};
  EXPECT_EQ(words, expected);
  EXPECT_EQ(nux::Collate(u"ÄQUATOR", u"äquator"), 0);
  EXPECT_NE(nux::Collate(u"aquator", u"äquator"), 0);
  EXPECT_EQ(nux::CollateUtf8("ÉCLIPSE", "éclipse"), 0);
  EXPECT_LT(nux::CollateUtf8("Äquator", "B"), 0);
  // Sort keys order as the comparison does.
  EXPECT_LT(nux::CollationKey(u"Äquator"), nux::CollationKey(u"b"));
  EXPECT_EQ(nux::CollationKey(u"ÄQUATOR"), nux::CollationKey(u"äquator"));
}

}  // namespace

namespace {

// ASCII texts are ordered without the collator; they must come out as the collator orders them,
// also beside texts with accents, ignorable control characters and punctuation.
TEST(TextCase, CollationOfUtf8AgreesWithTheCollatorForEveryText) {
  const char pool[] = "aAbBzZ09 _-.,'\t\x01\x7f~{[";
  const char* tails[] = {"", "\xcc\x81", "\xc3\xa4", "\xc3\x84", "\xe1\xba\x9e"};  // combining acute, ä, Ä, ẞ
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
  auto text = [&] {
    std::string s;
    const unsigned length = next() % 6;
    for (unsigned k = 0; k < length; ++k) s.push_back(pool[next() % (sizeof pool - 1)]);
    if (next() % 4 == 0) s.insert(next() % (s.size() + 1), tails[next() % 5]);
    return s;
  };
  auto utf16 = [](const std::string& s) {
    std::u16string out;
    for (size_t k = 0; k < s.size();) {
      unsigned char c = static_cast<unsigned char>(s[k]);
      char32_t cp = c;
      int n = 1;
      if (c >= 0xE0) cp = c & 0x0F, n = 3;
      else if (c >= 0xC0) cp = c & 0x1F, n = 2;
      for (int m = 1; m < n; ++m) cp = (cp << 6) | (static_cast<unsigned char>(s[k + size_t(m)]) & 0x3F);
      out.push_back(char16_t(cp));
      k += size_t(n);
    }
    return out;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string a = text(), b = text();
    ASSERT_EQ(nux::CollateUtf8(a, b), nux::Collate(utf16(a), utf16(b))) << "'" << a << "' and '" << b << "'";
  }
  EXPECT_EQ(nux::CollateUtf8("Aquator", "aquator"), 0);
  EXPECT_LT(nux::CollateUtf8("Aquator", "\xc3\x84quator"), 0);
  EXPECT_LT(nux::CollateUtf8("\xc3\x84quator", "B"), 0);
  EXPECT_LT(nux::CollateUtf8("a", "a\xcc\x81"), 0);
}

}  // namespace
