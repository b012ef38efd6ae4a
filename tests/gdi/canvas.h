// A memory DC with its own 32-bit bitmap, filled with one colour, for drawing tests.
#pragma once

#include <string>
#include <vector>

#include "gdi/gdi.h"

namespace gditest {

class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, width, height);
    old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    HBRUSH b = CreateSolidBrush(fill);
    FillRect(dc, &all, b);
    DeleteObject(b);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  nux::gdi::Surface& surface() const { return *nux::gdi::SurfaceOfBitmap(bitmap); }
  COLORREF at(int x, int y) const { return surface().colorAt(x, y); }

  // The rows of the canvas as text: '#' where the pixel is `ink`, '.' elsewhere.
  std::vector<std::string> Picture(COLORREF ink) const {
    std::vector<std::string> rows;
    for (int y = 0; y < surface().height(); ++y) {
      std::string r;
      for (int x = 0; x < surface().width(); ++x) r.push_back(at(x, y) == ink ? '#' : '.');
      rows.push_back(r);
    }
    return rows;
  }
  // Bounding box of the pixels that differ from `background` (all zero when none).
  RECT InkBox(COLORREF background) const {
    RECT r{0, 0, 0, 0};
    bool any = false;
    for (int y = 0; y < surface().height(); ++y)
      for (int x = 0; x < surface().width(); ++x)
        if (at(x, y) != background) {
          if (!any) r = RECT{x, y, x + 1, y + 1};
          any = true;
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1);
          r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    return r;
  }

  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

inline std::vector<std::string> Rows(std::initializer_list<const char*> rows) {
  return std::vector<std::string>(rows.begin(), rows.end());
}

}  // namespace gditest
