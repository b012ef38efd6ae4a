// Opening databases: password, missing and damaged files, exclusive and read-only opens.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "dao_test_support.h"
#include "fs/path.h"

namespace {

using daotest::Catch;

class Databases : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = daotest::Win(dir_.path() + "/content.mdb");
    daotest::CreateContentDatabase(path_, u"7C0E91AF3B58");
  }
  nuxtest::TempDir dir_;
  std::u16string path_;
};

TEST_F(Databases, PasswordIsCheckedAtOpen) {
  struct Case {
    const char16_t* connect;
    long code;
  };
  const Case cases[] = {
      {u";pwd=7C0E91AF3B58", 0},
      {u";PWD=7C0E91AF3B58", 0},
      {u"MS Access;PWD=7C0E91AF3B58;", 0},
      {u";pwd=7c0e91af3b58", 3031},  // passwords keep their case
      {u";pwd=7C0E91AF3B5", 3031},
      {u";pwd=", 3031},
      {u"", 3031},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(daotest::Utf8(c.connect));
    CDaoDatabase db;
    daotest::DaoError error = Catch([&] { db.Open(path_.c_str(), TRUE, TRUE, c.connect); });
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(db.IsOpen(), c.code == 0 ? TRUE : FALSE);
    if (c.code) {
      EXPECT_EQ(daotest::Utf8(error.message), "Not a valid password.");
    }
  }
}

TEST_F(Databases, AnUnprotectedDatabaseOpensWithAnyPassword) {
  std::u16string plain = daotest::Win(dir_.path() + "/Bookmark.mdb");
  CDaoDatabase created;
  created.Create(plain.c_str(), dbLangGeneral);
  created.Close();
  CDaoDatabase db;
  EXPECT_EQ(Catch([&] { db.Open(plain.c_str(), FALSE, FALSE, u";pwd=whatever"); }).code, 0);
}

TEST_F(Databases, MissingDamagedAndForeignFilesFailWithTheirTexts) {
  std::string damaged = dir_.Write("damaged.mdb", std::string(4096, '\x5a'));
  std::string folder = dir_.path() + "/folder.mdb";
  dir_.Write("folder.mdb/x", "x");
  struct Case {
    std::u16string path;
    long code;
    std::u16string message;
  };
  std::u16string missing = daotest::Win(dir_.path() + "/missing.mdb");
  std::u16string damagedWin = daotest::Win(damaged);
  const Case cases[] = {
      {missing, 3024, u"Could not find file '" + missing + u"'."},
      {damagedWin, 3343, u"Unrecognized database format '" + damagedWin + u"'."},
      {daotest::Win(folder), 3044, u"'" + daotest::Win(folder) + u"' is not a valid path."},
  };
  for (const Case& c : cases) {
    CDaoDatabase db;
    daotest::DaoError error = Catch([&] { db.Open(c.path.c_str(), TRUE, TRUE, u";pwd=7C0E91AF3B58"); });
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(daotest::Utf8(error.message), daotest::Utf8(c.message));
    EXPECT_FALSE(db.IsOpen());
  }
}

// The page of the access record, read from the file as SQLite wrote it.
long AccessPage(const std::string& file, long* pageSize) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(raw, "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master "
                          "WHERE name = 'MSysAccess'", -1, &s, nullptr);
  long page = 0;
  if (sqlite3_step(s) == SQLITE_ROW) {
    page = sqlite3_column_int(s, 0);
    *pageSize = sqlite3_column_int(s, 1);
  }
  sqlite3_finalize(s);
  sqlite3_close(raw);
  return page;
}

