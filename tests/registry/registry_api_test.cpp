#include <gtest/gtest.h>

#include <cstring>

#include "registry_helpers.h"
#include "test_support.h"

using namespace regtest;

namespace {

class RegistryApi : public ::testing::Test {
 protected:
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(RegistryApi, CreateOpenAndErrors) {
  HKEY k = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine", 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &k, &disposition));
  EXPECT_EQ(DWORD(REG_CREATED_NEW_KEY), disposition);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine\\", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &k, &disposition));
  EXPECT_EQ(DWORD(REG_OPENED_EXISTING_KEY), disposition);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(k));

  // Both registry views are the same view.
  for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY), REGSAM(0)}) {
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine", 0, KEY_READ | view, &k));
    RegCloseKey(k);
  }
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Missing", 0, KEY_READ, &k));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\NUX\\Engine", 0, KEY_READ, &k));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExW(reinterpret_cast<HKEY>(0x7777), u"x", 0, KEY_READ, &k));
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\Software", 0, KEY_READ, &k));
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\\\x", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                nullptr, &k, nullptr));
  DWORD type = 0, size = 0;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExW(reinterpret_cast<HKEY>(0x7777), u"x", nullptr, &type, nullptr, &size));
}

TEST_F(RegistryApi, RightsOfTheHandleAreEnforced) {
  HKEY full = Create(HKEY_CURRENT_USER, u"Software\\NUX\\App");
  ASSERT_NE(nullptr, full);
  ASSERT_EQ(ERROR_SUCCESS, SetString(full, u"Name", u"one"));
  RegCloseKey(full);

  HKEY ro = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\NUX\\App", 0, KEY_READ, &ro));
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetString(ro, u"Name", u"two"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueW(ro, u"Name"));
  HKEY sub = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExW(ro, u"Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
  EXPECT_EQ(u"one", QueryString(ro, u"Name"));
  RegCloseKey(ro);

  HKEY wo = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\NUX\\App", 0, KEY_SET_VALUE, &wo));
  DWORD size = 0;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExW(wo, u"Name", nullptr, nullptr, nullptr, &size));
  EXPECT_EQ(ERROR_SUCCESS, SetString(wo, u"Name", u"three"));
  RegCloseKey(wo);
}

TEST_F(RegistryApi, ValueTypesRoundTripThroughTheHiveFile) {
  HKEY k = Create(HKEY_LOCAL_MACHINE, u"Software\\Types");
  ASSERT_NE(nullptr, k);
  const ULONGLONG qword = 0x1122334455667788ULL;
  const DWORD dword = 0xDEADBEEF;
  struct Case {
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {u"sz", REG_SZ, Wide(u"Grüße, \"quoted\" C:\\dir")},
      {u"expand", REG_EXPAND_SZ, Wide(u"%TEMP%\\x")},
      {u"multi", REG_MULTI_SZ, Wide(std::u16string(u"one\0two\0\0", 9), false)},
      {u"binary", REG_BINARY, {0x00, 0xFF, 0x10, 0x80}},
      {u"empty binary", REG_BINARY, {}},
      {u"dword", REG_DWORD, std::vector<BYTE>(reinterpret_cast<const BYTE*>(&dword), reinterpret_cast<const BYTE*>(&dword) + 4)},
      {u"qword", REG_QWORD, std::vector<BYTE>(reinterpret_cast<const BYTE*>(&qword), reinterpret_cast<const BYTE*>(&qword) + 8)},
      {u"sz without nul", REG_SZ, Wide(u"abc", false)},
      {u"sz with line break", REG_SZ, Wide(u"line1\r\nline2")},
      {u"short dword", REG_DWORD, {1, 2}},
      {u"", REG_SZ, Wide(u"default value")},
      {u"long binary", REG_BINARY, std::vector<BYTE>(300, 0xAB)},
  };
  for (const auto& c : cases)
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(k, c.name, 0, c.type, c.data.data(), DWORD(c.data.size())));
  RegCloseKey(k);

  ForgetCache();
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Types", 0, KEY_READ, &k));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    Read r = Query(k, c.name);
    EXPECT_EQ(ERROR_SUCCESS, r.status);
    EXPECT_EQ(c.type, r.type);
    EXPECT_EQ(c.data, r.data);
  }
  // NULL and "" both name the default value.
  EXPECT_EQ(u"default value", QueryString(k, nullptr));
  RegCloseKey(k);
}

