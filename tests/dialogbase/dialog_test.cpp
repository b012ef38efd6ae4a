// CNUXDialog: creation and placement (from the registry under a placement name, centred, at a
// point, in a rectangle), self-deletion through the owner slot, dragging by forwarded mouse
// input, the delayed show, off screen and back, the background, and the saved placement.
#include <cmath>
#include <cstdlib>
#include <string>

#include "EngineConfig.h"
#include "NUXDialog.h"
#include "RegistryKey.h"
#include "dialogbase_fixture.h"
#include "gdi/image.h"
#include "test_support.h"

using namespace dialogbasetest;

namespace {

enum { kDlg = 300, kBrokenDlg = 301, kLabel = 1001, kEdit = 1002, kBar = 1003 };

int g_deleted = 0;

// The test window: forwards its mouse to the dragging operations, as the library's windows do.
class CTestDlg : public CNUXDialog {
 public:
  explicit CTestDlg(UINT id = kDlg) : CNUXDialog(id, nullptr) {}
  ~CTestDlg() override { ++g_deleted; }
  using CNUXDialog::m_rcSaved;

 protected:
  afx_msg void OnLButtonDown(UINT, CPoint pt) {
    StartMove(pt.x, pt.y);
    SetCapture();
  }
  afx_msg void OnMouseMove(UINT, CPoint pt) { MoveTo(pt.x, pt.y); }
  afx_msg void OnLButtonUp(UINT, CPoint) {
    StopMove();
    ReleaseCapture();
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDlg, CNUXDialog)
  ON_WM_LBUTTONDOWN()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

std::string Str(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

RECT WindowRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

// One 1280 x 1024 primary monitor with a task bar at the bottom, and one to its left.
void TwoMonitors() {
  nux::testing::SetMonitors({{RECT{0, 0, 1280, 1024}, RECT{0, 0, 1280, 984}},
                             {RECT{-1024, 0, 0, 768}, RECT{-1024, 0, 0, 768}}});
}

class NUXDialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    g_deleted = 0;
    theEngineConfig.m_strApp = u"DialogTest";
    TwoMonitors();
  }
  // The rectangle stored under a placement name; "none" when there is none.
  static std::string Stored(LPCWSTR name) {
    LONG edges[4];
    if (!theEngineConfig.GetBinary(name, edges, sizeof(edges))) return "none";
    return Str(RECT{edges[0], edges[1], edges[2], edges[3]});
  }
  static void Store(LPCWSTR name, RECT r) {
    const LONG edges[4] = {r.left, r.top, r.right, r.bottom};
    theEngineConfig.WriteBinary(name, edges, sizeof(edges));
  }
  // The template's size in pixels.
  static SIZE TemplateSize() {
    const int deleted = g_deleted;
    SIZE s = ProbeSize();
    g_deleted = deleted;  // the probe does not count
    return s;
  }
  static SIZE ProbeSize() {
    CTestDlg probe;
    EXPECT_TRUE(probe.CreateAt(nullptr, 0, 0));
    RECT r = WindowRect(probe.m_hWnd);
    probe.DestroyWindow();
    return SIZE{r.right - r.left, r.bottom - r.top};
  }
  nuxtest::ScopedPlatformRoot root;
};

TEST_F(NUXDialogTest, CreatePlacedRestoresTheStoredRectangleFittedToItsMonitor) {
  const SIZE s = TemplateSize();
  struct Case {
    const char* what;
    bool store;
    RECT stored;
    POINT expected;
  } cases[] = {
      {"nothing stored: centred", false, {}, {static_cast<LONG>(640 - s.cx / 2.0), static_cast<LONG>(492 - s.cy / 2.0)}},
      {"inside", true, {100, 50, 100 + s.cx, 50 + s.cy}, {100, 50}},
      {"past right and bottom", true, {1200, 900, 1200 + s.cx, 900 + s.cy}, {1280 - s.cx, 984 - s.cy}},
      {"left monitor", true, {-1100, 700, -1100 + s.cx, 700 + s.cy}, {-1024, 768 - s.cy}},
      {"larger than the work area", true, {-40, -30, 1300, 1000}, {0, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    if (k.store) Store(u"TestWnd", k.stored);
    CNUXDialog* slot = new CTestDlg;
    CNUXDialog* dlg = slot;
    ASSERT_TRUE(dlg->CreatePlaced(nullptr, u"TestWnd", &slot));
    EXPECT_EQ(slot, dlg);
    RECT r = WindowRect(dlg->m_hWnd);
    EXPECT_EQ(r.left, k.expected.x);
    EXPECT_EQ(r.top, k.expected.y);
    EXPECT_EQ(r.right - r.left, s.cx) << "the window keeps its size";
    EXPECT_EQ(GetActiveWindow(), dlg->m_hWnd);
    // The focus went to the dialog, which hands it to its first control.
    EXPECT_TRUE(GetFocus() == dlg->m_hWnd || IsChild(dlg->m_hWnd, GetFocus()));
    // Closing saves the rectangle, clears the slot and deletes the object.
    const int before = g_deleted;
    dlg->SendMessage(WM_CLOSE);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(g_deleted, before + 1);
    EXPECT_EQ(Stored(u"TestWnd"), Str(r));
  }
}

TEST_F(NUXDialogTest, AStoredValueOfAnotherSizeGivesTheCentredPlace) {
  const SIZE s = TemplateSize();
  const LONG eight[2] = {5, 5};
  theEngineConfig.WriteBinary(u"TestWnd", eight, sizeof(eight));
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreatePlaced(nullptr, u"TestWnd", nullptr));
  EXPECT_EQ(WindowRect(dlg.m_hWnd).left, static_cast<LONG>(640 - s.cx / 2.0));
  dlg.DestroyWindow();
  EXPECT_EQ(g_deleted, 0) << "without a slot the object survives its window";
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(NUXDialogTest, WithoutAPlacementNameNothingIsReadOrWritten) {
  Store(u"", RECT{300, 300, 400, 400});  // a value with the empty name must not be used
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreatePlaced(nullptr, u"", nullptr));
  EXPECT_EQ(WindowRect(dlg.m_hWnd).left, 0) << "the template's place";
  MoveWindow(dlg.m_hWnd, 50, 60, 100, 100, FALSE);
  dlg.SendMessage(WM_CLOSE);
  EXPECT_EQ(Stored(u""), "300,300,400,400");
}

TEST_F(NUXDialogTest, AFailedCreationKeepsTheSlotAndTheObject) {
  // The window exists for a moment, then a control fails and it is destroyed again: the object
  // must not delete itself, since its creator still holds and deletes it.
  CNUXDialog* dlg = new CTestDlg(kBrokenDlg);
  CNUXDialog* slot = dlg;
  EXPECT_FALSE(dlg->CreatePlaced(nullptr, u"Broken", &slot));
  EXPECT_EQ(slot, dlg);
  EXPECT_EQ(g_deleted, 0);
  EXPECT_FALSE(dlg->CreateTracked(nullptr, 5, 5, &slot));
  EXPECT_FALSE(dlg->CreateAt(nullptr, 5, 5));
  EXPECT_FALSE(dlg->CreateInRect(nullptr, 5, 5, 50, 50));
  EXPECT_FALSE(dlg->CreateOnTop(nullptr));
  EXPECT_EQ(g_deleted, 0);
  delete dlg;
  EXPECT_EQ(g_deleted, 1);
  // A template that does not exist at all.
  CTestDlg missing(999);
  EXPECT_FALSE(missing.CreateAt(nullptr, 0, 0));
}

TEST_F(NUXDialogTest, CreationOperationsPlaceTheWindow) {
  const SIZE s = TemplateSize();
  CTestDlg other;
  ASSERT_TRUE(other.CreateAt(nullptr, 600, 600));

  CTestDlg at;
  ASSERT_TRUE(at.CreateAt(nullptr, -500, 40));
  EXPECT_EQ(Str(WindowRect(at.m_hWnd)), Str(RECT{-500, 40, -500 + s.cx, 40 + s.cy}));
  EXPECT_EQ(GetActiveWindow(), at.m_hWnd);

  CTestDlg inRect;
  ASSERT_TRUE(inRect.CreateInRect(nullptr, 10, 20, 300, 200));
  EXPECT_EQ(Str(WindowRect(inRect.m_hWnd)), "10,20,310,220");
  EXPECT_EQ(GetActiveWindow(), inRect.m_hWnd);

  ::BringWindowToTop(other.m_hWnd);
  CTestDlg onTop;
  ASSERT_TRUE(onTop.CreateOnTop(nullptr));
  EXPECT_EQ(GetWindow(other.m_hWnd, GW_HWNDFIRST), onTop.m_hWnd);

  // CreateTracked stores its slot: destroying the window frees the object.
  CNUXDialog* slot = new CTestDlg;
  ASSERT_TRUE(slot->CreateTracked(nullptr, 30, 40, &slot));
  EXPECT_EQ(WindowRect(slot->m_hWnd).left, 30);
  slot->DestroyWindow();
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(g_deleted, 1);
}

TEST_F(NUXDialogTest, DraggingByTheMouseWithAndWithoutTheWorkAreaClamp) {
  const SIZE s = TemplateSize();
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreateAt(nullptr, 100, 100));
  dlg.ShowNow();
  nux::testing::PumpMessages();

  // Grabbed at client (20, 30), dropped with the pointer at (300, 250).
  nux::testing::Drag(POINT{120, 130}, POINT{300, 250});
  nux::testing::PumpMessages();
  EXPECT_EQ(Str(WindowRect(dlg.m_hWnd)), Str(RECT{280, 220, 280 + s.cx, 220 + s.cy}));
  EXPECT_FALSE(dlg.IsMoveActive());
  // Without a grab the window stays.
  dlg.MoveTo(0, 0);
  EXPECT_EQ(WindowRect(dlg.m_hWnd).left, 280);

  // Free dragging may leave the work area, even onto the left monitor.
  nux::testing::Drag(POINT{290, 230}, POINT{-500, 1010});
  nux::testing::PumpMessages();
  EXPECT_EQ(WindowRect(dlg.m_hWnd).left, -510);
  EXPECT_EQ(WindowRect(dlg.m_hWnd).top, 1000);

  dlg.KeepInWorkAreaOn();
  struct Case {
    POINT to;
    POINT expected;
  } cases[] = {
      {{2000, 2000}, {1280 - s.cx, 984 - s.cy}},
      {{-900, -900}, {0, 0}},
      {{400, 300}, {400 - 10, 300 - 10}},
  };
  for (const Case& k : cases) {
    RECT r = WindowRect(dlg.m_hWnd);
    nux::testing::Drag(POINT{r.left + 10, r.top + 10}, k.to);  // grabbed at client (10, 10)
    nux::testing::PumpMessages();
    r = WindowRect(dlg.m_hWnd);
    EXPECT_EQ(r.left, k.expected.x) << k.to.x << "," << k.to.y;
    EXPECT_EQ(r.top, k.expected.y);
  }

  // A window larger than the work area sticks to its top-left corner.
  nux::testing::SetMonitors({{RECT{0, 0, 300, 150}, RECT{0, 20, 300, 150}}});
  dlg.StartMove(10, 10);
  dlg.MoveTo(200, 100);
  EXPECT_EQ(WindowRect(dlg.m_hWnd).left, 0);
  EXPECT_EQ(WindowRect(dlg.m_hWnd).top, 20);
  dlg.KeepInWorkAreaOff();
  dlg.MoveTo(200, 100);
  EXPECT_EQ(WindowRect(dlg.m_hWnd).left, 190);
  dlg.StopMove();
}

TEST_F(NUXDialogTest, ShowDelayedShowsOnceAfterExactly25Milliseconds) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreateAt(nullptr, 10, 10));
  EXPECT_FALSE(dlg.IsWindowVisible());
  dlg.ShowDelayed();
  nux::testing::AdvanceAndPump(24);
  EXPECT_FALSE(dlg.IsWindowVisible());
  nux::testing::AdvanceAndPump(1);
  EXPECT_TRUE(dlg.IsWindowVisible());
  // The timer is gone: hidden again, the window stays hidden.
  dlg.HideWindow();
  nux::testing::AdvanceAndPump(100);
  EXPECT_FALSE(dlg.IsWindowVisible());
}

