// From bytes to our tree: decoding of the file bytes, gumbo's parse, and the copy of gumbo's
// tree into nodes of our own. Every walk is iterative, so deep nesting cannot exhaust the stack.
#include <gumbo.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/codepage.h"
#include "browser/html_internal.h"

namespace nux::browser::detail {

namespace {

struct TagTables {
  std::array<std::u16string, GUMBO_TAG_LAST + 1> names;
  std::array<uint8_t, GUMBO_TAG_LAST + 1> flags{};
  TagTables() {
    for (int t = 0; t < GUMBO_TAG_LAST; ++t) {
      const char* n = gumbo_normalized_tagname(static_cast<GumboTag>(t));
      std::u16string s;
      for (const char* p = n; p && *p; ++p) s += char16_t(UpperAscii(*p));
      names[t] = std::move(s);
    }
  }
};

enum : uint8_t { kVoid = 1, kRaw = 2, kBlock = 4, kHidden = 8, kPre = 16 };

const TagTables& Tables() {
  static const TagTables tables = [] {
    TagTables t;
    auto mark = [&](std::initializer_list<GumboTag> tags, uint8_t flag) {
      for (GumboTag g : tags) t.flags[g] |= flag;
    };
    mark({GUMBO_TAG_AREA, GUMBO_TAG_BASE, GUMBO_TAG_BASEFONT, GUMBO_TAG_BGSOUND, GUMBO_TAG_BR, GUMBO_TAG_COL,
          GUMBO_TAG_EMBED, GUMBO_TAG_FRAME, GUMBO_TAG_HR, GUMBO_TAG_IMG, GUMBO_TAG_INPUT, GUMBO_TAG_KEYGEN,
          GUMBO_TAG_LINK, GUMBO_TAG_META, GUMBO_TAG_PARAM, GUMBO_TAG_SOURCE, GUMBO_TAG_TRACK, GUMBO_TAG_WBR,
          GUMBO_TAG_MENUITEM, GUMBO_TAG_IMAGE},
         kVoid);
    mark({GUMBO_TAG_SCRIPT, GUMBO_TAG_STYLE, GUMBO_TAG_XMP, GUMBO_TAG_IFRAME, GUMBO_TAG_NOEMBED,
          GUMBO_TAG_NOFRAMES, GUMBO_TAG_PLAINTEXT},
         kRaw);
    mark({GUMBO_TAG_P, GUMBO_TAG_DIV, GUMBO_TAG_H1, GUMBO_TAG_H2, GUMBO_TAG_H3, GUMBO_TAG_H4, GUMBO_TAG_H5,
          GUMBO_TAG_H6, GUMBO_TAG_UL, GUMBO_TAG_OL, GUMBO_TAG_LI, GUMBO_TAG_DL, GUMBO_TAG_DT, GUMBO_TAG_DD,
          GUMBO_TAG_TABLE, GUMBO_TAG_TR, GUMBO_TAG_TD, GUMBO_TAG_TH, GUMBO_TAG_CAPTION, GUMBO_TAG_THEAD,
          GUMBO_TAG_TBODY, GUMBO_TAG_TFOOT, GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_PRE, GUMBO_TAG_ADDRESS,
          GUMBO_TAG_CENTER, GUMBO_TAG_FORM, GUMBO_TAG_FIELDSET, GUMBO_TAG_LEGEND, GUMBO_TAG_HR, GUMBO_TAG_LISTING,
          GUMBO_TAG_XMP, GUMBO_TAG_PLAINTEXT, GUMBO_TAG_DIR, GUMBO_TAG_MENU, GUMBO_TAG_ARTICLE,
          GUMBO_TAG_SECTION, GUMBO_TAG_NAV, GUMBO_TAG_ASIDE, GUMBO_TAG_HEADER, GUMBO_TAG_FOOTER,
          GUMBO_TAG_MAIN, GUMBO_TAG_FIGURE, GUMBO_TAG_FIGCAPTION, GUMBO_TAG_BODY, GUMBO_TAG_HTML,
          GUMBO_TAG_FRAMESET, GUMBO_TAG_DETAILS, GUMBO_TAG_SUMMARY, GUMBO_TAG_HGROUP},
         kBlock);
    mark({GUMBO_TAG_HEAD, GUMBO_TAG_TITLE, GUMBO_TAG_SCRIPT, GUMBO_TAG_STYLE, GUMBO_TAG_TEMPLATE,
          GUMBO_TAG_META, GUMBO_TAG_LINK, GUMBO_TAG_BASE, GUMBO_TAG_NOFRAMES, GUMBO_TAG_NOEMBED},
         kHidden);
    mark({GUMBO_TAG_PRE, GUMBO_TAG_LISTING, GUMBO_TAG_XMP, GUMBO_TAG_PLAINTEXT, GUMBO_TAG_TEXTAREA}, kPre);
    return t;
  }();
  return tables;
}

bool Flag(int tag, uint8_t f) { return tag >= 0 && tag <= GUMBO_TAG_LAST && (Tables().flags[tag] & f); }

void AppendUtf8(std::u16string& out, const char* s, size_t n) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  const unsigned char* e = p + n;
  size_t start = out.size();
  out.resize(start + n);  // never more code units than bytes
  char16_t* o = out.data() + start;
  while (p < e) {
    unsigned c = *p;
    if (c < 0x80) {
      *o++ = char16_t(c);
      ++p;
      continue;
    }
    unsigned cp = 0xFFFD;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra > 0 && e - p > extra) {
      unsigned v = c & (0x3F >> extra);
      bool ok = true;
      for (int i = 1; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        v = (v << 6) | (p[i] & 0x3F);
      }
      if (ok && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
        p += extra + 1;
      } else {
        ++p;
      }
    } else {
      ++p;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *o++ = char16_t(0xD800 + (cp >> 10));
      *o++ = char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      *o++ = char16_t(cp);
    }
  }
  out.resize(size_t(o - out.data()));
}

