#include <gtest/gtest.h>

#include <cstring>

#include "canvas.h"
#include "gdi/gdi.h"

using gditest::Canvas;
using gditest::Rows;

namespace {

// A canvas whose pixel (x, y) has red = x * 10 and green = y * 10 (blue 0).
void Gradient(Canvas& c) {
  auto& s = c.surface();
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) SetPixel(c.dc, x, y, RGB(x * 10, y * 10, 0));
}

TEST(Blit, BitBltRasterOperations) {
  struct Case {
    DWORD rop;
    COLORREF expected;
  };
  const COLORREF src = RGB(0xF0, 0x0F, 0x3C), dst = RGB(0xAA, 0x55, 0x0F);
  const Case cases[] = {
      {SRCCOPY, src},
      {SRCAND, RGB(0xA0, 0x05, 0x0C)},
      {SRCPAINT, RGB(0xFA, 0x5F, 0x3F)},
      {SRCINVERT, RGB(0x5A, 0x5A, 0x33)},
      {NOTSRCCOPY, RGB(0x0F, 0xF0, 0xC3)},
      {BLACKNESS, RGB(0, 0, 0)},
      {WHITENESS, RGB(255, 255, 255)},
      {PATCOPY, RGB(1, 2, 3)},
  };
  HBRUSH pattern = CreateSolidBrush(RGB(1, 2, 3));
  for (const auto& k : cases) {
    SCOPED_TRACE(k.rop);
    Canvas s(3, 3, src), d(3, 3, dst);
    HGDIOBJ old = SelectObject(d.dc, pattern);
    EXPECT_TRUE(BitBlt(d.dc, 1, 1, 2, 1, s.dc, 0, 0, k.rop));
    EXPECT_EQ(d.at(1, 1), k.expected);
    EXPECT_EQ(d.at(2, 1), k.expected);
    EXPECT_EQ(d.at(0, 1), dst);
    EXPECT_EQ(d.at(1, 2), dst);
    SelectObject(d.dc, old);
  }
  DeleteObject(pattern);
}

TEST(Blit, CopiesInsideOneBitmapAsTilingDoes) {
  // A 10-pixel piece doubled over 35 pixels: copies at 10 (10 wide) and 20 (15 wide).
  Canvas c(35, 1);
  for (int x = 0; x < 10; ++x) SetPixel(c.dc, x, 0, RGB(x, 0, 0));
  BitBlt(c.dc, 10, 0, 10, 1, c.dc, 0, 0, SRCCOPY);
  BitBlt(c.dc, 20, 0, 15, 1, c.dc, 0, 0, SRCCOPY);
  for (int x = 0; x < 35; ++x) EXPECT_EQ(c.at(x, 0), RGB(x % 10, 0, 0)) << x;
  // An overlapping copy reads the source as it was before.
  Canvas o(5, 1);
  for (int x = 0; x < 5; ++x) SetPixel(o.dc, x, 0, RGB(x, 0, 0));
  BitBlt(o.dc, 1, 0, 4, 1, o.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 5; ++x) EXPECT_EQ(o.at(x, 0), RGB(x - 1, 0, 0));
}

TEST(Blit, StretchColorOnColorTakesTheNearestPixel) {
  Canvas src(4, 2);
  Gradient(src);
  {
    Canvas d(8, 4);
    SetStretchBltMode(d.dc, COLORONCOLOR);
    StretchBlt(d.dc, 0, 0, 8, 4, src.dc, 0, 0, 4, 2, SRCCOPY);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(d.at(x, y), RGB(x / 2 * 10, y / 2 * 10, 0)) << x << "," << y;
  }
  {
    // Shrinking 4 -> 2 takes the pixels nearest the centres: 1 and 3.
    Canvas d(2, 1);
    SetStretchBltMode(d.dc, COLORONCOLOR);
    StretchBlt(d.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
    EXPECT_EQ(d.at(0, 0), RGB(10, 0, 0));
    EXPECT_EQ(d.at(1, 0), RGB(30, 0, 0));
  }
  {
    // A negative destination width mirrors, with x the rightmost pixel drawn.
    Canvas d(4, 1);
    StretchBlt(d.dc, 3, 0, -4, 1, src.dc, 0, 0, 4, 1, SRCCOPY);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.at(x, 0), RGB((3 - x) * 10, 0, 0));
  }
}

