#include <gtest/gtest.h>

#include "canvas.h"
#include "gdi/gdi.h"

using gditest::Canvas;
using gditest::Rows;

namespace {

const COLORREF kInk = RGB(200, 0, 0);

TEST(Draw, FillRectAndFrameRectStopBeforeRightAndBottom) {
  Canvas c(6, 5);
  HBRUSH ink = CreateSolidBrush(kInk);
  RECT fill{1, 1, 3, 3};
  EXPECT_TRUE(FillRect(c.dc, &fill, ink));
  RECT frame{2, 1, 6, 5};
  FrameRect(c.dc, &frame, ink);
  EXPECT_EQ(c.Picture(kInk), Rows({"......",
                                   ".#####",
                                   ".##..#",
                                   "..#..#",
                                   "..####"}));
  // Empty and inverted rectangles draw nothing.
  Canvas d(4, 4);
  RECT inverted{3, 3, 1, 1};
  FillRect(d.dc, &inverted, ink);
  FrameRect(d.dc, &inverted, ink);
  EXPECT_EQ(d.InkBox(RGB(255, 255, 255)).right, 0);
  DeleteObject(ink);
}

TEST(Draw, RectangleWithPenAndBrushAndWithoutPen) {
  const COLORREF fill = RGB(0, 0, 200);
  HPEN pen = CreatePen(PS_SOLID, 1, kInk);
  HBRUSH brush = CreateSolidBrush(fill);
  {
    Canvas c(6, 5);
    HGDIOBJ op = SelectObject(c.dc, pen), ob = SelectObject(c.dc, brush);
    Rectangle(c.dc, 0, 0, 5, 4);
    EXPECT_EQ(c.Picture(kInk), Rows({"#####.", "#...#.", "#...#.", "#####.", "......"}));
    EXPECT_EQ(c.Picture(fill), Rows({"......", ".###..", ".###..", "......", "......"}));
    SelectObject(c.dc, op);
    SelectObject(c.dc, ob);
  }
  {
    // Without a pen the filled area is one pixel smaller at the right and bottom.
    Canvas c(6, 5);
    HGDIOBJ op = SelectObject(c.dc, GetStockObject(NULL_PEN)), ob = SelectObject(c.dc, brush);
    Rectangle(c.dc, 1, 1, 5, 4);
    EXPECT_EQ(c.Picture(fill), Rows({"......", ".###..", ".###..", "......", "......"}));
    SelectObject(c.dc, op);
    SelectObject(c.dc, ob);
  }
  {
    // A hollow brush leaves the inside alone.
    Canvas c(4, 4);
    HGDIOBJ op = SelectObject(c.dc, pen), ob = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    Rectangle(c.dc, 0, 0, 4, 4);
    EXPECT_EQ(c.Picture(RGB(255, 255, 255)), Rows({"....", ".##.", ".##.", "...."}));
    SelectObject(c.dc, op);
    SelectObject(c.dc, ob);
  }
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(Draw, LineToLeavesOutItsEndPoint) {
  struct Case {
    const char* name;
    POINT from, to;
    std::vector<std::string> picture;
  };
  const Case cases[] = {
      {"right", {0, 1}, {4, 1}, Rows({".....", "####.", ".....", ".....", "....."})},
      {"left", {4, 1}, {0, 1}, Rows({".....", ".####", ".....", ".....", "....."})},
      {"down", {2, 0}, {2, 3}, Rows({"..#..", "..#..", "..#..", ".....", "....."})},
      {"diagonal", {0, 0}, {4, 4}, Rows({"#....", ".#...", "..#..", "...#.", "....."})},
      {"anti-diagonal", {4, 0}, {0, 4}, Rows({"....#", "...#.", "..#..", ".#...", "....."})},
      {"single point", {2, 2}, {2, 2}, Rows({".....", ".....", ".....", ".....", "....."})},
  };
  HPEN pen = CreatePen(PS_SOLID, 1, kInk);
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Canvas c(5, 5);
    HGDIOBJ old = SelectObject(c.dc, pen);
    MoveToEx(c.dc, k.from.x, k.from.y, nullptr);
    LineTo(c.dc, k.to.x, k.to.y);
    POINT pos;
    GetCurrentPositionEx(c.dc, &pos);
    EXPECT_EQ(pos.x, k.to.x);
    EXPECT_EQ(c.Picture(kInk), k.picture);
    SelectObject(c.dc, old);
  }
  DeleteObject(pen);
}

TEST(Draw, SurfaceDCIsOffsetAndClipped) {
  nux::gdi::Surface s(10, 8);
  s.Fill(0xFFFFFFFF);
  // A child at (3, 2), 4 x 3 pixels: its (0, 0) is surface (3, 2), nothing leaves its area.
  RECT clip{3, 2, 7, 5};
  HDC dc = nux::gdi::CreateSurfaceDC(&s, POINT{3, 2}, &clip);
  HBRUSH ink = CreateSolidBrush(kInk);
  RECT all{-5, -5, 20, 20};
  FillRect(dc, &all, ink);
  EXPECT_EQ(s.colorAt(3, 2), kInk);
  EXPECT_EQ(s.colorAt(6, 4), kInk);
  EXPECT_NE(s.colorAt(7, 4), kInk);
  EXPECT_NE(s.colorAt(2, 2), kInk);
  EXPECT_NE(s.colorAt(3, 5), kInk);
  EXPECT_EQ(SetPixel(dc, 0, 0, RGB(0, 0, 255)), RGB(0, 0, 255));
  EXPECT_EQ(s.colorAt(3, 2), RGB(0, 0, 255));
  EXPECT_EQ(SetPixel(dc, 4, 0, RGB(0, 0, 255)), CLR_INVALID);
  EXPECT_EQ(GetPixel(dc, 1, 1), kInk);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.bottom, 3);

