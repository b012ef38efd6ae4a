// The document model of the web-browser control: a mutable tree of elements, texts and
// comments built from HTML by gumbo, with the queries, serialisation, text ranges, selection
// and events that the browser host and its document objects use. No windows are involved:
// the control window (and the COM face in html_com.h) sit on top of this.
//
// Strings are UTF-16 (std::u16string), so character offsets are UTF-16 code units, as the
// positions stored by the system's bookmarks expect.
//
// Ownership: nodes and documents are reference counted (intrusive, single-threaded). A node
// in the tree is held by its parent; a removed subtree lives on as long as someone holds it,
// but forgets its document. Keep a Ref<Document> while working with its nodes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nux::browser {

// Intrusive reference: T has AddRef() and Release().
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(T* p) : p_(p) {  // NOLINT: implicit by design
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) : Ref(static_cast<T*>(o.get())) {}
  ~Ref() {
    if (p_) p_->Release();
  }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  // Takes over a reference the caller already owns.
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  // Gives up the pointer without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(const Ref& o) const { return p_ == o.p_; }

 private:
  T* p_ = nullptr;
};

class Document;
class Element;

enum class NodeType : uint8_t { Element, Text, Comment };

class Node {
 public:
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  NodeType type() const { return type_; }
  bool IsElement() const { return type_ == NodeType::Element; }
  bool IsText() const { return type_ == NodeType::Text; }
  Element* AsElement();
  const Element* AsElement() const;

  Element* parent() const { return parent_; }
  Document* ownerDocument() const { return doc_; }
  // Position among the parent's children; -1 without a parent.
  int IndexInParent() const;
  // True when this node is `other` or one of its ancestors.
  bool Contains(const Node* other) const;

  // Text of a text or comment node (empty for elements).
  const std::u16string& data() const { return data_; }
  void SetData(std::u16string text);

  void AddRef() { ++refs_; }
  void Release();

 protected:
  explicit Node(NodeType type) : type_(type) {}
  virtual ~Node() = default;

 private:
  friend class Element;
  friend class Document;
  friend struct TreeAccess;
  static void Destroy(Node* node);

  NodeType type_;
  int refs_ = 0;
  Element* parent_ = nullptr;
  Document* doc_ = nullptr;
  std::u16string data_;
};

struct Attribute {
  std::u16string name;  // as written
  std::u16string value;
};

// Where insertAdjacentHTML puts its markup.
enum class Adjacent { BeforeBegin, AfterBegin, BeforeEnd, AfterEnd };

class Element : public Node {
 public:
  // tagName is the name in capitals ("P", "A", "SPAN"); the tag code is gumbo's.
  static Ref<Element> Create(std::u16string tagName);
  static Ref<Node> CreateText(std::u16string text);
  static Ref<Node> CreateComment(std::u16string text);

  const std::u16string& tagName() const { return tagName_; }
  int tag() const { return tag_; }  // a GumboTag value
  bool Is(std::u16string_view upperName) const { return tagName_ == upperName; }

  // ---- attributes (names matched without case unless caseSensitive) ----
  const std::vector<Attribute>& attributes() const { return attrs_; }
  const std::u16string* FindAttribute(std::u16string_view name, bool caseSensitive = false) const;
  std::u16string GetAttribute(std::u16string_view name) const;  // "" when missing
  // Replaces the value of an existing attribute (keeping its place and spelling) or appends.
  void SetAttribute(std::u16string_view name, std::u16string value, bool caseSensitive = false);
  bool RemoveAttribute(std::u16string_view name, bool caseSensitive = false);
  std::u16string id() const { return GetAttribute(u"id"); }
  std::u16string name() const { return GetAttribute(u"name"); }
  std::u16string className() const { return GetAttribute(u"class"); }

  // ---- tree ----
  const std::vector<Ref<Node>>& childNodes() const { return children_; }
  std::vector<Element*> Children() const;  // element children only
  Element* parentElement() const { return parent(); }
  void AppendChild(Ref<Node> child);
  void InsertChild(size_t index, Ref<Node> child);  // index past the end appends
  Ref<Node> RemoveChild(size_t index);
  void RemoveChildren(size_t from, size_t to);  // [from, to)
  void ClearChildren() { RemoveChildren(0, children_.size()); }
  // Removes all children and hands them over.
  std::vector<Ref<Node>> TakeChildren();

