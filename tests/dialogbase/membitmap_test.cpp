// CMemBitmap (capture, copies, blends, the opening slide) and the small drawing helpers.
#include "DrawHelpers.h"
#include "MemBitmap.h"
#include "NUXUtils.h"
#include "dialogbase_fixture.h"

using namespace dialogbasetest;

namespace {

COLORREF Pattern(int x, int y) { return RGB(x * 8, y * 8, 100); }

TEST(MemBitmap, CapturesCopiesAndDrawsPieces) {
  Canvas source(30, 20, Pattern);
  CMemBitmap bm;
  EXPECT_EQ(bm.GetDC(), nullptr) << "no bitmap, no DC";
  ASSERT_TRUE(bm.CreateFromDC(&source.cdc, 5, 4, 10, 6));
  EXPECT_EQ(bm.GetWidth(), 10);
  EXPECT_EQ(bm.GetHeight(), 6);

  CDC* dc = bm.GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(bm.GetDC(), dc) << "made once";
  EXPECT_EQ(dc->GetPixel(0, 0), Pattern(5, 4));
  EXPECT_EQ(dc->GetPixel(9, 5), Pattern(14, 9));

  // Drawing works with or without the bitmap's own DC out.
  for (bool released : {false, true}) {
    if (released) bm.ReleaseDC();
    Canvas target(12, 8);
    bm.Draw(&target.cdc, 1, 1);
    EXPECT_EQ(target.at(1, 1), Pattern(5, 4));
    EXPECT_EQ(target.at(10, 6), Pattern(14, 9));
    EXPECT_EQ(target.at(11, 7), RGB(255, 255, 255));
    bm.BitBlt(&target.cdc, 0, 0, 2, 1, 3, 2);
    EXPECT_EQ(target.at(0, 0), Pattern(8, 6));
    EXPECT_EQ(target.at(1, 0), Pattern(9, 6));
  }

  CMemBitmap copy;
  ASSERT_TRUE(copy.CopyOf(bm));
  EXPECT_EQ(copy.GetWidth(), 10);
  CMemBitmap small;
  ASSERT_TRUE(small.Create(3, 3));
  copy.DrawInto(small, 1, 1, 2, 2, 0, 0);
  CDC* sdc = small.GetDC();
  EXPECT_EQ(sdc->GetPixel(1, 1), Pattern(5, 4));
  EXPECT_EQ(sdc->GetPixel(0, 0), RGB(0, 0, 0)) << "a fresh bitmap is black";
  small.ReleaseDC();

  bm.Destroy();
  EXPECT_EQ(bm.GetWidth(), 0);
  EXPECT_EQ(bm.GetBitmap(), nullptr);
}

TEST(MemBitmap, AlphaDrawBlendsWithAConstantOpacity) {
  CMemBitmap white;
  ASSERT_TRUE(white.Create(4, 4));
  white.GetDC()->FillSolidRect(0, 0, 4, 4, RGB(255, 255, 255));
  white.ReleaseDC();
  struct Case {
    double opacity;
    int expected;  // channel value over black
  } cases[] = {{100, 255}, {150, 255}, {0, 0}, {-5, 0}, {50, 127}, {20, 51}};
  for (const Case& k : cases) {
    Canvas target(4, 4, RGB(0, 0, 0));
    white.AlphaDraw(&target.cdc, 0, 0, 2, 2, 0, 0, k.opacity);
    EXPECT_NEAR(GetRValue(target.at(1, 1)), k.expected, 1) << k.opacity;
    EXPECT_EQ(target.at(2, 2), RGB(0, 0, 0));
  }
  CMemBitmap other;
  other.Create(4, 4);
  white.AlphaDrawInto(other, 0, 0, 4, 4, 0, 0, 100);
  EXPECT_EQ(other.GetDC()->GetPixel(3, 3), RGB(255, 255, 255));
}

// The slide's last step shows the whole image opaque over the captured background, whatever
// the side, the number of steps and the size (15 rows in 11 steps and 30 columns in 11 steps
// are sizes where i/n taken as a fraction first would fall one short).
TEST(MemBitmap, SlideInEndsWithTheWholeImageAndTakesStepsTimesPause) {
  struct Case {
    int w, h, steps, side;
    BOOL blend;
  } cases[] = {{30, 15, 11, 1, TRUE}, {30, 15, 11, 2, TRUE}, {30, 15, 11, 3, FALSE}, {30, 15, 11, 4, TRUE},
               {20, 10, 15, 0x101, TRUE}, {20, 10, 15, 7, FALSE}, {8, 8, 1, 1, TRUE}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.w << "x" << k.h << " steps " << k.steps << " side " << k.side);
    nux::testing::UseVirtualClock(true);
    Canvas image(k.w, k.h, Pattern);
    CMemBitmap menu;
    ASSERT_TRUE(menu.CreateFromDC(&image.cdc, 0, 0, k.w, k.h));
    Canvas target(k.w + 10, k.h + 10, RGB(0, 128, 0));
    const DWORD start = GetTickCount();
    EXPECT_TRUE(menu.SlideIn(&target.cdc, 5, 5, k.steps, 10, k.side, k.blend));
    EXPECT_EQ(GetTickCount() - start, static_cast<DWORD>(10 * k.steps));
    for (int y = 0; y < k.h + 10; ++y)
      for (int x = 0; x < k.w + 10; ++x) {
        bool in = x >= 5 && y >= 5 && x < 5 + k.w && y < 5 + k.h;
        ASSERT_EQ(target.at(x, y), in ? Pattern(x - 5, y - 5) : RGB(0, 128, 0)) << x << "," << y;
      }
  }
  nux::testing::UseVirtualClock(false);
}

