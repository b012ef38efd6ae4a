#include <gtest/gtest.h>

#include <string>

#include "NUXUtils.h"
#include "base/codepage.h"

namespace {

std::u16string S(const CString& s) { return std::u16string(s.GetString(), size_t(s.GetLength())); }

TEST(FieldSplitter, CountsAndTrimsFields) {
  CFieldSplitter splitter(u"a, b ,c");
  EXPECT_EQ(splitter.GetCount(), 3);
  EXPECT_EQ(S(splitter.GetField(1)), u"a");
  EXPECT_EQ(S(splitter.GetField(2)), u"b");
  EXPECT_EQ(S(splitter.GetField(3)), u"c");
  EXPECT_EQ(S(splitter.GetField(4)), u"");
  EXPECT_EQ(S(splitter.GetField(0)), u"a");
  EXPECT_EQ(S(splitter.GetField(-3)), u"a");

  int start = -1;
  int length = -1;
  EXPECT_TRUE(splitter.FindField(2, start, length));
  EXPECT_EQ(start, 2);
  EXPECT_EQ(length, 3);  // " b " before trimming
  EXPECT_TRUE(splitter.FindField(9, start, length));
  EXPECT_EQ(start, 7);  // past the last field: the text's length
  EXPECT_EQ(length, 0);

  CFieldSplitter empty;
  EXPECT_EQ(empty.GetCount(), 0);
  EXPECT_FALSE(empty.FindField(1, start, length));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(S(empty.GetField(1)), u"");
}

TEST(FieldSplitter, OtherSeparatorsAndEmptyFields) {
  CFieldSplitter splitter;
  splitter.m_strText = u"C:\\A\\B\\";
  splitter.SetSeparator(u"\\");
  EXPECT_EQ(splitter.GetCount(), 4);
  EXPECT_EQ(S(splitter.GetField(1)), u"C:");
  EXPECT_EQ(S(splitter.GetField(3)), u"B");
  EXPECT_EQ(S(splitter.GetField(4)), u"");  // after the trailing separator

  CFieldSplitter hash(u"page.htm#anchor");
  hash.SetSeparator(u"#");
  EXPECT_EQ(hash.GetCount(), 2);
  EXPECT_EQ(S(hash.GetField(2)), u"anchor");

  CFieldSplitter commas(u",,");
  EXPECT_EQ(commas.GetCount(), 3);
  EXPECT_EQ(S(commas.GetField(2)), u"");
  EXPECT_EQ(S(commas.GetField(3)), u"");
}

TEST(FieldSplitter, StripTags) {
  const struct {
    const char16_t* text;
    const char16_t* stripped;
  } cases[] = {
      {u"<b>Bold</b> word", u"Bold word"},
      {u"a < b", u"a < b"},  // no later ">": unchanged
      {u"<i>x</i> < y", u"x < y"},
      {u"<<x>>y", u">y"},
      {u"a<br/>b<", u"ab<"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    CFieldSplitter splitter(c.text);
    splitter.StripTags();
    EXPECT_EQ(S(splitter.m_strText), std::u16string(c.stripped)) << nux::ToUtf8(c.text);
  }
}

TEST(PathParts, SplitsAPath) {
  const struct {
    const char16_t* path;
    const char16_t* title;
    const char16_t* folder;
    const char16_t* extension;
    const char16_t* name;
  } cases[] = {
      {u"C:\\Dir\\File.ext", u"File", u"C:\\Dir\\", u".ext", u"File.ext"},
      {u"C:\\Program Files\\Host.v2.exe", u"Host.v2", u"C:\\Program Files\\", u".exe", u"Host.v2.exe"},
      {u"C:\\Dir\\.hidden", u"", u"C:\\Dir\\", u".hidden", u".hidden"},
      {u"C:\\Dir\\File", u"", u"", u"", u""},  // no dot: nothing
      {u"File.ext", u"", u"", u"", u""},       // no backslash: nothing
      {u"", u"", u"", u"", u""},
      // A dot in a folder name is no extension.
      {u"C:\\my.dir\\file", u"file", u"C:\\my.dir\\", u"", u"file"},
      {u"\\File.ext", u"File", u"\\", u".ext", u"File.ext"},
  };
  for (const auto& c : cases) {
    CPathParts parts(c.path);
    SCOPED_TRACE(nux::ToUtf8(c.path));
    EXPECT_EQ(S(parts.m_strPath), std::u16string(c.path));
    EXPECT_EQ(S(parts.m_strTitle), std::u16string(c.title));
    EXPECT_EQ(S(parts.m_strFolder), std::u16string(c.folder));
    EXPECT_EQ(S(parts.m_strExtension), std::u16string(c.extension));
    EXPECT_EQ(S(parts.m_strName), std::u16string(c.name));
  }
}

TEST(PathParts, AddBackslashAppendsOnce) {
  const struct {
    const char16_t* path;
    const char16_t* result;
  } cases[] = {
      {u"C:\\Dir", u"C:\\Dir\\"},
      {u"C:\\Dir\\", u"C:\\Dir\\"},
      {u"", u"\\"},
  };
  for (const auto& c : cases) {
    CString path = c.path;
    AddBackslash(path);
    EXPECT_EQ(S(path), std::u16string(c.result));
  }
}

}  // namespace
