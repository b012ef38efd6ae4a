// Inside the drawing layer: the objects behind the handles, the device context state and
// the helpers the drawing files share.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "gdi/gdi.h"

namespace nux::gdi {
class FontInstance;
}

namespace nux::gdi::detail {

struct GdiObject {
  explicit GdiObject(DWORD t) : type(t) {}
  virtual ~GdiObject() = default;
  DWORD type;
  bool stock = false;
  int selected = 0;             // number of DCs it is selected into
  bool deletePending = false;   // DeleteObject while selected: freed when last deselected
};

struct PenObj : GdiObject {
  PenObj() : GdiObject(OBJ_PEN) {}
  LOGPEN log{};
  bool dcPen = false;  // the DC_PEN stock pen: colour from the DC
};

struct BrushObj : GdiObject {
  BrushObj() : GdiObject(OBJ_BRUSH) {}
  LOGBRUSH log{};
  bool dcBrush = false;
  std::shared_ptr<Surface> pattern;  // BS_PATTERN: a copy of the bitmap
};

struct FontObj : GdiObject {
  FontObj() : GdiObject(OBJ_FONT) {}
  LOGFONTW log{};
  FontInstance* instance = nullptr;  // found on first use; instances live as long as the process
};

struct BitmapObj : GdiObject {
  BitmapObj() : GdiObject(OBJ_BITMAP) {}
  Surface surface;
  int bitsPixel = 32;  // as reported by GetObject (1 for monochrome bitmaps)
  bool dibSection = false;
};

struct RegionObj : GdiObject {
  RegionObj() : GdiObject(OBJ_REGION) {}
  Region region;
};

struct PaletteObj : GdiObject {
  PaletteObj() : GdiObject(OBJ_PAL) {}
  std::vector<PALETTEENTRY> entries;
};

struct DCState {
  PenObj* pen = nullptr;
  BrushObj* brush = nullptr;
  FontObj* font = nullptr;
  BitmapObj* bitmap = nullptr;  // memory DCs only
  PaletteObj* palette = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  UINT textAlign = TA_LEFT | TA_TOP;
  POINT brushOrg{0, 0};
  POINT pos{0, 0};
  POINT viewportOrg{0, 0};
  POINT windowOrg{0, 0};
  COLORREF dcBrushColor = RGB(255, 255, 255);
  COLORREF dcPenColor = RGB(0, 0, 0);
  std::optional<Region> clip;  // device coordinates; none: no clip region
};

struct DCObj : GdiObject {
  enum class Kind { Window, Memory, Info };
  explicit DCObj(Kind k) : GdiObject(k == Kind::Memory ? OBJ_MEMDC : OBJ_DC), kind(k) {}
  ~DCObj() override;
  Kind kind;
  Surface* target = nullptr;  // window DCs: the surface drawn into
  POINT origin{0, 0};         // window DCs: surface pixel of device (0, 0)
  std::optional<RECT> baseClip;  // window DCs: in surface pixels
  std::optional<Region> systemClip;  // window DCs: device coordinates (a paint's update region)
  DCState st;
  std::vector<DCState> saved;

  // The surface drawn into (null: draws nothing).
  Surface* surface() const;
  // Device (0,0) in surface pixels.
  POINT deviceOrigin() const { return kind == Kind::Window ? origin : POINT{0, 0}; }
  // Logical to surface pixels.
  int sx(int x) const { return x - st.windowOrg.x + st.viewportOrg.x + deviceOrigin().x; }
  int sy(int y) const { return y - st.windowOrg.y + st.viewportOrg.y + deviceOrigin().y; }
  // The visible area in surface pixels: surface bounds, base clip and clip region.
  const Region& visible();
  void invalidateClip() { clipValid = false; }

 private:
  Region clipCache;
  bool clipValid = false;
  int clipW = -1, clipH = -1;
};

// The global object table: handles are object pointers, checked against the table.
void* Register(GdiObject* obj);
GdiObject* LookupAny(const void* handle);
// Calls `f` for every live object (under the table's lock).
void ForEachObject(const std::function<void(GdiObject*)>& f);
template <class T>
T* Lookup(const void* handle, DWORD type) {
  GdiObject* o = LookupAny(handle);
  if (!o) return nullptr;
  if (o->type != type && !(type == OBJ_DC && o->type == OBJ_MEMDC)) return nullptr;
  return static_cast<T*>(o);
}
inline DCObj* LookupDC(HDC hdc) { return Lookup<DCObj>(hdc, OBJ_DC); }
// Frees an object once nothing uses it any more.
void Release(GdiObject* obj);
void Select(GdiObject* obj);
void Deselect(GdiObject* obj);

PenObj* StockPen(int index);
BrushObj* StockBrush(int index);
FontObj* StockFont(int index);
PaletteObj* StockPalette();
BitmapObj* StockBitmap();

COLORREF SysColor(int index);
SIZE ScreenSize();

// The pen and brush colour actually used (DC_PEN, DC_BRUSH follow the DC).
COLORREF PenColor(const DCObj& dc);
// Fills the surface rectangle `r` (already in surface pixels) through the DC's clip with the
// brush, honouring the brush origin and the DC's ROP2 (for pens) or a raster op.
void FillSurfaceRect(DCObj& dc, RECT r, const BrushObj* brush, DWORD rop = PATCOPY);
// Combines per-pixel with a ternary raster operation on 24-bit colour; alpha of the result 255.
uint32_t Rop3(DWORD rop, uint32_t p, uint32_t s, uint32_t d);
uint32_t Rop2(int mode, uint32_t pen, uint32_t d);
// Brush pixel at surface position (x, y), given the brush origin in surface pixels.
uint32_t BrushPixel(const BrushObj* brush, const DCObj& dc, int x, int y);
bool RopUsesSource(DWORD rop);
bool RopUsesPattern(DWORD rop);

// Intersection of two rectangles; empty rectangles are normalised to all zero.
RECT Intersect(const RECT& a, const RECT& b);
inline bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

std::recursive_mutex& Lock();

}  // namespace nux::gdi::detail