TEST(Blit, HalftoneAveragesTheCoveredArea) {
  Canvas src(4, 2);
  Gradient(src);
  {
    Canvas d(2, 1);
    SetStretchBltMode(d.dc, HALFTONE);
    StretchBlt(d.dc, 0, 0, 2, 1, src.dc, 0, 0, 4, 2, SRCCOPY);
    // Each destination pixel is the mean of a 2 x 2 block: red (0+10)/2, green (0+10)/2.
    EXPECT_EQ(d.at(0, 0), RGB(5, 5, 0));
    EXPECT_EQ(d.at(1, 0), RGB(25, 5, 0));
  }
  {
    // 3 -> 2: pixel 0 covers 1 and a half source pixels.
    Canvas s3(3, 1);
    SetPixel(s3.dc, 0, 0, RGB(0, 0, 0));
    SetPixel(s3.dc, 1, 0, RGB(90, 0, 0));
    SetPixel(s3.dc, 2, 0, RGB(180, 0, 0));
    Canvas d(2, 1);
    SetStretchBltMode(d.dc, HALFTONE);
    StretchBlt(d.dc, 0, 0, 2, 1, s3.dc, 0, 0, 3, 1, SRCCOPY);
    EXPECT_EQ(d.at(0, 0), RGB(30, 0, 0));   // (0 * 1 + 90 * 0.5) / 1.5
    EXPECT_EQ(d.at(1, 0), RGB(150, 0, 0));  // (90 * 0.5 + 180 * 1) / 1.5
  }
  {
    // Enlarging 2 x 2 -> 3 x 3: the corners keep their colours, the middle row and column
    // blend the two halves, the centre all four.
    Canvas s2(2, 2);
    SetPixel(s2.dc, 0, 0, RGB(0, 0, 0));
    SetPixel(s2.dc, 1, 0, RGB(200, 0, 0));
    SetPixel(s2.dc, 0, 1, RGB(0, 200, 0));
    SetPixel(s2.dc, 1, 1, RGB(200, 200, 0));
    Canvas d(3, 3);
    SetStretchBltMode(d.dc, HALFTONE);
    StretchBlt(d.dc, 0, 0, 3, 3, s2.dc, 0, 0, 2, 2, SRCCOPY);
    struct Expect {
      int x, y;
      int r, g;
    };
    const Expect expected[] = {{0, 0, 0, 0},   {2, 0, 200, 0},   {0, 2, 0, 200}, {2, 2, 200, 200},
                               {1, 0, 100, 0}, {0, 1, 0, 100},   {1, 1, 100, 100}, {1, 2, 100, 200}};
    for (const auto& e : expected) {
      COLORREF got = d.at(e.x, e.y);
      EXPECT_NEAR(GetRValue(got), e.r, 1) << e.x << "," << e.y;
      EXPECT_NEAR(GetGValue(got), e.g, 1) << e.x << "," << e.y;
    }
  }
  {
    // The same size under HALFTONE is an exact copy.
    Canvas d(4, 2);
    SetStretchBltMode(d.dc, HALFTONE);
    StretchBlt(d.dc, 0, 0, 4, 2, src.dc, 0, 0, 4, 2, SRCCOPY);
    EXPECT_EQ(d.at(3, 1), RGB(30, 10, 0));
  }
}

TEST(Blit, TransparentBltSkipsTheKeyColour) {
  Canvas src(3, 1, RGB(255, 255, 255));
  SetPixel(src.dc, 1, 0, RGB(9, 9, 9));
  Canvas d(6, 1, RGB(1, 1, 1));
  EXPECT_TRUE(TransparentBlt(d.dc, 0, 0, 6, 1, src.dc, 0, 0, 3, 1, RGB(255, 255, 255)));
  EXPECT_EQ(d.Picture(RGB(9, 9, 9)), Rows({"..##.."}));
  EXPECT_EQ(d.at(0, 0), RGB(1, 1, 1));
  EXPECT_FALSE(TransparentBlt(d.dc, 0, 0, -1, 1, src.dc, 0, 0, 3, 1, 0));
}

TEST(Blit, AlphaBlendConstantAndPerPixel) {
  struct Case {
    BYTE alpha;
    COLORREF expected;
  };
  const Case cases[] = {{255, RGB(200, 100, 0)}, {0, RGB(0, 0, 200)}, {128, RGB(100, 50, 100)},
                        {(BYTE)(int)(50.0 * 255 / 100), RGB(100, 50, 100)}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.alpha);
    Canvas src(2, 2, RGB(200, 100, 0)), d(2, 2, RGB(0, 0, 200));
    BLENDFUNCTION bf{AC_SRC_OVER, 0, k.alpha, 0};
    EXPECT_TRUE(AlphaBlend(d.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bf));
    COLORREF got = d.at(0, 0);
    EXPECT_NEAR(GetRValue(got), GetRValue(k.expected), 1);
    EXPECT_NEAR(GetGValue(got), GetGValue(k.expected), 1);
    EXPECT_NEAR(GetBValue(got), GetBValue(k.expected), 1);
    EXPECT_EQ(d.at(1, 1), RGB(0, 0, 200));
  }
  {
    // Premultiplied per-pixel alpha: a half-transparent red over blue, and a clear pixel.
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    uint32_t px[2] = {0x80800000u, 0x00000000u};
    std::memcpy(bits, px, sizeof(px));
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, dib);
    Canvas d(2, 1, RGB(0, 0, 200));
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_TRUE(AlphaBlend(d.dc, 0, 0, 2, 1, mem, 0, 0, 2, 1, bf));
    EXPECT_EQ(d.at(0, 0), RGB(128, 0, 100));
    EXPECT_EQ(d.at(1, 0), RGB(0, 0, 200));
    // A source rectangle outside the source fails.
    EXPECT_FALSE(AlphaBlend(d.dc, 0, 0, 2, 1, mem, 1, 0, 2, 1, bf));
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
  }
}

