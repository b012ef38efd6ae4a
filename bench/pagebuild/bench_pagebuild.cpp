// Benchmark of building a page in the browser host (CNUXBrowser::SetHTML): the record read
// from the content database, the path prefix of its addresses removed, the body set from the
// page text, the bookmark marks read from "Bookmark.mdb" and put in, the search marks put
// in, each pass reading and writing the body. Pages are generated reference text with links,
// bold runs, tables and entities; per MiB, 5 search words hit 2,000 times and 200 bookmarks
// lie on the page (the 2 MiB page has twice of each). Goals, and the program exits non-zero
// when one is missed:
//  1. the whole build of the 1 MiB page costs at most 10x gumbo's parse of the same HTML
//     alone, measured side by side in this run;
//  2. the build is linear: the 2 MiB page costs at most 2.4x the 1 MiB page (twice, within
//     20%).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_root.h"
#include "bench_timing.h"
#include "reference_page.h"
#include "NUXBrowser.h"
#include "base/codepage.h"
#include "browser/input.h"
#include "fs/root.h"
#include "testing/testing.h"

__attribute__((init_priority(101))) benchroot::EarlyRoot g_root("pagebuild");

namespace {

using benchtiming::Best;
using benchtiming::Check;
using benchtiming::Seconds;
using benchpage::kSearchWords;
using benchpage::MakeBody;

struct Figures {
  double gumbo = 0, build = 0, setBody = 0;
  int searchMarks = 0, bookmarkMarks = 0;
};

class Bench {
 public:
  Bench() {
    CRect rect(0, 0, 800, 600);
    parent_.CreateEx(0, AfxRegisterWndClass(0), u"bench", WS_POPUP, rect, nullptr, 0);
    browser_.CreateChild(&parent_, WS_CHILD, rect, 1, u"about:blank");
    nux::testing::PumpMessages();
  }
  ~Bench() {
    browser_.DestroyWindow();
    parent_.DestroyWindow();
  }

  Figures Measure(size_t bytes, int hits, int bookmarks, const char16_t* store) {
    Figures f;
    const std::string body = MakeBody(bytes, hits);
    const std::string html = "<html><head><title>Bench</title></head><body>" + body + "</body></html>";
    f.gumbo = benchpage::GumboAlone(html);
    const CString page(nux::FromUtf8(body));

    // The record in a content database, read and shown the way the main window does.
    CDaoDatabase content;
    CString contentPath;
    contentPath.Format(u"C:\\content%u.mdb", unsigned(bytes >> 20));
    content.Create(contentPath);
    content.Execute(u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, proper_name TEXT(100), HTML MEMO)");
    {
      CDaoRecordset rs(&content);
      rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE");
      rs.AddNew();
      rs.SetFieldValue(u"ID", 1L);
      rs.SetFieldValue(u"proper_name", u"Bench");
      rs.SetFieldValue(u"HTML", static_cast<LPCWSTR>(page));
      rs.Update();
      rs.Close();
    }
    // The bookmarks: each over a whole paragraph's text, spread over the page, at positions
    // of the page as the browser writes it.
    browser_.InitBookmarks(store, TRUE);
    auto show = [&] {
      CDaoRecordset rs(&content);
      rs.Open(dbOpenDynaset, u"SELECT * FROM SV_MODULE WHERE ID=1");
      browser_.SetHTML(&rs, u"proper_name", u"HTML", u"../../");
      rs.Close();
    };
    show();
    const CString clean = browser_.GetBodyHTML();
    std::vector<long> starts;
    for (int at = clean.Find(u"<P class=Text>"); at >= 0; at = clean.Find(u"<P class=Text>", at + 1))
      starts.push_back(at + 14);
    const size_t step = std::max<size_t>(starts.size() / size_t(bookmarks), 1);
    for (int i = 0; i < bookmarks && size_t(i) * step < starts.size(); ++i) {
      long id = browser_.AddBookmark(u"bench", u"");
      long start = starts[size_t(i) * step];
      long end = clean.Find(u"</P>", int(start));
      CDaoRecordset rs(browser_.GetBookmarkDatabase());
      CString sql;
      sql.Format(u"SELECT * FROM Bookmark WHERE ID=%li", id);
      rs.Open(dbOpenDynaset, sql);
      rs.Edit();
      rs.SetFieldValue(u"Type", BYTE(1 + i % 6));
      rs.SetFieldValue(u"StartChar", start);
      rs.SetFieldValue(u"EndChar", end);
      rs.Update();
      rs.Close();
    }

    CStringArray terms;
    for (const char* w : kSearchWords) terms.Add(CString(nux::FromUtf8(w)));
    f.build = Best(5, [&] {
      browser_.SetSearchTerms(terms);
      show();
    });
    f.setBody = Best(5, [&] { browser_.SetBodyHTML(page); });
    browser_.SetSearchTerms(terms);
    browser_.Refresh();
    const CString built = browser_.GetBodyHTML();
    for (int at = built.Find(BROWSER_SEARCH_START); at >= 0; at = built.Find(BROWSER_SEARCH_START, at + 1))
      ++f.searchMarks;
    for (int at = built.Find(u"<SPAN class=Bookmark"); at >= 0; at = built.Find(u"<SPAN class=Bookmark", at + 1))
      ++f.bookmarkMarks;
    browser_.DeleteAllBookmarks();
    return f;
  }

 private:
  CWnd parent_;
  CNUXBrowser browser_;
};

}  // namespace

int main() {
  if (g_root.path.empty()) return 2;
  Figures a, b;
  {
    Bench bench;
    a = bench.Measure(1 << 20, 2000, 200, u"C:\\Bookmark1.mdb");
    b = bench.Measure(2 << 20, 4000, 400, u"C:\\Bookmark2.mdb");
  }
  std::printf("1 MiB: gumbo alone %.1f ms, page build %.1f ms (body set alone %.1f ms), %d search marks, %d bookmark marks\n",
              a.gumbo * 1e3, a.build * 1e3, a.setBody * 1e3, a.searchMarks, a.bookmarkMarks);
  std::printf("2 MiB: gumbo alone %.1f ms, page build %.1f ms (body set alone %.1f ms), %d search marks, %d bookmark marks\n",
              b.gumbo * 1e3, b.build * 1e3, b.setBody * 1e3, b.searchMarks, b.bookmarkMarks);
  bool ok = true;
  ok &= Check("page build of 1 MiB / gumbo alone", a.build / a.gumbo, 10.0);
  ok &= Check("page build, 2 MiB / 1 MiB", b.build / a.build, 2.4);
  return ok ? 0 : 1;
}
