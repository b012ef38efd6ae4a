// Regions in canonical banded form, and the region handle calls.
#include "gdi/region.h"

#include <algorithm>

#include "gdi/gdi_internal.h"

namespace nux::gdi {

namespace {

using Spans = std::vector<std::pair<LONG, LONG>>;  // sorted, disjoint, non-touching [l, r)

// The x-spans of `rects` (canonical form) inside the band starting at y.
Spans SpansAt(const std::vector<RECT>& rects, LONG y) {
  Spans out;
  for (const RECT& r : rects) {
    if (r.top > y) break;
    if (r.bottom > y) out.emplace_back(r.left, r.right);
  }
  return out;
}

Spans CombineSpans(const Spans& a, const Spans& b, int mode) {
  // Sweep over all span edges; inside-ness of each operand toggles at its edges.
  std::vector<LONG> xs;
  for (auto& s : a) { xs.push_back(s.first); xs.push_back(s.second); }
  for (auto& s : b) { xs.push_back(s.first); xs.push_back(s.second); }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  Spans out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    LONG x = xs[i];
    while (ia < a.size() && a[ia].second <= x) ++ia;
    while (ib < b.size() && b[ib].second <= x) ++ib;
    bool inA = ia < a.size() && a[ia].first <= x;
    bool inB = ib < b.size() && b[ib].first <= x;
    bool in = false;
    switch (mode) {
      case RGN_AND: in = inA && inB; break;
      case RGN_OR: in = inA || inB; break;
      case RGN_XOR: in = inA != inB; break;
      case RGN_DIFF: in = inA && !inB; break;
      default: in = inA; break;
    }
    if (!in) continue;
    if (!out.empty() && out.back().second == x)
      out.back().second = xs[i + 1];
    else
      out.emplace_back(x, xs[i + 1]);
  }
  return out;
}

}  // namespace

Region::Region(const RECT& r) {
  if (r.left < r.right && r.top < r.bottom) rects_.push_back(r);
}

Region Region::Combine(const Region& a, const Region& b, int mode) {
  if (mode == RGN_COPY) return a;
  std::vector<LONG> ys;
  for (const RECT& r : a.rects_) { ys.push_back(r.top); ys.push_back(r.bottom); }
  for (const RECT& r : b.rects_) { ys.push_back(r.top); ys.push_back(r.bottom); }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region out;
  // Rects of the previous band, to merge with an identical following band.
  size_t prevStart = 0, prevCount = 0;
  LONG prevBottom = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    LONG top = ys[i], bottom = ys[i + 1];
    Spans s = CombineSpans(SpansAt(a.rects_, top), SpansAt(b.rects_, top), mode);
    if (s.empty()) { prevCount = 0; continue; }
    bool same = prevCount == s.size() && prevBottom == top;
    for (size_t k = 0; same && k < s.size(); ++k) {
      const RECT& p = out.rects_[prevStart + k];
      same = p.left == s[k].first && p.right == s[k].second;
    }
    if (same) {
      for (size_t k = 0; k < s.size(); ++k) out.rects_[prevStart + k].bottom = bottom;
    } else {
      prevStart = out.rects_.size();
      prevCount = s.size();
      for (auto& sp : s) out.rects_.push_back(RECT{sp.first, top, sp.second, bottom});
    }
    prevBottom = bottom;
  }
  return out;
}

int Region::kind() const {
  if (rects_.empty()) return NULLREGION;
  return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT Region::box() const {
  if (rects_.empty()) return RECT{0, 0, 0, 0};
  RECT b = rects_.front();
  for (const RECT& r : rects_) {
    b.left = std::min(b.left, r.left);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

bool Region::contains(int x, int y) const {
  for (const RECT& r : rects_) {
    if (r.top > y) break;
    if (y < r.bottom && x >= r.left && x < r.right) return true;
  }
  return false;
}

bool Region::intersects(const RECT& q) const {
  if (q.left >= q.right || q.top >= q.bottom) return false;
  for (const RECT& r : rects_) {
    if (r.top >= q.bottom) break;
    if (r.bottom > q.top && r.left < q.right && r.right > q.left) return true;
  }
  return false;
}

void Region::offset(int dx, int dy) {
  for (RECT& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
}

bool Region::operator==(const Region& o) const {
  if (rects_.size() != o.rects_.size()) return false;
  for (size_t i = 0; i < rects_.size(); ++i) {
    const RECT &a = rects_[i], &b = o.rects_[i];
    if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom) return false;
  }
  return true;
}

Region* RegionFromHandle(HRGN rgn) {
  auto* obj = detail::Lookup<detail::RegionObj>(rgn, OBJ_REGION);
  return obj ? &obj->region : nullptr;
}

HRGN CreateRgnFromRegion(const Region& region) {
  auto* obj = new detail::RegionObj();
  obj->region = region;
  return reinterpret_cast<HRGN>(detail::Register(obj));
}

}  // namespace nux::gdi

using nux::gdi::Region;
using nux::gdi::RegionFromHandle;

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  // Windows normalises an inverted rectangle.
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  return nux::gdi::CreateRgnFromRegion(Region(r));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) return nullptr;
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  Region* d = RegionFromHandle(dest);
  Region* a = RegionFromHandle(src1);
  Region* b = mode == RGN_COPY ? a : RegionFromHandle(src2);
  if (!d || !a || !b || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  *d = Region::Combine(*a, *b, mode);
  return d->kind();
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  Region* r = RegionFromHandle(rgn);
  if (!r) return ERROR;
  r->offset(dx, dy);
  return r->kind();
}

int GetRgnBox(HRGN rgn, LPRECT rect) {
  Region* r = RegionFromHandle(rgn);
  if (!r || !rect) return ERROR;
  *rect = r->box();
  return r->kind();
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  Region* r = RegionFromHandle(rgn);
  if (!r) return FALSE;
  *r = Region(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                   std::max(top, bottom)});
  return TRUE;
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  Region* r = RegionFromHandle(rgn);
  return r && r->contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN rgn, const RECT* rect) {
  Region* r = RegionFromHandle(rgn);
  if (!r || !rect) return FALSE;
  RECT q{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
         std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
  return r->intersects(q) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  Region* ra = RegionFromHandle(a);
  Region* rb = RegionFromHandle(b);
  if (!ra || !rb) return ERROR;
  return *ra == *rb ? TRUE : FALSE;
}
