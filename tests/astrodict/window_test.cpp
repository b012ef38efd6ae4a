// The main reference window as a host sees it: NUXSV_OpenAstroDict from a host window, the page
// with its search words, links followed inside the window or handed to the shell, the object
// menu's commands posted back to the host, and the notices of switched-off modules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AstroDict.h"
#include "FlatMenu.h"
#include "browser/dom.h"
#include "browser/input.h"
#include "browser/webbrowser.h"
#include "com/controlreg.h"
#include "controls/controls.h"
#include "dao/dao.h"
#include "host_window.h"
#include "nuxsv_env.h"
#include "process/shell.h"
#include "registry/registry.h"
#include "testing/testing.h"
#include "ui/msgbox.h"

namespace nuxsvtest {
namespace {

using OpenAstroDictFn = void (*)(CWnd*, LPCWSTR, CStringArray*);
using OpenLinkMenuFn = int (*)(CWnd*, int, int, CString, int);
using OpenBigImageFn = int (*)(CWnd*, CString);

std::string U8(const std::u16string& text) { return nux::ToUtf8(text); }

const char kTemplate[] =
    "<HTML><HEAD><TITLE>T</TITLE><STYLE>SPAN.Search { background-color: yellow; }</STYLE></HEAD>"
    "<BODY><P>template</P></BODY></HTML>";

class MainWindow : public LibraryWindowTest {
 protected:
  void SetUp() override {
    nux::testing::UseVirtualClock(true);
    nux::testing::SetMonitors({{{0, 0, 1024, 768}, {0, 0, 1024, 740}}});
    nux::ui::ClearMessageBoxLog();
    inst_.WriteIni(
        "UserData=UserData\r\n[Strings]\r\nDict=Lexikon: %s\r\nPGal=Bildergalerie: %s\r\nRecB=Nachschlagewerk: %s\r\n"
        "Help=Hilfe: %s\r\nCenter=Zentrieren\r\nStay=Zentriert halten\r\nFollowS=Verfolgen\r\n"
        "FollowC=Verfolgung beenden\r\nInfo=Info\r\nFavorites=Zu Favoriten\r\nNotice=Hinweis\r\n"
        "NoDictMessage=Kein Lexikon.\r\nNoRecBMessage=Kein Nachschlagewerk.\r\nNoPGalMessage=Keine Galerie.\r\n"
        "WebUpgrade=Siehe Webseite.\r\nAddBookmark=Lesezeichen\r\n");
    // Templates of every code the pages use but the picture gallery's.
    for (const char* code : {"dict", "dctb", "recb", "hlps", "ENC"}) {
      inst_.root.Write(std::string("drive_c/Content/HTML/") + code + ".htm", kTemplate);
    }
    WritePages();
    // The window's remembered place.
    RememberAstroDictPlace({60, 40, 860, 740});

    ASSERT_NO_FATAL_FAILURE(StartLibrary());
    open_ = lib_->Get<OpenAstroDictFn>("NUXSV_OpenAstroDict");
    menu_ = lib_->Get<OpenLinkMenuFn>("NUXSV_OpenLinkMenubySVID");
    ASSERT_NE(open_, nullptr);
    ASSERT_NE(menu_, nullptr);
    ASSERT_TRUE(host_.Create());
    nux::process::SetShellHandler([this](const nux::process::ShellRequest& r) {
      shell_.push_back(r.file);
      return true;
    });
  }

