// Device contexts and drawing objects: the class library's own fills, selecting and restoring
// objects through their wrappers, and CPaintDC inside WM_PAINT.
#include "mfcwnd_fixture.h"

using namespace mfcwndtest;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLight = RGB(250, 240, 230);
constexpr COLORREF kDark = RGB(10, 20, 30);
constexpr COLORREF kFill = RGB(200, 0, 100);

// A memory DC with a white bitmap of w x h selected.
struct MemoryCanvas {
  CDC dc;
  CBitmap bitmap;
  CBitmap* old = nullptr;
  MemoryCanvas(int w, int h) {
    CDC screen;
    screen.Attach(::GetDC(nullptr));
    EXPECT_TRUE(dc.CreateCompatibleDC(&screen));
    EXPECT_TRUE(bitmap.CreateCompatibleBitmap(&screen, w, h));
    ::ReleaseDC(nullptr, screen.Detach());
    old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, w, h, kWhite);
  }
  ~MemoryCanvas() { dc.SelectObject(old); }
};

// Paints its client area in OnPaint with a CPaintDC.
class CPainter : public CWnd {
 public:
  int paints = 0;

 protected:
  afx_msg void OnPaint() {
    CPaintDC dc(this);
    ++paints;
    CRect r;
    GetClientRect(&r);
    dc.FillSolidRect(&r, kFill);
  }
  afx_msg BOOL OnEraseBkgnd(CDC*) { return TRUE; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPainter, CWnd)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

}  // namespace

class Drawing : public MfcTest {};

TEST_F(Drawing, FillSolidRectFillsExactlyAndLeavesTheBackgroundColourSet) {
  MemoryCanvas c(20, 20);
  c.dc.FillSolidRect(2, 3, 4, 5, kFill);
  EXPECT_EQ(c.dc.GetPixel(2, 3), kFill);
  EXPECT_EQ(c.dc.GetPixel(5, 7), kFill);
  EXPECT_EQ(c.dc.GetPixel(6, 7), kWhite);  // right and bottom edges excluded
  EXPECT_EQ(c.dc.GetPixel(5, 8), kWhite);
  EXPECT_EQ(c.dc.GetBkColor(), kFill);
  // Negative extents fill towards the left and top of the point.
  c.dc.FillSolidRect(12, 12, -2, -3, kDark);
  EXPECT_EQ(c.dc.GetPixel(10, 9), kDark);
  EXPECT_EQ(c.dc.GetPixel(11, 11), kDark);
  EXPECT_EQ(c.dc.GetPixel(12, 12), kWhite);
  EXPECT_EQ(c.dc.GetPixel(9, 9), kWhite);
}

TEST_F(Drawing, Draw3dRectGivesTheCornersToTheBottomRightColour) {
  MemoryCanvas c(20, 20);
  c.dc.Draw3dRect(CRect(2, 2, 8, 7), kLight, kDark);  // 6 x 5
  struct Pixel {
    int x, y;
    COLORREF colour;
  } pixels[] = {
      {2, 2, kLight},  {6, 2, kLight},  {7, 2, kDark},  // top edge; the top-right corner is dark
      {2, 5, kLight},  {2, 6, kDark},                   // left edge; the bottom-left corner is dark
      {7, 6, kDark},   {4, 6, kDark},   {7, 4, kDark},  // bottom and right edges
      {3, 3, kWhite},  {6, 5, kWhite},                  // inside stays
      {8, 2, kWhite},  {2, 7, kWhite},                  // nothing outside
  };
  for (const Pixel& p : pixels) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    EXPECT_EQ(c.dc.GetPixel(p.x, p.y), p.colour);
  }
}

TEST_F(Drawing, SelectObjectReturnsThePreviousWrapperForRestoring) {
  MemoryCanvas c(10, 10);
  CPen red(PS_SOLID, 1, RGB(255, 0, 0));
  CPen blue(PS_SOLID, 1, RGB(0, 0, 255));
  CPen* original = c.dc.SelectObject(&red);
  ASSERT_NE(original, nullptr);
  HGDIOBJ originalHandle = original->m_hObject;
  EXPECT_EQ(c.dc.SelectObject(&blue), &red);  // the wrapper that made it, not a temporary
  c.dc.MoveTo(0, 5);
  c.dc.LineTo(10, 5);
  EXPECT_EQ(c.dc.GetPixel(3, 5), RGB(0, 0, 255));
  EXPECT_EQ(c.dc.SelectObject(original), &blue);
  EXPECT_EQ(::GetCurrentObject(c.dc.m_hDC, OBJ_PEN), originalHandle);

  CBrush brush(kFill);
  CGdiObject* oldBrush = c.dc.SelectStockObject(NULL_BRUSH);
  ASSERT_NE(oldBrush, nullptr);
  c.dc.SelectObject(&brush);
  c.dc.Rectangle(1, 1, 6, 6);
  EXPECT_EQ(c.dc.GetPixel(3, 3), kFill);
  c.dc.SelectObject(oldBrush->m_hObject);

  BITMAP bm{};
  EXPECT_GT(c.bitmap.GetBitmap(&bm), 0);
  EXPECT_EQ(bm.bmWidth, 10);
}

