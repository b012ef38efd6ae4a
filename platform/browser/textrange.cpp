// The rendered text model, text ranges over it, and the tree edits between two points.
#include <algorithm>

#include "base/codepage.h"
#include "browser/html_internal.h"
#include "browser/textmodel.h"

namespace nux::browser {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

// Case folding for searches: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic capitals.
char16_t Fold(char16_t c) {
  if (c < 0x80) return LowerAscii(c);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 0x20);
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? char16_t(c + 1) : c;
    return (c & 1) ? c : char16_t(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return char16_t(c + 0x20);
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 0x50);
  return c;
}

bool IsWordChar(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
  if (c == 0xA0 || c == 0xD7 || c == 0xF7) return false;
  if (c < 0xC0) return false;
  if (c >= 0x2000 && c <= 0x206F) return false;  // general punctuation
  return true;
}

}  // namespace

// ---- text model ----------------------------------------------------------------------------

struct TextModelBuilder {
  TextModel& m;
  const Element* probe;
  bool pending = false;
  int preDepth = 0;
  bool inProbe = false;
  bool probeContent = false;
  // A run of blanks waiting for the next visible character on the same line.
  bool hasSpace = false;
  Node* spaceNode = nullptr;
  size_t spaceFrom = 0, spaceTo = 0;

  bool EmptyOrBreak() const { return m.text_.empty() || m.text_.back() == u'\n'; }

  void Push(TextModel::Kind kind, Node* node, size_t from, size_t to, std::u16string_view text) {
    m.segs_.push_back({m.text_.size(), uint32_t(text.size()), kind, node, from, to});
    m.text_.append(text);
  }

  // Before a visible character at (node, from): the pending block break, and the probe's start.
  void BeforeContent(Node* node, size_t from) {
    if (pending) {
      pending = false;
      hasSpace = false;
      if (!EmptyOrBreak()) Push(TextModel::Kind::Break, node, from, from, u"\r\n");
    } else if (hasSpace) {
      hasSpace = false;
      Push(TextModel::Kind::Collapsed, spaceNode, spaceFrom, spaceTo, u" ");
    }
    if (inProbe && !probeContent) {
      probeContent = true;
      m.probeStart_ = m.text_.size();
    }
  }

  void VisitText(Node* t) {
    const std::u16string& d = t->data();
    size_t n = d.size(), i = 0;
    if (preDepth > 0) {
      while (i < n) {
        size_t j = d.find(u'\n', i);
        if (j == std::u16string::npos) j = n;
        if (j > i) {
          BeforeContent(t, i);
          Push(TextModel::Kind::Verbatim, t, i, j, std::u16string_view(d).substr(i, j - i));
        }
        if (j == n) break;
        BeforeContent(t, j);
        Push(TextModel::Kind::Collapsed, t, j, j + 1, u"\r\n");
        i = j + 1;
      }
      return;
    }
    while (i < n) {
      size_t j = i;
      if (IsBlank(d[i])) {
        while (j < n && IsBlank(d[j])) ++j;
        if (!pending && !hasSpace && !EmptyOrBreak()) {
          hasSpace = true;
          spaceNode = t;
          spaceFrom = i;
          spaceTo = j;
        }
      } else {
        while (j < n && !IsBlank(d[j])) ++j;
        BeforeContent(t, i);
        Push(TextModel::Kind::Verbatim, t, i, j, std::u16string_view(d).substr(i, j - i));
      }
      i = j;
    }
  }

  void Enter(const Element* e) {
    if (e == probe) {
      inProbe = true;
      probeContent = false;
      m.probeFound_ = true;
    }
    if (detail::IsBlockTag(e->tag())) pending = true;
    if (detail::IsPreformattedTag(e->tag())) ++preDepth;
  }

  void Leave(const Element* e) {
    if (detail::IsBlockTag(e->tag())) pending = true;
    if (detail::IsPreformattedTag(e->tag())) --preDepth;
    if (e == probe) {
      m.probeEnd_ = m.text_.size();
      if (!probeContent) m.probeStart_ = m.probeEnd_;
      inProbe = false;
    }
  }

