#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineConfig.h"
#include "SearchParser.h"
#include "base/wstr.h"
#include "dao/dao.h"
#include "test_support.h"

namespace {

std::string U8(const CString& s) { return nux::ToUtf8(std::u16string_view(s.GetString(), size_t(s.GetLength()))); }
CString W(const std::string& s) {
  const std::u16string w = nux::FromUtf8(s);
  return CString(w.c_str(), int(w.size()));
}

// The tests of one word, as the parser writes them for the column SearchText.
std::string Has(const std::string& w) { return "([SearchText] LIKE '*" + w + "*')"; }
std::string Lacks(const std::string& w) { return "([SearchText] NOT LIKE '*" + w + "*')"; }
std::string Whole(const std::string& w) {
  const std::string l = "[SearchText] LIKE";
  const std::string b = "[!a-zA-Z0-9]";
  return "((" + l + " '" + w + "') OR (" + l + " '" + w + b + "*') OR (" + l + " '*" + b + w + "') OR (" + l +
         " '*" + b + w + b + "*'))";
}
const std::string kNever = "SELECT * FROM SV_MODULE WHERE SearchText LIKE '~~~~~~~~~~'";

std::vector<std::string> Words(const CSearchParser& parser) {
  CStringArray words;
  words.Add(u"stale");
  parser.GetWords(words);
  std::vector<std::string> out;
  for (INT_PTR i = 0; i < words.GetSize(); ++i) out.push_back(U8(words[i]));
  return out;
}

// Each test writes the interface texts it wants into a NUX.INI of its own platform root and
// points the library's configuration at it.
class SearchParserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedIni_ = theEngineConfig.m_strIniPath;
    theEngineConfig.m_strIniPath = u"C:\\Nux\\NUX.INI";
    Strings("");
    parser_.SetTable(nullptr, u"SV_MODULE", u"SearchText");
  }
  void TearDown() override { theEngineConfig.m_strIniPath = savedIni_; }
  void Strings(const std::string& lines) { root_.Write("drive_c/Nux/NUX.INI", "[Strings]\r\n" + lines); }
  std::string Run(const std::string& query, int wholeWord = 0, int* result = nullptr) {
    parser_.SetWholeWord(wholeWord);
    parser_.RemoveInvalidCharacters(W(query));
    const int r = parser_.Parse();
    if (result != nullptr) *result = r;
    return U8(parser_.GetSQL());
  }

  nuxtest::ScopedPlatformRoot root_;
  CString savedIni_;
  CSearchParser parser_;
};

