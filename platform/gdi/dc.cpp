// Device contexts: creation, state, selection, clipping and coordinate mapping.
#include <algorithm>
#include <cstring>

#include "base/wstr.h"
#include "gdi/gdi_internal.h"

namespace nux::gdi::detail {

namespace {

void HoldState(DCState& st) {
  Select(st.pen);
  Select(st.brush);
  Select(st.font);
  Select(st.bitmap);
  Select(st.palette);
}

void DropState(DCState& st) {
  Deselect(st.pen);
  Deselect(st.brush);
  Deselect(st.font);
  Deselect(st.bitmap);
  Deselect(st.palette);
}

DCObj* NewDC(DCObj::Kind kind) {
  auto* dc = new DCObj(kind);
  dc->st.pen = StockPen(BLACK_PEN);
  dc->st.brush = StockBrush(WHITE_BRUSH);
  dc->st.font = StockFont(SYSTEM_FONT);
  dc->st.palette = StockPalette();
  if (kind == DCObj::Kind::Memory) dc->st.bitmap = StockBitmap();
  HoldState(dc->st);
  Register(dc);
  return dc;
}

}  // namespace

DCObj::~DCObj() {
  DropState(st);
  for (auto& s : saved) DropState(s);
}

Surface* DCObj::surface() const {
  switch (kind) {
    case Kind::Window:
      return target;
    case Kind::Memory:
      return st.bitmap ? &st.bitmap->surface : nullptr;
    default:
      return nullptr;
  }
}

const Region& DCObj::visible() {
  Surface* s = surface();
  int w = s ? s->width() : 0, h = s ? s->height() : 0;
  if (clipValid && w == clipW && h == clipH) return clipCache;
  RECT bounds{0, 0, w, h};
  if (baseClip) bounds = Intersect(bounds, *baseClip);
  Region r(bounds);
  if (systemClip) {
    Region c = *systemClip;
    c.offset(origin.x, origin.y);
    r = Region::Combine(r, c, RGN_AND);
  }
  if (st.clip) {
    Region c = *st.clip;
    POINT o = deviceOrigin();
    c.offset(o.x, o.y);
    r = Region::Combine(r, c, RGN_AND);
  }
  clipCache = std::move(r);
  clipValid = true;
  clipW = w;
  clipH = h;
  return clipCache;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (IsEmpty(r)) return RECT{0, 0, 0, 0};
  return r;
}

}  // namespace nux::gdi::detail

using namespace nux::gdi::detail;

namespace nux::gdi {

HDC CreateSurfaceDC(Surface* surface, POINT origin, const RECT* clip) {
  if (!surface) return nullptr;
  DCObj* dc = NewDC(DCObj::Kind::Window);
  surface->hasDCs_ = true;
  dc->target = surface;
  dc->origin = origin;
  if (clip) dc->baseClip = *clip;
  return reinterpret_cast<HDC>(dc);
}

BOOL SetSurfaceDCSystemRegion(HDC hdc, const Region* region) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || dc->kind != DCObj::Kind::Window) return FALSE;
  if (region)
    dc->systemClip = *region;
  else
    dc->systemClip.reset();
  dc->invalidateClip();
  return TRUE;
}

void DetachSurfaceDCs(Surface* surface) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  ForEachObject([surface](GdiObject* o) {
    if (o->type == OBJ_DC && static_cast<DCObj*>(o)->kind == DCObj::Kind::Window &&
        static_cast<DCObj*>(o)->target == surface) {
      static_cast<DCObj*>(o)->target = nullptr;
      static_cast<DCObj*>(o)->invalidateClip();
    }
  });
}

BOOL SetSurfaceDCPlacement(HDC hdc, POINT origin, const RECT* clip) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || dc->kind != DCObj::Kind::Window) return FALSE;
  dc->origin = origin;
  if (clip)
    dc->baseClip = *clip;
  else
    dc->baseClip.reset();
  dc->invalidateClip();
  return TRUE;
}

Surface* SurfaceOfDC(HDC hdc) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return nullptr;
  if (dc->kind == DCObj::Kind::Memory && dc->st.bitmap == StockBitmap()) return nullptr;
  return dc->surface();
}