TEST(MemBitmap, SlideInWithoutBitmapOrStepsDrawsNothing) {
  Canvas image(10, 8, Pattern);
  CMemBitmap menu;
  ASSERT_TRUE(menu.CreateFromDC(&image.cdc, 0, 0, 10, 8));
  Canvas target(10, 8, RGB(0, 0, 90));
  EXPECT_FALSE(menu.SlideIn(&target.cdc, 0, 0, 0, 10, 1, TRUE));
  CMemBitmap none;
  EXPECT_FALSE(none.SlideIn(&target.cdc, 0, 0, 4, 10, 1, TRUE));
  EXPECT_EQ(target.at(5, 5), RGB(0, 0, 90));
}

TEST(DrawHelpers, FontsFromFaceAndPoints) {
  LOGFONT system{};
  GetSystemLogFont(&system);
  LOGFONT stock{};
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(stock), &stock);
  EXPECT_EQ(std::u16string(system.lfFaceName), std::u16string(stock.lfFaceName));
  EXPECT_EQ(system.lfHeight, stock.lfHeight);

  struct Case {
    int points, style;
    LONG height, weight;
    BYTE italic, underline, strike;
  } cases[] = {
      {8, 0, -11, 0, 0, 0, 0},  // MulDiv rounds 10.67 to 11
      {10, 2, -13, 700, 0, 0, 0},
      {12, 4 | 8, -16, 0, 1, 1, 0},
      {9, 16 | 1, -12, 0, 0, 0, 1},  // bit 1 has no meaning
  };
  for (const Case& k : cases) {
    CFont font;
    ASSERT_TRUE(CreateFontFromFace(&font, u"Arial", k.points, k.style));
    LOGFONT lf{};
    font.GetLogFont(&lf);
    EXPECT_EQ(lf.lfHeight, k.height) << k.points;
    EXPECT_EQ(lf.lfWeight, k.weight);
    EXPECT_EQ(lf.lfItalic, k.italic);
    EXPECT_EQ(lf.lfUnderline, k.underline);
    EXPECT_EQ(lf.lfStrikeOut, k.strike);
    EXPECT_EQ(lf.lfCharSet, system.lfCharSet);
    EXPECT_EQ(lf.lfQuality, system.lfQuality);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(std::u16string(lf.lfFaceName), u"Arial");
  }
  // A face longer than the structure holds is cut, not overrun.
  CFont font;
  ASSERT_TRUE(CreateFontFromFace(&font, u"A face name that is far longer than thirty-one", 8, 0));
  LOGFONT lf{};
  font.GetLogFont(&lf);
  EXPECT_EQ(std::u16string(lf.lfFaceName).size(), 31u);
}

TEST(DrawHelpers, LinesLeaveTheirEndPointAndThePen) {
  Canvas c(8, 4);
  CPen red(PS_SOLID, 1, RGB(255, 0, 0));
  CPen* old = c.cdc.SelectObject(&red);
  DrawLineTo(&c.cdc, 1, 1, 5, 1);
  DrawLine(&c.cdc, 1, 2, 6, 2, RGB(0, 0, 255));
  EXPECT_EQ(c.cdc.GetCurrentPen()->m_hObject, red.m_hObject) << "the previous pen is back";
  c.cdc.SelectObject(old);
  const char* want[] = {"........", ".rrrr...", ".bbbbb..", "........"};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      COLORREF w = want[y][x] == 'r' ? RGB(255, 0, 0) : want[y][x] == 'b' ? RGB(0, 0, 255) : RGB(255, 255, 255);
      EXPECT_EQ(c.at(x, y), w) << x << "," << y;
    }
}

}  // namespace
