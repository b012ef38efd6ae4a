// svhost: a small host program for the reference viewer.
//
//   svhost import-reg FILE   merges a registry export (.reg text) into the platform's hives
//   svhost config            prints the engine configuration the library reads at load time
//   svhost [OPTIONS] lookup ID...
//                            loads NUXSV.dll, initialises it and prints what the four look-up
//                            exports answer for each object id
//   svhost [OPTIONS] script FILE
//                            the same, running the commands of a file, one a line:
//                              lookup ID          the four look-ups
//                              setactive D R P    NUXSV_SetActive with the three switches
//                              open [COND] [| WORD...]
//                                                 NUXSV_OpenAstroDict with the condition on
//                                                 SV_MODULE (none: NULL) and the search words
//                              wait MS            lets MS milliseconds pass, handling messages
//                              page               prints the main reference window's page
//                              click TEXT         clicks the first link of the page whose text
//                                                 holds TEXT (or whose address ends with it)
//                                                 where it is on the screen
//                              choose N [FILE]    the next popup menu is answered with its
//                                                 command N (without: dismissed), after a
//                                                 PNG of it was written to FILE
//                              objectmenu ID [OWN] NUXSV_OpenLinkMenubySVID at the window's
//                                                 middle with the own-page flag (default 1)
//                              answer N           the next message box gives the answer N
//                              snapshot FILE      writes the main reference window (else the
//                                                 host's window) as a PNG file
//                              dom FILE           writes the current page's document
//                              search [WORDS]     NUXSV_OpenSearch; the words are typed into
//                                                 its query and its search button clicked
//                              snapshot-search FILE  writes the search window as a PNG file
//                              bigimage ADDRESS   NUXSV_OpenBigImage
//                              encyclop           NUXSV_OpenEncyclop
//                              close              closes the main reference window
//                              # ...              a comment (as are empty lines)
//   svhost [OPTIONS] view [COND]
//                            opens the main reference window on the screen (on the condition,
//                            else on the first page) and runs until the person closes it
//   OPTIONS: --switches D,R,P   the module switches given to NUXSV_Init (default 1,1,1)
//            --token TEXT       the access token given to NUXSV_Init (default the library's)
//
// The platform root comes from NUX_PLATFORM_ROOT, so that the configuration, built while the
// program loads, already reads the right registry and NUX.INI. Message boxes go to standard
// error and take their default button (or the answer a script gave). A script runs on the
// virtual clock, in a main window of the host's own that prints every object command the
// library posts to it (2024 to 2030, with the object's number and the kind its lParam points to).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "EngineConfig.h"
#include "FlatMenu.h"
#include "browser/dom.h"
#include "browser/input.h"
#include "browser/webbrowser.h"
#include "mfc/afxwin.h"
#include "platform.h"
#include "testing/testing.h"
#include "display/display.h"
#include "ui/cursor.h"
#include "ui/dialog.h"
#include "ui/msgbox.h"

namespace {

std::string Utf8(const CString& text) { return nux::ToUtf8(std::u16string_view(text.GetString(), size_t(text.GetLength()))); }

void PrintValue(const char* name, const CString& value) { std::printf("  %-18s %s\n", name, Utf8(value).c_str()); }

std::string ColourText(COLORREF c) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "0x%08X (red %u, green %u, blue %u)", unsigned(c), unsigned(GetRValue(c)),
                unsigned(GetGValue(c)), unsigned(GetBValue(c)));
  return buf;
}

int ImportReg(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "svhost: cannot read %s\n", path);
    return 1;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!nux::registry::ImportRegText(text)) {
    std::fprintf(stderr, "svhost: %s is not a registry export\n", path);
    return 1;
  }
  return 0;
}