  // Link-rich bodies for the test database's pages.
  void WritePages() {
    CDaoDatabase db;
    db.Open(u"C:\\Content\\Data\\Content.mdb", FALSE, FALSE, u";pwd=7C0E91AF3B58");
    auto set = [&](int id, const std::u16string& html) {
      std::u16string quoted;
      for (char16_t c : html) {
        quoted += c;
        if (c == u'\'') quoted += u'\'';
      }
      db.Execute((u"UPDATE SV_MODULE SET HTML='" + quoted + nux::Format(u"' WHERE ID=%d", id)).c_str());
    };
    set(1,
        u"<h1>Sirius</h1><p>Sirius ist der hellste Stern.</p><p><a href=\"beteigeuze.htm\">Beteigeuze</a> "
        u"<a href=\"aldebaran.htm#auge\">Das Auge</a> <a href=\"SVID,NSTR1234\">Im Himmel</a> "
        u"<a href=\"svid , plnt5\">Jupiter</a> <a href=\"LINK,NSTR1234\">Kein Objekt</a> "
        u"<a href=\"mailto:support@starvane.example\">Post</a> "
        u"<a href=\"HTTP://www.starvane.example/\" target=\"_blank\">Web</a> "
        u"<a href=\"orion.htm\" target=\"Other\">Fremd</a> <a href=\"m31.jpg\">Galerie</a></p>");
    std::u16string lines;
    for (int i = 0; i < 40; ++i) lines += nux::Format(u"<p>Zeile %d</p>", i);
    set(6, u"<h1>Orion</h1><p><a href=\"sirius.htm\">Sirius</a></p>");
    set(3, u"<h1>Aldebaran</h1>" + lines + u"<p><a name=\"auge\"></a>Das Auge des Stiers</p>");
    db.Close();
  }

  CAstroDict* Window() const { return static_cast<CAstroDict*>(lib_->GetAstroDictCWnd()); }

  nux::browser::Document* Page() const {
    CAstroDict* window = Window();
    if (window == nullptr) return nullptr;
    HWND control = nux::testing::FindWindowByText(u"IEChild", window->GetSafeHwnd());
    nux::browser::WebBrowser* browser = control ? nux::browser::WebBrowserOf(control) : nullptr;
    return browser ? browser->document() : nullptr;
  }

  std::u16string Heading() const {
    nux::browser::Document* doc = Page();
    if (doc == nullptr) return u"";
    auto h1 = doc->GetElementsByTagName(u"H1");
    return h1.empty() ? u"" : h1[0]->InnerText();
  }

  void ClickLink(const std::u16string& text) {
    nux::browser::Document* doc = Page();
    ASSERT_NE(doc, nullptr);
    for (nux::browser::Element* link : doc->Links()) {
      if (link->InnerText() == text) {
        nux::browser::Click(link);
        nux::testing::AdvanceAndPump(200, 5);
        return;
      }
    }
    FAIL() << "no link " << U8(text);
  }

  void Open(LPCWSTR condition, std::vector<std::u16string> words = {}) {
    CStringArray array;
    for (const auto& w : words) array.Add(CString(w.c_str()));
    open_(&host_, condition, words.empty() ? nullptr : &array);
    nux::testing::AdvanceAndPump(300, 5);
  }

  OpenAstroDictFn open_ = nullptr;
  OpenLinkMenuFn menu_ = nullptr;
  std::vector<std::u16string> shell_;
};

TEST_F(MainWindow, OpensAtItsPlaceWithThePageAndItsWordsMarked) {
  Open(u"ID_QBZ_SV like 'dict3'", {u"HELLSTE"});
  CAstroDict* window = Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->IsWindowVisible());
  RECT r{};
  window->GetWindowRect(&r);
  EXPECT_EQ(r.left, 60);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right, 860);
  EXPECT_EQ(r.bottom, 740);
  EXPECT_EQ(U8(Heading()), "Sirius");
  const std::u16string body = nux::browser::BodyHtml(*Page());
  EXPECT_NE(body.find(u"<SPAN class=Search ID=Search>hellste</SPAN>"), std::u16string::npos) << U8(body);
  EXPECT_EQ(U8(std::u16string(window->GetModule())), "DICT");
  EXPECT_EQ(U8(std::u16string(window->GetObjectID())), "dict3");
  EXPECT_EQ(window->GetContentID(), 1);

