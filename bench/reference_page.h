// The generated reference pages the page benchmarks share: reference text with links, bold
// runs, entities, tables (and pictures and search words, or lists), made by one writer so that
// each benchmark's page stays the same from run to run; and gumbo's parse of a page alone, the
// measure the benchmarks hold their figures against.
#pragma once

#include <gumbo.h>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string>

#include "bench_timing.h"

namespace benchpage {

inline const char* const kSearchWords[5] = {"Sirius", "Vega", "nebula", "Strasse", "comet"};

// Writes paragraphs of 60 words drawn by a fixed sequence of numbers.
class Writer {
 public:
  explicit Writer(unsigned seed) : seed_(seed) {}

  unsigned Next() {
    seed_ = seed_ * 1103515245u + 12345u;
    return (seed_ >> 16) & 0x7FFF;
  }

  // The words of one paragraph from `words`: some are links, bold runs or "&amp;" (with
  // `noBreak`, some are joined to the next by a no-break space). The first `search` words are
  // the search words in turn, counted on in `placed`.
  void Words(std::string& out, const char* const* words, unsigned count, bool noBreak, int search = 0,
             int* placed = nullptr) {
    for (int w = 0; w < 60; ++w) {
      const unsigned r = Next();
      if (w < search && placed) {
        const char* word = kSearchWords[*placed % 5];
        ++*placed;
        out += std::string(word == kSearchWords[3] ? "Stra\xC3\x9F" "e" : word) + " ";
        continue;
      }
      const char* word = words[r % count];
      if (r % 23 == 0)
        out += std::string("<a href=\"SVID,") + std::to_string(r) + "\" target=ENGINE>" + word + "</a> ";
      else if (r % 19 == 0)
        out += std::string("<b>") + word + "</b> ";
      else if (r % 29 == 0)
        out += "&amp; ";
      else if (noBreak && r % 31 == 0)
        out += std::string(word) + "&nbsp;";
      else
        out += std::string(word) + " ";
    }
  }

 private:
  unsigned seed_;
};

// The page of the page build and of the control's page: a body of about `bytes` bytes, each
// paragraph opened by a picture, a table after every fourth, and `hits` search words in all.
inline std::string MakeBody(size_t bytes, int hits) {
  static const char* const filler[] = {"alpha", "beta",  "gamma", "delta", "light", "year",
                                       "dust",  "ring",  "moon",  "cloud", "planet", "orbit"};
  const size_t paragraphBytes = 60 * 7 + 200;  // roughly, with the table rows between
  const size_t paragraphs = bytes / paragraphBytes;
  std::string body;
  Writer writer(4711);
  int placed = 0;
  for (size_t p = 0; body.size() < bytes; ++p) {
    body += "<p class=Text><img src=\"../../img/p" + std::to_string(p % 50) + ".jpg\">";
    const int want = int((p + 1) * size_t(hits) / std::max<size_t>(paragraphs, 1)) - placed;
    writer.Words(body, filler, unsigned(std::size(filler)), false, std::min(want, hits - placed), &placed);
    body += "</p>\n";
    if (p % 4 == 3)
      body += "<table width=\"100%\" border=0><tr><td class=Label>Distance:</td><td>8.6 light years</td></tr></table>\n";
  }
  return body;
}

// The document model's page: a whole document of about `bytes` bytes, two paragraphs, a table
// of two rows and a list in turn.
inline std::string MakeModelPage(size_t bytes) {
  static const char* const words[] = {"star", "galaxy", "nebula", "Stra\xC3\x9F" "e", "orbit", "comet",
                                      "light", "year", "planet", "dust", "ring", "moon", "cloud",
                                      "Sternhaufen", "M31", "SVID"};
  std::string body;
  Writer writer(12345);
  for (int block = 0; body.size() < bytes; ++block) {
    switch (block % 4) {
      case 0:
      case 1:
        body += "<p class=Text>";
        writer.Words(body, words, unsigned(std::size(words)), true);
        body += "</p>\n";
        break;
      case 2:
        body += "<table width=\"100%\" border=0><tr><td class=Label>Distance:</td><td>2.5 million light years</td></tr>"
                "<tr><td class=Label>Type:</td><td><i>Spiral</i> galaxy</td></tr></table>\n";
        break;
      default:
        body += "<ul><li>First observed<li><a href=\"../../pages/m32.htm#core\">M32</a><li>Satellite &lt;dwarf&gt;</ul>\n";
        break;
    }
  }
  return "<html><head><title>Bench</title></head><body>" + body + "</body></html>";
}

// gumbo's parse of the page alone, the best of five.
inline double GumboAlone(const std::string& html) {
  return benchtiming::Best(5, [&] {
    GumboOutput* out = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
    gumbo_destroy_output(&kGumboDefaultOptions, out);
  });
}

}  // namespace benchpage
