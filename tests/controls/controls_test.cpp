// The maker's controls as the dialogs use them: created by class id through the wrappers,
// drawn from their picture strips, answering the dispatch calls and firing Click and the
// mouse events into the container's event sink map; their registration in HKCR.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Button1.h"
#include "Checkbox.h"
#include "ControlPictures.h"
#include "EngineConfig.h"
#include "Image1.h"
#include "controls/controls.h"
#include "fs/path.h"
#include "fs/root.h"
#include "gdi/image.h"
#include "registry/registry.h"
#include "test_support.h"
#include "testing/testing.h"

namespace {

enum { kButtonId = 1101, kCheckId = 1102, kCaptionId = 1109 };

constexpr COLORREF kFrameColors[] = {RGB(200, 0, 0),   RGB(0, 200, 0),   RGB(0, 0, 200),   RGB(200, 200, 0),
                                     RGB(0, 200, 200), RGB(200, 0, 200), RGB(90, 90, 90),  RGB(250, 250, 250)};

// A strip of `frames` frames of w x h, each filled with its colour of kFrameColors.
std::u16string WriteStrip(const nuxtest::ScopedPlatformRoot& root, const std::string& name, int frames, int w, int h) {
  nux::gdi::Surface s(frames * w, h);
  for (int f = 0; f < frames; ++f) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) s.set(f * w + x, y, nux::gdi::ArgbFromColorref(kFrameColors[f]));
    }
  }
  std::string path = root.path() + "/drive_c/" + name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  EXPECT_TRUE(nux::gdi::WritePng(s, path));
  return u"C:\\" + nux::FromUtf8(name);
}

class CHost : public CWnd {
 public:
  std::vector<std::string> events;

 protected:
  void Log(const std::string& what, short button, short shift, long x, long y) {
    events.push_back(what + " " + std::to_string(button) + " " + std::to_string(shift) + " " + std::to_string(x) +
                     " " + std::to_string(y));
  }
  void OnButton() { events.push_back("click button"); }
  void OnCheck() { events.push_back("click check"); }
  void OnDown(short b, short s, long x, long y) { Log("down", b, s, x, y); }
  void OnMove(short b, short s, long x, long y) { Log("move", b, s, x, y); }
  void OnUp(short b, short s, long x, long y) { Log("up", b, s, x, y); }
  DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CHost, CWnd)
  ON_EVENT(CHost, kButtonId, -600, CHost::OnButton, VTS_NONE)
  ON_EVENT(CHost, kCheckId, -600, CHost::OnCheck, VTS_NONE)
  ON_EVENT(CHost, kCaptionId, -605, CHost::OnDown, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CHost, kCaptionId, -606, CHost::OnMove, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CHost, kCaptionId, -607, CHost::OnUp, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    ASSERT_TRUE(host.CreateEx(0, nullptr, u"host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  }
  void TearDown() override {
    host.DestroyWindow();
    nux::testing::ResetUi();
    CWnd::DeleteTempMap();
  }
  // The colour of a pixel of the host window, after pending paints.
  COLORREF PixelAt(int x, int y) {
    nux::gdi::Surface s;
    EXPECT_TRUE(nux::testing::CaptureWindow(host.m_hWnd, &s));
    return s.colorAt(x, y);
  }
  nuxtest::ScopedPlatformRoot root;
  CHost host;
};

TEST_F(Controls, WrappersNameTheControlLibrarysClasses) {
  EXPECT_EQ(CButton1::GetClsid(), nux::controls::CLSID_ZrImageButton);
  EXPECT_EQ(CCheckbox::GetClsid(), nux::controls::CLSID_ZrCheckbox);
  EXPECT_EQ(CImage1::GetClsid(), nux::controls::CLSID_ZrImage);
  std::unique_ptr<CObject> made(RUNTIME_CLASS(CImage1)->CreateObject());
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CWnd)));
}

