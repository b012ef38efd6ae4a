// Nodes, elements and the document: the tree, its queries and its edits.
#include "browser/dom.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/codepage.h"
#include "browser/html_internal.h"
#include "browser/textmodel.h"
#include "browser/url.h"
#include "fs/path.h"

namespace nux::browser {

using detail::TagOf;

namespace {

int QuirksOf(const Document* doc) { return doc != nullptr ? doc->quirksMode() : 0; }

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// Calls f(element) for every element of the subtree in document order until f returns false.
template <class F>
void ForEachElement(Element* root, F f) {
  if (!root) return;
  std::vector<std::pair<Element*, size_t>> stack;
  if (!f(root)) return;
  stack.push_back({root, 0});
  while (!stack.empty()) {
    auto& [el, next] = stack.back();
    if (next >= el->childNodes().size()) {
      stack.pop_back();
      continue;
    }
    Node* child = el->childNodes()[next++].get();
    if (!child->IsElement()) continue;
    if (!f(child->AsElement())) return;
    stack.push_back({child->AsElement(), 0});
  }
}

}  // namespace

// ---- nodes --------------------------------------------------------------------------------

Element* Node::AsElement() { return IsElement() ? static_cast<Element*>(this) : nullptr; }
const Element* Node::AsElement() const { return IsElement() ? static_cast<const Element*>(this) : nullptr; }

int Node::IndexInParent() const {
  if (!parent_) return -1;
  const auto& kids = parent_->children_;
  for (size_t i = 0; i < kids.size(); ++i)
    if (kids[i].get() == this) return int(i);
  return -1;
}

bool Node::Contains(const Node* other) const {
  for (const Node* n = other; n; n = n->parent_)
    if (n == this) return true;
  return false;
}

void Node::SetData(std::u16string text) {
  data_ = std::move(text);
  if (doc_) doc_->Touch();
}

void Node::Release() {
  if (--refs_ == 0) Destroy(this);
}

void Node::Destroy(Node* node) {
  std::vector<Node*> work{node};
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    if (Element* e = n->AsElement()) {
      for (Ref<Node>& child : e->children_) {
        Node* c = child.Detach();
        c->parent_ = nullptr;
        if (--c->refs_ == 0)
          work.push_back(c);
        else
          SetOwnerDocument(c, nullptr);  // survives on its own: no longer part of a document
      }
      e->children_.clear();
    }
    delete n;
  }
}

struct TreeAccess {
  static void SetDoc(Node* n, Document* d) { n->doc_ = d; }
};

void SetOwnerDocument(Node* node, Document* doc) {
  if (!node || node->ownerDocument() == doc) return;
  std::vector<Node*> work{node};
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    TreeAccess::SetDoc(n, doc);
    if (Element* e = n->AsElement())
      for (const auto& c : e->childNodes()) work.push_back(c.get());
  }
}

// ---- elements -----------------------------------------------------------------------------

Element::Element(std::u16string tagName, int tag) : Node(NodeType::Element), tagName_(std::move(tagName)), tag_(tag) {}

Ref<Element> Element::Create(std::u16string tagName) {
  for (char16_t& c : tagName) c = UpperAscii(c);
  int tag = TagOf(tagName);
  return Ref<Element>(new Element(std::move(tagName), tag));
}

namespace {
struct PlainNode : Node {
  explicit PlainNode(NodeType t) : Node(t) {}
};
}  // namespace

Ref<Node> Element::CreateText(std::u16string text) {
  Ref<Node> n(new PlainNode(NodeType::Text));
  n->data_ = std::move(text);
  return n;
}

Ref<Node> Element::CreateComment(std::u16string text) {
  Ref<Node> n(new PlainNode(NodeType::Comment));
  n->data_ = std::move(text);
  return n;
}

const std::u16string* Element::FindAttribute(std::u16string_view name, bool caseSensitive) const {
  for (const Attribute& a : attrs_)
    if (caseSensitive ? a.name == name : EqualNoCase(a.name, name)) return &a.value;
  return nullptr;
}

