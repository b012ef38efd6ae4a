// The bookmark store: "Bookmark.mdb" made when missing, bookmarks added from the selection,
// renamed, noted and deleted, kept across closing and reopening, and shown as marks at their
// characters; failures leave the store and the page as they were.
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "FileHelpers.h"
#include "host_fixture.h"

namespace hosttest {
namespace {

namespace b = nux::browser;

struct Row {
  long pid, mid, type, start, end;
  std::u16string title, note;
};

long Long(CDaoRecordset& rs, LPCWSTR name) {
  COleVariant v;
  rs.GetFieldValue(name, v);
  VARIANT c;
  VariantInit(&c);
  long n = SUCCEEDED(VariantChangeType(&c, &v, 0, VT_I4)) ? c.lVal : -1;
  VariantClear(&c);
  return n;
}

std::u16string Text(CDaoRecordset& rs, LPCWSTR name) {
  COleVariant v;
  rs.GetFieldValue(name, v);
  return v.vt == VT_BSTR ? std::u16string(v.bstrVal) : std::u16string();
}

std::map<long, Row> Rows(CDaoDatabase* db) {
  std::map<long, Row> rows;
  CDaoRecordset rs(db);
  rs.Open(dbOpenDynaset, u"SELECT * FROM Bookmark");
  for (; !rs.IsEOF(); rs.MoveNext())
    rows[Long(rs, u"ID")] = Row{Long(rs, u"PID"), Long(rs, u"MID"), Long(rs, u"Type"), Long(rs, u"StartChar"),
                                Long(rs, u"EndChar"), Text(rs, u"Title"), Text(rs, u"Note")};
  rs.Close();
  return rows;
}

std::u16string MarkOf(long type, long id, std::u16string_view text) {
  std::string t = std::to_string(type), i = std::to_string(id);
  return nux::FromUtf8("<SPAN class=Bookmark" + t + "><A name=Bookmark" + i + "></A><IMG SRC=BM" + t + ".bmp>") +
         std::u16string(text) + u"</SPAN>";
}

class BookmarkTest : public HostTest {};

TEST_F(BookmarkTest, AddedFromTheSelectionKeptAcrossReopeningAndShownAtTheirCharacters) {
  OpenDialog();
  ShowRecord(1);
  const std::u16string clean = Body();

  ASSERT_TRUE(b::SelectText(*Doc(), u"brightest star"));
  const long first = browser_->AddBookmarkFromSelection(3);
  ASSERT_GT(first, 0);
  auto rows = Rows(browser_->GetBookmarkDatabase());
  ASSERT_EQ(rows.size(), 2u);  // the page's node, then the bookmark under it
  const long node = browser_->GetBookmarkNodeID();
  EXPECT_EQ(rows[node].pid, 0);
  EXPECT_EQ(rows[node].mid, 1);
  EXPECT_EQ(rows[node].title, u"Sirius");
  const Row bm = rows[first];
  EXPECT_EQ(bm.pid, node);
  EXPECT_EQ(bm.title, u"brightest star...");
  EXPECT_EQ(bm.type, 3);
  EXPECT_EQ(clean.substr(size_t(bm.start), size_t(bm.end - bm.start)), u"brightest star");
  EXPECT_NE(Body().find(MarkOf(3, first, u"brightest star")), std::u16string::npos) << Narrow(Body());
  EXPECT_EQ(Body().find(u'{'), std::u16string::npos);

  // A selection inside a link's text marks the whole link; the second bookmark of the page
  // adds no node.
  ASSERT_TRUE(b::SelectText(*Doc(), u"rius B"));
  const long second = browser_->AddBookmarkFromSelection(1);
  ASSERT_GT(second, first);
  rows = Rows(browser_->GetBookmarkDatabase());
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_EQ(clean.substr(size_t(rows[second].start), 2), u"<A");
  EXPECT_EQ(clean.substr(size_t(rows[second].end) - 4, 4), u"</A>");
  EXPECT_EQ(rows[first].start, bm.start);  // read back unchanged

  EXPECT_TRUE(browser_->RenameBookmark(first, u"Bright", 5));
  EXPECT_TRUE(browser_->SetBookmarkNote(first, u" my note "));
  EXPECT_EQ(browser_->GetBookmarkNote(first), u"my note");
  EXPECT_EQ(browser_->GetBookmarkNote(second), u"");  // stored as a blank
  EXPECT_EQ(browser_->GetBookmarkType(first), 5);
  EXPECT_EQ(browser_->GetBookmarkContentID(second), 1);

  // Closed and opened again: the marks come back at the same characters, in the new colour.
  CloseDialog();
  OpenDialog();
  ShowRecord(1);
  EXPECT_NE(Body().find(MarkOf(5, first, u"brightest star")), std::u16string::npos) << Narrow(Body());
  EXPECT_NE(Body().find(nux::FromUtf8("<SPAN class=Bookmark1><A name=Bookmark" + std::to_string(second) +
                                      "></A><IMG SRC=BM1.bmp><A href=")),
            std::u16string::npos);
  EXPECT_TRUE(browser_->GoToBookmark(first));
  EXPECT_EQ(Doc()->scrollTarget()->name(), nux::FromUtf8("Bookmark" + std::to_string(first)));

  // One bookmark goes with its mark; the other stays where it was.
  EXPECT_TRUE(browser_->DeleteBookmark(second));
  EXPECT_EQ(Rows(browser_->GetBookmarkDatabase()).count(second), 0u);
  EXPECT_EQ(Body().find(u"Bookmark1"), std::u16string::npos);
  browser_->Refresh();
  EXPECT_NE(Body().find(MarkOf(5, first, u"brightest star")), std::u16string::npos);
  // The node takes its page's bookmarks with it.
  EXPECT_TRUE(browser_->DeleteBookmark(node));
  EXPECT_TRUE(Rows(browser_->GetBookmarkDatabase()).empty());
  EXPECT_EQ(Body(), clean);
}

// A carriage return written as a reference stays one at every write-back, so a bookmark after
// it lands on its characters again when the store is reopened.
TEST_F(BookmarkTest, KeepsItsCharactersOnAPageWithCarriageReturnsAcrossReopening) {
  AddRecord(5, u"Lines",
            u"<P title=\"a&#13;b\">one&#13;\r\ntwo&#13;&#10;three</P><PRE>&#13;\nx&#13;</PRE>"
            u"<P>the bright star &#13;Canopus&#13; shines</P>");
  OpenDialog();
  ShowRecord(5);
  const std::u16string clean = Body();
  ASSERT_NE(clean.find(u"one&#13;\ntwo&#13;\nthree"), std::u16string::npos) << Narrow(clean);
  ASSERT_TRUE(b::SelectText(*Doc(), u"bright star"));
  const long first = browser_->AddBookmarkFromSelection(2);
  ASSERT_GT(first, 0);
  ASSERT_TRUE(b::SelectText(*Doc(), u"Canopus"));
  const long second = browser_->AddBookmarkFromSelection(4);
  ASSERT_GT(second, 0);
  auto rows = Rows(browser_->GetBookmarkDatabase());
  EXPECT_EQ(clean.substr(size_t(rows[first].start), size_t(rows[first].end - rows[first].start)), u"bright star");
  EXPECT_EQ(clean.substr(size_t(rows[second].start), size_t(rows[second].end - rows[second].start)), u"Canopus");

  for (int reopen = 0; reopen < 2; ++reopen) {
    CloseDialog();
    OpenDialog();
    ShowRecord(5);
    const std::u16string body = Body();
    EXPECT_NE(body.find(MarkOf(2, first, u"bright star")), std::u16string::npos) << Narrow(body);
    EXPECT_NE(body.find(MarkOf(4, second, u"Canopus")), std::u16string::npos) << Narrow(body);
    // The positions read back from the marked page are the stored ones.
    ASSERT_TRUE(b::SelectText(*Doc(), u"three"));
    const long third = browser_->AddBookmarkFromSelection(1);
    ASSERT_GT(third, 0);
    auto again = Rows(browser_->GetBookmarkDatabase());
    EXPECT_EQ(again[first].start, rows[first].start);
    EXPECT_EQ(again[second].end, rows[second].end);
    EXPECT_TRUE(browser_->DeleteBookmark(third));
  }
}

// A file at the store's place that is no bookmark store is kept, set aside beside it under a
// new name; the user is told once, and a new, empty store is used.
TEST_F(BookmarkTest, AStoreThatCannotBeOpenedIsSetAsideAndANewOneMade) {
  const std::string folder = root_.DriveC() + "/Sv/UserData";
  const std::string file = folder + "/Bookmark.mdb";
  auto foreignDatabase = [&](const char16_t* statement) {
    std::filesystem::remove(file);
    CDaoDatabase db;
    db.Create(storePath_, dbLangGeneral, 0);
    db.Execute(statement);
    db.Close();
    return nuxtest::ReadFile(file);
  };
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"text", "these are my notes, not a database\n"},
      {"damaged", std::string("SQLite format 3\0", 16) + std::string(4080, '\x5A')},
      {"foreign", foreignDatabase(u"CREATE TABLE Stars (Name TEXT(20))")},
      {"old fields", foreignDatabase(u"CREATE TABLE Bookmark (ID LONG, Title TEXT(10))")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(nuxtest::WriteFile(file, c.bytes));
    nux::ui::ClearMessageBoxLog();
    CNUXBrowser host;
    ASSERT_TRUE(host.InitBookmarks(storePath_, TRUE));
    const auto boxes = nux::ui::MessageBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(u"Bookmark.mdb.bad"), std::u16string::npos) << Narrow(boxes[0].text);
    EXPECT_EQ(nuxtest::ReadFile(file + ".bad"), c.bytes);
    host.m_lContentID = 1;
    EXPECT_GT(host.AddBookmark(u"works", u""), 0);
    EXPECT_EQ(Rows(host.GetBookmarkDatabase()).size(), 2u);
    // The good store opens again without a word.
    nux::ui::ClearMessageBoxLog();
    ASSERT_TRUE(host.InitBookmarks(storePath_, TRUE));
    EXPECT_TRUE(nux::ui::MessageBoxLog().empty());
    host.InitBookmarks(u"", FALSE);  // closes it
    std::filesystem::remove(file + ".bad");
  }