Surface* SurfaceOfBitmap(HBITMAP bitmap) {
  auto* b = Lookup<BitmapObj>(bitmap, OBJ_BITMAP);
  return b ? &b->surface : nullptr;
}

}  // namespace nux::gdi

static bool IsDisplay(const std::u16string& driver, const std::u16string& device) {
  auto upper = [](std::u16string s) {
    for (auto& c : s)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return s;
  };
  std::u16string d = upper(driver), v = upper(device);
  return d == u"DISPLAY" || v == u"DISPLAY" || v.rfind(u"\\\\.\\DISPLAY", 0) == 0;
}

static std::u16string W(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }
static std::u16string A(LPCSTR s) {
  std::u16string out;
  if (s)
    for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
  return out;
}

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !LookupDC(hdc)) return nullptr;
  return reinterpret_cast<HDC>(NewDC(DCObj::Kind::Memory));
}

HDC CreateICW(LPCWSTR driver, LPCWSTR device, LPCWSTR, const void*) {
  if (!IsDisplay(W(driver), W(device))) return nullptr;
  return reinterpret_cast<HDC>(NewDC(DCObj::Kind::Info));
}
HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR, const void*) {
  if (!IsDisplay(A(driver), A(device))) return nullptr;
  return reinterpret_cast<HDC>(NewDC(DCObj::Kind::Info));
}
// The display has no pixels of its own here: a display DC measures but draws nothing.
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const void* mode) {
  return CreateICW(driver, device, port, mode);
}
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const void* mode) {
  return CreateICA(driver, device, port, mode);
}

BOOL DeleteDC(HDC hdc) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  Release(dc);
  return TRUE;
}

int SaveDC(HDC hdc) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return 0;
  dc->saved.push_back(dc->st);
  HoldState(dc->saved.back());
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int saved) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  int n = static_cast<int>(dc->saved.size());
  int index = saved < 0 ? n + saved : saved - 1;
  if (index < 0 || index >= n) return FALSE;
  DCState restored = dc->saved[index];  // keeps the references the saved copy held
  for (int i = n - 1; i > index; --i) DropState(dc->saved[i]);
  dc->saved.resize(index);
  DropState(dc->st);
  dc->st = restored;
  dc->invalidateClip();
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return 0;
  nux::gdi::Surface* s = dc->surface();
  SIZE screen = ScreenSize();
  bool display = dc->kind != DCObj::Kind::Memory;
  switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES:
    case DESKTOPHORZRES: return display ? screen.cx : (s ? s->width() : 0);
    case VERTRES:
    case DESKTOPVERTRES: return display ? screen.cy : (s ? s->height() : 0);
    case HORZSIZE: return MulDiv(display ? screen.cx : (s ? s->width() : 0), 254, 960);
    case VERTSIZE: return MulDiv(display ? screen.cy : (s ? s->height() : 0), 254, 960);
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  DCObj* dc = LookupDC(hdc);
  GdiObject* o = LookupAny(object);
  if (!dc || !o) return nullptr;
  auto swap = [&](auto*& slot, auto* obj) -> HGDIOBJ {
    auto* old = slot;
    Select(obj);
    slot = obj;
    Deselect(old);  // the caller's handle to the old object stays valid unless deletion was pending
    return old;
  };
  switch (o->type) {
    case OBJ_PEN: return swap(dc->st.pen, static_cast<PenObj*>(o));
    case OBJ_BRUSH: return swap(dc->st.brush, static_cast<BrushObj*>(o));
    case OBJ_FONT: return swap(dc->st.font, static_cast<FontObj*>(o));
    case OBJ_BITMAP: {
      auto* b = static_cast<BitmapObj*>(o);
      if (dc->kind != DCObj::Kind::Memory) return nullptr;
      if (b == dc->st.bitmap) return b;
      // A bitmap lives in one memory DC at a time.
      if (b->selected > 0 && !b->stock) return nullptr;
      HGDIOBJ old = swap(dc->st.bitmap, b);
      dc->invalidateClip();
      return old;
    }
    case OBJ_REGION: {
      int kind = SelectClipRgn(hdc, static_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(kind));
    }
    default:
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->st.pen;
    case OBJ_BRUSH: return dc->st.brush;
    case OBJ_FONT: return dc->st.font;
    case OBJ_BITMAP: return dc->st.bitmap;
    case OBJ_PAL: return dc->st.palette;
    default: return nullptr;
  }
}

