// Skins: skin elements (frames of the image, the nine pieces, the schedule of blits a render
// paints), off-screen buffers, and a skinned dialog loading the sample skin from its folder and
// from the ".nux" archive, painting the nine-piece frame and resizing within the skin's limits.
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "IniText.h"
#include "ResourceFile.h"
#include "frames_fixture.h"
#include "../zip/zip_builder.h"

namespace {

using namespace framestest;
using CSkinDlg = CTestDialog<CNUXDialogSkin>;

// A 24-bit bitmap file of w x h whose pixel colours come from `color`, written below drive C:.
void WritePicture(const nuxtest::ScopedPlatformRoot& root, const std::string& relative, int w, int h,
                  const std::function<COLORREF(int, int)>& color) {
  const int stride = (w * 3 + 3) / 4 * 4;
  std::string rows;
  for (int y = h - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < w; ++x) {
      COLORREF c = color(x, y);
      row += static_cast<char>(GetBValue(c));
      row += static_cast<char>(GetGValue(c));
      row += static_cast<char>(GetRValue(c));
    }
    rows += row + std::string(static_cast<size_t>(stride) - row.size(), '\0');
  }
  auto le = [](uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  std::string file = "BM" + le(54 + static_cast<uint32_t>(rows.size()), 4) + le(0, 4) + le(54, 4);
  file += le(40, 4) + le(static_cast<uint32_t>(w), 4) + le(static_cast<uint32_t>(h), 4) + le(1, 2) + le(24, 2) +
          le(0, 4) + le(static_cast<uint32_t>(rows.size()), 4) + le(2835, 4) + le(2835, 4) + le(0, 4) + le(0, 4);
  root.Write("drive_c/" + relative, file + rows);
}

CIniText IniOf(const char16_t* text) {
  CIniText ini;
  ini.Normalize(CString(text));
  return ini;
}

bool operator==(const RECT& a, const RECT& b) { return SameRect(a, b); }

class Skin : public UiTest {
 protected:
  // The sample skin's files, copied below drive C: as "Skin\Frames\..." (and packed as
  // "Skin\Frames.nux" when asked).
  void LaySampleSkin(bool loose, bool packed) {
    ziptest::Archive archive;
    for (const auto& entry : std::filesystem::directory_iterator(NUX_SAMPLE_SKIN)) {
      const std::string name = entry.path().filename().string();
      const std::string bytes = nuxtest::ReadFile(entry.path().string());
      if (loose) root.Write("drive_c/Skin/Frames/" + name, bytes);
      ziptest::Entry e;
      e.name = name;
      e.data = bytes;
      e.password = "QuietOwlsDance";
      archive.entries.push_back(e);
    }
    if (packed) root.Write("drive_c/Skin/Frames.nux", archive.Build());
  }
};

TEST_F(Skin, FramesOfAnElementImage) {
  WritePicture(root, "strip.bmp", 30, 12, [](int x, int) { return RGB(x * 8, 0, 0); });
  struct Case {
    const char16_t* metrics;
    int width, height;
    BYTE frame;
    RECT rect;
  } cases[] = {
      {u"[E]\nFrames=3\nFramesH=1\n", 10, 12, 1, {10, 0, 20, 12}},
      {u"[E]\nFrames=3\nFramesH=0\n", 30, 4, 2, {0, 8, 30, 12}},
      {u"[E]\nFrames=0\n", 30, 12, 0, {0, 0, 30, 12}},  // below 1 counts as 1
      {u"[E]\nFrames=-4\n", 30, 12, 0, {0, 0, 30, 12}},
      {u"[E]\n", 30, 12, 0, {0, 0, 30, 12}},
  };
  for (const Case& c : cases) {
    CSkinElement element;
    ASSERT_TRUE(element.LoadImage(u"C:\\strip.bmp", nullptr));
    element.ReadMetrics(IniOf(c.metrics), u"E");
    EXPECT_EQ(element.GetFrameWidth(), c.width);
    EXPECT_EQ(element.GetFrameHeight(), c.height);
    RECT r;
    element.GetFrameRect(c.frame, &r);
    EXPECT_TRUE(r == c.rect) << Text(r);
  }
}

TEST_F(Skin, NinePiecesGiveWayWhenTheTargetIsSmall) {
  CSkinElement element;
  element.SetMargins(4, 4, 4, 4);
  RECT p[9];
  element.CalcPieces(6, 20, p);
  const RECT expected[9] = {{2, 4, 2, 16}, {0, 0, 2, 4},  {2, 0, 2, 4},  {2, 0, 6, 4}, {0, 4, 2, 16},
                            {2, 4, 6, 16}, {0, 16, 2, 20}, {2, 16, 2, 20}, {2, 16, 6, 20}};
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(p[i] == expected[i]) << i << " " << Text(p[i]);
  CSkinElement::OffsetPieces(10, 100, p);
  EXPECT_TRUE(p[8] == RECT({12, 116, 16, 120}));
}

TEST_F(Skin, ThePieceScheduleOfARender) {
  WritePicture(root, "e.bmp", 24, 12, [](int x, int y) { return RGB(x * 10, y * 20, 0); });
  struct Blit {
    int piece, mode;
    RECT target, source;
  };
  struct Case {
    const char16_t* metrics;
    int width, height;
    BYTE frame;
    std::vector<Blit> plan;
  } cases[] = {
      // Two 12 x 12 frames side by side, margins 4: drawn at 6 x 20 the left column and the
      // centre give way; corners are cut from their top-left, edges keep their length.
      {u"[E]\nMarginLeft=4\nMarginRight=4\nMarginTop=4\nMarginBottom=4\nPaintMode=1\nFrames=2\n",
       6, 20, 1,
       {{1, 0, {0, 0, 2, 4}, {12, 0, 14, 4}},
        {3, 0, {2, 0, 6, 4}, {20, 0, 24, 4}},
        {4, 1, {0, 4, 2, 16}, {12, 4, 14, 8}},
        {5, 1, {2, 4, 6, 16}, {20, 4, 24, 8}},
        {6, 0, {0, 16, 2, 20}, {12, 8, 14, 12}},
        {8, 0, {2, 16, 6, 20}, {20, 8, 24, 12}}}},
      // A wide target: all nine, the centre from its whole source piece.
      {u"[E]\nMarginLeft=4\nMarginRight=4\nMarginTop=4\nMarginBottom=4\nPaintMode=3\nFrames=2\n",
       40, 20, 0,
       {{1, 0, {0, 0, 4, 4}, {0, 0, 4, 4}},
        {2, 3, {4, 0, 36, 4}, {4, 0, 8, 4}},
        {3, 0, {36, 0, 40, 4}, {8, 0, 12, 4}},
        {4, 3, {0, 4, 4, 16}, {0, 4, 4, 8}},
        {0, 3, {4, 4, 36, 16}, {4, 4, 8, 8}},
        {5, 3, {36, 4, 40, 16}, {8, 4, 12, 8}},
        {6, 0, {0, 16, 4, 20}, {0, 8, 4, 12}},
        {7, 3, {4, 16, 36, 20}, {4, 8, 8, 12}},
        {8, 0, {36, 16, 40, 20}, {8, 8, 12, 12}}}},
      // Margins of 7 and 7 use up a 12-pixel frame: the centre and the top and bottom edges have
      // no source left and are skipped (tiling them would never end).
      {u"[E]\nMarginLeft=7\nMarginRight=7\nPaintMode=1\nFrames=2\n",
       30, 12, 0,
       {{1, 0, {0, 0, 7, 0}, {0, 0, 7, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(nux::ToUtf8(c.metrics));
    CSkinElement element;
    ASSERT_TRUE(element.LoadImage(u"C:\\e.bmp", nullptr));
    element.ReadMetrics(IniOf(c.metrics), u"E");
    std::vector<SkinBlit> plan;
    element.PlanPieces(c.width, c.height, c.frame, plan);
    if (c.plan.size() == 1 && c.plan[0].target.bottom == 0) {
      // Without top and bottom margins the corners are empty too: only the sides remain.
      for (const SkinBlit& b : plan) EXPECT_TRUE(b.nPiece == 4 || b.nPiece == 5) << b.nPiece;
      EXPECT_EQ(plan.size(), 2u);
      element.Render(c.width, c.height, c.frame);  // returns: nothing to tile endlessly
      continue;
    }
    ASSERT_EQ(plan.size(), c.plan.size());
    for (size_t i = 0; i < plan.size(); ++i) {
      EXPECT_EQ(plan[i].nPiece, c.plan[i].piece) << i;
      EXPECT_EQ(plan[i].nMode, c.plan[i].mode) << i;
      EXPECT_TRUE(plan[i].rcTarget == c.plan[i].target) << i << " " << Text(plan[i].rcTarget);
      EXPECT_TRUE(plan[i].rcSource == c.plan[i].source) << i << " " << Text(plan[i].rcSource);
    }
  }
}

TEST_F(Skin, AnElementRendersOncePerSizeAndCopiesItsBuffer) {
  WritePicture(root, "e.bmp", 8, 8, [](int x, int y) { return x < 2 || y < 2 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
  CSkinElement element;
  ASSERT_TRUE(element.LoadImage(u"C:\\e.bmp", nullptr));
  element.SetMargins(2, 2, 2, 2);
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 40, 40);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  CDC cdc;
  cdc.Attach(dc);
  element.DrawRect(&cdc, 10, 10, 30, 30, 0);
  element.DrawRect(&cdc, 5, 5, 25, 25, 0);
  EXPECT_EQ(element.GetRenderCount(), 1);
  EXPECT_EQ(::GetPixel(dc, 5, 5), RGB(255, 0, 0));    // corner
  EXPECT_EQ(::GetPixel(dc, 15, 15), RGB(0, 0, 255));  // stretched centre
  element.DrawRect(&cdc, 0, 0, 30, 30, 0);
  EXPECT_EQ(element.GetRenderCount(), 2);
  cdc.Detach();
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);

  COffScreen buffer;
  EXPECT_EQ(buffer.GetDC(), nullptr);
  EXPECT_EQ(buffer.Create(4, 3), 1);
  EXPECT_EQ(buffer.Create(4, 3), 0);
  EXPECT_NE(buffer.GetDC(), nullptr);
  buffer.ReleaseDC();
  EXPECT_EQ(buffer.Create(5, 3), 1);
  buffer.Destroy();
  EXPECT_EQ(buffer.GetWidth(), 0);
}

TEST_F(Skin, LoadsTheSampleSkinLooseAndPacked) {
  for (bool loose : {true, false}) {
    SCOPED_TRACE(loose ? "loose" : "packed");
    std::filesystem::remove_all(root.DriveC() + "/Skin");
    LaySampleSkin(loose, !loose);
    CSkinDlg dlg;
    ASSERT_TRUE(dlg.LoadSkin(u"C:\\Skin\\Frames\\frame.ads"));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(dlg.GetElement(i).IsValid()) << i;
    // Frame widths from the images: left 8, right 8, top 24, bottom 8; minimum from "Scale".
    dlg.SetFrameWidths(1, 1, 1, 1);  // ignored: the skin decides
    EXPECT_EQ(dlg.GetFrameWidth(0), 8);
    EXPECT_EQ(dlg.GetFrameWidth(1), 8);
    EXPECT_EQ(dlg.GetFrameWidth(2), 24);
    EXPECT_EQ(dlg.GetFrameWidth(3), 8);
    EXPECT_EQ(dlg.GetMinSize().cx, 320);
    EXPECT_EQ(dlg.GetMinSize().cy, 240);
  }
}

TEST_F(Skin, AMissingImageOrAHalfScaleLeavesTheDefaults) {
  LaySampleSkin(true, false);
  std::string ads = nuxtest::ReadFile(root.DriveC() + "/Skin/Frames/frame.ads");
  // Only a minimum width: no minimum size is set.
  root.Write("drive_c/Skin/Frames/half.ads", ads.substr(0, ads.find("[Scale]")) + "[Scale]\r\nMinWidth=500\r\n");
  CSkinDlg half;
  ASSERT_TRUE(half.LoadSkin(u"C:\\Skin\\Frames\\half.ads"));
  EXPECT_EQ(half.GetMinSize().cx, 0);

  std::filesystem::remove(root.DriveC() + "/Skin/Frames/right.bmp");
  CSkinDlg dlg;
  dlg.SetFrameColors(RGB(200, 200, 200), RGB(40, 40, 40), RGB(120, 0, 0));
  EXPECT_FALSE(dlg.LoadSkin(u"C:\\Skin\\Frames\\frame.ads"));
  EXPECT_FALSE(dlg.LoadSkin(u"C:\\Skin\\Frames\\none.ads"));
  EXPECT_EQ(dlg.GetFrameWidth(0), 5);
  ASSERT_TRUE(dlg.CreateAt(nullptr, 50, 50));
  dlg.ShowNow();
  nux::gdi::Surface s;
  ASSERT_TRUE(nux::testing::CaptureWindow(dlg.m_hWnd, &s));
  EXPECT_EQ(s.colorAt(2, s.height() / 2), RGB(120, 0, 0));  // the plain drawn frame
}

TEST_F(Skin, SkinnedDialogPaintsItsNinePieceFrameAndResizesWithinItsLimits) {
  LaySampleSkin(false, true);
  CSkinDlg dlg;
  ASSERT_TRUE(dlg.LoadSkin(u"C:\\Skin\\Frames\\frame.ads"));
  dlg.SetBackgroundColor(RGB(232, 236, 246));
  ASSERT_TRUE(dlg.CreatePlaced(nullptr, u"SkinTest", nullptr));
  dlg.ShowNow();
  RECT w = WindowRectOf(dlg);
  EXPECT_GE(w.right - w.left, 320);
  EXPECT_GE(w.bottom - w.top, 240);
  const RECT c = ClientRectOf(dlg);
  EXPECT_EQ(c.right, w.right - w.left - 16);
  EXPECT_EQ(c.bottom, w.bottom - w.top - 32);

  // The frame as the images give it: ornamented corners of the title band, gold marks of the
  // side bands at their ends, the title band repeated across between its corners.
  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    nux::gdi::Surface s;
    ASSERT_TRUE(nux::testing::CaptureWindow(dlg.m_hWnd, &s));
    const int W = s.width(), H = s.height();
    const COLORREF gold = RGB(222, 184, 92), edge = RGB(150, 170, 220);
    EXPECT_EQ(s.colorAt(W / 2, 0), edge);
    EXPECT_EQ(s.colorAt(4, 24 + 3), gold);              // left band, first fixed rows
    EXPECT_EQ(s.colorAt(4, H - 8 - 5), gold);           // left band, last fixed rows
    EXPECT_EQ(s.colorAt(4, H / 2), RGB(28, 39, 79));    // left band repeated between them
    // The right band is one pixel wider than its image: its gold mark is stretched into it.
    int goldish = 0;
    for (int x = W - 9; x < W; ++x) goldish += GetRValue(s.colorAt(x, 30)) > 120 && GetBValue(s.colorAt(x, 30)) < 100;
    EXPECT_GE(goldish, 1);
    EXPECT_NE(s.colorAt(11, 12), s.colorAt(W / 2, 11));  // the gem of the top-left corner
    EXPECT_EQ(s.colorAt(11, 12), s.colorAt(W - 12, 12));  // and of the top-right one
  };
  check("opened");

  const char* snapshot = std::getenv("NUX_FRAMES_SNAPSHOT");
  if (snapshot) {
    EXPECT_TRUE(nux::testing::WriteWindowPng(dlg.m_hWnd, snapshot));
  }

  // Dragged on its right edge and its bottom-left corner, within the limits.
  nux::testing::Drag(POINT{w.right - 2, w.top + 100}, POINT{w.right + 58, w.top + 100});
  nux::testing::PumpMessages();
  RECT after = WindowRectOf(dlg);
  EXPECT_EQ(after.right, w.right + 60);
  nux::testing::Drag(POINT{after.left + 1, after.bottom - 2}, POINT{after.left - 29, after.bottom + 38});
  nux::testing::PumpMessages();
  after = WindowRectOf(dlg);
  EXPECT_EQ(after.left, w.left - 30);
  EXPECT_EQ(after.bottom, w.bottom + 40);
  check("resized");
  // Not smaller than the skin's minimum.
  nux::testing::Drag(POINT{after.right - 2, after.bottom - 2}, POINT{after.left + 10, after.top + 10});
  nux::testing::PumpMessages();
  after = WindowRectOf(dlg);
  EXPECT_EQ(after.right - after.left, 320);
  EXPECT_EQ(after.bottom - after.top, 240);
  const RECT normal = after;

  dlg.Maximize();
  EXPECT_TRUE(SameRect(WindowRectOf(dlg), RECT{0, 0, 1024, 740})) << Text(WindowRectOf(dlg));
  check("maximized");
  dlg.ToggleMaximize();
  EXPECT_TRUE(SameRect(WindowRectOf(dlg), normal));
  dlg.DestroyWindow();
  LONG edges[4] = {};
  ASSERT_TRUE(theEngineConfig.GetBinary(u"SkinTest", edges, sizeof(edges)));
  EXPECT_TRUE(SameRect(RECT{edges[0], edges[1], edges[2], edges[3]}, normal));
}

}  // namespace