  // A name taken is never written over: the next number is used.
  ASSERT_TRUE(nuxtest::WriteFile(file + ".bad", "older"));
  ASSERT_TRUE(nuxtest::WriteFile(file, "newer"));
  {
    CNUXBrowser host;
    ASSERT_TRUE(host.InitBookmarks(storePath_, TRUE));
  }
  EXPECT_EQ(nuxtest::ReadFile(file + ".bad"), "older");
  EXPECT_EQ(nuxtest::ReadFile(file + ".bad2"), "newer");

  // Asked only to open (no store to be made), a bad file is left where it is.
  ASSERT_TRUE(nuxtest::WriteFile(file, "again"));
  {
    CNUXBrowser host;
    EXPECT_FALSE(host.InitBookmarks(storePath_, FALSE));
  }
  EXPECT_EQ(nuxtest::ReadFile(file), "again");
  EXPECT_FALSE(std::filesystem::exists(file + ".bad3"));
}

TEST_F(BookmarkTest, TitlesAreTheSelectionsFirstCharacters) {
  AddRecord(3, u"Long", u"<P>" + std::u16string(100, u'x') + u" end</P><P>ten chars!</P>");
  OpenDialog();
  ShowRecord(3);
  ASSERT_TRUE(b::SelectText(*Doc(), u"ten chars!"));
  long shortOne = browser_->AddBookmarkFromSelection(2);
  ASSERT_TRUE(b::SelectText(*Doc(), std::u16string(100, u'x')));
  long longOne = browser_->AddBookmarkFromSelection(2);
  auto rows = Rows(browser_->GetBookmarkDatabase());
  EXPECT_EQ(rows[shortOne].title, u"ten chars!...");
  EXPECT_EQ(rows[longOne].title, std::u16string(39, u'x') + u"...");
  // Titles are stored as they are, quotes included, and cut to the field's 128 characters.
  const std::u16string quoted = u"O'Neil's \"star\"; DROP TABLE Bookmark --";
  EXPECT_TRUE(browser_->RenameBookmark(shortOne, quoted.c_str(), 2));
  EXPECT_TRUE(browser_->RenameBookmark(longOne, std::u16string(300, u'y').c_str(), 2));
  EXPECT_TRUE(browser_->SetBookmarkNote(shortOne, u"it's \"noted\""));
  rows = Rows(browser_->GetBookmarkDatabase());
  EXPECT_EQ(rows[shortOne].title, quoted);
  EXPECT_EQ(rows[longOne].title, std::u16string(128, u'y'));
  EXPECT_EQ(browser_->GetBookmarkNote(shortOne), u"it's \"noted\"");
}

