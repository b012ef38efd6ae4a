// FindFirstFile / FindNextFile: wildcards as the file system matches them, "." and "..",
// single names and the errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "fs_test_helpers.h"
#include "test_support.h"

namespace {

// Every name a pattern finds, in the order found; empty with the error when none.
std::vector<std::u16string> Find(const char16_t* pattern, DWORD* error = nullptr) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(pattern, &data);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError();
    return names;
  }
  do {
    names.push_back(data.cFileName);
    EXPECT_EQ(data.cAlternateFileName[0], u'\0');
  } while (FindNextFileW(h, &data));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  return names;
}

class FindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fstest::Put(root_, "drive_c/Dir/Alpha.txt", "12345");
    fstest::Put(root_, "drive_c/Dir/beta.TXT", "");
    fstest::Put(root_, "drive_c/Dir/gamma", "");
    fstest::Put(root_, "drive_c/Dir/Delta.dat", "");
    fstest::Put(root_, "drive_c/Dir/Sub/inner", "");
  }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(FindTest, WildcardsMatchAsTheFileSystemDoes) {
  using V = std::vector<std::u16string>;
  const V all{u".", u"..", u"Alpha.txt", u"beta.TXT", u"Delta.dat", u"gamma", u"Sub"};
  struct Case {
    const char16_t* pattern;
    V names;
  } cases[] = {
      {u"C:\\Dir\\*", all},
      {u"C:\\dir\\*.*", all},  // also the names without a dot
      {u"c:/DIR/*.txt", {u"Alpha.txt", u"beta.TXT"}},
      {u"C:\\Dir\\*.", {u".", u"..", u"gamma", u"Sub"}},  // names without an extension
      {u"C:\\Dir\\?ETA.txt", {u"beta.TXT"}},
      {u"C:\\Dir\\gamm?", {u"gamma"}},
      {u"C:\\Dir\\gamma?", {u"gamma"}},  // "?" may match nothing at the end
      {u"C:\\Dir\\gamma.*", {u"gamma"}},
      {u"C:\\Dir\\*a.t*", {u"Alpha.txt", u"beta.TXT"}},
      {u"C:\\Dir\\d*", {u"Delta.dat"}},
      {u"C:\\Dir\\ALPHA.TXT", {u"Alpha.txt"}},  // no wildcard: that one entry, as spelt on disk
      {u"C:\\dir\\sub", {u"Sub"}},
      {u"C:\\Dir\\Sub\\*", {u".", u"..", u"inner"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Find(c.pattern), c.names) << nux::ToUtf8(c.pattern);
  }
  // A drive's root lists no "." and "..".
  EXPECT_EQ(Find(u"C:\\*"), V{u"Dir"});
}

TEST_F(FindTest, EntriesCarryAttributesAndSizes) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(u"C:\\Dir\\alpha.*", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  EXPECT_FALSE(FindNextFileW(h, &data));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
  FindClose(h);

  // 8-bit names come as Windows-1252.
  fstest::Put(root_, "drive_c/Dir/Sub/Gr\xC3\xB6\xC3\x9F" "e.txt", "");
  WIN32_FIND_DATAA ansi;
  h = FindFirstFileA("C:\\Dir\\Sub\\GR\xD6\xDF" "E.TXT", &ansi);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(ansi.cFileName, "Gr\xF6\xDF" "e.txt");
  EXPECT_FALSE(FindNextFileA(h, &ansi));
  FindClose(h);
  EXPECT_FALSE(FindClose(h));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

  h = FindFirstFileW(u"C:\\Dir\\Sub", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
  FindClose(h);
}

TEST_F(FindTest, NothingFoundTellsWhy) {
  struct Case {
    const char16_t* pattern;
    DWORD error;
  } cases[] = {
      {u"C:\\Dir\\nothing*", ERROR_FILE_NOT_FOUND},
      {u"C:\\Dir\\missing.txt", ERROR_FILE_NOT_FOUND},
      {u"C:\\Dir\\", ERROR_FILE_NOT_FOUND},  // a folder name with a final "\" names no entry
      {u"C:\\nope\\*", ERROR_PATH_NOT_FOUND},
      {u"C:\\nope\\file.txt", ERROR_PATH_NOT_FOUND},
      {u"Q:\\*", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    DWORD error = 0;
    EXPECT_TRUE(Find(c.pattern, &error).empty()) << nux::ToUtf8(c.pattern);
    EXPECT_EQ(error, c.error) << nux::ToUtf8(c.pattern);
  }
}

TEST_F(FindTest, RelativePatternsUseTheCurrentFolder) {
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Dir\\Sub"));
  EXPECT_EQ(Find(u"*"), (std::vector<std::u16string>{u".", u"..", u"inner"}));
  EXPECT_EQ(Find(u"..\\b*"), (std::vector<std::u16string>{u"beta.TXT"}));
  EXPECT_EQ(Find(u"\\*"), (std::vector<std::u16string>{u"Dir"}));
}

}  // namespace
