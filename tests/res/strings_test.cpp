// String tables and resource lookups, read the same way from the resources embedded into this
// program and from the PE library built from the same script.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/errors.h"
#include "fs/path.h"
#include "rc/nuxres.h"
#include "res/modules.h"
#include "res/pefile.h"
#include "res/resources.h"
#include "res_test_support.h"

namespace {

const std::u16string kLong =
    u"Dies ist ein sehr langer Eintrag der Zeichenkettentabelle, der länger als "
    u"zweihundertfünfundfünfzig Zeichen ist, damit die Länge der gezählten Zeichenkette nicht in "
    u"ein Byte passt. Dies ist ein sehr langer Eintrag der Zeichenkettentabelle, der länger als "
    u"zweihundertfünfundfünfzig Zeichen ist, damit die Länge der gezählten Zeichenkette nicht in "
    u"ein Byte passt. ";

enum class Source { Embedded, PeLibrary };

class ModuleResources : public ::testing::TestWithParam<Source> {
 protected:
  void SetUp() override {
    if (GetParam() == Source::Embedded) {
      module_ = GetModuleHandleW(nullptr);
    } else {
      std::u16string path = nux::fs::ToWindowsPath(restest::FixturePath("Fixture.dll"));
      module_ = LoadLibraryW(path.c_str());
      loaded_ = true;
    }
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (loaded_ && module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
  }

  std::string Data(HRSRC r) {
    HGLOBAL g = LoadResource(module_, r);
    if (!g) return "<not loaded>";
    const char* p = static_cast<const char*>(LockResource(g));
    return std::string(p, strnlen(p, SizeofResource(module_, r)));
  }

  HMODULE module_ = nullptr;
  bool loaded_ = false;
};

INSTANTIATE_TEST_SUITE_P(Sources, ModuleResources,
                         ::testing::Values(Source::Embedded, Source::PeLibrary),
                         [](const auto& info) {
                           return info.param == Source::Embedded ? "Embedded" : "PeLibrary";
                         });

TEST_P(ModuleResources, LoadStringWReadsIdsAcrossBlocks) {
  const struct {
    UINT id;
    std::u16string text;  // empty: missing
  } cases[] = {
      {1, u"Erster Eintrag"},
      {15, u"Letzter Eintrag des ersten Blocks"},
      {16, u"Zweiter Block"},
      {101, u"&About StarvaneUpdater..."},
      {106, u"Es gibt nicht genügend freien Speicherplatz, um das Plugin zu installieren.\n"
            u"Bitte räumen Sie Ihre Festplatte auf."},
      {300, kLong},
      {4000, u"Größe: ÄÖÜ äöü ß € 100%"},
      {65535, u"Die letzte Nummer"},
      {0, u""},      // an empty slot of a present block
      {2, u""},      // ditto
      {17, u""},     // ditto, second block
      {299, u""},    // a block that does not exist
      {70000, u""},  // beyond any block
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    char16_t buffer[1024];
    buffer[0] = u'x';
    int n = LoadStringW(module_, c.id, buffer, 1024);
    EXPECT_EQ(n, int(c.text.size()));
    EXPECT_EQ(std::u16string(buffer), c.text);
  }
  ASSERT_GT(kLong.size(), 255u);
}

TEST_P(ModuleResources, LoadStringWTruncatesAndGivesPointer) {
  char16_t buffer[8];
  EXPECT_EQ(LoadStringW(module_, 1, buffer, 5), 4);
  EXPECT_EQ(std::u16string(buffer), u"Erst");
  EXPECT_EQ(LoadStringW(module_, 1, buffer, 1), 0);
  EXPECT_EQ(buffer[0], u'\0');

  // bufferMax 0: a read-only pointer to the text, which is not terminated.
  const char16_t* text = nullptr;
  int n = LoadStringW(module_, 16, reinterpret_cast<LPWSTR>(&text), 0);
  ASSERT_EQ(n, 13);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text, size_t(n)), u"Zweiter Block");
  EXPECT_EQ(LoadStringW(module_, 2, reinterpret_cast<LPWSTR>(&text), 0), 0);
}

