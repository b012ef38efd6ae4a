// NUXSV_Init's token and database, re-initialisation, NUXSV_Term and the frame exports that
// need no window.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "dao/dao.h"

#include "fs/fs.h"
#include "nuxsv_env.h"
#include "ui/msgbox.h"

namespace nuxsvtest {
namespace {

class InitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::ui::ClearMessageBoxAnswers();
    nux::ui::ClearMessageBoxLog();
  }
  static bool Finds(const Library& lib, const char16_t* id) { return lib.HasLookupTableRef(CString(id)) == 1; }

  Installation install;
};

TEST_F(InitTest, TokenMustMatchExactly) {
  const struct {
    const char16_t* token;
    int result;
  } cases[] = {
      {u"NUXSV-HOST-ACCESS-01", 1},
      {u"NUXSV-HOST-ACCESS-02", 0},   // one character
      {u"nuxsv-host-access-01", 0},   // letter case
      {u"NUXSV-HOST-ACCESS-01 ", 0},  // one more
      {u"NUXSV-HOST-ACCESS-0", 0},    // one less
      {u"", 0},
      {nullptr, 0},
  };
  for (const auto& c : cases) {
    Library lib;
    ASSERT_TRUE(lib.loaded());
    EXPECT_EQ(lib.Init(c.token, 1, 1, 1), c.result) << (c.token ? Utf8(CString(c.token)) : "NULL");
    EXPECT_EQ(Finds(lib, u"NSTR1234"), c.result == 1);
  }
  EXPECT_TRUE(nux::ui::MessageBoxLog().empty());
}

TEST_F(InitTest, RefusedTokenLeavesOpenDatabase) {
  Library lib;
  ASSERT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  EXPECT_EQ(lib.Init(u"NUXSV-HOST-ACCESS-0I", 0, 0, 0), 0);
  EXPECT_EQ(lib.Init(nullptr, 0, 0, 0), 0);
  EXPECT_TRUE(Finds(lib, u"NSTR1234"));
}

TEST_F(InitTest, SecondInitReopensTheDatabase) {
  Library lib;
  ASSERT_EQ(lib.Init(kToken, 0, 0, 0), 1);
  // The first database holds its file alone; a second open would fail unless the first one
  // was closed first.
  ASSERT_EQ(lib.Init(kToken, 1, 0, 1), 1);
  EXPECT_TRUE(Finds(lib, u"NSTR1234"));
  // The file is read again: a different database is seen by the new object.
  lib.Term();
  DeleteFileW(u"C:\\Content\\Data\\Content.mdb");
  BuildContentDatabase(u"C:\\Content\\Data\\Content.mdb", kPassword, 5);
  ASSERT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  int sky = 0, dict = 0, pgal = 0, recb = 0, help = 0;
  EXPECT_EQ(lib.GetLookupTableRef2(CString(u"NSTR1234"), &sky, &dict, &pgal, &recb, &help), 1);
  EXPECT_EQ(recb, 0);  // that column is gone in the new file
  EXPECT_TRUE(nux::ui::MessageBoxLog().empty());
}

