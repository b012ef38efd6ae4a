// CDib: conversion from bitmaps, loading pictures from resources, memory and files (loose and
// inside archives), and the drawing schedules (stretch, tile, repeat) checked pixel by pixel.
#include <string>
#include <vector>

#include "Dib.h"
#include "ResourceFile.h"
#include "dialogbase_fixture.h"
#include "memory/memory.h"
#include "test_support.h"

using namespace dialogbasetest;

namespace {

// The image of most drawing tests: 10 x 4, every pixel a colour of its own.
COLORREF Cell(int x, int y) { return RGB(x * 20 + 5, y * 50 + 3, 77); }

// A CDib made from a canvas painted by `fill`.
void MakeDib(CDib& dib, int w, int h, const std::function<COLORREF(int, int)>& fill) {
  Canvas c(w, h, fill);
  c.Deselect();
  ASSERT_TRUE(dib.CreateFromBitmap(c.bitmap, nullptr));
  c.Reselect();
}

TEST(Dib, CreateFromBitmapKeepsEveryPixelAndDrawsItBack) {
  CDib dib;
  EXPECT_FALSE(dib.IsValid());
  EXPECT_EQ(dib.GetWidth(), 0);
  MakeDib(dib, 10, 4, Cell);
  ASSERT_TRUE(dib.IsValid());
  EXPECT_EQ(dib.GetWidth(), 10);
  EXPECT_EQ(dib.GetHeight(), 4);
  EXPECT_EQ(dib.GetHeader()->biBitCount, 32);
  EXPECT_EQ(dib.GetHeader()->biSizeImage, 10u * 4u * 4u);

  Canvas target(14, 8);
  EXPECT_TRUE(dib.Draw(&target.cdc, 2, 3, SRCCOPY));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 14; ++x) {
      bool inside = x >= 2 && x < 12 && y >= 3 && y < 7;
      EXPECT_EQ(target.at(x, y), inside ? Cell(x - 2, y - 3) : RGB(255, 255, 255)) << x << "," << y;
    }
  dib.Free();
  EXPECT_FALSE(dib.IsValid());
  EXPECT_EQ(dib.GetHeight(), 0);
}

TEST(Dib, OnePixelImageDrawsExactlyOnePixel) {
  CDib dib;
  MakeDib(dib, 1, 1, [](int, int) { return RGB(0, 0, 10); });
  Canvas target(8, 8);
  dib.Draw(&target.cdc, 5, 5, SRCCOPY);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(target.at(x, y), x == 5 && y == 5 ? RGB(0, 0, 10) : RGB(255, 255, 255)) << x << "," << y;
}

TEST(Dib, ABitmapStillSelectedIntoADCIsNotRead) {
  Canvas c(3, 3, RGB(1, 2, 3));
  CDib dib;
  EXPECT_FALSE(dib.CreateFromBitmap(c.bitmap, nullptr));
  EXPECT_FALSE(dib.IsValid());
}

TEST(Dib, StretchModeFollowsTheScaleAndSourceCountsFromTheTop) {
  CDib dib;
  MakeDib(dib, 10, 4, Cell);
  Canvas target(12, 12);
  // Same size: COLORONCOLOR, a piece taken from (3, 1) of the upright image.
  dib.DrawPart(&target.cdc, 0, 0, 2, 2, 3, 1, SRCCOPY);
  EXPECT_EQ(target.cdc.GetStretchBltMode(), COLORONCOLOR);
  EXPECT_EQ(target.at(0, 0), Cell(3, 1));
  EXPECT_EQ(target.at(1, 1), Cell(4, 2));
  EXPECT_EQ(target.at(2, 0), RGB(255, 255, 255));
  // Scaled: HALFTONE with the brush origin at (0, 0); one source pixel fills the area.
  target.cdc.SetBrushOrg(3, 3);
  dib.StretchPart(&target.cdc, 4, 4, 3, 5, 7, 2, 1, 1, SRCCOPY);
  EXPECT_EQ(target.cdc.GetStretchBltMode(), HALFTONE);
  EXPECT_EQ(target.cdc.GetBrushOrg(), CPoint(0, 0));
  for (int y = 4; y < 9; ++y)
    for (int x = 4; x < 7; ++x) EXPECT_EQ(target.at(x, y), Cell(7, 2));
  EXPECT_EQ(target.at(7, 4), RGB(255, 255, 255));
  EXPECT_EQ(target.at(4, 9), RGB(255, 255, 255));
  // The rectangle form and the raster operation are passed on.
  Canvas inv(4, 4, RGB(0, 0, 0));
  dib.StretchDrawRect(&inv.cdc, RECT{1, 1, 3, 3}, RECT{0, 0, 2, 2}, NOTSRCCOPY);
  EXPECT_EQ(inv.at(1, 1), RGB(255 - 5, 255 - 3, 255 - 77));
  EXPECT_EQ(inv.at(0, 0), RGB(0, 0, 0));
}

