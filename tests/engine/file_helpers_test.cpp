#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "NUXUtils.h"
#include "engine_test_util.h"
#include "fs/fs.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::u16string S(const CString& s) { return std::u16string(s.GetString(), size_t(s.GetLength())); }

std::u16string CurrentDirectory() {
  WCHAR buffer[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  return buffer;
}

class FileHelpers : public ::testing::Test {
 protected:
  void Write(const std::string& relative, const std::string& bytes) {
    enginetest::WriteDriveC(root_.DriveC(), relative, bytes);
  }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(FileHelpers, FileExistsFindsFilesFoldersAndWildcards) {
  Write("Data/notes.txt", "x");
  EXPECT_TRUE(FileExists(u"C:\\Data\\notes.txt"));
  EXPECT_TRUE(FileExists(u"C:\\Data"));
  EXPECT_TRUE(FileExists(u"C:\\Data\\*.txt"));
  EXPECT_FALSE(FileExists(u"C:\\Data\\*.htm"));
  EXPECT_FALSE(FileExists(u"C:\\Data\\missing.txt"));
  EXPECT_FALSE(FileExists(u"C:\\Nowhere\\notes.txt"));
}

TEST_F(FileHelpers, ErrorModeIsRestored) {
  SetErrorMode(SEM_NOGPFAULTERRORBOX);
  FileExists(u"C:\\missing.txt");
  DirectoryExists(u"C:\\Missing");
  EXPECT_EQ(SetErrorMode(0), UINT(SEM_NOGPFAULTERRORBOX));
}

TEST_F(FileHelpers, DirectoryExistsLeavesTheCurrentFolder) {
  Write("Data/notes.txt", "x");
  fs::create_directories(root_.DriveC() + "/Other");
  ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Other"));
  const std::u16string before = CurrentDirectory();

  EXPECT_TRUE(DirectoryExists(u"C:\\Data"));
  EXPECT_TRUE(DirectoryExists(u"C:\\Data\\"));
  EXPECT_FALSE(DirectoryExists(u"C:\\Data\\notes.txt"));
  EXPECT_FALSE(DirectoryExists(u"C:\\Missing"));
  EXPECT_EQ(CurrentDirectory(), before);
}

TEST_F(FileHelpers, CreatePathCreatesEveryLevel) {
  EXPECT_TRUE(CreatePath(u"C:\\A\\B"));
  EXPECT_TRUE(fs::is_directory(root_.DriveC() + "/A"));
  EXPECT_TRUE(fs::is_directory(root_.DriveC() + "/A/B"));
  // Existing levels fail quietly: the result is that of the last level.
  EXPECT_FALSE(CreatePath(u"C:\\A\\B"));
  EXPECT_TRUE(CreatePath(u"C:\\A\\B\\C"));
  EXPECT_TRUE(fs::is_directory(root_.DriveC() + "/A/B/C"));
  // A trailing backslash ends with an empty level, whose creation fails; the others are made.
  EXPECT_FALSE(CreatePath(u"C:\\X\\ Y \\"));
  EXPECT_TRUE(fs::is_directory(root_.DriveC() + "/X/Y"));  // levels are trimmed
}

TEST_F(FileHelpers, ReadTextFileWithByteOrderMark) {
  Write("bom.txt", "\xFF\xFE" + enginetest::Utf16Bytes(u"  Zeile \u00e4\u20ac\r\nzwei\r\n"));
  CString text = u"old";
  ASSERT_TRUE(ReadTextFile(u"C:\\bom.txt", text));
  EXPECT_EQ(S(text), u"Zeile \u00e4\u20ac\r\nzwei");  // carriage returns kept, ends trimmed

  // Longer than one block of 2048 bytes, and a text whose length is a multiple of it.
  for (size_t chars : {size_t(1500), size_t(1023), size_t(2047)}) {
    std::u16string longText;
    for (size_t i = 0; i < chars; ++i) longText.push_back(char16_t(u'a' + i % 26));
    Write("long.txt", "\xFF\xFE" + enginetest::Utf16Bytes(longText));
    ASSERT_TRUE(ReadTextFile(u"C:\\long.txt", text));
    EXPECT_EQ(S(text), longText) << chars;
  }

  // A zero character ends the block's text.
  Write("zero.txt", "\xFF\xFE" + enginetest::Utf16Bytes(std::u16string(u"ab\0cd", 5)));
  ASSERT_TRUE(ReadTextFile(u"C:\\zero.txt", text));
  EXPECT_EQ(S(text), u"ab");
}

TEST_F(FileHelpers, ReadTextFileWith8BitText) {
  Write("ansi.txt", "\r\n  first\r\nsecond\n\xE4nd\x80 ");
  CString text;
  ASSERT_TRUE(ReadTextFile(u"C:\\ansi.txt", text));
  // Lines joined by line feeds; each byte is the character of the same code.
  EXPECT_EQ(S(text), u"first\nsecond\n\u00e4nd\u0080");

  Write("one.txt", "Z");
  ASSERT_TRUE(ReadTextFile(u"C:\\one.txt", text));
  EXPECT_EQ(S(text), u"Z");
}

TEST_F(FileHelpers, ReadTextFileFailures) {
  Write("empty.txt", "");
  CString text = u"old";
  EXPECT_FALSE(ReadTextFile(u"C:\\empty.txt", text));
  EXPECT_TRUE(text.IsEmpty());
  text = u"old";
  EXPECT_FALSE(ReadTextFile(u"C:\\missing.txt", text));
  EXPECT_TRUE(text.IsEmpty());
  fs::create_directories(root_.DriveC() + "/Folder");
  EXPECT_FALSE(ReadTextFile(u"C:\\Folder", text));
}

}  // namespace
