// Archives made by Debian's zip: every entry is found by name and extracts to the bytes of
// the file it was made from.
#include <gtest/gtest.h>

#include "zip_test_util.h"

namespace {

using ziptest::ExtractGlobalString;
using ziptest::ExtractString;
using ziptest::Fixture;
using ziptest::WriteDriveC;
using ziptest::ZipError;

struct FixtureCase {
  const char* file;
  const char16_t* password;
};

// Test listings show the archive's name, not the bytes of the pointers.
void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.file; }

class FixtureArchives : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureArchives, EveryEntryIsFoundAndExtracts) {
  const FixtureCase& c = GetParam();
  const CString path = WriteDriveC(std::string("fx/") + c.file, Fixture(c.file));
  const struct {
    const char16_t* name;
    const char* content;
  } entries[] = {
      {u"hello.txt", "content/hello.txt"},
      {u"HTML\\page.htm", "content/HTML/page.htm"},
      {u"data.raw", "content/data.raw"},
  };
  CZipArchive zip;
  zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
  ASSERT_TRUE(zip.SetPassword(c.password));
  EXPECT_EQ(zip.GetCount(), 3);
  for (const auto& entry : entries) {
    SCOPED_TRACE(nux::ToUtf8(entry.name));
    const int index = zip.FindFile(entry.name);
    ASSERT_GE(index, 0);
    const std::string expected = Fixture(entry.content);
    std::string data;
    ASSERT_TRUE(ExtractString(zip, index, data));
    EXPECT_EQ(data, expected);
    // A small chunk makes many reads, each continuing where the last one stopped.
    ASSERT_TRUE(ExtractGlobalString(zip, index, data, 7));
    EXPECT_EQ(data, expected);
  }
  zip.Close(CZipArchive::afNoException, false);
  EXPECT_TRUE(zip.IsClosed());
}

INSTANTIATE_TEST_SUITE_P(Zip, FixtureArchives,
                         ::testing::Values(FixtureCase{"stored.zip", nullptr}, FixtureCase{"deflated.zip", nullptr},
                                           FixtureCase{"encrypted.zip", u"secret"},
                                           FixtureCase{"comment.zip", nullptr}, FixtureCase{"sfx.zip", nullptr},
                                           FixtureCase{"sfx-adjusted.zip", nullptr}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST(ZipFixtures, CommentIsRead) {
  CZipArchive zip;
  zip.Open(WriteDriveC("fx/comment.zip", Fixture("comment.zip")), CZipArchive::zipOpenReadOnly, 0);
  EXPECT_EQ(zip.GetGlobalComment(), CString(u"An archive comment."));
  zip.Close();
}

TEST(ZipFixtures, NamesMatchWithoutCaseAndWithBackslashes) {
  CZipArchive zip;
  zip.Open(WriteDriveC("fx/deflated.zip", Fixture("deflated.zip")), CZipArchive::zipOpenReadOnly, 0);
  const int page = zip.FindFile(u"HTML\\page.htm");
  ASSERT_GE(page, 0);
  EXPECT_EQ(zip.FindFile(u"html\\PAGE.HTM"), page);
  // The stored "/" became "\"; a "/" in the request is an ordinary character.
  EXPECT_EQ(zip.FindFile(u"HTML/page.htm"), -1);
  EXPECT_EQ(zip.FindFile(u"page.htm"), -1);
  EXPECT_EQ(zip.FindFile(u"html\\PAGE.HTM", CZipArchive::ffCaseSens), -1);
  EXPECT_EQ(zip.FindFile(u"HTML\\page.htm", CZipArchive::ffCaseSens), page);
  EXPECT_EQ(zip.FindFile(u"PAGE.htm", CZipArchive::ffDefault, true), page);
  EXPECT_EQ(zip.FindFile(u"missing.txt"), -1);
  zip.Close();
  EXPECT_EQ(zip.FindFile(u"HTML\\page.htm"), -1);
}

TEST(ZipFixtures, EncryptedEntriesNeedTheRightPassword) {
  const CString path = WriteDriveC("fx/encrypted.zip", Fixture("encrypted.zip"));
  for (const char16_t* password : {static_cast<const char16_t*>(nullptr), u"wrong", u"Secret"}) {
    CZipArchive zip;
    zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
    zip.SetPassword(password);
    for (int i = 0; i < zip.GetCount(); ++i) {
      std::string data;
      EXPECT_EQ(ZipError([&] { ExtractString(zip, i, data); }), CZipException::badPassword);
    }
    zip.Close();
  }
}

TEST(ZipFixtures, OpeningClearsThePassword) {
  const CString path = WriteDriveC("fx/encrypted.zip", Fixture("encrypted.zip"));
  CZipArchive zip;
  EXPECT_TRUE(zip.SetPassword(u"secret"));
  zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
  EXPECT_EQ(zip.GetPassword(), CString());
  std::string data;
  EXPECT_EQ(ZipError([&] { ExtractString(zip, 0, data); }), CZipException::badPassword);
  zip.Close();
}

TEST(ZipFixtures, MissingArchiveRaisesTheFileError) {
  CZipArchive zip;
  int cause = -2;
  try {
    zip.Open(u"C:\\none.zip", CZipArchive::zipOpenReadOnly, 0);  // an existing folder, a missing file
  } catch (CFileException* e) {
    cause = e->m_cause;
    e->Delete();
  }
  EXPECT_EQ(cause, CFileException::fileNotFound);
  EXPECT_TRUE(zip.IsClosed());
  zip.Close();  // closing an archive that never opened does nothing
}

}  // namespace
