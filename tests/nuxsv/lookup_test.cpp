// The object look-ups, through the loaded library, against the test content database.
#include <gtest/gtest.h>

#include "nuxsv_env.h"
#include "fs/fs.h"
#include "ui/msgbox.h"

namespace nuxsvtest {
namespace {

struct LookupCase {
  const char16_t* id;
  int ref;  // NUXSV_GetLookupTableRef and NUXSV_HasLookupTableRef
  const char* kind;
  int sky, dict, pgal, recb, help;
  int ref2;
  const char* name;
};

class LookupTest : public ::testing::Test {
 protected:
  Installation install;
};

TEST_F(LookupTest, AnswersEachShapeOfRecord) {
  const LookupCase cases[] = {
      {u"NSTR1234", 1, "NSTR", 1234, 3, 0, 1, 0, 1, "Sirius"},
      // Any letter case: LIKE ignores it, and the name's id is lower-cased anyway.
      {u"nstr1234", 1, "NSTR", 1234, 3, 0, 1, 0, 1, "Sirius"},
      // A kind and nothing else: only the first look-up finds it.
      {u"NSTR91262", 1, "NSTR", 0, 0, 0, 0, 0, 0, ""},
      // A help page alone, no kind.
      {u"scft2", 1, "", 0, 0, 0, 0, 2, 1, ""},
      // Zeros and NULLs read alike; the name is trimmed by the formatter.
      {u"plnt5", 1, "plnt", 5, 0, 7, 0, 0, 1, "Jupiter"},
      // The kind's blanks go, the name keeps its quote.
      {u"NSTR70890", 1, "NSTR", 70890, 0, 0, 0, 0, 1, "Barnard's Stern"},
      // Not there at all.
      {u"NSTR1", 0, "", 0, 0, 0, 0, 0, 0, ""},
      {u"", 0, "", 0, 0, 0, 0, 0, 0, ""},
      // A quote finds nothing instead of breaking the query.
      {u"NS'TR1234", 0, "", 0, 0, 0, 0, 0, 0, ""},
      {u"'", 0, "", 0, 0, 0, 0, 0, 0, ""},
      {u"x' OR ID_QBZ_SV LIKE '*", 0, "", 0, 0, 0, 0, 0, 0, ""},
      // Wildcards stay wildcards: the first matching record answers.
      {u"NSTR12*", 1, "NSTR", 1234, 3, 0, 1, 0, 1, "Sirius"},
      {u"cnst6?", 1, "cnst", 60, 0, 0, 1, 0, 1, ""},
      // Percent and underscore are plain characters.
      {u"NSTR12%", 0, "", 0, 0, 0, 0, 0, 0, ""},
      {u"plnt_", 0, "", 0, 0, 0, 0, 0, 0, ""},
  };
  Library lib;
  ASSERT_TRUE(lib.loaded());
  ASSERT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(Utf8(CString(c.id)));
    CString kind(u"stale");
    int sky = -1, dict = -1, pgal = -1, recb = -1, help = -1, spare = -1;
    EXPECT_EQ(lib.GetLookupTableRef(CString(c.id), &kind, &sky, &dict, &pgal, &recb, &help, &spare), c.ref);
    EXPECT_EQ(Utf8(kind), c.kind);
    EXPECT_EQ(sky, c.sky);
    EXPECT_EQ(dict, c.dict);
    EXPECT_EQ(pgal, c.pgal);
    EXPECT_EQ(recb, c.recb);
    EXPECT_EQ(help, c.help);
    EXPECT_EQ(spare, 0);

    int sky2 = -1, dict2 = -1, pgal2 = -1, recb2 = -1, help2 = -1;
    EXPECT_EQ(lib.GetLookupTableRef2(CString(c.id), &sky2, &dict2, &pgal2, &recb2, &help2), c.ref2);
    EXPECT_EQ(sky2, c.sky);
    EXPECT_EQ(dict2, c.dict);
    EXPECT_EQ(pgal2, c.pgal);
    EXPECT_EQ(recb2, c.recb);
    EXPECT_EQ(help2, c.help);

    EXPECT_EQ(lib.HasLookupTableRef(CString(c.id)), c.ref);

    CString name(u"stale");
    lib.GetProperNamebySVID(CString(c.id), &name);
    EXPECT_EQ(Utf8(name), c.name);
  }
}

TEST_F(LookupTest, PageIdsHaveNames) {
  Library lib;
  ASSERT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  for (auto [id, expected] : {std::pair{u"DICT3", "Sirius"}, {u"pgal7", "Andromedagalaxie"}, {u"help2", "Suchen"}}) {
    CString name;
    lib.GetProperNamebySVID(CString(id), &name);
    EXPECT_EQ(Utf8(name), expected);
  }
}

TEST_F(LookupTest, WithoutDatabaseEverythingIsEmpty) {
  Library lib;
  ASSERT_TRUE(lib.loaded());
  // Before NUXSV_Init, and after a failed one: the failure is reported inside, nothing shown.
  for (int round = 0; round < 2; ++round) {
    CString kind;
    int sky = 9, dict = 9, pgal = 9, recb = 9, help = 9, spare = 9;
    EXPECT_EQ(lib.GetLookupTableRef(CString(u"NSTR1234"), &kind, &sky, &dict, &pgal, &recb, &help, &spare), 0);
    EXPECT_EQ(sky + dict + pgal + recb + help + spare, 0);
    EXPECT_EQ(lib.GetLookupTableRef2(CString(u"NSTR1234"), &sky, &dict, &pgal, &recb, &help), 0);
    EXPECT_EQ(lib.HasLookupTableRef(CString(u"NSTR1234")), 0);
    CString name(u"stale");
    lib.GetProperNamebySVID(CString(u"NSTR1234"), &name);
    EXPECT_TRUE(name.IsEmpty());
    nux::ui::QueueMessageBoxAnswer(IDOK);
    install.root.Write("drive_c/Content/Data/Content.mdb", "not a database");
    EXPECT_EQ(lib.Init(kToken, 1, 1, 1), 0);
  }
}

TEST_F(LookupTest, MissingColumnKeepsWhatWasRead) {
  // A look-up table without its reference-book and help columns: the query runs, the reading
  // stops at the first missing column, and the answer comes from the values read before it.
  DeleteFileW(u"C:\\Content\\Data\\Content.mdb");
  BuildContentDatabase(u"C:\\Content\\Data\\Content.mdb", kPassword, 5);
  Library lib;
  ASSERT_EQ(lib.Init(kToken, 1, 1, 1), 1);
  CString kind;
  int sky = -1, dict = -1, pgal = -1, recb = -1, help = -1, spare = -1;
  EXPECT_EQ(lib.GetLookupTableRef(CString(u"NSTR1234"), &kind, &sky, &dict, &pgal, &recb, &help, &spare), 1);
  EXPECT_EQ(Utf8(kind), "NSTR");
  EXPECT_EQ(sky, 1234);
  EXPECT_EQ(dict, 3);
  EXPECT_EQ(pgal, 0);
  EXPECT_EQ(recb, 0);
  EXPECT_EQ(help, 0);
  EXPECT_EQ(spare, 0);
  // A kind alone, the numbers lost: the second look-up has nothing to go on.
  EXPECT_EQ(lib.GetLookupTableRef2(CString(u"NSTR91262"), &sky, &dict, &pgal, &recb, &help), 0);
}

}  // namespace
}  // namespace nuxsvtest
