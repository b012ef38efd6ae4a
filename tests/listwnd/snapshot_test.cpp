#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ListWnd.h"
#include "NUXTreeCtrl.h"
#include "listwnd_fixture.h"
#include "testing/testing.h"

namespace {

// A list of words beside a tree in the navigation panels' colours, with a selected row, a hot
// row and a selected tree entry. The picture goes to NUX_SNAPSHOT_DIR/list-and-tree.png when
// that variable is set.
class SnapshotTest : public lwtest::WindowTest {};

TEST_F(SnapshotTest, ListAndTreeSideBySide) {
  MakeDatabase({u"CREATE TABLE Words (ID LONG, Title TEXT(100))",
                u"INSERT INTO Words VALUES (1, 'Achernar')", u"INSERT INTO Words VALUES (2, 'Aldebaran')",
                u"INSERT INTO Words VALUES (3, 'Altair, the brightest star of the constellation Aquila')",
                u"INSERT INTO Words VALUES (4, 'Antares')", u"INSERT INTO Words VALUES (5, 'Arcturus')",
                u"INSERT INTO Words VALUES (6, 'Betelgeuse')", u"INSERT INTO Words VALUES (7, 'Canopus')",
                u"INSERT INTO Words VALUES (8, 'Capella')", u"INSERT INTO Words VALUES (9, 'Deneb')",
                u"INSERT INTO Words VALUES (10, 'Fomalhaut')", u"INSERT INTO Words VALUES (11, 'Pollux')",
                u"INSERT INTO Words VALUES (12, 'Procyon')", u"INSERT INTO Words VALUES (13, 'Rigel')",
                u"CREATE TABLE Nav (ID LONG, PID LONG, Title TEXT(100), ID_TA_HTML TEXT(50))",
                u"INSERT INTO Nav VALUES (1, 0, 'Sky', '')", u"INSERT INTO Nav VALUES (2, 1, 'Stars', '')",
                u"INSERT INTO Nav VALUES (3, 2, 'Bright stars', '')", u"INSERT INTO Nav VALUES (4, 2, 'Double stars', '')",
                u"INSERT INTO Nav VALUES (5, 1, 'Planets', '')", u"INSERT INTO Nav VALUES (6, 0, 'Help', '')",
                u"INSERT INTO Nav VALUES (7, 6, '&#65;bout <i>this</i> program', '')"});
  CListWnd list;
  list.m_crBackground = 0x8A8F8C;
  ASSERT_TRUE(list.Create(db_.get(), u"SELECT * FROM Words ORDER BY Title", u"ID", u"Title", 1, 1, 1, u"List", WS_CHILD,
                          CRect(10, 10, 190, 390), &parentWnd_, 150, 0, nullptr));
  list.SelectKey(3, FALSE);
  CNUXTreeCtrl tree;
  ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, CRect(200, 10, 390, 390), &parentWnd_, 1084));
  tree.SetColors(0xADADAD, 0xCCCCCC, 0x6DB8FD, 0x3C3432, 0x626262, 0x444444);
  ASSERT_TRUE(tree.Init(db_.get(), u"Nav", u"", u"ID ASC", u"Arial", 80, 1));
  tree.Refresh();
  tree.SelectID(3, TRUE);
  tree.SelectID(7, FALSE);
  POINT hot = Middle(list.m_rows[4].pItem->m_hWnd);
  nux::testing::MouseMove(hot.x, hot.y);
  nux::testing::PumpMessages();
  ASSERT_EQ(list.m_rows[4].pItem->GetState(), 1);
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(parent_, &shot));
  EXPECT_EQ(shot.colorAt(205, 380), 0x3C3432u);  // the tree's background below its entries
  if (const char* dir = std::getenv("NUX_SNAPSHOT_DIR")) {
    EXPECT_TRUE(nux::testing::WriteWindowPng(parent_, std::string(dir) + "/list-and-tree.png"));
  }
}

}  // namespace
