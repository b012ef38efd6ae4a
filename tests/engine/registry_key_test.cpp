#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RegistryKey.h"
#include "engine_test_util.h"
#include "test_support.h"

namespace {

std::u16string S(const CString& s) { return std::u16string(s.GetString(), size_t(s.GetLength())); }

const char16_t kKey[] = u"Software\\NUX\\Test";

class RegistryKeyTest : public ::testing::Test {
 protected:
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(RegistryKeyTest, OpenCreateAndClose) {
  CRegistryKey key;
  EXPECT_EQ(key.Close(), 0);  // nothing open
  EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, kKey, FALSE));
  EXPECT_EQ(key.m_hKey, nullptr);
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey, TRUE));
  EXPECT_TRUE(key.WriteString(u"Name", u"Text"));
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey, FALSE));  // reopening closes the first handle
  EXPECT_NE(key.m_hKey, nullptr);
  CString data;
  EXPECT_TRUE(key.FindValue(u"Name", data));
  EXPECT_EQ(S(data), u"Text");
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
  EXPECT_EQ(key.m_hKey, nullptr);
  EXPECT_FALSE(key.FindValue(u"Name", data));
}

TEST_F(RegistryKeyTest, ReadBinaryNeedsTheExactSizeAndType) {
  const unsigned char rect[16] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
  {
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey, TRUE));
    ASSERT_TRUE(key.WriteBinary(u"Rect", rect, sizeof(rect)));
    ASSERT_TRUE(key.WriteString(u"Text", u"0123456"));  // 16 bytes with its terminator
  }
  const DWORD number = 7;
  enginetest::SetRegistryValue(HKEY_CURRENT_USER, kKey, u"Number", REG_DWORD, &number, sizeof(number));

  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKey, FALSE));
  unsigned char buffer[16];
  DWORD count = sizeof(buffer);
  ASSERT_TRUE(key.ReadBinary(u"rect", buffer, &count));
  EXPECT_EQ(std::memcmp(buffer, rect, sizeof(rect)), 0);

  const struct {
    const char16_t* name;
    DWORD count;
  } failures[] = {{u"Rect", 8}, {u"Rect", 20}, {u"Text", 16}, {u"Number", 4}, {u"Missing", 16}};
  for (const auto& f : failures) {
    unsigned char filled[20];
    std::memset(filled, 0xAB, sizeof(filled));
    DWORD size = f.count;
    EXPECT_FALSE(key.ReadBinary(f.name, filled, &size)) << f.count;
    for (DWORD i = 0; i < f.count; ++i) EXPECT_EQ(filled[i], 0) << i;
    for (DWORD i = f.count; i < sizeof(filled); ++i) EXPECT_EQ(filled[i], 0xAB) << i;  // nothing beyond
  }
}

TEST_F(RegistryKeyTest, EnumValueAndFindValue) {
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, u"", u"C:\\Server\\ctl.ocx");
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, u"ENABLED", u"1");
  const DWORD one = 1;
  enginetest::SetRegistryValue(HKEY_LOCAL_MACHINE, kKey, u"Number", REG_DWORD, &one, sizeof(one));
  // 512 bytes of text without a terminator fill the data buffer whole.
  const std::u16string full(256, u'w');
  enginetest::SetRegistryValue(HKEY_LOCAL_MACHINE, kKey, u"Full", REG_BINARY, full.data(), 512);

  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kKey, FALSE));
  CString name;
  CString data;
  ASSERT_TRUE(key.EnumValue(1, name, data));
  EXPECT_EQ(S(name), u"ENABLED");
  EXPECT_EQ(S(data), u"1");
  ASSERT_TRUE(key.EnumValue(3, name, data));
  EXPECT_EQ(S(name), u"Full");
  EXPECT_EQ(S(data), full);  // read up to the buffer's end, not past it
  EXPECT_FALSE(key.EnumValue(4, name, data));

  EXPECT_TRUE(key.FindValue(u"enabled", data));
  EXPECT_EQ(S(data), u"1");
  EXPECT_TRUE(key.FindValue(u"", data));  // the default value
  EXPECT_EQ(S(data), u"C:\\Server\\ctl.ocx");
  EXPECT_TRUE(key.FindValue(u"NUMBER", data));
  EXPECT_EQ(S(data), u"\x0001");  // a number is its bytes, not its decimal text
  EXPECT_FALSE(key.FindValue(u"Missing", data));
  EXPECT_EQ(S(data), u"");
}

TEST_F(RegistryKeyTest, DataTooBigForTheBufferNeitherHideLaterValuesNorComeBackCut) {
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, u"First", u"a");
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, u"Comment", std::u16string(300, u'b'));
  enginetest::SetRegistryString(HKEY_LOCAL_MACHINE, kKey, u"Last", u"z");
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kKey, FALSE));
  CString name;
  CString data;
  EXPECT_FALSE(key.EnumValue(1, name, data));  // that one value does not fit
  EXPECT_TRUE(key.FindValue(u"Last", data));   // the values after it are still found
  EXPECT_EQ(std::u16string(data), u"z");
  EXPECT_TRUE(key.FindValue(u"first", data));
  bool tooLong = false;
  EXPECT_FALSE(key.FindValue(u"COMMENT", data, &tooLong));  // refused, never cut
  EXPECT_TRUE(tooLong);
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_FALSE(key.FindValue(u"Missing", data, &tooLong));
  EXPECT_FALSE(tooLong);
}

}  // namespace
