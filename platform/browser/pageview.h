// The page as the control's window shows it: the document's layout painted into the client
// area through a back buffer, the vertical scroll bar, the wheel and the scrolling keys, and
// the pointer (events at the element under it, the hand over links, drag selection, a word
// by double-click, the context menu on the element).
//
// The view is the document's Document::View while it shows it: scroll positions stay within
// the page it lays out, scrollIntoView goes to the element's box, and every change of the
// document invalidates the window, so the next paint lays the page out again.
#pragma once

#include <memory>

#include "browser/dom.h"
#include "browser/layout.h"
#include "gdi/surface.h"
#include "ui/window.h"

namespace nux::browser {

class PageView final : public Document::View {
 public:
  // Pixels one line of scrolling moves (arrows, the scroll bar's arrows); the wheel moves
  // three lines a notch.
  static constexpr int kLineStep = 16;
  // Posted to the window after a paint from the first part of a long page: the rest is laid
  // out when it comes.
  static constexpr UINT kLayoutRestMessage = WM_USER + 0x3E3;

  explicit PageView(HWND window);
  ~PageView() override;
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  void SetDocument(Document* doc);
  Document* document() const { return doc_.get(); }
  void SetZoom(int level);
  PageLayout* layout();  // laid out for the client area; null without a document

  // Window messages the page answers; true when handled (*result is the answer).
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The scrolling keys (arrows, PageUp, PageDown, Home, End); true when the key scrolls.
  bool OnScrollKey(UINT vk);

  // Paints the client area into the back buffer (only what a scroll uncovered when nothing
  // else changed).
  void Render();
  // The element's box in client coordinates; false when it has none.
  bool ClientBox(const Element* element, RECT& box);

  // Document::View
  void DocumentChanged() override;
  void Scrolled() override;
  bool ScrollLimit(long& maxX, long& maxY) override;
  bool ElementBox(const Element* element, long box[4]) override;
  bool PageSize(long& width, long& height, long& clientWidth, long& clientHeight) override;
  bool LaidOut() override;

 private:
  LayoutMedia Media() const;
  // The layout for the client area: whole, or for a paint the first part of a long page
  // (the rest is laid out on a message posted for it).
  PageLayout* Laid(bool forPaint);
  void UpdateScrollBar();
  void PaintScrollThumb();
  void ScrollBy(long dx, long dy);
  POINT PagePoint(LPARAM lParam) const;
  void SelectWordAt(size_t offset);

  HWND window_;
  Ref<Document> doc_;
  std::unique_ptr<PageLayout> layout_;
  int zoom_ = 2;
  bool restPosted_ = false;

  // The back buffer and what it shows.
  nux::gdi::Surface buffer_;
  HDC bufferDC_ = nullptr;
  int ring_ = 0;  // the buffer row that holds the client area's top row
  struct Drawn {
    bool valid = false;
    uint64_t version = 0;
    int layouts = 0;
    long scrollX = 0, scrollY = 0;
    size_t selStart = 0, selEnd = 0;
    int width = 0, height = 0;
  } drawn_;

  // The pointer.
  bool dragging_ = false;
  bool dragged_ = false;
  POINT downAt_{};
  size_t anchor_ = 0;
  Ref<Element> pressed_;
};

}  // namespace nux::browser
