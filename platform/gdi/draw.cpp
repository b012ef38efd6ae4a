// Pixels, lines, rectangles, fills and regions drawn through a DC's clip.
#include <algorithm>
#include <cstdlib>

#include "gdi/gdi_internal.h"

namespace nux::gdi::detail {

uint32_t Rop3(DWORD rop, uint32_t p, uint32_t s, uint32_t d) {
  const unsigned index = (rop >> 16) & 0xFF;
  switch (index) {
    case 0xCC: return s;
    case 0xF0: return p | 0xFF000000u;
    case 0x00: return 0xFF000000u;
    case 0xFF: return 0xFFFFFFFFu;
    case 0x88: return (s & d) | 0xFF000000u;
    case 0xEE: return (s | d) | 0xFF000000u;
    case 0x66: return (s ^ d) | 0xFF000000u;
    case 0x55: return ~d | 0xFF000000u;
    case 0xAA: return d;
    default: break;
  }
  uint32_t r = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!((index >> i) & 1)) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r | 0xFF000000u;
}

uint32_t Rop2(int mode, uint32_t pen, uint32_t d) {
  const unsigned index = static_cast<unsigned>(mode - 1) & 0xF;
  if (index == 12) return pen | 0xFF000000u;
  uint32_t r = 0;
  for (unsigned i = 0; i < 4; ++i) {
    if (!((index >> i) & 1)) continue;
    r |= ((i & 2) ? pen : ~pen) & ((i & 1) ? d : ~d);
  }
  return r | 0xFF000000u;
}

bool RopUsesSource(DWORD rop) {
  unsigned i = (rop >> 16) & 0xFF;
  return ((i >> 2) & 0x33) != (i & 0x33);
}

bool RopUsesPattern(DWORD rop) {
  unsigned i = (rop >> 16) & 0xFF;
  return ((i >> 4) & 0x0F) != (i & 0x0F);
}

uint32_t BrushPixel(const BrushObj* brush, const DCObj& dc, int x, int y) {
  if (!brush) return 0xFFFFFFFFu;
  if (brush->pattern) {
    const Surface& p = *brush->pattern;
    POINT o = dc.deviceOrigin();
    int px = (x - o.x - dc.st.brushOrg.x) % p.width();
    int py = (y - o.y - dc.st.brushOrg.y) % p.height();
    if (px < 0) px += p.width();
    if (py < 0) py += p.height();
    return p.row(py)[px] | 0xFF000000u;
  }
  COLORREF c = brush->dcBrush ? dc.st.dcBrushColor : brush->log.lbColor;
  return ArgbFromColorref(c);
}

void FillSurfaceRect(DCObj& dc, RECT r, const BrushObj* brush, DWORD rop) {
  Surface* s = dc.surface();
  if (!s || IsEmpty(r)) return;
  if (brush && brush->log.lbStyle == BS_NULL && RopUsesPattern(rop)) return;
  const bool solid = !brush || !brush->pattern;
  const uint32_t solidColor = solid ? BrushPixel(brush, dc, 0, 0) : 0;
  for (const RECT& c : dc.visible().rects()) {
    if (c.top >= r.bottom) break;
    RECT q = Intersect(r, c);
    if (IsEmpty(q)) continue;
    for (int y = q.top; y < q.bottom; ++y) {
      uint32_t* row = s->row(y);
      if (solid && rop == PATCOPY) {
        std::fill(row + q.left, row + q.right, solidColor);
        continue;
      }
      for (int x = q.left; x < q.right; ++x) {
        uint32_t p = solid ? solidColor : BrushPixel(brush, dc, x, y);
        row[x] = Rop3(rop, p, 0, row[x]);
      }
    }
  }
}

}  // namespace nux::gdi::detail

using namespace nux::gdi::detail;
using nux::gdi::Surface;