TEST_F(Controls, ImageButtonFollowsThePointerWithItsLooksAndClicksOnlyWhenAvailable) {
  std::u16string strip = WriteStrip(root, "button.png", 4, 20, 10);  // normal, hot, pressed, unavailable
  CButton1 button;
  ASSERT_TRUE(button.Create(strip.c_str(), WS_VISIBLE, CRect(10, 10, 30, 20), &host, kButtonId));
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[0]);

  // The hot look comes with the pointer and goes when it leaves, by real moves; it is painted
  // at once, before any further message is handled.
  nux::testing::MouseMove(15, 15);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[1]);
  nux::testing::MouseMove(100, 100);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[0]);

  // Pressed while held with the pointer inside; outside it looks normal, back inside pressed;
  // the release inside clicks and leaves the hot look.
  nux::testing::MouseMove(15, 15);
  nux::testing::MouseDown(15, 15);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[2]);
  nux::testing::MouseMove(60, 60);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[0]);
  nux::testing::MouseMove(16, 15);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[2]);
  nux::testing::MouseUp(16, 15);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[1]);
  EXPECT_EQ(host.events, std::vector<std::string>{"click button"});

  // The window losing activation ends the hot look.
  CWnd other;
  ASSERT_TRUE(other.CreateEx(0, nullptr, u"other", WS_POPUP | WS_VISIBLE, 400, 0, 50, 50, nullptr, nullptr));
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[0]);
  other.DestroyWindow();
  ::SetActiveWindow(host.m_hWnd);

  button.SetState(0);
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[3]);  // unavailable, also under the pointer
  nux::testing::Click(15, 15);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[3]);
  EXPECT_EQ(host.events.size(), 1u);

  // Released outside the button after pressing inside: no click.
  button.SetState(1);
  nux::testing::MouseDown(15, 15);
  nux::testing::MouseUp(100, 100);
  nux::testing::PumpMessages();
  EXPECT_EQ(host.events.size(), 1u);
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(Controls, ShortStripsLendTheirFramesToTheLooksTheyLack) {
  // One frame: every look; two (normal, hot): pressed shows hot, unavailable normal.
  struct Case {
    int frames;
    int hot, pressed, unavailable;
  } cases[] = {{1, 0, 0, 0}, {2, 1, 1, 0}, {3, 1, 2, 0}};
  for (const Case& c : cases) {
    std::u16string strip = WriteStrip(root, "short" + std::to_string(c.frames) + ".png", c.frames, 20, 10);
    CButton1 button;
    ASSERT_TRUE(button.Create(strip.c_str(), WS_VISIBLE, CRect(10, 10, 30, 20), &host, kButtonId));
    nux::testing::MouseMove(15, 15);
    nux::testing::PumpMessages();
    EXPECT_EQ(PixelAt(15, 15), kFrameColors[c.hot]) << c.frames;
    nux::testing::MouseDown(15, 15);
    nux::testing::PumpMessages();
    EXPECT_EQ(PixelAt(15, 15), kFrameColors[c.pressed]) << c.frames;
    nux::testing::MouseUp(15, 15);
    button.SetState(0);
    EXPECT_EQ(PixelAt(15, 15), kFrameColors[c.unavailable]) << c.frames;
    nux::testing::MouseMove(200, 150);
    nux::testing::PumpMessages();
    button.DestroyWindow();
  }
}

