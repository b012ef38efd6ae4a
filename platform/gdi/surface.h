// Pixel surfaces and the device contexts that draw into them.
//
// A Surface is a 32-bit top-down pixel buffer (BGRA in memory: each pixel a uint32_t
// 0xAARRGGBB). Windows own one surface per top-level window; bitmaps own one each. A device
// context made by CreateSurfaceDC draws into a surface it does not own: its coordinates are
// offset by an origin (a child window's or client area's position inside the surface) and
// clipped to a rectangle, as a window's client or whole-window DC is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/types.h"
#include "gdi/region.h"

namespace nux::gdi {

// Memory a surface's pixels can live in instead of the heap: a top-level window's pixels lie
// where the display server reads them, so that showing them needs no copy of ours.
class PixelMemory {
 public:
  virtual ~PixelMemory() = default;
  // At least the `count` pixels it was made for.
  virtual uint32_t* data() = 0;
  // Memory of the same kind for `count` pixels (the surface changes size), or null where none
  // can be had (the pixels then go back to the heap).
  virtual std::unique_ptr<PixelMemory> Make(size_t count) = 0;
  // Waits until nobody else is still reading the pixels, before they are drawn into.
  virtual void BeforeWrite() {}
};

class Surface;
// Makes every device context drawing into `surface` draw nothing from now on (a surface's
// destructor does this for DCs made by CreateSurfaceDC, so a DC that outlives its window's
// pixels is harmless).
void DetachSurfaceDCs(Surface* surface);

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height) { Resize(width, height); }
  // A copy's pixels are on the heap, wherever the original's are.
  Surface(const Surface& o) { *this = o; }
  Surface& operator=(const Surface& o) {
    if (this == &o) return *this;
    heap_.assign(o.data_, o.data_ + o.count());
    memory_.reset();
    data_ = heap_.data();
    width_ = o.width_;
    height_ = o.height_;
    bottomUp_ = o.bottomUp_;
    return *this;
  }
  // Moving takes the pixels; DCs stay with the (now empty) surface they were made on.
  Surface(Surface&& o) noexcept { *this = std::move(o); }
  Surface& operator=(Surface&& o) noexcept {
    if (this == &o) return *this;
    width_ = o.width_;
    height_ = o.height_;
    heap_ = std::move(o.heap_);
    memory_ = std::move(o.memory_);
    data_ = memory_ ? memory_->data() : heap_.data();
    bottomUp_ = o.bottomUp_;
    o.width_ = o.height_ = 0;
    o.heap_.clear();
    o.data_ = nullptr;
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

  uint32_t* pixels() { return data_; }
  const uint32_t* pixels() const { return data_; }
  uint32_t* row(int y) { return data_ + rowOffset(y); }
  const uint32_t* row(int y) const { return data_ + rowOffset(y); }

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

  // Moves the pixels into `memory` (made for at least width x height pixels), which then
  // also gives the memory of later sizes; null puts them back on the heap.
  void SetMemory(std::unique_ptr<PixelMemory> memory);
  PixelMemory* memory() const { return memory_.get(); }
  // Called before drawing into the surface: waits until its memory's other reader is done.
  void BeforeWrite() {
    if (memory_) memory_->BeforeWrite();
  }

 private:
  size_t rowOffset(int y) const {
    return static_cast<size_t>(bottomUp_ ? height_ - 1 - y : y) * static_cast<size_t>(width_);
  }
  bool bottomUp_ = false;
  bool hasDCs_ = false;  // CreateSurfaceDC was called on it
  friend HDC CreateSurfaceDC(Surface* surface, POINT origin, const RECT* clip);
  size_t count() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> heap_;          // the pixels, unless they are in memory_
  std::unique_ptr<PixelMemory> memory_;  // where the pixels are, if not on the heap
  uint32_t* data_ = nullptr;
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
