// The big-picture window as a host opens it: NUXSV_OpenBigImage with a picture address, the
// window sized to the picture with its page, one window for every later picture, and the links
// of its page (the close link, the shell's addresses).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/dom.h"
#include "browser/input.h"
#include "browser/webbrowser.h"
#include "dao/dao.h"
#include "mfc/afxwin.h"
#include "nuxsv_env.h"
#include "process/shell.h"
#include "registry/registry.h"
#include "testing/testing.h"
#include "ui/window.h"

namespace nuxsvtest {
namespace {

using OpenBigImageFn = int (*)(CWnd*, CString);

std::string U8(const std::u16string& text) { return nux::ToUtf8(text); }

const char kTemplate[] = "<HTML><HEAD><TITLE>Bild</TITLE></HEAD><BODY><P>template</P></BODY></HTML>";

class BigImageWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}});
    inst_.WriteIni();
    inst_.root.Write("drive_c/Content/HTML/bigimage.htm", kTemplate);
    AddPictures();
    lib_ = std::make_unique<Library>();
    ASSERT_TRUE(lib_->loaded()) << lib_->loadError;
    ASSERT_EQ(lib_->Init(kToken, 1, 1, 1), 1);
    open_ = lib_->Get<OpenBigImageFn>("NUXSV_OpenBigImage");
    ASSERT_NE(open_, nullptr);
    ASSERT_TRUE(host_.CreateExW(0, nullptr, u"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 740, nullptr,
                                nullptr));
    nux::process::SetShellHandler([this](const nux::process::ShellRequest& r) {
      shell_.push_back(r.file);
      return true;
    });
  }

  void TearDown() override {
    if (lib_ && lib_->loaded()) lib_->Term();
    host_.DestroyWindow();
    lib_.reset();
    nux::process::ResetShellHandler();
    nux::testing::ResetUi();
    nux::testing::ResetMonitors();
    CWnd::DeleteTempMap();
  }

  // Picture records: their bodies carry the links of the window.
  void AddPictures() {
    CDaoDatabase db;
    db.Open(u"C:\\Content\\Data\\Content.mdb", FALSE, FALSE, u";pwd=7C0E91AF3B58");
    const char16_t links[] =
        u"<a href=\"close\" target=\"ENGINE\">Zu</a> <a href=\"close\" target=\"engine\">zu</a> "
        u"<a href=\"Close\" target=\"ENGINE\">Gross</a> <a href=\"close\" target=\"Other\">Fremd</a> "
        u"<a href=\"close\">Ohne</a> <a href=\"http://www.starvane.example/\" target=\"ENGINE\">Web</a>";
    db.Execute((std::u16string(u"INSERT INTO SV_MODULE (ID, ID_QBZ_SV, ID_TPL, SV_MODULE, proper_name, HTML, File) "
                               u"VALUES (50, 'big1', 'pgal', 'pgal', 'Orionnebel', '<h1>Orionnebel</h1>") +
                links + u"', 'm42_big.jpg')")
                   .c_str());
    db.Execute(
        u"INSERT INTO SV_MODULE (ID, ID_QBZ_SV, ID_TPL, SV_MODULE, proper_name, HTML, File) "
        u"VALUES (51, 'big2', 'pgal', 'pgal', 'Komet', '<h1>Komet</h1>', 'o''neil.jpg')");
    db.Close();
  }

  // The window of the drag strip (the test opens no other window of the library).
  HWND Window() const {
    HWND strip = nux::testing::FindWindowById(nullptr, 1109);
    return strip ? ::GetParent(strip) : nullptr;
  }

  nux::browser::Document* Page() const {
    HWND window = Window();
    HWND control = window ? nux::testing::FindWindowByText(u"IEChild", window) : nullptr;
    nux::browser::WebBrowser* browser = control ? nux::browser::WebBrowserOf(control) : nullptr;
    return browser ? browser->document() : nullptr;
  }

  std::string Heading() const {
    nux::browser::Document* doc = Page();
    if (doc == nullptr) return "";
    auto h1 = doc->GetElementsByTagName(u"H1");
    return h1.empty() ? "" : U8(h1[0]->InnerText());
  }

  RECT Rect() const {
    RECT r{};
    ::GetWindowRect(Window(), &r);
    return r;
  }

  void Open(const char16_t* address) {
    EXPECT_EQ(open_(&host_, CString(address)), 0);
    nux::testing::AdvanceAndPump(200, 5);
  }

  void ClickLink(const std::u16string& text) {
    nux::browser::Document* doc = Page();
    ASSERT_NE(doc, nullptr);
    for (nux::browser::Element* link : doc->Links()) {
      if (link->InnerText() == text) {
        nux::browser::Click(link);
        return;
      }
    }
    FAIL() << "no link " << U8(text);
  }

  Installation inst_;
  std::unique_ptr<Library> lib_;
  OpenBigImageFn open_ = nullptr;
  CWnd host_;
  std::vector<std::u16string> shell_;
};