TEST_F(BookmarkTest, FailuresLeaveStoreAndPageAsTheyWere) {
  OpenDialog();
  ShowRecord(1);
  const std::u16string clean = Body();
  // Nothing selected.
  EXPECT_EQ(browser_->AddBookmarkFromSelection(1), -1);
  EXPECT_TRUE(Rows(browser_->GetBookmarkDatabase()).empty());
  // Missing records.
  EXPECT_FALSE(browser_->SetBookmarkNote(999, u"note"));
  EXPECT_FALSE(browser_->RenameBookmark(999, u"t", 1));
  EXPECT_EQ(browser_->GetBookmarkType(999), 0);
  EXPECT_EQ(browser_->GetBookmarkContentID(999), 0);
  EXPECT_FALSE(browser_->DeleteBookmark(999));
  EXPECT_TRUE(Rows(browser_->GetBookmarkDatabase()).empty());
  // A bookmark of another page cannot be deleted from this one.
  long other = browser_->InsertBookmarkNode(2, u"Vega");
  ASSERT_GT(other, 0);
  EXPECT_EQ(browser_->InsertBookmarkNode(2, u"Vega"), 0);  // exists already
  browser_->m_lContentID = 2;
  long vega = browser_->AddBookmark(u"Vega mark", u"");
  browser_->m_lContentID = 1;
  EXPECT_FALSE(browser_->DeleteBookmark(vega));
  EXPECT_EQ(Rows(browser_->GetBookmarkDatabase()).size(), 2u);
  // The store refuses the record: no markers left in the page, no mark, no record.
  browser_->GetBookmarkDatabase()->Execute(u"DROP TABLE Bookmark");
  ASSERT_TRUE(b::SelectText(*Doc(), u"white dwarf"));
  EXPECT_EQ(browser_->AddBookmarkFromSelection(4), -1);
  EXPECT_EQ(Body(), clean);
}