#define DC_SETTER(name, getter, field, type, invalid)  \
  type name(HDC hdc, type value) {                     \
    DCObj* dc = LookupDC(hdc);                         \
    if (!dc) return invalid;                           \
    type old = static_cast<type>(dc->st.field);        \
    dc->st.field = value;                              \
    return old;                                        \
  }                                                    \
  type getter(HDC hdc) {                               \
    DCObj* dc = LookupDC(hdc);                         \
    return dc ? static_cast<type>(dc->st.field) : invalid; \
  }

DC_SETTER(SetTextColor, GetTextColor, textColor, COLORREF, CLR_INVALID)
DC_SETTER(SetBkColor, GetBkColor, bkColor, COLORREF, CLR_INVALID)
DC_SETTER(SetTextAlign, GetTextAlign, textAlign, UINT, 0xFFFFFFFF)

int SetBkMode(HDC hdc, int mode) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->st.bkMode;
  dc->st.bkMode = mode;
  return old;
}
int GetBkMode(HDC hdc) {
  DCObj* dc = LookupDC(hdc);
  return dc ? dc->st.bkMode : 0;
}
int SetROP2(HDC hdc, int mode) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
  int old = dc->st.rop2;
  dc->st.rop2 = mode;
  return old;
}
int GetROP2(HDC hdc) {
  DCObj* dc = LookupDC(hdc);
  return dc ? dc->st.rop2 : 0;
}
int SetStretchBltMode(HDC hdc, int mode) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int old = dc->st.stretchMode;
  dc->st.stretchMode = mode;
  return old;
}
int GetStretchBltMode(HDC hdc) {
  DCObj* dc = LookupDC(hdc);
  return dc ? dc->st.stretchMode : 0;
}

COLORREF SetDCBrushColor(HDC hdc, COLORREF color) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->st.dcBrushColor;
  dc->st.dcBrushColor = color;
  return old;
}
COLORREF SetDCPenColor(HDC hdc, COLORREF color) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->st.dcPenColor;
  dc->st.dcPenColor = color;
  return old;
}

static BOOL SetPoint(HDC hdc, POINT DCState::*field, int x, int y, LPPOINT previous, bool relative) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return FALSE;
  POINT& p = dc->st.*field;
  if (previous) *previous = p;
  if (relative) {
    p.x += x;
    p.y += y;
  } else {
    p = POINT{x, y};
  }
  return TRUE;
}
static BOOL GetPoint(HDC hdc, POINT DCState::*field, LPPOINT out) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->st.*field;
  return TRUE;
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
  return SetPoint(hdc, &DCState::brushOrg, x, y, previous, false);
}
BOOL GetBrushOrgEx(HDC hdc, LPPOINT origin) { return GetPoint(hdc, &DCState::brushOrg, origin); }
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
  return SetPoint(hdc, &DCState::viewportOrg, x, y, previous, false);
}
BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin) { return GetPoint(hdc, &DCState::viewportOrg, origin); }
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT previous) {
  return SetPoint(hdc, &DCState::viewportOrg, dx, dy, previous, true);
}
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
  return SetPoint(hdc, &DCState::windowOrg, x, y, previous, false);
}
BOOL GetWindowOrgEx(HDC hdc, LPPOINT origin) { return GetPoint(hdc, &DCState::windowOrg, origin); }

BOOL LPtoDP(HDC hdc, LPPOINT points, int count) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || (!points && count)) return FALSE;
  for (int i = 0; i < count; ++i) {
    points[i].x += dc->st.viewportOrg.x - dc->st.windowOrg.x;
    points[i].y += dc->st.viewportOrg.y - dc->st.windowOrg.y;
  }
  return TRUE;
}
BOOL DPtoLP(HDC hdc, LPPOINT points, int count) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || (!points && count)) return FALSE;
  for (int i = 0; i < count; ++i) {
    points[i].x -= dc->st.viewportOrg.x - dc->st.windowOrg.x;
    points[i].y -= dc->st.viewportOrg.y - dc->st.windowOrg.y;
  }
  return TRUE;
}

