// Dynaset navigation, values of every field type, and the writes of the bookmark store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dao_test_support.h"

namespace {

using daotest::Catch;
using daotest::Text;
using daotest::Utf8;

// A store shaped as the bookmark database: made through a table definition with indexes.
class Store : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = daotest::Win(dir_.path() + "/Bookmark.mdb");
    db_.Create(path_.c_str(), u";LANGID=0x0409;CP=1252;COUNTRY=0");
    CDaoTableDef td(&db_);
    td.Create(u"Bookmark");
    td.CreateField(u"ID", dbLong, 4, dbAutoIncrField);
    td.CreateField(u"PID", dbLong, 4, dbUpdatableField);
    td.CreateField(u"MID", dbLong, 4, dbUpdatableField);
    td.CreateField(u"Title", dbText, 128, dbUpdatableField);
    td.CreateField(u"Note", dbMemo, 0, dbUpdatableField);
    td.CreateField(u"Type", dbByte, 1, dbUpdatableField);
    td.CreateField(u"StartChar", dbLong, 4, dbUpdatableField);
    td.CreateField(u"EndChar", dbLong, 4, dbUpdatableField);
    for (const char16_t* field : {u"ID", u"PID", u"MID"}) {
      CDaoIndexFieldInfo fieldInfo;
      fieldInfo.m_strName = field;
      fieldInfo.m_bDescending = FALSE;
      CDaoIndexInfo index;
      index.m_strName = field;
      index.m_pFieldInfos = &fieldInfo;
      index.m_nFields = 1;
      index.m_bPrimary = CStringW(field) == u"ID";
      index.m_bUnique = index.m_bPrimary;
      td.CreateIndex(index);
    }
    td.Append();
    td.Close();
  }

  // Adds a record as the store does; returns the ID read between AddNew and Update.
  long Add(long pid, long mid, const char16_t* title) {
    CDaoRecordset rs(&db_);
    rs.Open(dbOpenDynaset, u"SELECT * FROM Bookmark WHERE MID=0 AND PID=0", 0);
    rs.AddNew();
    rs.SetFieldValue(u"MID", COleVariant(mid));
    rs.SetFieldValue(u"PID", COleVariant(pid));
    rs.SetFieldValue(u"Title", title);
    rs.SetFieldValue(u"Note", u" ");
    long id = rs.GetFieldValue(u"ID").lVal;
    rs.Update();
    rs.Close();
    return id;
  }

  nuxtest::TempDir dir_;
  std::u16string path_;
  CDaoDatabase db_;
};

TEST_F(Store, TableDefinitionKeepsFieldsInOrderAndTheIndexes) {
  CDaoTableDef td(&db_);
  td.Open(u"bookmark");
  ASSERT_EQ(td.GetFieldCount(), 8);
  const struct {
    const char* name;
    short type;
    long size;
  } fields[] = {{"ID", dbLong, 4},  {"PID", dbLong, 4}, {"MID", dbLong, 4},       {"Title", dbText, 128},
                {"Note", dbMemo, 0}, {"Type", dbByte, 1}, {"StartChar", dbLong, 4}, {"EndChar", dbLong, 4}};
  for (short i = 0; i < 8; ++i) {
    CDaoFieldInfo info;
    td.GetFieldInfo(i, info);
    EXPECT_EQ(Utf8(info.m_strName.GetString()), fields[i].name);
    EXPECT_EQ(info.m_nType, fields[i].type);
    EXPECT_EQ(info.m_lSize, fields[i].size);
  }
  CDaoFieldInfo id;
  td.GetFieldInfo(u"id", id);
  EXPECT_TRUE(id.m_lAttributes & dbAutoIncrField);
  ASSERT_EQ(td.GetIndexCount(), 3);
  for (const char16_t* name : {u"ID", u"PID", u"MID"}) {
    CDaoIndexInfo info;
    td.GetIndexInfo(name, info);
    EXPECT_EQ(info.m_nFields, 1);
    EXPECT_EQ(Utf8(info.m_pFieldInfos[0].m_strName.GetString()), Utf8(name));
    bool primary = CStringW(name) == u"ID";
    EXPECT_EQ(info.m_bPrimary, primary ? TRUE : FALSE);
    EXPECT_EQ(info.m_bUnique, primary ? TRUE : FALSE);
  }
  EXPECT_EQ(td.GetRecordCount(), 0);
  // An index on a field the table does not have, or a second one of a name, fails.
  CDaoIndexFieldInfo missing;
  missing.m_strName = u"Nope";
  CDaoIndexInfo bad;
  bad.m_strName = u"Nope";
  bad.m_pFieldInfos = &missing;
  bad.m_nFields = 1;
  EXPECT_EQ(Catch([&] { td.CreateIndex(bad); }).code, 3265);
  missing.m_strName = u"MID";
  bad.m_strName = u"mid";
  EXPECT_EQ(Catch([&] { td.CreateIndex(bad); }).code, 3284);
  CDaoTableDef again(&db_);
  again.Create(u"BOOKMARK");
  again.CreateField(u"A", dbLong, 4);
  EXPECT_EQ(Catch([&] { again.Append(); }).code, 3010);
}