TEST_F(InitTest, DatabaseFailureShowsItsBox) {
  const struct {
    const char* what;
    std::function<void(Installation&)> damage;
    const char* message;
  } cases[] = {
      {"missing", [](Installation&) { DeleteFileW(u"C:\\Content\\Data\\Content.mdb"); },
       "Could not find file 'C:\\Content\\Data\\Content.mdb'."},
      {"wrong password",
       [](Installation&) {
         DeleteFileW(u"C:\\Content\\Data\\Content.mdb");
         BuildContentDatabase(u"C:\\Content\\Data\\Content.mdb", u"7C0E91AF3B59");
       },
       "Not a valid password."},
      {"damaged", [](Installation& i) { i.root.Write("drive_c/Content/Data/Content.mdb", std::string(4096, 'x')); },
       "Unrecognized database format 'C:\\Content\\Data\\Content.mdb'."},
      {"empty", [](Installation& i) { i.root.Write("drive_c/Content/Data/Content.mdb", ""); },
       "Unrecognized database format 'C:\\Content\\Data\\Content.mdb'."},
      // The access record is the first table of the file: its page follows the header page.
      {"access page damaged",
       [](Installation& i) {
         std::string file = i.ContentFolder() + "/Data/Content.mdb";
         std::string bytes = nuxtest::ReadFile(file);
         ASSERT_GT(bytes.size(), 8192u);
         std::fill(bytes.begin() + 4096, bytes.begin() + 8192, '\0');
         i.root.Write("drive_c/Content/Data/Content.mdb", bytes);
       },
       "Unrecognized database format 'C:\\Content\\Data\\Content.mdb'."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation fresh;
    c.damage(fresh);
    nux::ui::ClearMessageBoxLog();
    Library lib;
    nux::ui::QueueMessageBoxAnswer(IDOK);
    EXPECT_EQ(lib.Init(kToken, 1, 1, 1), 0);
    auto log = nux::ui::MessageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(nux::ToUtf8(log[0].caption), "NUXSV ERROR");
    EXPECT_EQ(log[0].type, UINT(MB_OK));
    std::string text = nux::ToUtf8(log[0].text);
    EXPECT_EQ(text.rfind("*** DAO Error *** InitInstance *** ", 0), 0u) << text;
    EXPECT_EQ(text.back(), '\n');
    if (c.message) {
      EXPECT_NE(text.find(c.message), std::string::npos) << text;
    }
    EXPECT_FALSE(Finds(lib, u"NSTR1234"));
  }
}

TEST_F(InitTest, TermEndsEverythingAndMayRepeat) {
  Library lib;
  lib.Term();  // nothing open yet
  ASSERT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  lib.Term();
  EXPECT_FALSE(Finds(lib, u"NSTR1234"));
  lib.Term();
  // The file is free again: another exclusive open succeeds.
  CDaoDatabase db;
  db.Open(u"C:\\Content\\Data\\Content.mdb", TRUE, TRUE, u";pwd=7C0E91AF3B58");
  EXPECT_TRUE(db.IsOpen());
}

TEST_F(InitTest, WindowGettersAndEncyclopaedia) {
  Library lib;
  EXPECT_EQ(lib.GetAstroDictCWnd(), nullptr);
  EXPECT_EQ(lib.GetEncyclopCWnd(), nullptr);
  ASSERT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  EXPECT_EQ(lib.GetAstroDictCWnd(), nullptr);
  EXPECT_EQ(lib.GetEncyclopCWnd(), nullptr);

  nux::ui::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(lib.OpenEncyclop(), IDOK);
  auto log = nux::ui::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(nux::ToUtf8(log[0].text), "NUXSV_OpenEncyclop - NOT SUPPORTED IN THIS VERSION");
  EXPECT_EQ(nux::ToUtf8(log[0].caption), "E R R O R");
  EXPECT_EQ(log[0].type, UINT(MB_ICONERROR));
}

TEST_F(InitTest, LoadsByItsWindowsName) {
  // A host asks for NUXSV.dll; the library beside it is the Linux shared object libNUXSV.so.
  ASSERT_TRUE(CopyFileW(LibraryPath().c_str(), u"C:\\Host\\libNUXSV.so", FALSE) ||
              (CreateDirectoryW(u"C:\\Host", nullptr) &&
               CopyFileW(LibraryPath().c_str(), u"C:\\Host\\libNUXSV.so", FALSE)));
  Library lib(u"C:\\Host\\NUXSV.dll");
  ASSERT_TRUE(lib.loaded()) << lib.loadError;
  EXPECT_EQ(GetModuleHandleW(u"NUXSV.dll"), lib.module);
  EXPECT_EQ(GetModuleHandleW(u"nuxsv"), lib.module);
  EXPECT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  EXPECT_TRUE(Finds(lib, u"NSTR1234"));
}

}  // namespace
}  // namespace nuxsvtest