namespace {

// A brush handle or a system colour index + 1.
const BrushObj* ResolveBrush(HBRUSH handle, BrushObj& temp) {
  auto value = reinterpret_cast<uintptr_t>(handle);
  if (value > 0 && value <= 64) {
    temp.log = {BS_SOLID, SysColor(static_cast<int>(value - 1)), 0};
    return &temp;
  }
  return Lookup<BrushObj>(handle, OBJ_BRUSH);
}

// Surface rectangle of logical coordinates, normalised.
RECT ToSurface(const DCObj& dc, int l, int t, int r, int b) {
  return RECT{dc.sx(std::min(l, r)), dc.sy(std::min(t, b)), dc.sx(std::max(l, r)),
              dc.sy(std::max(t, b))};
}

// Plots one pen pixel (surface coordinates) with the DC's ROP2.
void PlotPen(DCObj& dc, Surface& s, int x, int y, uint32_t pen) {
  if (x < 0 || y < 0 || x >= s.width() || y >= s.height()) return;
  if (!dc.visible().contains(x, y)) return;
  uint32_t& d = s.row(y)[x];
  d = Rop2(dc.st.rop2, pen, d);
}

// Fills a surface rectangle with a pen colour through the clip, with the DC's ROP2.
void FillPenRect(DCObj& dc, RECT r, uint32_t pen) {
  Surface* s = dc.surface();
  if (!s || IsEmpty(r)) return;
  for (const RECT& c : dc.visible().rects()) {
    if (c.top >= r.bottom) break;
    RECT q = Intersect(r, c);
    for (int y = q.top; y < q.bottom; ++y) {
      uint32_t* row = s->row(y);
      if (dc.st.rop2 == R2_COPYPEN) {
        std::fill(row + q.left, row + q.right, pen | 0xFF000000u);
      } else {
        for (int x = q.left; x < q.right; ++x) row[x] = Rop2(dc.st.rop2, pen, row[x]);
      }
    }
  }
}

// Dash patterns of cosmetic pens (on, off, on, off ... in pixels).
std::vector<int> DashPattern(UINT style) {
  switch (style & PS_STYLE_MASK) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

// A line in surface coordinates from (x0, y0) to (x1, y1), the end point excluded.
void DrawLine(DCObj& dc, int x0, int y0, int x1, int y1) {
  Surface* s = dc.surface();
  PenObj* pen = dc.st.pen;
  if (!s || !pen || (pen->log.lopnStyle & PS_STYLE_MASK) == PS_NULL) return;
  const uint32_t color = nux::gdi::ArgbFromColorref(PenColor(dc));
  const uint32_t bk = nux::gdi::ArgbFromColorref(dc.st.bkColor);
  const int width = std::max<int>(1, pen->log.lopnWidth.x);
  const std::vector<int> dashes = width == 1 ? DashPattern(pen->log.lopnStyle) : std::vector<int>{};
  int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
  int steps = std::max(dx, dy);
  int dashIndex = 0, dashLeft = dashes.empty() ? 0 : dashes[0];
  for (int i = 0; i < steps; ++i) {
    int x, y;
    // Points on the major axis step by one; the minor coordinate is rounded.
    if (dx >= dy) {
      x = x0 + i * stepX;
      y = y0 + stepY * static_cast<int>((static_cast<int64_t>(2) * i * dy + dx) / (2 * dx));
    } else {
      y = y0 + i * stepY;
      x = x0 + stepX * static_cast<int>((static_cast<int64_t>(2) * i * dx + dy) / (2 * dy));
    }
    bool on = true;
    if (!dashes.empty()) {
      on = (dashIndex % 2) == 0;
      if (--dashLeft == 0) {
        dashIndex = (dashIndex + 1) % static_cast<int>(dashes.size());
        dashLeft = dashes[dashIndex];
      }
      if (!on && dc.st.bkMode == TRANSPARENT) continue;
    }
    if (width == 1) {
      PlotPen(dc, *s, x, y, on ? color : bk);
    } else {
      int h = width / 2;
      FillPenRect(dc, RECT{x - h, y - h, x - h + width, y - h + width}, color);
    }
  }
}

}  // namespace

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  Surface* s = dc->surface();
  int px = dc->sx(x), py = dc->sy(y);
  if (!s || !dc->visible().contains(px, py)) return CLR_INVALID;
  s->row(py)[px] = nux::gdi::ArgbFromColorref(color);
  return color & 0x00FFFFFF;
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
  return SetPixel(hdc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  Surface* s = dc->surface();
  int px = dc->sx(x), py = dc->sy(y);
  if (!s || !dc->visible().contains(px, py)) return CLR_INVALID;
  return s->colorAt(px, py);
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->st.pos;
  dc->st.pos = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT position) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || !position) return FALSE;
  *position = dc->st.pos;
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  DrawLine(*dc, dc->sx(dc->st.pos.x), dc->sy(dc->st.pos.y), dc->sx(x), dc->sy(y));
  dc->st.pos = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || !points || count < 2) return FALSE;
  POINT saved = dc->st.pos;
  MoveToEx(hdc, points[0].x, points[0].y, nullptr);
  for (int i = 1; i < count; ++i) LineTo(hdc, points[i].x, points[i].y);
  // Polyline neither uses nor moves the current position.
  dc->st.pos = saved;
  return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  RECT r = ToSurface(*dc, left, top, right, bottom);
  PenObj* pen = dc->st.pen;
  const BrushObj* brush = dc->st.brush;
  const bool noPen = !pen || (pen->log.lopnStyle & PS_STYLE_MASK) == PS_NULL;
  auto fillInterior = [&](RECT in) {
    if (!brush || brush->log.lbStyle == BS_NULL || IsEmpty(in)) return;
    if (dc->st.rop2 == R2_COPYPEN) {
      FillSurfaceRect(*dc, in, brush);
    } else if (!brush->pattern) {
      FillPenRect(*dc, in, BrushPixel(brush, *dc, 0, 0));
    }
  };
  if (noPen) {
    // Without a pen the filled area is one pixel smaller on the right and at the bottom.
    fillInterior(RECT{r.left, r.top, r.right - 1, r.bottom - 1});
    return TRUE;
  }
  const int w = std::max<int>(1, pen->log.lopnWidth.x);
  RECT outer = r;
  if ((pen->log.lopnStyle & PS_STYLE_MASK) != PS_INSIDEFRAME) {
    int inset = w / 2;
    outer = RECT{r.left - inset, r.top - inset, r.right + (w - 1 - inset), r.bottom + (w - 1 - inset)};
  }
  if (IsEmpty(outer)) return TRUE;
  RECT inner{outer.left + w, outer.top + w, outer.right - w, outer.bottom - w};
  fillInterior(inner);
  UINT style = pen->log.lopnStyle & PS_STYLE_MASK;
  if (w == 1 && style != PS_SOLID && style != PS_INSIDEFRAME) {
    // Dashed frame: four lines around, clockwise from the top-left corner.
    int l = outer.left, t = outer.top, rr = outer.right - 1, b = outer.bottom - 1;
    DrawLine(*dc, l, t, rr, t);
    DrawLine(*dc, rr, t, rr, b);
    DrawLine(*dc, rr, b, l, b);
    DrawLine(*dc, l, b, l, t);
    return TRUE;
  }
  uint32_t color = nux::gdi::ArgbFromColorref(PenColor(*dc));
  int bw = std::min<int>(w, (outer.bottom - outer.top + 1) / 2);
  int lw = std::min<int>(w, (outer.right - outer.left + 1) / 2);
  FillPenRect(*dc, RECT{outer.left, outer.top, outer.right, outer.top + bw}, color);
  FillPenRect(*dc, RECT{outer.left, std::max(outer.top + bw, outer.bottom - bw), outer.right, outer.bottom}, color);
  FillPenRect(*dc, RECT{outer.left, outer.top + bw, outer.left + lw, outer.bottom - bw}, color);
  FillPenRect(*dc, RECT{std::max(outer.left + lw, outer.right - lw), outer.top + bw, outer.right, outer.bottom - bw}, color);
  return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DCObj* dc = LookupDC(hdc);
  BrushObj temp;
  const BrushObj* b = ResolveBrush(brush, temp);
  if (!dc || !rect || !b) return 0;
  if (rect->left >= rect->right || rect->top >= rect->bottom) return 1;
  FillSurfaceRect(*dc, ToSurface(*dc, rect->left, rect->top, rect->right, rect->bottom), b);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  DCObj* dc = LookupDC(hdc);
  BrushObj temp;
  const BrushObj* b = ResolveBrush(brush, temp);
  if (!dc || !rect || !b) return 0;
  if (rect->left >= rect->right || rect->top >= rect->bottom) return 1;
  RECT r = ToSurface(*dc, rect->left, rect->top, rect->right, rect->bottom);
  FillSurfaceRect(*dc, RECT{r.left, r.top, r.right, r.top + 1}, b);
  FillSurfaceRect(*dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, b);
  FillSurfaceRect(*dc, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, b);
  FillSurfaceRect(*dc, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, b);
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || !rect) return FALSE;
  if (rect->left >= rect->right || rect->top >= rect->bottom) return TRUE;
  FillSurfaceRect(*dc, ToSurface(*dc, rect->left, rect->top, rect->right, rect->bottom), nullptr,
                  DSTINVERT);
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || !rect) return FALSE;
  Surface* s = dc->surface();
  if (!s) return TRUE;
  RECT r = ToSurface(*dc, rect->left, rect->top, rect->right, rect->bottom);
  if (IsEmpty(r)) return TRUE;
  // Every other pixel of the frame inverted; drawing it twice removes it.
  auto flip = [&](int x, int y) {
    if ((((x - r.left) + (y - r.top)) & 1) == 0 && dc->visible().contains(x, y)) {
      uint32_t& p = s->row(y)[x];
      p = (~p & 0x00FFFFFFu) | 0xFF000000u;
    }
  };
  for (int x = r.left; x < r.right; ++x) {
    flip(x, r.top);
    if (r.bottom - 1 > r.top) flip(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    flip(r.left, y);
    if (r.right - 1 > r.left) flip(r.right - 1, y);
  }
  return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  if (RopUsesSource(rop)) return FALSE;
  FillSurfaceRect(*dc, ToSurface(*dc, x, y, x + width, y + height), dc->st.brush, rop);
  return TRUE;
}

