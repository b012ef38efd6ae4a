// The page of a document laid out and painted: litehtml lays the document out through a
// container of ours over the platform's device contexts (fonts, text, backgrounds, borders,
// list markers, pictures from the document's file addresses, clipping).
//
// The document model stays the truth. The layout is made from it (its markup, each element
// marked so that litehtml's boxes map back to our elements, each text piece to a text node and
// a character offset) and made again whenever the document changed since; painting reads the
// layout and the document and changes neither. Positions are page pixels: (0, 0) is the top
// left corner of the laid-out page, before scrolling.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "browser/dom.h"
#include "gdi/gdi.h"

namespace nux::browser {

// What a print or a screen asks of the layout.
struct LayoutMedia {
  int width = 0;    // the page area (the client area, or the printed page inside its margins)
  int height = 0;
  bool print = false;
  int zoom = 2;     // the control's zoom level: 0 (smallest) to 4 (largest), 2 the normal size
};

// One piece of text as laid out: a word or a blank of one text node, where it stands.
struct TextBox {
  Node* node = nullptr;   // the text node (null for generated text)
  size_t offset = 0;      // where the piece starts in the node's text (UTF-16 units)
  std::u16string text;    // the piece as shown
  RECT box{};             // page pixels (view pixels when fixed)
  bool fixed = false;     // stands fixed in the view
};

class PageLayout {
 public:
  explicit PageLayout(Document* doc);
  ~PageLayout();
  PageLayout(const PageLayout&) = delete;
  PageLayout& operator=(const PageLayout&) = delete;

  Document* document() const { return doc_; }
  // Lays the page out whole when the document, the media or the zoom changed since the last
  // time, or only its first part was laid out. False when there is nothing to lay out (no
  // document element).
  bool Update(const LayoutMedia& media);
  // For a first paint: a long page is laid out only as far as the view needs, by the body's
  // first blocks down to at least page point `bottom` (a short page, a printed one, or one
  // whose view reaches far down is laid out whole). Everything but painting above
  // firstPartBottom() lays the rest out before it answers.
  bool UpdateFirst(const LayoutMedia& media, long bottom);
  // The layout is old: the next Update lays the page out again.
  void Invalidate() { laidOut_ = 0; }
  // Laid out whole for the document as it is.
  bool valid() const;
  // Laid out for the document as it is, whole or its first part.
  bool drawable() const;
  // Only the first part is laid out; it stands as on the whole page down to firstPartBottom().
  bool partial() const;
  long firstPartBottom() const;
  // An element stands fixed in the view (a scroll moves no pixels of the page with it).
  bool hasFixed() const;
  // Tests: a long page is painted by litehtml's walk of the whole tree instead of by the
  // body's blocks on view.
  void SetPaintByBlocks(bool on);
  // How many times the page was laid out (tests: a paint does not lay out again).
  int layouts() const { return layouts_; }

  // The size of the laid-out page: at least the page area.
  int contentWidth() const;
  int contentHeight() const;
  const LayoutMedia& media() const { return media_; }

  // Paints the page into `dc` with page point (scrollX, scrollY) at the DC's (x, y), only the
  // DC rectangle `clip` (DC coordinates). The selection is drawn in the system's highlight
  // colours unless `selection` is false (printing).
  void Paint(HDC dc, int x, int y, long scrollX, long scrollY, const RECT& clip, bool selection = true);

  // The deepest of our elements whose box holds the page point (the body when none does); the
  // view scrolled to (scrollX, scrollY), for elements that stand fixed in it.
  Element* ElementAt(long x, long y, long scrollX = 0, long scrollY = 0) const;
  // The link (A or AREA with an href) under the page point, or null.
  Element* LinkAt(long x, long y, long scrollX = 0, long scrollY = 0) const;
  // The rendered-text offset nearest to the page point (the document's text model).
  size_t OffsetAt(long x, long y) const;
  // The element's boxes united (page pixels); false when it has none.
  bool BoxOf(const Element* element, RECT& box) const;
  // The laid-out text pieces in document order.
  const std::vector<TextBox>& texts() const;
  // The offset in the document's text model of a point inside a text node.
  size_t ModelOffset(const Node* node, size_t offset) const;

 private:
  class Impl;
  Document* doc_;
  std::unique_ptr<Impl> impl_;
  uint64_t laidOut_ = 0;  // the document version laid out (0: none)
  LayoutMedia media_;
  int layouts_ = 0;
};

// The zoom factor of a zoom level, in percent.
int ZoomPercent(int level);

}  // namespace nux::browser