  // A clip region in device coordinates narrows it further; the DC follows a moved window.
  HRGN rgn = CreateRectRgn(1, 0, 2, 3);
  s.Fill(0xFFFFFFFF);
  SelectClipRgn(dc, rgn);
  FillRect(dc, &all, ink);
  EXPECT_EQ(s.colorAt(4, 3), kInk);
  EXPECT_NE(s.colorAt(3, 3), kInk);
  EXPECT_NE(s.colorAt(5, 3), kInk);
  SelectClipRgn(dc, nullptr);
  RECT moved{0, 0, 10, 8};
  nux::gdi::SetSurfaceDCPlacement(dc, POINT{0, 0}, &moved);
  s.Fill(0xFFFFFFFF);
  FillRect(dc, &all, ink);
  EXPECT_EQ(s.colorAt(9, 7), kInk);
  // A surface that grows is drawn into whole.
  s.Resize(12, 8, 0xFFFFFFFF);
  nux::gdi::SetSurfaceDCPlacement(dc, POINT{0, 0}, nullptr);
  FillRect(dc, &all, ink);
  EXPECT_EQ(s.colorAt(11, 7), kInk);
  DeleteObject(rgn);
  DeleteObject(ink);
  DeleteDC(dc);
}

TEST(Draw, SystemRegionOfAPaintDCStaysBelowTheApplicationsClip) {
  nux::gdi::Surface s(6, 1);
  s.Fill(0xFFFFFFFF);
  HDC dc = nux::gdi::CreateSurfaceDC(&s, POINT{1, 0}, nullptr);
  nux::gdi::Region update(RECT{0, 0, 3, 1});
  ASSERT_TRUE(nux::gdi::SetSurfaceDCSystemRegion(dc, &update));
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(dc, probe), 0);
  SelectClipRgn(dc, nullptr);
  HBRUSH ink = CreateSolidBrush(kInk);
  RECT all{-10, -10, 10, 10};
  FillRect(dc, &all, ink);
  std::string row;
  for (int x = 0; x < 6; ++x) row.push_back(s.colorAt(x, 0) == kInk ? '#' : '.');
  EXPECT_EQ(row, ".###..");
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 3);
  DeleteObject(probe);
  DeleteObject(ink);
  DeleteDC(dc);
}