  void Build(const Element* root) {
    if (!root) return;
    struct Item {
      const Element* e;
      size_t next;
    };
    std::vector<Item> stack{{root, 0}};
    if (root == probe) Enter(root);
    while (!stack.empty()) {
      Item& top = stack.back();
      const Element* e = top.e;
      if (top.next >= e->childNodes().size()) {
        if (stack.size() > 1 || root == probe) Leave(e);
        stack.pop_back();
        continue;
      }
      size_t index = top.next++;
      Node* child = e->childNodes()[index].get();
      if (child->IsText()) {
        VisitText(child);
      } else if (const Element* ce = child->AsElement()) {
        if (ce->Is(u"BR")) {
          if (ce == probe) Enter(ce);
          Element* parent = const_cast<Element*>(e);
          hasSpace = false;  // blanks before a line break do not show
          BeforeContent(parent, index);
          Push(TextModel::Kind::Break, parent, index, index + 1, u"\r\n");
          pending = false;
          if (ce == probe) Leave(ce);
        } else if (detail::IsHiddenTag(ce->tag())) {
          if (ce == probe) {
            Enter(ce);
            Leave(ce);
          }
        } else {
          Enter(ce);
          stack.push_back({ce, 0});
        }
      }
    }
  }
};

TextModel::TextModel(const Element* root, const Element* probe) {
  TextModelBuilder b{*this, probe};
  b.Build(root);
  root_ = const_cast<Element*>(root);
}

DomPoint TextModel::BoundaryPoint(size_t offset, bool leanRight) const {
  if (segs_.empty()) return {root_, root_ ? root_->childNodes().size() : 0};
  if (offset > text_.size()) offset = text_.size();
  if (offset == 0 || (leanRight && offset < text_.size())) {
    auto it = std::upper_bound(segs_.begin(), segs_.end(), offset, [](size_t v, const Segment& s) { return v < s.start; });
    const Segment& s = *(it - 1);
    if (s.kind == Kind::Verbatim) return {s.node, s.from + (offset - s.start)};
    if (offset == s.start) return {s.node, s.from};
    return {s.node, s.to};  // inside a "\r\n": after it
  }
  size_t k = offset - 1;
  auto it = std::upper_bound(segs_.begin(), segs_.end(), k, [](size_t v, const Segment& s) { return v < s.start; });
  const Segment& s = *(it - 1);
  if (s.kind == Kind::Verbatim) return {s.node, s.from + (k - s.start) + 1};
  return {s.node, s.to};
}

size_t TextModel::LineOf(size_t offset) const {
  offset = std::min(offset, text_.size());
  return size_t(std::count(text_.begin(), text_.begin() + long(offset), u'\n'));
}

// ---- ranges --------------------------------------------------------------------------------

TextRange::TextRange(Document* doc) : doc_(doc) {
  if (doc_) doc_->RegisterRange(this);
}

TextRange::~TextRange() {
  if (doc_) doc_->UnregisterRange(this);
}

void TextRange::Release() {
  if (--refs_ == 0) delete this;
}

size_t TextRange::start() const { return doc_ ? std::min(start_, doc_->Text().length()) : 0; }
size_t TextRange::end() const { return doc_ ? std::min(std::max(end_, start_), doc_->Text().length()) : 0; }

void TextRange::Set(size_t s, size_t e) {
  size_t len = doc_ ? doc_->Text().length() : 0;
  s = std::min(s, len);
  e = std::min(e, len);
  if (s > e) std::swap(s, e);
  start_ = s;
  end_ = e;
  collapsedRight_ = false;
}

Ref<TextRange> TextRange::Duplicate() const {
  Ref<TextRange> r(new TextRange(doc_));
  r->start_ = start();
  r->end_ = end();
  r->collapsedRight_ = collapsedRight_;
  return r;
}

void TextRange::Collapse(bool toStart) {
  size_t p = toStart ? start() : end();
  start_ = end_ = p;
  collapsedRight_ = toStart;
}

DomPoint TextRange::StartPoint(const TextModel& m) const {
  size_t s = start();
  return m.BoundaryPoint(s, s == end() ? collapsedRight_ : true);
}

DomPoint TextRange::EndPoint(const TextModel& m) const {
  size_t e = end();
  return m.BoundaryPoint(e, e == start() ? collapsedRight_ : false);
}

bool TextRange::MoveToElementText(const Element* element) {
  if (!doc_ || !element || element->ownerDocument() != doc_) return false;
  TextModel m(doc_->body(), element);
  if (!m.ProbeFound()) return false;
  Set(m.ProbeStart(), m.ProbeEnd());
  return true;
}