TEST_F(Controls, SpaceOnAFocusedControlPressesItAndClicksOnceOnRelease) {
  std::u16string strip = WriteStrip(root, "space.png", 4, 20, 10);
  CButton1 button;
  ASSERT_TRUE(button.Create(strip.c_str(), WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 30, 20), &host, kButtonId));
  // A press by the pointer does not take the focus.
  nux::testing::Click(15, 15);
  nux::testing::PumpMessages();
  EXPECT_NE(::GetFocus(), button.m_hWnd);
  nux::testing::MouseMove(200, 150);
  nux::testing::PumpMessages();
  host.events.clear();

  // Focused: the dotted focus frame lies two pixels in, over the picture.
  EXPECT_EQ(PixelAt(12, 12), kFrameColors[0]);
  button.SetFocus();
  EXPECT_NE(PixelAt(12, 12), kFrameColors[0]);
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[0]);
  EXPECT_EQ(::SendMessageW(button.m_hWnd, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON, DLGC_BUTTON);

  nux::testing::KeyDown(VK_SPACE);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[2]);
  nux::testing::KeyDown(VK_SPACE);  // held: the key repeats
  nux::testing::KeyDown(VK_SPACE);
  nux::testing::PumpMessages();
  EXPECT_TRUE(host.events.empty());
  nux::testing::KeyUp(VK_SPACE);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[0]);
  EXPECT_EQ(host.events, std::vector<std::string>{"click button"});

  // Focus lost while Space is held: no click at its release.
  nux::testing::KeyDown(VK_SPACE);
  nux::testing::PumpMessages();
  host.SetFocus();
  nux::testing::PumpMessages();
  button.SetFocus();
  nux::testing::KeyUp(VK_SPACE);
  nux::testing::PumpMessages();
  EXPECT_EQ(host.events.size(), 1u);

  // Unavailable: Space clicks nothing.
  button.SetState(0);
  nux::testing::KeyPress(VK_SPACE);
  nux::testing::PumpMessages();
  EXPECT_EQ(host.events.size(), 1u);

  // A check box toggles by Space.
  CCheckbox check;
  ASSERT_TRUE(check.Create(u"", WS_VISIBLE | WS_TABSTOP, CRect(50, 50, 110, 66), &host, kCheckId));
  check.SetFocus();
  nux::testing::KeyPress(VK_SPACE);
  nux::testing::PumpMessages();
  EXPECT_TRUE(check.GetCheck());
  EXPECT_EQ(host.events.back(), "click check");
}

TEST_F(Controls, CheckBoxTogglesOnClickAndAnswersGetAndSetCheck) {
  // Eight frames: normal, hot, pressed, unavailable unchecked, then the same checked.
  std::u16string strip = WriteStrip(root, "check.png", 8, 12, 12);
  CCheckbox check;
  ASSERT_TRUE(check.Create(strip.c_str(), WS_VISIBLE, CRect(50, 50, 62, 62), &host, kCheckId));
  EXPECT_FALSE(check.GetCheck());
  EXPECT_EQ(PixelAt(55, 55), kFrameColors[0]);
  nux::testing::Click(55, 55);
  nux::testing::PumpMessages();
  EXPECT_TRUE(check.GetCheck());
  EXPECT_EQ(host.events, std::vector<std::string>{"click check"});
  EXPECT_EQ(PixelAt(55, 55), kFrameColors[5]);  // checked, hot
  nux::testing::MouseMove(200, 150);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(55, 55), kFrameColors[4]);
  check.EnableWindow(FALSE);
  EXPECT_EQ(PixelAt(55, 55), kFrameColors[7]);
  nux::testing::Click(55, 55);
  nux::testing::PumpMessages();
  EXPECT_TRUE(check.GetCheck());  // disabled: no toggle
  check.EnableWindow(TRUE);
  check.SetCheck(0);
  EXPECT_FALSE(check.GetCheck());
  EXPECT_EQ(PixelAt(55, 55), kFrameColors[0]);
  check.SetCheck(1);
  EXPECT_TRUE(check.GetCheck());

  // Two frames: unchecked and checked, whatever the look.
  std::u16string two = WriteStrip(root, "check2.png", 2, 12, 12);
  CCheckbox small;
  ASSERT_TRUE(small.Create(two.c_str(), WS_VISIBLE, CRect(80, 50, 92, 62), &host, kCheckId + 10));
  small.SetCheck(1);
  nux::testing::MouseMove(85, 55);
  nux::testing::PumpMessages();
  EXPECT_EQ(PixelAt(85, 55), kFrameColors[1]);
}

