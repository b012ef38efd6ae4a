// The page layout: our markup handed to litehtml with each element marked, litehtml's tree
// mapped back onto the document, and the container that measures and draws through the
// platform's device contexts.
#include "browser/layout.h"

#include <litehtml.h>
#include <litehtml/el_before_after.h>
#include <litehtml/el_text.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <unordered_map>

#include "base/codepage.h"
#include "base/textcase.h"
#include "browser/layout_internal.h"
#include "browser/textmodel.h"
#include "browser/url.h"
#include "fs/path.h"
#include "gdi/image.h"
#include "ui/sysparams.h"
#include "ui/window.h"

namespace nux::browser {

namespace {

// The attribute that carries an element's number from our tree into litehtml's.
constexpr const char* kMarker = "data-nux-node";
// A long page (this many children of the body, and four times the markup of the first try at
// least) is first laid out by its top part, as much markup as this and 16 bytes for every
// pixel of the view's height; four times as much when that does not reach the view's bottom.
constexpr size_t kFirstPartMinBlocks = 128;
constexpr size_t kFirstPartBytes = 16u << 10;
// How far a block's text may paint beyond its box (glyphs taller than a tight line).
constexpr int kInkOverflow = 16;
// Files a page pulls in (pictures, style sheets) are read up to this size.
constexpr std::uintmax_t kMaxResourceBytes = 32u << 20;

litehtml::context& Context() {
  static litehtml::context* context = [] {
    auto* c = new litehtml::context;
    c->load_master_stylesheet(detail::kDefaultStyleSheet);
    return c;
  }();
  return *context;
}

bool IsVoid(std::u16string_view tag) {
  static const char16_t* const kVoid[] = {u"AREA", u"BASE", u"BASEFONT", u"BGSOUND", u"BR", u"COL", u"EMBED",
                                          u"FRAME", u"HR", u"IMG", u"INPUT", u"ISINDEX", u"KEYGEN", u"LINK",
                                          u"META", u"PARAM", u"SOURCE", u"TRACK", u"WBR"};
  for (const char16_t* v : kVoid)
    if (tag == v) return true;
  return false;
}

bool IsRawText(std::u16string_view tag) {
  return tag == u"SCRIPT" || tag == u"STYLE" || tag == u"XMP" || tag == u"NOEMBED" || tag == u"NOFRAMES" ||
         tag == u"IFRAME" || tag == u"PLAINTEXT" || tag == u"NOSCRIPT";
}

void AppendEscaped(std::string& out, std::u16string_view text, bool attribute) {
  std::string utf8 = nux::ToUtf8(text);
  for (char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += attribute ? "<" : "&lt;"; break;
      case '>': out += attribute ? ">" : "&gt;"; break;
      case '"': out += attribute ? "&quot;" : "\""; break;
      case '\0': break;
      default: out += c;
    }
  }
}

// Attribute names that markup can carry as they are.
bool PlainName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name)
    if (c <= u' ' || c == u'"' || c == u'\'' || c == u'>' || c == u'/' || c == u'=' || c == u'<' || c >= 0x7F)
      return false;
  return true;
}

bool ReadFileLimited(const std::string& linuxPath, std::string& out) {
  std::error_code ec;
  if (linuxPath.empty() || !std::filesystem::is_regular_file(linuxPath, ec)) return false;
  auto size = std::filesystem::file_size(linuxPath, ec);
  if (ec || size > kMaxResourceBytes) return false;
  std::ifstream in(linuxPath, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  out = std::move(buffer).str();
  return true;
}

// Whether style text (a style sheet, a style attribute, markup holding them) lets what follows
// in a page change what stands before it: an element taken out of the flow ("position" then ':'
// then "absolute" or "fixed", any case, blanks between), or a selector that looks at the
// siblings after an element (":last-child", ":last-of-type", ":nth-last-...", ":only-...").
bool ReachesBack(std::string_view text) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  auto at = [&](size_t i, std::string_view word) {
    if (i + word.size() > text.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
      if (lower(text[i + k]) != word[k]) return false;
    return true;
  };
  auto blanks = [&](size_t i) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    return i;
  };
  for (size_t i = 0; i + 8 <= text.size(); ++i) {
    if (text[i] == ':' && (at(i + 1, "last-") || at(i + 1, "nth-last-") || at(i + 1, "only-"))) return true;
    if (lower(text[i]) != 'p' || !at(i, "position")) continue;
    size_t j = blanks(i + 8);
    if (j >= text.size() || text[j] != ':') continue;
    j = blanks(j + 1);
    if (at(j, "absolute") || at(j, "fixed")) return true;
  }
  return false;
}

COLORREF Colour(const litehtml::web_color& c) { return RGB(c.red, c.green, c.blue); }

void FillSolid(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  if (right <= left || bottom <= top) return;
  RECT r{left, top, right, bottom};
  COLORREF old = SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

// A font as litehtml asked for it, and the widths of what it measured.
struct Font {
  HFONT handle = nullptr;
  int ascent = 0, descent = 0, height = 0;
  std::unordered_map<std::string, int> widths;
};

// A decoded picture, with alpha premultiplied for AlphaBlend.
struct Picture {
  bool ok = false;
  int width = 0, height = 0;
  HBITMAP bitmap = nullptr;
};

std::u16string Trimmed(std::u16string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == u' ' || s[a] == u'\t' || s[a] == u'"' || s[a] == u'\'')) ++a;
  while (b > a && (s[b - 1] == u' ' || s[b - 1] == u'\t' || s[b - 1] == u'"' || s[b - 1] == u'\'')) --b;
  return std::u16string(s.substr(a, b - a));
}

// The face of a CSS family list: the first family that is installed (or that the drawing
// layer knows by its Windows name); the generic families by the faces that stand for them.
std::u16string FaceFor(const std::string& families) {
  std::u16string list = nux::FromUtf8(families);
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(u',', start);
    std::u16string family = Trimmed(std::u16string_view(list).substr(start, comma == std::u16string::npos ? std::u16string::npos : comma - start));
    std::u16string lower = nux::ToLower(family);
    if (lower == u"serif") return u"Times New Roman";
    if (lower == u"sans-serif" || lower == u"cursive" || lower == u"fantasy") return u"Arial";
    if (lower == u"monospace") return u"Courier New";
    if (!family.empty() && nux::gdi::FontFamilyAvailable(family)) return family;
    if (comma == std::u16string::npos) break;
    start = comma + 1;
  }
  return u"Times New Roman";
}

}  // namespace

