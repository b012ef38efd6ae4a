// Regions: exact unions of rectangles, as the window system's invalid regions and clipping
// need them, and the Win32 region calls on top.
//
// A Region is kept in canonical banded form: horizontal bands sorted top to bottom, each
// band a sorted list of disjoint, non-touching x-spans, and vertically adjacent bands with
// equal spans merged. Two regions covering the same pixels therefore compare equal.
#pragma once

#include <vector>

#include "base/types.h"

// Results of CombineRgn, GetRgnBox, SelectClipRgn and friends.
#ifndef ERROR
#define ERROR 0
#endif
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR

// CombineRgn modes.
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

namespace nux::gdi {

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& r);  // an empty or inverted rectangle gives the empty region

  static Region Combine(const Region& a, const Region& b, int mode);

  bool empty() const { return rects_.empty(); }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int kind() const;
  // Bounding box; all zero when empty.
  RECT box() const;
  bool contains(int x, int y) const;
  // Whether any pixel of `r` lies in the region.
  bool intersects(const RECT& r) const;
  void offset(int dx, int dy);
  // The rectangles, top to bottom, left to right; disjoint.
  const std::vector<RECT>& rects() const { return rects_; }

  void unite(const RECT& r) { *this = Combine(*this, Region(r), RGN_OR); }
  void subtract(const RECT& r) { *this = Combine(*this, Region(r), RGN_DIFF); }
  void intersect(const RECT& r) { *this = Combine(*this, Region(r), RGN_AND); }

  bool operator==(const Region& o) const;
  bool operator!=(const Region& o) const { return !(*this == o); }

 private:
  std::vector<RECT> rects_;
};

// The region behind a handle; null when the handle is not a live region.
Region* RegionFromHandle(HRGN rgn);
// A new region handle holding a copy of `region`.
HRGN CreateRgnFromRegion(const Region& region);

}  // namespace nux::gdi

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
// Replaces `dest` by `src1` combined with `src2` (src2 unused for RGN_COPY). dest may be one
// of the sources. Returns the kind of the result, or ERROR.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
int GetRgnBox(HRGN rgn, LPRECT rect);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* rect);
BOOL EqualRgn(HRGN a, HRGN b);