TEST_F(Controls, WithoutItsPictureAControlShowsItsCaptionAndACheckBoxItsTick) {
  // The caption is the picture's name without folder and extension.
  struct Case {
    const char16_t* name;
    const char16_t* caption;
  } cases[] = {{u"Controls\\Search.bmp", u"Search"}, {u"C:\\UI\\Tab Dict.PNG", u"Tab Dict"},
               {u"Suchen", u"Suchen"},                {u"Controls/Back.jpeg", u"Back"},
               {u"Notes.txt", u"Notes.txt"},           {u"", u""}};
  for (const Case& c : cases) EXPECT_EQ(nux::controls::CaptionOfName(c.name), c.caption) << nux::ToUtf8(c.name);

  // A face in the button colour with the caption's text on it.
  CButton1 button;
  ASSERT_TRUE(button.Create(u"C:\\Missing\\Search.bmp", WS_VISIBLE, CRect(10, 10, 90, 34), &host, kButtonId));
  CButton1 blank;
  ASSERT_TRUE(blank.Create(u"", WS_VISIBLE, CRect(10, 40, 90, 64), &host, kButtonId + 1));
  auto inkIn = [&](int top) {
    nux::gdi::Surface shot;
    EXPECT_TRUE(nux::testing::CaptureWindow(host.m_hWnd, &shot));
    int n = 0;
    for (int y = top + 4; y < top + 20; ++y)
      for (int x = 20; x < 80; ++x) n += shot.colorAt(x, y) == GetSysColor(COLOR_BTNTEXT);
    return n;
  };
  EXPECT_EQ(PixelAt(12, 12), GetSysColor(COLOR_BTNFACE));
  EXPECT_GT(inkIn(10), 10);
  EXPECT_EQ(inkIn(40), 0);

  // The check box draws a box at its left, ticked when checked (never a filled square).
  CCheckbox check;
  ASSERT_TRUE(check.Create(u"Controls\\WholeWords.bmp", WS_VISIBLE, CRect(10, 100, 150, 120), &host, kCheckId));
  auto tick = [&] {
    nux::gdi::Surface shot;
    EXPECT_TRUE(nux::testing::CaptureWindow(host.m_hWnd, &shot));
    int n = 0;
    for (int y = 103; y < 117; ++y)
      for (int x = 13; x < 27; ++x) n += shot.colorAt(x, y) == GetSysColor(COLOR_WINDOWTEXT);
    return n;
  };
  EXPECT_EQ(tick(), 0);
  check.SetCheck(1);
  const int ticked = tick();
  EXPECT_GT(ticked, 6);
  EXPECT_LT(ticked, 60);  // a stroke, not the whole box
  EXPECT_EQ(PixelAt(24, 113), GetSysColor(COLOR_WINDOW));  // the box's inside stays white beside the tick
}

// The library's rule: names relative to the UI folder, loose files first, else the entry of
// the archive that stands for the picture's folder.
class LibraryPictures : public Controls {
 protected:
  void SetUp() override {
    Controls::SetUp();
    config_.reset(new CEngineConfig);
    config_->m_strUI = u"C:\\UI\\";
    current_ = config_.get();
    previous_ = nux::controls::SetPictureSource(&Read);
  }
  void TearDown() override {
    nux::controls::SetPictureSource(previous_);
    current_ = nullptr;
    Controls::TearDown();
  }
  static bool Read(const std::u16string& name, std::vector<uint8_t>& bytes) {
    return ReadControlPicture(*current_, name, bytes);
  }
  static void PutDriveC(const std::string& relative, const std::string& bytes) {
    ASSERT_TRUE(nuxtest::WriteFile(nux::PlatformRoot() + "/drive_c/" + relative, bytes));
  }
  std::unique_ptr<CEngineConfig> config_;
  nux::controls::PictureSource previous_ = nullptr;
  static inline CEngineConfig* current_ = nullptr;
};

