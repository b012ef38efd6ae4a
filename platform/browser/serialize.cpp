// Markup of nodes, as the control writes innerHTML and outerHTML. The form is fixed so that
// writing the markup back and reading it again gives the same text (stored bookmark positions
// are offsets into it):
//  - tag names in capitals; attributes in their order, names as they were written;
//  - a value made only of letters, digits and "-", "_", ".", ":" stands unquoted; any other
//    non-empty value is put in double quotes with "&" as "&amp;", '"' as "&quot;" and a
//    carriage return as "&#13;"; an attribute with an empty value is written as its bare name;
//  - text with "&", "<", ">" and the no-break space as "&amp;", "&lt;", "&gt;", "&nbsp;", and
//    a carriage return as "&#13;" (the parser turns a raw CR, and CR LF, into LF: written
//    raw, a CR taken from "&#13;" would be lost at the next parse and every later offset would
//    move); other characters as they are; the text of SCRIPT, STYLE and the other raw-text
//    elements as it stands;
//  - comments as "<!--text-->"; void elements (BR, IMG, INPUT, ...) without an end tag;
//  - a PRE, LISTING or TEXTAREA whose text begins with a line feed gets an extra one, since
//    the parser drops the first;
//  - nothing after a PLAINTEXT start tag is markup to the parser, so neither its end tag nor
//    the end tags of the elements around it are written.
#include "browser/html_internal.h"

namespace nux::browser::detail {

namespace {

bool SimpleValue(std::u16string_view v) {
  if (v.empty()) return false;
  for (char16_t c : v) {
    bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
              c == u'_' || c == u'.' || c == u':';
    if (!ok) return false;
  }
  return true;
}

void AppendAttributeValue(std::u16string_view v, std::u16string& out) {
  out += u'"';
  for (char16_t c : v) {
    if (c == u'&')
      out += u"&amp;";
    else if (c == u'"')
      out += u"&quot;";
    else if (c == u'\r')
      out += u"&#13;";
    else
      out += c;
  }
  out += u'"';
}

void OpenTag(const Element& e, std::u16string& out) {
  out += u'<';
  out += e.tagName();
  for (const Attribute& a : e.attributes()) {
    out += u' ';
    out += a.name;
    if (a.value.empty()) continue;
    out += u'=';
    if (SimpleValue(a.value))
      out += a.value;
    else
      AppendAttributeValue(a.value, out);
  }
  out += u'>';
}

bool NeedsLeadingNewline(const Element& e) {
  if (!e.Is(u"PRE") && !e.Is(u"LISTING") && !e.Is(u"TEXTAREA")) return false;
  const auto& kids = e.childNodes();
  return !kids.empty() && kids.front()->IsText() && !kids.front()->data().empty() && kids.front()->data()[0] == u'\n';
}

// Writes the node (or only its children) without recursion.
void Write(const Node& start, bool childrenOnly, std::u16string& out) {
  struct Item {
    const Element* element;
    size_t next;
  };
  std::vector<Item> stack;
  bool plain = false;  // a PLAINTEXT start tag was written: no end tags from here on
  auto enter = [&](const Node& n) {
    switch (n.type()) {
      case NodeType::Text: {
        const Element* p = n.parent();
        if (p && IsRawTextTag(p->tag()))
          out += n.data();
        else
          AppendEscapedText(n.data(), out);
        break;
      }
      case NodeType::Comment:
        out += u"<!--";
        out += n.data();
        out += u"-->";
        break;
      case NodeType::Element: {
        const Element& e = *n.AsElement();
        OpenTag(e, out);
        if (IsVoidTag(e.tag())) break;
        if (e.Is(u"PLAINTEXT")) plain = true;
        if (NeedsLeadingNewline(e)) out += u'\n';
        stack.push_back({&e, 0});
        break;
      }
    }
  };
  if (childrenOnly) {
    const Element& e = *start.AsElement();
    if (IsRawTextTag(e.tag())) {
      for (const auto& k : e.childNodes())
        if (!k->IsElement()) out += k->data();
      return;
    }
    stack.push_back({&e, 0});
  } else {
    enter(start);
  }
  while (!stack.empty()) {
    Item& top = stack.back();
    if (top.next < top.element->childNodes().size()) {
      const Node& child = *top.element->childNodes()[top.next++];
      enter(child);
      continue;
    }
    if (childrenOnly && stack.size() == 1) break;  // the element itself stays unwritten
    if (!plain) {
      out += u"</";
      out += top.element->tagName();
      out += u'>';
    }
    stack.pop_back();
  }
}

}  // namespace

void AppendEscapedText(std::u16string_view text, std::u16string& out) {
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t* rep;
    switch (text[i]) {
      case u'&': rep = u"&amp;"; break;
      case u'<': rep = u"&lt;"; break;
      case u'>': rep = u"&gt;"; break;
      case u'\u00A0': rep = u"&nbsp;"; break;
      case u'\r': rep = u"&#13;"; break;
      default: continue;
    }
    out.append(text.substr(run, i - run));
    out += rep;
    run = i + 1;
  }
  out.append(text.substr(run));
}

void AppendOpenTag(const Element& element, std::u16string& out) { OpenTag(element, out); }
void AppendCloseTag(const Element& element, std::u16string& out) {
  if (IsVoidTag(element.tag())) return;
  out += u"</";
  out += element.tagName();
  out += u'>';
}

void SerializeNode(const Node& node, std::u16string& out) { Write(node, false, out); }
void SerializeChildren(const Element& element, std::u16string& out) { Write(element, true, out); }

}  // namespace nux::browser::detail
