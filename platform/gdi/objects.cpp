// The GDI object table, stock objects, pens, brushes, palettes and the object calls
// (SelectObject, DeleteObject, GetObject).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "base/codepage.h"
#include "gdi/gdi_internal.h"

namespace nux::gdi::detail {

namespace {

std::unordered_set<const void*>& Table() {
  static auto* table = new std::unordered_set<const void*>();
  return *table;
}

std::function<COLORREF(int)>& SysColorProvider() {
  static std::function<COLORREF(int)> f;
  return f;
}
std::function<SIZE()>& ScreenProvider() {
  static std::function<SIZE()> f;
  return f;
}

template <class T>
T* MakeStock(T* obj) {
  obj->stock = true;
  Register(obj);
  return obj;
}

void SetFace(LOGFONTW& lf, const char16_t* face) {
  size_t i = 0;
  for (; face[i] && i + 1 < LF_FACESIZE; ++i) lf.lfFaceName[i] = face[i];
  lf.lfFaceName[i] = 0;
}

}  // namespace

std::recursive_mutex& Lock() {
  static auto* m = new std::recursive_mutex();
  return *m;
}

void* Register(GdiObject* obj) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  Table().insert(obj);
  return obj;
}

GdiObject* LookupAny(const void* handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::recursive_mutex> g(Lock());
  if (!Table().count(handle)) return nullptr;
  return static_cast<GdiObject*>(const_cast<void*>(handle));
}

void ForEachObject(const std::function<void(GdiObject*)>& f) {
  std::lock_guard<std::recursive_mutex> g(Lock());
  for (const void* h : Table()) f(static_cast<GdiObject*>(const_cast<void*>(h)));
}

static void Destroy(GdiObject* obj) {
  {
    std::lock_guard<std::recursive_mutex> g(Lock());
    Table().erase(obj);
  }
  delete obj;
}

void Release(GdiObject* obj) {
  if (!obj || obj->stock) return;
  if (obj->selected > 0) {
    obj->deletePending = true;
    return;
  }
  Destroy(obj);
}

void Select(GdiObject* obj) {
  if (obj) ++obj->selected;
}

void Deselect(GdiObject* obj) {
  if (!obj) return;
  if (--obj->selected <= 0) {
    obj->selected = 0;
    if (obj->deletePending && !obj->stock) Destroy(obj);
  }
}

PenObj* StockPen(int index) {
  static PenObj* pens[3] = {
      [] { auto* p = new PenObj(); p->log = {PS_SOLID, {1, 0}, RGB(255, 255, 255)}; return MakeStock(p); }(),
      [] { auto* p = new PenObj(); p->log = {PS_SOLID, {1, 0}, RGB(0, 0, 0)}; return MakeStock(p); }(),
      [] { auto* p = new PenObj(); p->log = {PS_NULL, {0, 0}, RGB(0, 0, 0)}; return MakeStock(p); }()};
  static PenObj* dcPen = [] {
    auto* p = new PenObj();
    p->log = {PS_SOLID, {1, 0}, RGB(0, 0, 0)};
    p->dcPen = true;
    return MakeStock(p);
  }();
  if (index == DC_PEN) return dcPen;
  if (index < WHITE_PEN || index > NULL_PEN) return nullptr;
  return pens[index - WHITE_PEN];
}

BrushObj* StockBrush(int index) {
  static BrushObj* brushes[6] = {};
  static BrushObj* dcBrush = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    const COLORREF colors[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                RGB(64, 64, 64), RGB(0, 0, 0)};
    for (int i = 0; i < 5; ++i) {
      auto* b = new BrushObj();
      b->log = {BS_SOLID, colors[i], 0};
      brushes[i] = MakeStock(b);
    }
    auto* n = new BrushObj();
    n->log = {BS_NULL, 0, 0};
    brushes[5] = MakeStock(n);
    dcBrush = new BrushObj();
    dcBrush->log = {BS_SOLID, RGB(255, 255, 255), 0};
    dcBrush->dcBrush = true;
    MakeStock(dcBrush);
  });
  if (index == DC_BRUSH) return dcBrush;
  if (index < WHITE_BRUSH || index > NULL_BRUSH) return nullptr;
  return brushes[index];
}