  // A second request goes to the same window; null words keep no marks from before.
  Open(u"ID=2");
  EXPECT_EQ(Window(), window);
  EXPECT_EQ(U8(Heading()), "");
  EXPECT_NE(U8(nux::browser::BodyHtml(*Page())).find("Beteigeuze"), std::string::npos);
  EXPECT_EQ(nux::browser::BodyHtml(*Page()).find(u"class=Search"), std::u16string::npos);
}

TEST_F(MainWindow, ADefaultRequestShowsTheFirstDictionaryPageByName) {
  open_(&host_, nullptr, nullptr);
  nux::testing::AdvanceAndPump(300, 5);
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(U8(Heading()), "Aldebaran");
  // With the window open, a NULL condition shows that page again and ignores the words.
  Open(u"ID=1");
  CStringArray words;
  words.Add(u"Aldebaran");
  open_(&host_, nullptr, &words);
  nux::testing::AdvanceAndPump(300, 5);
  EXPECT_EQ(U8(Heading()), "Aldebaran");
  EXPECT_EQ(nux::browser::BodyHtml(*Page()).find(u"class=Search"), std::u16string::npos);
}

TEST_F(MainWindow, KeepsTwentyPagesOfHistory) {
  Open(u"ID=1");
  CAstroDict* window = Window();
  ASSERT_NE(window, nullptr);
  for (int i = 0; i < 24; ++i) open_(&host_, nux::Format(u"ID=%d", 1 + i % 3).c_str(), nullptr);
  nux::testing::AdvanceAndPump(100, 5);
  EXPECT_EQ(window->m_History.GetCount(), 20u);
  EXPECT_EQ(window->m_History.m_nCurrent, 19);
  CAstroDict::sHistory last{};
  ASSERT_TRUE(window->m_History.GetCurrent(last));
  EXPECT_EQ(std::u16string(last.szCondition), u"ID=3");  // the 25th display, i = 23
  // A failing display adds nothing and leaves the page.
  Open(u"NO_SUCH_COLUMN=1");
  EXPECT_EQ(window->m_History.GetCount(), 20u);
  EXPECT_EQ(window->GetContentID(), 3);
}

TEST_F(MainWindow, AConditionTooLongForTheHistoryIsShownButNotPushed) {
  Open(u"ID=3");
  CAstroDict* window = Window();
  ASSERT_NE(window, nullptr);
  // 512 characters: cut to the entry's 511 it would end in "OR ID=1", another condition.
  const std::u16string tail = u"ID=6 OR ID=12";
  const std::u16string condition = std::u16string(512 - tail.size(), u' ') + tail;
  open_(&host_, u"ID=1", nullptr);
  nux::testing::AdvanceAndPump(100, 5);
  open_(&host_, condition.c_str(), nullptr);
  nux::testing::AdvanceAndPump(100, 5);
  EXPECT_EQ(U8(Heading()), "Orion");
  EXPECT_EQ(window->m_History.GetCount(), 2u);
  CAstroDict::sHistory last{};
  ASSERT_TRUE(window->m_History.GetCurrent(last));
  EXPECT_EQ(std::u16string(last.szCondition), u"ID=1");
}

TEST_F(MainWindow, FollowsFileLinksAndAnchors) {
  Open(u"ID=1");
  ClickLink(u"Beteigeuze");
  EXPECT_EQ(Window()->GetContentID(), 2);
  EXPECT_EQ(U8(nux::browser::BodyHtml(*Page())), "<P>Beteigeuze</P>");

  Open(u"ID=1");
  ClickLink(u"Das Auge");
  EXPECT_EQ(U8(Heading()), "Aldebaran");
  nux::browser::Element* target = Page()->scrollTarget();
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(U8(target->name()), "auge");
  EXPECT_GT(Page()->scrollY(), 0);
  EXPECT_EQ(Window()->m_History.GetCount(), 4u);
}