std::u16string Element::GetAttribute(std::u16string_view name) const {
  const std::u16string* v = FindAttribute(name);
  return v ? *v : std::u16string();
}

void Element::SetAttribute(std::u16string_view name, std::u16string value, bool caseSensitive) {
  for (Attribute& a : attrs_) {
    if (caseSensitive ? a.name == name : EqualNoCase(a.name, name)) {
      a.value = std::move(value);
      if (ownerDocument()) ownerDocument()->Touch();
      return;
    }
  }
  attrs_.push_back({std::u16string(name), std::move(value)});
  if (ownerDocument()) ownerDocument()->Touch();
}

bool Element::RemoveAttribute(std::u16string_view name, bool caseSensitive) {
  for (size_t i = 0; i < attrs_.size(); ++i) {
    if (caseSensitive ? attrs_[i].name == name : EqualNoCase(attrs_[i].name, name)) {
      attrs_.erase(attrs_.begin() + long(i));
      if (ownerDocument()) ownerDocument()->Touch();
      return true;
    }
  }
  return false;
}

std::vector<Element*> Element::Children() const {
  std::vector<Element*> out;
  for (const auto& c : children_)
    if (c->IsElement()) out.push_back(c->AsElement());
  return out;
}

void Element::Adopt(Node* child) {
  if (child->parent_) {
    int i = child->IndexInParent();
    if (i >= 0) child->parent_->RemoveChild(size_t(i));
  }
  child->parent_ = this;
  SetOwnerDocument(child, ownerDocument());
}

void Element::Disown(Node* child) {
  child->parent_ = nullptr;
  if (child->refs_ > 1) SetOwnerDocument(child, nullptr);  // someone keeps it beyond the tree
}

void Element::AppendChild(Ref<Node> child) { InsertChild(children_.size(), std::move(child)); }

void Element::InsertChild(size_t index, Ref<Node> child) {
  if (!child || child.get() == this) return;
  Ref<Node> keep = child;
  Adopt(child.get());
  if (index > children_.size()) index = children_.size();
  children_.insert(children_.begin() + long(index), std::move(child));
  if (ownerDocument()) ownerDocument()->Touch();
}

Ref<Node> Element::RemoveChild(size_t index) {
  if (index >= children_.size()) return {};
  Ref<Node> child = std::move(children_[index]);
  children_.erase(children_.begin() + long(index));
  Disown(child.get());
  if (ownerDocument()) ownerDocument()->Touch();
  return child;
}

void Element::RemoveChildren(size_t from, size_t to) {
  if (to > children_.size()) to = children_.size();
  if (from >= to) return;
  std::vector<Ref<Node>> gone(std::make_move_iterator(children_.begin() + long(from)),
                              std::make_move_iterator(children_.begin() + long(to)));
  children_.erase(children_.begin() + long(from), children_.begin() + long(to));
  for (auto& c : gone) Disown(c.get());
  if (ownerDocument()) ownerDocument()->Touch();
}

std::vector<Ref<Node>> Element::TakeChildren() {
  std::vector<Ref<Node>> gone = std::move(children_);
  children_.clear();
  for (auto& c : gone) {
    c->parent_ = nullptr;
    SetOwnerDocument(c.get(), nullptr);
  }
  if (ownerDocument()) ownerDocument()->Touch();
  return gone;
}

std::u16string Element::InnerHTML() const {
  std::u16string out;
  detail::SerializeChildren(*this, out);
  return out;
}

std::u16string Element::OuterHTML() const {
  std::u16string out;
  detail::SerializeNode(*this, out);
  return out;
}