int PrintConfig() {
  const CEngineConfig& c = theEngineConfig;
  std::printf("loaded            %d\n", c.m_bLoaded);
  PrintValue("ini path", c.m_strIniPath);
  PrintValue("ini folder", c.m_strIniFolder);
  std::printf("[Setup]\n");
  PrintValue("App", c.m_strApp);
  PrintValue("Code", c.m_strCode);
  PrintValue("Title", c.m_strTitle);
  std::printf("[Paths]\n");
  PrintValue("Presets", c.m_strPresets);
  PrintValue("UI", c.m_strUI);
  PrintValue("MDB", c.m_strMDB);
  PrintValue("IMG", c.m_strIMG);
  PrintValue("Sound", c.m_strSound);
  PrintValue("HTML", c.m_strHTML);
  PrintValue("Audio", c.m_strAudio);
  PrintValue("Video", c.m_strVideo);
  PrintValue("ImgSmall", c.m_strImgSmall);
  PrintValue("ImgPreview", c.m_strImgPreview);
  PrintValue("ImgZoom", c.m_strImgZoom);
  PrintValue("UserData", c.m_strUserData);
  PrintValue("Cursor", c.m_strCursor);
  std::printf("[ToolTip]\n");
  PrintValue("Font", c.m_strToolTipFont);
  std::printf("  %-18s %d\n", "FontSize", c.m_nToolTipFontSize);
  std::printf("  %-18s %d\n", "Delay", c.m_nToolTipDelay);
  std::printf("  %-18s %s\n", "TextColor", ColourText(c.m_crToolTipText).c_str());
  std::printf("  %-18s %s\n", "BackColor", ColourText(c.m_crToolTipBack).c_str());
  std::printf("[Strings] (samples)\n");
  for (const char16_t* key : {u"Notice", u"AddBookmark", u"Info", u"NoSuchText"}) {
    CString name(key);
    PrintValue(Utf8(name).c_str(), c.GetString(key));
  }
  std::printf("content location  %s\n", c.FolderOrArchiveExists() ? "present" : "missing");
  for (const char16_t* name : {u"Pointer", u"Wait", u"Cross"}) {
    HCURSOR cursor = c.LoadCursor(name);
    std::u16string source = nux::ui::CursorSource(cursor);
    std::printf("cursor %-10s %s\n", Utf8(CString(name)).c_str(),
                cursor == nullptr ? "(does not load)"
                : source.empty()  ? "(standard arrow)"
                                  : nux::ToUtf8(source).c_str());
  }
  return c.m_bLoaded ? 0 : 1;
}

// The library's exports, as the host calls them.
using InitFn = int (*)(LPCWSTR, int, int, int);
using SetActiveFn = void (*)(int, int, int);
using TermFn = void (*)();
using LookupFn = int (*)(CString, CString*, int*, int*, int*, int*, int*, int*);
using Lookup2Fn = int (*)(CString, int*, int*, int*, int*, int*);
using HasLookupFn = int (*)(CString);
using ProperNameFn = void (*)(CString, CString*);
using OpenAstroDictFn = void (*)(CWnd*, LPCWSTR, CStringArray*);
using OpenSearchFn = void (*)(CWnd*);
using OpenBigImageFn = int (*)(CWnd*, CString);
using OpenLinkMenuFn = int (*)(CWnd*, int, int, CString, int);
using GetWndFn = CWnd* (*)();
using IntFn = int (*)();

struct Library {
  HMODULE module = nullptr;
  InitFn init = nullptr;
  SetActiveFn setActive = nullptr;
  TermFn term = nullptr;
  LookupFn lookup = nullptr;
  Lookup2Fn lookup2 = nullptr;
  HasLookupFn hasLookup = nullptr;
  ProperNameFn properName = nullptr;
  OpenAstroDictFn openAstroDict = nullptr;
  OpenSearchFn openSearch = nullptr;
  OpenBigImageFn openBigImage = nullptr;
  OpenLinkMenuFn openLinkMenu = nullptr;
  GetWndFn getAstroDict = nullptr;
  IntFn openEncyclop = nullptr;
};

template <class Fn>
bool Resolve(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(GetProcAddress(module, name));
  if (!fn) std::fprintf(stderr, "svhost: NUXSV.dll has no export %s\n", name);
  return fn != nullptr;
}

