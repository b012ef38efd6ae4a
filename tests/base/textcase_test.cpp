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