TEST_F(RegistryApi, AnsiCallsConvertStringTypes) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Ansi", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  // "Grüße" and the euro sign in Windows-1252; two strings of a REG_MULTI_SZ.
  const char multi[] = "Gr\xfc\xdf" "e\0\x80 5\0";  // includes the final NUL of the literal
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi));
  const char sz[] = "caf\xe9";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "Sz", 0, REG_SZ, reinterpret_cast<const BYTE*>(sz), sizeof sz));
  const BYTE bin[] = {0xE9, 0x00, 0x41};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "Bin", 0, REG_BINARY, bin, sizeof bin));

  // The wide view holds UTF-16, counted in bytes with the NULs.
  EXPECT_EQ(Wide(std::u16string(u"Grüße\0€ 5\0\0", 11), false), Query(k, u"Multi").data);
  EXPECT_EQ(Wide(u"café"), Query(k, u"Sz").data);
  EXPECT_EQ(std::vector<BYTE>(bin, bin + 3), Query(k, u"Bin").data);

  // The ANSI view gives the same texts back in Windows-1252, sizes in bytes of that text.
  DWORD type = 0, size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "multi", nullptr, &type, nullptr, &size));
  EXPECT_EQ(DWORD(REG_MULTI_SZ), type);
  EXPECT_EQ(DWORD(sizeof multi), size);
  char buf[64] = {};
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "MULTI", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
  EXPECT_EQ(0, std::memcmp(buf, multi, sizeof multi));
  size = sizeof buf;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "Sz", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
  EXPECT_EQ(DWORD(5), size);
  EXPECT_STREQ(sz, buf);
  size = sizeof buf;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "Bin", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
  EXPECT_EQ(DWORD(3), size);

  // Enumeration through the A call converts name and data alike.
  char name[16];
  DWORD cch = sizeof name;
  size = sizeof buf;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(k, 1, name, &cch, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size));
  EXPECT_STREQ("Sz", name);
  EXPECT_EQ(DWORD(2), cch);
  EXPECT_STREQ(sz, buf);
  RegCloseKey(k);
}

TEST_F(RegistryApi, NamesMatchWithoutCaseAndKeepTheirSpelling) {
  HKEY k = Create(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine");
  ASSERT_NE(nullptr, k);
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"Enabled", u"1"));
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"ÄRGER", u"x"));
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"ENABLED", u"2"));  // the same value
  RegCloseKey(k);

  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\nux\\eNGINE", 0, KEY_READ, &k));
  EXPECT_EQ(u"2", QueryString(k, u"enabled"));
  EXPECT_EQ(u"x", QueryString(k, u"ärger"));
  char16_t name[32];
  DWORD cch = 32;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::u16string(u"Enabled"), std::u16string(name));
  cch = 32;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueW(k, 2, name, &cch, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(k);

  // Creating with another spelling opens the existing key; the first spelling stays.
  k = Create(HKEY_LOCAL_MACHINE, u"software\\NUX\\ENGINE");
  ASSERT_NE(nullptr, k);
  RegCloseKey(k);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\nux", 0, KEY_READ, &k));
  cch = 32;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::u16string(u"Engine"), std::u16string(name));
  RegCloseKey(k);
  EXPECT_NE(std::string::npos, nuxtest::ReadFile(nux::registry::HiveFilePath("HKLM")).find("[HKEY_LOCAL_MACHINE\\Software\\NUX\\Engine]"));
}

TEST_F(RegistryApi, QueryValueSizeRules) {
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Q");
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"Text", u"abcd"));  // 10 bytes with the NUL
  DWORD type = 0, size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, u"Text", nullptr, &type, nullptr, &size));
  EXPECT_EQ(DWORD(REG_SZ), type);
  EXPECT_EQ(DWORD(10), size);

  BYTE buf[16];
  std::memset(buf, 0xCC, sizeof buf);
  size = 9;
  type = 0;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(k, u"Text", nullptr, &type, buf, &size));
  EXPECT_EQ(DWORD(10), size);
  EXPECT_EQ(DWORD(REG_SZ), type);

  size = 10;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, u"Text", nullptr, &type, buf, &size));
  EXPECT_EQ(Wide(u"abcd"), std::vector<BYTE>(buf, buf + 10));
  EXPECT_EQ(0xCC, buf[10]);

  size = 4;
  DWORD r = 0;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(k, u"Text", &r, &type, buf, &size));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(k, u"Text", nullptr, &type, buf, nullptr));
  size = 77;
  type = 77;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(k, u"Missing", nullptr, &type, buf, &size));
  EXPECT_EQ(DWORD(77), size);
  // Only the type is wanted.
  type = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, u"Text", nullptr, &type, nullptr, nullptr));
  EXPECT_EQ(DWORD(REG_SZ), type);
  RegCloseKey(k);
}