bool Load(Library& lib) {
  lib.module = LoadLibraryW(u"NUXSV.dll");
  if (!lib.module) {
    std::fprintf(stderr, "svhost: NUXSV.dll did not load (error %u)\n", unsigned(GetLastError()));
    return false;
  }
  lib.openAstroDict = reinterpret_cast<OpenAstroDictFn>(GetProcAddress(lib.module, "NUXSV_OpenAstroDict"));
  lib.openSearch = reinterpret_cast<OpenSearchFn>(GetProcAddress(lib.module, "NUXSV_OpenSearch"));
  lib.openBigImage = reinterpret_cast<OpenBigImageFn>(GetProcAddress(lib.module, "NUXSV_OpenBigImage"));
  lib.openLinkMenu = reinterpret_cast<OpenLinkMenuFn>(GetProcAddress(lib.module, "NUXSV_OpenLinkMenubySVID"));
  return Resolve(lib.module, "NUXSV_Init", lib.init) && Resolve(lib.module, "NUXSV_SetActive", lib.setActive) &&
         Resolve(lib.module, "NUXSV_Term", lib.term) && Resolve(lib.module, "NUXSV_GetLookupTableRef", lib.lookup) &&
         Resolve(lib.module, "NUXSV_GetLookupTableRef2", lib.lookup2) &&
         Resolve(lib.module, "NUXSV_HasLookupTableRef", lib.hasLookup) &&
         Resolve(lib.module, "NUXSV_GetProperNamebySVID", lib.properName) &&
         Resolve(lib.module, "NUXSV_GetAstroDictCWnd", lib.getAstroDict) &&
         Resolve(lib.module, "NUXSV_OpenEncyclop", lib.openEncyclop);
}

// The library loaded and initialised with the host's token and switches; false (said on
// standard error, the library unloaded again) when either fails.
bool LoadAndInit(Library& lib, const std::u16string& token, const int* switches) {
  if (!Load(lib)) return false;
  if (!lib.init(token.c_str(), switches[0], switches[1], switches[2])) {
    std::fprintf(stderr, "svhost: NUXSV_Init refused\n");
    FreeLibrary(lib.module);
    return false;
  }
  return true;
}

// The window exports a script asks for; false (said on standard error) when the library lacks one.
template <class Fn>
bool Have(Fn fn, const char* name) {
  if (!fn) std::fprintf(stderr, "svhost: NUXSV.dll has no export %s\n", name);
  return fn != nullptr;
}

void PrintLookups(const Library& lib, const std::string& id) {
  CString wideId(nux::FromUtf8(id).c_str());
  CString kind;
  int sky = 0, dict = 0, pgal = 0, recb = 0, help = 0, spare = 0;
  int found = lib.lookup(wideId, &kind, &sky, &dict, &pgal, &recb, &help, &spare);
  std::printf("lookup %s\n", id.c_str());
  std::printf("  NUXSV_GetLookupTableRef    %d  kind \"%s\" sky view %d, dict %d, pgal %d, recb %d, help %d, spare %d\n",
              found, Utf8(kind).c_str(), sky, dict, pgal, recb, help, spare);
  sky = dict = pgal = recb = help = 0;
  found = lib.lookup2(wideId, &sky, &dict, &pgal, &recb, &help);
  std::printf("  NUXSV_GetLookupTableRef2   %d  sky view %d, dict %d, pgal %d, recb %d, help %d\n", found, sky, dict,
              pgal, recb, help);
  std::printf("  NUXSV_HasLookupTableRef    %d\n", lib.hasLookup(wideId));
  CString name;
  lib.properName(wideId, &name);
  std::printf("  NUXSV_GetProperNamebySVID  \"%s\"\n", Utf8(name).c_str());
}


// ---- the host's main window ----

const char* CommandName(UINT message) {
  switch (message) {
    case 2024: return "Info";
    case 2025: return "Center";
    case 2027: return "Stay";
    case 2028: return "FollowS";
    case 2029: return "FollowC";
    case 2030: return "Favorites";
    default: return "unused";
  }
}

// The host's own main window: the library's parent and the receiver of its object commands.
// It also answers the library's popup menus when their loop goes idle: it prints the items and
// clicks the one whose command a script chose (or outside the menu).
class HostWindow : public CWnd {
 public:
  int choose = 0;          // the command the next menu is answered with; 0: none
  HWND search = nullptr;   // the search window a script opened
  std::string menuSnapshot;  // a PNG of the next menu goes here ("" none)
  bool person = false;       // a person answers the menus (svhost view)

