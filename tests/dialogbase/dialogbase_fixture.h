// Shared pieces of the bitmap and dialog-base tests: a drawing canvas with a CDC, pictures as
// file bytes, and a test base that runs on the virtual clock with no windows left over.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "mfc/afxwin.h"
#include "testing/testing.h"

namespace dialogbasetest {

// A memory DC with its own 32-bit bitmap, each pixel set by `fill` (x, y), and a CDC on it.
class Canvas {
 public:
  Canvas(int width, int height, const std::function<COLORREF(int, int)>& fill) {
    HDC dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, width, height);
    old = SelectObject(dc, bitmap);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) SetPixelV(dc, x, y, fill(x, y));
    cdc.Attach(dc);
  }
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
      : Canvas(width, height, [fill](int, int) { return fill; }) {}
  ~Canvas() {
    HDC dc = cdc.Detach();
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  COLORREF at(int x, int y) const { return nux::gdi::SurfaceOfBitmap(bitmap)->colorAt(x, y); }
  // Gives the bitmap up from the DC (for reading its bits); Reselect puts it back.
  void Deselect() { SelectObject(cdc.m_hDC, old); }
  void Reselect() { SelectObject(cdc.m_hDC, bitmap); }

  CDC cdc;
  HBITMAP bitmap;

 private:
  HGDIOBJ old;
};

// A JPEG file of w x h with each pixel's colour from `color`, at quality 100.
std::string JpegBytes(int w, int h, const std::function<COLORREF(int, int)>& color);
// An icon file of one 2 x 2 32-bit image: top row red, green; bottom row blue, transparent.
std::string IconBytes();
// A committed fixture file of this suite.
std::string Fixture(const std::string& relative);

// Copies `bytes` into a movable global block.
HGLOBAL GlobalBlockOf(const std::string& bytes);

// Each test on the virtual clock, with no windows and an empty queue afterwards.
class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
  }
  void TearDown() override {
    nux::testing::ResetUi();
    CWnd::DeleteTempMap();
    nux::afx::DeleteTempGdiMaps();
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
};

// Colours compare within a tolerance (JPEG).
inline bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace dialogbasetest