TEST_F(NUXDialogTest, OffScreenAndBack) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreateAt(nullptr, 120, 80));
  const RECT home = WindowRect(dlg.m_hWnd);
  dlg.MoveBackOnScreen();  // never went: nothing happens
  EXPECT_EQ(Str(WindowRect(dlg.m_hWnd)), Str(home));
  dlg.MoveOffScreen();
  EXPECT_EQ(WindowRect(dlg.m_hWnd).left, 10000);
  EXPECT_EQ(WindowRect(dlg.m_hWnd).top, 10000);
  EXPECT_TRUE(dlg.IsOffScreen());
  dlg.MoveOffScreen();  // the second call keeps the first place
  dlg.MoveBackOnScreen();
  EXPECT_EQ(Str(WindowRect(dlg.m_hWnd)), Str(home));
  EXPECT_FALSE(dlg.IsOffScreen());
}

TEST_F(NUXDialogTest, AWindowClosedWhileOffScreenSavesWhereItStoodBefore) {
  CNUXDialog* slot = new CTestDlg;
  ASSERT_TRUE(slot->CreatePlaced(nullptr, u"Parked", &slot));
  slot->PlaceWindow(200, 150, 0, 0);
  const RECT before = WindowRect(slot->m_hWnd);
  slot->MoveOffScreen();
  slot->SendMessage(WM_CLOSE);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(Stored(u"Parked"), Str(before));
}