void Element::SetInnerHTML(std::u16string_view html) {
  std::vector<Ref<Node>> nodes = detail::ParseFragment(html, tag_, QuirksOf(ownerDocument()));
  ClearChildren();
  children_.reserve(nodes.size());
  for (auto& n : nodes) {
    n->parent_ = this;
    SetOwnerDocument(n.get(), ownerDocument());
    children_.push_back(std::move(n));
  }
  if (ownerDocument()) ownerDocument()->Touch();
}

bool Element::SetOuterHTML(std::u16string_view html) {
  Element* p = parent();
  if (!p) return false;
  Ref<Element> self(this);
  size_t at = size_t(IndexInParent());
  std::vector<Ref<Node>> nodes = detail::ParseFragment(html, p->tag_, QuirksOf(ownerDocument()));
  p->RemoveChild(at);
  for (auto& n : nodes) p->InsertChild(at++, std::move(n));
  return true;
}

bool Element::InsertAdjacentHTML(Adjacent where, std::u16string_view html) {
  Element* p = parent();
  if ((where == Adjacent::BeforeBegin || where == Adjacent::AfterEnd) && !p) return false;
  int context = (where == Adjacent::BeforeBegin || where == Adjacent::AfterEnd) ? p->tag_ : tag_;
  std::vector<Ref<Node>> nodes = detail::ParseFragment(html, context, QuirksOf(ownerDocument()));
  Element* into = (where == Adjacent::BeforeBegin || where == Adjacent::AfterEnd) ? p : this;
  size_t at = 0;
  switch (where) {
    case Adjacent::BeforeBegin: at = size_t(IndexInParent()); break;
    case Adjacent::AfterBegin: at = 0; break;
    case Adjacent::BeforeEnd: at = children_.size(); break;
    case Adjacent::AfterEnd: at = size_t(IndexInParent()) + 1; break;
  }
  for (auto& n : nodes) into->InsertChild(at++, std::move(n));
  return true;
}

std::u16string Element::InnerText() const { return TextModel(this).text(); }

void Element::SetInnerText(std::u16string_view text) {
  ClearChildren();
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'\n' && text[i] != u'\r') continue;
    if (i > start) AppendChild(CreateText(std::u16string(text.substr(start, i - start))));
    if (i == text.size()) break;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    AppendChild(Create(u"BR"));
    start = i + 1;
  }
}

void Element::ScrollIntoView(bool alignTop) {
  if (ownerDocument()) ownerDocument()->ScrollIntoView(this, alignTop);
}

// ---- document -----------------------------------------------------------------------------

Document::Document(std::u16string url) : url_(std::move(url)) {}

Document::~Document() {
  extension_.reset();
  for (TextRange* r : ranges_) r->doc_ = nullptr;
  ranges_.clear();
  selection_ = Ref<TextRange>();
  current_ = Ref<Event>();
  scrollTarget_ = Ref<Element>();
  scrollPending_ = Ref<Element>();
  if (root_) {
    Node* r = root_.Detach();
    if (--r->refs_ == 0)
      Node::Destroy(r);
    else
      SetOwnerDocument(r, nullptr);
  }
}

void Document::Release() {
  if (--refs_ == 0) delete this;
}

void Document::SetRoot(Ref<Element> root) {
  root_ = std::move(root);
  SetOwnerDocument(root_.get(), this);
  Touch();
}

Ref<Document> Document::CreateBlank(std::u16string url) { return ParseHtml(u"", std::move(url)); }

Ref<Document> Document::Parse(std::string_view bytes, std::u16string url) {
  Ref<Document> doc(new Document(std::move(url)));
  doc->SetRoot(detail::ParseDocument(detail::DecodeToUtf8(bytes), &doc->quirksMode_));
  return doc;
}

Ref<Document> Document::ParseHtml(std::u16string_view html, std::u16string url) {
  Ref<Document> doc(new Document(std::move(url)));
  doc->SetRoot(detail::ParseDocument(detail::Utf16ToUtf8(html), &doc->quirksMode_));
  return doc;
}

