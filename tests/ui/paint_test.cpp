// Painting: update regions, the WM_NCPAINT / WM_ERASEBKGND / WM_PAINT sequence, RedrawWindow
// flags, LockWindowUpdate, and the pixels that reach the window's surface.
#include "gdi/gdi.h"
#include "gdi/surface.h"
#include "ui/wm_internal.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

class Paint : public UiTest {};

TEST_F(Paint, ShowingPaintsFrameBackgroundAndClientInOrder) {
  HWND h = Top(0, 0, 100, 80, WS_POPUP | WS_BORDER);
  Rec().log.clear();
  ShowWindow(h, SW_SHOW);
  nux::testing::PumpMessages();
  std::vector<UINT> order;
  for (auto& r : Rec().log)
    if (r.msg == WM_PAINT || r.msg == WM_NCPAINT || r.msg == WM_ERASEBKGND) order.push_back(r.msg);
  EXPECT_EQ(order, (std::vector<UINT>{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));  // the last two from BeginPaint
  RECT upd;
  EXPECT_FALSE(GetUpdateRect(h, &upd, FALSE));
  // The class brush (COLOR_WINDOW) filled the client; the border is the frame colour.
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(h, &shot));
  EXPECT_EQ(shot.colorAt(50, 40), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(shot.colorAt(0, 0), GetSysColor(COLOR_WINDOWFRAME));
}

TEST_F(Paint, InvalidRectanglesAccumulateAndBeginPaintReportsTheirBounds) {
  HWND h = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  nux::testing::PumpMessages();
  RECT a{10, 10, 20, 20}, b{50, 60, 70, 80};
  InvalidateRect(h, &a, FALSE);
  InvalidateRect(h, &b, TRUE);
  RECT seen{};
  BOOL erase = -1;
  Rec().handlers[h] = [&](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    BeginPaint(w, &ps);
    seen = ps.rcPaint;
    erase = ps.fErase;
    EndPaint(w, &ps);
    return true;
  };
  Rec().log.clear();
  nux::testing::PumpMessages();
  EXPECT_EQ(seen.left, 10);
  EXPECT_EQ(seen.top, 10);
  EXPECT_EQ(seen.right, 70);
  EXPECT_EQ(seen.bottom, 80);
  EXPECT_EQ(erase, FALSE);  // erased by WM_ERASEBKGND (the class brush)
  EXPECT_EQ(Rec().Count(WM_ERASEBKGND, h), 1u);
  EXPECT_EQ(Rec().Count(WM_PAINT, h), 1u);
  // Validated: nothing more comes.
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_PAINT, h), 1u);
}

TEST_F(Paint, ValidateAndRedrawFlags) {
  HWND top = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = Child(top, 1, 10, 10, 50, 50);
  nux::testing::PumpMessages();
  InvalidateRect(top, nullptr, TRUE);
  ValidateRect(top, nullptr);
  RECT r;
  EXPECT_FALSE(GetUpdateRect(top, &r, FALSE));
  // WS_CLIPCHILDREN: invalidating the parent leaves the child alone unless RDW_ALLCHILDREN.
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE);
  EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  EXPECT_TRUE(GetUpdateRect(child, &r, FALSE));
  Rec().log.clear();
  RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);  // painted now, not queued
  EXPECT_EQ(Rec().Count(WM_PAINT, top), 1u);
  EXPECT_EQ(Rec().Count(WM_PAINT, child), 1u);
  EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(Rec().Count(WM_NCPAINT, top), 1u);
}

TEST_F(Paint, LockedWindowsPaintAfterTheUnlock) {
  HWND h = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  nux::testing::PumpMessages();
  EXPECT_TRUE(LockWindowUpdate(h));
  HWND other = Top(0, 0, 5, 5);
  EXPECT_FALSE(LockWindowUpdate(other));
  Rec().log.clear();
  InvalidateRect(h, nullptr, TRUE);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_PAINT, h), 0u);
  LockWindowUpdate(nullptr);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_PAINT, h), 1u);
}

TEST_F(Paint, ChildPixelsLandInTheTopLevelSurfaceAndMovingRepaintsTheParent) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 10, 10, 20, 20);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  Rec().handlers[child] = [&](HWND w, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT r{0, 0, 20, 20};
    FillRect(dc, &r, red);
    EndPaint(w, &ps);
    return true;
  };
  nux::testing::PumpMessages();
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(top, &shot));
  EXPECT_EQ(shot.colorAt(15, 15), RGB(255, 0, 0));
  EXPECT_EQ(shot.colorAt(35, 35), GetSysColor(COLOR_WINDOW));
  SetWindowPos(child, nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  nux::testing::PumpMessages();
  ASSERT_TRUE(nux::testing::CaptureWindow(top, &shot));
  EXPECT_EQ(shot.colorAt(15, 15), GetSysColor(COLOR_WINDOW));  // uncovered area repainted
  EXPECT_EQ(shot.colorAt(55, 55), RGB(255, 0, 0));
  DeleteObject(red);
}

}  // namespace