std::u16string FromGumbo(const char* s) { return Utf8ToUtf16(s ? std::string_view(s) : std::string_view()); }

Ref<Element> MakeElement(const GumboNode* g) {
  const GumboElement& ge = g->v.element;
  std::u16string name;
  if (ge.tag != GUMBO_TAG_UNKNOWN) {
    name = TagName(ge.tag);
  } else {
    GumboStringPiece piece = ge.original_tag;
    gumbo_tag_from_original_text(&piece);
    for (size_t i = 0; i < piece.length; ++i) name += char16_t(UpperAscii(piece.data[i]));
    if (name.empty()) name = u"UNKNOWN";
  }
  Ref<Element> el = Element::Create(std::move(name));
  for (unsigned i = 0; i < ge.attributes.length; ++i) {
    const auto* a = static_cast<const GumboAttribute*>(ge.attributes.data[i]);
    std::u16string aname;
    if (a->original_name.length)
      AppendUtf8(aname, a->original_name.data, a->original_name.length);
    else
      aname = FromGumbo(a->name);
    el->SetAttribute(aname, FromGumbo(a->value), true);
  }
  return el;
}

// gumbo puts the text that stands just before "</form>" after the form instead of at its end
// (it takes the form off its stack before the pending text goes in). A comment of our own in
// front of each "</form" end tag makes that text go in first; the comments are left out of
// our tree. Only markup is looked at: comments, the insides of tags (attribute values may
// hold "</form>") and the text of raw-text and RCDATA elements are passed over as the
// parser's tokenizer passes over them, so the input is never changed where "</form" is no
// tag, and writing a page back never grows it.
constexpr std::string_view kFormGuard = "<!--nux-form-guard-7f3a-->";
constexpr std::string_view kFormGuardData = "nux-form-guard-7f3a";