int ZoomPercent(int level) {
  static const int kPercent[5] = {70, 85, 100, 120, 150};
  return kPercent[std::clamp(level, 0, 4)];
}

class PageLayout::Impl final : public litehtml::document_container {
 public:
  explicit Impl(Document* doc) : doc_(doc) { measure_ = CreateCompatibleDC(nullptr); }
  ~Impl() {
    page_.reset();  // litehtml gives its fonts back first
    for (auto& [url, p] : pictures_)
      if (p.bitmap) DeleteObject(p.bitmap);
    if (measure_) DeleteDC(measure_);
  }

  // ---- building the tree ----------------------------------------------------------------
  // The whole page.
  void Build(const LayoutMedia& media) {
    Serialised();
    Create(media, html_.c_str(), false);
    if (page_) IndexText();
  }

  // Only the body's first blocks, enough to cover the page down to `bottom`, when the page is
  // long; the markup is kept for the whole page's layout after. False when the page is to be
  // laid out whole (short, positioned blocks, or the view reaches too far down).
  bool BuildFirst(const LayoutMedia& media, long bottom) {
    Serialised();
    const size_t blocks = cuts_.size();
    if (blocks < kFirstPartMinBlocks || bodyEnd_ < cuts_[0]) return false;
    // What follows the cut may change what stands above it: an element out of the flow may
    // stand anywhere, a style sheet in the body applies to all of it, and some selectors look
    // at the siblings after an element. Such a page is laid out whole (the style sheets it
    // links are looked at as the first part pulls them in).
    if (reachesBack_) return false;
    const size_t bodyBytes = bodyEnd_ - cuts_[0];
    size_t budget = kFirstPartBytes + size_t(std::max(0L, bottom)) * 16;
    while (budget * 4 <= bodyBytes) {
      const size_t count = size_t(std::upper_bound(cuts_.begin(), cuts_.end(), cuts_[0] + budget) - cuts_.begin());
      if (count >= blocks) break;
      std::string part(html_, 0, cuts_[count]);
      part += "</body></html>";
      Create(media, part.c_str(), true);
      if (!page_ || anyPositioned_ || sheetReachesBack_) break;
      Render(media);
      if (firstBottom_ >= bottom) return true;
      budget *= 4;
    }
    page_.reset();
    partial_ = false;
    return false;
  }

  void Render(const LayoutMedia& media) {
    media_.width = media.width;
    media_.height = media.height;
    if (!page_) return;
    page_->render(std::max(1, media.width));
    for (size_t i = 0; i < boxes_.size(); ++i) {
      litehtml::position p = pieces_[i]->get_placement();
      boxes_[i].box = RECT{p.x, p.y, p.x + p.width, p.y + p.height};
    }
    firstBottom_ = partial_ ? FirstPartBottom() : 0;
    // The lowest point that the body's children up to each reach, what overflows their boxes
    // included (floats, pictures; body content coordinates).
    reach_.clear();
    ownReach_.clear();
    if (auto it = lhOf_.find(doc_->body()); it != lhOf_.end()) {
      litehtml::element* body = it->second;
      int lowest = std::numeric_limits<int>::min();
      for (size_t i = 0; i < body->get_children_count(); ++i) {
        litehtml::element::ptr c = body->get_child(int(i));
        litehtml::size own;
        own.height = std::numeric_limits<int>::min();
        if (c && !c->skip()) c->calc_document_size(own);
        // Hidden and fixed elements give no size: their box's bottom stands for them.
        if (c && own.height == std::numeric_limits<int>::min()) {
          const litehtml::position& p = c->get_position();
          own.height = p.bottom() + c->margin_bottom() + c->padding_bottom() + c->border_bottom();
        }
        lowest = std::max(lowest, own.height);
        reach_.push_back(lowest);
        ownReach_.push_back(own.height);
      }
    }
  }

  // A first part only: the page is laid out as it will be whole down to firstBottom().
  bool partial() const { return page_ && partial_; }
  long firstBottom() const { return firstBottom_; }

  bool ready() const { return page_ != nullptr; }
  bool hasFixed() const { return page_ && hasFixed_; }
  void SetPaintByBlocks(bool on) { paintByBlocks_ = on; }
  int width() const { return page_ ? page_->width() : 0; }
  int height() const { return page_ ? page_->height() : 0; }

