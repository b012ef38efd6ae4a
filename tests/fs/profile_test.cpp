// The profile (ini file) functions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "fs/profile.h"
#include "fs_test_helpers.h"
#include "test_support.h"

namespace {

const char kIni[] =
    "; a comment before any section\r\n"
    "[Setup]\r\n"
    "  App = NUXSV  \r\n"
    "Quoted = \"  spaced  \"\r\n"
    "Single='x'\r\n"
    "Mismatch=\"abc'\r\n"
    "Empty=\r\n"
    "NoEquals line\r\n"
    ";Commented=1\r\n"
    "\r\n"
    "[ setup ]\r\n"
    "App=second\r\n"
    "Only=in the second\r\n"
    "[Numbers]\r\n"
    "Dec=42abc\r\n"
    "Neg= -17\r\n"
    "Hex=0x1F\r\n"
    "Plus=+8\r\n"
    "Text=abc\r\n"
    "Blank=\r\n"
    "Umlaut=Gr\xF6\xDF" "e\r\n";

// A list literal with its embedded NULs.
template <size_t N>
std::u16string List(const char16_t (&text)[N]) {
  return std::u16string(text, N - 1);
}

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { fstest::Put(root_, "drive_c/cfg/Test.ini", kIni); }
  std::string Linux(const std::string& rel) const { return root_.DriveC() + "/" + rel; }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(ProfileTest, ValuesFollowTheSystemsRules) {
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* def;
    DWORD size;
    std::u16string expected;
  } cases[] = {
      {u"Setup", u"App", u"", 64, u"NUXSV"},
      {u"SETUP", u"app", u"", 64, u"NUXSV"},               // no case; the first section wins
      {u"Setup", u"Quoted", u"", 64, u"  spaced  "},       // one pair of quotes goes
      {u"Setup", u"Single", u"", 64, u"x"},
      {u"Setup", u"Mismatch", u"", 64, u"\"abc'"},         // quotes that do not match stay
      {u"Setup", u"Empty", u"dflt", 64, u""},              // an empty value is a value
      {u"Setup", u"NoEquals line", u"dflt", 64, u"dflt"},  // a line without "=" is no key
      {u"Setup", u";Commented", u"dflt", 64, u"dflt"},
      {u"Setup", u"Only", u"dflt", 64, u"dflt"},           // the second [setup] is not read
      {u"Setup", u"Missing", u"def  ", 64, u"def"},        // the default loses its trailing blanks
      {u"Nowhere", u"App", nullptr, 64, u""},
      {u"Setup", u"App", u"", 3, u"NU"},                   // cut to size-1
      {u"Numbers", u"Umlaut", u"", 64, u"Gr\u00F6\u00DFe"},
  };
  for (const auto& c : cases) {
    WCHAR buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    const DWORD n = GetPrivateProfileStringW(c.section, c.key, c.def, buffer, c.size, u"C:\\cfg\\test.ini");
    EXPECT_EQ(std::u16string(buffer), c.expected) << nux::ToUtf8(c.key);
    EXPECT_EQ(n, DWORD(c.expected.size())) << nux::ToUtf8(c.key);
  }

  char ansi[16];
  EXPECT_EQ(GetPrivateProfileStringA("numbers", "UMLAUT", "", ansi, sizeof ansi, "C:\\CFG\\TEST.INI"), 5u);
  EXPECT_STREQ(ansi, "Gr\xF6\xDF" "e");
  EXPECT_EQ(GetPrivateProfileStringA("Setup", "App", "  fallback  ", ansi, sizeof ansi, "C:\\cfg\\none.ini"), 10u);
  EXPECT_STREQ(ansi, "  fallback");
}