bool TextRange::FindText(std::u16string_view what, long count, long flags) {
  if (!doc_ || what.empty()) return false;
  const std::u16string& text = doc_->Text().text();
  const size_t len = text.size(), n = what.size();
  const bool matchCase = flags & kFindMatchCase, wholeWord = flags & kFindWholeWord;
  const bool backward = count < 0 || (flags & kFindBackward);
  size_t lo, hi;  // the hit must lie within [lo, hi)
  if (count == 0) {
    lo = start();
    hi = end();
  } else if (!backward) {
    lo = start();
    hi = size_t(std::min<long long>((long long)len, (long long)lo + count));
  } else {
    hi = end();
    long long span = count < 0 ? -(long long)count : (long long)count;
    lo = size_t(std::max<long long>(0, (long long)hi - span));
  }
  if (hi < lo || hi - lo < n) return false;
  auto matchAt = [&](size_t p) {
    for (size_t i = 0; i < n; ++i) {
      char16_t a = text[p + i], b = what[i];
      if (matchCase ? a != b : Fold(a) != Fold(b)) return false;
    }
    if (wholeWord) {
      if (p > 0 && IsWordChar(text[p - 1]) && IsWordChar(text[p])) return false;
      if (p + n < len && IsWordChar(text[p + n]) && IsWordChar(text[p + n - 1])) return false;
    }
    return true;
  };
  if (!backward) {
    for (size_t p = lo; p + n <= hi; ++p)
      if (matchAt(p)) {
        Set(p, p + n);
        return true;
      }
  } else {
    for (size_t p = hi - n + 1; p-- > lo;)
      if (matchAt(p)) {
        Set(p, p + n);
        return true;
      }
  }
  return false;
}

void TextRange::PasteHtml(std::u16string_view html) {
  if (!doc_) return;
  Ref<Document> keep(doc_);
  const size_t s = start(), e = end();
  size_t oldLen, newLen;
  {
    const TextModel& m = doc_->Text();
    oldLen = m.length();
    DomPoint a = StartPoint(m), b = EndPoint(m);
    if (!a.container) return;
    Ref<Node> holdA(a.container), holdB(b.container);
    if (s != e) DeleteBetween(a, b);
    const Element* context = a.container->IsElement() ? a.container->AsElement() : a.container->parent();
    std::vector<Ref<Node>> nodes = detail::ParseFragment(html, context ? context->tag() : -1, doc_->quirksMode());
    InsertAt(a, std::move(nodes));
    doc_->Touch();
  }
  newLen = doc_->Text().length();
  long delta = long(newLen) - long(oldLen);
  doc_->ShiftRanges(this, s, e, delta);
  size_t pos = size_t(std::max<long>(long(s), long(e) + delta));
  start_ = end_ = std::min(pos, newLen);
  collapsedRight_ = false;
}

void TextRange::SetText(std::u16string_view text) {
  std::u16string html;
  size_t i = 0;
  while (i <= text.size()) {
    size_t j = text.find_first_of(u"\r\n", i);
    if (j == std::u16string_view::npos) j = text.size();
    detail::AppendEscapedText(text.substr(i, j - i), html);
    if (j == text.size()) break;
    html += u"<BR>";
    i = (text[j] == u'\r' && j + 1 < text.size() && text[j + 1] == u'\n') ? j + 2 : j + 1;
  }
  PasteHtml(html);
}

std::u16string TextRange::Text() const {
  if (!doc_) return {};
  size_t s = start(), e = end();
  return doc_->Text().text().substr(s, e - s);
}

std::u16string TextRange::HtmlText() const {
  if (!doc_ || collapsed()) return {};
  const TextModel& m = doc_->Text();
  return SerializeBetween(StartPoint(m), EndPoint(m));
}

void TextRange::Select() {
  if (!doc_) return;
  doc_->Selection().Set(start(), end());
}

long TextRange::MovePos(size_t& pos, TextUnit unit, long count) const {
  if (!doc_) return 0;
  const std::u16string& text = doc_->Text().text();
  const size_t len = text.size();
  pos = std::min(pos, len);
  switch (unit) {
    case TextUnit::Character: {
      long long target = std::clamp<long long>((long long)pos + count, 0, (long long)len);
      long moved = long(target - (long long)pos);
      pos = size_t(target);
      return moved;
    }
    case TextUnit::TextEdit:
      if (count > 0 && pos < len) {
        pos = len;
        return 1;
      }
      if (count < 0 && pos > 0) {
        pos = 0;
        return -1;
      }
      return 0;
    case TextUnit::Word: {
      long moved = 0;
      for (; count > 0 && pos < len; --count, ++moved) {
        while (pos < len && IsWordChar(text[pos])) ++pos;
        while (pos < len && !IsWordChar(text[pos])) ++pos;
      }
      for (; count < 0 && pos > 0; ++count, --moved) {
        while (pos > 0 && !IsWordChar(text[pos - 1])) --pos;
        while (pos > 0 && IsWordChar(text[pos - 1])) --pos;
      }
      return moved;
    }
  }
  return 0;
}

