// A navigation level that opens wide: the tree's top level with 500 and with 5,000 entries, of
// which every tenth has a child, so that each entry is asked whether it has children. The table
// is built as the content's navigation tables are (ID key, an index on PID). Goals: 5,000
// entries take at most 10x the time of 500 to open the level (the tree emptied and filled from
// the table), and at most 12x to destroy the tree that holds it (a panel closed: each item's
// work stays the same); the program exits non-zero when one is missed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

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

struct Figures {
  double open = 0;     // seconds to open the top level, the best of a few runs
  double destroy = 0;  // seconds to destroy a tree that holds it, the best of a few runs
};

Figures Measure(CWnd& parent, int entries, int runs) {
  CDaoDatabase db;
  Build(db, g_root.path + "/nav" + std::to_string(entries) + ".mdb", entries);
  Figures figures;
  size_t items = 0;
  {
    CNUXTreeCtrl tree;
    tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, CRect(0, 0, 300, 400), &parent, 1084);
    tree.Init(&db, u"Nav", u"", u"ID ASC", u"Arial", 80, 1);
    // Each run reads the level afresh: the tree emptied, then filled from the table.
    figures.open = benchtiming::Best(runs, [&] {
      tree.Refresh();
      items = tree.GetCount();
    });
    tree.DestroyWindow();
  }
  // Every entry, and a placeholder under each tenth.
  if (items != size_t(entries + entries / 10)) {
    std::printf("the level of %d entries holds %zu items\n", entries, items);
    std::exit(2);
  }
  figures.destroy = 1e30;
  for (int run = 0; run < runs; ++run) {
    CNUXTreeCtrl tree;
    tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, CRect(0, 0, 300, 400), &parent, 1084);
    tree.Init(&db, u"Nav", u"", u"ID ASC", u"Arial", 80, 1);
    tree.Refresh();
    figures.destroy = std::min(figures.destroy, benchtiming::Seconds([&] { tree.DestroyWindow(); }));
  }
  db.Close();
  return figures;
}

}  // namespace

int main() {
  nux::testing::UseVirtualClock(true);
  CWnd parent;
  parent.CreateExW(0, AfxRegisterWndClassW(0), u"parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr);
  const Figures small = Measure(parent, 500, 5);
  const Figures large = Measure(parent, 5000, 3);
  parent.DestroyWindow();
  std::printf("open a level of 500 entries: %.1f ms\n", small.open * 1e3);
  std::printf("open a level of 5,000 entries: %.1f ms\n", large.open * 1e3);
  std::printf("destroy a tree of 500 entries: %.2f ms\n", small.destroy * 1e3);
  std::printf("destroy a tree of 5,000 entries: %.2f ms\n", large.destroy * 1e3);
  // Opening has a part that does not grow with the level; destroying has none, so its work
  // growing with the entries is 10x, and a walk of the tree for each item 100x.
  bool met = true;
  for (const auto& [what, ratio, limit] :
       {std::tuple{"open: 5,000 entries / 500 entries", large.open / small.open, 10.0},
        std::tuple{"destroy: 5,000 entries / 500 entries", large.destroy / small.destroy, 12.0}}) {
    const bool ok = ratio <= limit;
    std::printf("%-58s %8.2f (goal <= %.1f) %s\n", what, ratio, limit, ok ? "ok" : "MISSED");
    met = met && ok;
  }
  return met ? 0 : 1;
}