bool StartsNoCase(std::string_view s, size_t at, std::string_view word) {
  if (at > s.size() || s.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (LowerAscii(s[at + i]) != word[i]) return false;
  return true;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool AsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool TagEnds(std::string_view s, size_t at) { return at >= s.size() || s[at] == '>' || s[at] == '/' || Blank(s[at]); }

// From just past "<" or "</" of a tag: the index just past the tag's ">" (in.size() when the
// input ends inside the tag), reading the name and the attributes as the tokenizer does.
size_t SkipTag(std::string_view in, size_t i) {
  const size_t n = in.size();
  while (i < n && !Blank(in[i]) && in[i] != '/' && in[i] != '>') ++i;  // the tag name
  for (;;) {
    while (i < n && (Blank(in[i]) || in[i] == '/')) ++i;
    if (i >= n) return n;
    if (in[i] == '>') return i + 1;
    ++i;  // an attribute name's first character (even "=")
    while (i < n && !Blank(in[i]) && in[i] != '/' && in[i] != '>' && in[i] != '=') ++i;
    while (i < n && Blank(in[i])) ++i;
    if (i >= n || in[i] != '=') continue;
    ++i;
    while (i < n && Blank(in[i])) ++i;
    if (i >= n) return n;
    if (in[i] == '"' || in[i] == '\'') {
      size_t close = in.find(in[i], i + 1);
      if (close == std::string_view::npos) return n;
      i = close + 1;
    } else {
      while (i < n && !Blank(in[i]) && in[i] != '>') ++i;
    }
  }
}

std::string GuardFormEnds(std::string_view in) {
  static const std::string_view raw[] = {"script", "style", "xmp", "iframe", "noembed", "noframes", "textarea", "title"};
  const size_t npos = std::string_view::npos;
  std::string out;
  size_t copied = 0, i = 0;
  while ((i = in.find('<', i)) != npos) {
    if (in.compare(i, 4, "<!--") == 0) {
      size_t end = in.find("-->", i + 4);
      if (end == npos) break;  // the rest is a comment
      i = end + 3;
      continue;
    }
    if (i + 1 < in.size() && (in[i + 1] == '!' || in[i + 1] == '?')) {  // doctype or bogus comment
      size_t end = in.find('>', i + 2);
      if (end == npos) break;
      i = end + 1;
      continue;
    }
    if (i + 2 < in.size() && in[i + 1] == '/' && AsciiLetter(in[i + 2])) {
      if (StartsNoCase(in, i + 2, "form") && TagEnds(in, i + 6)) {
        out.append(in.substr(copied, i - copied));
        out += kFormGuard;
        copied = i;
      }
      i = SkipTag(in, i + 2);
      continue;
    }
    if (i + 1 >= in.size() || !AsciiLetter(in[i + 1])) {  // a "<" of the text
      ++i;
      continue;
    }
    if (StartsNoCase(in, i + 1, "plaintext") && TagEnds(in, i + 10)) break;  // the rest is text
    const std::string_view* rawName = nullptr;
    for (const std::string_view& name : raw)
      if (StartsNoCase(in, i + 1, name) && TagEnds(in, i + 1 + name.size())) rawName = &name;
    i = SkipTag(in, i + 1);
    if (rawName == nullptr) continue;
    // The element's text runs to its own end tag, which the loop then reads as a tag.
    for (;;) {
      i = in.find("</", i);
      if (i == npos || (StartsNoCase(in, i + 2, *rawName) && TagEnds(in, i + 2 + rawName->size()))) break;
      i += 2;
    }
    if (i == npos) break;
  }
  if (copied == 0 && out.empty()) return std::string(in);
  out.append(in.substr(copied));
  return out;
}

// Copies the children of a gumbo element (or document) below `into`.
void CopyChildren(const GumboVector& children, Element* into) {
  struct Item {
    const GumboVector* kids;
    unsigned next;
    Element* target;
  };
  std::vector<Item> stack{{&children, 0, into}};
  while (!stack.empty()) {
    Item& top = stack.back();
    if (top.next >= top.kids->length) {
      stack.pop_back();
      continue;
    }
    const auto* g = static_cast<const GumboNode*>(top.kids->data[top.next++]);
    Element* target = top.target;
    switch (g->type) {
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_WHITESPACE:
      case GUMBO_NODE_CDATA: {
        std::u16string t;
        const char* s = g->v.text.text;
        AppendUtf8(t, s, std::strlen(s));
        // Adjacent texts are one node, as a re-parse of their serialisation would give.
        const auto& kids = target->childNodes();
        if (!kids.empty() && kids.back()->IsText()) {
          Node* last = kids.back().get();
          last->SetData(last->data() + t);
        } else {
          target->AppendChild(Element::CreateText(std::move(t)));
        }
        break;
      }
      case GUMBO_NODE_COMMENT:
        if (g->v.text.text && std::string_view(g->v.text.text) == kFormGuardData) break;
        target->AppendChild(Element::CreateComment(FromGumbo(g->v.text.text)));
        break;
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE: {
        Ref<Element> el = MakeElement(g);
        Element* raw = el.get();
        target->AppendChild(std::move(el));
        stack.push_back({&g->v.element.children, 0, raw});
        break;
      }
      case GUMBO_NODE_DOCUMENT:
        break;
    }
  }
}

// gumbo's own allocation leaves some fields unset where a fragment is parsed (the document's
// quirks mode is set only by the initial insertion mode, which a fragment parse skips), and
// the parse then depends on whatever the memory held. Every block it gets is zeroed: the
// quirks mode reads as "no quirks", and the same input always gives the same tree.
//
// A fragment is parsed in the quirks mode of the document it goes into, as a browser parses
// innerHTML (in quirks mode a <TABLE> does not end an open <P>): gumbo's first block after its
// output record is the document node, whose mode is set in that block when it is handed out.
// The parse checks afterwards that the block set was the document's.
struct Allocation {
  int quirksMode = GUMBO_DOCTYPE_NO_QUIRKS;
  int count = 0;
  void* documentNode = nullptr;
};

void* ZeroedAllocate(void* userdata, size_t size) {
  void* block = std::calloc(1, size);
  auto* a = static_cast<Allocation*>(userdata);
  if (block != nullptr && a->count++ == 1 && size == sizeof(GumboNode)) {
    static_cast<GumboNode*>(block)->v.document.doc_type_quirks_mode = GumboQuirksModeEnum(a->quirksMode);
    a->documentNode = block;
  }
  return block;
}
void Deallocate(void*, void* block) { std::free(block); }

// Every option gumbo reads, set here rather than taken from its defaults.
GumboOptions Options(GumboTag fragmentContext, Allocation* allocation) {
  GumboOptions options;
  options.allocator = ZeroedAllocate;
  options.deallocator = Deallocate;
  options.userdata = allocation;
  options.tab_stop = 8;
  options.stop_on_first_error = false;
  options.max_errors = 0;  // errors are not collected
  options.fragment_context = fragmentContext;
  options.fragment_namespace = GUMBO_NAMESPACE_HTML;
  return options;
}

GumboOutput* RunGumbo(const GumboOptions& options, const std::string& utf8) {
  GumboOutput* out = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
  if (out == nullptr) throw std::bad_alloc();
  return out;
}

}  // namespace

int TagOf(std::u16string_view name) {
  char buf[32];
  if (name.size() >= sizeof buf) return GUMBO_TAG_UNKNOWN;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] > 0x7F) return GUMBO_TAG_UNKNOWN;
    buf[i] = LowerAscii(char(name[i]));
  }
  return gumbo_tagn_enum(buf, unsigned(name.size()));
}