long TextRange::Move(TextUnit unit, long count) {
  size_t p = start();
  long moved = MovePos(p, unit, count);
  start_ = end_ = p;
  return moved;
}

long TextRange::MoveStart(TextUnit unit, long count) {
  size_t p = start();
  long moved = MovePos(p, unit, count);
  start_ = p;
  if (end_ < p) end_ = p;
  return moved;
}

long TextRange::MoveEnd(TextUnit unit, long count) {
  size_t p = end();
  long moved = MovePos(p, unit, count);
  end_ = p;
  if (start_ > p) start_ = p;
  return moved;
}

Element* TextRange::ParentElement() const {
  if (!doc_) return nullptr;
  const TextModel& m = doc_->Text();
  DomPoint a = StartPoint(m), b = EndPoint(m);
  auto elementOf = [](DomPoint p) -> Element* {
    if (!p.container) return nullptr;
    return p.container->IsElement() ? p.container->AsElement() : p.container->parent();
  };
  Element* ea = elementOf(a);
  Element* eb = elementOf(b);
  for (Element* x = ea; x; x = x->parent())
    if (x->Contains(eb)) return x;
  return doc_->body();
}

namespace {
// "StartToEnd" -> (this start?, other start?); false when not one of the four.
bool ParseHow(std::u16string_view how, bool& mineStart, bool& otherStart) {
  auto eq = [](std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
  };
  if (eq(how, u"StartToStart")) mineStart = otherStart = true;
  else if (eq(how, u"StartToEnd")) mineStart = true, otherStart = false;
  else if (eq(how, u"EndToStart")) mineStart = false, otherStart = true;
  else if (eq(how, u"EndToEnd")) mineStart = otherStart = false;
  else return false;
  return true;
}
}  // namespace

int TextRange::CompareEndPoints(std::u16string_view how, const TextRange& other) const {
  bool mine, theirs;
  if (!ParseHow(how, mine, theirs)) return 0;
  size_t a = mine ? start() : end(), b = theirs ? other.start() : other.end();
  return a < b ? -1 : a > b ? 1 : 0;
}

bool TextRange::SetEndPoint(std::u16string_view how, const TextRange& other) {
  bool mine, theirs;
  if (!ParseHow(how, mine, theirs)) return false;
  size_t p = theirs ? other.start() : other.end();
  if (mine) {
    start_ = p;
    if (end_ < p) end_ = p;
  } else {
    end_ = p;
    if (start_ > p) start_ = p;
  }
  return true;
}

// ---- edits between points ----------------------------------------------------------------------

namespace {

Element* CommonAncestor(Node* a, Node* b) {
  for (Node* x = a; x; x = x->parent())
    if (x->Contains(b)) return x->AsElement();
  return nullptr;
}

size_t ChildCount(Node* n) { return n->IsElement() ? n->AsElement()->childNodes().size() : n->data().size(); }

void SerializeRange(const Element& e, size_t from, size_t to, std::u16string& out) {
  const auto& kids = e.childNodes();
  to = std::min(to, kids.size());
  for (size_t i = from; i < to; ++i) {
    const Node& k = *kids[i];
    if (k.IsText() && detail::IsRawTextTag(e.tag()))
      out += k.data();
    else
      detail::SerializeNode(k, out);
  }
}

std::u16string TextPart(Node* t, size_t from, size_t to) {
  std::u16string out;
  std::u16string_view d = t->data();
  from = std::min(from, d.size());
  to = std::min(to, d.size());
  if (t->IsText() && from < to) {
    if (t->parent() && detail::IsRawTextTag(t->parent()->tag()))
      out.append(d.substr(from, to - from));
    else
      detail::AppendEscapedText(d.substr(from, to - from), out);
  }
  return out;
}

}  // namespace