TEST_F(BigImageWindow, SizesItselfToThePictureAndShowsItsPage) {
  Open(u"m42_big.jpg?ws=400&hs=300");
  HWND window = Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(::IsWindowVisible(window));
  RECT r = Rect();
  // Frames of 5 pixels and the strip of 18 around a picture of 400 by 300.
  EXPECT_EQ(r.right - r.left, 410);
  EXPECT_EQ(r.bottom - r.top, 328);
  EXPECT_EQ(Heading(), "Orionnebel");
  EXPECT_TRUE(::GetFocus() == window || ::IsChild(window, ::GetFocus()));

  // A later picture goes to the same window, sized anew; its file may hold a quote.
  Open(u"o'neil.jpg?hs=200&ws=250");
  EXPECT_EQ(Window(), window);
  r = Rect();
  EXPECT_EQ(r.right - r.left, 260);
  EXPECT_EQ(r.bottom - r.top, 228);
  EXPECT_EQ(Heading(), "Komet");

  // A picture without a record leaves size and page as they were.
  Open(u"fehlt.jpg?ws=600&hs=500");
  EXPECT_EQ(Window(), window);
  r = Rect();
  EXPECT_EQ(r.right - r.left, 260);
  EXPECT_EQ(Heading(), "Komet");

  // An address without sizes shows nothing.
  Open(u"m42_big.jpg?ws=600");
  EXPECT_EQ(Rect().right - Rect().left, 260);
}

TEST_F(BigImageWindow, ReopensWhereItWasAndStaysInTheWorkArea) {
  RECT placed{700, 500, 900, 650};
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\NUX\\AstroDict", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  RegSetValueExW(key, u"BigImage", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&placed), sizeof placed);
  RegCloseKey(key);
  Open(u"m42_big.jpg?ws=400&hs=300");
  ASSERT_NE(Window(), nullptr);
  // At its remembered place it would stick out of the work area: moved back onto its edges.
  const RECT r = Rect();
  EXPECT_EQ(r.right, 1024);
  EXPECT_EQ(r.bottom, 740);
  EXPECT_EQ(r.right - r.left, 410);
  EXPECT_EQ(r.bottom - r.top, 328);
}

TEST_F(BigImageWindow, TheCloseLinkClosesATenthOfASecondLater) {
  struct Case {
    const char16_t* link;
    bool closes;
  };
  const Case cases[] = {
      {u"Zu", true},      // target ENGINE, address close
      {u"zu", true},      // the target in any case
      {u"Gross", false},  // the address only in lower case
      {u"Fremd", false},  // another target
      {u"Ohne", false},   // no target
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.link));
    Open(u"m42_big.jpg?ws=400&hs=300");
    ASSERT_NE(Window(), nullptr);
    ClickLink(c.link);
    nux::testing::AdvanceAndPump(50, 5);
    EXPECT_NE(Window(), nullptr);  // never inside the link's handling
    nux::testing::AdvanceAndPump(100, 5);
    EXPECT_EQ(Window() == nullptr, c.closes);
  }
  EXPECT_TRUE(shell_.empty());
  // Closed, the slot is free: the next picture opens a new window.
  Open(u"o'neil.jpg?ws=250&hs=200");
  EXPECT_EQ(Heading(), "Komet");
}

TEST_F(BigImageWindow, AWebLinkGoesToTheShellAndTheWindowStays) {
  Open(u"m42_big.jpg?ws=400&hs=300");
  ClickLink(u"Web");
  nux::testing::AdvanceAndPump(200, 5);
  ASSERT_EQ(shell_.size(), 1u);
  EXPECT_EQ(U8(shell_[0]), "http://www.starvane.example/");
  EXPECT_NE(Window(), nullptr);
  EXPECT_EQ(Heading(), "Orionnebel");
}

TEST_F(BigImageWindow, TheCloseButtonClosesAndTermEndsAnOpenWindow) {
  Open(u"m42_big.jpg?ws=400&hs=300");
  HWND button = ::GetDlgItem(Window(), 1027);
  ASSERT_NE(button, nullptr);
  RECT b{};
  ::GetWindowRect(button, &b);
  nux::testing::Click((b.left + b.right) / 2, (b.top + b.bottom) / 2);
  nux::testing::AdvanceAndPump(50, 5);
  EXPECT_EQ(Window(), nullptr);

  Open(u"m42_big.jpg?ws=400&hs=300");
  ASSERT_NE(Window(), nullptr);
  lib_->Term();
  EXPECT_EQ(Window(), nullptr);
  lib_->Term = [] {};
}

}  // namespace
}  // namespace nuxsvtest