  // On the screen the host's window stays hidden: the person sees the library's windows.
  bool Create(bool visible = true) {
    return CreateExW(0, nullptr, u"svhost", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 0, 0, 1024, 768,
                     nullptr, nullptr) != FALSE;
  }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= 2024 && message <= 2030) {
      const WCHAR* kind = reinterpret_cast<const WCHAR*>(lParam);
      std::printf("host received %u (%s): wParam %ld, lParam -> \"%s\"\n", message, CommandName(message),
                  long(wParam), kind ? nux::ToUtf8(kind).c_str() : "(null)");
      std::fflush(stdout);
      return 0;
    }
    if (message == WM_ENTERIDLE && wParam == 2 && !person) {  // from a menu's loop; lParam the menu window
      AnswerMenu(reinterpret_cast<HWND>(lParam));
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }

 private:
  void AnswerMenu(HWND window) {
    auto* menu = reinterpret_cast<CFlatMenu*>(::GetWindowLongPtrW(window, GWL_USERDATA));
    if (menu == nullptr || window == answered_) return;
    answered_ = window;
    RECT r{};
    ::GetWindowRect(window, &r);
    POINT target{r.right + 30, r.bottom + 30};
    std::printf("menu:\n");
    for (int i = 0; i < menu->GetItemCount(); ++i) {
      const FlatMenuItem& item = menu->GetItem(i);
      if (item.nFlags & FlatMenuItem::Separator) {
        std::printf("  ----\n");
        continue;
      }
      const bool chosen = choose != 0 && item.nCommand == choose;
      std::printf("  %4d  %s%s\n", item.nCommand, nux::ToUtf8(item.szText).c_str(), chosen ? "   <- chosen" : "");
      if (chosen) target = {r.left + 10, r.top + item.nTop + item.nHeight / 2};
    }
    if (target.x > r.right) std::printf("  (dismissed)\n");
    if (!menuSnapshot.empty() && nux::testing::WriteWindowPng(window, menuSnapshot)) {
      std::printf("snapshot written: %s\n", menuSnapshot.c_str());
    }
    std::fflush(stdout);
    choose = 0;
    menuSnapshot.clear();
    nux::testing::MouseMove(target.x, target.y);
    nux::testing::Click(target.x, target.y);
  }

  HWND answered_ = nullptr;
};

HWND AstroDictWindow(const Library& lib) {
  CWnd* wnd = lib.getAstroDict();
  return wnd ? wnd->GetSafeHwnd() : nullptr;
}

// The main reference window's page browser control, or null.
HWND PageControl(const Library& lib) {
  HWND main = AstroDictWindow(lib);
  return main ? nux::testing::FindWindowByText(u"IEChild", main) : nullptr;
}

// The document of the main reference window's page browser, or null.
nux::browser::Document* PageDocument(const Library& lib) {
  HWND control = PageControl(lib);
  nux::browser::WebBrowser* browser = control ? nux::browser::WebBrowserOf(control) : nullptr;
  return browser ? browser->document() : nullptr;
}

std::string Joined(const std::vector<std::string>& words, size_t from) {
  std::string text;
  for (size_t i = from; i < words.size(); ++i) text += (i > from ? " " : "") + words[i];
  return text;
}