TEST_F(RegistryApi, EnumValueBufferRules) {
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\E");
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"Name", u"xyz"));  // name 4 chars, data 8 bytes

  struct Case {
    DWORD nameCch;
    DWORD dataBytes;
    LONG expect;
    DWORD expectCch;     // after the call
    DWORD expectBytes;   // after the call
    bool nameWritten;
    bool dataWritten;
  } cases[] = {
      {5, 8, ERROR_SUCCESS, 4, 8, true, true},     // both fit exactly
      {4, 8, ERROR_MORE_DATA, 4, 8, false, false},  // name one too small: nothing copied
      {5, 7, ERROR_MORE_DATA, 4, 8, true, false},   // data one too small: name copied, size told
      {64, 64, ERROR_SUCCESS, 4, 8, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "name " << c.nameCch << " data " << c.dataBytes);
    char16_t name[64];
    BYTE data[64];
    std::fill(std::begin(name), std::end(name), u'#');
    std::memset(data, 0xCC, sizeof data);
    DWORD cch = c.nameCch, bytes = c.dataBytes, type = 0;
    EXPECT_EQ(c.expect, RegEnumValueW(k, 0, name, &cch, nullptr, &type, data, &bytes));
    EXPECT_EQ(c.expectCch, cch);
    EXPECT_EQ(c.expectBytes, bytes);
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(c.nameWritten, std::u16string(name, 5) == std::u16string(u"Name\0", 5));
    if (!c.nameWritten) {
      EXPECT_EQ(u'#', name[0]);
    }
    EXPECT_EQ(c.dataWritten, std::vector<BYTE>(data, data + 8) == Wide(u"xyz"));
    if (!c.dataWritten) {
      EXPECT_EQ(0xCC, data[0]);
    }
  }

  // Size only, then past the end.
  char16_t name[8];
  DWORD cch = 8, bytes = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumValueW(k, 0, name, &cch, nullptr, nullptr, nullptr, &bytes));
  EXPECT_EQ(DWORD(8), bytes);
  cch = 8;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueW(k, 1, name, &cch, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(k);
}

TEST_F(RegistryApi, EnumKeysDeleteKeysAndInfo) {
  HKEY base = Create(HKEY_CURRENT_USER, u"Software\\K");
  for (const char16_t* n : {u"beta", u"Alpha", u"gamma\\deep"}) RegCloseKey(Create(base, n));
  char16_t name[16];
  std::vector<std::u16string> seen;
  for (DWORD i = 0;; ++i) {
    DWORD cch = 16;
    FILETIME ft{};
    LONG s = RegEnumKeyExW(base, i, name, &cch, nullptr, nullptr, nullptr, &ft);
    if (s == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(ERROR_SUCCESS, s);
    EXPECT_NE(0u, ft.dwHighDateTime);
    seen.push_back(name);
  }
  EXPECT_EQ((std::vector<std::u16string>{u"Alpha", u"beta", u"gamma"}), seen);
  DWORD cch = 5;  // "Alpha" needs 6
  name[0] = u'#';
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExW(base, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(DWORD(5), cch);
  EXPECT_EQ(u'#', name[0]);

  DWORD subkeys = 0, maxSub = 0, values = 9;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(base, nullptr, nullptr, nullptr, &subkeys, &maxSub, nullptr, &values,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(DWORD(3), subkeys);
  EXPECT_EQ(DWORD(5), maxSub);
  EXPECT_EQ(DWORD(0), values);

  // A key with subkeys is not deleted; a leaf is; a handle on a deleted key says so.
  HKEY gamma = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(base, u"GAMMA\\Deep", 0, KEY_ALL_ACCESS, &gamma));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(base, u"gamma"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(base, u"gamma\\deep"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(base, u"gamma"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(base, u"gamma"));
  EXPECT_EQ(ERROR_KEY_DELETED, SetString(gamma, u"v", u"x"));
  RegCloseKey(gamma);
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(base, u"gamma", 0, KEY_READ, &k));

  ASSERT_EQ(ERROR_SUCCESS, SetString(base, u"v", u"x"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(base, u"V"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(base, u"v"));
  RegCloseKey(base);
}

TEST_F(RegistryApi, OldOpenAndCreateCalls) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Old", &k));
  const char text[] = "v";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 2));
  RegCloseKey(k);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\old", &k));
  EXPECT_EQ(u"v", QueryString(k, u"x"));
  HKEY same = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyW(k, nullptr, &same));
  EXPECT_EQ(k, same);
  EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(k));
  RegCloseKey(k);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\None", &k));
}

TEST_F(RegistryApi, OpenHandleSurvivesReloadAndRootChange) {
  HKEY k = Create(HKEY_CURRENT_USER, u"Software\\Keep");
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"a", u"1"));
  ForgetCache();
  EXPECT_EQ(u"1", QueryString(k, u"a"));
  ASSERT_EQ(ERROR_SUCCESS, SetString(k, u"b", u"2"));

  // Under another platform root the same handle names the same path in that root's hive.
  {
    nuxtest::ScopedPlatformRoot other;
    EXPECT_EQ(ERROR_KEY_DELETED, SetString(k, u"a", u"x"));
    RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Keep"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(k, u"a").status);
  }
  EXPECT_EQ(u"1", QueryString(k, u"a"));
  EXPECT_EQ(u"2", QueryString(k, u"b"));
  RegCloseKey(k);
}

}  // namespace