  void Paint(HDC dc, int x, int y, long scrollX, long scrollY, const RECT& clip, bool selection) {
    FillSolid(dc, clip.left, clip.top, clip.right, clip.bottom, page_ ? canvas_ : RGB(255, 255, 255));
    if (!page_) return;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    dc_ = dc;
    // Fixed elements stand in the view, whose top left corner is at (x, y) of the DC.
    view_ = POINT{x, y};
    const int ox = x - int(scrollX), oy = y - int(scrollY);
    litehtml::position lhClip(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    if (!paintByBlocks_ || !DrawVisibleBlocks(dc, ox, oy, lhClip))
      page_->draw(reinterpret_cast<litehtml::uint_ptr>(dc), ox, oy, &lhClip);
    if (selection && doc_->HasSelection()) PaintSelection(dc, ox, oy, clip);
    dc_ = nullptr;
    view_ = POINT{0, 0};
    RestoreDC(dc, saved);
  }

  // A long page is painted by the body's blocks that meet the clip, in litehtml's order: the
  // blocks' backgrounds and borders first, then the floats, then the inline content, so a
  // float reaching over a later block stays in front of its background (litehtml's own walk
  // visits every element of the page for each paint). A page with positioned elements goes
  // through the whole walk: those are painted in passes of the root's stacking context.
  bool DrawVisibleBlocks(HDC dc, int ox, int oy, const litehtml::position& clip) {
    auto it = lhOf_.find(doc_->body());
    if (it == lhOf_.end() || !page_->root() || anyPositioned_) return false;
    litehtml::element* body = it->second;
    const size_t count = body->get_children_count();
    if (count < 64) return false;
    const auto hdc = reinterpret_cast<litehtml::uint_ptr>(dc);
    litehtml::element::ptr root = page_->root();
    root->draw(hdc, ox, oy, &clip);
    const litehtml::position rootPos = root->get_position();
    body->draw(hdc, rootPos.x + ox, rootPos.y + oy, &clip);
    const litehtml::position bp = body->get_placement();
    const int bx = bp.x + ox, by = bp.y + oy;
    // Blocks in the flow follow each other down the page: start at the first one that reaches
    // the clip, by the lowest point of the blocks so far (blanks between blocks are not placed).
    size_t first = 0;
    if (reach_.size() == count)
      first = size_t(std::lower_bound(reach_.begin(), reach_.end(), clip.y - by - kInkOverflow) - reach_.begin());
    std::vector<litehtml::element*> shown;
    for (size_t i = first; i < count; ++i) {
      litehtml::element::ptr c = body->get_child(int(i));
      if (!c || c->skip() || !c->is_visible()) continue;
      const litehtml::position& p = c->get_position();
      const int top = by + p.y - c->margin_top() - c->padding_top() - c->border_top();
      const int bottom = i < ownReach_.size() ? by + ownReach_[i] + kInkOverflow
                                              : by + p.bottom() + c->margin_bottom() + c->padding_bottom() + c->border_bottom();
      if (bottom < clip.y) continue;
      if (top > clip.bottom()) {
        if (c->get_float() == litehtml::float_none) break;
        continue;
      }
      shown.push_back(c.get());
    }
    // The passes of the body's children as litehtml's walk makes them.
    for (litehtml::element* c : shown) {
      if (!c->is_inline_box() && c->get_float() == litehtml::float_none) c->draw(hdc, bx, by, &clip);
      if (c->get_float() == litehtml::float_none && c->get_display() != litehtml::display_inline_block)
        c->draw_children(hdc, bx, by, &clip, litehtml::draw_block, 0);
    }
    for (litehtml::element* c : shown) {
      if (c->get_float() != litehtml::float_none) {
        c->draw(hdc, bx, by, &clip);
        c->draw_stacking_context(hdc, bx, by, &clip, false);
      } else if (c->get_display() != litehtml::display_inline_block) {
        c->draw_children(hdc, bx, by, &clip, litehtml::draw_floats, 0);
      }
    }
    for (litehtml::element* c : shown) {
      if (c->get_float() != litehtml::float_none) continue;
      if (c->is_inline_box()) {
        c->draw(hdc, bx, by, &clip);
        if (c->get_display() == litehtml::display_inline_block) {
          c->draw_stacking_context(hdc, bx, by, &clip, false);
          continue;
        }
      }
      if (c->get_display() != litehtml::display_inline_block) c->draw_children(hdc, bx, by, &clip, litehtml::draw_inlines, 0);
    }
    return true;
  }

  // ---- queries ----------------------------------------------------------------------------
  Element* ElementAt(long x, long y, long scrollX, long scrollY) const {
    // Text fixed in the view first (it stands in front of the page), by the point in the view.
    const long vx = x - scrollX, vy = y - scrollY;
    for (int pass = hasFixed_ ? 0 : 1; pass < 2; ++pass) {
      const bool fixed = pass == 0;
      const long px = fixed ? vx : x, py = fixed ? vy : y;
      for (const TextBox& t : boxes_) {
        if (t.fixed == fixed && t.node && px >= t.box.left && px < t.box.right && py >= t.box.top &&
            py < t.box.bottom && t.node->parent())
          return t.node->parent();
      }
    }
    if (page_ && page_->root()) {
      litehtml::element::ptr el = page_->root()->get_element_by_point(int(x), int(y), int(vx), int(vy));
      for (litehtml::element* e = el.get(); e; e = e->parent().get()) {
        auto it = ourOf_.find(e);
        if (it != ourOf_.end()) return it->second;
      }
    }
    return doc_->body();
  }

  bool BoxOf(const Element* element, RECT& box) const {
    auto it = lhOf_.find(element);
    if (it == lhOf_.end()) return false;
    litehtml::element* el = it->second;
    // The border box: litehtml places an element by its content box.
    litehtml::position p = el->get_placement();
    box = RECT{p.x - el->padding_left() - el->border_left(), p.y - el->padding_top() - el->border_top(),
               p.right() + el->padding_right() + el->border_right(),
               p.bottom() + el->padding_bottom() + el->border_bottom()};
    if (el->get_display() == litehtml::display_inline) {
      litehtml::position::vector parts;
      el->get_inline_boxes(parts);
      // Inline boxes are relative to the content box of the block that holds the element.
      litehtml::element::ptr holder = el->parent();
      while (holder && holder->get_display() == litehtml::display_inline) holder = holder->parent();
      if (!parts.empty() && holder) {
        litehtml::position hp = holder->get_placement();
        RECT u{parts[0].x, parts[0].y, parts[0].right(), parts[0].bottom()};
        for (const auto& q : parts) {
          u.left = std::min<LONG>(u.left, q.x);
          u.top = std::min<LONG>(u.top, q.y);
          u.right = std::max<LONG>(u.right, q.right());
          u.bottom = std::max<LONG>(u.bottom, q.bottom());
        }
        OffsetRect(&u, hp.x, hp.y);
        box = u;
      }
    }
    return true;
  }

  const std::vector<TextBox>& texts() const { return boxes_; }

  size_t ModelOffset(const Node* node, size_t offset) const {
    const TextModel& model = doc_->Text();
    auto it = segmentsOf_.find(node);
    if (it == segmentsOf_.end()) return model.length();
    const auto& segs = model.segments();
    size_t best = std::string::npos;
    for (size_t index : it->second) {
      const TextModel::Segment& s = segs[index];
      if (s.kind == TextModel::Kind::Verbatim) {
        if (offset < s.from) return best == std::string::npos ? s.start : best;
        if (offset <= s.from + s.length) return s.start + (offset - s.from);
        best = s.start + s.length;
      } else if (s.kind == TextModel::Kind::Collapsed) {
        if (offset <= s.from) return best == std::string::npos ? s.start : best;
        if (offset < s.to) return s.start;
        best = s.start + s.length;
      }
    }
    return best == std::string::npos ? model.length() : best;
  }

  size_t OffsetAt(long x, long y) const {
    // The text piece on the line under the point, else the nearest piece above or below.
    const TextBox* hit = nullptr;
    long bestDistance = 0;
    bool sameLine = false;
    for (const TextBox& t : boxes_) {
      if (!t.node) continue;
      const bool onLine = y >= t.box.top && y < t.box.bottom;
      long dx = x < t.box.left ? t.box.left - x : x >= t.box.right ? x - t.box.right + 1 : 0;
      long dy = y < t.box.top ? t.box.top - y : y >= t.box.bottom ? y - t.box.bottom + 1 : 0;
      if (onLine) {
        if (!sameLine || dx < bestDistance) {
          hit = &t;
          bestDistance = dx;
          sameLine = true;
        }
      } else if (!sameLine) {
        long d = dy * 4096 + dx;
        if (!hit || d < bestDistance) {
          hit = &t;
          bestDistance = d;
        }
      }
    }
    if (!hit) return x <= 0 && y <= 0 ? 0 : doc_->Text().length();
    const size_t index = size_t(hit - boxes_.data());
    size_t k = 0;
    if (!sameLine && y < hit->box.top) {
      k = 0;
    } else if (!sameLine) {
      k = hit->text.size();
    } else {
      k = CharAt(index, x - hit->box.left);
    }
    return ModelOffset(hit->node, hit->offset + k);
  }

  // ---- document_container -----------------------------------------------------------------
  litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight, litehtml::font_style italic,
                                 unsigned int decoration, litehtml::font_metrics* fm) override {
    LOGFONTW lf{};
    const int px = std::max(1, MulDiv(size, ZoomPercent(media_.zoom), 100));
    lf.lfHeight = -px;
    lf.lfWeight = weight;
    lf.lfItalic = italic == litehtml::fontStyleItalic;
    lf.lfUnderline = (decoration & litehtml::font_decoration_underline) != 0;
    lf.lfStrikeOut = (decoration & litehtml::font_decoration_linethrough) != 0;
    std::u16string face = FaceFor(faceName ? faceName : "");
    for (size_t i = 0; i < face.size() && i + 1 < LF_FACESIZE; ++i) lf.lfFaceName[i] = face[i];
    auto* font = new Font;
    font->handle = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(measure_, font->handle);
    TEXTMETRICW tm{};
    GetTextMetricsW(measure_, &tm);
    SelectObject(measure_, old);
    font->ascent = tm.tmAscent;
    font->descent = tm.tmDescent;
    font->height = tm.tmHeight;
    if (fm) {
      fm->ascent = tm.tmAscent;
      fm->descent = tm.tmDescent;
      fm->height = tm.tmHeight + tm.tmExternalLeading;
      fm->x_height = std::max(1, tm.tmAscent / 2);
      fm->draw_spaces = lf.lfUnderline || lf.lfStrikeOut;
    }
    return reinterpret_cast<litehtml::uint_ptr>(font);
  }