  // ---- markup and text ----
  // The serialisation described in serialize.cpp: capitals, attributes in source order,
  // simple values unquoted, entities in text, void elements without end tags.
  std::u16string InnerHTML() const;
  std::u16string OuterHTML() const;
  // Replaces the children with the markup parsed as a fragment in this element's context.
  void SetInnerHTML(std::u16string_view html);
  // Replaces this element (in its parent) with the parsed markup. False without a parent.
  bool SetOuterHTML(std::u16string_view html);
  bool InsertAdjacentHTML(Adjacent where, std::u16string_view html);
  // The element's rendered text (the text model of textmodel.h applied to this element).
  std::u16string InnerText() const;
  // Replaces the children with one text node (line breaks "\r\n" or "\n" become <BR>).
  void SetInnerText(std::u16string_view text);

  // Records this element as the document's scroll target (see Document::ScrollIntoView).
  void ScrollIntoView(bool alignTop = true);

 private:
  friend class Node;
  friend struct TreeAccess;
  Element(std::u16string tagName, int tag);
  ~Element() override = default;
  void Adopt(Node* child);
  void Disown(Node* child);

  std::u16string tagName_;
  int tag_;
  std::vector<Attribute> attrs_;
  std::vector<Ref<Node>> children_;
};

// ---- events ------------------------------------------------------------------------
// One event as the document's sinks see it (the window's current event while it fires).
struct Event {
  std::u16string type;  // "click", "mousedown", "mouseup", "keydown", "keypress", "keyup", "contextmenu", ...
  Ref<Element> srcElement;
  long keyCode = 0;
  bool shiftKey = false, ctrlKey = false, altKey = false;
  long button = 0;  // 1 left, 2 right, 4 middle
  long clientX = 0, clientY = 0;
  // The return value a handler set: unset, true or false; false cancels the default action.
  enum class Return { Unset, True, False } returnValue = Return::Unset;
  bool cancelBubble = false;

  void AddRef() { ++refs; }
  void Release() {
    if (--refs == 0) delete this;
  }
  int refs = 0;
};

// ---- text model ----------------------------------------------------------------------
// A point in the tree: a character offset in a text node, or a child index in an element.
struct DomPoint {
  Node* container = nullptr;
  size_t offset = 0;
};
class TextModel;

// ---- document --------------------------------------------------------------------------
class TextRange;

class Document {
 public:
  // An empty document (<HTML><HEAD></HEAD><BODY></BODY></HTML>) at the address given.
  static Ref<Document> CreateBlank(std::u16string url = u"about:blank");
  // Parses file bytes: UTF-8 (with or without a byte-order mark), UTF-16 with a byte-order
  // mark, or Windows-1252; a charset named in a meta tag decides between the last two,
  // otherwise bytes that are valid UTF-8 are taken as UTF-8.
  static Ref<Document> Parse(std::string_view bytes, std::u16string url);
  static Ref<Document> ParseHtml(std::u16string_view html, std::u16string url);
  // Loads a file by its Windows path; the address becomes its "file:///" URL. Null when the
  // file cannot be read.
  static Ref<Document> LoadFile(std::u16string_view winPath);

  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  void AddRef() { ++refs_; }
  void Release();

  const std::u16string& url() const { return url_; }
  void SetUrl(std::u16string url) { url_ = std::move(url); }
  Element* documentElement() const { return root_.get(); }
  Element* head() const;
  Element* body() const;
  std::u16string title() const;  // text of the first TITLE, blanks collapsed and trimmed
  // The parser's mode for the document (0 standards, 1 quirks, 2 limited quirks): a document
  // without a doctype, or with an old one, is in quirks mode. Markup put into the document
  // (innerHTML and the like) is parsed in the same mode.
  int quirksMode() const { return quirksMode_; }
  void SetTitle(std::u16string_view title);

  // ---- look-ups (document order) ----
  Element* GetElementById(std::u16string_view id) const;  // case-sensitive
  std::vector<Element*> GetElementsByName(std::u16string_view name) const;
  std::vector<Element*> GetElementsByTagName(std::u16string_view tag) const;  // "*" for all; no case
  std::vector<Element*> All() const;
  // A elements that carry a name or an id.
  std::vector<Element*> Anchors() const;
  // A and AREA elements that carry an href.
  std::vector<Element*> Links() const;

  // Resolves an address against the document's location, as a link's href reads with flag 0.
  std::u16string ResolveUrl(std::u16string_view href) const;