TEST_F(NUXDialogTest, EnterAndEscapeLeaveTheDialogOpen) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreateAt(nullptr, 10, 10));
  dlg.ShowNow();
  ::SetFocus(::GetDlgItem(dlg.m_hWnd, kEdit));
  nux::testing::PumpMessages();
  nux::testing::KeyPress(VK_RETURN);
  nux::testing::KeyPress(VK_ESCAPE);
  nux::testing::PumpMessages();
  EXPECT_TRUE(::IsWindow(dlg.m_hWnd));
  EXPECT_TRUE(dlg.IsWindowVisible());
}

TEST_F(NUXDialogTest, ItemRectsInClientCoordinates) {
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreateAt(nullptr, 333, 222));
  RECT want{12, 10, 132, 20};
  dlg.MapDialogRect(&want);
  RECT r{};
  ASSERT_TRUE(dlg.GetItemRect(kLabel, &r));
  EXPECT_EQ(Str(r), Str(want));
  RECT untouched{1, 2, 3, 4};
  EXPECT_FALSE(dlg.GetItemRect(4711, &untouched));
  EXPECT_EQ(Str(untouched), "1,2,3,4");
}

// The client pixel at (x, y) as it stands after the window's paints.
COLORREF ClientPixel(HWND h, int x, int y) {
  nux::gdi::Surface shot;
  EXPECT_TRUE(nux::testing::CaptureWindow(h, &shot));
  POINT p{x, y};
  ClientToScreen(h, &p);
  RECT w = WindowRect(h);
  return shot.colorAt(p.x - w.left, p.y - w.top);
}

