// Shared pieces of the framed-dialog and skin tests: a test dialog of either kind that lays
// out its caption control and button, and a UI test base on the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include "EngineConfig.h"
#include "NUXDialogSkin.h"
#include "test_support.h"
#include "testing/testing.h"

namespace framestest {

enum { kDialogId = 400, kCaptionId = 1109, kEditId = 1002, kButtonId = 1005 };

// The dialog's window rectangle as it stood when it began to initialise, and its layout: the
// caption widens with the dialog, the button keeps to the bottom-right corner.
template <typename Base>
class CTestDialog : public Base {
 public:
  CTestDialog() : Base(kDialogId, nullptr) {}
  RECT initial{};

 protected:
  BOOL OnInitDialog() override {
    this->GetWindowRect(&initial);
    return Base::OnInitDialog();
  }
  void SetupLayout(CCtrlLayout* pLayout) override {
    pLayout->SetCtrlProp(kCaptionId, 0, 0, 1, 0);
    pLayout->SetCtrlProp(kButtonId, 1, 1, 0, 0);
  }
};

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}});
    theEngineConfig.m_strApp = u"FramesTest";
  }
  void TearDown() override {
    nux::testing::ResetUi();
    nux::testing::ResetMonitors();
    CWnd::DeleteTempMap();
    nux::afx::DeleteTempGdiMaps();
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  nuxtest::ScopedPlatformRoot root;
};

inline RECT WindowRectOf(CWnd& w) {
  RECT r;
  w.GetWindowRect(&r);
  return r;
}
inline RECT ClientRectOf(CWnd& w) {
  RECT r;
  w.GetClientRect(&r);
  return r;
}
inline bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::string Text(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

}  // namespace framestest