TEST(Draw, ADCThatOutlivesItsSurfaceDrawsNothing) {
  auto* s = new nux::gdi::Surface(4, 4);
  HDC dc = nux::gdi::CreateSurfaceDC(s, POINT{0, 0}, nullptr);
  EXPECT_EQ(nux::gdi::SurfaceOfDC(dc), s);
  delete s;
  EXPECT_EQ(nux::gdi::SurfaceOfDC(dc), nullptr);
  RECT r{0, 0, 4, 4};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(SetPixel(dc, 1, 1, kInk), CLR_INVALID);
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(Draw, ClipRectanglesAndSaveRestore) {
  Canvas c(6, 1);
  HBRUSH ink = CreateSolidBrush(kInk);
  RECT all{0, 0, 6, 1};
  int saved = SaveDC(c.dc);
  EXPECT_EQ(IntersectClipRect(c.dc, 1, 0, 5, 1), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(c.dc, 2, 0, 3, 1), COMPLEXREGION);
  FillRect(c.dc, &all, ink);
  EXPECT_EQ(c.Picture(kInk), Rows({".#.##."}));
  EXPECT_TRUE(RestoreDC(c.dc, saved));
  FillRect(c.dc, &all, ink);
  EXPECT_EQ(c.Picture(kInk), Rows({"######"}));
  EXPECT_FALSE(RestoreDC(c.dc, saved));  // already restored
  DeleteObject(ink);
}

TEST(Draw, ViewportOriginMovesLogicalCoordinates) {
  Canvas c(4, 4);
  SetViewportOrgEx(c.dc, 2, 1, nullptr);
  EXPECT_EQ(SetPixel(c.dc, 0, 0, kInk), kInk);
  EXPECT_EQ(c.at(2, 1), kInk);
  POINT p{0, 0};
  LPtoDP(c.dc, &p, 1);
  EXPECT_EQ(p.x, 2);
  EXPECT_EQ(p.y, 1);
}

TEST(Draw, PatternBrushFollowsTheBrushOrigin) {
  // A 2 x 1 pattern: ink, white.
  Canvas pattern(2, 1);
  SetPixel(pattern.dc, 0, 0, kInk);
  SelectObject(pattern.dc, pattern.old);
  HBRUSH brush = CreatePatternBrush(pattern.bitmap);
  pattern.old = SelectObject(pattern.dc, pattern.bitmap);
  ASSERT_NE(brush, nullptr);
  Canvas c(6, 2);
  RECT r{0, 0, 6, 2};
  FillRect(c.dc, &r, brush);
  EXPECT_EQ(c.Picture(kInk), Rows({"#.#.#.", "#.#.#."}));
  SetBrushOrgEx(c.dc, 1, 0, nullptr);
  FillRect(c.dc, &r, brush);
  EXPECT_EQ(c.Picture(kInk), Rows({".#.#.#", ".#.#.#"}));
  DeleteObject(brush);
}

TEST(Draw, WideAndDottedPens) {
  {
    // A 3-pixel pen centres its frame on the rectangle's outline.
    HPEN pen = CreatePen(PS_SOLID, 3, kInk);
    Canvas c(9, 9);
    HGDIOBJ op = SelectObject(c.dc, pen), ob = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    Rectangle(c.dc, 1, 1, 8, 8);
    EXPECT_EQ(c.Picture(kInk), Rows({"#########", "#########", "#########", "###...###", "###...###",
                                     "###...###", "#########", "#########", "#########"}));
    SelectObject(c.dc, op);
    SelectObject(c.dc, ob);
    DeleteObject(pen);
  }
  {
    // PS_INSIDEFRAME keeps a wide frame inside the rectangle.
    HPEN pen = CreatePen(PS_INSIDEFRAME, 2, kInk);
    Canvas c(6, 6);
    HGDIOBJ op = SelectObject(c.dc, pen), ob = SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    Rectangle(c.dc, 0, 0, 6, 6);
    EXPECT_EQ(c.Picture(kInk), Rows({"######", "######", "##..##", "##..##", "######", "######"}));
    SelectObject(c.dc, op);
    SelectObject(c.dc, ob);
    DeleteObject(pen);
  }
  {
    // A dotted line: three on, three off; the gaps take the background colour when opaque.
    HPEN pen = CreatePen(PS_DOT, 1, kInk);
    Canvas c(10, 1);
    HGDIOBJ op = SelectObject(c.dc, pen);
    SetBkMode(c.dc, TRANSPARENT);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 10, 0);
    EXPECT_EQ(c.Picture(kInk), Rows({"###...###."}));
    SetBkMode(c.dc, OPAQUE);
    SetBkColor(c.dc, RGB(0, 0, 255));
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 10, 0);
    EXPECT_EQ(c.Picture(RGB(0, 0, 255)), Rows({"...###...#"}));
    SelectObject(c.dc, op);
    DeleteObject(pen);
  }
  {
    // R2_NOT inverts what is under the pen.
    Canvas c(3, 1, RGB(0, 255, 0));
    SetROP2(c.dc, R2_NOT);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 2, 0);
    EXPECT_EQ(c.at(0, 0), RGB(255, 0, 255));
    EXPECT_EQ(c.at(2, 0), RGB(0, 255, 0));
  }
}