  void delete_font(litehtml::uint_ptr hFont) override {
    auto* font = reinterpret_cast<Font*>(hFont);
    if (!font) return;
    if (font->handle) DeleteObject(font->handle);
    delete font;
  }

  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) override {
    auto* font = reinterpret_cast<Font*>(hFont);
    if (!font || !text) return 0;
    auto it = font->widths.find(text);
    if (it != font->widths.end()) return it->second;
    std::u16string wide = nux::FromUtf8(text);
    int w = Measure(font, wide);
    font->widths.emplace(text, w);
    return w;
  }

  void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                 litehtml::web_color color, const litehtml::position& pos) override {
    auto* font = reinterpret_cast<Font*>(hFont);
    HDC dc = reinterpret_cast<HDC>(hdc);
    if (!font || !text || !*text) return;
    std::u16string wide = nux::FromUtf8(text);
    HGDIOBJ old = SelectObject(dc, font->handle);
    SetTextColor(dc, Colour(color));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, pos.x, pos.y, wide.c_str(), int(wide.size()));
    SelectObject(dc, old);
  }

  int pt_to_px(int pt) const override { return MulDiv(pt, 96, 72); }
  int get_default_font_size() const override { return 16; }
  const litehtml::tchar_t* get_default_font_name() const override { return "Times New Roman"; }

  void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override {
    HDC dc = reinterpret_cast<HDC>(hdc);
    if (!marker.image.empty()) {
      const Picture* p = PictureFor(marker.image, marker.baseurl ? marker.baseurl : "");
      if (p && p->ok) {
        DrawPicture(dc, *p, marker.pos.x, marker.pos.y, p->width, p->height);
        return;
      }
    }
    const litehtml::position& r = marker.pos;
    const COLORREF c = Colour(marker.color);
    switch (marker.marker_type) {
      case litehtml::list_style_type_none:
        return;
      case litehtml::list_style_type_square:
        FillSolid(dc, r.x, r.y, r.right(), r.bottom(), c);
        return;
      case litehtml::list_style_type_circle:
      case litehtml::list_style_type_disc: {
        // A round dot (or ring) in the marker's box, drawn scan line by scan line.
        const double radius = std::min(r.width, r.height) / 2.0;
        const double cx = r.x + r.width / 2.0, cy = r.y + r.height / 2.0;
        const double inner = marker.marker_type == litehtml::list_style_type_circle ? std::max(0.0, radius - 1.2) : -1;
        for (int py = r.y; py < r.bottom(); ++py) {
          const double dy = py + 0.5 - cy;
          for (int px = r.x; px < r.right(); ++px) {
            const double dx = px + 0.5 - cx;
            const double d2 = dx * dx + dy * dy;
            if (d2 <= radius * radius && (inner < 0 || d2 >= inner * inner)) FillSolid(dc, px, py, px + 1, py + 1, c);
          }
        }
        return;
      }
      default: {
        // Numbered markers: the number and a full stop, right-aligned before the item.
        auto* font = reinterpret_cast<Font*>(marker.font);
        if (!font) return;
        std::u16string label = nux::FromUtf8(std::to_string(marker.index) + ".");
        int w = Measure(font, label);
        HGDIOBJ old = SelectObject(dc, font->handle);
        SetTextColor(dc, c);
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, r.right() - w, r.y + r.height / 2 - font->height / 2, label.c_str(), int(label.size()));
        SelectObject(dc, old);
      }
    }
  }

  void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, bool) override {
    if (src) PictureFor(src, baseurl ? baseurl : "");
  }

  void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl, litehtml::size& sz) override {
    const Picture* p = src ? PictureFor(src, baseurl ? baseurl : "") : nullptr;
    sz.width = p && p->ok ? p->width : 0;
    sz.height = p && p->ok ? p->height : 0;
  }

  void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override {
    HDC dc = reinterpret_cast<HDC>(hdc);
    const litehtml::position& c = bg.clip_box;
    if (bg.color.alpha > 0) FillSolid(dc, c.x, c.y, c.right(), c.bottom(), Colour(bg.color));
    if (bg.image.empty()) return;
    const Picture* p = PictureFor(bg.image, bg.baseurl);
    if (!p || !p->ok) return;
    int w = bg.image_size.width > 0 ? bg.image_size.width : p->width;
    int h = bg.image_size.height > 0 ? bg.image_size.height : p->height;
    if (w <= 0 || h <= 0) return;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, c.x, c.y, c.right(), c.bottom());
    int x0 = bg.position_x, y0 = bg.position_y;
    const bool rx = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_x;
    const bool ry = bg.repeat == litehtml::background_repeat_repeat || bg.repeat == litehtml::background_repeat_repeat_y;
    if (rx) x0 = c.x - ((c.x - x0) % w + w) % w;
    if (ry) y0 = c.y - ((c.y - y0) % h + h) % h;
    for (int ty = y0; ty < c.bottom() && (ry || ty == y0); ty += h)
      for (int tx = x0; tx < c.right() && (rx || tx == x0); tx += w) DrawPicture(dc, *p, tx, ty, w, h);
    RestoreDC(dc, saved);
  }

  void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& b, const litehtml::position& pos, bool) override {
    HDC dc = reinterpret_cast<HDC>(hdc);
    const int l = pos.x, t = pos.y, r = pos.right(), btm = pos.bottom();
    auto side = [&](const litehtml::border& s, int x0, int y0, int x1, int y1, bool horizontal) {
      if (s.width <= 0 || s.style == litehtml::border_style_none || s.style == litehtml::border_style_hidden) return;
      const COLORREF colour = Colour(s.color);
      if (s.style == litehtml::border_style_dotted || s.style == litehtml::border_style_dashed) {
        const int dash = s.style == litehtml::border_style_dotted ? s.width : s.width * 3;
        const int length = horizontal ? x1 - x0 : y1 - y0;
        for (int at = 0; at < length; at += dash * 2) {
          if (horizontal)
            FillSolid(dc, x0 + at, y0, std::min(x1, x0 + at + dash), y1, colour);
          else
            FillSolid(dc, x0, y0 + at, x1, std::min(y1, y0 + at + dash), colour);
        }
        return;
      }
      if (s.style == litehtml::border_style_double && s.width >= 3) {
        const int third = s.width / 3;
        if (horizontal) {
          FillSolid(dc, x0, y0, x1, y0 + third, colour);
          FillSolid(dc, x0, y1 - third, x1, y1, colour);
        } else {
          FillSolid(dc, x0, y0, x0 + third, y1, colour);
          FillSolid(dc, x1 - third, y0, x1, y1, colour);
        }
        return;
      }
      FillSolid(dc, x0, y0, x1, y1, colour);
    };
    side(b.top, l, t, r, t + b.top.width, true);
    side(b.bottom, l, btm - b.bottom.width, r, btm, true);
    side(b.left, l, t, l + b.left.width, btm, false);
    side(b.right, r - b.right.width, t, r, btm, false);
  }

  void set_caption(const litehtml::tchar_t*) override {}
  void set_base_url(const litehtml::tchar_t* base_url) override {
    if (base_url && *base_url) base_ = ResolveUrl(doc_->url(), nux::FromUtf8(base_url));
  }
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t*, const litehtml::element::ptr&) override {}
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override {
    std::u16string wide = nux::FromUtf8(text);
    if (tt == litehtml::text_transform_uppercase) {
      nux::UpperInPlace(wide.data(), wide.size());
    } else if (tt == litehtml::text_transform_lowercase) {
      nux::LowerInPlace(wide.data(), wide.size());
    } else if (tt == litehtml::text_transform_capitalize && !wide.empty()) {
      wide[0] = nux::UpperChar(wide[0]);
    }
    text = nux::ToUtf8(wide);
  }

  void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& baseurl) override {
    std::u16string resolved = ResolveUrl(baseurl.empty() ? base_ : nux::FromUtf8(baseurl), nux::FromUtf8(url));
    std::string bytes;
    if (ReadFileLimited(LinuxPathOf(resolved), bytes)) text = bytes;
    if (ReachesBack(text)) sheetReachesBack_ = true;
    baseurl = nux::ToUtf8(resolved);
  }

  void set_clip(const litehtml::position& pos, const litehtml::border_radiuses&, bool, bool) override {
    clips_.push_back(dc_ ? SaveDC(dc_) : 0);
    if (dc_) IntersectClipRect(dc_, pos.x, pos.y, pos.right(), pos.bottom());
  }
  void del_clip() override {
    if (clips_.empty()) return;
    int saved = clips_.back();
    clips_.pop_back();
    if (dc_ && saved) RestoreDC(dc_, saved);
  }

  void get_client_rect(litehtml::position& client) const override {
    client = litehtml::position(view_.x, view_.y, media_.width, media_.height);
  }
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
                                                    const std::shared_ptr<litehtml::document>&) override {
    return nullptr;
  }
  void get_media_features(litehtml::media_features& m) const override {
    m.type = media_.print ? litehtml::media_type_print : litehtml::media_type_screen;
    m.width = media_.width;
    m.height = media_.height;
    m.device_width = media_.width;
    m.device_height = media_.height;
    m.color = 8;
    m.monochrome = 0;
    m.color_index = 256;
    m.resolution = 96;
  }
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
    language = "en";
    culture = "";
  }

 private:
  // ---- our tree as markup ------------------------------------------------------------------
  // The document's markup, made again only when the document changed since.
  void Serialised() {
    if (serialised_ == doc_->version() && !html_.empty()) return;
    elements_.clear();
    textNodes_.clear();
    cuts_.clear();
    html_.clear();
    html_.reserve(1 << 16);
    bodyEnd_ = 0;
    Serialise(doc_->documentElement(), html_);
    reachesBack_ = ReachesBack(html_);
    // A style sheet in the body (a STYLE element, a LINK to one).
    if (const Element* body = doc_->body()) {
      auto at = std::find(elements_.begin(), elements_.end(), body);
      for (; at != elements_.end() && !reachesBack_; ++at)
        if ((*at)->Is(u"STYLE") || (*at)->Is(u"LINK")) reachesBack_ = true;
    }
    serialised_ = doc_->version();
  }

  // litehtml's document of the markup, mapped onto ours.
  void Create(const LayoutMedia& media, const char* html, bool partial) {
    media_ = media;
    page_.reset();
    boxes_.clear();
    pieces_.clear();
    lhOf_.clear();
    ourOf_.clear();
    segmentsOf_.clear();
    hasFixed_ = false;
    anyPositioned_ = false;
    sheetReachesBack_ = false;
    partial_ = partial;
    firstBottom_ = 0;
    base_ = doc_->url();
    page_ = litehtml::document::createFromUTF8(html, this, &Context());
    if (!page_) return;
    MapTree();
    // The canvas takes the root's background, or the body's when the root has none.
    canvas_ = RGB(255, 255, 255);
    for (const Element* e : {static_cast<const Element*>(doc_->documentElement()), static_cast<const Element*>(doc_->body())}) {
      auto it = lhOf_.find(e);
      const litehtml::background* bg = it == lhOf_.end() ? nullptr : it->second->get_background(true);
      if (bg && bg->m_color.alpha > 0) {
        canvas_ = Colour(bg->m_color);
        break;
      }
    }
  }

  // Where the last block of a first part starts: everything above it stands where it stands
  // on the whole page (what follows a block never moves it; the line boxes of inline content
  // after the last block may still grow).
  long FirstPartBottom() const {
    auto it = lhOf_.find(doc_->body());
    if (it == lhOf_.end()) return 0;
    litehtml::element* body = it->second;
    const litehtml::position bp = body->get_placement();
    for (size_t i = body->get_children_count(); i-- > 0;) {
      litehtml::element::ptr c = body->get_child(int(i));
      if (!c || c->is_inline_box() || c->get_display() == litehtml::display_none || c->skip()) continue;
      return bp.y + c->get_position().y - c->margin_top() - c->padding_top() - c->border_top();
    }
    return 0;
  }

  void Serialise(const Element* root, std::string& out) {
    struct Frame {
      const Element* element;
      size_t next;
    };
    std::vector<Frame> stack;
    const Element* body = doc_->body();
    auto open = [&](const Element* e) {
      std::u16string tag = nux::ToLower(e->tagName());
      out += '<';
      out += nux::ToUtf8(tag);
      for (const Attribute& a : e->attributes()) {
        if (!PlainName(a.name)) continue;
        out += ' ';
        out += nux::ToUtf8(nux::ToLower(a.name));
        out += "=\"";
        AppendEscaped(out, a.value, true);
        out += '"';
      }
      out += ' ';
      out += kMarker;
      out += "=\"";
      out += std::to_string(elements_.size());
      out += "\">";
      elements_.push_back(const_cast<Element*>(e));
      // The parser drops a line break just after these start tags: keep one that is text.
      if ((e->Is(u"PRE") || e->Is(u"LISTING") || e->Is(u"TEXTAREA")) && !e->childNodes().empty() &&
          e->childNodes()[0]->IsText() && !e->childNodes()[0]->data().empty() && e->childNodes()[0]->data()[0] == u'\n')
        out += '\n';
    };
    open(root);
    if (IsVoid(root->tagName())) return;
    stack.push_back({root, 0});
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (f.next >= f.element->childNodes().size()) {
        if (f.element == body) bodyEnd_ = out.size();
        out += "</";
        out += nux::ToUtf8(nux::ToLower(f.element->tagName()));
        out += '>';
        stack.pop_back();
        continue;
      }
      // Where each of the body's children starts, and where the body's content ends: a first
      // part of a long page is the markup up to one of these, closed.
      if (f.element == body && (f.next < f.element->childNodes().size())) cuts_.push_back(out.size());
      const Node* child = f.element->childNodes()[f.next++].get();
      if (child->IsText()) {
        textNodes_.push_back(const_cast<Node*>(child));
        if (IsRawText(f.element->tagName()))
          out += nux::ToUtf8(child->data());
        else
          AppendEscaped(out, child->data(), false);
      } else if (const Element* e = child->AsElement()) {
        open(e);
        if (!IsVoid(e->tagName())) stack.push_back({e, 0});
      }
    }
  }

  // ---- litehtml's tree mapped onto ours ------------------------------------------------
  void MapTree() {
    size_t cursorNode = 0, cursorOffset = 0;
    // Each element with whether it stands in an element fixed in the view.
    std::vector<std::pair<litehtml::element*, bool>> stack{{page_->root().get(), false}};
    while (!stack.empty()) {
      auto [el, fixed] = stack.back();
      stack.pop_back();
      if (!el) continue;
      if (el->is_positioned()) {
        anyPositioned_ = true;
        if (el->get_element_position() == litehtml::element_position_fixed) hasFixed_ = fixed = true;
      }
      if (const char* mark = el->get_attr(kMarker)) {
        size_t n = std::strtoul(mark, nullptr, 10);
        if (n < elements_.size()) {
          ourOf_.emplace(el, elements_[n]);
          lhOf_.emplace(elements_[n], el);
        }
      }
      if (auto* text = dynamic_cast<litehtml::el_text*>(el)) {
        litehtml::tstring piece;
        text->get_text(piece);
        TextBox box;
        box.text = nux::FromUtf8(piece);
        box.fixed = fixed;
        MatchPiece(box, cursorNode, cursorOffset);
        boxes_.push_back(std::move(box));
        pieces_.push_back(el);
        continue;
      }
      if (dynamic_cast<litehtml::el_before_after_base*>(el)) continue;  // generated content
      for (size_t i = el->get_children_count(); i-- > 0;) stack.emplace_back(el->get_child(int(i)).get(), fixed);
    }
  }

  // Matches `data` from `offset` against the piece; the count of our units it covers.
  static bool MatchAt(const std::u16string& data, size_t offset, const std::u16string& piece, size_t& used) {
    size_t j = offset;
    for (size_t i = 0; i < piece.size(); ++i) {
      if (j >= data.size()) return false;
      if (piece[i] == data[j]) {
        ++j;
      } else if (piece[i] == u'\n' && data[j] == u'\r') {
        ++j;
        if (j < data.size() && data[j] == u'\n') ++j;
      } else if (piece[i] == 0xFFFD && data[j] == 0) {
        ++j;
      } else {
        return false;
      }
    }
    used = j - offset;
    return true;
  }

  void MatchPiece(TextBox& box, size_t& node, size_t& offset) {
    while (node < textNodes_.size() && offset >= textNodes_[node]->data().size()) {
      ++node;
      offset = 0;
    }
    size_t used = 0;
    if (node < textNodes_.size() && MatchAt(textNodes_[node]->data(), offset, box.text, used)) {
      box.node = textNodes_[node];
      box.offset = offset;
      offset += used;
      return;
    }
    // Text the parser moved or dropped: look a few text nodes further on.
    for (size_t n = node + 1; n < textNodes_.size() && n < node + 16; ++n) {
      if (MatchAt(textNodes_[n]->data(), 0, box.text, used)) {
        box.node = textNodes_[n];
        box.offset = 0;
        node = n;
        offset = used;
        return;
      }
    }
  }

  void IndexText() {
    const TextModel& model = doc_->Text();
    const auto& segs = model.segments();
    for (size_t i = 0; i < segs.size(); ++i)
      if (segs[i].kind != TextModel::Kind::Break && segs[i].node && segs[i].node->IsText())
        segmentsOf_[segs[i].node].push_back(i);
    for (auto& [node, list] : segmentsOf_)
      std::stable_sort(list.begin(), list.end(), [&](size_t a, size_t b) { return segs[a].from < segs[b].from; });
  }

  // ---- measuring -------------------------------------------------------------------------
  int Measure(Font* font, const std::u16string& text) {
    HGDIOBJ old = SelectObject(measure_, font->handle);
    SIZE size{};
    GetTextExtentPoint32W(measure_, text.c_str(), int(text.size()), &size);
    SelectObject(measure_, old);
    return size.cx;
  }

  Font* FontOfPiece(size_t index) const {
    return reinterpret_cast<Font*>(pieces_[index]->get_font());
  }

  // The character boundary nearest to `dx` pixels into the piece.
  size_t CharAt(size_t index, long dx) const {
    const TextBox& t = boxes_[index];
    Font* font = FontOfPiece(index);
    if (!font || dx <= 0) return 0;
    auto* self = const_cast<Impl*>(this);
    int previous = 0;
    for (size_t k = 1; k <= t.text.size(); ++k) {
      int w = self->Measure(font, t.text.substr(0, k));
      if (dx < (previous + w + 1) / 2) return k - 1;
      previous = w;
    }
    return t.text.size();
  }

  void PaintSelection(HDC dc, int ox, int oy, const RECT& clip) {
    TextRange& sel = doc_->Selection();
    const size_t s = sel.start(), e = sel.end();
    const COLORREF back = GetSysColor(COLOR_HIGHLIGHT), fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
    for (size_t i = 0; i < boxes_.size(); ++i) {
      const TextBox& t = boxes_[i];
      if (!t.node || t.text.empty()) continue;
      if (t.box.bottom + oy <= clip.top || t.box.top + oy >= clip.bottom) continue;
      if (ModelOffset(t.node, t.offset + t.text.size()) <= s || ModelOffset(t.node, t.offset) >= e) continue;
      size_t k0 = 0, k1 = t.text.size();
      while (k0 < k1 && ModelOffset(t.node, t.offset + k0 + 1) <= s) ++k0;
      while (k1 > k0 && ModelOffset(t.node, t.offset + k1 - 1) >= e) --k1;
      if (k0 >= k1) continue;
      Font* font = FontOfPiece(i);
      if (!font) continue;
      const int x0 = k0 ? Measure(font, t.text.substr(0, k0)) : 0;
      const int x1 = Measure(font, t.text.substr(0, k1));
      const int left = t.box.left + ox + x0, top = t.box.top + oy;
      FillSolid(dc, left, top, t.box.left + ox + x1, t.box.bottom + oy, back);
      std::u16string part = t.text.substr(k0, k1 - k0);
      HGDIOBJ old = SelectObject(dc, font->handle);
      SetTextColor(dc, fore);
      SetBkMode(dc, TRANSPARENT);
      TextOutW(dc, left, top, part.c_str(), int(part.size()));
      SelectObject(dc, old);
    }
  }

  // ---- pictures ----------------------------------------------------------------------------
  std::string LinuxPathOf(const std::u16string& url) const {
    if (url.size() < 5 || nux::ToLower(url.substr(0, 5)) != u"file:") return {};
    std::u16string path = PathFromFileUrl(url);
    return path.empty() ? std::string() : nux::fs::ToLinuxPath(path);
  }

  const Picture* PictureFor(const std::string& src, const std::string& baseurl) {
    std::u16string url = ResolveUrl(baseurl.empty() ? base_ : nux::FromUtf8(baseurl), nux::FromUtf8(src));
    auto it = pictures_.find(url);
    if (it != pictures_.end()) return &it->second;
    Picture& p = pictures_[url];
    std::string bytes;
    nux::gdi::Surface surface;
    if (!ReadFileLimited(LinuxPathOf(url), bytes) || !nux::gdi::DecodeImage(bytes.data(), bytes.size(), surface) ||
        surface.empty())
      return &p;
    for (int y = 0; y < surface.height(); ++y) {
      uint32_t* row = surface.row(y);
      for (int x = 0; x < surface.width(); ++x) {
        uint32_t c = row[x], a = c >> 24;
        if (a == 255) continue;
        auto mul = [a](uint32_t v) { return (v * a + 127) / 255; };
        row[x] = (a << 24) | (mul((c >> 16) & 0xFF) << 16) | (mul((c >> 8) & 0xFF) << 8) | mul(c & 0xFF);
      }
    }
    p.bitmap = nux::gdi::CreateBitmapFromSurface(surface);
    p.width = surface.width();
    p.height = surface.height();
    p.ok = p.bitmap != nullptr;
    return &p;
  }

  void DrawPicture(HDC dc, const Picture& p, int x, int y, int w, int h) {
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, p.bitmap);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, w, h, src, 0, 0, p.width, p.height, blend);
    SelectObject(src, old);
    DeleteDC(src);
  }

  Document* doc_;
  LayoutMedia media_;
  HDC measure_ = nullptr;
  HDC dc_ = nullptr;  // the DC being painted
  POINT view_{0, 0};  // where the view's top left corner is in it
  bool paintByBlocks_ = true;
  std::vector<int> clips_;
  std::u16string base_;
  COLORREF canvas_ = RGB(255, 255, 255);
  bool anyPositioned_ = false;  // an element of the page is positioned
  bool reachesBack_ = false;      // what follows in the markup may change what stands before it
  bool sheetReachesBack_ = false; // so may a style sheet the page pulled in
  bool hasFixed_ = false;       // an element stands fixed in the view
  uint64_t serialised_ = 0;      // the document version of html_
  std::string html_;
  std::vector<size_t> cuts_;     // where each of the body's children starts in html_
  size_t bodyEnd_ = 0;           // where the body's content ends
  bool partial_ = false;         // page_ holds a first part only
  long firstBottom_ = 0;
  std::vector<int> reach_;       // the lowest point of the body's children up to each
  std::vector<int> ownReach_;    // the lowest point of each child of the body
  litehtml::document::ptr page_;
  std::vector<Element*> elements_;  // by marker number
  std::vector<Node*> textNodes_;    // in markup order
  std::vector<TextBox> boxes_;
  std::vector<litehtml::element*> pieces_;  // litehtml's text element of each box
  std::unordered_map<const litehtml::element*, Element*> ourOf_;
  std::unordered_map<const Element*, litehtml::element*> lhOf_;
  std::unordered_map<const Node*, std::vector<size_t>> segmentsOf_;
  std::unordered_map<std::u16string, Picture> pictures_;
};