TEST_F(MainWindow, MailWebAndForeignTargetLinks) {
  Open(u"ID=1");
  ClickLink(u"Post");
  ClickLink(u"Web");
  EXPECT_EQ(shell_, (std::vector<std::u16string>{u"mailto:support@starvane.example", u"HTTP://www.starvane.example/"}));
  ClickLink(u"Fremd");   // another frame: not followed
  ClickLink(u"Kein Objekt");  // two fields, not SVID: nothing
  EXPECT_EQ(Window()->GetContentID(), 1);
  EXPECT_EQ(Window()->m_History.GetCount(), 1u);
  EXPECT_EQ(host_.menus, 0);
}

TEST_F(MainWindow, AMissingTemplateShowsItsBoxAndStillThePage) {
  Open(u"ID=1");
  nux::ui::ClearMessageBoxLog();
  ClickLink(u"Galerie");  // m31.jpg: a picture-gallery page, whose template is missing
  auto log = nux::ui::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(U8(log[0].caption), "TEMPLATE NOT FOUND");
  EXPECT_EQ(U8(log[0].text), "C:\\Content\\HTML\\pgal.htm");
  EXPECT_EQ(log[0].type & MB_ICONMASK, UINT(MB_ICONHAND));
  EXPECT_EQ(Window()->GetContentID(), 5);
  EXPECT_EQ(U8(nux::browser::BodyHtml(*Page())), "<P>Andromedagalaxie</P>");
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "PGAL");
}

TEST_F(MainWindow, ObjectLinksPostTheChosenCommandToTheHost) {
  Open(u"ID=1");
  host_.choose = 5;  // Info
  ClickLink(u"Im Himmel");
  ASSERT_EQ(host_.menus, 1);
  EXPECT_EQ(host_.menuTexts, (std::vector<std::u16string>{u"Lexikon: Sirius", u"Nachschlagewerk: Sternbild Orion", u"-",
                                                          u"Zentrieren", u"Info", u"Zu Favoriten"}));
  EXPECT_EQ(host_.menuCommands, (std::vector<int>{100, 101, 0, 1, 5, 6}));
  ASSERT_EQ(host_.posted.size(), 1u);
  EXPECT_EQ(host_.posted[0].message, 2024u);
  EXPECT_EQ(host_.posted[0].wParam, WPARAM(1234));
  EXPECT_EQ(U8(host_.posted[0].kind), "NSTR");

  // Lower case with blanks round the comma: plnt5, a planet without pages of its own.
  host_.choose = 2;  // Stay
  ClickLink(u"Jupiter");
  ASSERT_EQ(host_.menus, 2);
  EXPECT_EQ(host_.menuCommands, (std::vector<int>{100, 0, 1, 2, 3, 4, 5}));
  ASSERT_EQ(host_.posted.size(), 2u);
  EXPECT_EQ(host_.posted[1].message, 2027u);
  EXPECT_EQ(host_.posted[1].wParam, WPARAM(5));
  EXPECT_EQ(U8(host_.posted[1].kind), "plnt");

  // A page entry opens its page in the window; nothing goes to the host.
  host_.choose = 101;
  ClickLink(u"Im Himmel");
  nux::testing::AdvanceAndPump(300, 5);
  EXPECT_EQ(host_.posted.size(), 2u);
  EXPECT_EQ(Window()->GetContentID(), 6);  // recb1
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "RECB");
}