TEST(Draw, PatBltRasterOperations) {
  struct Case {
    DWORD rop;
    COLORREF expected;
  };
  const COLORREF dest = RGB(0x0F, 0xF0, 0x33), pattern = RGB(0x55, 0x55, 0xFF);
  const Case cases[] = {
      {PATCOPY, pattern},
      {BLACKNESS, RGB(0, 0, 0)},
      {WHITENESS, RGB(255, 255, 255)},
      {DSTINVERT, RGB(0xF0, 0x0F, 0xCC)},
      {PATINVERT, RGB(0x5A, 0xA5, 0xCC)},
  };
  HBRUSH brush = CreateSolidBrush(pattern);
  for (const auto& k : cases) {
    SCOPED_TRACE(k.rop);
    Canvas c(2, 2, dest);
    HGDIOBJ old = SelectObject(c.dc, brush);
    EXPECT_TRUE(PatBlt(c.dc, 0, 0, 1, 2, k.rop));
    EXPECT_EQ(c.at(0, 1), k.expected);
    EXPECT_EQ(c.at(1, 1), dest);
    SelectObject(c.dc, old);
  }
  DeleteObject(brush);
}

TEST(Draw, RegionFillAndFrame) {
  Canvas c(6, 6);
  HBRUSH ink = CreateSolidBrush(kInk);
  HRGN rgn = CreateRectRgn(0, 0, 5, 5);
  EXPECT_TRUE(FrameRgn(c.dc, rgn, ink, 1, 1));
  EXPECT_EQ(c.Picture(kInk), Rows({"#####.", "#...#.", "#...#.", "#...#.", "#####.", "......"}));
  HRGN hole = CreateRectRgn(1, 1, 3, 3);
  CombineRgn(rgn, rgn, hole, RGN_DIFF);
  Canvas d(6, 6);
  EXPECT_TRUE(FillRgn(d.dc, rgn, ink));
  EXPECT_EQ(d.Picture(kInk), Rows({"#####.", "#..##.", "#..##.", "#####.", "#####.", "......"}));
  DeleteObject(hole);
  DeleteObject(rgn);
  DeleteObject(ink);
}

TEST(Draw, ObjectsSelectedIntoADCOutliveDeleteObject) {
  Canvas c(2, 2);
  HBRUSH brush = CreateSolidBrush(kInk);
  HGDIOBJ old = SelectObject(c.dc, brush);
  EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_TRUE(DeleteObject(brush));
  // Still usable while selected; gone once deselected.
  EXPECT_TRUE(PatBlt(c.dc, 0, 0, 1, 1, PATCOPY));
  EXPECT_EQ(c.at(0, 0), kInk);
  EXPECT_EQ(SelectObject(c.dc, old), brush);
  EXPECT_EQ(GetObjectType(brush), 0u);
  // Stock objects survive DeleteObject.
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
  // A bitmap lives in one memory DC at a time.
  HDC other = CreateCompatibleDC(c.dc);
  EXPECT_EQ(SelectObject(other, c.bitmap), nullptr);
  DeleteDC(other);
}

TEST(Draw, DeviceCapsOfTheScreen) {
  HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(ic, nullptr);
  EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(ic, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(ic, RASTERCAPS) & RC_PALETTE, 0);
  // An information context draws nothing and does not fail.
  RECT r{0, 0, 5, 5};
  EXPECT_TRUE(FillRect(ic, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_TRUE(DeleteDC(ic));
  EXPECT_EQ(CreateICA("PRINTER", nullptr, nullptr, nullptr), nullptr);
}

TEST(Draw, MulDivRoundsHalfAwayFromZero) {
  struct Case {
    int a, b, c, expected;
  };
  const Case cases[] = {{8, 96, 72, 11}, {10, 96, 72, 13}, {-8, 96, 72, -11}, {1, 1, 2, 1},
                        {-1, 1, 2, -1}, {5, 3, 0, -1},     {2540, 96, 2540, 96}};
  for (const auto& k : cases) EXPECT_EQ(MulDiv(k.a, k.b, k.c), k.expected) << k.a << "*" << k.b << "/" << k.c;
}

}  // namespace
