// Opening databases: password, missing and damaged files, exclusive and read-only opens.
#include <gtest/gtest.h>

#include "dao_test_support.h"

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