void DeleteBetween(DomPoint a, DomPoint b) {
  if (!a.container || !b.container) return;
  if (a.container == b.container) {
    Node* c = a.container;
    if (b.offset <= a.offset) return;
    if (c->IsElement()) {
      c->AsElement()->RemoveChildren(a.offset, b.offset);
    } else {
      std::u16string d = c->data();
      d.erase(a.offset, b.offset - a.offset);
      c->SetData(std::move(d));
    }
    return;
  }
  Element* ca = CommonAncestor(a.container, b.container);
  if (!ca) return;
  size_t from, to;
  if (a.container == ca) {
    from = a.offset;
  } else {
    Node* x = a.container;
    if (x->IsElement())
      x->AsElement()->RemoveChildren(a.offset, ChildCount(x));
    else
      x->SetData(x->data().substr(0, std::min(a.offset, x->data().size())));
    while (x->parent() != ca) {
      Element* p = x->parent();
      p->RemoveChildren(size_t(x->IndexInParent()) + 1, p->childNodes().size());
      x = p;
    }
    from = size_t(x->IndexInParent()) + 1;
  }
  if (b.container == ca) {
    to = b.offset;
  } else {
    Node* y = b.container;
    if (y->IsElement())
      y->AsElement()->RemoveChildren(0, b.offset);
    else
      y->SetData(y->data().substr(std::min(b.offset, y->data().size())));
    while (y->parent() != ca) {
      Element* p = y->parent();
      p->RemoveChildren(0, size_t(y->IndexInParent()));
      y = p;
    }
    to = size_t(y->IndexInParent());
  }
  if (from < to) ca->RemoveChildren(from, to);
}

std::u16string SerializeBetween(DomPoint a, DomPoint b) {
  std::u16string out;
  if (!a.container || !b.container) return out;
  if (a.container == b.container) {
    if (a.container->IsElement())
      SerializeRange(*a.container->AsElement(), a.offset, b.offset, out);
    else
      out = TextPart(a.container, a.offset, b.offset);
    return out;
  }
  Element* ca = CommonAncestor(a.container, b.container);
  if (!ca) return out;
  std::u16string left, right;
  size_t from, to;
  if (a.container == ca) {
    from = a.offset;
  } else {
    Node* x = a.container;
    if (x->IsElement()) {
      detail::AppendOpenTag(*x->AsElement(), left);
      SerializeRange(*x->AsElement(), a.offset, ChildCount(x), left);
      detail::AppendCloseTag(*x->AsElement(), left);
    } else {
      left = TextPart(x, a.offset, x->data().size());
    }
    while (x->parent() != ca) {
      Element* p = x->parent();
      std::u16string wrapped;
      detail::AppendOpenTag(*p, wrapped);
      wrapped += left;
      SerializeRange(*p, size_t(x->IndexInParent()) + 1, p->childNodes().size(), wrapped);
      detail::AppendCloseTag(*p, wrapped);
      left = std::move(wrapped);
      x = p;
    }
    from = size_t(x->IndexInParent()) + 1;
  }
  if (b.container == ca) {
    to = b.offset;
  } else {
    Node* y = b.container;
    if (y->IsElement()) {
      detail::AppendOpenTag(*y->AsElement(), right);
      SerializeRange(*y->AsElement(), 0, b.offset, right);
      detail::AppendCloseTag(*y->AsElement(), right);
    } else {
      right = TextPart(y, 0, b.offset);
    }
    while (y->parent() != ca) {
      Element* p = y->parent();
      std::u16string wrapped;
      detail::AppendOpenTag(*p, wrapped);
      SerializeRange(*p, 0, size_t(y->IndexInParent()), wrapped);
      wrapped += right;
      detail::AppendCloseTag(*p, wrapped);
      right = std::move(wrapped);
      y = p;
    }
    to = size_t(y->IndexInParent());
  }
  out = std::move(left);
  if (from < to) SerializeRange(*ca, from, to, out);
  out += right;
  return out;
}

DomPoint InsertAt(DomPoint at, std::vector<Ref<Node>> nodes) {
  if (!at.container) return at;
  Element* parent;
  size_t index;
  if (at.container->IsElement()) {
    parent = at.container->AsElement();
    index = std::min(at.offset, parent->childNodes().size());
  } else {
    Node* t = at.container;
    parent = t->parent();
    if (!parent) return at;
    index = size_t(t->IndexInParent());
    const std::u16string& d = t->data();
    if (at.offset == 0) {
      // before the text
    } else if (at.offset >= d.size()) {
      ++index;
    } else {
      std::u16string tail = d.substr(at.offset);
      t->SetData(d.substr(0, at.offset));
      ++index;
      parent->InsertChild(index, t->IsText() ? Element::CreateText(std::move(tail)) : Element::CreateComment(std::move(tail)));
    }
  }
  for (auto& n : nodes) parent->InsertChild(index++, std::move(n));
  return {parent, index};
}

}  // namespace nux::browser
