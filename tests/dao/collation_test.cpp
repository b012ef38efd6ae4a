// The order of text through the database layer: comparisons, LIKE, ORDER BY and FindFirst over
// German and French words agree with each other, with and without an index, and in a file
// whose text columns were declared with SQLite's ASCII-only NOCASE.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/textcase.h"
#include "dao/jetsql.h"
#include "collation_cases.h"
#include "dao_test_support.h"

namespace {

using daotest::Catch;

std::string Join(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ",") + n;
  return out;
}

std::u16string U16(const std::string& s) { return nux::FromUtf8(s); }

enum class Kind { Indexed, Plain, OldNoCase };

class Collation : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    std::string file = dir_.path() + "/words.mdb";
    path_ = daotest::Win(file);
    if (GetParam() == Kind::OldNoCase) {
      // As earlier versions of the layer wrote text columns and their indexes.
      sqlite3* raw = nullptr;
      ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(raw,
                             "CREATE TABLE Words (ID INTEGER, Name VARCHAR(50) COLLATE NOCASE);"
                             "CREATE INDEX \"Words:Name\" ON Words (Name);",
                             nullptr, nullptr, nullptr),
                SQLITE_OK);
      for (const auto& w : collationcases::kWords) {
        std::string sql = "INSERT INTO Words VALUES (" + std::to_string(w.id) + ", '" + w.name + "')";
        ASSERT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
      }
      sqlite3_close(raw);
    } else {
      CDaoDatabase db;
      db.Create(path_.c_str(), dbLangGeneral);
      db.Execute(u"CREATE TABLE Words (ID LONG, Name TEXT(50))");
      if (GetParam() == Kind::Indexed) db.Execute(u"CREATE INDEX Name ON Words (Name)");
      for (const auto& w : collationcases::kWords) {
        db.Execute((u"INSERT INTO Words VALUES (" + U16(std::to_string(w.id)) + u", '" + U16(w.name) + u"')").c_str());
      }
    }
    db_.Open(path_.c_str(), FALSE, FALSE, u"");
  }
  std::vector<std::string> Select(const std::string& condition) {
    CDaoRecordset rs(&db_);
    std::u16string sql = u"SELECT * FROM Words" + (condition.empty() ? u"" : u" WHERE " + U16(condition)) + u" ORDER BY Name";
    rs.Open(dbOpenDynaset, sql.c_str(), 0);
    return daotest::Column(rs, u"Name");
  }
  nuxtest::TempDir dir_;
  std::u16string path_;
  CDaoDatabase db_;
};

TEST_P(Collation, OrderBySortsInTheGeneralOrderWithoutCase) {
  EXPECT_EQ(Join(Select("")), collationcases::kOrdered);
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM Words ORDER BY Name DESC", 0);
  std::vector<std::string> desc = daotest::Column(rs, u"Name");
  ASSERT_FALSE(desc.empty());
  EXPECT_EQ(desc.front(), "Zenit");
  EXPECT_EQ(desc.back(), "Aquator");
}

TEST_P(Collation, ComparisonsAndPatternsSelectAlike) {
  for (const auto& c : collationcases::kCases) {
    SCOPED_TRACE(c.condition);
    EXPECT_EQ(Join(Select(c.condition)), c.names);
  }
}

TEST_P(Collation, FindFirstOnTheOrderedScanMeetsWhatTheQuerySelects) {
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM Words ORDER BY Name", 0);
  for (const auto& c : collationcases::kCases) {
    SCOPED_TRACE(c.condition);
    std::u16string criteria = U16(c.condition);
    std::vector<std::string> found;
    for (BOOL hit = rs.FindFirst(criteria.c_str()); hit; hit = rs.FindNext(criteria.c_str())) {
      found.push_back(daotest::Utf8(daotest::Text(rs.GetFieldValue(u"Name"))));
    }
    EXPECT_EQ(Join(found), c.names);
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, Collation, ::testing::Values(Kind::Indexed, Kind::Plain, Kind::OldNoCase),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                           return info.param == Kind::Indexed ? "Indexed"
                                  : info.param == Kind::Plain ? "WithoutIndex"
                                                              : "OldNoCaseFile";
                         });

TEST(CollationIndex, NewTextColumnsAndTheirIndexesUseTheOrderOfText) {
  nuxtest::TempDir dir;
  std::string file = dir.path() + "/new.mdb";
  {
    CDaoDatabase db;
    db.Create(daotest::Win(file).c_str(), dbLangGeneral);
    db.Execute(u"CREATE TABLE Words (ID LONG, Name TEXT(50))");
    db.Execute(u"CREATE UNIQUE INDEX Name ON Words (Name)");
    db.Execute(u"INSERT INTO Words VALUES (1, 'Äquator')");
    // The unique index tells texts apart as comparisons do: without case, accents kept.
    EXPECT_EQ(Catch([&] { db.Execute(u"INSERT INTO Words VALUES (2, 'äQUATOR')"); }).code, 3022);
    EXPECT_EQ(Catch([&] { db.Execute(u"INSERT INTO Words VALUES (3, 'Aquator')"); }).code, 0);
  }
  // Look-ups, prefix patterns and orderings are answered by the index, not by reading the table.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
  auto order = [](void*, int n1, const void* a, int n2, const void* b) {
    return nux::CollateUtf8(std::string_view(static_cast<const char*>(a), size_t(n1)),
                            std::string_view(static_cast<const char*>(b), size_t(n2)));
  };
  sqlite3_create_collation_v2(raw, nux::dao::kTextCollation, SQLITE_UTF8, nullptr, order, nullptr);
  auto like = [](sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_int(ctx, 1); };
  sqlite3_create_function_v2(raw, "nux_like", 2, SQLITE_UTF8, nullptr, like, nullptr, nullptr, nullptr);
  for (const char16_t* statement : {u"SELECT * FROM Words WHERE Name = 'äquator'", u"SELECT * FROM Words WHERE Name LIKE 'äq*'",
                                    u"SELECT * FROM Words ORDER BY Name"}) {
    std::string sql = "EXPLAIN QUERY PLAN " + nux::dao::Translate(statement).sql;
    SCOPED_TRACE(sql);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, sql.c_str(), -1, &s, nullptr), SQLITE_OK);
    std::string plan;
    while (sqlite3_step(s) == SQLITE_ROW) plan += reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
    sqlite3_finalize(s);
    EXPECT_NE(plan.find("INDEX"), std::string::npos) << plan;
  }
  sqlite3_close(raw);
}

}  // namespace