TEST_F(ProfileTest, NamesComeAsListsEndingInTwoNuls) {
  struct Case {
    const char16_t* section;  // nullptr: the section names; else the key names of this section
    DWORD size;
    std::u16string expected;  // with its NULs, the final one included
    DWORD result;
  } cases[] = {
      {nullptr, 64, List(u"Setup\0Numbers\0\0"), 14},
      {nullptr, 8, List(u"Setup\0\0\0"), 6},  // cut: size-2 and two NULs
      {u"setup", 64, List(u"App\0Quoted\0Single\0Mismatch\0Empty\0\0"), 33},
      {u"Setup", 10, List(u"App\0Quot\0\0"), 8},
      {u"Nowhere", 64, List(u"\0\0"), 0},
  };
  for (const auto& c : cases) {
    WCHAR buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(GetPrivateProfileStringW(c.section, nullptr, u"default", buffer, c.size, u"C:\\cfg\\Test.ini"), c.result);
    EXPECT_EQ(std::u16string(buffer, c.expected.size()), c.expected);
  }

  WCHAR buffer[128];
  const std::u16string expected =
      List(u"Dec=42abc\0Neg=-17\0Hex=0x1F\0Plus=+8\0Text=abc\0Blank=\0Umlaut=Gr\u00F6\u00DFe\0\0");
  EXPECT_EQ(GetPrivateProfileSectionW(u"NUMBERS", buffer, 128, u"C:\\cfg\\Test.ini"), DWORD(expected.size() - 1));
  EXPECT_EQ(std::u16string(buffer, expected.size()), expected);
  char names[64];
  EXPECT_EQ(GetPrivateProfileSectionNamesA(names, sizeof names, "C:\\cfg\\Test.ini"), 14u);
  EXPECT_EQ(std::string(names, 15), std::string("Setup\0Numbers\0\0", 15));
}

TEST_F(ProfileTest, IntegersFromValues) {
  struct Case {
    const char* key;
    UINT expected;
  } cases[] = {
      {"Dec", 42},  {"Neg", UINT(-17)}, {"Hex", 31}, {"Plus", 8},
      {"Text", 0},  // no digits: 0
      {"Blank", 5}, {"Missing", 5},      // empty or missing: the default
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetPrivateProfileIntA("Numbers", c.key, 5, "C:\\cfg\\Test.ini"), c.expected) << c.key;
  }
  EXPECT_EQ(GetPrivateProfileIntW(u"Numbers", u"Dec", 5, u"C:\\cfg\\none.ini"), 5u);
}

TEST_F(ProfileTest, Utf16FilesReadAndStayUtf16) {
  std::u16string text = u"[Sec]\r\nKey=Wert \u00FC \u20AC\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  fstest::Put(root_, "drive_c/cfg/wide.ini", bytes);

  WCHAR buffer[32];
  EXPECT_EQ(GetPrivateProfileStringW(u"sec", u"key", u"", buffer, 32, u"C:\\cfg\\wide.ini"), 8u);
  EXPECT_EQ(std::u16string(buffer), u"Wert \u00FC \u20AC");
  char ansi[32];
  EXPECT_EQ(GetPrivateProfileStringA("Sec", "Key", "", ansi, 32, "C:\\cfg\\wide.ini"), 8u);
  EXPECT_STREQ(ansi, "Wert \xFC \x80");

  ASSERT_TRUE(WritePrivateProfileStringW(u"Sec", u"New", u"\u0416", u"C:\\cfg\\wide.ini"));
  const std::string after = nuxtest::ReadFile(Linux("cfg/wide.ini"));
  EXPECT_EQ(after.substr(0, bytes.size()), bytes);
  EXPECT_EQ(after.substr(bytes.size()), std::string("N\0e\0w\0=\0\x16\x04\r\0\n\0", 14));
}

TEST_F(ProfileTest, Utf8FilesWithTheirMarkReadAndStayUtf8) {
  const std::string bytes = "\xEF\xBB\xBF[Sec]\r\nKey=Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC\r\n";
  fstest::Put(root_, "drive_c/cfg/utf8.ini", bytes);
  WCHAR buffer[32];
  EXPECT_EQ(GetPrivateProfileStringW(u"Sec", u"Key", u"", buffer, 32, u"C:\\cfg\\utf8.ini"), 7u);
  EXPECT_EQ(std::u16string(buffer), u"Größe €");
  char ansi[32];
  GetPrivateProfileStringA("Sec", "Key", "", ansi, 32, "C:\\cfg\\utf8.ini");
  EXPECT_STREQ(ansi, "Gr\xF6\xDF" "e \x80");
  ASSERT_TRUE(WritePrivateProfileStringW(u"Sec", u"Neu", u"\u00C4", u"C:\\cfg\\utf8.ini"));
  EXPECT_EQ(nuxtest::ReadFile(Linux("cfg/utf8.ini")), bytes + "Neu=\xC3\x84\r\n");
}