const std::u16string& TagName(int tag) {
  static const std::u16string empty;
  if (tag < 0 || tag >= GUMBO_TAG_UNKNOWN) return empty;
  return Tables().names[tag];
}

bool IsVoidTag(int tag) { return Flag(tag, kVoid); }
bool IsRawTextTag(int tag) { return Flag(tag, kRaw); }
bool IsBlockTag(int tag) { return Flag(tag, kBlock); }
bool IsHiddenTag(int tag) { return Flag(tag, kHidden); }
bool IsPreformattedTag(int tag) { return Flag(tag, kPre); }

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  AppendUtf8(out, text.data(), text.size());
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned c = text[i];
    if (c < 0x80) {
      out += char(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
    }
    out += char(0x80 | (c & 0x3F));
  }
  return out;
}

namespace {

bool ValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* e = p + s.size();
  while (p < e) {
    unsigned c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || c == 0xC0 || c == 0xC1 || e - p <= extra) return false;
    for (int i = 1; i <= extra; ++i)
      if ((p[i] & 0xC0) != 0x80) return false;
    p += extra + 1;
  }
  return true;
}

// The charset a meta tag in the first bytes names, in small letters; "" when none.
std::string MetaCharset(std::string_view bytes) {
  std::string head(bytes.substr(0, 2048));
  for (char& c : head) c = LowerAscii(c);
  size_t pos = 0;
  while ((pos = head.find("charset", pos)) != std::string::npos) {
    pos += 7;
    size_t p = pos;
    while (p < head.size() && (head[p] == ' ' || head[p] == '\t')) ++p;
    if (p >= head.size() || head[p] != '=') continue;
    ++p;
    while (p < head.size() && (head[p] == ' ' || head[p] == '"' || head[p] == '\'')) ++p;
    size_t q = p;
    while (q < head.size() && (std::isalnum(static_cast<unsigned char>(head[q])) || head[q] == '-' || head[q] == '_'))
      ++q;
    if (q > p) return head.substr(p, q - p);
  }
  return {};
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
  std::u16string w;
  w.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    w += bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
  }
  return Utf16ToUtf8(w);
}

}  // namespace