TEST_F(Databases, EmptyTruncatedAndDamagedFilesAreDamageNotAPasswordOrAnEmptyDatabase) {
  std::string file = nux::fs::ToLinuxPath(path_);
  std::string whole = nuxtest::ReadFile(file);
  long pageSize = 0;
  long page = AccessPage(file, &pageSize);
  ASSERT_GT(page, 1);
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string zeroed = whole, scrawled = whole;
  std::fill_n(zeroed.begin() + (page - 1) * pageSize, pageSize, char(0));
  for (long i = 0; i < pageSize; ++i) scrawled[size_t((page - 1) * pageSize + i)] = char(i * 37 + 11);
  const Case cases[] = {
      {"empty", ""},
      {"cut inside the header", whole.substr(0, 60)},
      {"access page zeroed", zeroed},
      {"access page scrawled over", scrawled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::u16string path = daotest::Win(dir_.Write("broken.mdb", c.bytes));
    for (const char16_t* connect : {u";pwd=7C0E91AF3B58", u";pwd=wrong", u""}) {
      CDaoDatabase db;
      daotest::DaoError error = Catch([&] { db.Open(path.c_str(), FALSE, TRUE, connect); });
      EXPECT_EQ(error.code, 3343) << daotest::Utf8(error.message);
      EXPECT_EQ(daotest::Utf8(error.message), "Unrecognized database format '" + daotest::Utf8(path) + "'.");
      EXPECT_FALSE(db.IsOpen());
    }
    EXPECT_EQ(nuxtest::ReadFile(nux::fs::ToLinuxPath(path)), c.bytes);  // never written to
  }
}

TEST_F(Databases, LookUpsFromTwoThreadsOnOneConnectionAreServedOneAfterTheOther) {
  CDaoDatabase db;
  db.Open(path_.c_str(), FALSE, TRUE, u";pwd=7C0E91AF3B58");
  const char16_t* ids[] = {u"dict1", u"dict2", u"dict3", u"pgal1"};
  const char* names[] = {"Andromeda Galaxy", "betelgeuse", "Sirius", "Orion Nebula"};
  std::atomic<int> wrong{0};
  auto work = [&](int offset) {
    for (int i = 0; i < 300; ++i) {
      int k = (i + offset) % 4;
      std::u16string sql = std::u16string(u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE '") + ids[k] + u"'";
      daotest::DaoError error = Catch([&] {
        CDaoRecordset rs(&db);
        rs.Open(dbOpenDynaset, sql.c_str(), 0);
        if (rs.IsEOF() || daotest::Utf8(daotest::Text(rs.GetFieldValue(u"proper_name"))) != names[k]) ++wrong;
        rs.FindFirst(u"proper_name LIKE 'ä*' OR ID > 0");
        rs.Close();
      });
      if (error.code != 0) ++wrong;
    }
  };
  std::thread a(work, 0), b(work, 1);
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST_F(Databases, ExclusiveOpenKeepsOthersOut) {
  CDaoDatabase first;
  first.Open(path_.c_str(), TRUE, TRUE, u";pwd=7C0E91AF3B58");
  CDaoDatabase second;
  daotest::DaoError error = Catch([&] { second.Open(path_.c_str(), FALSE, TRUE, u";pwd=7C0E91AF3B58"); });
  EXPECT_EQ(error.code, 3045);
  EXPECT_EQ(daotest::Utf8(error.message), "Could not use '" + daotest::Utf8(path_) + "'; file already in use.");
  first.Close();
  EXPECT_EQ(Catch([&] { second.Open(path_.c_str(), FALSE, TRUE, u";pwd=7C0E91AF3B58"); }).code, 0);
  // A shared open keeps an exclusive one out, and lets other shared ones in.
  CDaoDatabase third;
  EXPECT_EQ(Catch([&] { third.Open(path_.c_str(), TRUE, FALSE, u";pwd=7C0E91AF3B58"); }).code, 3045);
  EXPECT_EQ(Catch([&] { third.Open(path_.c_str(), FALSE, FALSE, u";pwd=7C0E91AF3B58"); }).code, 0);
}

TEST_F(Databases, ReadOnlyOpenRefusesEveryWrite) {
  CDaoDatabase db;
  db.Open(path_.c_str(), TRUE, TRUE, u";pwd=7C0E91AF3B58");
  EXPECT_FALSE(db.CanUpdate());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE WHERE ID=1", 0);
  const std::function<void()> writes[] = {
      [&] { db.Execute(u"DELETE FROM SV_MODULE WHERE ID=1", dbFailOnError); },
      [&] { db.Execute(u"CREATE TABLE X (A LONG)", dbFailOnError); },
      [&] { rs.AddNew(); },
      [&] { rs.Edit(); },
      [&] { rs.Delete(); },
  };
  for (const auto& write : writes) {
    daotest::DaoError error = Catch(write);
    EXPECT_EQ(error.code, 3027);
    EXPECT_EQ(daotest::Utf8(error.message), "Cannot update. Database or object is read-only.");
  }
  EXPECT_EQ(rs.GetRecordCount(), 1);
}

TEST_F(Databases, CreateRefusesAnExistingFileAndNewPasswordChangesTheCheck) {
  CDaoDatabase db;
  EXPECT_EQ(Catch([&] { db.Create(path_.c_str()); }).code, 3204);
  db.Open(path_.c_str(), TRUE, FALSE, u";pwd=7C0E91AF3B58");
  EXPECT_EQ(Catch([&] { db.NewPassword(u"wrong", u"x"); }).code, 3031);
  db.NewPassword(u"7C0E91AF3B58", u"NEW");
  db.Close();
  EXPECT_EQ(Catch([&] { db.Open(path_.c_str(), FALSE, TRUE, u";pwd=7C0E91AF3B58"); }).code, 3031);
  EXPECT_EQ(Catch([&] { db.Open(path_.c_str(), FALSE, TRUE, u";pwd=NEW"); }).code, 0);
}

TEST_F(Databases, ClosingTheDatabaseClosesItsRecordsetsAndAfxDaoTermClosesAll) {
  auto* db = new CDaoDatabase;
  db->Open(path_.c_str(), FALSE, TRUE, u";pwd=7C0E91AF3B58");
  CDaoRecordset rs(db);
  rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE", 0);
  delete db;  // the recordset outlives its database without harm
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(Catch([&] { rs.MoveFirst(); }).code, 3420);

  CDaoDatabase a, b;
  a.Open(path_.c_str(), FALSE, TRUE, u";pwd=7C0E91AF3B58");
  b.Open(path_.c_str(), FALSE, TRUE, u";pwd=7C0E91AF3B58");
  AfxDaoTerm();
  EXPECT_FALSE(a.IsOpen());
  EXPECT_FALSE(b.IsOpen());
}

TEST_F(Databases, QueriesOnAClosedDatabaseFail) {
  CDaoDatabase db;
  CDaoRecordset rs(&db);
  EXPECT_EQ(Catch([&] { rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE", 0); }).code, 3420);
  EXPECT_EQ(Catch([&] { db.Execute(u"DELETE FROM SV_MODULE"); }).code, 3420);
}

}  // namespace