TEST_F(BookmarkTest, NewStoreAndMissingStore) {
  CNUXBrowser host;
  EXPECT_FALSE(host.InitBookmarks(storePath_, FALSE));
  EXPECT_FALSE(FileExists(storePath_));
  ASSERT_TRUE(host.InitBookmarks(storePath_, TRUE));
  CDaoTableDef table(host.GetBookmarkDatabase());
  table.Open(u"Bookmark");
  const struct {
    const char16_t* name;
    short type;
  } fields[] = {{u"ID", dbLong},    {u"PID", dbLong},  {u"MID", dbLong},       {u"Title", dbText},
                {u"Note", dbMemo},  {u"Type", dbByte}, {u"StartChar", dbLong}, {u"EndChar", dbLong}};
  ASSERT_EQ(table.GetFieldCount(), 8);
  for (int i = 0; i < 8; ++i) {
    CDaoFieldInfo info;
    table.GetFieldInfo(i, info);
    EXPECT_EQ(info.m_strName, fields[i].name);
    EXPECT_EQ(info.m_nType, fields[i].type);
  }
  CDaoFieldInfo id;
  table.GetFieldInfo(0, id);
  EXPECT_TRUE(id.m_lAttributes & dbAutoIncrField);
  EXPECT_EQ(table.GetIndexCount(), 3);
  table.Close();
}

TEST_F(BookmarkTest, PagesAreBuiltWithoutAStore) {
  OpenDialog(false);
  EXPECT_FALSE(browser_->InitBookmarks(u"C:\\nowhere\\deeper\\Bookmark.mdb", TRUE));
  EXPECT_FALSE(browser_->BookmarksEnabled());
  CString text = ShowRecord(1, {u"dwarf"});
  EXPECT_FALSE(text.IsEmpty());
  EXPECT_NE(Body().find(u"white <SPAN class=Search ID=Search>dwarf</SPAN>"), std::u16string::npos);
  EXPECT_FALSE(browser_->SyncBookmarks(nullptr, u"", u"", u""));
  ASSERT_TRUE(b::SelectText(*Doc(), u"white"));
  EXPECT_EQ(browser_->AddBookmarkFromSelection(1), -1);
}

TEST_F(BookmarkTest, DeleteAllEmptiesTheStoreAndThePage) {
  OpenDialog();
  ShowRecord(1);
  const std::u16string clean = Body();
  ASSERT_TRUE(b::SelectText(*Doc(), u"white dwarf"));
  ASSERT_GT(browser_->AddBookmarkFromSelection(2), 0);
  EXPECT_TRUE(browser_->DeleteAllBookmarks());
  EXPECT_TRUE(browser_->BookmarksEnabled());
  EXPECT_TRUE(Rows(browser_->GetBookmarkDatabase()).empty());
  EXPECT_EQ(Body(), clean);

  // A file that cannot be deleted is emptied instead, and the failure is told.
  ASSERT_TRUE(b::SelectText(*Doc(), u"white dwarf"));
  ASSERT_GT(browser_->AddBookmarkFromSelection(2), 0);
  const std::string file = root_.DriveC() + "/Sv/UserData/Bookmark.mdb";
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_FALSE(browser_->DeleteAllBookmarks());
  ::chmod(file.c_str(), 0644);
  ASSERT_TRUE(browser_->BookmarksEnabled());
  EXPECT_TRUE(Rows(browser_->GetBookmarkDatabase()).empty());
  EXPECT_EQ(Body(), clean);
}

}  // namespace
}  // namespace hosttest
