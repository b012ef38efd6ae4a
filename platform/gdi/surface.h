// Pixel surfaces and the device contexts that draw into them.
//
// A Surface is a 32-bit top-down pixel buffer (BGRA in memory: each pixel a uint32_t
// 0xAARRGGBB). Windows own one surface per top-level window; bitmaps own one each. A device
// context made by CreateSurfaceDC draws into a surface it does not own: its coordinates are
// offset by an origin (a child window's or client area's position inside the surface) and
// clipped to a rectangle, as a window's client or whole-window DC is.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "base/types.h"
#include "gdi/region.h"

namespace nux::gdi {

class Surface;
// Makes every device context drawing into `surface` draw nothing from now on (a surface's
// destructor does this for DCs made by CreateSurfaceDC, so a DC that outlives its window's
// pixels is harmless).
void DetachSurfaceDCs(Surface* surface);

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height) { Resize(width, height); }
  Surface(const Surface& o) { *this = o; }
  Surface& operator=(const Surface& o) {
    width_ = o.width_;
    height_ = o.height_;
    pixels_ = o.pixels_;
    bottomUp_ = o.bottomUp_;
    return *this;
  }
  // Moving takes the pixels; DCs stay with the (now empty) surface they were made on.
  Surface(Surface&& o) noexcept { *this = std::move(o); }
  Surface& operator=(Surface&& o) noexcept {
    width_ = o.width_;
    height_ = o.height_;
    pixels_ = std::move(o.pixels_);
    bottomUp_ = o.bottomUp_;
    o.width_ = o.height_ = 0;
    o.pixels_.clear();
    return *this;
  }
  ~Surface() {
    if (hasDCs_) DetachSurfaceDCs(this);
  }

  int width() const { return width_; }
  int height() const { return height_; }
  // Bytes from one row to the next in memory (width * 4).
  int stride() const { return width_ * 4; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }

  uint32_t* pixels() { return pixels_.data(); }
  const uint32_t* pixels() const { return pixels_.data(); }
  uint32_t* row(int y) { return pixels_.data() + rowOffset(y); }
  const uint32_t* row(int y) const { return pixels_.data() + rowOffset(y); }

  // Pixel as 0xAARRGGBB; reads outside the surface give 0.
  uint32_t at(int x, int y) const {
    return (x < 0 || y < 0 || x >= width_ || y >= height_) ? 0 : row(y)[x];
  }
  void set(int x, int y, uint32_t argb) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) row(y)[x] = argb;
  }
  // Colour of a pixel as a COLORREF (0x00BBGGRR), alpha dropped.
  COLORREF colorAt(int x, int y) const;

  // New size; the pixels that lie in both the old and new size are kept, new ones are
  // `fill` (opaque black by default, as a fresh bitmap is).
  void Resize(int width, int height, uint32_t fill = 0xFF000000u);
  void Fill(uint32_t argb);

  // Memory order of the rows: top-down (the default) or bottom-up, as a bottom-up DIB section
  // keeps them. row(y) always gives visual row y.
  void SetBottomUp(bool bottomUp) { bottomUp_ = bottomUp; }
  bool bottomUp() const { return bottomUp_; }

 private:
  size_t rowOffset(int y) const {
    return static_cast<size_t>(bottomUp_ ? height_ - 1 - y : y) * static_cast<size_t>(width_);
  }
  bool bottomUp_ = false;
  bool hasDCs_ = false;  // CreateSurfaceDC was called on it
  friend HDC CreateSurfaceDC(Surface* surface, POINT origin, const RECT* clip);
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// 0xAARRGGBB with alpha 255 from a COLORREF, and back.
inline uint32_t ArgbFromColorref(COLORREF c) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) |
         (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF ColorrefFromArgb(uint32_t argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// A device context on `surface`: DC coordinate (0,0) is surface pixel `origin`; drawing is
// clipped to `clip` (in surface pixels; null means the whole surface) and to the surface.
// The surface must outlive the DC and may be resized meanwhile. Free with DeleteDC (the
// window system's ReleaseDC/EndPaint do so).
HDC CreateSurfaceDC(Surface* surface, POINT origin, const RECT* clip);

// Changes where an existing surface DC draws (used when a window moves while a DC is out).
BOOL SetSurfaceDCPlacement(HDC hdc, POINT origin, const RECT* clip);

// Limits a surface DC to `region` (device coordinates; null removes the limit) below the
// application's own clipping: SelectClipRgn cannot widen it and GetClipRgn does not report it,
// as with the update region of a paint DC or the parts of a window its children cover.
BOOL SetSurfaceDCSystemRegion(HDC hdc, const Region* region);

// The surface a DC draws into: a surface DC's surface, or a memory DC's selected bitmap.
// Null for an information context or a memory DC with no bitmap selected.
Surface* SurfaceOfDC(HDC hdc);

// The surface of a bitmap (DDB or DIB section); null for an invalid handle.
Surface* SurfaceOfBitmap(HBITMAP bitmap);

}  // namespace nux::gdi
