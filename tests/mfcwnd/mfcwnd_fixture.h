// Shared pieces of the window-layer tests: every test starts on the virtual clock with no
// windows and unanswered message boxes taking their default button.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "mfc/afxwin.h"
#include "testing/testing.h"

namespace mfcwndtest {

class MfcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::ResetUi();
    nux::ui::SetMessageBoxTerminal(false);
    nux::ui::ClearMessageBoxLog();
  }
  void TearDown() override {
    nux::testing::ResetUi();
    CWnd::DeleteTempMap();
    nux::afx::DeleteTempGdiMaps();
    // A destroyed main window leaves WM_QUIT behind; the next test starts with an empty queue.
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
};

inline std::string Narrow(const CStringW& s) { return nux::WideToAnsi(static_cast<LPCWSTR>(s)); }

inline std::string TextOf(HWND h) {
  CStringW s;
  CWnd::ReadWindowText(h, s);
  return Narrow(s);
}

}  // namespace mfcwndtest