TEST_F(LibraryPictures, NamesLeadIntoTheUiFolderLooseOrPacked) {
  const std::string packed = nuxtest::ReadFile(nuxtest::SourceDir() + "/fixtures/Controls.nux");
  ASSERT_FALSE(packed.empty());
  PutDriveC("UI/Controls.nux", packed);
  WriteStrip(root, "UI/Loose/Strip.png", 4, 20, 10);
  WriteStrip(root, "Strip.png", 4, 20, 10);  // in the root of C:, outside the UI folder
  PutDriveC("UI/Broken.nux", "PK\x03\x04 no archive");

  struct Case {
    const char16_t* name;
    bool found;
  } cases[] = {
      {u"Loose\\Strip.png", true},     {u"Controls\\Strip.bmp", true},
      {u"C:\\UI\\Loose\\Strip.png", true}, {u"Controls\\Missing.bmp", false}, {u"Broken\\Strip.bmp", false},
      {u"..\\Strip.png", false},       {u"Strip.png", false},            {u"", false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadControlPicture(*config_, c.name, bytes), c.found) << nux::ToUtf8(c.name);
    EXPECT_EQ(bytes.empty(), !c.found) << nux::ToUtf8(c.name);
  }
  // Without a UI folder a relative name finds nothing, not even beside the program.
  CEngineConfig none;
  none.m_strUI = u"";
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(ReadControlPicture(none, u"Strip.png", bytes));

  // Controls made with such names draw them; a missing one shows its caption.
  CButton1 loose, packedButton, missing;
  ASSERT_TRUE(loose.Create(u"Loose\\Strip.png", WS_VISIBLE, CRect(10, 10, 30, 20), &host, kButtonId));
  ASSERT_TRUE(packedButton.Create(u"Controls\\Strip.bmp", WS_VISIBLE, CRect(40, 10, 60, 20), &host, kButtonId + 1));
  ASSERT_TRUE(missing.Create(u"Controls\\Gone.bmp", WS_VISIBLE, CRect(70, 10, 150, 30), &host, kButtonId + 2));
  EXPECT_EQ(PixelAt(15, 15), kFrameColors[0]);
  EXPECT_EQ(PixelAt(45, 15), RGB(0, 0, 200));
  packedButton.SetState(0);
  EXPECT_EQ(PixelAt(45, 15), RGB(200, 0, 200));
  EXPECT_EQ(PixelAt(72, 12), GetSysColor(COLOR_BTNFACE));

  // The image's picture set later is found the same way.
  CImage1 image;
  ASSERT_TRUE(image.Create(u"", WS_VISIBLE, CRect(10, 100, 90, 110), &host, kCaptionId));
  image.SetPicture(u"Controls\\Strip.bmp");
  EXPECT_EQ(PixelAt(70, 105), RGB(200, 0, 200));
}

TEST_F(Controls, ImageShowsItsPictureAndFiresTheMouseEventsOfADrag) {
  std::u16string first = WriteStrip(root, "one.png", 1, 40, 16);
  std::u16string second = WriteStrip(root, "two.png", 4, 10, 16);  // four colours across
  CImage1 caption;
  ASSERT_TRUE(caption.Create(first.c_str(), WS_VISIBLE, CRect(0, 0, 40, 16), &host, kCaptionId));
  EXPECT_EQ(PixelAt(35, 5), kFrameColors[0]);
  caption.SetPicture(second.c_str());
  EXPECT_EQ(PixelAt(5, 5), kFrameColors[0]);
  EXPECT_EQ(PixelAt(35, 5), kFrameColors[3]);
  caption.SetPicture(u"C:\\missing.png");  // nothing to show: no failure either

  // The pointer arrives (a move with no button), presses, drags and lets go.
  nux::testing::Drag({5, 6}, {25, 10}, 2);
  nux::testing::PumpMessages();
  EXPECT_EQ(host.events,
            (std::vector<std::string>{"move 0 0 5 6", "down 1 0 5 6", "move 1 0 15 8", "move 1 0 25 10", "up 1 0 25 10"}));
  // The right button, with shift held.
  host.events.clear();
  nux::testing::KeyDown(VK_SHIFT);
  nux::testing::Click(7, 3, nux::testing::Button::Right);
  nux::testing::KeyUp(VK_SHIFT);
  nux::testing::PumpMessages();
  EXPECT_EQ(host.events, (std::vector<std::string>{"move 0 1 7 3", "down 2 1 7 3", "up 2 1 7 3"}));
}