bool EndsWith(const std::u16string& text, const std::u16string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void PrintPage(const Library& lib) {
  nux::browser::Document* doc = PageDocument(lib);
  if (!doc) {
    std::printf("page: none\n");
    return;
  }
  auto headings = doc->GetElementsByTagName(u"H1");
  std::string heading = headings.empty() ? "" : nux::ToUtf8(headings[0]->InnerText());
  int marks = 0;
  for (nux::browser::Element* span : doc->GetElementsByTagName(u"SPAN")) {
    if (span->className() == u"Search") ++marks;
  }
  std::printf("page: \"%s\" (template %s), %d search mark(s), scrolled to %ld\n", heading.c_str(),
              nux::ToUtf8(doc->url()).c_str(), marks, doc->scrollY());
}

bool ClickLink(const Library& lib, const std::string& text) {
  nux::browser::Document* doc = PageDocument(lib);
  if (!doc) {
    std::printf("click \"%s\": no page\n", text.c_str());
    return false;
  }
  std::u16string wanted = nux::FromUtf8(text);
  for (nux::browser::Element* link : doc->Links()) {
    std::u16string href = link->GetAttribute(u"href");
    if (link->InnerText().find(wanted) == std::u16string::npos && !EndsWith(href, wanted)) continue;
    std::printf("click \"%s\" (%s)\n", nux::ToUtf8(link->InnerText()).c_str(), nux::ToUtf8(href).c_str());
    std::fflush(stdout);
    // The link is clicked where it is on the screen, scrolled into view first when it is not.
    HWND control = PageControl(lib);
    nux::browser::WebBrowser* browser = control ? nux::browser::WebBrowserOf(control) : nullptr;
    RECT box{}, client{};
    if (control) GetClientRect(control, &client);
    if (browser && browser->ElementClientBox(link, &box) && (box.top < 0 || box.bottom > client.bottom)) {
      link->ScrollIntoView(true);
      browser->ElementClientBox(link, &box);
    }
    if (!browser || box.right <= box.left || box.bottom <= box.top) {
      std::printf("click \"%s\": the link is not on the screen\n", text.c_str());
      return false;
    }
    POINT at{(box.left + std::min(box.right, box.left + 40)) / 2, (box.top + box.bottom) / 2};
    ClientToScreen(control, &at);
    nux::testing::MouseMove(at.x, at.y);
    nux::testing::Click(at.x, at.y);
    return true;
  }
  std::printf("click \"%s\": no such link\n", text.c_str());
  return false;
}

bool WriteDom(const Library& lib, const std::string& path) {
  nux::browser::Document* doc = PageDocument(lib);
  if (!doc) return false;
  std::ofstream out(path, std::ios::binary);
  out << nux::ToUtf8(doc->documentElement()->OuterHTML()) << "\n";
  std::printf("dom written: %s\n", path.c_str());
  return bool(out);
}

bool WriteSnapshot(const Library& lib, HWND host, const std::string& path) {
  HWND window = AstroDictWindow(lib);
  if (!window) window = host;
  bool ok = nux::testing::WriteWindowPng(window, path);
  if (ok) std::printf("snapshot written: %s\n", path.c_str());
  return ok;
}

// The commands that need the host's window; false for one it does not know.
bool RunWindowCommand(const Library& lib, HostWindow& host, const std::vector<std::string>& words) {
  const std::string& c = words[0];
  if (c == "open" && Have(lib.openAstroDict, "NUXSV_OpenAstroDict")) {
    std::string rest = Joined(words, 1);
    std::string condition = rest.substr(0, rest.find('|'));
    while (!condition.empty() && condition.back() == ' ') condition.pop_back();
    CStringArray searchWords;
    if (rest.find('|') != std::string::npos) {
      std::istringstream in(rest.substr(rest.find('|') + 1));
      for (std::string w; in >> w;) searchWords.Add(CString(nux::FromUtf8(w).c_str()));
    }
    std::u16string wideCondition = nux::FromUtf8(condition);
    std::printf("open \"%s\" with %d word(s)\n", condition.c_str(), int(searchWords.GetSize()));
    std::fflush(stdout);
    lib.openAstroDict(&host, condition.empty() ? nullptr : wideCondition.c_str(),
                      searchWords.GetSize() ? &searchWords : nullptr);
    return true;
  }
  if (c == "wait" && words.size() == 2) {
    nux::testing::AdvanceAndPump(DWORD(std::atoi(words[1].c_str())), 5);
    return true;
  }
  if (c == "page" && words.size() == 1) {
    PrintPage(lib);
    return true;
  }
  if (c == "click" && words.size() >= 2) {
    ClickLink(lib, Joined(words, 1));
    nux::testing::PumpMessages();
    return true;
  }
  if (c == "choose" && (words.size() == 2 || words.size() == 3)) {
    host.choose = std::atoi(words[1].c_str());
    host.menuSnapshot = words.size() == 3 ? words[2] : "";
    return true;
  }
  if (c == "answer" && words.size() == 2) {
    nux::testing::QueueMessageBoxAnswer(std::atoi(words[1].c_str()));
    return true;
  }
  if (c == "objectmenu" && (words.size() == 2 || words.size() == 3) &&
      Have(lib.openLinkMenu, "NUXSV_OpenLinkMenubySVID")) {
    int own = words.size() == 3 ? std::atoi(words[2].c_str()) : 1;
    RECT rc{};
    HWND window = AstroDictWindow(lib);
    GetWindowRect(window ? window : host.GetSafeHwnd(), &rc);
    int result = lib.openLinkMenu(&host, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2,
                                  CString(nux::FromUtf8(words[1]).c_str()), own);
    std::printf("objectmenu %s: %d\n", words[1].c_str(), result);
    nux::testing::PumpMessages();
    return true;
  }
  if (c == "snapshot" && words.size() == 2) {
    if (!WriteSnapshot(lib, host.GetSafeHwnd(), words[1])) std::printf("snapshot %s: not written\n", words[1].c_str());
    return true;
  }
  if (c == "search" && Have(lib.openSearch, "NUXSV_OpenSearch")) {
    lib.openSearch(&host);
    nux::testing::AdvanceAndPump(100, 5);  // the window shows after its short delay
    // The search window: the one window with the help module's box (control 1129).
    HWND help = nux::testing::FindWindowById(nullptr, 1129);
    host.search = help ? GetAncestor(help, GA_ROOT) : nullptr;
    std::printf("search: window %s\n", host.search ? "open" : "not open");
    std::string query = Joined(words, 1);
    HWND edit = host.search ? nux::testing::FindWindowById(host.search, 1059) : nullptr;
    HWND button = host.search ? nux::testing::FindWindowById(host.search, 1033) : nullptr;
    if (!query.empty() && edit && button) {
      // As a user does: type into the query, click the search button.
      SetFocus(edit);
      nux::testing::TypeText(nux::FromUtf8(query));
      RECT rc{};
      GetWindowRect(button, &rc);
      nux::testing::Click((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
      nux::testing::PumpMessages();
      std::printf("search \"%s\"\n", query.c_str());
    }
    return true;
  }
  if (c == "snapshot-search" && words.size() == 2) {
    bool ok = host.search && IsWindow(host.search) && nux::testing::WriteWindowPng(host.search, words[1]);
    if (ok)
      std::printf("snapshot written: %s\n", words[1].c_str());
    else
      std::printf("snapshot-search %s: no search window\n", words[1].c_str());
    return true;
  }
  if (c == "dom" && words.size() == 2) {
    if (!WriteDom(lib, words[1])) std::printf("dom %s: no page\n", words[1].c_str());
    return true;
  }
  if (c == "bigimage" && words.size() == 2 && Have(lib.openBigImage, "NUXSV_OpenBigImage")) {
    int result = lib.openBigImage(&host, CString(nux::FromUtf8(words[1]).c_str()));
    std::printf("bigimage %s: %d\n", words[1].c_str(), result);
    return true;
  }
  if (c == "encyclop" && words.size() == 1) {
    std::printf("encyclop: %d\n", lib.openEncyclop());
    return true;
  }
  if (c == "close" && words.size() == 1) {
    HWND window = AstroDictWindow(lib);
    if (window) SendMessageW(window, WM_CLOSE, 0, 0);
    nux::testing::PumpMessages();
    std::printf("close: main reference window %s\n", AstroDictWindow(lib) ? "still open" : "closed");
    return true;
  }
  return false;
}

// One command of a script or of the command line; false for one it does not know.
bool RunCommand(const Library& lib, const std::vector<std::string>& words) {
  if (words.size() == 2 && words[0] == "lookup") {
    PrintLookups(lib, words[1]);
    return true;
  }
  if (words.size() == 4 && words[0] == "setactive") {
    lib.setActive(std::atoi(words[1].c_str()), std::atoi(words[2].c_str()), std::atoi(words[3].c_str()));
    std::printf("setactive %s %s %s\n", words[1].c_str(), words[2].c_str(), words[3].c_str());
    return true;
  }
  return false;
}

int Usage() {
  std::fprintf(stderr,
               "usage: svhost import-reg FILE | svhost config | svhost [--switches D,R,P] [--token TEXT] lookup ID... "
               "| svhost [--switches D,R,P] [--token TEXT] script FILE | svhost [OPTIONS] view [CONDITION]\n");
  return 2;
}

// svhost view: the main reference window on the screen until the person closes it.
int RunView(const std::u16string& token, const int* switches, const std::string& condition) {
  if (!nux::display::Active()) {
    std::fprintf(stderr, "svhost: view needs a screen (DISPLAY set, NUX_DISPLAY not \"none\")\n");
    return 1;
  }
  Library lib;
  if (!LoadAndInit(lib, token, switches)) return 1;
  nux::ui::SetMessageBoxTerminal(false);
  HostWindow host;
  host.person = true;
  if (!host.Create(false) || !Have(lib.openAstroDict, "NUXSV_OpenAstroDict")) {
    if (!host.m_hWnd) std::fprintf(stderr, "svhost: the host's window was not made\n");
    lib.term();
    if (host.m_hWnd) host.DestroyWindow();
    FreeLibrary(lib.module);
    return 1;
  }
  std::u16string wideCondition = nux::FromUtf8(condition);
  lib.openAstroDict(&host, condition.empty() ? nullptr : wideCondition.c_str(), nullptr);
  HWND main = AstroDictWindow(lib);
  if (!main) {
    std::fprintf(stderr, "svhost: the main reference window did not open\n");
  } else {
    std::printf("view: main reference window open\n");
    std::fflush(stdout);
  }
  MSG m;
  while (main && AstroDictWindow(lib) && GetMessageW(&m, nullptr, 0, 0) > 0)
    nux::testing::DispatchMessageWithDialogs(m);
  std::printf("view: closed\n");
  std::fflush(stdout);
  lib.term();
  host.DestroyWindow();
  FreeLibrary(lib.module);
  return 0;
}

int RunLibrary(int argc, char** argv) {
  int switches[3] = {1, 1, 1};
  std::u16string token = u"NUXSV-HOST-ACCESS-01";
  int i = 1;
  for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
    if (std::strcmp(argv[i], "--switches") == 0) {
      if (std::sscanf(argv[i + 1], "%d,%d,%d", &switches[0], &switches[1], &switches[2]) != 3) return Usage();
    } else if (std::strcmp(argv[i], "--token") == 0) {
      token = nux::FromUtf8(argv[i + 1]);
    } else {
      return Usage();
    }
  }
  if (i >= argc) return Usage();
  std::string command = argv[i];
  std::vector<std::vector<std::string>> commands;
  if (command == "lookup" && i + 1 < argc) {
    for (int k = i + 1; k < argc; ++k) commands.push_back({"lookup", argv[k]});
  } else if (command == "view" && i + 2 >= argc) {
    return RunView(token, switches, i + 1 < argc ? argv[i + 1] : "");
  } else if (command == "script" && i + 2 == argc) {
    std::ifstream in(argv[i + 1]);
    if (!in) {
      std::fprintf(stderr, "svhost: cannot read %s\n", argv[i + 1]);
      return 1;
    }
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::vector<std::string> parts;
      for (std::string w; words >> w;) parts.push_back(w);
      if (parts.empty() || parts[0][0] == '#') continue;
      commands.push_back(parts);
    }
  } else {
    return Usage();
  }

  Library lib;
  if (!LoadAndInit(lib, token, switches)) return 1;
  // A script runs on the virtual clock, in the host's own main window.
  nux::testing::UseVirtualClock(true);
  HostWindow host;
  if (!host.Create()) {
    std::fprintf(stderr, "svhost: the host's window was not made\n");
    lib.term();
    FreeLibrary(lib.module);
    return 1;
  }
  int status = 0;
  for (const auto& c : commands) {
    std::fflush(stdout);
    if (!RunCommand(lib, c) && !RunWindowCommand(lib, host, c)) {
      std::fprintf(stderr, "svhost: unknown command: %s\n", c[0].c_str());
      status = 1;
    }
  }
  std::fflush(stdout);
  lib.term();
  host.DestroyWindow();
  FreeLibrary(lib.module);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  nux::ui::SetMessageBoxTerminal(false);
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "import-reg" && argc == 3) return ImportReg(argv[2]);
  if (command == "config" && argc == 2) return PrintConfig();
  if (argc > 1) return RunLibrary(argc, argv);
  return Usage();
}