// An uneven enlargement blends the source pixels each destination pixel covers, weighted by
// the covered area (within the rounding of two 8-bit passes). Wide enough for every path of
// the blend: pixels taken four at a time and the last ones one by one.
TEST(Dib, UnevenEnlargementAveragesTheCoveredArea) {
  const int sw = 37, sh = 23, dw = 101, dh = 59;
  auto noise = [](int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return RGB(h & 0xFF, (h >> 8) & 0xFF, (h >> 16) & 0xFF);
  };
  CDib dib;
  MakeDib(dib, sw, sh, noise);
  Canvas c(dw + 2, dh + 2, RGB(1, 2, 3));
  dib.StretchDraw(&c.cdc, 1, 1, 1 + dw, 1 + dh, 0, 0, sw, sh, SRCCOPY);
  // The share of source pixel j in destination pixel i along one axis.
  auto cover = [](int i, int j, int d, int s) {
    const double lo = static_cast<double>(i) * s / d, hi = static_cast<double>(i + 1) * s / d;
    return std::max(0.0, std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j))) * d / s;
  };
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      double want[3] = {0, 0, 0};
      for (int j = y * sh / dh; j <= std::min(sh - 1, (y + 1) * sh / dh); ++j)
        for (int i = x * sw / dw; i <= std::min(sw - 1, (x + 1) * sw / dw); ++i) {
          const double w = cover(x, i, dw, sw) * cover(y, j, dh, sh);
          const COLORREF p = noise(i, j);
          want[0] += w * GetRValue(p);
          want[1] += w * GetGValue(p);
          want[2] += w * GetBValue(p);
        }
      const COLORREF got = c.at(1 + x, 1 + y);
      ASSERT_NEAR(GetRValue(got), want[0], 2) << x << "," << y;
      ASSERT_NEAR(GetGValue(got), want[1], 2) << x << "," << y;
      ASSERT_NEAR(GetBValue(got), want[2], 2) << x << "," << y;
    }
  EXPECT_EQ(c.at(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(c.at(dw + 1, dh + 1), RGB(1, 2, 3));
}

// An integer enlargement repeats each source pixel exactly (nearest-pixel rows, fetched in
// groups and one by one at the end).
TEST(Dib, IntegerEnlargementRepeatsEachPixel) {
  auto noise = [](int x, int y) { return RGB((x * 37 + y * 11) & 0xFF, (x * 5 + y * 91) & 0xFF, (x ^ y) * 9 & 0xFF); };
  CDib dib;
  MakeDib(dib, 37, 23, noise);
  Canvas c(113, 48, RGB(1, 2, 3));
  dib.StretchDraw(&c.cdc, 1, 1, 112, 47, 0, 0, 37, 23, SRCCOPY);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 113; ++x) {
      const bool in = x >= 1 && x < 112 && y >= 1 && y < 47;
      ASSERT_EQ(c.at(x, y), in ? noise((x - 1) / 3, (y - 1) / 2) : RGB(1, 2, 3)) << x << "," << y;
    }
  // Mirrored (a negative destination width, x the rightmost pixel), twice as wide.
  Canvas source(37, 2, noise), mirrored(74, 2);
  SetStretchBltMode(mirrored.cdc.m_hDC, COLORONCOLOR);
  StretchBlt(mirrored.cdc.m_hDC, 73, 0, -74, 2, source.cdc.m_hDC, 0, 0, 37, 2, SRCCOPY);
  for (int x = 0; x < 74; ++x) ASSERT_EQ(mirrored.at(x, 1), noise((73 - x) / 2, 1)) << x;
}