FontObj* StockFont(int index) {
  auto make = [](LONG height, LONG width, LONG weight, BYTE charset, BYTE out, BYTE clip,
                 BYTE quality, BYTE pitch, const char16_t* face) {
    auto* f = new FontObj();
    f->log.lfHeight = height;
    f->log.lfWidth = width;
    f->log.lfWeight = weight;
    f->log.lfCharSet = charset;
    f->log.lfOutPrecision = out;
    f->log.lfClipPrecision = clip;
    f->log.lfQuality = quality;
    f->log.lfPitchAndFamily = pitch;
    SetFace(f->log, face);
    return MakeStock(f);
  };
  static FontObj* system = make(16, 7, FW_BOLD, ANSI_CHARSET, OUT_STRING_PRECIS, CLIP_STROKE_PRECIS,
                                PROOF_QUALITY, VARIABLE_PITCH | FF_SWISS, u"System");
  static FontObj* gui = make(-11, 0, FW_NORMAL, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                             u"MS Shell Dlg");
  static FontObj* ansiVar = make(12, 9, FW_NORMAL, ANSI_CHARSET, OUT_STRING_PRECIS,
                                 CLIP_STROKE_PRECIS, DRAFT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                 u"MS Sans Serif");
  static FontObj* fixed = make(12, 9, FW_NORMAL, ANSI_CHARSET, OUT_STRING_PRECIS,
                               CLIP_STROKE_PRECIS, DRAFT_QUALITY, FIXED_PITCH | FF_MODERN,
                               u"Courier");
  switch (index) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
      return system;
    case DEFAULT_GUI_FONT:
      return gui;
    case ANSI_VAR_FONT:
      return ansiVar;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
      return fixed;
    default:
      return nullptr;
  }
}