namespace {

TEST_F(Paint, AChildOfAHiddenChildNeitherPaintsNorDraws) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND panel = Child(top, 1, 0, 0, 60, 60, WS_CHILD);  // hidden
  HWND row = Child(panel, 2, 0, 0, 40, 20);
  nux::testing::PumpMessages();
  Rec().log.clear();
  InvalidateRect(row, nullptr, TRUE);
  UpdateWindow(row);
  EXPECT_EQ(Rec().Count(WM_PAINT, row), 0u);
  HDC dc = GetDC(row);
  ASSERT_NE(dc, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{0, 0, 40, 20};
  FillRect(dc, &r, red);
  ReleaseDC(row, dc);
  DeleteObject(red);
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(top, &shot));
  EXPECT_EQ(shot.colorAt(5, 5), GetSysColor(COLOR_WINDOW));
  ShowWindow(panel, SW_SHOW);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_PAINT, row), 1u);
}

TEST_F(Paint, SetRedrawFalseStopsPaintingUntilRedrawIsBack) {
  HWND h = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  nux::testing::PumpMessages();
  SendMessageW(h, WM_SETREDRAW, FALSE, 0);
  Rec().log.clear();
  InvalidateRect(h, nullptr, TRUE);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_PAINT, h), 0u);
  SendMessageW(h, WM_SETREDRAW, TRUE, 0);
  nux::testing::PumpMessages();
  EXPECT_EQ(Rec().Count(WM_PAINT, h), 1u);
}

// Memory standing in for a display's shared memory: it counts the waits asked of it.
struct WaitingMemory : nux::gdi::PixelMemory {
  static inline int waits = 0;
  static inline bool refuse = false;
  std::vector<uint32_t> px;
  explicit WaitingMemory(size_t n) : px(n) {}
  uint32_t* data() override { return px.data(); }
  std::unique_ptr<nux::gdi::PixelMemory> Make(size_t n) override { return Maker(n); }
  void BeforeWrite() override { ++waits; }
  static std::unique_ptr<nux::gdi::PixelMemory> Maker(size_t n) {
    return refuse ? nullptr : std::make_unique<WaitingMemory>(n);
  }
};

TEST_F(Paint, TopLevelPixelsLieInTheDisplaysMemoryAndDrawingWaitsUntilItIsRead) {
  WaitingMemory::refuse = false;
  nux::ui::detail::SetTopLevelPixelMemory(&WaitingMemory::Maker);
  struct Reset {
    ~Reset() { nux::ui::detail::SetTopLevelPixelMemory(nullptr); }
  } reset;
  HWND h = Top(0, 0, 100, 80, WS_POPUP | WS_VISIBLE);
  HWND child = CreateWindowExW(0, u"Rec", u"", WS_CHILD | WS_VISIBLE, 10, 10, 30, 20, h, nullptr, nullptr, nullptr);
  nux::testing::PumpMessages();
  nux::gdi::Surface* s = nux::ui::WindowSurface(h, nullptr);
  ASSERT_TRUE(s && dynamic_cast<WaitingMemory*>(s->memory()));
  EXPECT_EQ(s->pixels(), s->memory()->data());

  // Every way of drawing into the window, its children's included, waits first.
  const int before = WaitingMemory::waits;
  HDC dc = GetDC(child);
  SetPixelV(dc, 1, 1, RGB(10, 20, 30));
  ReleaseDC(child, dc);
  EXPECT_EQ(WaitingMemory::waits, before + 1);
  InvalidateRect(h, nullptr, TRUE);
  UpdateWindow(h);
  EXPECT_GT(WaitingMemory::waits, before + 1);
  dc = GetWindowDC(h);
  SetPixelV(dc, 5, 5, RGB(1, 2, 3));
  ReleaseDC(h, dc);

  // A new size takes new memory of the same kind and keeps the pixels in both sizes.
  SetWindowPos(h, nullptr, 0, 0, 120, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  s = nux::ui::WindowSurface(h, nullptr);
  ASSERT_TRUE(dynamic_cast<WaitingMemory*>(s->memory()));
  EXPECT_EQ(s->width(), 120);
  EXPECT_EQ(s->colorAt(5, 5), RGB(1, 2, 3));
  // A copy (a snapshot) is the pixels alone, on the heap.
  nux::gdi::Surface copy = *s;
  EXPECT_EQ(copy.memory(), nullptr);
  EXPECT_EQ(copy.colorAt(5, 5), RGB(1, 2, 3));

  // Where no such memory can be had, the pixels go back to the heap, kept.
  WaitingMemory::refuse = true;
  SetWindowPos(h, nullptr, 0, 0, 140, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  s = nux::ui::WindowSurface(h, nullptr);
  EXPECT_EQ(s->memory(), nullptr);
  EXPECT_EQ(s->colorAt(5, 5), RGB(1, 2, 3));
  dc = GetWindowDC(h);
  SetPixelV(dc, 130, 95, RGB(4, 5, 6));
  ReleaseDC(h, dc);
  EXPECT_EQ(s->colorAt(130, 95), RGB(4, 5, 6));
  DestroyWindow(h);
}

}  // namespace
