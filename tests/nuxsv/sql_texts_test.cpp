// The content database's queries, as the library's parts issue them, against the test content.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VariantText.h"
#include "dao/dao.h"
#include "nuxsv_env.h"

namespace nuxsvtest {
namespace {

class ContentQueries : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildContentDatabase(u"C:\\Content.mdb");
    db.Open(u"C:\\Content.mdb", TRUE, TRUE, u";pwd=7C0E91AF3B58");
  }

  // The values of one column over the whole recordset, in its order.
  std::vector<std::string> Column(const char16_t* sql, const char16_t* column) {
    CDaoRecordset rs(&db);
    rs.Open(dbOpenDynaset, sql, 0);
    std::vector<std::string> values;
    for (; !rs.IsEOF(); rs.MoveNext()) {
      CVariantText v;
      rs.GetFieldValue(column, v);
      values.push_back(Utf8(v.ToString()));
    }
    return values;
  }

  nuxtest::ScopedPlatformRoot root;
  CDaoDatabase db;
};

using Rows = std::vector<std::string>;

TEST_F(ContentQueries, TextsOfTheLibrary) {
  const struct {
    const char16_t* sql;
    const char16_t* column;
    Rows rows;
  } cases[] = {
      {u"SELECT * FROM SV_Module WHERE ID=5", u"proper_name", {"Andromedagalaxie"}},
      {u"SELECT * FROM SV_MODULE WHERE File LIKE 'M31.JPG'", u"ID_QBZ_SV", {"pgal7"}},
      {u"SELECT * FROM SV_MODULE WHERE FILE like 'halley.htm'", u"ID", {"8"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_QBZ_SV like 'ncmt1'", u"PROPER_NAME",
       {"Halleyscher Komet"}},
      {u"SELECT * FROM SV_Module WHERE ID_QBZ_SV LIKE 'DICT3'", u"id_tpl", {"dict"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY proper_name ASC", u"proper_name",
       {"Aldebaran", "Beteigeuze", "Halleyscher Komet", "Sirius"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY DC_ADC_EN", u"DC_ADC_EN",
       {"Aldebaran", "Betelgeuse", "Halley's Comet", "Sirius"}},
      {u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY DC_ADC_FR", u"DC_ADC_FR",
       {"Aldebaran", "B\u00e9telgeuse", "Com\u00e8te de Halley", "Sirius"}},
      {u"SELECT * FROM SV_Module WHERE ID_TPL LIKE 'dctb' ORDER BY proper_name", u"proper_name",
       {"Die hellsten Sterne"}},
      {u"SELECT * FROM SV_MODULE WHERE ID=3", u"SV_MODULE", {"dict"}},
      // The search: module filters, then the words' condition.
      {u"SELECT * FROM SV_MODULE WHERE SV_MODULE LIKE 'dict' OR SV_MODULE LIKE 'recb' OR  "
       u"(SearchText LIKE '*orion*') ORDER BY proper_name ASC",
       u"proper_name",
       {"Aldebaran", "Beteigeuze", "Die hellsten Sterne", "Halleyscher Komet", "Sirius", "Sternbild Orion"}},
      {u"SELECT * FROM SV_MODULE WHERE (SV_MODULE LIKE 'dict' OR SV_MODULE LIKE 'recb') AND "
       u"(SearchText LIKE '*orion*') ORDER BY proper_name ASC",
       u"proper_name",
       {"Beteigeuze", "Sternbild Orion"}},
      {u"SELECT * FROM SV_MODULE WHERE (SearchText LIKE '*stern*' AND NOT SearchText LIKE '*tabelle*') "
       u"ORDER BY ID ASC",
       u"ID",
       {"1"}},
      {u"SELECT * FROM SV_MODULE WHERE (SearchText LIKE '*100%*') ORDER BY ID ASC", u"ID", {"7"}},
      {u"SELECT * FROM SV_MODULE WHERE (SearchText LIKE '*76 Jahre*') ORDER BY ID ASC", u"ID", {"8"}},
      // The look-ups.
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'nstr1234'", u"SV_objectId_Lookup", {"1234"}},
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'NSTR12*'", u"SV_TypeId_Lookup", {"NSTR"}},
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'cnst6#'", u"RB_objectId_Lookup", {"1"}},
      {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'NS''TR'", u"ID_QBZ_SV", {}},
      {u"SELECT * FROM SV_LookUp_Table_Lang WHERE ID_QBZ_SV LIKE 'nstr70890'", u"proper_name", {"Barnard's Stern"}},
      // The navigation trees.
      {u"SELECT ID,PID,Title FROM RB_NavTree WHERE PID=0 ORDER BY Title", u"Title", {"Planeten", "Sternbilder"}},
      {u"SELECT ID,PID,Title FROM RB_NavTree WHERE PID=1 ORDER BY ID", u"title", {"Orion"}},
      {u"SELECT * FROM HP_Nav_Tree WHERE ID_TA_HTML LIKE 'HELP2'", u"ID", {"1", "2"}},
      {u"SELECT * FROM PG_NavTree WHERE ID=3", u"Title", {"Andromeda"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(CString(c.sql)));
    try {
      EXPECT_EQ(Column(c.sql, c.column), c.rows);
    } catch (CException* e) {
      WCHAR message[256] = {};
      e->GetErrorMessage(message, 255);
      e->Delete();
      ADD_FAILURE() << Utf8(CString(message));
    }
  }
}

TEST_F(ContentQueries, OneTextWithManyValues) {
  // The look-ups run one text with another value each time; whatever the value holds, each
  // answers for its own value.
  const struct {
    const char16_t* value;
    Rows ids;
  } cases[] = {
      {u"NSTR1234", {"NSTR1234"}},
      {u"nstr91262", {"NSTR91262"}},
      {u"NSTR12*", {"NSTR1234"}},
      {u"*5", {"plnt5"}},
      {u"NSTR1234", {"NSTR1234"}},
      {u"", {}},
      {u"NS''TR", {}},
      {u"x' OR ID_QBZ_SV LIKE 'cnst60", {"cnst60"}},
      {u"[n]str1234", {"NSTR1234"}},
      {u"[!n]str1234", {}},
      {u"plnt5", {"plnt5"}},
  };
  for (const auto& c : cases) {
    std::u16string sql = std::u16string(u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE '") + c.value + u"'";
    EXPECT_EQ(Column(sql.c_str(), u"ID_QBZ_SV"), c.ids) << Utf8(CString(sql.c_str()));
  }
}

TEST(ContentTexts, KeepEveryCharacter) {
  nuxtest::ScopedPlatformRoot root;
  const char16_t* const texts[] = {u"Sirius", u"B\u00e9telgeuse \u00c4\u00d6\u00dc\u00df", u"\u7e54\u5973\u661f",
                                   u"\U0001D6FC Centauri", u"", u"a\u20ACb"};
  CDaoDatabase db;
  db.Create(u"C:\\texts.mdb");
  db.Execute(u"CREATE TABLE T (ID LONG, Name TEXT(100), Body MEMO)");
  int id = 0;
  for (const char16_t* t : texts) {
    std::u16string quoted;
    for (const char16_t* p = t; *p; ++p) quoted += *p == u'\'' ? std::u16string(u"''") : std::u16string(1, *p);
    db.Execute((u"INSERT INTO T VALUES (" + std::u16string(1, char16_t(u'0' + id++)) + u", '" + quoted + u"', '" +
                quoted + u"')")
                   .c_str());
  }
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, u"SELECT * FROM T ORDER BY ID", 0);
  for (const char16_t* t : texts) {
    ASSERT_FALSE(rs.IsEOF());
    for (const char16_t* column : {u"Name", u"Body"}) {
      COleVariant v;
      rs.GetFieldValue(column, v);
      ASSERT_EQ(v.vt, VT_BSTR);
      EXPECT_EQ(std::u16string(v.bstrVal, SysStringLen(v.bstrVal)), std::u16string(t));
    }
    rs.MoveNext();
  }
}

TEST_F(ContentQueries, WordListSeek) {
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'dict' ORDER BY DC_ADC_DE", 0);
  ASSERT_TRUE(rs.FindFirst(u"DC_ADC_DE LIKE 'hal*'"));
  CVariantText v;
  rs.GetFieldValue(u"ID", v);
  EXPECT_EQ(Utf8(v.ToString()), "8");
  EXPECT_FALSE(rs.FindFirst(u"DC_ADC_DE LIKE 'zz*'"));
}

TEST_F(ContentQueries, FailuresAreDatabaseExceptions) {
  for (const char16_t* sql : {u"SELECT * FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV LIKE 'NS'TR'",
                              u"SELECT * FROM SV_Missing WHERE ID=1", u"SELECT * FROM SV_MODULE WHERE Missing=1"}) {
    CDaoRecordset rs(&db);
    bool thrown = false;
    try {
      rs.Open(dbOpenDynaset, sql, 0);
    } catch (CDaoException* e) {
      thrown = true;
      e->Delete();
    }
    EXPECT_TRUE(thrown) << Utf8(CString(sql));
  }
}

}  // namespace
}  // namespace nuxsvtest
