// The browser-host tests: a plain dialog on a template that hosts a CNUXBrowser in place of
// its placeholder 1082 and records what the browser and its document objects send it; a
// template file and a small content database in the test's own platform root.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "NUXBrowser.h"
#include "base/codepage.h"
#include "browser/dom.h"
#include "browser/input.h"
#include "browser/webbrowser.h"
#include "test_support.h"
#include "testing/testing.h"

namespace hosttest {

constexpr UINT kDialog = 100;
constexpr UINT kPlaceholder = 1082;

inline std::string Narrow(std::u16string_view s) { return nux::ToUtf8(s); }

struct Received {
  UINT message;
  WPARAM wParam;
  std::u16string url, target;  // of a link request block
};

class CHostDlg : public CDialog {
 public:
  CHostDlg() : CDialog(kDialog, nullptr) {}
  std::vector<Received> received;
  LRESULT keyAnswer = 0;  // what 0x468 to 0x46A answer
  std::vector<Received> Of(UINT message) const {
    std::vector<Received> out;
    for (const auto& r : received)
      if (r.message == message) out.push_back(r);
    return out;
  }

 protected:
  afx_msg LRESULT OnLink(WPARAM w, LPARAM l) {
    const auto* link = reinterpret_cast<const BROWSERLINK*>(l);
    received.push_back({WM_BROWSER_LINK, w, link->szURL, link->szTarget});
    return 0;
  }
  afx_msg LRESULT OnKey(WPARAM w, LPARAM l) {
    received.push_back({UINT(0x468), w, std::u16string(1, char16_t(l)), {}});
    return keyAnswer;
  }
  afx_msg LRESULT OnPageReady(WPARAM w, LPARAM) { return Note(WM_BROWSER_PAGEREADY, w); }
  afx_msg LRESULT OnPrintStart(WPARAM w, LPARAM) { return Note(WM_BROWSER_PRINTSTART, w); }
  afx_msg LRESULT OnPrintEnd(WPARAM w, LPARAM) { return Note(WM_BROWSER_PRINTEND, w); }
  afx_msg LRESULT OnContextMenu(WPARAM w, LPARAM) { return Note(WM_BROWSER_CONTEXTMENU, w); }
  afx_msg LRESULT OnMouseDown(WPARAM w, LPARAM) { return Note(WM_BROWSER_MOUSEDOWN, w); }
  LRESULT Note(UINT message, WPARAM w) {
    received.push_back({message, w, {}, {}});
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

// A template, pictures and a content database under C:\Sv, each test in its own root.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the dialog and its browser host the way the main reference window does.
  void OpenDialog(bool bookmarks = true);
  // Destroys dialog and browser (the store closes with the browser).
  void CloseDialog();
  // Shows the record of that id through SetHTML, with the template loaded first.
  CString ShowRecord(long id, std::vector<std::u16string> words = {});
  nux::browser::Document* Doc() const;
  std::u16string Body() const { return Doc() ? nux::browser::BodyHtml(*Doc()) : std::u16string(); }
  // Adds a content record.
  void AddRecord(long id, const std::u16string& title, const std::u16string& html);

  nuxtest::ScopedPlatformRoot root_;
  std::unique_ptr<CHostDlg> dlg_;
  std::unique_ptr<CNUXBrowser> browser_;
  HWND placeholder_ = nullptr;
  std::unique_ptr<CDaoDatabase> content_;
  const CString tplPath_ = u"C:\\Sv\\HTML\\tpl.htm";
  const CString storePath_ = u"C:\\Sv\\UserData\\Bookmark.mdb";
};

}  // namespace hosttest
