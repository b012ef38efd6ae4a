// The generated reference page the page benchmarks share: reference text with links, bold
// runs, pictures, tables and entities, with search words spread over it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace benchpage {

inline const char* const kSearchWords[5] = {"Sirius", "Vega", "nebula", "Strasse", "comet"};

// A body of about `bytes` bytes whose paragraphs hold `hits` search words in all.
inline std::string MakeBody(size_t bytes, int hits) {
  static const char* filler[] = {"alpha", "beta",  "gamma", "delta", "light", "year",
                                 "dust",  "ring",  "moon",  "cloud", "planet", "orbit"};
  const size_t paragraphBytes = 60 * 7 + 200;  // roughly, with the table rows between
  const size_t paragraphs = bytes / paragraphBytes;
  std::string body;
  unsigned seed = 4711;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  int placed = 0;
  for (size_t p = 0; body.size() < bytes; ++p) {
    body += "<p class=Text><img src=\"../../img/p" + std::to_string(p % 50) + ".jpg\">";
    const int want = int((p + 1) * size_t(hits) / std::max<size_t>(paragraphs, 1)) - placed;
    for (int w = 0; w < 60; ++w) {
      unsigned r = next();
      if (w < want && placed < hits) {
        const char* word = kSearchWords[placed % 5];
        ++placed;
        body += std::string(word == kSearchWords[3] ? "Stra\xC3\x9F" "e" : word) + " ";
        continue;
      }
      const char* word = filler[r % 12];
      if (r % 23 == 0)
        body += std::string("<a href=\"SVID,") + std::to_string(r) + "\" target=ENGINE>" + word + "</a> ";
      else if (r % 19 == 0)
        body += std::string("<b>") + word + "</b> ";
      else if (r % 29 == 0)
        body += "&amp; ";
      else
        body += std::string(word) + " ";
    }
    body += "</p>\n";
    if (p % 4 == 3)
      body += "<table width=\"100%\" border=0><tr><td class=Label>Distance:</td><td>8.6 light years</td></tr></table>\n";
  }
  return body;
}

}  // namespace benchpage