TEST_F(Store, AddNewGivesTheNewIdBeforeUpdateAndRecordsJoinTheSet) {
  EXPECT_EQ(Add(0, 17, u"Sirius"), 1);
  EXPECT_EQ(Add(1, 17, u"first mark"), 2);
  EXPECT_EQ(Add(1, 17, u"second mark"), 3);

  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM Bookmark WHERE MID=17 AND PID<>0", 0);
  EXPECT_EQ(rs.GetRecordCount(), 2);
  rs.AddNew();
  rs.SetFieldValue(u"MID", 17);
  rs.SetFieldValue(u"PID", 1);
  rs.SetFieldValue(u"Title", u"third");
  EXPECT_EQ(rs.GetFieldValue(u"ID").lVal, 4);
  EXPECT_EQ(rs.GetFieldValue(u"Note").vt, VT_NULL);
  rs.Update();
  EXPECT_EQ(rs.GetRecordCount(), 3);
  EXPECT_EQ(Utf8(Text(rs.GetFieldValue(u"Title"))), "first mark");  // the current record stays
  rs.MoveLast();
  EXPECT_EQ(Utf8(Text(rs.GetFieldValue(u"TITLE"))), "third");

  // A deleted record leaves the set; ids are not given again.
  rs.Delete();
  EXPECT_TRUE(rs.IsDeleted());
  EXPECT_EQ(Catch([&] { rs.GetFieldValue(u"ID"); }).code, 3167);
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.GetRecordCount(), 2);
  EXPECT_EQ(Add(0, 18, u"Vega"), 5);
}

TEST_F(Store, EditUpdateAndExecute) {
  Add(0, 17, u"Sirius");
  Add(1, 17, u"mark");
  {
    CDaoRecordset rs(&db_);
    rs.Open(dbOpenDynaset, u"SELECT * FROM Bookmark WHERE ID=2", 0);
    rs.Edit();
    rs.SetFieldValue(u"Title", u"renamed");
    rs.SetFieldValue(u"Type", COleVariant(BYTE(4)));
    EXPECT_EQ(Utf8(Text(rs.GetFieldValue(u"Title"))), "renamed");  // the edit buffer shows
    rs.Update();
    EXPECT_EQ(Utf8(Text(rs.GetFieldValue(u"Title"))), "renamed");
    COleVariant type = rs.GetFieldValue(u"Type");
    EXPECT_EQ(type.vt, VT_UI1);
    EXPECT_EQ(type.bVal, 4);
    // Update without AddNew or Edit, and a field the table does not have.
    EXPECT_EQ(Catch([&] { rs.Update(); }).code, 3020);
    rs.Edit();
    EXPECT_EQ(Catch([&] { rs.SetFieldValue(u"Nope", 1); }).code, 3265);
    rs.CancelUpdate();
    // A title longer than the field's 128 characters.
    rs.Edit();
    rs.SetFieldValue(u"Title", std::u16string(129, u'x').c_str());
    EXPECT_EQ(Catch([&] { rs.Update(); }).code, 3163);
  }
  db_.Execute(u"UPDATE Bookmark SET StartChar = 10, EndChar = 20 WHERE MID=17 AND PID<>0", dbFailOnError);
  EXPECT_EQ(db_.GetRecordsAffected(), 1);
  db_.Execute(u"DELETE * FROM Bookmark WHERE MID=17", dbFailOnError);
  EXPECT_EQ(db_.GetRecordsAffected(), 2);
  EXPECT_EQ(Catch([&] { db_.Execute(u"SELECT * FROM Bookmark"); }).code, 3065);
  EXPECT_EQ(Catch([&] { db_.Execute(u"SELEC * FROM Bookmark"); }).code, 3129);
  EXPECT_EQ(Catch([&] { db_.Execute(u"DELETE FROM Nowhere"); }).code, 3078);
  // A duplicate key of a unique index.
  db_.Execute(u"INSERT INTO Bookmark (ID, PID, MID) VALUES (40, 0, 1)");
  EXPECT_EQ(Catch([&] { db_.Execute(u"INSERT INTO Bookmark (ID, PID, MID) VALUES (40, 0, 2)"); }).code, 3022);
}