TEST_F(Drawing, PaintDcPaintsTheUpdateRegionAndValidatesIt) {
  CPainter wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "painter", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr, nullptr));
  wnd.Invalidate();
  wnd.UpdateWindow();
  EXPECT_EQ(wnd.paints, 1);
  CRect update;
  EXPECT_FALSE(wnd.GetUpdateRect(&update));
  CClientDC dc(&wnd);
  EXPECT_EQ(dc.GetPixel(0, 0), kFill);
  EXPECT_EQ(dc.GetPixel(39, 29), kFill);
  nux::testing::PumpMessages();
  EXPECT_EQ(wnd.paints, 1);  // nothing left to paint
}

TEST_F(Drawing, IconsComeFromTheResourcesAndDrawWithTheirTransparency) {
  CWinApp app;
  HICON icon = app.LoadIcon(128);
  ASSERT_NE(icon, nullptr);
  int w = 0, h = 0;
  EXPECT_TRUE(nux::ui::GetIconSize(icon, &w, &h));
  EXPECT_EQ(w, 32);  // the image of the system's icon size
  MemoryCanvas c(40, 40);
  c.dc.FillSolidRect(0, 0, 40, 40, RGB(0, 0, 0));
  EXPECT_TRUE(::DrawIcon(c.dc.m_hDC, 4, 4, icon));
  EXPECT_EQ(c.dc.GetPixel(4, 4), RGB(255, 0, 0));
  EXPECT_EQ(c.dc.GetPixel(19, 35), RGB(255, 0, 0));
  EXPECT_EQ(c.dc.GetPixel(20, 4), RGB(0, 0, 0));    // transparent
  EXPECT_EQ(c.dc.GetPixel(24, 9), RGB(0, 0, 128));  // half covered
  EXPECT_EQ(c.dc.GetPixel(3, 3), RGB(0, 0, 0));
  EXPECT_EQ(app.LoadIcon(4711), nullptr);
  EXPECT_NE(app.LoadStandardIcon(IDI_APPLICATION), nullptr);
  EXPECT_TRUE(::DestroyIcon(icon));
}

TEST_F(Drawing, WindowsKeepTheirBigAndSmallIcons) {
  CWinApp app;
  HICON big = app.LoadIcon(128);
  HICON small = app.LoadStandardIcon(IDI_APPLICATION);
  CWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "icons", WS_POPUP | WS_CAPTION, 0, 0, 50, 50, nullptr, nullptr));
  EXPECT_EQ(wnd.SetIcon(big, TRUE), nullptr);
  EXPECT_EQ(wnd.GetIcon(TRUE), big);
  EXPECT_EQ(wnd.GetIcon(FALSE), nullptr);
  EXPECT_EQ(wnd.SendMessage(WM_GETICON, ICON_SMALL2), reinterpret_cast<LRESULT>(big));  // falls back to the big one
  EXPECT_EQ(wnd.SetIcon(small, FALSE), nullptr);
  EXPECT_EQ(wnd.GetIcon(FALSE), small);
  EXPECT_EQ(wnd.SetIcon(nullptr, TRUE), big);
  ::DestroyIcon(big);
}

TEST_F(Drawing, PointFontsAreMeasuredInTenthsOfAPointForTheScreen) {
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(90, "Arial"));
  LOGFONTW lf{};
  ASSERT_GT(font.GetLogFont(&lf), 0);
  CDC screen;
  screen.Attach(::GetDC(nullptr));
  int dpi = screen.GetDeviceCaps(LOGPIXELSY);
  ::ReleaseDC(nullptr, screen.Detach());
  EXPECT_EQ(lf.lfHeight, -::MulDiv(90, dpi, 720));
  EXPECT_EQ(nux::WideToAnsi(lf.lfFaceName), "Arial");
  // Selected into a DC, the wrapper comes back when it is replaced.
  MemoryCanvas c(4, 4);
  CFont* old = c.dc.SelectObject(&font);
  EXPECT_EQ(c.dc.SelectObject(old), &font);
}