TEST_F(ProfileTest, LoneCarriageReturnsEndLines) {
  fstest::Put(root_, "drive_c/cfg/mac.ini", "[A]\rOne=1\rTwo=2\r\n[B]\nThree=3");
  EXPECT_EQ(GetPrivateProfileIntW(u"A", u"Two", 0, u"C:\\cfg\\mac.ini"), 2u);
  EXPECT_EQ(GetPrivateProfileIntW(u"B", u"Three", 0, u"C:\\cfg\\mac.ini"), 3u);
  ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"One", u"uno", u"C:\\cfg\\mac.ini"));
  EXPECT_EQ(nuxtest::ReadFile(Linux("cfg/mac.ini")), "[A]\r\nOne=uno\r\nTwo=2\r\n[B]\r\nThree=3\r\n");
}

TEST_F(ProfileTest, WritingCreatesReplacesAndDeletes) {
  const char16_t* file = u"C:\\cfg\\new.ini";
  ASSERT_TRUE(WritePrivateProfileStringW(u"Sec", u"Key", u"Value", file));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Sec", u"Key2", u"v2", file));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Other", u"K", u"v", file));
  ASSERT_TRUE(WritePrivateProfileStringA("SEC", "KEY", "New \xE4", "C:\\cfg\\new.ini"));  // keeps "Key"
  EXPECT_EQ(nuxtest::ReadFile(Linux("cfg/new.ini")),
            "[Sec]\r\nKey=New \xE4\r\nKey2=v2\r\n\r\n[Other]\r\nK=v\r\n");

  ASSERT_TRUE(WritePrivateProfileStringW(u"Sec", u"Key2", nullptr, file));
  ASSERT_TRUE(WritePrivateProfileStringW(u"other", nullptr, nullptr, file));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Nowhere", u"K", nullptr, file));  // nothing to delete
  EXPECT_EQ(nuxtest::ReadFile(Linux("cfg/new.ini")), "[Sec]\r\nKey=New \xE4\r\n\r\n");
  WCHAR buffer[16];
  EXPECT_EQ(GetPrivateProfileStringW(u"Sec", u"Key", u"", buffer, 16, file), 5u);
  EXPECT_EQ(std::u16string(buffer), u"New \u00E4");

  // Comments and the other lines stay; a new key goes after the section's last line.
  ASSERT_TRUE(WritePrivateProfileStringA("Setup", "Added", "1", "C:\\cfg\\Test.ini"));
  const std::string rewritten = nuxtest::ReadFile(Linux("cfg/Test.ini"));
  EXPECT_NE(rewritten.find("; a comment before any section\r\n"), std::string::npos);
  EXPECT_NE(rewritten.find(";Commented=1\r\nAdded=1\r\n\r\n[ setup ]"), std::string::npos);

  // Nothing may add lines of its own to the file.
  const std::string before = nuxtest::ReadFile(Linux("cfg/new.ini"));
  struct Bad {
    const char16_t* section;
    const char16_t* key;
    const char16_t* value;
  } bad[] = {
      {u"Sec", u"Key", u"v\r\n[Injected]"}, {u"Sec", u"K=ey", u"v"}, {u"Se]c", u"Key", u"v"}, {u"S\nec", nullptr, nullptr},
  };
  for (const auto& b : bad) {
    EXPECT_FALSE(WritePrivateProfileStringW(b.section, b.key, b.value, file));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(nuxtest::ReadFile(Linux("cfg/new.ini")), before);

  // No temporary file is left behind.
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Linux("cfg"))) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"Test.ini", "new.ini"}));
}

TEST_F(ProfileTest, ABareNameMeansTheWindowsFolderAndFailuresAreReported) {
  ASSERT_TRUE(WritePrivateProfileStringA("S", "K", "17", "bare.ini"));
  EXPECT_EQ(nuxtest::ReadFile(Linux("windows/bare.ini")), "[S]\r\nK=17\r\n");
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"K", 0, u"BARE.INI"), 17u);

  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"v", u"C:\\nofolder\\x.ini"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
  ASSERT_TRUE(SetFileAttributesW(u"C:\\cfg\\Test.ini", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WritePrivateProfileStringW(u"Setup", u"App", u"changed", u"C:\\cfg\\Test.ini"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(nuxtest::ReadFile(Linux("cfg/Test.ini")), kIni);
}

}  // namespace