TEST_P(ModuleResources, LoadStringAGivesWindows1252) {
  char buffer[512];
  EXPECT_EQ(LoadStringA(module_, 4000, buffer, sizeof buffer), 23);
  EXPECT_EQ(std::string(buffer), "Gr\xF6\xDF" "e: \xC4\xD6\xDC \xE4\xF6\xFC \xDF \x80 100%");
  EXPECT_EQ(LoadStringA(module_, 4000, buffer, 5), 4);
  EXPECT_EQ(std::string(buffer), "Gr\xF6\xDF");
  EXPECT_EQ(LoadStringA(module_, 300, buffer, sizeof buffer), int(kLong.size()));
  EXPECT_EQ(LoadStringA(module_, 2, buffer, sizeof buffer), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(nux::res::LoadStringText(module_, 16), std::optional<std::u16string>(u"Zweiter Block"));
  EXPECT_EQ(nux::res::LoadStringText(module_, 2), std::nullopt);
}

TEST_P(ModuleResources, FindResourceChoosesLanguage) {
  const WORD german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
  const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const WORD french = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);
  const struct {
    WORD name;
    WORD language;
    std::string expected;
  } cases[] = {
      {200, german, "deutsch"},  {200, english, "english"}, {200, french, "neutral"},
      {200, 0, "neutral"},       {201, german, "only english"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.language);
    HRSRC r = FindResourceExW(module_, RT_RCDATA, MAKEINTRESOURCEW(c.name), c.language);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(Data(r), c.expected);
  }
  HRSRC plain = FindResourceW(module_, MAKEINTRESOURCEW(200), RT_RCDATA);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(Data(plain), "neutral");
}

TEST_P(ModuleResources, FindResourceByNameAndHashOrdinal) {
  HRSRC named = FindResourceW(module_, u"nameddata", RT_RCDATA);
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(Data(named), "named");
  EXPECT_EQ(FindResourceA(module_, "NamedData", MAKEINTRESOURCEA(10)), named);
  EXPECT_EQ(FindResourceW(module_, u"#200", u"#10"), FindResourceW(module_, MAKEINTRESOURCEW(200), RT_RCDATA));
  EXPECT_EQ(FindResourceExA(module_, "#10", "#201", 0), FindResourceW(module_, MAKEINTRESOURCEW(201), RT_RCDATA));
  EXPECT_GE(SizeofResource(module_, named), 5u);
}

TEST_P(ModuleResources, FindResourceErrors) {
  const struct {
    LPCWSTR type;
    LPCWSTR name;
    DWORD error;
  } cases[] = {
      {RT_BITMAP, MAKEINTRESOURCEW(1), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {RT_RCDATA, MAKEINTRESOURCEW(999), ERROR_RESOURCE_NAME_NOT_FOUND},
      {RT_RCDATA, u"NOSUCHNAME", ERROR_RESOURCE_NAME_NOT_FOUND},
      {RT_RCDATA, u"#", ERROR_RESOURCE_NAME_NOT_FOUND},  // not an ordinal: a name
      {u"NOSUCHTYPE", MAKEINTRESOURCEW(1), ERROR_RESOURCE_TYPE_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(FindResourceExW(module_, c.type, c.name, 0), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(Resources, UnknownModuleAndHandle) {
  HMODULE bogus = reinterpret_cast<HMODULE>(uintptr_t(0x1234560));
  SetLastError(0);
  EXPECT_EQ(FindResourceW(bogus, MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
  char16_t buffer[4] = u"abc";
  EXPECT_EQ(LoadStringW(bogus, 1, buffer, 4), 0);
  EXPECT_EQ(buffer[0], u'\0');
  HRSRC madeUp = reinterpret_cast<HRSRC>(buffer);
  EXPECT_EQ(LoadResource(nullptr, madeUp), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, madeUp), 0u);
}

TEST(Resources, TwoScriptsOfOneProgramMerge) {
  HMODULE self = GetModuleHandleW(nullptr);
  char16_t buffer[64];
  ASSERT_EQ(LoadStringW(self, 500, buffer, 64), 21);
  EXPECT_EQ(std::u16string(buffer), u"Aus der zweiten Datei");
  EXPECT_NE(FindResourceW(self, u"SECOND", RT_RCDATA), nullptr);
  EXPECT_NE(FindResourceW(self, u"NAMEDDATA", RT_RCDATA), nullptr);
}

TEST(Resources, PeLibraryHoldsWhatTheEmbeddedImageHolds) {
  // The script compiled to a PE file and to a .res: every resource of the PE file has the same
  // bytes in this program's module.
  std::vector<uint8_t> file = restest::ReadBytes(restest::FixturePath("Fixture.dll"));
  std::vector<nux::res::ResourceEntry> entries;
  ASSERT_EQ(nux::res::ParsePeResources(file.data(), file.size(), entries), nux::res::PeStatus::Ok);
  ASSERT_GE(entries.size(), 15u);
  for (const auto& e : entries) {
    std::u16string typeName = e.type.name, name = e.name.name;
    LPCWSTR type = e.type.isOrdinal ? MAKEINTRESOURCEW(e.type.ordinal) : typeName.c_str();
    LPCWSTR id = e.name.isOrdinal ? MAKEINTRESOURCEW(e.name.ordinal) : name.c_str();
    auto same = nux::res::FindResourceData(nullptr, type, id, e.language);
    ASSERT_TRUE(same.has_value());
    EXPECT_EQ(std::vector<uint8_t>(same->begin(), same->end()),
              std::vector<uint8_t>(e.data, e.data + e.size));
  }
}

}  // namespace