// A 32-bit bitmap file of w x h in one colour, every pixel's fourth byte `fourth`.
std::u16string WriteBitmap32(const nuxtest::ScopedPlatformRoot& root, const std::string& name, int w, int h,
                             COLORREF colour, uint8_t fourth) {
  auto put32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
  };
  std::string file = "BM";
  put32(file, uint32_t(54 + w * h * 4));
  put32(file, 0);
  put32(file, 54);
  put32(file, 40);
  put32(file, uint32_t(w));
  put32(file, uint32_t(h));
  file += std::string("\x01\x00\x20\x00", 4);  // one plane, 32 bits
  for (int i = 0; i < 6; ++i) put32(file, 0);
  for (int i = 0; i < w * h; ++i)
    file += {char(GetBValue(colour)), char(GetGValue(colour)), char(GetRValue(colour)), char(fourth)};
  root.Write("drive_c/" + name, file);
  return u"C:\\" + nux::FromUtf8(name);
}

TEST_F(Controls, ThirtyTwoBitBitmapsWithAnEmptyFourthByteDrawOpaque) {
  const COLORREF colour = RGB(30, 140, 220);
  std::u16string opaque = WriteBitmap32(root, "opaque.bmp", 20, 10, colour, 0);
  std::u16string half = WriteBitmap32(root, "half.bmp", 20, 10, colour, 128);
  CImage1 image;
  ASSERT_TRUE(image.Create(opaque.c_str(), WS_VISIBLE, CRect(0, 0, 20, 10), &host, kCaptionId));
  CButton1 button;
  ASSERT_TRUE(button.Create(opaque.c_str(), WS_VISIBLE, CRect(40, 0, 60, 10), &host, kButtonId));
  EXPECT_EQ(PixelAt(5, 5), colour);
  EXPECT_EQ(PixelAt(45, 5), colour);
  // With alpha of its own the picture keeps it: half of it over what lies below.
  CImage1 translucent;
  ASSERT_TRUE(translucent.Create(half.c_str(), WS_VISIBLE, CRect(80, 0, 100, 10), &host, kCaptionId + 1));
  const COLORREF blended = PixelAt(85, 5);
  EXPECT_NE(blended, colour);
  EXPECT_NE(blended, PixelAt(100, 100));
}

TEST_F(Controls, DispatchCallsOfTheWrongShapeRaiseTheClassLibrarysException) {
  CImage1 image;
  ASSERT_TRUE(image.Create(u"", WS_VISIBLE, CRect(0, 0, 10, 10), &host, kCaptionId));
  try {
    image.InvokeHelper(7, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);  // the button's member
    ADD_FAILURE() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_MEMBERNOTFOUND);
    e->Delete();
  }
}

TEST_F(Controls, RegistrationLeadsFromTheProgIdToTheServerFile) {
  const std::u16string server = u"C:\\Programme\\Starvane7\\Controls\\libZrImageCtrl.so.2.0.7.6";
  ASSERT_TRUE(nux::controls::RegisterServer(server));
  struct Case {
    const char16_t* progId;
    const CLSID* clsid;
  } cases[] = {{nux::controls::kImageProgId, &nux::controls::CLSID_ZrImage},
               {nux::controls::kButtonProgId, &nux::controls::CLSID_ZrImageButton},
               {nux::controls::kCheckboxProgId, &nux::controls::CLSID_ZrCheckbox}};
  for (const Case& c : cases) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(c.progId, &clsid), S_OK);
    EXPECT_EQ(clsid, *c.clsid);
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(clsid, &text), S_OK);
    HKEY key = nullptr;
    std::u16string name = u"CLSID\\" + std::u16string(text) + u"\\InprocServer32";
    CoTaskMemFree(text);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    WCHAR value[300] = {};
    DWORD size = sizeof(value);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::u16string(value), server);
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(*c.clsid, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), c.progId);
    CoTaskMemFree(progId);
  }
  ASSERT_TRUE(nux::controls::UnregisterServer());
  CLSID clsid{};
  EXPECT_NE(CLSIDFromProgID(nux::controls::kImageProgId, &clsid), S_OK);
}

}  // namespace
