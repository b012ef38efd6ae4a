// What the search window and word list tests share: an installation's NUX.INI with the
// interface texts, a small content table of every module, the library's slots pointed at it,
// and a record of the pages the windows asked to show.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ListWnd.h"
#include "dao/dao.h"
#include "mfc/afxwin.h"
#include "test_support.h"

namespace swtest {

// One call of the page-showing exports.
struct Opened {
  bool encyclopaedia = false;
  CWnd* parent = nullptr;
  std::u16string condition;
  bool hasWords = false;
  std::vector<std::u16string> words;
};
std::vector<Opened>& OpenedPages();

std::string U8(const CString& text);

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the [Strings] section of NUX.INI.
  void Strings(const std::string& lines);
  // The titles of the list's rows, top to bottom.
  static std::vector<std::string> Titles(const CListWnd& list);
  // The key of the list's first row; -1 without rows.
  static long FirstKey(const CListWnd& list);
  // Screen point of a client point of the window.
  static POINT Screen(HWND hwnd, int x, int y);
  // Clicks the middle of a child control of the dialog.
  static void ClickItem(CWnd* dialog, int id);
  // Clicks a row of the list (it selects the row and takes the focus), then presses each key:
  // the list scrolls to the key's offset, the selection stays, and so does the focus (the
  // list wants every key). Returns the selected key.
  struct KeyScroll {
    UINT vk;
    int offset;
  };
  static long ClickRowAndScroll(CListWnd& list, int row, const std::vector<KeyScroll>& keys);

  nuxtest::ScopedPlatformRoot root_;
  std::unique_ptr<CDaoDatabase> db_;
  CString savedIni_;
  CWnd host_;
};

}  // namespace swtest