// A bottom-up 24-bit DIB of 2 x 3 pixels: visual row y has colour RGB(0, 0, 10 * (y + 1)).
struct SmallDib {
  BITMAPINFO info{};
  uint8_t bits[3 * 8] = {};
  SmallDib() {
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    for (int y = 0; y < 3; ++y) {
      uint8_t* row = bits + (2 - y) * 8;  // bottom-up
      for (int x = 0; x < 2; ++x) row[x * 3] = static_cast<uint8_t>(10 * (y + 1));
    }
  }
};

TEST(Blit, StretchDIBitsTurnsTopDownSourceRectanglesIntoBottomUpRows) {
  SmallDib dib;
  Canvas d(2, 3);
  // Source rectangle rows 1..3 (top-down) of a 3-row image: ySrc = height - bottom = 0.
  SetStretchBltMode(d.dc, COLORONCOLOR);
  EXPECT_EQ(StretchDIBits(d.dc, 0, 0, 2, 2, 0, 3 - 3, 2, 2, dib.bits, &dib.info, DIB_RGB_COLORS, SRCCOPY), 3);
  EXPECT_EQ(d.at(0, 0), RGB(0, 0, 20));
  EXPECT_EQ(d.at(1, 1), RGB(0, 0, 30));
  EXPECT_EQ(d.at(0, 2), RGB(255, 255, 255));
  // A 1 x 1 piece at (5, 5) paints exactly that pixel.
  Canvas e(8, 8);
  StretchDIBits(e.dc, 5, 5, 1, 1, 0, 2, 1, 1, dib.bits, &dib.info, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(e.InkBox(RGB(255, 255, 255)).left, 5);
  EXPECT_EQ(e.InkBox(RGB(255, 255, 255)).right, 6);
  EXPECT_EQ(e.at(5, 5), RGB(0, 0, 10));
}

TEST(Blit, GetDIBitsDescribesAndCopiesABitmap) {
  Canvas c(3, 2);
  SetPixel(c.dc, 0, 0, RGB(1, 2, 3));
  SetPixel(c.dc, 2, 1, RGB(4, 5, 6));
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(c.bitmap, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmBitsPixel, 32);

  HDC screen = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
  } info{};
  info.h.biSize = sizeof(BITMAPINFOHEADER);
  info.h.biWidth = 3;
  info.h.biHeight = 2;
  info.h.biPlanes = 1;
  info.h.biBitCount = 24;
  SelectObject(c.dc, c.old);  // the bits are read from a deselected bitmap
  ASSERT_NE(GetDIBits(screen, c.bitmap, 0, 2, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 0);
  EXPECT_EQ(info.h.biSizeImage, 2u * 12u);  // rows of 9 bytes padded to 12
  std::vector<uint8_t> bits(info.h.biSizeImage);
  EXPECT_EQ(GetDIBits(screen, c.bitmap, 0, 2, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 2);
  // Bottom-up: the first row in memory is the bottom row.
  EXPECT_EQ(bits[2 * 3 + 0], 6);
  EXPECT_EQ(bits[2 * 3 + 2], 4);
  EXPECT_EQ(bits[12 + 0], 3);
  EXPECT_EQ(bits[12 + 2], 1);
  // The bits go back through SetDIBits and StretchDIBits unchanged.
  Canvas d(3, 2);
  StretchDIBits(d.dc, 0, 0, 3, 2, 0, 0, 3, 2, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(d.at(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(d.at(2, 1), RGB(4, 5, 6));
  c.old = SelectObject(c.dc, c.bitmap);
  DeleteDC(screen);
}

TEST(Blit, StockBitmapOfAFreshMemoryDC) {
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(mem, 4, 4);
  HGDIOBJ original = SelectObject(mem, bmp);
  ASSERT_NE(original, nullptr);
  BITMAP bm{};
  GetObjectW(original, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(SelectObject(mem, original), bmp);
  EXPECT_TRUE(DeleteObject(bmp));
  DeleteDC(mem);
}

}  // namespace