static BOOL FillRegion(DCObj* dc, const nux::gdi::Region& region, const BrushObj* brush, DWORD rop) {
  for (const RECT& r : region.rects())
    FillSurfaceRect(*dc, ToSurface(*dc, r.left, r.top, r.right, r.bottom), brush, rop);
  return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush) {
  DCObj* dc = LookupDC(hdc);
  nux::gdi::Region* r = nux::gdi::RegionFromHandle(rgn);
  BrushObj temp;
  const BrushObj* b = ResolveBrush(brush, temp);
  if (!dc || !r || !b) return FALSE;
  return FillRegion(dc, *r, b, PATCOPY);
}

BOOL PaintRgn(HDC hdc, HRGN rgn) {
  DCObj* dc = LookupDC(hdc);
  nux::gdi::Region* r = nux::gdi::RegionFromHandle(rgn);
  if (!dc || !r) return FALSE;
  return FillRegion(dc, *r, dc->st.brush, PATCOPY);
}

BOOL InvertRgn(HDC hdc, HRGN rgn) {
  DCObj* dc = LookupDC(hdc);
  nux::gdi::Region* r = nux::gdi::RegionFromHandle(rgn);
  if (!dc || !r) return FALSE;
  return FillRegion(dc, *r, nullptr, DSTINVERT);
}

BOOL FrameRgn(HDC hdc, HRGN rgn, HBRUSH brush, int width, int height) {
  DCObj* dc = LookupDC(hdc);
  nux::gdi::Region* r = nux::gdi::RegionFromHandle(rgn);
  BrushObj temp;
  const BrushObj* b = ResolveBrush(brush, temp);
  if (!dc || !r || !b || width <= 0 || height <= 0) return FALSE;
  // The frame is the region less its erosion by width x height.
  using nux::gdi::Region;
  Region eroded = *r;
  const int shifts[4][2] = {{width, 0}, {-width, 0}, {0, height}, {0, -height}};
  for (auto& sh : shifts) {
    Region moved = *r;
    moved.offset(sh[0], sh[1]);
    eroded = Region::Combine(eroded, moved, RGN_AND);
  }
  return FillRegion(dc, Region::Combine(*r, eroded, RGN_DIFF), b, PATCOPY);
}