PageLayout::PageLayout(Document* doc) : doc_(doc), impl_(std::make_unique<Impl>(doc)) {}
PageLayout::~PageLayout() = default;

bool PageLayout::valid() const { return drawable() && !impl_->partial(); }

bool PageLayout::drawable() const { return laidOut_ != 0 && laidOut_ == doc_->version() && impl_->ready(); }

bool PageLayout::partial() const { return drawable() && impl_->partial(); }

bool PageLayout::hasFixed() const { return drawable() && impl_->hasFixed(); }

void PageLayout::SetPaintByBlocks(bool on) { impl_->SetPaintByBlocks(on); }

long PageLayout::firstPartBottom() const { return partial() ? impl_->firstBottom() : contentHeight(); }

bool PageLayout::Update(const LayoutMedia& media) {
  if (!doc_->documentElement()) return false;
  const bool rebuild = laidOut_ != doc_->version() || media.zoom != media_.zoom || media.print != media_.print ||
                       !impl_->ready() || impl_->partial();
  if (rebuild) impl_->Build(media);
  if (rebuild || media.width != media_.width || media.height != media_.height) {
    impl_->Render(media);
    ++layouts_;
  }
  media_ = media;
  laidOut_ = doc_->version();
  return impl_->ready();
}

bool PageLayout::UpdateFirst(const LayoutMedia& media, long bottom) {
  if (!doc_->documentElement()) return false;
  const bool same = laidOut_ == doc_->version() && media.width == media_.width && media.height == media_.height &&
                    media.zoom == media_.zoom && media.print == media_.print && impl_->ready();
  if (same && (!impl_->partial() || impl_->firstBottom() >= bottom)) return true;
  if (!media.print && impl_->BuildFirst(media, bottom)) {
    ++layouts_;
    media_ = media;
    laidOut_ = doc_->version();
    return true;
  }
  return Update(media);
}

