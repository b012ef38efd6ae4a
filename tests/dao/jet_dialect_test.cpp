// The SQL texts and criteria the library issues, run unchanged against a content database.
#include <gtest/gtest.h>

#include "dao/jetsql.h"
#include "dao_test_support.h"

namespace {

using daotest::Catch;
using daotest::Column;

class JetDialect : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new nuxtest::TempDir;
    path_ = daotest::Win(dir_->path() + "/content.mdb");
    daotest::CreateContentDatabase(path_, u"");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override { db_.Open(path_.c_str(), FALSE, TRUE); }

  std::vector<std::string> Query(const std::u16string& sql, const char16_t* column) {
    CDaoRecordset rs(&db_);
    rs.Open(dbOpenDynaset, sql.c_str(), 0);
    return Column(rs, column);
  }

  static nuxtest::TempDir* dir_;
  static std::u16string path_;
  CDaoDatabase db_;
};
nuxtest::TempDir* JetDialect::dir_ = nullptr;
std::u16string JetDialect::path_;

struct QueryCase {
  const char16_t* sql;
  const char16_t* column;
  std::vector<std::string> expected;
};

TEST_F(JetDialect, QueriesSelectTheRecordsInTheirOrder) {
  const QueryCase cases[] = {
      // Look-ups: LIKE without wildcards ignores case; '*' matches by pattern in table order.
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'ndso31'", u"ID_QBZ_SV", {"NDSO31"}},
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'N*'", u"ID_QBZ_SV", {"NSTR1001", "NDSO31", "NCMT9"}},
      {u"SELECT * FROM SV_LookUp_Table_Lang WHERE ID_QBZ_SV LIKE 'NDSO31'", u"proper_name", {"Andromeda Galaxy"}},
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'nobody'", u"ID_QBZ_SV", {}},
      // Pages and the dictionary's default order (without case: betelgeuse sorts second).
      {u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY proper_name ASC", u"ID", {"1", "2", "3", "9"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'DICT' ORDER BY proper_name ASC", u"proper_name",
       {"Andromeda Galaxy", "betelgeuse", "Sirius", "Zeta Reticuli"}},
      {u"SELECT * FROM SV_Module WHERE ID_QBZ_SV LIKE 'DICT2'", u"ID", {"2"}},
      {u"SELECT * FROM SV_MODULE WHERE ID=5", u"ID_QBZ_SV", {"pgal1"}},
      {u"SELECT * FROM SV_Module WHERE ID=-1", u"ID", {}},
      {u"SELECT * FROM SV_MODULE WHERE File LIKE 'm42.jpg'", u"ID", {"5"}},
      {u"SELECT * FROM SV_MODULE WHERE FILE like 'M31.JPG'", u"ID", {"1"}},
      {u"SELECT * FROM SV_Module WHERE ID_TPL LIKE 'dctb' ORDER BY proper_name", u"proper_name",
       {"Table of Constellations"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY DC_ADC_DE", u"DC_ADC_DE",
       {"Andromedagalaxie", "Beteigeuze", "Sirius", "Zeta Reticuli"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY DC_ADC_FR", u"ID", {"1", "2", "3", "9"}},
      // Search statements with module filters.
      {u"SELECT * FROM SV_MODULE WHERE ([SearchText] LIKE '*SUN*') AND (([SearchText] LIKE '*MOON*') OR "
       u"([SearchText] LIKE '*STAR*'))",
       u"ID",
       {"1"}},
      {u"SELECT * FROM SV_MODULE WHERE (SV_MODULE LIKE 'dict' OR SV_MODULE LIKE 'recb') AND (([SearchText] LIKE "
       u"'*STAR*')) ORDER BY proper_name ASC",
       u"ID",
       {"1", "6", "3", "9"}},
      {u"SELECT * FROM SV_MODULE WHERE (SV_MODULE LIKE '~~~~') AND (([SearchText] LIKE '*STAR*')) ORDER BY "
       u"proper_name ASC",
       u"ID",
       {}},
      {u"SELECT * FROM SV_MODULE WHERE proper_name LIKE '~~~~'", u"ID", {}},
      {u"SELECT * FROM SV_MODULE WHERE [SearchText] NOT LIKE '*STAR*' ORDER BY ID", u"ID", {"2", "5", "7"}},
      {u"SELECT * FROM SV_MODULE WHERE SearchText LIKE '~~~~~~~~~~'", u"ID", {}},
      // Wildcards: % and _ are plain characters; ?, #, [set], [!set] and [x] as the engine has them.
      {u"SELECT * FROM SV_MODULE WHERE SearchText LIKE '100%*'", u"ID", {"7"}},
      {u"SELECT * FROM SV_MODULE WHERE SearchText LIKE '*F_T*'", u"ID", {"7"}},
      {u"SELECT * FROM SV_MODULE WHERE SearchText LIKE '%'", u"ID", {}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'dict[1-3]'", u"ID", {"1", "2", "3"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'dict[!1-3]'", u"ID", {"9"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'dict#'", u"ID", {"1", "2", "3", "9"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'D?CT1'", u"ID", {"1"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE '[dp][ig]*1'", u"ID", {"1", "5"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'dic[t]1'", u"ID", {"1"}},
      // Texts that differ only in their values share a translation: each still gets its own.
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'dic[t]2'", u"ID", {"2"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'dict[2-3]'", u"ID", {"2", "3"}},
      {u"SELECT * FROM SV_MODULE WHERE DC_ADC_EN LIKE 'sir*'", u"ID", {"3"}},
      {u"SELECT * FROM SV_MODULE WHERE DC_ADC_EN LIKE 'ZET*'", u"ID", {"9"}},
      {u"SELECT * FROM SV_MODULE WHERE ID=7", u"ID_QBZ_SV", {"help1"}},
      {u"SELECT TOP 2 * FROM SV_MODULE ORDER BY ID", u"ID", {"1", "2"}},
      {u"SELECT TOP 3 * FROM SV_MODULE ORDER BY ID", u"ID", {"1", "2", "3"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV LIKE 'DCTB*'", u"ID", {"4"}},
      {u"SELECT * FROM SV_MODULE WHERE DC_ADC_EN LIKE 'zeta r*' OR DC_ADC_EN LIKE 'A*'", u"ID", {"1", "9"}},
      // NULL matches nothing, not even '*'.
      {u"SELECT * FROM SV_MODULE WHERE DC_ADC_FR LIKE '*'", u"ID", {"2", "3", "9"}},
      {u"SELECT * FROM SV_MODULE WHERE DC_ADC_FR NOT LIKE 'x*' ORDER BY ID", u"ID", {"2", "3", "9"}},
      // Comparisons of text without case; brackets, DESC, NOT, IS NULL.
      {u"SELECT * FROM SV_MODULE WHERE proper_name >= 'M' ORDER BY proper_name", u"ID", {"6", "5", "3", "4", "7", "9"}},
      {u"SELECT * FROM SV_MODULE WHERE SV_MODULE = 'DICT' ORDER BY ID", u"ID", {"1", "2", "3", "4", "9"}},
      {u"SELECT [ID], [proper_name] FROM [SV_MODULE] WHERE [ID] < 3 ORDER BY [ID] DESC", u"proper_name",
       {"betelgeuse", "Andromeda Galaxy"}},
      {u"SELECT * FROM SV_MODULE WHERE NOT (ID > 2) ORDER BY ID", u"ID", {"1", "2"}},
      {u"select * from sv_module where html is null or searchtext is null order by id", u"ID", {"4", "8"}},
      {u"SELECT * FROM SV_MODULE WHERE ID BETWEEN 3 AND 5 AND ID_TPL IN ('dict', 'PGAL') ORDER BY ID", u"ID",
       {"3", "5"}},
      // The navigation trees and the database tree control.
      {u"SELECT ID,PID,Title FROM HP_Nav_Tree WHERE PID=0 ORDER BY ID ASC", u"TITLE", {"Help"}},
      {u"SELECT ID,PID,Title FROM PG_NavTree WHERE PID=1 ORDER BY Title ASC", u"Title",
       {"Galaxies", "Nebulae", "nova remnants"}},
      {u"SELECT ID,PID,Title FROM PG_NavTree WHERE PID=1 AND Title LIKE 'n*' ORDER BY ID ASC", u"ID", {"2", "3"}},
      {u"Select PID from HP_Nav_Tree order by PID ASC", u"PID", {"0", "1", "1"}},
      {u"Select PID from PG_NavTree WHERE ID > 1 order by PID ASC", u"PID", {"1", "1", "1"}},
      {u"Select * from HP_Nav_Tree order by ID ASC", u"ID", {"1", "2", "3"}},
      {u"SELECT * FROM HP_Nav_Tree WHERE ID_TA_HTML LIKE 'help1'", u"ID", {"1", "2"}},
      {u"SELECT * FROM PG_NavTree WHERE ID=2", u"ID_TA_HTML", {"pgal1"}},
      {u"SELECT * FROM HP_Nav_Tree WHERE ID=2 ORDER BY ID ASC", u"Title", {"Searching"}},
      {u"SELECT * FROM RB_NavTree WHERE ID=1", u"Title", {"Reference"}},
  };
  for (const QueryCase& c : cases) {
    SCOPED_TRACE(daotest::Utf8(c.sql));
    std::vector<std::string> got;
    daotest::DaoError error = Catch([&] { got = Query(c.sql, c.column); });
    EXPECT_EQ(error.code, 0) << daotest::Utf8(error.message);
    EXPECT_EQ(got, c.expected);
  }
}

struct ErrorCase {
  const char16_t* sql;
  long code;
  const char16_t* message;  // nullptr: only the code is checked
};

TEST_F(JetDialect, RefusedStatementsRaiseTheEnginesErrors) {
  const ErrorCase cases[] = {
      // An object id holding a quote cuts the string short.
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'o'brien'", 3075,
       u"Syntax error in string in query expression 'ID_QBZ_SV LIKE 'o'brien''."},
      {u"SELECT * FROM SV_LookUp_Table_Lang WHERE ID_QBZ_SV LIKE 'it's'", 3075, nullptr},
      {u"SELECT * FROM SV_MODULE WHERE ID = 1 junk", 3075,
       u"Syntax error (missing operator) in query expression 'ID = 1 junk'."},
      {u"SELECT * FROM SV_MODULE WHERE ID = ", 3075, nullptr},
      {u"SELECT * FROM SV_MODULE WHERE Nope = 1", 3061, u"Too few parameters. Expected 1."},
      {u"SELECT Nope FROM SV_MODULE", 3061, nullptr},
      {u"SELECT * FROM NoTable", 3078,
       u"The database engine cannot find the input table or query 'NoTable'. Make sure it exists and that its name "
       u"is spelled correctly."},
      // A text that is no SELECT is taken as a table's name.
      {u"SELEC * FROM SV_MODULE", 3078, nullptr},
      {u"SELECT * FROM SV_MODULE ORDER proper_name", 3138, u"Syntax error in ORDER BY clause."},
      {u"SELECT * FROM", 3131, u"Syntax error in FROM clause."},
      {u"SELECT * FROM SV_MODULE WHERE Nope(ID) = 1", 3085, u"Undefined function 'Nope' in expression."},
      {u"SELECT TOP 99999999999999999999 * FROM SV_MODULE", 3001, nullptr},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(daotest::Utf8(c.sql));
    daotest::DaoError error = Catch([&] { Query(c.sql, u"ID"); });
    EXPECT_EQ(error.code, c.code) << daotest::Utf8(error.message);
    if (c.message) {
      EXPECT_EQ(daotest::Utf8(error.message), daotest::Utf8(c.message));
    }
  }
}

struct FindCase {
  const char16_t* criteria;
  bool found;
  const char* id;  // the current record afterwards
};

TEST_F(JetDialect, FindFirstMovesToTheFirstMatchInTheSetsOrder) {
  const FindCase cases[] = {
      {u"proper_name >= 'b'", true, "2"},
      {u"proper_name >= 'S'", true, "3"},
      {u"proper_name >= 'zz'", false, "9"},  // no match: the position stays
      {u"DC_ADC_EN LIKE 'sir*'", true, "3"},
      {u"DC_ADC_EN LIKE '*'", true, "1"},
      {u"DC_ADC_FR LIKE '*'", true, "2"},
      {u"ID=9", true, "9"},
      {u"ID = 3", true, "3"},
      {u"ID_TPL LIKE 'dict' AND ID > 2", true, "3"},
  };
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY proper_name ASC", 0);
  for (const FindCase& c : cases) {
    SCOPED_TRACE(daotest::Utf8(c.criteria));
    rs.MoveLast();
    EXPECT_EQ(rs.FindFirst(c.criteria), c.found ? TRUE : FALSE);
    EXPECT_EQ(daotest::Utf8(daotest::Text(rs.GetFieldValue(u"ID"))), c.id);
  }
  ASSERT_TRUE(rs.FindFirst(u"SV_MODULE LIKE 'dict'"));
  EXPECT_EQ(rs.GetAbsolutePosition(), 0);
  ASSERT_TRUE(rs.FindNext(u"SV_MODULE LIKE 'dict'"));
  EXPECT_EQ(rs.GetAbsolutePosition(), 1);
  ASSERT_TRUE(rs.FindLast(u"ID < 4"));
  EXPECT_EQ(rs.GetAbsolutePosition(), 2);
  ASSERT_TRUE(rs.FindPrev(u"ID < 4"));
  EXPECT_EQ(rs.GetAbsolutePosition(), 1);
  EXPECT_FALSE(rs.FindPrev(u"ID = 9"));
  EXPECT_EQ(rs.GetAbsolutePosition(), 1);
}

TEST_F(JetDialect, FindOnTheTreesParentSet) {
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"Select PID from PG_NavTree order by PID ASC", 0);
  EXPECT_TRUE(rs.FindFirst(u"PID = 1"));
  EXPECT_EQ(rs.GetAbsolutePosition(), 1);
  EXPECT_FALSE(rs.FindFirst(u"PID = 4"));
}

TEST_F(JetDialect, BadCriteriaRaiseErrors) {
  const ErrorCase cases[] = {
      {u"Nope = 1", 3070, u"The database engine does not recognize 'Nope' as a valid field name or expression."},
      {u"ID = ", 3077, nullptr},
      {u"proper_name >= 'it's'", 3077, nullptr},
      {u"", 3077, nullptr},
  };
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE ORDER BY ID", 0);
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(daotest::Utf8(c.sql));
    daotest::DaoError error = Catch([&] { rs.FindFirst(c.sql); });
    EXPECT_EQ(error.code, c.code) << daotest::Utf8(error.message);
    if (c.message) {
      EXPECT_EQ(daotest::Utf8(error.message), daotest::Utf8(c.message));
    }
    EXPECT_EQ(rs.GetAbsolutePosition(), 0);
  }
}

TEST(JetLike, PatternsMatchAsTheEngineDoes) {
  struct Case {
    const char16_t* value;
    const char16_t* pattern;
    bool match;
  };
  const Case cases[] = {
      {u"Andromeda", u"andromeda", true}, {u"Andromeda", u"AND*", true},   {u"Andromeda", u"*MED*", true},
      {u"Andromeda", u"*x*", false},      {u"", u"*", true},               {u"", u"?", false},
      {u"abc", u"a?c", true},             {u"ac", u"a?c", false},          {u"a1c", u"a#c", true},
      {u"abc", u"a#c", false},            {u"b", u"[a-c]", true},          {u"B", u"[a-c]", true},
      {u"d", u"[a-c]", false},            {u"d", u"[!a-c]", true},         {u"a*b", u"a[*]b", true},
      {u"axb", u"a[*]b", false},          {u"100%", u"100%", true},        {u"100x", u"100%", false},
      {u"a_b", u"a_b", true},             {u"axb", u"a_b", false},         {u"aaab", u"*a*b", true},
      {u"abcabd", u"*abd", true},         {u"mississippi", u"*sip*", true}, {u"[x", u"[x", true},
      // Every letter has its case; accents are kept apart; ranges follow the order of text.
      {u"Ärger", u"ärger", true},         {u"ÉCLIPSE", u"é*", true},       {u"Eclipse", u"é*", false},
      {u"Øresund", u"ø?esund", true},     {u"Arger", u"ärger", false},     {u"ä", u"[a-z]", true},
      {u"Ä", u"[!a-z]", false},           {u"5", u"[a-z]", false},         {u"Straße", u"STRA?E", true},
      {u"STRASSE", u"straße", false},  {u"STRAẞE", u"straße", true},     {u"Ǆ", u"ǆ", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nux::dao::LikeMatch(c.value, c.pattern), c.match)
        << daotest::Utf8(c.value) << " LIKE " << daotest::Utf8(c.pattern);
  }
}

TEST(JetTranslate, LiteralPatternsBecomeEqualitiesThatUseAnIndex) {
  // Values become parameters, so that look-ups of different ids share one statement.
  nux::dao::Statement st = nux::dao::Translate(u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'NDSO31'");
  EXPECT_EQ(st.sql,
            "SELECT rowid FROM \"SV_LookUp_Table_Ref\" WHERE (\"ID_QBZ_SV\" COLLATE NUXTEXT = ?1) ORDER BY rowid");
  EXPECT_EQ(st.rowSql, "SELECT * FROM \"SV_LookUp_Table_Ref\" WHERE rowid = ?1");
  ASSERT_EQ(st.params.size(), 1u);
  EXPECT_EQ(st.params[0].text, u"NDSO31");
  EXPECT_EQ(nux::dao::Translate(u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'plnt4'").sql, st.sql);

  st = nux::dao::Translate(u"SELECT * FROM SV_MODULE WHERE File LIKE 'a[*]b'");
  ASSERT_EQ(st.params.size(), 1u);
  EXPECT_EQ(st.params[0].text, u"a*b");
  // A prefix pattern is bounded by a range the index can seek.
  st = nux::dao::Translate(u"SELECT * FROM SV_MODULE WHERE DC_ADC_EN LIKE 'Sir*'");
  EXPECT_NE(st.sql.find("\"DC_ADC_EN\" COLLATE NUXTEXT >= ?2 AND \"DC_ADC_EN\" COLLATE NUXTEXT < ?3 AND "
                        "nux_like(\"DC_ADC_EN\", ?1)"),
            std::string::npos)
      << st.sql;
  ASSERT_EQ(st.params.size(), 3u);
  EXPECT_EQ(st.params[1].text, u"Sir");
  EXPECT_EQ(st.params[2].text, u"Sir\uFFFF");
}

}  // namespace

namespace {

TEST_F(JetDialect, LongAndDeepConditionsRunAsOneFlatList) {
  std::u16string ands, ors, deep = u"ID = 5";
  for (int i = 0; i < 200; ++i) {
    ands += (i ? u" AND " : u"") + (u"ID <> " + nux::FromUtf8(std::to_string(1000 + i)));
    ors += (i ? u" or " : u"") + (u"ID = " + nux::FromUtf8(std::to_string(i < 199 ? 1000 + i : 3)));
    deep = u"(" + deep + u")";
  }
  // 200 terms of one operator, 200 brackets deep, and both at once.
  EXPECT_EQ(Query(u"SELECT * FROM SV_MODULE WHERE " + ands + u" AND ID < 3 ORDER BY ID", u"ID"),
            (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Query(u"SELECT * FROM SV_MODULE WHERE " + ors, u"ID"), (std::vector<std::string>{"3"}));
  EXPECT_EQ(Query(u"SELECT * FROM SV_MODULE WHERE " + deep, u"ID"), (std::vector<std::string>{"5"}));
  EXPECT_EQ(Query(u"SELECT * FROM SV_MODULE WHERE " + deep + u" OR (" + ors + u") ORDER BY ID", u"ID"),
            (std::vector<std::string>{"3", "5"}));
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE ORDER BY ID", 0);
  EXPECT_TRUE(rs.FindFirst(deep.c_str()));
  EXPECT_TRUE(rs.FindFirst(ors.c_str()));

  // A chain of one operator is one bracket pair, not one a term.
  // Comparisons with numbers keep a number column's index usable; texts compare in their order.
  nux::dao::Criteria c = nux::dao::TranslateCriteria(u"a = 1 AND b = -2 AND c = '3' OR d = #1/2/2003#");
  EXPECT_EQ(c.sql, "(((\"a\" = ?1) AND (\"b\" = (-?2)) AND (\"c\" COLLATE NUXTEXT = ?3)) OR (\"d\" = ?4))");
  EXPECT_EQ(nux::dao::TranslateCriteria(u"((((a = 'x'))))").sql, "(\"a\" COLLATE NUXTEXT = ?1)");
  // Text deeper than the parser takes is refused as too complex, not a crash.
  std::u16string tooDeep = std::u16string(5000, u'(') + u"ID = 1" + std::u16string(5000, u')');
  EXPECT_EQ(Catch([&] { Query(u"SELECT * FROM SV_MODULE WHERE " + tooDeep, u"ID"); }).code, 3360);
  std::u16string nots;
  for (int i = 0; i < 5000; ++i) nots += u"NOT ";
  EXPECT_EQ(Catch([&] { rs.FindFirst((nots + u"ID = 1").c_str()); }).code, 3360);
}

}  // namespace