Ref<Document> Document::LoadFile(std::u16string_view winPath) {
  std::string linuxPath = nux::fs::ToLinuxPath(winPath);
  if (linuxPath.empty()) return {};
  std::error_code ec;
  if (!std::filesystem::is_regular_file(linuxPath, ec)) return {};
  std::ifstream in(linuxPath, std::ios::binary);
  if (!in) return {};
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return {};
  std::string bytes = std::move(buffer).str();
  std::u16string full = nux::fs::FullPath(winPath);
  return Parse(bytes, FileUrlFromPath(full.empty() ? std::u16string(winPath) : full));
}

Element* Document::head() const {
  if (!root_) return nullptr;
  for (Element* e : root_->Children())
    if (e->Is(u"HEAD")) return e;
  return nullptr;
}

Element* Document::body() const {
  if (!root_) return nullptr;
  for (Element* e : root_->Children())
    if (e->Is(u"BODY") || e->Is(u"FRAMESET")) return e;
  return nullptr;
}

std::u16string Document::title() const {
  std::u16string raw;
  ForEachElement(root_.get(), [&](Element* e) {
    if (!e->Is(u"TITLE")) return true;
    for (const auto& c : e->childNodes())
      if (c->IsText()) raw += c->data();
    return false;
  });
  std::u16string out;
  bool space = false;
  for (char16_t c : raw) {
    if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f') {
      space = !out.empty();
      continue;
    }
    if (space) out += u' ';
    space = false;
    out += c;
  }
  return out;
}

void Document::SetTitle(std::u16string_view title) {
  Element* found = nullptr;
  ForEachElement(root_.get(), [&](Element* e) {
    if (e->Is(u"TITLE")) found = e;
    return found == nullptr;
  });
  if (!found) {
    Element* h = head();
    if (!h) return;
    Ref<Element> t = Element::Create(u"TITLE");
    found = t.get();
    h->AppendChild(t);
  }
  found->ClearChildren();
  found->AppendChild(Element::CreateText(std::u16string(title)));
}

Element* Document::GetElementById(std::u16string_view id) const {
  Element* found = nullptr;
  ForEachElement(root_.get(), [&](Element* e) {
    const std::u16string* v = e->FindAttribute(u"id");
    if (v && *v == id) found = e;
    return found == nullptr;
  });
  return found;
}

std::vector<Element*> Document::GetElementsByName(std::u16string_view name) const {
  std::vector<Element*> out;
  ForEachElement(root_.get(), [&](Element* e) {
    const std::u16string* v = e->FindAttribute(u"name");
    if (v && *v == name) out.push_back(e);
    return true;
  });
  return out;
}

std::vector<Element*> Document::GetElementsByTagName(std::u16string_view tag) const {
  std::vector<Element*> out;
  bool all = tag == u"*";
  ForEachElement(root_.get(), [&](Element* e) {
    if (all || EqualNoCase(e->tagName(), tag)) out.push_back(e);
    return true;
  });
  return out;
}

std::vector<Element*> Document::All() const { return GetElementsByTagName(u"*"); }

std::vector<Element*> Document::Anchors() const {
  std::vector<Element*> out;
  ForEachElement(root_.get(), [&](Element* e) {
    if (e->Is(u"A") && (e->FindAttribute(u"name") || e->FindAttribute(u"id"))) out.push_back(e);
    return true;
  });
  return out;
}

std::vector<Element*> Document::Links() const {
  std::vector<Element*> out;
  ForEachElement(root_.get(), [&](Element* e) {
    if ((e->Is(u"A") || e->Is(u"AREA")) && e->FindAttribute(u"href")) out.push_back(e);
    return true;
  });
  return out;
}

std::u16string Document::ResolveUrl(std::u16string_view href) const { return nux::browser::ResolveUrl(url_, href); }