int PageLayout::contentWidth() const {
  if (impl_->partial()) const_cast<PageLayout*>(this)->Update(media_);
  return std::max(media_.width, impl_->width());
}

int PageLayout::contentHeight() const {
  if (impl_->partial()) const_cast<PageLayout*>(this)->Update(media_);
  return std::max(media_.height, impl_->height());
}

void PageLayout::Paint(HDC dc, int x, int y, long scrollX, long scrollY, const RECT& clip, bool selection) {
  // A first part paints what lies above its bottom; below it, or with a selection to show,
  // the page is laid out whole first.
  const bool first = partial() && scrollY + (clip.bottom - y) <= impl_->firstBottom() &&
                     !(selection && doc_->HasSelection());
  if (!valid() && !first) Update(media_);
  impl_->Paint(dc, x, y, scrollX, scrollY, clip, selection);
}

Element* PageLayout::ElementAt(long x, long y, long scrollX, long scrollY) const {
  if (!valid()) const_cast<PageLayout*>(this)->Update(media_);
  return impl_->ElementAt(x, y, scrollX, scrollY);
}

Element* PageLayout::LinkAt(long x, long y, long scrollX, long scrollY) const {
  for (Element* e = ElementAt(x, y, scrollX, scrollY); e; e = e->parent())
    if ((e->Is(u"A") || e->Is(u"AREA")) && e->FindAttribute(u"href")) return e;
  return nullptr;
}

size_t PageLayout::OffsetAt(long x, long y) const {
  if (!valid()) const_cast<PageLayout*>(this)->Update(media_);
  return impl_->OffsetAt(x, y);
}

bool PageLayout::BoxOf(const Element* element, RECT& box) const {
  if (!valid()) const_cast<PageLayout*>(this)->Update(media_);
  return impl_->BoxOf(element, box);
}

const std::vector<TextBox>& PageLayout::texts() const {
  if (!valid()) const_cast<PageLayout*>(this)->Update(media_);
  return impl_->texts();
}

size_t PageLayout::ModelOffset(const Node* node, size_t offset) const {
  if (!valid()) const_cast<PageLayout*>(this)->Update(media_);
  return impl_->ModelOffset(node, offset);
}

}  // namespace nux::browser
