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
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::unique_ptr<PixelMemory> memory = memory_ && n ? memory_->Make(n) : nullptr;
  std::vector<uint32_t> heap;
  uint32_t* next;
  if (memory) {
    next = memory->data();
    std::fill(next, next + n, fill);
  } else {
    heap.assign(n, fill);
    next = heap.data();
  }
  // An empty side (0 x n or n x 0) has no pixel memory: nothing is copied from or to it.
  const int w = std::min(width, width_), h = w > 0 ? std::min(height, height_) : 0;
  for (int y = 0; y < h; ++y) {
    size_t dst = static_cast<size_t>(bottomUp_ ? height - 1 - y : y) * width;
    std::memcpy(next + dst, row(y), static_cast<size_t>(w) * 4);
  }
  memory_ = std::move(memory);  // an empty surface, or one whose memory could not be had: the heap
  heap_.swap(heap);
  data_ = next;
  width_ = width;
  height_ = height;
}

void Surface::SetMemory(std::unique_ptr<PixelMemory> memory) {
  if (!memory && !memory_) return;
  if (memory) {
    std::memcpy(memory->data(), data_, count() * 4);
    heap_.clear();
    heap_.shrink_to_fit();
    data_ = memory->data();
    memory_ = std::move(memory);
  } else {
    heap_.assign(data_, data_ + count());
    memory_.reset();
    data_ = heap_.data();
  }
}

void Surface::Fill(uint32_t argb) { std::fill(data_, data_ + count(), argb); }

}  // namespace nux::gdi