TEST_F(Store, NavigationOverTheSet) {
  for (int i = 1; i <= 5; ++i) Add(0, i, u"t");
  CDaoRecordset empty(&db_);
  empty.Open(dbOpenDynaset, u"SELECT * FROM Bookmark WHERE MID=99", 0);
  EXPECT_TRUE(empty.IsBOF());
  EXPECT_TRUE(empty.IsEOF());
  EXPECT_EQ(empty.GetRecordCount(), 0);
  EXPECT_EQ(empty.GetAbsolutePosition(), -1);
  for (auto move : {&CDaoRecordset::MoveFirst, &CDaoRecordset::MoveLast, &CDaoRecordset::MoveNext,
                    &CDaoRecordset::MovePrev}) {
    daotest::DaoError error = Catch([&] { (empty.*move)(); });
    EXPECT_EQ(error.code, 3021);
    EXPECT_EQ(Utf8(error.message), "No current record.");
  }
  EXPECT_EQ(Catch([&] { empty.GetFieldValue(u"ID"); }).code, 3021);

  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM Bookmark ORDER BY MID DESC", 0);
  EXPECT_FALSE(rs.IsBOF());
  EXPECT_EQ(rs.GetRecordCount(), 5);
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 5);
  rs.MovePrev();
  EXPECT_TRUE(rs.IsBOF());
  EXPECT_EQ(rs.GetAbsolutePosition(), -1);
  EXPECT_EQ(Catch([&] { rs.MovePrev(); }).code, 3021);
  rs.MoveNext();
  EXPECT_EQ(rs.GetFieldValue(u"mid").lVal, 5);
  rs.MoveLast();
  EXPECT_EQ(rs.GetAbsolutePosition(), 4);
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(Catch([&] { rs.MoveNext(); }).code, 3021);
  rs.MovePrev();
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 1);
  rs.SetAbsolutePosition(2);
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 3);
  EXPECT_EQ(Catch([&] { rs.SetAbsolutePosition(5); }).code, 3001);
  rs.Move(-1);
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 4);
  EXPECT_EQ(Catch([&] { rs.GetFieldValue(u"Nope"); }).code, 3265);
  EXPECT_EQ(rs.GetFieldCount(), 8);
  // Another writer's deletion shows when the record is read again.
  db_.Execute(u"DELETE FROM Bookmark WHERE MID=2");
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_TRUE(rs.IsDeleted());
}

TEST_F(Store, FindOverALargeSetFollowsTheSetsOrder) {
  db_.BeginTrans();
  for (int i = 1; i <= 200; ++i) {
    db_.Execute(CStringW(nux::Format(u"INSERT INTO Bookmark (PID, MID, Title) VALUES (%d, %d, 'x')", i % 7, i).c_str()));
  }
  db_.CommitTrans();
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM Bookmark ORDER BY MID DESC", 0);
  ASSERT_EQ(rs.GetRecordCount(), 200);
  EXPECT_TRUE(rs.FindFirst(u"MID <= 150 AND PID = 0"));
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 147);
  EXPECT_TRUE(rs.FindNext(u"MID <= 150 AND PID = 0"));
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 140);
  EXPECT_TRUE(rs.FindLast(u"PID = 0"));
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 7);
  EXPECT_FALSE(rs.FindFirst(u"MID > 500"));
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 7);
}