  // ---- scrolling (no layout: each rendered line is kLineHeight pixels) ----
  static constexpr long kLineHeight = 16;
  long scrollX() const {
    ResolveScroll();
    return scrollX_;
  }
  long scrollY() const {
    ResolveScroll();
    return scrollY_;
  }
  void ScrollTo(long x, long y);
  // Scrolls so that the element's first line is at the top, and keeps the element as the
  // scroll target. With a view: to the element's box, within the page's scroll range;
  // without one, y becomes its line number times kLineHeight. While the view has not laid
  // the page out as it is, the position is taken when it is first asked for (a page built
  // in passes, each scrolling to its marks, is laid out once).
  void ScrollIntoView(Element* element, bool alignTop = true);
  Element* scrollTarget() const { return scrollTarget_.get(); }

  // ---- text model, ranges and selection ----
  const TextModel& Text() const;
  Ref<TextRange> CreateRange();  // the whole body text
  TextRange& Selection();        // the document's selection (a live range)
  bool HasSelection() const;     // selection not collapsed
  void ClearSelection();
  uint64_t version() const { return version_; }
  // Every change of the tree calls this; ranges keep their offsets (clamped to the text).
  // The view showing the document hears of it and lays the page out again when next needed.
  void Touch() {
    ++version_;
    if (view_) view_->DocumentChanged();
  }

  // The control that shows the document, when one does: it lays the page out, so scroll
  // positions are kept within the page it lays out and an element's place comes from its box.
  struct View {
    virtual ~View() = default;
    virtual void DocumentChanged() = 0;
    // The scroll position moved (the view repaints and moves its scroll bars).
    virtual void Scrolled() = 0;
    // The largest scroll position; false when the view cannot lay the page out.
    virtual bool ScrollLimit(long& maxX, long& maxY) = 0;
    // The element's box on the page (page pixels: left, top, right, bottom); false when it
    // has none.
    virtual bool ElementBox(const Element* element, long box[4]) = 0;
    // The size of the laid-out page and of the area that shows it; false without a layout.
    virtual bool PageSize(long& width, long& height, long& clientWidth, long& clientHeight) = 0;
    // The page is laid out for the document as it is (an element's box costs no layout).
    virtual bool LaidOut() = 0;
  };
  View* view() const { return view_; }
  void SetView(View* view) { view_ = view; }

  // ---- events ----
  using Listener = std::function<void(Event&)>;
  unsigned AddListener(Listener listener);
  void RemoveListener(unsigned cookie);
  // The event being fired, or null.
  Event* currentEvent() const { return current_.get(); }
  // Fires the event to every listener with it as the current event; true when the default
  // action may go ahead (no handler set the return value to false).
  bool Fire(const Ref<Event>& event);

  // Hooks: what a link click navigates to (set by the control), and the UI handler's context
  // menu (set by the COM face when a UI handler is attached; true: the host showed its own
  // menu or none). Both optional.
  std::function<void(const std::u16string& url, const std::u16string& target)> navigateHook;
  std::function<bool(Element* element, long x, long y)> contextMenuHook;
  // How many times the control would have shown its own context menu.
  int browserMenus = 0;

  // Something attached to the document for its whole life (the COM face), destroyed with it.
  struct Extension {
    virtual ~Extension() = default;
  };
  Extension* extension() const { return extension_.get(); }
  void SetExtension(std::unique_ptr<Extension> ext) { extension_ = std::move(ext); }

 private:
  friend class TextRange;
  friend class Element;
  friend class Node;
  explicit Document(std::u16string url);
  ~Document();
  void SetRoot(Ref<Element> root);
  void RegisterRange(TextRange* range);
  void UnregisterRange(TextRange* range);
  // After a change made through a range: offsets of the other live ranges move.
  void ShiftRanges(TextRange* except, size_t start, size_t end, long delta);

  int refs_ = 0;
  std::u16string url_;
  int quirksMode_ = 0;
  Ref<Element> root_;
  long scrollX_ = 0, scrollY_ = 0;
  Ref<Element> scrollTarget_;
  mutable Ref<Element> scrollPending_;  // scrolled into view before the view laid the page out
  void ResolveScroll() const;
  void PlaceInView(Element* element);
  uint64_t version_ = 1;
  View* view_ = nullptr;
  mutable std::unique_ptr<TextModel> text_;
  mutable uint64_t textVersion_ = 0;
  std::vector<TextRange*> ranges_;
  Ref<TextRange> selection_;
  std::vector<std::pair<unsigned, Listener>> listeners_;
  unsigned nextCookie_ = 1;
  Ref<Event> current_;
  std::unique_ptr<Extension> extension_;
};

// Marks the subtree as belonging to `doc` (or to none).
void SetOwnerDocument(Node* node, Document* doc);

}  // namespace nux::browser