// The drawn area compared with what tiling from (x0, y0) must give. `background` is what the
// target held before; the first piece is drawn with SRCINVERT, so every further tile shows
// whether it was copied from the first one (the doubling) or drawn again over its own
// background.
void ExpectTiled(const Canvas& c, int cw, int ch, RECT area, int sx, int sy, int sw, int sh,
                 const std::function<COLORREF(int, int)>& background) {
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) {
      COLORREF want = background(x, y);
      if (x >= area.left && x < area.right && y >= area.top && y < area.bottom) {
        int fx = area.left + (x - area.left) % sw, fy = area.top + (y - area.top) % sh;
        want = background(fx, fy) ^ Cell(sx + fx - area.left, sy + fy - area.top);
      }
      ASSERT_EQ(c.at(x, y), want) << "pixel " << x << "," << y;
    }
}

TEST(Dib, TileDrawsThePieceOnceAndDoublesIt) {
  CDib dib;
  MakeDib(dib, 10, 4, Cell);
  auto stripes = [](int x, int y) { return RGB(x * 3, y * 7, (x + y) % 2 ? 200 : 100); };
  struct Case {
    RECT area;
    int sx, sy, sw, sh;
  } cases[] = {
      {{2, 1, 37, 10}, 0, 0, 10, 4},  // 35 wide: one draw, copies at +10 (10 wide) and +20 (15 wide)
      {{0, 0, 10, 4}, 0, 0, 10, 4},   // exactly one piece
      {{3, 3, 8, 6}, 0, 0, 10, 4},    // smaller than the piece: cut
      {{1, 2, 30, 25}, 2, 1, 3, 2},   // a piece from inside the image
      {{4, 0, 5, 40}, 9, 3, 1, 1},    // one pixel down a tall strip
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "area " << k.area.left << "," << k.area.top << " piece " << k.sw << "x" << k.sh);
    Canvas c(40, 42, stripes);
    EXPECT_TRUE(dib.TileDrawRect(&c.cdc, k.area, RECT{k.sx, k.sy, k.sx + k.sw, k.sy + k.sh}, SRCINVERT));
    ExpectTiled(c, 40, 42, k.area, k.sx, k.sy, k.sw, k.sh, stripes);
  }
}

TEST(Dib, RepeatAcrossAndDown) {
  CDib dib;
  MakeDib(dib, 10, 4, Cell);
  auto white = [](int, int) { return RGB(255, 255, 255); };
  {
    // Without stretching the height is cut to the piece's; copies go across.
    Canvas c(40, 10);
    EXPECT_TRUE(dib.RepeatAcross(&c.cdc, 1, 2, 35, 8, 2, 0, 3, 4, FALSE, SRCCOPY));
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 40; ++x) {
        bool in = x >= 1 && x < 36 && y >= 2 && y < 6;
        ASSERT_EQ(c.at(x, y), in ? Cell(2 + (x - 1) % 3, y - 2) : white(x, y)) << x << "," << y;
      }
  }
  {
    // Down: the width is cut to the piece's.
    Canvas c(10, 40);
    EXPECT_TRUE(dib.RepeatDownRect(&c.cdc, RECT{2, 1, 9, 36}, RECT{4, 1, 6, 4}, FALSE, SRCCOPY));
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 10; ++x) {
        bool in = x >= 2 && x < 4 && y >= 1 && y < 36;
        ASSERT_EQ(c.at(x, y), in ? Cell(4 + x - 2, 1 + (y - 1) % 3) : white(x, y)) << x << "," << y;
      }
  }
  {
    // Stretched: a one-pixel-high piece fills the whole height, then repeats across.
    Canvas c(20, 6);
    EXPECT_TRUE(dib.RepeatAcrossRect(&c.cdc, RECT{0, 0, 20, 6}, RECT{0, 2, 4, 3}, TRUE, SRCCOPY));
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 20; ++x) ASSERT_EQ(c.at(x, y), Cell(x % 4, 2)) << x << "," << y;
  }
  {
    // Stretched down: a one-pixel-wide piece fills the width.
    Canvas c(5, 9);
    EXPECT_TRUE(dib.RepeatDown(&c.cdc, 0, 0, 5, 9, 6, 0, 1, 4, TRUE, SRCCOPY));
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(c.at(x, y), Cell(6, y % 4)) << x << "," << y;
  }
}

