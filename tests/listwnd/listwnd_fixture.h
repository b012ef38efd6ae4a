// Shared pieces of the list and tree tests: a fixture database made from SQL statements, a
// top-level parent window that records the private messages its children send, and points of
// child windows on the screen.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dao/dao.h"
#include "mfc/afxwin.h"
#include "ui/treeview.h"
#include "test_support.h"

namespace lwtest {

struct Sent {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Messages 0x4C8..0x4C9 and 0x52D..0x530, and the TVN_SELCHANGED notices the parent's children
// left to it (WM_NOTIFY, control id, code).
std::vector<Sent>& Received();
// The selection notices themselves, copied whole as the parent reads them.
std::vector<NMTREEVIEWW>& SelChanges();

// The Windows path (Z:\...) of a Linux path.
std::u16string Win(const std::string& linuxPath);

// A class-library window that notes the private messages and selection notices it receives
// (and reflects its children's notifications to them, as dialogs do).
class RecordingParent : public CWnd {
 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 public:
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A database file in the test's folder, made by the statements.
  CDaoDatabase* MakeDatabase(const std::vector<std::u16string>& statements);
  // A table Words(ID, Title) with `count` records: IDs 1..count, titles "Word 001" ...
  CDaoDatabase* MakeWords(int count);
  // Screen point of a client point of the window.
  static POINT Screen(HWND hwnd, int x, int y);
  // Screen point at the middle of the window.
  static POINT Middle(HWND hwnd);
  // The recorded messages of one kind, in the order they came.
  static std::vector<Sent> Of(UINT message) {
    std::vector<Sent> r;
    for (auto& s : Received())
      if (s.message == message) r.push_back(s);
    return r;
  }

  nuxtest::TempDir dir_;
  std::unique_ptr<CDaoDatabase> db_;
  int databases_ = 0;
  HWND parent_ = nullptr;
  RecordingParent parentWnd_;
};

}  // namespace lwtest