PaletteObj* StockPalette() {
  static PaletteObj* pal = [] {
    auto* p = new PaletteObj();
    // The 20 static colours of the default palette.
    const BYTE c[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                           {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                           {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                           {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                           {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (auto& e : c) p->entries.push_back(PALETTEENTRY{e[0], e[1], e[2], 0});
    return MakeStock(p);
  }();
  return pal;
}

BitmapObj* StockBitmap() {
  static BitmapObj* bmp = [] {
    auto* b = new BitmapObj();
    b->surface.Resize(1, 1);
    b->bitsPixel = 1;
    return MakeStock(b);
  }();
  return bmp;
}

COLORREF SysColor(int index) {
  auto& f = SysColorProvider();
  if (f) return f(index);
  return RGB(192, 192, 192);
}

SIZE ScreenSize() {
  auto& f = ScreenProvider();
  if (f) return f();
  return SIZE{1024, 768};
}

COLORREF PenColor(const DCObj& dc) {
  if (!dc.st.pen) return 0;
  return dc.st.pen->dcPen ? dc.st.dcPenColor : dc.st.pen->log.lopnColor;
}

}  // namespace nux::gdi::detail

namespace nux::gdi {

void SetSysColorProvider(std::function<COLORREF(int index)> provider) {
  detail::SysColorProvider() = std::move(provider);
}

void SetScreenSizeProvider(std::function<SIZE()> provider) {
  detail::ScreenProvider() = std::move(provider);
}

}  // namespace nux::gdi

using namespace nux::gdi::detail;

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;
  int64_t half = (c < 0 ? -static_cast<int64_t>(c) : c) / 2;
  bool negative = (p < 0) != (c < 0);
  int64_t ap = p < 0 ? -p : p;
  int64_t ac = c < 0 ? -static_cast<int64_t>(c) : c;
  int64_t q = (ap + half) / ac;
  if (q > INT32_MAX) return -1;
  return static_cast<int>(negative ? -q : q);
}

HGDIOBJ GetStockObject(int index) {
  if (index == DEFAULT_PALETTE) return StockPalette();
  if (GdiObject* o = StockBrush(index)) return o;
  if (GdiObject* o = StockPen(index)) return o;
  if (GdiObject* o = StockFont(index)) return o;
  return nullptr;
}

DWORD GetObjectType(HGDIOBJ object) {
  GdiObject* o = LookupAny(object);
  return o ? o->type : 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* o = LookupAny(object);
  if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC) return FALSE;
  Release(o);
  return TRUE;
}

static int GetObjectCommon(HGDIOBJ object, int size, LPVOID out, bool wide) {
  GdiObject* o = LookupAny(object);
  if (!o) return 0;
  switch (o->type) {
    case OBJ_PEN: {
      if (!out) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      std::memcpy(out, &static_cast<PenObj*>(o)->log, sizeof(LOGPEN));
      return sizeof(LOGPEN);
    }
    case OBJ_BRUSH: {
      if (!out) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      std::memcpy(out, &static_cast<BrushObj*>(o)->log, sizeof(LOGBRUSH));
      return sizeof(LOGBRUSH);
    }
    case OBJ_BITMAP: {
      if (!out) return sizeof(BITMAP);
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      auto* b = static_cast<BitmapObj*>(o);
      BITMAP bm{};
      bm.bmWidth = b->surface.width();
      bm.bmHeight = b->surface.height();
      bm.bmPlanes = 1;
      bm.bmBitsPixel = static_cast<WORD>(b->bitsPixel);
      bm.bmWidthBytes = ((bm.bmWidth * b->bitsPixel + 15) / 16) * 2;
      bm.bmBits = b->dibSection ? b->surface.pixels() : nullptr;
      std::memcpy(out, &bm, sizeof(BITMAP));
      return sizeof(BITMAP);
    }
    case OBJ_FONT: {
      const LOGFONTW& lf = static_cast<FontObj*>(o)->log;
      if (wide) {
        if (!out) return sizeof(LOGFONTW);
        int n = std::min<int>(size, sizeof(LOGFONTW));
        std::memcpy(out, &lf, n);
        return n;
      }
      LOGFONTA a{};
      std::memcpy(&a, &lf, offsetof(LOGFONTA, lfFaceName));
      std::u16string face;
      for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) face.push_back(lf.lfFaceName[i]);
      std::string ansi = nux::WideToAnsi(face);
      std::strncpy(a.lfFaceName, ansi.c_str(), LF_FACESIZE - 1);
      if (!out) return sizeof(LOGFONTA);
      int n = std::min<int>(size, sizeof(LOGFONTA));
      std::memcpy(out, &a, n);
      return n;
    }
    case OBJ_PAL: {
      if (!out) return sizeof(WORD);
      if (size < static_cast<int>(sizeof(WORD))) return 0;
      WORD n = static_cast<WORD>(static_cast<PaletteObj*>(o)->entries.size());
      std::memcpy(out, &n, sizeof(WORD));
      return sizeof(WORD);
    }
    default:
      return 0;
  }
}

int GetObjectW(HGDIOBJ object, int size, LPVOID out) { return GetObjectCommon(object, size, out, true); }
int GetObjectA(HGDIOBJ object, int size, LPVOID out) { return GetObjectCommon(object, size, out, false); }

HPEN CreatePen(int style, int width, COLORREF color) {
  auto* p = new PenObj();
  p->log.lopnStyle = static_cast<UINT>(style);
  p->log.lopnWidth = POINT{std::max(width, 0), 0};
  p->log.lopnColor = color;
  return reinterpret_cast<HPEN>(Register(p));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto* b = new BrushObj();
  b->log = {BS_SOLID, color & 0x00FFFFFF, 0};
  return reinterpret_cast<HBRUSH>(Register(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush) return nullptr;
  if (brush->lbStyle == BS_PATTERN) return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
  auto* b = new BrushObj();
  b->log = *brush;
  // Hatched brushes are drawn as solid ones.
  if (b->log.lbStyle == BS_HATCHED) b->log.lbStyle = BS_SOLID;
  return reinterpret_cast<HBRUSH>(Register(b));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto* bm = Lookup<BitmapObj>(bitmap, OBJ_BITMAP);
  if (!bm || bm->surface.empty()) return nullptr;
  auto* b = new BrushObj();
  b->log = {BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(bitmap)};
  b->pattern = std::make_shared<nux::gdi::Surface>(bm->surface.width(), bm->surface.height());
  for (int y = 0; y < bm->surface.height(); ++y)
    std::memcpy(b->pattern->row(y), bm->surface.row(y), bm->surface.width() * 4);
  return reinterpret_cast<HBRUSH>(Register(b));
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette) return nullptr;
  auto* p = new PaletteObj();
  for (WORD i = 0; i < palette->palNumEntries; ++i) p->entries.push_back(palette->palPalEntry[i]);
  return reinterpret_cast<HPALETTE>(Register(p));
}

HPALETTE CreateHalftonePalette(HDC) {
  auto* p = new PaletteObj();
  p->entries = StockPalette()->entries;
  return reinterpret_cast<HPALETTE>(Register(p));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL) {
  DCObj* dc = LookupDC(hdc);
  auto* p = Lookup<PaletteObj>(palette, OBJ_PAL);
  if (!dc || !p) return nullptr;
  PaletteObj* old = dc->st.palette ? dc->st.palette : StockPalette();
  Select(p);
  dc->st.palette = p;
  HPALETTE result = reinterpret_cast<HPALETTE>(old);
  Deselect(old);
  return result;
}

UINT RealizePalette(HDC hdc) { return LookupDC(hdc) ? 0 : static_cast<UINT>(-1); }

BOOL GdiFlush() { return TRUE; }