std::string DecodeToUtf8(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return Utf16BytesToUtf8(bytes.substr(2), false);
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return Utf16BytesToUtf8(bytes.substr(2), true);
  std::string charset = MetaCharset(bytes);
  bool utf8;
  if (charset == "utf-8" || charset == "utf8")
    utf8 = true;
  else if (!charset.empty())
    utf8 = false;  // windows-1252, iso-8859-1 and the like: read as the ANSI code page
  else
    utf8 = ValidUtf8(bytes);
  if (utf8) return std::string(bytes);
  return Utf16ToUtf8(nux::AnsiToWide(bytes));
}

Ref<Element> ParseDocument(std::string_view utf8, int* quirksMode) {
  Allocation allocation;
  const GumboOptions options = Options(GUMBO_TAG_LAST, &allocation);
  std::string guarded = GuardFormEnds(utf8);
  GumboOutput* out = RunGumbo(options, guarded);
  if (quirksMode != nullptr) *quirksMode = out->document->v.document.doc_type_quirks_mode;
  Ref<Element> html = MakeElement(out->root);
  CopyChildren(out->root->v.element.children, html.get());
  gumbo_destroy_output(&options, out);
  return html;
}

std::vector<Ref<Node>> ParseFragment(std::u16string_view html, int contextTag, int quirksMode) {
  Allocation allocation;
  allocation.quirksMode = quirksMode == GUMBO_DOCTYPE_QUIRKS || quirksMode == GUMBO_DOCTYPE_LIMITED_QUIRKS
                              ? quirksMode
                              : GUMBO_DOCTYPE_NO_QUIRKS;
  const GumboOptions options =
      Options((contextTag >= 0 && contextTag < GUMBO_TAG_UNKNOWN) ? GumboTag(contextTag) : GUMBO_TAG_DIV, &allocation);
  std::string utf8 = GuardFormEnds(Utf16ToUtf8(html));
  GumboOutput* out = RunGumbo(options, utf8);
  if (allocation.documentNode != out->document && allocation.quirksMode != GUMBO_DOCTYPE_NO_QUIRKS) {
    // Not the block we set (another gumbo): parse again with every block zeroed, which
    // reads as no quirks; still the same tree for the same input.
    gumbo_destroy_output(&options, out);
    allocation = Allocation{};
    out = RunGumbo(options, utf8);
  }
  Ref<Element> holder = Element::Create(u"DIV");
  CopyChildren(out->root->v.element.children, holder.get());
  gumbo_destroy_output(&options, out);
  return holder->TakeChildren();
}

}  // namespace nux::browser::detail