// A scan reads its records a block at a time; what is written meanwhile, through this
// connection or another one, still shows, and a record removed under the scan is passed over.
TEST_F(Store, ScanSeesWritesMadeWhileItRuns) {
  db_.BeginTrans();
  for (int i = 1; i <= 200; ++i) {
    db_.Execute(CStringW(nux::Format(u"INSERT INTO Bookmark (PID, MID, Title) VALUES (0, %d, 't%d')", i, i).c_str()));
  }
  db_.CommitTrans();
  CDaoDatabase other;
  other.Open(path_.c_str());
  CDaoRecordset rs(&db_);
  rs.Open(dbOpenDynaset, u"SELECT * FROM Bookmark ORDER BY MID", 0);
  std::vector<long> seen;
  int deleted = 0;
  for (int step = 0; step < 400 && !rs.IsEOF(); ++step) {
    if (rs.IsDeleted()) {
      ++deleted;
      EXPECT_EQ(Catch([&] { rs.GetFieldValue(u"MID"); }).code, 3167);
    } else {
      const long mid = rs.GetFieldValue(u"MID").lVal;
      seen.push_back(mid);
      const std::string title = Utf8(Text(rs.GetFieldValue(u"Title")));
      EXPECT_EQ(title, mid == 12 ? "changed" : "t" + std::to_string(mid)) << mid;
      if (mid == 10) {
        // Records of the block already read: one changed, one removed.
        db_.Execute(u"UPDATE Bookmark SET Title = 'changed' WHERE MID = 12", dbFailOnError);
        db_.Execute(u"DELETE FROM Bookmark WHERE MID = 14", dbFailOnError);
        // Another connection removes one the scan has not read yet.
        other.Execute(u"DELETE FROM Bookmark WHERE MID = 150", dbFailOnError);
      }
    }
    rs.MoveNext();
  }
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(deleted, 2);
  std::vector<long> expected;
  for (long i = 1; i <= 200; ++i)
    if (i != 14 && i != 150) expected.push_back(i);
  EXPECT_EQ(seen, expected);
  // Back over the removed ones, and a jump into the middle.
  rs.MovePrev();
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 200);
  rs.SetAbsolutePosition(13);
  EXPECT_EQ(rs.GetFieldValue(u"MID").lVal, 15);
  other.Close();
}

TEST(FieldValues, EveryFieldTypeReadsAsItsVariantType) {
  nuxtest::TempDir dir;
  std::u16string path = daotest::Win(dir.path() + "/types.mdb");
  CDaoDatabase db;
  db.Create(path.c_str());
  db.Execute(u"CREATE TABLE T (L LONG, S SHORT, B BYTE, Y BIT, C CURRENCY, D DATETIME, R SINGLE, F DOUBLE, "
             u"X TEXT(20), M MEMO, N LONG, O LONGBINARY)");
  db.Execute(u"INSERT INTO T VALUES (-7, -5, 200, TRUE, 12.5, #3/5/2007 14:30#, 2.5, 3, '  Sirius  ', 'long text', "
             u"NULL, NULL)");
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, u"SELECT * FROM T", 0);
  struct Case {
    const char16_t* field;
    VARTYPE vt;
    const char* text;
  };
  const Case cases[] = {
      {u"L", VT_I4, "-7"},   {u"S", VT_I2, "-5"},          {u"B", VT_UI1, "200"},
      {u"Y", VT_BOOL, "True"}, {u"C", VT_CY, "12.5"},       {u"D", VT_DATE, "3/5/2007 2:30:00 PM"},
      {u"R", VT_R4, "2.5"},  {u"F", VT_R8, "3"},           {u"X", VT_BSTR, "  Sirius  "},
      {u"M", VT_BSTR, "long text"}, {u"N", VT_NULL, ""},   {u"O", VT_NULL, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.field));
    COleVariant v;
    rs.GetFieldValue(c.field, v);
    EXPECT_EQ(v.vt, c.vt);
    EXPECT_EQ(Utf8(Text(v)), c.text);
  }
  COleVariant y = rs.GetFieldValue(u"Y");
  EXPECT_EQ(y.boolVal, VARIANT_TRUE);
  // Values written through a recordset come back with their types; bytes as a byte array.
  rs.Edit();
  const BYTE bytes[] = {1, 2, 3};
  rs.SetFieldValue(u"O", COleVariant(bytes, 3));
  rs.SetFieldValue(u"D", COleVariant::FromDate(39146.0));
  CY cy;
  cy.int64 = -1;
  rs.SetFieldValue(u"C", COleVariant(cy));
  rs.SetFieldValue(u"X", COleVariant(42));
  rs.Update();
  COleVariant o = rs.GetFieldValue(u"O");
  ASSERT_EQ(o.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(o.parray->rgsabound[0].cElements, 3u);
  EXPECT_EQ(static_cast<BYTE*>(o.parray->pvData)[2], 3);
  EXPECT_EQ(rs.GetFieldValue(u"D").date, 39146.0);
  EXPECT_EQ(rs.GetFieldValue(u"C").cyVal.int64, -1);
  EXPECT_EQ(Utf8(Text(rs.GetFieldValue(u"X"))), "42");
  rs.Edit();
  rs.SetFieldValue(u"L", u"not a number");
  EXPECT_EQ(Catch([&] { rs.Update(); }).code, 3421);
}

}  // namespace
