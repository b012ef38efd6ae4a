// The class library's CFile and CStdioFile.
#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "fs/fs.h"
#include "fs_test_helpers.h"
#include "mfc/cfile.h"
#include "test_support.h"

namespace {

class CFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fstest::Put(root_, "drive_c/Folder/Existing.txt", "content");
    fstest::Put(root_, "drive_c/ro.txt", "ro");
    ASSERT_TRUE(SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
  }
  std::string Linux(const std::string& rel) const { return root_.DriveC() + "/" + rel; }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(CFileTest, OpenFailuresTellTheCause) {
  struct Case {
    const char16_t* name;
    UINT flags;
    int cause;
    LONG osError;
  } cases[] = {
      {u"C:\\Folder\\missing.txt", CFile::modeRead, CFileException::fileNotFound, ERROR_FILE_NOT_FOUND},
      {u"C:\\nowhere\\x.txt", CFile::modeCreate | CFile::modeWrite, CFileException::badPath, ERROR_PATH_NOT_FOUND},
      {u"C:\\Folder", CFile::modeRead, CFileException::accessDenied, ERROR_ACCESS_DENIED},  // never a folder
      {u"C:\\Folder", CFile::modeCreate | CFile::modeWrite, CFileException::accessDenied, ERROR_ACCESS_DENIED},
      {u"C:\\ro.txt", CFile::modeWrite, CFileException::accessDenied, ERROR_ACCESS_DENIED},
      {u"C:\\ro.txt", CFile::modeCreate | CFile::modeWrite, CFileException::accessDenied, ERROR_ACCESS_DENIED},
  };
  for (const auto& c : cases) {
    const std::string what = CStringA(c.name).GetString() + std::string(" flags ") + std::to_string(c.flags);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(c.name, c.flags, &error)) << what;
    EXPECT_EQ(error.m_cause, c.cause) << what;
    EXPECT_EQ(error.m_lOsError, c.osError) << what;
    EXPECT_EQ(error.m_strFileName, CStringW(c.name)) << what;
    EXPECT_EQ(file.m_hFile, CFile::hFileNull) << what;

    CStdioFile stdio;
    CFileException stdioError;
    EXPECT_FALSE(stdio.Open(CStringA(c.name).GetString(), c.flags | CFile::typeText, &stdioError)) << what;
    EXPECT_EQ(stdioError.m_cause, c.cause) << what;
    EXPECT_EQ(stdio.m_pStream, nullptr) << what;
  }

  // The constructors throw the error instead.
  try {
    CFile file("C:\\Folder\\missing.txt", CFile::modeRead | CFile::shareDenyNone);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
    EXPECT_EQ(e->m_strFileName, CStringW(u"C:\\Folder\\missing.txt"));
    e->Delete();
  }
  try {
    CStdioFile file(u"C:\\Folder", CFile::modeRead);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::accessDenied);
    e->Delete();
  }
}

TEST_F(CFileTest, ReadsWritesSeeksAndNames) {
  CFile file;
  ASSERT_TRUE(file.Open(u"c:\\folder\\New.bin", CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
  EXPECT_EQ(file.GetFilePath(), CStringW(u"C:\\Folder\\New.bin"));  // the folder as spelt on disk
  EXPECT_EQ(file.GetFileName(), CStringW(u"New.bin"));
  EXPECT_EQ(file.GetFileTitle(), CStringW(u"New"));
  EXPECT_EQ(file.GetFilePathA(), CStringA("C:\\Folder\\New.bin"));

  file.Write("0123456789", 10);
  EXPECT_EQ(file.GetPosition(), 10u);
  EXPECT_EQ(file.GetLength(), 10u);
  file.SeekToBegin();
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(file.Seek(-2, CFile::end), 8u);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 2u);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
  file.SetLength(6);
  EXPECT_EQ(file.GetLength(), 6u);
  EXPECT_EQ(file.GetPosition(), 6u);
  file.Flush();
  try {
    file.Seek(-100, CFile::current);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_lOsError, LONG(ERROR_NEGATIVE_SEEK));
    e->Delete();
  }
  file.Close();
  EXPECT_EQ(file.m_hFile, CFile::hFileNull);
  EXPECT_EQ(nuxtest::ReadFile(Linux("Folder/New.bin")), "012345");

  // modeNoTruncate keeps what is there.
  CFile again(u"C:\\Folder\\New.bin", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
  EXPECT_EQ(again.GetLength(), 6u);
  again.SeekToEnd();
  again.Write("!", 1);
  again.Abort();
  again.Abort();  // a closed file aborts quietly
  EXPECT_EQ(nuxtest::ReadFile(Linux("Folder/New.bin")), "012345!");

  // A closed file and a file opened for reading refuse what they cannot do.
  try {
    again.Read(buffer, 1);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::invalidFile);
    e->Delete();
  }
  CFile reader("C:\\Folder\\Existing.txt", CFile::modeRead);
  try {
    reader.Write("x", 1);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::accessDenied);
    e->Delete();
  }
}

TEST_F(CFileTest, StdioFileReadsAndWritesTextLines) {
  {
    CStdioFile out(u"C:\\text.txt", CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    out.WriteString(u"Zeile \u00E4\n");
    out.WriteString("zweite\n");
    out.WriteString("ohne Ende");
  }
  EXPECT_EQ(nuxtest::ReadFile(Linux("text.txt")), "Zeile \xE4\r\nzweite\r\nohne Ende");

  CStdioFile in;
  ASSERT_TRUE(in.Open("C:\\TEXT.TXT", CFile::modeRead | CFile::shareDenyWrite));
  EXPECT_NE(in.m_hFile, CFile::hFileNull);
  CStringW wide;
  ASSERT_TRUE(in.ReadString(wide));
  EXPECT_EQ(wide, CStringW(u"Zeile \u00E4"));
  char buffer[5];
  ASSERT_NE(in.ReadString(buffer, 5), nullptr);  // at most 4 characters
  EXPECT_STREQ(buffer, "zwei");
  ASSERT_NE(in.ReadString(buffer, 5), nullptr);
  EXPECT_STREQ(buffer, "te\n");  // the line end stays
  CStringA narrow;
  ASSERT_TRUE(in.ReadString(narrow));
  EXPECT_EQ(narrow, CStringA("ohne Ende"));
  EXPECT_FALSE(in.ReadString(narrow));
  EXPECT_TRUE(narrow.IsEmpty());
  EXPECT_EQ(in.GetLength(), 26u);
  in.SeekToBegin();
  ASSERT_TRUE(in.ReadString(narrow));
  EXPECT_EQ(narrow, CStringA("Zeile \xE4"));
  in.Close();
  EXPECT_EQ(in.m_hFile, CFile::hFileNull);

  // Binary mode leaves the CR in the line; modeNoTruncate appends.
  {
    CStdioFile add(u"C:\\text.txt", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
    add.WriteString("\nmehr\n");
  }
  CStdioFile binary(u"C:\\text.txt", CFile::modeRead | CFile::typeBinary);
  ASSERT_TRUE(binary.ReadString(narrow));
  EXPECT_EQ(narrow, CStringA("Zeile \xE4\r"));
  EXPECT_EQ(nuxtest::ReadFile(Linux("text.txt")), "Zeile \xE4\r\nzweite\r\nohne Ende\r\nmehr\r\n");
}

}  // namespace