TEST_F(NUXDialogTest, BackgroundColourOrImage) {
  root.Write("drive_c/UI/back.jpg", JpegBytes(400, 300, [](int x, int) { return x < 200 ? RGB(200, 40, 40) : RGB(40, 40, 200); }));
  CTestDlg dlg;
  ASSERT_TRUE(dlg.CreateAt(nullptr, 10, 10));
  dlg.ShowNow();

  dlg.SetBackgroundImage(u"C:\\UI\\back.jpg");
  dlg.RedrawWindow();
  EXPECT_TRUE(Near(ClientPixel(dlg.m_hWnd, 190, 100), RGB(200, 40, 40), 12));
  EXPECT_TRUE(Near(ClientPixel(dlg.m_hWnd, 250, 100), RGB(40, 40, 200), 12));

  // The colour comes first.
  dlg.SetBackgroundColor(RGB(10, 200, 30));
  dlg.RedrawWindow();
  EXPECT_EQ(ClientPixel(dlg.m_hWnd, 190, 100), RGB(10, 200, 30));

  CTestDlg bitmap;
  EXPECT_TRUE(bitmap.SetBackgroundBitmap(7));
  EXPECT_FALSE(bitmap.SetBackgroundBitmap(999)) << "a failed load clears the flag";
  EXPECT_TRUE(bitmap.SetBackgroundBitmap(7));
  ASSERT_TRUE(bitmap.CreateAt(nullptr, 500, 10));
  bitmap.ShowNow();
  bitmap.RedrawWindow();
  EXPECT_EQ(ClientPixel(bitmap.m_hWnd, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(ClientPixel(bitmap.m_hWnd, 2, 1), RGB(128, 128, 128));
}

// Ends the modal run from inside: the close box's message, posted.
class CModalDlg : public CTestDlg {
 protected:
  BOOL OnInitDialog() override {
    CTestDlg::OnInitDialog();
    placedAt = WindowRect(m_hWnd);
    PostMessage(WM_CLOSE);
    return FALSE;
  }

 public:
  RECT placedAt{};
};

TEST_F(NUXDialogTest, DoModalPlacedRestoresAndSaves) {
  Store(u"Modal", RECT{70, 80, 170, 180});
  CModalDlg dlg;
  EXPECT_EQ(dlg.DoModalPlaced(u"Modal"), 0);
  EXPECT_EQ(dlg.placedAt.left, 70);
  EXPECT_EQ(dlg.placedAt.top, 80);
  RECT saved = dlg.placedAt;
  EXPECT_EQ(Stored(u"Modal"), Str(saved));
}

// The whole life of a reference window: made from its template, placed from the registry,
// shown 25 ms later, dragged, parked off screen and back, closed with its place saved. Its
// picture goes to NUX_SNAPSHOT_DIR/dialog-base.png when that variable is set.
TEST_F(NUXDialogTest, ALifeFromTemplateToSavedPlacement) {
  const SIZE s = TemplateSize();
  Store(u"Sky", RECT{1100, 200, 1100 + s.cx, 200 + s.cy});  // partly off the work area
  // A night sky: a vertical gradient with a few stars.
  root.Write("drive_c/UI/sky.jpg", JpegBytes(s.cx, s.cy, [](int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 15;
    h *= 2654435761u;
    h ^= h >> 13;
    if (h % 211 == 0) return RGB(255, 250, 220);
    return RGB(10 + y / 6, 20 + y / 4, 60 + y / 2);
  }));

  CNUXDialog* slot = new CTestDlg;
  CNUXDialog* dlg = slot;
  dlg->SetBackgroundImage(u"C:\\UI\\sky.jpg");
  ASSERT_TRUE(dlg->CreatePlaced(nullptr, u"Sky", &slot));
  ::SetDlgItemTextW(dlg->m_hWnd, kEdit, u"Betelgeuse");
  ::SendDlgItemMessageW(dlg->m_hWnd, kBar, PBM_SETPOS, 60, 0);
  EXPECT_EQ(Str(WindowRect(dlg->m_hWnd)), Str(RECT{1280 - s.cx, 200, 1280, 200 + s.cy}));

  dlg->ShowDelayed();
  nux::testing::AdvanceAndPump(24);
  EXPECT_FALSE(dlg->IsWindowVisible());
  nux::testing::AdvanceAndPump(1);
  ASSERT_TRUE(dlg->IsWindowVisible());

  // Dragged from client (200, 140) by (-400, +100).
  nux::testing::Drag(POINT{1280 - s.cx + 200, 340}, POINT{1280 - s.cx - 200, 440});
  nux::testing::PumpMessages();
  const RECT dragged = WindowRect(dlg->m_hWnd);
  EXPECT_EQ(Str(dragged), Str(RECT{880 - s.cx, 300, 1280 - 400, 300 + s.cy}));

  dlg->MoveOffScreen();
  EXPECT_EQ(WindowRect(dlg->m_hWnd).left, 10000);
  dlg->MoveBackOnScreen();
  EXPECT_EQ(Str(WindowRect(dlg->m_hWnd)), Str(dragged));

  // The picture: background image behind the controls.
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(dlg->m_hWnd, &shot));
  EXPECT_EQ(shot.width(), s.cx);
  EXPECT_TRUE(Near(shot.colorAt(s.cx - 30, 60), RGB(10 + 60 / 6, 20 + 60 / 4, 60 + 60 / 2), 16));
  RECT label{};
  ASSERT_TRUE(dlg->GetItemRect(kLabel, &label));
  EXPECT_FALSE(Near(shot.colorAt(label.left + 1, label.top + 1), RGB(10, 20, 60), 30)) << "the label is drawn";
  if (const char* dir = std::getenv("NUX_SNAPSHOT_DIR")) {
    EXPECT_TRUE(nux::testing::WriteWindowPng(dlg->m_hWnd, std::string(dir) + "/dialog-base.png"));
  }

  dlg->SendMessage(WM_CLOSE);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(g_deleted, 1);
  EXPECT_EQ(Stored(u"Sky"), Str(dragged));
}

}  // namespace
