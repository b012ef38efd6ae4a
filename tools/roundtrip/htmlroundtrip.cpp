// Walks a folder of HTML files through the document model: parse, read the body's markup,
// write it back, read it again. The two readings must be equal (stored bookmark positions are
// offsets into that markup). Prints each file whose readings differ, with the place where
// they part, and the counts at the end; the exit status is 1 when any file differed.
//
// Some trees the parser builds from broken markup have no markup of their own (a link inside
// a link, a block inside a paragraph made by misnested tags): their first write-back differs.
// The page builder writes every page back once before it places bookmarks, so what matters
// there is that the written-back form is stable; the count of such files is printed too.
//
//   htmlroundtrip FOLDER [MAX_BYTES]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "browser/dom.h"

namespace {

namespace fs = std::filesystem;
using nux::browser::Document;
using nux::browser::Ref;

bool IsHtmlName(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return ext == ".html" || ext == ".htm" || ext == ".xhtml";
}

// A short, printable piece of the text around an index.
std::string Around(const std::u16string& s, size_t at) {
  size_t from = at > 30 ? at - 30 : 0;
  std::string out;
  for (size_t i = from; i < s.size() && i < at + 50; ++i) {
    char16_t c = s[i];
    if (i == at) out += "[*]";
    if (c == u'\n')
      out += "\\n";
    else if (c == u'\r')
      out += "\\r";
    else if (c < 0x20 || c > 0x7E)
      out += '?';
    else
      out += char(c);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: htmlroundtrip FOLDER [MAX_BYTES]\n");
    return 2;
  }
  const uintmax_t maxBytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : uintmax_t(16) << 20;
  size_t files = 0, same = 0, differ = 0, settled = 0, skipped = 0, unreadable = 0;
  std::error_code ec;
  fs::recursive_directory_iterator it(argv[1], fs::directory_options::skip_permission_denied, ec), end;
  if (ec) {
    std::fprintf(stderr, "htmlroundtrip: cannot read %s: %s\n", argv[1], ec.message().c_str());
    return 2;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    const fs::path path = it->path();
    std::error_code e2;
    if (!it->is_regular_file(e2) || !IsHtmlName(path)) continue;
    ++files;
    const uintmax_t size = it->file_size(e2);
    if (e2 || size > maxBytes) {
      ++skipped;
      continue;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
      ++unreadable;
      continue;
    }
    Ref<Document> doc = Document::Parse(bytes, u"about:blank");
    nux::browser::Element* body = doc ? doc->body() : nullptr;
    if (body == nullptr) {
      ++unreadable;
      continue;
    }
    const std::u16string first = body->InnerHTML();
    body->SetInnerHTML(first);
    const std::u16string second = body->InnerHTML();
    if (first == second) {
      ++same;
      continue;
    }
    ++differ;
    body->SetInnerHTML(second);
    const bool stable = body->InnerHTML() == second;
    if (stable) ++settled;
    size_t at = 0;
    while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
    std::printf("DIFFERS %s (lengths %zu, %zu; at %zu; %s after one write-back)\n  first : %s\n  second: %s\n",
                path.string().c_str(), first.size(), second.size(), at, stable ? "stable" : "NOT stable",
                Around(first, at).c_str(), Around(second, at).c_str());
  }
  std::printf(
      "%zu HTML files: %zu round-trip exactly, %zu differ (%zu of them stable after one write-back), %zu skipped "
      "(larger than %ju bytes), %zu unreadable\n",
      files, same, differ, settled, skipped, maxBytes, unreadable);
  return differ > 0 ? 1 : 0;
}
