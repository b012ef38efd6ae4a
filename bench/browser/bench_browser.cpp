// Benchmarks of the document model, on the generated model page (paragraphs, links, bold and
// italic runs, tables, lists, entities) of 1 MiB and of 2 MiB. Goals, and the program exits
// non-zero when one is missed:
//  1. parsing 1 MiB into our DOM (decoding, gumbo, copying the tree) costs at most 2x gumbo's
//     parse of the same bytes alone;
//  2. reading the body's innerHTML costs at most 0.5x gumbo alone, setting it at most 2x;
//  3. the DOM side of building a page (set the body, then read and write it back twice, as the
//     marking passes do) costs at most 6x gumbo alone, which leaves room within the 10x of
//     the whole page build;
//  4. innerHTML get and set are linear: the 2 MiB page costs at most 2.4x the 1 MiB page.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "bench_timing.h"
#include "browser/dom.h"
#include "reference_page.h"

using nux::browser::Document;
using nux::browser::Ref;

namespace {

using benchtiming::Best;
using benchtiming::Seconds;

struct Figures {
  double gumbo, parse, get, set, build;
};

Figures Measure(const std::string& page) {
  Figures f{};
  f.gumbo = benchpage::GumboAlone(page);
  Ref<Document> doc;
  f.parse = Best(5, [&] { doc = Document::Parse(page, u"file:///C:/HTML/bench.htm"); });
  std::u16string html;
  f.get = Best(5, [&] { html = doc->body()->InnerHTML(); });
  f.set = Best(5, [&] { doc->body()->SetInnerHTML(html); });
  f.build = Best(5, [&] {
    doc->body()->SetInnerHTML(html);
    for (int pass = 0; pass < 2; ++pass) doc->body()->SetInnerHTML(doc->body()->InnerHTML());
  });
  return f;
}

bool Check(const char* what, double value, double limit, const char* unit) {
  bool ok = value <= limit;
  std::printf("%-58s %7.2f%s (goal <= %.1f%s)  %s\n", what, value, unit, limit, unit, ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main() {
  const std::string one = benchpage::MakeModelPage(1 << 20), two = benchpage::MakeModelPage(2 << 20);
  Figures a = Measure(one), b = Measure(two);
  std::printf("1 MiB: gumbo %.1f ms, DOM parse %.1f ms, innerHTML get %.1f ms, set %.1f ms, page build %.1f ms\n",
              a.gumbo * 1e3, a.parse * 1e3, a.get * 1e3, a.set * 1e3, a.build * 1e3);
  std::printf("2 MiB: gumbo %.1f ms, DOM parse %.1f ms, innerHTML get %.1f ms, set %.1f ms, page build %.1f ms\n",
              b.gumbo * 1e3, b.parse * 1e3, b.get * 1e3, b.set * 1e3, b.build * 1e3);
  bool ok = true;
  ok &= Check("DOM parse of 1 MiB / gumbo alone", a.parse / a.gumbo, 2.0, "x");
  ok &= Check("innerHTML get / gumbo alone", a.get / a.gumbo, 0.5, "x");
  ok &= Check("innerHTML set / gumbo alone", a.set / a.gumbo, 2.0, "x");
  ok &= Check("DOM side of a page build / gumbo alone", a.build / a.gumbo, 6.0, "x");
  ok &= Check("innerHTML get, 2 MiB / 1 MiB", b.get / a.get, 2.4, "x");
  ok &= Check("innerHTML set, 2 MiB / 1 MiB", b.set / a.set, 2.4, "x");
  return ok ? 0 : 1;
}