TEST_F(MainWindow, TheObjectMenuExport) {
  struct Case {
    const char16_t* id;
    int ownPage;
    int choose;
    int result;
    std::vector<int> commands;
    UINT message;  // 0: none posted
    WPARAM number;
    const char* kind;
  };
  const Case cases[] = {
      // No look-up record: kind and number from the id itself, no separator.
      {u"plnt4", 0, 2, 0, {1, 2, 3, 4, 5}, 2027, 4, "plnt"},
      {u"nstr77", 0, 6, 0, {1, 5, 6}, 2030, 77, "nstr"},
      // The object's own page (NCMT1 is a page id) only with the flag.
      {u"NCMT1", 1, 4, 0, {100, 0, 1, 4, 5}, 2029, 1, "NCMT"},
      {u"NCMT1", 0, 1, 0, {1, 4, 5}, 2025, 1, "NCMT"},
      // Dismissed: nothing posted.
      {u"NSTR1234", 0, 0, 0, {100, 101, 0, 1, 5, 6}, 0, 0, ""},
      // A help page alone, no kind in the table: the id names it.
      {u"scft2", 0, 100, 1, {100, 0, 1, 4, 5, 6}, 0, 0, ""},
      // Nothing describes it: no menu at all.
      {u"xy", 0, 0, 0, {}, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.id));
    host_.posted.clear();
    host_.menuCommands.clear();
    host_.choose = c.choose;
    int menusBefore = host_.menus;
    EXPECT_EQ(menu_(&host_, 200, 200, CString(c.id), c.ownPage), c.result);
    nux::testing::AdvanceAndPump(300, 5);
    EXPECT_EQ(host_.menus - menusBefore, c.commands.empty() ? 0 : 1);
    EXPECT_EQ(host_.menuCommands, c.commands);
    if (c.message == 0) {
      EXPECT_TRUE(host_.posted.empty());
      continue;
    }
    ASSERT_EQ(host_.posted.size(), 1u);
    EXPECT_EQ(host_.posted[0].message, c.message);
    EXPECT_EQ(host_.posted[0].wParam, c.number);
    EXPECT_EQ(U8(host_.posted[0].kind), c.kind);
  }
  // The help entry opened the main reference window on its page.
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(U8(std::u16string(Window()->GetObjectID())), "help2");
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "HELP");
}

TEST_F(MainWindow, SwitchedOffModulesShowTheirNotices) {
  auto setActive = lib_->SetActive;
  struct Case {
    int dict, recb, pgal;
    const char16_t* condition;
    const char* notice;  // nullptr: the window opens
  };
  const Case cases[] = {
      {0, 1, 1, u"ID=1", "Kein Lexikon.\nSiehe Webseite."},
      {1, 0, 1, u"ID=6", "Kein Nachschlagewerk.\nSiehe Webseite."},
      {1, 1, 0, u"ID=5", "Keine Galerie.\nSiehe Webseite."},
      {0, 0, 0, u"ID=7", nullptr},  // help: no switch
      {0, 1, 1, u"", "Kein Lexikon.\nSiehe Webseite."},
      {1, 1, 1, u"ID=1", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.condition));
    setActive(c.dict, c.recb, c.pgal);
    nux::ui::ClearMessageBoxLog();
    Open(c.condition);
    auto log = nux::ui::MessageBoxLog();
    if (c.notice == nullptr) {
      EXPECT_TRUE(log.empty());
      EXPECT_NE(Window(), nullptr);
    } else {
      ASSERT_EQ(log.size(), 1u);
      EXPECT_EQ(U8(log[0].text), c.notice);
      EXPECT_EQ(U8(log[0].caption), "Hinweis");
      EXPECT_EQ(log[0].type & MB_ICONMASK, UINT(MB_ICONINFORMATION));
    }
    if (Window()) Window()->SendMessage(WM_CLOSE);
    nux::testing::PumpMessages();
    EXPECT_EQ(Window(), nullptr);
  }
}

TEST_F(MainWindow, ADictionaryPageReachedByLinkWithTheDictionaryOff) {
  Open(u"ID=6");  // the reference book
  ASSERT_NE(Window(), nullptr);
  lib_->SetActive(0, 1, 1);
  nux::ui::ClearMessageBoxLog();
  ClickLink(u"Sirius");
  // Shown all the same; the module stays, and the notice says why.
  EXPECT_EQ(U8(Heading()), "Sirius");
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "RECB");
  auto log = nux::ui::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(U8(log[0].text), "Kein Lexikon.\nSiehe Webseite.");
}

