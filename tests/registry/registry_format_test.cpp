#include <gtest/gtest.h>

#include <filesystem>

#include "registry_helpers.h"
#include "test_support.h"

using namespace regtest;

namespace {

class RegistryFormat : public ::testing::Test {
 protected:
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(RegistryFormat, HiveFileIsRegExportText) {
  HKEY k = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings");
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"WorkDir", u"C:\\Program Files\\Star \"7\""));
  ASSERT_EQ(ERROR_SUCCESS, SetDword(k, u"Count", 10));
  const BYTE bin[] = {0x01, 0xAB};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(k, u"Bin", 0, REG_BINARY, bin, 2));
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, nullptr, u"default"));
  auto multi = Wide(std::u16string(u"a\0b\0", 4));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(k, u"Multi", 0, REG_MULTI_SZ, multi.data(), DWORD(multi.size())));
  RegCloseKey(k);
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Empty"));

  const std::string text = nuxtest::ReadFile(nux::registry::HiveFilePath("HKLM"));
  EXPECT_EQ(0u, text.find("Windows Registry Editor Version 5.00\r\n"));
  for (const char* line : {
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orlek Technologies\\Starvane 7\\Settings]\r\n",
           "\"WorkDir\"=\"C:\\\\Program Files\\\\Star \\\"7\\\"\"\r\n",
           "\"Count\"=dword:0000000a\r\n",
           "\"Bin\"=hex:01,ab\r\n",
           "@=\"default\"\r\n",
           "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n",
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Empty]\r\n",
       }) {
    EXPECT_NE(std::string::npos, text.find(line)) << line << "\n--- in ---\n" << text;
  }
  // The empty key survives a reload too.
  ForgetCache();
  HKEY e = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Empty", 0, KEY_READ, &e));
  RegCloseKey(e);
}

TEST_F(RegistryFormat, HardTextsSurviveAReload) {
  const std::u16string texts[] = {
      u"C:\\trailing\\",
      u"\"",
      u"\\\"\\\\\"",
      u"Grüße – ★ 漢字 😀",
      u"= [x] ; @ # hex:00",
      u"",
  };
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Texts ]with[ brackets");
  for (size_t i = 0; i < std::size(texts); ++i) {
    std::u16string name = u"v\"\\" + std::u16string(1, char16_t(u'a' + i)) + u"ü";
    ASSERT_EQ(ERROR_SUCCESS, SetString(k, name.c_str(), texts[i]));
  }
  RegCloseKey(k);
  ForgetCache();
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Texts ]with[ brackets", 0, KEY_READ, &k));
  for (size_t i = 0; i < std::size(texts); ++i) {
    std::u16string name = u"v\"\\" + std::u16string(1, char16_t(u'a' + i)) + u"ü";
    Read r = Query(k, name.c_str());
    EXPECT_EQ(ERROR_SUCCESS, r.status) << i;
    EXPECT_EQ(Wide(texts[i]), r.data) << i;
  }
  RegCloseKey(k);
}

TEST_F(RegistryFormat, ImportMergesRegText) {
  ASSERT_TRUE(nux::registry::ImportRegText(
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; sample set-up\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\NUX\\Engine]\r\n"
      "\"enabled\"=\"1\"\r\n"
      "\"INI\"=\"C:\\\\Engine\"\r\n"
      "\"Gone\"=\"x\"\r\n"
      "\"Gone\"=-\r\n"
      "@=dword:00000007\r\n"
      "\"Path\"=hex(2):25,00,54,00,\\\r\n"
      "  45,00,4d,00,50,00,25,00,00,00\r\n"
      "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      "\r\n"
      "[HKCU\\Software\\NUX\\Old\\Child]\r\n"
      "[-HKEY_CURRENT_USER\\Software\\NUX\\Old]\r\n"
      "[HKEY_CLASSES_ROOT\\ZAROREZO.ImageCtrl.1]\r\n"
      "@=\"Image\"\r\n"));

  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine", 0, KEY_READ, &k));
  EXPECT_EQ(u"1", QueryString(k, u"enabled"));
  EXPECT_EQ(u"C:\\Engine", QueryString(k, u"INI"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(k, u"Gone").status);
  Read def = Query(k, u"");
  EXPECT_EQ(DWORD(REG_DWORD), def.type);
  EXPECT_EQ((std::vector<BYTE>{7, 0, 0, 0}), def.data);
  Read path = Query(k, u"Path");
  EXPECT_EQ(DWORD(REG_EXPAND_SZ), path.type);
  EXPECT_EQ(Wide(u"%TEMP%"), path.data);
  EXPECT_EQ(DWORD(REG_QWORD), Query(k, u"Q").type);
  RegCloseKey(k);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\NUX\\Old", 0, KEY_READ, &k));
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"zarorezo.imagectrl.1", 0, KEY_READ, &k));
  EXPECT_EQ(u"Image", QueryString(k, nullptr));
  RegCloseKey(k);
  EXPECT_TRUE(std::filesystem::exists(nux::registry::HiveFilePath("HKCR")));

  // A text with a line it cannot read changes nothing.
  for (const char* bad : {"[HKEY_LOCAL_MACHINE\\Software\\Bad]\r\n\"a\"=\"1\"\r\n\"b\"=bogus:1\r\n",
                          "[HKEY_NOWHERE\\x]\r\n", "\"a\"=\"value before any key\"\r\n",
                          "[HKEY_LOCAL_MACHINE\\Software\\Bad]\r\n\"a\"=dword:123456789\r\n"}) {
    EXPECT_FALSE(nux::registry::ImportRegText(bad)) << bad;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Bad", 0, KEY_READ, &k));
  }
}

TEST_F(RegistryFormat, HandWrittenHiveFilesAreRead) {
  // A hive saved in UTF-16 with its byte-order mark, and a broken line that is passed over.
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Hand]\r\n\"Name\"=\"Wert ä\"\r\n"
      u"this line is broken\r\n\"N\"=dword:00000002\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  std::filesystem::create_directories(root_.path() + "/registry");
  nuxtest::TempDir scratch;
  std::filesystem::copy_file(scratch.Write("x", bytes), nux::registry::HiveFilePath("HKCU"));
  ForgetCache();
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Hand", 0, KEY_READ, &k));
  EXPECT_EQ(u"Wert ä", QueryString(k, u"Name"));
  EXPECT_EQ((std::vector<BYTE>{2, 0, 0, 0}), Query(k, u"N").data);
  RegCloseKey(k);
}

}  // namespace
