// The coloured edit: its font, and the enabled and disabled colour pairs it answers to the
// reflected colour request, seen in the pixels it paints.
#include <gtest/gtest.h>

#include <map>

#include "NUXEdit.h"
#include "test_support.h"
#include "testing/testing.h"

namespace {

constexpr COLORREF kText = RGB(255, 255, 0), kBack = RGB(0, 0, 128);
constexpr COLORREF kGreyText = 0x666666, kGreyBack = 0xCCCCCC;

class Edit : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    ASSERT_TRUE(parent.CreateEx(0, nullptr, u"parent", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    HWND h = ::CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 10, 10, 150, 30, parent.m_hWnd,
                               reinterpret_cast<HMENU>(1000), nullptr, nullptr);
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ASSERT_TRUE(edit.SubclassDlgItem(1000, &parent));
  }
  void TearDown() override {
    parent.DestroyWindow();
    nux::testing::ResetUi();
    CWnd::DeleteTempMap();
  }
  // How often each colour occurs in the edit's client area.
  std::map<COLORREF, int> Colours() {
    nux::gdi::Surface s;
    EXPECT_TRUE(nux::testing::CaptureWindow(edit.m_hWnd, &s));
    std::map<COLORREF, int> count;
    for (int y = 0; y < s.height(); ++y)
      for (int x = 0; x < s.width(); ++x) ++count[s.colorAt(x, y)];
    return count;
  }
  nuxtest::ScopedPlatformRoot root;
  CWnd parent;
  CNUXEdit edit;
};

TEST_F(Edit, SetsItsFontFromTheCurrentOneWithFaceHeightAndWeight) {
  edit.SetFontAndColors(u"MS Sans Serif", 10, 700, kText, kBack, kGreyText, kGreyBack);
  HFONT font = reinterpret_cast<HFONT>(edit.SendMessage(WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW lf{}, before{};
  ::GetObjectW(font, sizeof(lf), &lf);
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(before), &before);
  EXPECT_EQ(lf.lfHeight, -10);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"MS Sans Serif");
  EXPECT_EQ(lf.lfCharSet, before.lfCharSet);
  EXPECT_EQ(lf.lfItalic, before.lfItalic);

  // A second call replaces font and brushes.
  edit.SetFontAndColors(u"Arial", 12, 400, kText, kBack, kGreyText, kGreyBack);
  ::GetObjectW(reinterpret_cast<HFONT>(edit.SendMessage(WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  EXPECT_EQ(lf.lfHeight, -12);
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"Arial");
}

TEST_F(Edit, PaintsTypedTextInTheEnabledColoursAndSwitchesWhenDisabled) {
  edit.SetFontAndColors(u"MS Sans Serif", 12, 400, kText, kBack, kGreyText, kGreyBack);
  edit.SetFocus();
  nux::testing::TypeText(u"Sirius");
  nux::testing::PumpMessages();
  std::map<COLORREF, int> on = Colours();
  EXPECT_GT(on[kBack], 0);  // behind the text too: the whole client area
  EXPECT_GT(on[kText], 0);
  EXPECT_EQ(on[kGreyBack], 0);

  edit.EnableWindow(FALSE);
  std::map<COLORREF, int> off = Colours();
  EXPECT_GT(off[kGreyBack], 0);
  EXPECT_GT(off[kGreyText], 0);
  EXPECT_EQ(off[kBack], 0);
  EXPECT_EQ(off[kText], 0);

  edit.EnableWindow(TRUE);
  std::map<COLORREF, int> again = Colours();
  EXPECT_EQ(again[kGreyBack], 0);
  EXPECT_GT(again[kBack], 0);
}

}  // namespace