TEST_F(MainWindow, HelpCodesShareOneModule) {
  Open(u"ID=7");  // code hlps
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "HELP");
  Open(u"ID=9");  // code ENC: none of the four, the module stays
  EXPECT_EQ(U8(std::u16string(Window()->GetModule())), "HELP");
}

TEST_F(MainWindow, AWindowThatCannotBeMadeLeavesNoObjectInItsSlot) {
  // Without the image button's class the template's buttons cannot be made.
  nux::com::UnregisterControlClass(nux::controls::CLSID_ZrImageButton);
  open_(&host_, u"ID=1", nullptr);
  EXPECT_EQ(lib_->GetAstroDictCWnd(), nullptr);
  open_(&host_, u"ID=2", nullptr);  // tries again instead of handing the request to nothing
  EXPECT_EQ(lib_->GetAstroDictCWnd(), nullptr);
  nux::controls::RegisterControlClasses();
  Open(u"ID=2");
  ASSERT_NE(Window(), nullptr);
  EXPECT_EQ(Window()->GetContentID(), 2);
}

TEST_F(MainWindow, TheContextMenuAddsABookmarkOnTheSelection) {
  Open(u"ID=1");
  ASSERT_TRUE(nux::browser::SelectText(*Page(), u"hellste"));
  host_.choose = 1;
  nux::browser::ContextMenu(Page()->body());
  nux::testing::AdvanceAndPump(300, 5);
  ASSERT_EQ(host_.menus, 1);
  EXPECT_EQ(host_.menuTexts, (std::vector<std::u16string>{u"Lesezeichen"}));
  const std::u16string body = nux::browser::BodyHtml(*Page());
  EXPECT_NE(body.find(u"<SPAN class=Bookmark1>"), std::u16string::npos) << U8(body);
  // The store lies in the user's folder.
  EXPECT_NE(GetFileAttributesW(u"C:\\Content\\UserData\\Bookmark.mdb"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindow, SearchAndWordListOpenOnceEach) {
  using OpenWindowFn = void (*)(CWnd*);
  auto search = lib_->Get<OpenWindowFn>("NUXSV_OpenSearch");
  auto dictionary = lib_->Get<OpenWindowFn>("NUXSV_OpenDictionary");
  ASSERT_NE(search, nullptr);
  ASSERT_NE(dictionary, nullptr);
  auto topLevel = [] {
    std::vector<HWND> all;
    EnumWindows([](HWND h, LPARAM p) { return reinterpret_cast<std::vector<HWND>*>(p)->push_back(h), TRUE; },
                reinterpret_cast<LPARAM>(&all));
    return all.size();
  };
  const size_t before = topLevel();
  search(&host_);
  nux::testing::AdvanceAndPump(100, 5);
  search(&host_);  // the open window stays as it is
  nux::testing::AdvanceAndPump(100, 5);
  EXPECT_EQ(topLevel(), before + 1);
  dictionary(&host_);
  dictionary(&host_);
  nux::testing::AdvanceAndPump(100, 5);
  EXPECT_EQ(topLevel(), before + 2);
  lib_->Term();  // closes both with the other reference windows
  EXPECT_EQ(topLevel(), before);
}

TEST_F(MainWindow, BigImageAddressesNeedNoWindow) {
  auto big = lib_->Get<OpenBigImageFn>("NUXSV_OpenBigImage");
  ASSERT_NE(big, nullptr);
  for (const char16_t* address : {u"pics\\m31.jpg", u"pics\\m31.jpg?ws=800", u"pics\\m31.jpg?ws=800&hs=600", u""}) {
    EXPECT_EQ(big(&host_, CString(address)), 0);
  }
}

}  // namespace
}  // namespace nuxsvtest
