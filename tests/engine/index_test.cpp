#include <gtest/gtest.h>

#include <string>

#include "NUXIndex.h"
#include "base/codepage.h"
#include "test_support.h"

namespace {

TEST(CreateIndex, AppendsOneFieldIndexesAndSwallowsErrors) {
  nuxtest::TempDir dir;
  std::u16string path = u"Z:" + nux::FromUtf8(dir.path() + "/Index.mdb");
  CDaoDatabase db;
  db.Create(path.c_str(), u";LANGID=0x0409;CP=1252;COUNTRY=0");
  CDaoTableDef td(&db);
  td.Create(u"Bookmark");
  td.CreateField(u"ID", dbLong, 4, dbAutoIncrField);
  td.CreateField(u"PID", dbLong, 4, dbUpdatableField);

  EXPECT_TRUE(NUXUtils::CreateIndex(td, u"ID", TRUE, TRUE));
  EXPECT_TRUE(NUXUtils::CreateIndex(td, u"PID", FALSE, FALSE));
  EXPECT_FALSE(NUXUtils::CreateIndex(td, u"PID", FALSE, FALSE));  // a second index of that name
  EXPECT_FALSE(NUXUtils::CreateIndex(td, u"Missing", FALSE, FALSE));
  td.Append();

  CDaoIndexInfo info;
  td.GetIndexInfo(u"ID", info);
  EXPECT_EQ(info.m_nFields, 1);
  EXPECT_TRUE(info.m_bPrimary);
  EXPECT_TRUE(info.m_bUnique);
  EXPECT_FALSE(info.m_bClustered);
  ASSERT_NE(info.m_pFieldInfos, nullptr);
  EXPECT_EQ(CStringW(info.m_pFieldInfos[0].m_strName), CStringW(u"ID"));
  EXPECT_FALSE(info.m_pFieldInfos[0].m_bDescending);

  CDaoIndexInfo pid;
  td.GetIndexInfo(u"PID", pid);
  EXPECT_FALSE(pid.m_bPrimary);
  EXPECT_FALSE(pid.m_bUnique);
  td.Close();
  db.Close();
}

}  // namespace
