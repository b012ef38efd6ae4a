// Pixel surfaces.
#include "gdi/surface.h"

#include <algorithm>
#include <cstring>

namespace nux::gdi {

COLORREF Surface::colorAt(int x, int y) const { return ColorrefFromArgb(at(x, y)); }

void Surface::Resize(int width, int height, uint32_t fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  std::vector<uint32_t> next(static_cast<size_t>(width) * height, fill);
  // An empty side (0 x n or n x 0) has no pixel memory: nothing is copied from or to it.
  const int w = std::min(width, width_), h = w > 0 ? std::min(height, height_) : 0;
  for (int y = 0; y < h; ++y) {
    size_t dst = static_cast<size_t>(bottomUp_ ? height - 1 - y : y) * width;
    std::memcpy(next.data() + dst, row(y), static_cast<size_t>(w) * 4);
  }
  pixels_.swap(next);
  width_ = width;
  height_ = height;
}

void Surface::Fill(uint32_t argb) { std::fill(pixels_.begin(), pixels_.end(), argb); }

}  // namespace nux::gdi
