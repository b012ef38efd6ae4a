// A navigation level that opens wide: the tree's top level with 500 and with 5,000 entries, of
// which every tenth has a child, so that each entry is asked whether it has children. The table
// is built as the content's navigation tables are (ID key, an index on PID). Goal: 5,000 entries
// take at most 10x the time of 500 (the check for children does not grow with the table for
// each entry); the program exits non-zero when it is missed.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "NUXTreeCtrl.h"
#include "bench_timing.h"
#include "base/wstr.h"
#include "dao/dao.h"
#include "fs/path.h"
#include "bench_root.h"
#include "fs/root.h"
#include "mfc/afxwin.h"
#include "testing/testing.h"

namespace {

// The engine's configuration is built while the program loads: a root of its own first.
__attribute__((init_priority(101))) benchroot::EarlyRoot g_root("navtree");

void Build(CDaoDatabase& db, const std::string& file, int entries) {
  db.Create(nux::fs::ToWindowsPath(file).c_str(), dbLangGeneral);
  db.Execute(u"CREATE TABLE Nav (ID LONG PRIMARY KEY, PID LONG, Title TEXT(255), ID_TA_HTML TEXT(50))");
  db.Execute(u"CREATE INDEX PID ON Nav (PID)");
  db.BeginTrans();
  for (int i = 1; i <= entries; ++i) {
    db.Execute(nux::Format(u"INSERT INTO Nav VALUES (%d, 0, 'Eintrag %05d', 'p%d.htm')", i, i, i).c_str());
    if (i % 10 == 0) {
      db.Execute(nux::Format(u"INSERT INTO Nav VALUES (%d, %d, 'Unter %05d', 'c%d.htm')", 100000 + i, i, i, i).c_str());
    }
  }
  db.CommitTrans();
}

// Seconds to open the top level (the tree filled from the table), the best of a few runs.
double OpenLevel(CWnd& parent, int entries, int runs) {
  CDaoDatabase db;
  Build(db, g_root.path + "/nav" + std::to_string(entries) + ".mdb", entries);
  size_t items = 0;
  CNUXTreeCtrl tree;
  tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, CRect(0, 0, 300, 400), &parent, 1084);
  tree.Init(&db, u"Nav", u"", u"ID ASC", u"Arial", 80, 1);
  // Each run reads the level afresh: the tree emptied, then filled from the table.
  double best = benchtiming::Best(runs, [&] {
    tree.Refresh();
    items = tree.GetCount();
  });
  tree.DestroyWindow();
  db.Close();
  // Every entry, and a placeholder under each tenth.
  if (items != size_t(entries + entries / 10)) {
    std::printf("the level of %d entries holds %zu items\n", entries, items);
    std::exit(2);
  }
  return best;
}

}  // namespace

int main() {
  nux::testing::UseVirtualClock(true);
  CWnd parent;
  parent.CreateExW(0, AfxRegisterWndClassW(0), u"parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr);
  const double small = OpenLevel(parent, 500, 5);
  const double large = OpenLevel(parent, 5000, 3);
  parent.DestroyWindow();
  const double ratio = large / small;
  std::printf("open a level of 500 entries: %.1f ms\n", small * 1e3);
  std::printf("open a level of 5,000 entries: %.1f ms\n", large * 1e3);
  const bool met = ratio <= 10.0;
  std::printf("%-58s %8.2f (goal <= 10.0) %s\n", "5,000 entries / 500 entries", ratio, met ? "ok" : "MISSED");
  return met ? 0 : 1;
}