TEST(Dib, RepeatAcrossStretchedSqueezesTheWholePieceIntoANarrowDestination) {
  CDib dib;
  // Columns in pairs: A A B B.
  MakeDib(dib, 4, 1, [](int x, int) { return x < 2 ? RGB(200, 10, 10) : RGB(10, 10, 200); });
  Canvas c(6, 3);
  EXPECT_TRUE(dib.RepeatAcross(&c.cdc, 1, 1, 2, 1, 0, 0, 4, 1, TRUE, SRCCOPY));
  EXPECT_EQ(c.at(1, 1), RGB(200, 10, 10));
  EXPECT_EQ(c.at(2, 1), RGB(10, 10, 200));
  EXPECT_EQ(c.at(3, 1), RGB(255, 255, 255));
  EXPECT_EQ(c.at(0, 1), RGB(255, 255, 255));
}

TEST(Dib, EmptyPiecesDrawNothingAndEndAtOnce) {
  CDib dib;
  MakeDib(dib, 10, 4, Cell);
  struct Case {
    const char* what;
    std::function<BOOL(CDC*)> draw;
  } cases[] = {
      {"tile, no width", [&](CDC* dc) { return dib.TileDraw(dc, 0, 0, 20, 20, 0, 0, 0, 4, SRCCOPY); }},
      {"tile, no height", [&](CDC* dc) { return dib.TileDraw(dc, 0, 0, 20, 20, 0, 0, 4, 0, SRCCOPY); }},
      {"tile, negative", [&](CDC* dc) { return dib.TileDraw(dc, 0, 0, 20, 20, 5, 0, -3, 2, SRCCOPY); }},
      {"across", [&](CDC* dc) { return dib.RepeatAcross(dc, 0, 0, 20, 20, 0, 0, 0, 4, FALSE, SRCCOPY); }},
      {"across, stretched", [&](CDC* dc) { return dib.RepeatAcross(dc, 0, 0, 20, 20, 0, 0, 0, 4, TRUE, SRCCOPY); }},
      {"down", [&](CDC* dc) { return dib.RepeatDown(dc, 0, 0, 20, 20, 0, 0, 4, 0, FALSE, SRCCOPY); }},
      {"down, stretched", [&](CDC* dc) { return dib.RepeatDown(dc, 0, 0, 20, 20, 0, 0, 4, 0, TRUE, SRCCOPY); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Canvas c(20, 20);
    EXPECT_TRUE(k.draw(&c.cdc));
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) ASSERT_EQ(c.at(x, y), RGB(255, 255, 255));
  }
}

TEST(Dib, WithoutAnImageEveryDrawingIsFalseAndDrawsNothing) {
  CDib dib;
  Canvas c(6, 6);
  RECT r{0, 0, 6, 6};
  EXPECT_FALSE(dib.Draw(&c.cdc, 0, 0, BLACKNESS));
  EXPECT_FALSE(dib.DrawPart(&c.cdc, 0, 0, 6, 6, 0, 0, BLACKNESS));
  EXPECT_FALSE(dib.StretchDraw(&c.cdc, 0, 0, 6, 6, 0, 0, 2, 2, BLACKNESS));
  EXPECT_FALSE(dib.StretchPart(&c.cdc, 0, 0, 6, 6, 0, 0, 2, 2, BLACKNESS));
  EXPECT_FALSE(dib.StretchDrawRect(&c.cdc, r, r, BLACKNESS));
  EXPECT_FALSE(dib.TileDrawRect(&c.cdc, r, r, BLACKNESS));
  EXPECT_FALSE(dib.RepeatAcrossRect(&c.cdc, r, r, TRUE, BLACKNESS));
  EXPECT_FALSE(dib.RepeatDownRect(&c.cdc, r, r, FALSE, BLACKNESS));
  EXPECT_EQ(c.at(3, 3), RGB(255, 255, 255));
}

TEST(Dib, LoadResourceReadsTheBitmapOfTheProgram) {
  CDib dib;
  ASSERT_TRUE(dib.LoadResource(7));
  EXPECT_EQ(dib.GetWidth(), 3);
  EXPECT_EQ(dib.GetHeight(), 2);
  Canvas c(3, 2);
  dib.Draw(&c.cdc, 0, 0, SRCCOPY);
  EXPECT_EQ(c.at(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.at(2, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.at(0, 1), RGB(255, 255, 255));
  EXPECT_EQ(c.at(2, 1), RGB(128, 128, 128));
  EXPECT_EQ(dib.GetName(), u"");
  // No such resource: FALSE, and the image is left alone.
  EXPECT_FALSE(dib.LoadResource(999));
  EXPECT_TRUE(dib.IsValid());
}

// What a loaded picture must show: its size and some pixels drawn at their own size.
struct Expected {
  int w, h;
  std::vector<std::pair<POINT, COLORREF>> pixels;
  int tolerance;
};

void ExpectPicture(CDib& dib, const Expected& e) {
  ASSERT_TRUE(dib.IsValid());
  EXPECT_EQ(dib.GetWidth(), e.w);
  EXPECT_EQ(dib.GetHeight(), e.h);
  Canvas c(e.w, e.h, RGB(9, 9, 9));
  dib.Draw(&c.cdc, 0, 0, SRCCOPY);
  for (const auto& [pt, color] : e.pixels)
    EXPECT_TRUE(Near(c.at(pt.x, pt.y), color, e.tolerance))
        << pt.x << "," << pt.y << " is " << std::hex << c.at(pt.x, pt.y) << " not " << color;
}

const Expected kSky{16, 8, {{{0, 0}, RGB(255, 0, 0)}, {{3, 7}, RGB(255, 0, 0)}, {{15, 0}, RGB(0, 0, 255)}}, 12};
// Transparent pixels come out black, as rendering onto a fresh bitmap leaves them.
const Expected kDot{4, 2,
                    {{{0, 0}, RGB(255, 0, 0)},
                     {{1, 0}, RGB(0, 0, 255)},
                     {{2, 0}, RGB(0, 0, 0)},
                     {{3, 0}, RGB(0, 255, 0)},
                     {{2, 1}, RGB(255, 0, 0)}},
                    0};

TEST(Dib, LoadFromMemoryReadsEachPictureFormatAndFreesTheBlock) {
  struct Case {
    const char* what;
    std::string bytes;
    Expected expected;
  } cases[] = {
      {"bitmap", Fixture("fixtures/small.bmp"), {3, 2, {{{0, 0}, RGB(255, 0, 0)}, {{2, 1}, RGB(128, 128, 128)}}, 0}},
      {"JPEG", Fixture("fixtures/Pictures/sky.jpg"), kSky},
      {"GIF", Fixture("fixtures/Pictures/dot.gif"), kDot},
      {"icon",
       IconBytes(),
       {2, 2,
        {{{0, 0}, RGB(255, 0, 0)}, {{1, 0}, RGB(0, 255, 0)}, {{0, 1}, RGB(0, 0, 255)}, {{1, 1}, RGB(0, 0, 0)}},
        0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ASSERT_FALSE(k.bytes.empty());
    CDib dib;
    HGLOBAL block = GlobalBlockOf(k.bytes);
    ASSERT_TRUE(dib.LoadFromMemory(block));
    EXPECT_EQ(GlobalFlags(block), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "the block is freed";
    ExpectPicture(dib, k.expected);
  }
}

TEST(Dib, LoadFromMemoryFailuresLeaveAnEmptyImageAndFreeTheBlock) {
  // A PNG file is not among the picture loader's formats.
  const std::string png = Fixture("../resfile/fixtures/Frames/corner.png");
  for (const std::string& bytes : {std::string("no picture at all"), std::string("GIF89a\x02\x00", 8), png}) {
    CDib dib;
    MakeDib(dib, 2, 2, Cell);
    HGLOBAL block = GlobalBlockOf(bytes);
    EXPECT_FALSE(dib.LoadFromMemory(block));
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(GlobalFlags(block), static_cast<UINT>(GMEM_INVALID_HANDLE));
  }
  CDib dib;
  MakeDib(dib, 2, 2, Cell);
  EXPECT_FALSE(dib.LoadFromMemory(nullptr));
  EXPECT_TRUE(dib.IsValid()) << "a null block changes nothing";
}

class DibFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root.Write("drive_c/Loose/sky.jpg", Fixture("fixtures/Pictures/sky.jpg"));
    root.Write("drive_c/Loose/dot.gif", Fixture("fixtures/Pictures/dot.gif"));
    root.Write("drive_c/Loose/readme.gif", Fixture("fixtures/Pictures/readme.gif"));
    root.Write("drive_c/UI/Pictures.nux", Fixture("fixtures/Pictures.nux"));
  }
  nuxtest::ScopedPlatformRoot root;
};

TEST_F(DibFiles, PicturesLoadAlikeFromLooseFilesAndFromArchives) {
  struct Case {
    const char16_t* path;
    const Expected* expected;
  } cases[] = {
      {u"C:\\Loose\\sky.jpg", &kSky},
      {u"C:\\Loose\\dot.gif", &kDot},
      {u"C:\\UI\\Pictures\\sky.jpg", &kSky},
      {u"C:\\UI\\Pictures\\dot.gif", &kDot},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(nux::WideToAnsi(k.path));
    CDib dib;
    ASSERT_TRUE(dib.LoadFromFile(k.path, nullptr));
    EXPECT_EQ(dib.GetName(), k.path);
    ExpectPicture(dib, *k.expected);
  }
  // One resource file serves reads one after the other.
  CResourceFile file;
  CDib a, b;
  EXPECT_TRUE(a.LoadFromFile(u"C:\\UI\\Pictures\\dot.gif", &file));
  EXPECT_TRUE(b.LoadFromFile(u"C:\\UI\\Pictures\\sky.jpg", &file));
  ExpectPicture(b, kSky);
}

TEST_F(DibFiles, ANonPictureEmptiesTheImageButKeepsItsPathAMissingFileChangesNothing) {
  for (const char16_t* path : {u"C:\\Loose\\readme.gif", u"C:\\UI\\Pictures\\readme.gif"}) {
    CDib dib;
    MakeDib(dib, 2, 2, Cell);
    EXPECT_FALSE(dib.LoadFromFile(path, nullptr));
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.GetName(), path);
  }
  CDib dib;
  ASSERT_TRUE(dib.LoadFromFile(u"C:\\Loose\\dot.gif", nullptr));
  for (const char16_t* path : {u"", u"C:\\Loose\\missing.gif", u"C:\\Loose"}) {
    EXPECT_FALSE(dib.LoadFromFile(path, nullptr));
    EXPECT_TRUE(dib.IsValid());
    EXPECT_EQ(dib.GetName(), u"C:\\Loose\\dot.gif");
  }
}

}  // namespace
