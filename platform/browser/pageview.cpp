// The control's page: painting through a back buffer, scrolling, and the pointer.
#include "browser/pageview.h"

#include <algorithm>
#include <cstring>

#include "base/textcase.h"
#include "browser/input.h"
#include "browser/textmodel.h"
#include "ui/controls.h"
#include "ui/cursor.h"
#include "ui/sysparams.h"

namespace nux::browser {

PageView::PageView(HWND window) : window_(window) {
  bufferDC_ = nux::gdi::CreateSurfaceDC(&buffer_, POINT{0, 0}, nullptr);
}

PageView::~PageView() {
  SetDocument(nullptr);
  if (bufferDC_) DeleteDC(bufferDC_);
}

void PageView::SetDocument(Document* doc) {
  if (doc_ && doc_->view() == this) doc_->SetView(nullptr);
  layout_.reset();
  pressed_ = Ref<Element>();
  dragging_ = false;
  doc_ = doc;
  drawn_.valid = false;
  if (doc_) {
    doc_->SetView(this);
    layout_ = std::make_unique<PageLayout>(doc_.get());
  }
  UpdateScrollBar();
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void PageView::SetZoom(int level) {
  if (level == zoom_) return;
  zoom_ = level;
  drawn_.valid = false;
  UpdateScrollBar();
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

LayoutMedia PageView::Media() const {
  RECT rc{};
  if (window_) GetClientRect(window_, &rc);
  LayoutMedia m;
  m.width = std::max<int>(0, rc.right - rc.left);
  m.height = std::max<int>(0, rc.bottom - rc.top);
  m.zoom = zoom_;
  return m;
}

PageLayout* PageView::layout() { return Laid(false); }

PageLayout* PageView::Laid(bool forPaint) {
  if (!layout_) return nullptr;
  LayoutMedia m = Media();
  const bool fresh = layout_->valid() && layout_->media().width == m.width && layout_->media().height == m.height &&
                     layout_->media().zoom == m.zoom;
  if (fresh) return layout_.get();
  // A paint needs only what it shows (with no selection to draw): the whole page follows.
  const bool first = forPaint && doc_ && m.height > 0 && !doc_->HasSelection();
  if (!(first ? layout_->UpdateFirst(m, doc_->scrollY() + m.height) : layout_->Update(m))) return layout_.get();
  if (!layout_->valid()) {
    if (window_ && !restPosted_) restPosted_ = PostMessageW(window_, kLayoutRestMessage, 0, 0) != FALSE;
    return layout_.get();
  }
  if (m.height > 0 && doc_) {
    // A scroll position set while the page was not laid out is kept within the new page.
    const long maxX = std::max(0, layout_->contentWidth() - m.width);
    const long maxY = std::max(0, layout_->contentHeight() - m.height);
    if (doc_->scrollX() > maxX || doc_->scrollY() > maxY)
      doc_->ScrollTo(std::min(doc_->scrollX(), maxX), std::min(doc_->scrollY(), maxY));
    UpdateScrollBar();
  }
  return layout_.get();
}

// ---- Document::View ---------------------------------------------------------------------
void PageView::DocumentChanged() {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void PageView::Scrolled() {
  UpdateScrollBar();
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

bool PageView::ScrollLimit(long& maxX, long& maxY) {
  // Only a page already laid out limits the position (a scroll set while the document is
  // being built does not lay it out; the next layout keeps the position within the page).
  LayoutMedia m = Media();
  if (!layout_ || m.width <= 0 || m.height <= 0 || !layout_->valid() || layout_->media().width != m.width ||
      layout_->media().height != m.height || layout_->media().zoom != m.zoom)
    return false;
  maxX = std::max(0, layout_->contentWidth() - m.width);
  maxY = std::max(0, layout_->contentHeight() - m.height);
  return true;
}

bool PageView::LaidOut() {
  LayoutMedia m = Media();
  return layout_ && layout_->valid() && layout_->media().width == m.width && layout_->media().height == m.height &&
         layout_->media().zoom == m.zoom;
}

bool PageView::ElementBox(const Element* element, long box[4]) {
  PageLayout* l = layout();
  RECT r{};
  if (!l || Media().height <= 0 || !l->BoxOf(element, r)) return false;
  box[0] = r.left;
  box[1] = r.top;
  box[2] = r.right;
  box[3] = r.bottom;
  return true;
}

bool PageView::PageSize(long& width, long& height, long& clientWidth, long& clientHeight) {
  LayoutMedia m = Media();
  PageLayout* l = layout();
  if (!l || m.height <= 0) return false;
  width = l->contentWidth();
  height = l->contentHeight();
  clientWidth = m.width;
  clientHeight = m.height;
  return true;
}

bool PageView::ClientBox(const Element* element, RECT& box) {
  PageLayout* l = layout();
  if (!l || !l->BoxOf(element, box)) return false;
  OffsetRect(&box, -int(doc_->scrollX()), -int(doc_->scrollY()));
  return true;
}

// ---- scrolling ----------------------------------------------------------------------------
void PageView::UpdateScrollBar() {
  if (!window_ || !(GetWindowLongW(window_, GWL_STYLE) & WS_VSCROLL)) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  LayoutMedia m = Media();
  if (layout_ && m.height > 0 && layout_->valid()) {
    si.nMax = layout_->contentHeight() - 1;
    si.nPage = UINT(m.height);
    si.nPos = int(doc_->scrollY());
  }
  SetScrollInfo(window_, SB_VERT, &si, TRUE);
}

void PageView::ScrollBy(long dx, long dy) {
  if (!doc_) return;
  doc_->ScrollTo(doc_->scrollX() + dx, doc_->scrollY() + dy);
}

bool PageView::OnScrollKey(UINT vk) {
  if (!doc_) return false;
  const long page = std::max(kLineStep, Media().height - kLineStep);
  switch (vk) {
    case VK_UP: ScrollBy(0, -kLineStep); return true;
    case VK_DOWN: ScrollBy(0, kLineStep); return true;
    case VK_LEFT: ScrollBy(-kLineStep, 0); return true;
    case VK_RIGHT: ScrollBy(kLineStep, 0); return true;
    case VK_PRIOR: ScrollBy(0, -page); return true;
    case VK_NEXT: ScrollBy(0, page); return true;
    case VK_HOME: doc_->ScrollTo(0, 0); return true;
    case VK_END: doc_->ScrollTo(0, 0x3FFFFFFF); return true;
    default: return false;
  }
}

// ---- painting -----------------------------------------------------------------------------
// The back buffer is a ring of the client area's rows: visible row r stands in buffer row
// (ring_ + r) mod height, so that a scroll moves no pixels and paints only what it uncovered.
void PageView::Render() {
  LayoutMedia m = Media();
  if (m.width <= 0 || m.height <= 0) return;
  if (buffer_.width() != m.width || buffer_.height() != m.height) {
    buffer_.Resize(m.width, m.height, 0xFFFFFFFFu);
    drawn_.valid = false;
  }
  if (!doc_ || !layout_ || !Laid(true) || !layout_->drawable()) {
    buffer_.Fill(0xFFFFFFFFu);
    ring_ = 0;
    drawn_.valid = false;
    return;
  }
  size_t selStart = 0, selEnd = 0;
  if (doc_->HasSelection()) {
    selStart = doc_->Selection().start();
    selEnd = doc_->Selection().end();
  }
  const long sx = doc_->scrollX(), sy = doc_->scrollY();
  const bool same = drawn_.valid && drawn_.version == doc_->version() && drawn_.layouts == layout_->layouts() &&
                    drawn_.selStart == selStart && drawn_.selEnd == selEnd && drawn_.width == m.width &&
                    drawn_.height == m.height;
  if (same && drawn_.scrollX == sx && drawn_.scrollY == sy) return;
  const long dy = sy - drawn_.scrollY;
  // Paints the visible rows [r0, r1) into the buffer rows that hold them.
  auto paintRows = [&](int r0, int r1) {
    for (int origin : {ring_, ring_ - m.height}) {
      const int top = std::max(0, origin + r0), bottom = std::min(m.height, origin + r1);
      if (top < bottom) layout_->Paint(bufferDC_, 0, origin, sx, sy, RECT{0, top, m.width, bottom});
    }
  };
  if (same && drawn_.scrollX == sx && std::abs(dy) < m.height && !layout_->hasFixed()) {
    // Only the scroll moved: the rows still on view stay where they are, the strip it
    // uncovered is painted (unless something stands fixed in the view).
    ring_ = int(((ring_ + dy) % m.height + m.height) % m.height);
    if (dy > 0)
      paintRows(m.height - int(dy), m.height);
    else
      paintRows(0, int(-dy));
  } else {
    ring_ = 0;
    paintRows(0, m.height);
  }
  drawn_ = Drawn{true, doc_->version(), layout_->layouts(), sx, sy, selStart, selEnd, m.width, m.height};
}

void PageView::PaintScrollThumb() {
  if (!window_ || !(GetWindowLongW(window_, GWL_STYLE) & WS_VSCROLL)) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  if (!GetScrollInfo(window_, SB_VERT, &si) || si.nPage == 0 || si.nMax + 1 <= int(si.nPage)) return;
  RECT client{}, window{};
  GetClientRect(window_, &client);
  GetWindowRect(window_, &window);
  POINT origin{0, 0};
  ClientToScreen(window_, &origin);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  const int left = origin.x - window.left + client.right, top = origin.y - window.top;
  const int track = client.bottom;
  const int range = si.nMax - si.nMin + 1;
  const int thumb = std::max(bar / 2, MulDiv(track, int(si.nPage), range));
  const int at = MulDiv(track - thumb, si.nPos - si.nMin, std::max(1, range - int(si.nPage)));
  HDC dc = GetWindowDC(window_);
  RECT r{left + 1, top + at, left + bar - 1, top + at + thumb};
  FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  HBRUSH edge = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
  FrameRect(dc, &r, edge);
  DeleteObject(edge);
  ReleaseDC(window_, dc);
}

// ---- the pointer ----------------------------------------------------------------------------
POINT PageView::PagePoint(LPARAM lParam) const {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (doc_) {
    p.x += LONG(doc_->scrollX());
    p.y += LONG(doc_->scrollY());
  }
  return p;
}

void PageView::SelectWordAt(size_t offset) {
  const std::u16string& text = doc_->Text().text();
  auto word = [&](size_t i) { return i < text.size() && nux::IsLetterOrDigit(text[i]); };
  size_t a = std::min(offset, text.size()), b = a;
  if (!word(a) && a > 0 && word(a - 1)) --a, --b;
  if (!word(a)) return;
  while (a > 0 && word(a - 1)) --a;
  while (b < text.size() && word(b)) ++b;
  doc_->Selection().Set(a, b);
}

bool PageView::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case kLayoutRestMessage:
      // The rest of a long page after its first paint: the scroll bar gets the page's height,
      // and the view is painted again from the whole layout.
      restPosted_ = false;
      if (layout_ && layout_->partial()) {
        layout();
        InvalidateRect(window_, nullptr, FALSE);
      }
      return true;
    case WM_ERASEBKGND:
      *result = 1;  // the page paints every pixel
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_, &ps);
      Render();
      if (!buffer_.empty()) {
        // The ring's rows from ring_ down first, then those from its top.
        const int w = buffer_.width(), h = buffer_.height(), ring = std::clamp(ring_, 0, h);
        BitBlt(dc, 0, 0, w, h - ring, bufferDC_, 0, ring, SRCCOPY);
        if (ring > 0) BitBlt(dc, 0, h - ring, w, ring, bufferDC_, 0, 0, SRCCOPY);
      }
      EndPaint(window_, &ps);
      return true;
    }
    case WM_NCPAINT:
      *result = DefWindowProcW(window_, msg, wParam, lParam);
      PaintScrollThumb();
      return true;
    case WM_SIZE:
      drawn_.valid = false;
      if (doc_) doc_->ScrollTo(doc_->scrollX(), doc_->scrollY());
      UpdateScrollBar();
      InvalidateRect(window_, nullptr, FALSE);
      return true;
    case WM_VSCROLL: {
      if (!doc_) return true;
      const long page = std::max(kLineStep, Media().height - kLineStep);
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_ALL;
      GetScrollInfo(window_, SB_VERT, &si);
      switch (LOWORD(wParam)) {
        case SB_LINEUP: ScrollBy(0, -kLineStep); break;
        case SB_LINEDOWN: ScrollBy(0, kLineStep); break;
        case SB_PAGEUP: ScrollBy(0, -page); break;
        case SB_PAGEDOWN: ScrollBy(0, page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: doc_->ScrollTo(doc_->scrollX(), si.nTrackPos ? si.nTrackPos : HIWORD(wParam)); break;
        case SB_TOP: doc_->ScrollTo(0, 0); break;
        case SB_BOTTOM: doc_->ScrollTo(0, 0x3FFFFFFF); break;
        default: break;
      }
      return true;
    }
    case WM_MOUSEWHEEL: {
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam);
      ScrollBy(0, -long(notches) * 3 * kLineStep / WHEEL_DELTA);
      return true;
    }
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT || !doc_ || !layout_) return false;
      POINT p{};
      GetCursorPos(&p);
      ScreenToClient(window_, &p);
      PageLayout* l = layout();
      const long sx = doc_->scrollX(), sy = doc_->scrollY();
      const bool link = l && l->LinkAt(p.x + sx, p.y + sy, sx, sy) != nullptr;
      SetCursor(LoadCursorW(nullptr, link ? IDC_HAND : IDC_ARROW));
      *result = TRUE;
      return true;
    }
    case WM_LBUTTONDOWN: {
      if (!doc_) return false;
      Ref<Document> keep(doc_);
      SetFocus(window_);
      SetCapture(window_);
      PageLayout* l = layout();
      if (!l) return true;
      POINT p = PagePoint(lParam);
      pressed_ = l->ElementAt(p.x, p.y, doc_->scrollX(), doc_->scrollY());
      downAt_ = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      dragged_ = false;
      if (FireMouse(pressed_.get(), u"mousedown", 1, downAt_.x, downAt_.y) && layout_) {
        anchor_ = layout_->OffsetAt(p.x, p.y);
        doc_->ClearSelection();
        dragging_ = true;
      }
      return true;
    }
    case WM_MOUSEMOVE: {
      if (!dragging_ || !doc_ || !layout_) return false;
      POINT c{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (!dragged_ && std::abs(c.x - downAt_.x) < 3 && std::abs(c.y - downAt_.y) < 3) return true;
      dragged_ = true;
      // Dragging past the top or the bottom scrolls the page along.
      const int height = Media().height;
      if (c.y < 0) ScrollBy(0, c.y);
      if (c.y > height) ScrollBy(0, c.y - height);
      POINT p = PagePoint(lParam);
      const size_t at = layout()->OffsetAt(p.x, p.y);
      doc_->Selection().Set(std::min(anchor_, at), std::max(anchor_, at));
      InvalidateRect(window_, nullptr, FALSE);
      return true;
    }
    case WM_LBUTTONUP: {
      if (!doc_) return false;
      Ref<Document> keep(doc_);
      const bool wasDragging = dragging_;
      dragging_ = false;
      if (GetCapture() == window_) ReleaseCapture();
      PageLayout* l = layout();
      if (!l) return true;
      POINT p = PagePoint(lParam);
      Ref<Element> target(l->ElementAt(p.x, p.y, doc_->scrollX(), doc_->scrollY()));
      const long cx = GET_X_LPARAM(lParam), cy = GET_Y_LPARAM(lParam);
      FireMouse(target.get(), u"mouseup", 1, cx, cy);
      // A press and release without a selection made between them is a click.
      if (wasDragging && !doc_->HasSelection() && FireMouse(target.get(), u"click", 1, cx, cy)) {
        ClickOutcome out;
        FollowLink(target.get(), out);
      }
      pressed_ = Ref<Element>();
      return true;
    }
    case WM_LBUTTONDBLCLK: {
      if (!doc_) return false;
      Ref<Document> keep(doc_);
      PageLayout* l = layout();
      if (!l) return true;
      POINT p = PagePoint(lParam);
      Ref<Element> target(l->ElementAt(p.x, p.y, doc_->scrollX(), doc_->scrollY()));
      if (FireMouse(target.get(), u"dblclick", 1, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) && layout_) {
        SelectWordAt(layout_->OffsetAt(p.x, p.y));
        InvalidateRect(window_, nullptr, FALSE);
      }
      return true;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: {
      if (!doc_) return false;
      Ref<Document> keep(doc_);
      if (msg == WM_RBUTTONDOWN) SetFocus(window_);
      PageLayout* l = layout();
      if (!l) return false;
      POINT p = PagePoint(lParam);
      FireMouse(l->ElementAt(p.x, p.y, doc_->scrollX(), doc_->scrollY()), msg == WM_RBUTTONDOWN ? u"mousedown" : u"mouseup",
                2, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (msg == WM_RBUTTONUP) *result = DefWindowProcW(window_, msg, wParam, lParam);  // WM_CONTEXTMENU
      return true;
    }
    case WM_CONTEXTMENU: {
      if (!doc_) return false;
      Ref<Document> keep(doc_);
      POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      Element* target = doc_->body();
      if (lParam == -1) {
        screen = POINT{0, 0};
        ClientToScreen(window_, &screen);
      } else if (PageLayout* l = layout()) {
        POINT c = screen;
        ScreenToClient(window_, &c);
        target = l->ElementAt(c.x + doc_->scrollX(), c.y + doc_->scrollY(), doc_->scrollX(), doc_->scrollY());
      }
      ContextMenu(target, screen.x, screen.y);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace nux::browser