TEST_F(SearchParserTest, QueriesGiveStatementsAndWords) {
  const std::string where = "SELECT * FROM SV_MODULE WHERE ";
  const struct {
    const char* query;
    int wholeWord;
    std::string normalised;
    std::string sql;  // empty: the never-matching statement
    std::vector<std::string> words;
  } cases[] = {
      {"sun und (moon or star)", 0, "sun und (moon or star)",
       Has("SUN") + " AND (" + Has("MOON") + " OR " + Has("STAR") + ")", {"SUN", "MOON", "STAR"}},
      {"Sonne ET lune OU étoile", 0, "Sonne ET lune OU étoile",
       Has("SONNE") + " AND " + Has("LUNE") + " OR " + Has("ÉTOILE"), {"SONNE", "LUNE", "ÉTOILE"}},
      {"a oder b nicht c", 0, "a oder b nicht c", Has("A") + " OR " + Has("B") + " AND " + Lacks("C"), {"A", "B"}},
      {"a NON b", 1, "a NON b", Whole("A") + " AND " + Lacks("B"), {"A"}},
      {"a & | b", 0, "a & | b", Has("A") + " AND " + Has("B"), {"A", "B"}},
      {"a|b", 0, "a|b", Has("A|B"), {"A|B"}},  // the characters are tokens only as fields of their own
      {"and or", 0, "and or", "", {}},
      {"a and", 0, "a and", Has("A"), {"A"}},
      {"x (y)", 0, "x (y)", Has("X") + " AND (" + Has("Y") + ")", {"X", "Y"}},
      // NOT before a group negates the whole group; two NOTs undo each other.
      {"x not (y z)", 0, "x not (y z)", Has("X") + " AND NOT (" + Has("Y") + " AND " + Has("Z") + ")", {"X"}},
      {"not (a or b)", 0, "not (a or b)", "NOT (" + Has("A") + " OR " + Has("B") + ")", {}},
      {"not not a", 0, "not not a", Has("A"), {"A"}},
      {"nicht nicht (a) b", 0, "nicht nicht (a) b", "(" + Has("A") + ") AND " + Has("B"), {"A", "B"}},
      {"not (not a)", 0, "not (not a)", "NOT (" + Lacks("A") + ")", {}},
      // Brackets inside a phrase belong to it; a phrase of blanks is no term.
      {"\"Orionnebel (M42)\"", 0, "\"Orionnebel (M42)\"", Has("Orionnebel (M42)"), {"Orionnebel (M42)"}},
      {"(\"(M42) x\" or y)", 0, "(\"(M42) x\" or y)", "(" + Has("(M42) x") + " OR " + Has("Y") + ")", {"(M42) x", "Y"}},
      {"\"   \"", 0, "\" \"", "", {}},
      {"\" \" sun", 0, "\" \" sun", Has("SUN"), {"SUN"}},
      // Tabs, line ends and the non-breaking space part words as the blank does.
      {"sun\tmoon\r\nstar\u00A0earth", 0, "sun moon star earth",
       Has("SUN") + " AND " + Has("MOON") + " AND " + Has("STAR") + " AND " + Has("EARTH"), {"SUN", "MOON", "STAR", "EARTH"}},
      {"überriese", 0, "überriese", Has("ÜBERRIESE"), {"ÜBERRIESE"}},
      {"((a))", 0, "((a))", "((" + Has("A") + "))", {"A"}},
      {" ( a )  b ", 0, "(a) b", "(" + Has("A") + ") AND " + Has("B"), {"A", "B"}},
      {"(a)(b)", 0, "(a) (b)", "(" + Has("A") + ") AND (" + Has("B") + ")", {"A", "B"}},
      {"\"sun\"", 1, "\"sun\"", Has("sun"), {"sun"}},  // a phrase keeps its letters as typed
      {"\"Big Sun\" Moon", 1, "\"Big Sun\" Moon", Has("Big Sun") + " AND " + Whole("MOON"), {"Big Sun", "MOON"}},
      {"\"a b", 0, "\"a b", "", {}},  // an unclosed phrase is dropped
      {"\"\" sun", 0, "\"\" sun", Has("SUN"), {"SUN"}},
      {"a?b*c", 0, "a b c", Has("A") + " AND " + Has("B") + " AND " + Has("C"), {"A", "B", "C"}},
      {"#1", 0, "#1", Has("#1"), {"#1"}},
      {"a () b (( ))", 0, "a  b", Has("A") + " AND " + Has("B"), {"A", "B"}},
      {"()", 0, "", "", {}},
      {"(())", 0, "", "", {}},
      {"", 0, "", "", {}},
      // Unbalanced parentheses and quotes, and characters that would break the statement.
      {"(a or b", 0, "a or b", Has("A") + " OR " + Has("B"), {"A", "B"}},
      {"a or b)", 0, "a or b", Has("A") + " OR " + Has("B"), {"A", "B"}},
      {")a(", 0, " a ", Has("A"), {"A"}},
      {"not (a b)", 0, "not (a b)", "NOT (" + Has("A") + " AND " + Has("B") + ")", {}},
      {"not a b", 0, "not a b", Lacks("A") + " AND " + Has("B"), {"B"}},
      {"a and not or b", 0, "a and not or b", Has("A") + " AND " + Lacks("B"), {"A"}},
      {"a (or b)", 0, "a (or b)", Has("A") + " AND (" + Has("B") + ")", {"A", "B"}},
      {"a or (?)", 0, "a or ( )", Has("A"), {"A"}},
      {"a (\"b c)", 0, "a (\"b c)", Has("A"), {"A"}},
      {"it's [x]", 0, "it s  x ", Has("IT") + " AND " + Has("S") + " AND " + Has("X"), {"IT", "S", "X"}},
      {"'", 0, " ", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    int result = -1;
    const std::string sql = Run(c.query, c.wholeWord, &result);
    EXPECT_EQ(U8(parser_.GetQuery()), c.normalised);
    EXPECT_EQ(sql, c.sql.empty() ? kNever : where + c.sql);
    EXPECT_EQ(result, c.sql.empty() ? 0 : 1);
    EXPECT_EQ(Words(parser_), c.words);
  }
}

TEST_F(SearchParserTest, InterfaceTextsAreOperatorsInAnyLetterCase) {
  Strings("AND=PLUS\r\nOR=vel\r\nNOT=Au\xDF" "er\r\n");  // NUX.INI is in the ANSI code page
  EXPECT_EQ(Run("a plus b VEL c AUẞER d ausser e außer f"),
            "SELECT * FROM SV_MODULE WHERE " + Has("A") + " AND " + Has("B") + " OR " + Has("C") + " AND " + Lacks("D") +
                " AND " + Has("AUSSER") + " AND " + Has("E") + " AND " + Lacks("F"));
  // An empty text is never typed; a missing one yields its "not found" text.
  Strings("AND=\r\n");
  EXPECT_EQ(Run("(( a"), "SELECT * FROM SV_MODULE WHERE " + Has("A"));
}

TEST_F(SearchParserTest, TokensBeforeTheStatementIsBuilt) {
  const struct {
    const char* query;
    std::vector<std::string> tokens;
  } cases[] = {
      {"sun und (moon or star)", {"SUN", "&", "(", "MOON", "|", "STAR", ")"}},
      {"not (a)", {"!", "(", "A", ")"}},
      {"x not (a)", {"X", "&", "!", "(", "A", ")"}},
      {"x ((y))", {"X", "&", "(", "(", "Y", ")", ")"}},
      {"a (?) b", {"A", "&", "(", ")", "B"}},
      {"| a & & not", {"A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    parser_.RemoveInvalidCharacters(W(c.query));
    parser_.Tokenize();
    EXPECT_EQ(Words(parser_), c.tokens);
  }
}

TEST_F(SearchParserTest, ConditionIsTheWherePart) {
  EXPECT_EQ(U8(parser_.GetCondition()), "");
  Run("sun");
  EXPECT_EQ(U8(parser_.GetCondition()), "(" + Has("SUN") + ")");
  Run("");
  EXPECT_EQ(U8(parser_.GetCondition()), "(SearchText LIKE '~~~~~~~~~~')");
  parser_.Reset();
  EXPECT_EQ(U8(parser_.GetSQL()), "");
  EXPECT_EQ(Words(parser_), std::vector<std::string>{});
}

// The statements run on a small content table and find the right rows.
TEST_F(SearchParserTest, StatementsRunOnTheDatabase) {
  root_.Write("drive_c/Data/keep", "");
  CDaoDatabase db;
  db.Create(u"C:\\Data\\content.mdb");
  db.Execute(u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, SV_MODULE TEXT(10), SearchText MEMO, proper_name TEXT(255))");
  const char* texts[] = {
      "The Sun is a star",  "The Moon orbits the earth", "Sunday is a day", "Big sun rises",   "Star 42 and moon",
      "it's a sunny moon",  "Moon",                      "moon, at start",  "Moonlight sonata",
  };
  for (int i = 0; i < 9; ++i) {
    CString insert;
    CString text = W(texts[i]);
    text.Replace(u"'", u"''");
    insert.Format(u"INSERT INTO SV_MODULE VALUES (%d, '%s', '%s', 'T%d')", i + 1, i < 5 ? u"dict" : u"pgal",
                  text.GetString(), i + 1);
    db.Execute(insert);
  }
  parser_.SetTable(&db, u"SV_MODULE", u"SearchText");

  const struct {
    const char* query;
    int wholeWord;
    std::vector<long> ids;
  } cases[] = {
      {"sun", 0, {1, 3, 4, 6}},
      {"SUN", 1, {1, 4}},
      {"sun und (moon or star)", 0, {1, 6}},
      {"\"Big Sun\"", 0, {4}},
      {"not sun", 0, {2, 5, 7, 8, 9}},
      {"moon not sun", 1, {2, 5, 7, 8}},
      {"moon", 1, {2, 5, 6, 7, 8}},
      {"#", 0, {5}},
      {"it's", 0, {2, 6}},  // "orbits" holds both
      {"(a or b", 0, {1, 2, 3, 4, 5, 6, 8, 9}},
      {"not (moon)", 0, {1, 3, 4}},
      {"not sun moon", 0, {2, 5, 7, 8, 9}},
      {"not (moon or star)", 0, {3, 4}},
      {"not (sun moon)", 0, {1, 2, 3, 4, 5, 7, 8, 9}},
      {"not not sun", 0, {1, 3, 4, 6}},
      {"moon (\"x y)", 0, {2, 5, 6, 7, 8, 9}},
      {"", 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    Run(c.query, c.wholeWord);
    for (int filtered = 0; filtered < 2; ++filtered) {
      // As the search window runs it: the statement itself, or its condition behind a module filter.
      CString sql = parser_.GetSQL() + u" ORDER BY ID ASC";
      if (filtered) {
        sql.Format(u"SELECT * FROM SV_MODULE WHERE %s (%s) ORDER BY %s ASC", u"(SV_MODULE LIKE 'dict') AND",
                   parser_.GetCondition().GetString(), u"ID");
      }
      CDaoRecordset rs(&db);
      try {
        rs.Open(dbOpenDynaset, sql);
      } catch (CDaoException* e) {
        ADD_FAILURE() << U8(sql) << ": " << U8(e->m_pErrorInfo ? e->m_pErrorInfo->m_strDescription : CString());
        e->Delete();
        continue;
      }
      std::vector<long> ids;
      while (!rs.IsEOF()) {
        ids.push_back(rs.GetFieldValue(u"ID").lVal);
        rs.MoveNext();
      }
      rs.Close();
      std::vector<long> expected = c.ids;
      if (filtered) std::erase_if(expected, [](long id) { return id > 5; });
      EXPECT_EQ(ids, expected) << U8(sql);
    }
  }
  db.Close();
}

}  // namespace
