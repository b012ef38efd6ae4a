// The rendered text of a document and the text ranges and selection over it.
//
// Text model. The rendered text of an element is built by walking its subtree in document
// order:
//  - Text outside PRE, LISTING, XMP, PLAINTEXT and TEXTAREA has each run of white space
//    (blank, tab, CR, LF, form feed) shown as one blank, and only between two visible
//    characters of one line: it is dropped at the start of the text, after a line break, and
//    before a line break or a block boundary.
//    Inside those elements every character counts, and each LF reads as "\r\n".
//  - <BR> is a line break "\r\n" (two characters), wherever it stands.
//  - A block element (P, DIV, H1-H6, UL, OL, LI, DL, DT, DD, TABLE, TR, TD, TH, CAPTION,
//    THEAD, TBODY, TFOOT, BLOCKQUOTE, PRE, ADDRESS, CENTER, FORM, FIELDSET, HR, ...) starts
//    and ends with a pending block break. A pending break becomes "\r\n" just before the next
//    visible character, unless the text is still empty or already ends with a line break; so
//    any run of block boundaries gives at most one "\r\n", and none at the very start or end.
//  - HEAD, TITLE, SCRIPT, STYLE, TEMPLATE and comments are not shown; IMG and other empty
//    elements add no characters.
// Offsets are UTF-16 code units into that text. Boundary k (between character k-1 and k) maps
// to a point in the tree: the start of a range leans right (the point just before character k,
// so markup put there lands inside the element of the text that follows), the end leans left
// (just after character k-1). A collapsed range leans the way it was collapsed: right after
// Collapse(true), left otherwise.
//
// Ranges are live: they keep offsets, and a change made through a range (PasteHtml) moves the
// offsets of the other ranges of the document that lie after the change. Other changes of the
// tree (innerHTML) leave offsets as they are, clamped to the new text's length.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "browser/dom.h"

namespace nux::browser {

class TextModel {
 public:
  // The rendered text of `root`'s subtree. With a probe element, also where the probe's own
  // text begins and ends (ProbeStart/ProbeEnd).
  explicit TextModel(const Element* root, const Element* probe = nullptr);

  const std::u16string& text() const { return text_; }
  size_t length() const { return text_.size(); }
  // The tree point of boundary `offset` (clamped to the length): by default the point just
  // after character offset-1; leaning right, the point just before character `offset`.
  DomPoint BoundaryPoint(size_t offset, bool leanRight = false) const;
  size_t ProbeStart() const { return probeStart_; }
  size_t ProbeEnd() const { return probeEnd_; }
  bool ProbeFound() const { return probeFound_; }
  // Number of line breaks before `offset`.
  size_t LineOf(size_t offset) const;

  enum class Kind : uint8_t { Verbatim, Collapsed, Break };
  struct Segment {
    size_t start;      // offset in the text
    uint32_t length;   // characters in the text
    Kind kind;         // Verbatim: characters of `node` from `from`; Collapsed: node range [from, to)
                       // shown as a blank or "\r\n"; Break: a line break anchored between nodes
    Node* node;
    size_t from, to;   // Break: the point before (node, from) and after (node, to)
  };
  const std::vector<Segment>& segments() const { return segs_; }

 private:
  friend struct TextModelBuilder;
  Element* root_ = nullptr;
  std::u16string text_;
  std::vector<Segment> segs_;
  size_t probeStart_ = 0, probeEnd_ = 0;
  bool probeFound_ = false;
};

// findText flags.
constexpr long kFindBackward = 1;
constexpr long kFindWholeWord = 2;
constexpr long kFindMatchCase = 4;

enum class TextUnit { Character, Word, TextEdit };

class TextRange {
 public:
  void AddRef() { ++refs_; }
  void Release();

  Document* document() const { return doc_; }  // null once the document is gone
  size_t start() const;
  size_t end() const;
  bool collapsed() const { return start() == end(); }
  // Sets both ends (clamped to the text and put in order).
  void Set(size_t start, size_t end);

  Ref<TextRange> Duplicate() const;
  void Collapse(bool toStart = true);
  // The range covers exactly the element's rendered text. False when the element is not in
  // this range's document.
  bool MoveToElementText(const Element* element);
  // Searches the rendered text (flags kFind*). count > 0: forward from the range's start, the
  // hit ending within start + count; count < 0 (or kFindBackward): backward from the range's
  // end, the hit starting at or after end + count; count 0: within the range. A hit becomes
  // the range; true when found.
  bool FindText(std::u16string_view text, long count = 0x3FFFFFFF, long flags = 0);
  // Replaces the range's contents with the parsed markup; the range then collapses after it.
  void PasteHtml(std::u16string_view html);
  void SetText(std::u16string_view text);  // as PasteHtml with the text escaped
  std::u16string Text() const;
  std::u16string HtmlText() const;  // markup of the range, partly covered elements included
  // Makes this range the document's selection.
  void Select();
  // Moves by units: Move collapses to the start and moves both ends; MoveStart and MoveEnd
  // move one end (the other follows when they would cross). Return the units moved.
  long Move(TextUnit unit, long count);
  long MoveStart(TextUnit unit, long count);
  long MoveEnd(TextUnit unit, long count);
  // The deepest element that holds both ends.
  Element* ParentElement() const;
  // how: "StartToStart", "StartToEnd", "EndToStart", "EndToEnd" (this range's end point
  // first): -1, 0 or 1. 0 for an unknown `how`.
  int CompareEndPoints(std::u16string_view how, const TextRange& other) const;
  bool SetEndPoint(std::u16string_view how, const TextRange& other);
  bool IsEqual(const TextRange& other) const { return start() == other.start() && end() == other.end(); }
  bool InRange(const TextRange& other) const { return other.start() >= start() && other.end() <= end(); }

 private:
  friend class Document;
  explicit TextRange(Document* doc);
  ~TextRange();
  long MovePos(size_t& pos, TextUnit unit, long count) const;

  int refs_ = 0;
  Document* doc_;
  size_t start_ = 0, end_ = 0;
  bool collapsedRight_ = false;
  DomPoint StartPoint(const TextModel& m) const;
  DomPoint EndPoint(const TextModel& m) const;
};

// ---- tree edits between points (used by ranges) ----
// Removes everything between two points of one tree (a before b); `a` stays valid.
void DeleteBetween(DomPoint a, DomPoint b);
// Markup of what lies between two points, partly covered elements included.
std::u16string SerializeBetween(DomPoint a, DomPoint b);
// Inserts nodes at a point (a text node is split); returns the point after the last one.
DomPoint InsertAt(DomPoint at, std::vector<Ref<Node>> nodes);

}  // namespace nux::browser