void Document::ScrollTo(long x, long y) {
  scrollPending_ = Ref<Element>();
  long maxX = 0, maxY = 0;
  if (view_ && view_->ScrollLimit(maxX, maxY)) {
    x = x > maxX ? maxX : x;
    y = y > maxY ? maxY : y;
  }
  scrollX_ = x < 0 ? 0 : x;
  scrollY_ = y < 0 ? 0 : y;
  scrollTarget_ = Ref<Element>();
  if (view_) view_->Scrolled();
}

void Document::ScrollIntoView(Element* element, bool) {
  if (!element || element->ownerDocument() != this) return;
  if (view_ && !view_->LaidOut()) {
    scrollPending_ = element;
    scrollTarget_ = element;
    view_->DocumentChanged();  // the view paints again, and asks for the position then
    return;
  }
  PlaceInView(element);
}

void Document::PlaceInView(Element* element) {
  Ref<Element> keep(element);
  long box[4] = {0, 0, 0, 0};
  if (view_ && view_->ElementBox(element, box)) {
    ScrollTo(0, box[1]);
  } else {
    TextModel model(body(), element);
    scrollX_ = 0;
    scrollY_ = long(model.LineOf(model.ProbeStart())) * kLineHeight;
  }
  scrollTarget_ = element;
}

void Document::ResolveScroll() const {
  if (!scrollPending_) return;
  Ref<Element> element = std::move(scrollPending_);
  scrollPending_ = Ref<Element>();
  // An element taken out of the page since leaves the position as it was.
  Node* top = element.get();
  while (top->parent()) top = top->parent();
  if (element->ownerDocument() == this && top == root_.get()) const_cast<Document*>(this)->PlaceInView(element.get());
}

const TextModel& Document::Text() const {
  if (!text_ || textVersion_ != version_) {
    text_ = std::make_unique<TextModel>(body());
    textVersion_ = version_;
  }
  return *text_;
}

Ref<TextRange> Document::CreateRange() {
  Ref<TextRange> r(new TextRange(this));
  r->Set(0, Text().length());
  return r;
}

TextRange& Document::Selection() {
  if (!selection_) selection_ = Ref<TextRange>(new TextRange(this));
  return *selection_;
}

bool Document::HasSelection() const { return selection_ && !selection_->collapsed(); }

void Document::ClearSelection() {
  if (selection_) selection_->Collapse(true);
}

void Document::RegisterRange(TextRange* range) { ranges_.push_back(range); }

void Document::UnregisterRange(TextRange* range) {
  for (size_t i = 0; i < ranges_.size(); ++i) {
    if (ranges_[i] == range) {
      ranges_.erase(ranges_.begin() + long(i));
      return;
    }
  }
}

void Document::ShiftRanges(TextRange* except, size_t start, size_t end, long delta) {
  for (TextRange* r : ranges_) {
    if (r == except) continue;
    auto move = [&](size_t p) -> size_t {
      if (p <= start) return p;
      if (p >= end) return size_t(long(p) + delta);
      return start;
    };
    r->start_ = move(r->start_);
    r->end_ = move(r->end_);
  }
}

unsigned Document::AddListener(Listener listener) {
  unsigned cookie = nextCookie_++;
  listeners_.push_back({cookie, std::move(listener)});
  return cookie;
}

void Document::RemoveListener(unsigned cookie) {
  for (size_t i = 0; i < listeners_.size(); ++i) {
    if (listeners_[i].first == cookie) {
      listeners_.erase(listeners_.begin() + long(i));
      return;
    }
  }
}

bool Document::Fire(const Ref<Event>& event) {
  if (!event) return true;
  Ref<Document> keep(this);
  Ref<Event> previous = current_;
  current_ = event;
  std::vector<unsigned> cookies;
  for (const auto& l : listeners_) cookies.push_back(l.first);
  for (unsigned cookie : cookies) {
    for (const auto& l : listeners_) {
      if (l.first != cookie) continue;
      Listener call = l.second;  // the listener may remove itself
      call(*event);
      break;
    }
  }
  current_ = previous;
  return event->returnValue != Event::Return::False;
}

}  // namespace nux::browser