// ---- clipping ------------------------------------------------------------------------

static int VisibleKind(DCObj* dc) { return dc->visible().kind(); }

int ExtSelectClipRgn(HDC hdc, HRGN rgn, int mode) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return ERROR;
  nux::gdi::Region* r = nux::gdi::RegionFromHandle(rgn);
  if (!r) {
    if (mode != RGN_COPY) return ERROR;
    dc->st.clip.reset();
  } else if (mode == RGN_COPY || !dc->st.clip) {
    // Without a clip region, combining is against the whole device.
    if (mode == RGN_COPY || mode == RGN_AND || mode == RGN_OR) {
      if (mode == RGN_OR && !dc->st.clip) {
        // The whole device united with anything stays the whole device.
      } else {
        dc->st.clip = *r;
      }
    } else {
      nux::gdi::Surface* s = dc->surface();
      nux::gdi::Region all(RECT{-0x4000000, -0x4000000, 0x4000000, 0x4000000});
      if (s && dc->kind == DCObj::Kind::Memory) all = nux::gdi::Region(RECT{0, 0, s->width(), s->height()});
      dc->st.clip = nux::gdi::Region::Combine(all, *r, mode);
    }
  } else {
    dc->st.clip = nux::gdi::Region::Combine(*dc->st.clip, *r, mode);
  }
  dc->invalidateClip();
  return VisibleKind(dc);
}

int SelectClipRgn(HDC hdc, HRGN rgn) { return ExtSelectClipRgn(hdc, rgn, RGN_COPY); }

static int ClipWithRect(HDC hdc, int left, int top, int right, int bottom, int mode) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return ERROR;
  POINT pts[2] = {{left, top}, {right, bottom}};
  LPtoDP(hdc, pts, 2);
  RECT r{std::min(pts[0].x, pts[1].x), std::min(pts[0].y, pts[1].y), std::max(pts[0].x, pts[1].x),
         std::max(pts[0].y, pts[1].y)};
  HRGN tmp = CreateRectRgnIndirect(&r);
  int kind = ExtSelectClipRgn(hdc, tmp, mode);
  DeleteObject(tmp);
  return kind;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return ClipWithRect(hdc, left, top, right, bottom, RGN_AND);
}
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return ClipWithRect(hdc, left, top, right, bottom, RGN_DIFF);
}

int GetClipBox(HDC hdc, LPRECT rect) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || !rect) return ERROR;
  const nux::gdi::Region& v = dc->visible();
  RECT b = v.box();
  if (!v.empty()) {
    int dx = dc->sx(0), dy = dc->sy(0);
    b.left -= dx;
    b.right -= dx;
    b.top -= dy;
    b.bottom -= dy;
  }
  *rect = b;
  return v.kind();
}

int GetClipRgn(HDC hdc, HRGN rgn) {
  DCObj* dc = LookupDC(hdc);
  nux::gdi::Region* r = nux::gdi::RegionFromHandle(rgn);
  if (!dc || !r) return -1;
  if (!dc->st.clip) return 0;
  *r = *dc->st.clip;
  return 1;
}

BOOL PtVisible(HDC hdc, int x, int y) {
  DCObj* dc = LookupDC(hdc);
  if (!dc) return -1;
  return dc->visible().contains(dc->sx(x), dc->sy(y)) ? TRUE : FALSE;
}

BOOL RectVisible(HDC hdc, const RECT* rect) {
  DCObj* dc = LookupDC(hdc);
  if (!dc || !rect) return FALSE;
  RECT r{dc->sx(std::min(rect->left, rect->right)), dc->sy(std::min(rect->top, rect->bottom)),
         dc->sx(std::max(rect->left, rect->right)), dc->sy(std::max(rect->top, rect->bottom))};
  return dc->visible().intersects(r) ? TRUE : FALSE;
}
