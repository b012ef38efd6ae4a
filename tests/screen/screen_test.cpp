// The platform's windows on a virtual X server: shown where they stand, their pixels on the
// screen, the real pointer and keyboard (xdotool) reaching them through the input path, and the
// desktop's close request.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/codepage.h"
#include "display/display.h"
#include "gdi/gdi.h"
#include "memory/memory.h"
#include "testing/testing.h"
#include "ui/ui.h"
#include "test_support.h"
#include "screen_support.h"
#include "xserver.h"

namespace {

using screentest::VirtualScreen;

struct Seen {
  std::vector<WPARAM> commands;
  std::vector<POINT> dragged;  // WM_MOUSEMOVE points (client) while captured
  bool closeAsked = false;
  int activations = 0;
  int deactivations = 0;
  std::vector<WPARAM> appActivations;  // WM_ACTIVATEAPP's wParam, in order
  std::vector<POINT> moves;            // WM_MOVE's client points
};
Seen g_seen;

LRESULT CALLBACK TestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      // Stripes of different colours, so that a shifted or mixed-up picture shows.
      for (int x = 0; x < rc.right; x += 20) {
        RECT band{x, 0, x + 20, rc.bottom};
        HBRUSH b = CreateSolidBrush(RGB((x * 7) & 255, (x * 3 + 60) & 255, 255 - (x & 255)));
        FillRect(dc, &band, b);
        DeleteObject(b);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_COMMAND: g_seen.commands.push_back(wParam); return 0;
    case WM_LBUTTONDOWN: SetCapture(hwnd); return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == hwnd)
        g_seen.dragged.push_back(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
      return 0;
    case WM_LBUTTONUP: ReleaseCapture(); return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE)
        ++g_seen.activations;
      else
        ++g_seen.deactivations;
      break;
    case WM_ACTIVATEAPP: g_seen.appActivations.push_back(wParam); break;
    case WM_MOVE: g_seen.moves.push_back(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))}); break;
    case WM_CLOSE: g_seen.closeAsked = true; return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class ScreenTest : public screentest::OnSharedScreen {
 protected:
  void SetUp() override {
    OnSharedScreen::SetUp();
    if (!Ready()) return;
    setenv("DISPLAY", screen().display().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("NUX_DISPLAY");
    ASSERT_TRUE(nux::display::Open());
    g_seen = Seen{};
    WNDCLASSW wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = u"ScreenTest";
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&wc);
  }

  void TearDown() override {
    nux::testing::UseVirtualClock(false);
    nux::testing::ResetUi();
    nux::display::Close();
    nux::testing::ResetMonitors();
    setenv("NUX_DISPLAY", "none", 1);
  }

  static ::testing::AssertionResult PumpUntil(const std::string& awaited, const std::function<bool()>& done,
                                              const std::function<std::string()>& seen = nullptr) {
    return screentest::PumpUntil(awaited, done, seen);
  }
  static void Pump() { nux::testing::PumpMessages(); }

  // Waits until the screen shows the window's own picture at its place.
  ::testing::AssertionResult OnScreen(HWND h) {
    int differ = -1;
    return PumpUntil(
        "the window's pixels on the screen",
        [&] {
          nux::gdi::Surface shot, mine;
          RECT r{};
          GetWindowRect(h, &r);
          if (!nux::testing::CaptureWindow(h, &mine) || !screen().ReadScreen(&shot, Pump)) return false;
          differ = screentest::DifferingPixels(shot, mine, POINT{r.left, r.top});
          return differ == 0;
        },
        [&] { return std::to_string(differ) + " pixels differ"; });
  }

  // Waits until the window, and the display's window of its title, stand at `at`.
  ::testing::AssertionResult StandsAt(HWND h, POINT at, const std::string& title = "Bildschirm") {
    RECT r{};
    int x = 0, y = 0;
    bool shown = false;
    return PumpUntil(
        "the window at " + Point(at) + " and on the screen there",
        [&] {
          GetWindowRect(h, &r);
          shown = screentest::FindWindowNamed(screen().display(), title, &x, &y, nullptr, nullptr);
          return shown && r.left == at.x && r.top == at.y && x == at.x && y == at.y;
        },
        [&] {
          return "the window at " + Point({r.left, r.top}) + ", " +
                 (!shown ? std::string("not on the screen") : "on the screen at " + Point({x, y}));
        });
  }
  static std::string Point(POINT p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

  // Waits until the display's keyboard focus is on the window of that title.
  ::testing::AssertionResult Focused(const std::string& title) {
    std::string focused;
    return PumpUntil(
        "the keyboard focus on \"" + title + "\"",
        [&] { return (focused = screentest::FocusedWindowName(screen().display())) == title; },
        [&] { return "the focus on \"" + focused + "\""; });
  }

  // Moves the real pointer there and waits until the platform has seen it arrive: every event
  // the display sent before has then been taken too.
  ::testing::AssertionResult PointerTo(int x, int y) {
    if (!MoveTo(x, y)) return ::testing::AssertionFailure() << "xdotool did not move the pointer";
    POINT at{};
    return PumpUntil(
        "the pointer at " + Point({x, y}),
        [&] { return GetCursorPos(&at) && at.x == x && at.y == y; }, [&] { return "the pointer at " + Point(at); });
  }

  bool Xdo(const std::vector<std::string>& args) { return screen().Xdotool(args, Pump); }
  bool MoveTo(int x, int y) { return Xdo({"mousemove", std::to_string(x), std::to_string(y)}); }

  // A window of the test's class, titled "Bildschirm", once the display shows it at its place.
  HWND MakeWindow(RECT r, DWORD style = WS_POPUP | WS_VISIBLE) {
    HWND h = CreateWindowExW(0, u"ScreenTest", u"Bildschirm", style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(h);
    if (h) {
      EXPECT_TRUE(StandsAt(h, POINT{r.left, r.top}));
    }
    return h;
  }

  // A push button "OK" of that id at (20, 20) in the window, 80 x 24, once the screen shows it.
  HWND AddButton(HWND parent, int id) {
    HWND b = CreateWindowExW(0, u"Button", u"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 80, 24, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    EXPECT_TRUE(b);
    EXPECT_TRUE(OnScreen(parent));
    return b;
  }

};

TEST_F(ScreenTest, MonitorsAreTheDisplays) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work.right, 1280);
  EXPECT_EQ(work.bottom, 1024);
}

TEST_F(ScreenTest, WindowShowsItsSurfaceWhereItStandsAndFollowsMovesAndHiding) {
  HWND h = MakeWindow(RECT{100, 80, 500, 380});
  ASSERT_TRUE(h);
  EXPECT_TRUE(OnScreen(h));
  // Its pixels lie where the X server reads them, at every size.
  EXPECT_NE(nux::ui::WindowSurface(h, nullptr)->memory(), nullptr);

  // Moved and sized by the program: the picture follows, and the old place is bare again.
  SetWindowPos(h, nullptr, 300, 200, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(StandsAt(h, POINT{300, 200}));
  EXPECT_TRUE(OnScreen(h));
  EXPECT_NE(nux::ui::WindowSurface(h, nullptr)->memory(), nullptr);
  nux::gdi::Surface shot;
  ASSERT_TRUE(screen().ReadScreen(&shot, Pump));
  EXPECT_EQ(shot.at(150, 130) & 0xFFFFFF, 0u);

  ShowWindow(h, SW_HIDE);
  uint32_t left = 0;
  EXPECT_TRUE(PumpUntil(
      "the hidden window to leave the screen",
      [&] { return screen().ReadScreen(&shot, Pump) && (left = shot.at(350, 250) & 0xFFFFFF) == 0; },
      [&] { return "the colour " + std::to_string(left) + " where it stood"; }));
}

TEST_F(ScreenTest, OwnedWindowStaysAboveItsOwner) {
  HWND owner = MakeWindow(RECT{100, 100, 500, 400});
  HWND owned = CreateWindowExW(0, u"ScreenTest", u"", WS_POPUP, 200, 200, 100, 100, owner, nullptr, nullptr, nullptr);
  ShowWindow(owned, SW_SHOWNOACTIVATE);
  // Brought to the top, the owner still stays below what it owns.
  SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_TRUE(OnScreen(owned));
}

std::string Commands() {
  std::string out = std::to_string(g_seen.commands.size()) + " commands";
  for (WPARAM c : g_seen.commands) out += " " + std::to_string(c);
  return out;
}

TEST_F(ScreenTest, PointerClicksAButtonAndDragsBeyondTheWindow) {
  HWND h = MakeWindow(RECT{100, 100, 500, 400});
  ASSERT_TRUE(AddButton(h, 7));
  ASSERT_TRUE(MoveTo(160, 132));
  ASSERT_TRUE(Xdo({"click", "1"}));
  EXPECT_TRUE(PumpUntil("the button's command", [] { return !g_seen.commands.empty(); }, Commands));
  ASSERT_EQ(g_seen.commands.size(), 1u);
  EXPECT_EQ(g_seen.commands[0], MAKEWPARAM(7, BN_CLICKED));

  // Pressed inside, moved out to the left and above the window while held: the captured
  // window hears of points outside it.
  ASSERT_TRUE(MoveTo(300, 300));
  ASSERT_TRUE(Xdo({"mousedown", "1"}));
  ASSERT_TRUE(MoveTo(200, 200));
  ASSERT_TRUE(MoveTo(50, 40));
  EXPECT_TRUE(PumpUntil(
      "a captured move to -50,-60", [] { return !g_seen.dragged.empty() && g_seen.dragged.back().x == -50; },
      [] { return g_seen.dragged.empty() ? std::string("no captured move") : "the last at " + Point(g_seen.dragged.back()); }));
  ASSERT_FALSE(g_seen.dragged.empty());
  EXPECT_EQ(g_seen.dragged.back().x, -50);
  EXPECT_EQ(g_seen.dragged.back().y, -60);
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  EXPECT_TRUE(PumpUntil("the capture's end", [&] { return GetCapture() == nullptr; }));
}

TEST_F(ScreenTest, KeysAndTypedTextReachTheFocusedEdit) {
  HWND h = MakeWindow(RECT{100, 100, 500, 400});
  HWND edit = CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 20, 20, 300, 24, h,
                              reinterpret_cast<HMENU>(8), nullptr, nullptr);
  ASSERT_TRUE(screentest::AddGermanKeys(screen().display()));
  SetFocus(edit);
  ASSERT_TRUE(Focused("Bildschirm"));
  ASSERT_TRUE(MoveTo(200, 132));
  ASSERT_TRUE(Xdo({"click", "1"}));
  // Letters, capitals, umlauts and ß, as a person types them.
  ASSERT_TRUE(Xdo({"type", "--delay", "20", "Grüße aus Köln, Ärger"}));
  auto text = [&] { return nux::ToUtf8(screentest::WindowText(edit)); };
  EXPECT_TRUE(PumpUntil("the typed text in the edit", [&] { return text() == "Grüße aus Köln, Ärger"; }, text));
  // BackSpace removes the last letter: keys without text still act.
  ASSERT_TRUE(Xdo({"key", "BackSpace"}));
  EXPECT_TRUE(PumpUntil("the last letter gone", [&] { return text() == "Grüße aus Köln, Ärge"; }, text));
}

TEST_F(ScreenTest, DesktopCloseRequestBecomesWmClose) {
  HWND h = MakeWindow(RECT{100, 100, 300, 300});
  ASSERT_TRUE(h);
  // What a window manager does when the person closes a window.
  ASSERT_TRUE(screentest::SendDeleteWindow(screen().display(), "Bildschirm")) << "the window is not on the screen";
  EXPECT_TRUE(PumpUntil("WM_CLOSE", [] { return g_seen.closeAsked; }));
}

std::string Activations() {
  std::string out = std::to_string(g_seen.activations) + " activations, " + std::to_string(g_seen.deactivations) +
                    " deactivations, WM_ACTIVATEAPP";
  for (WPARAM a : g_seen.appActivations) out += " " + std::to_string(a);
  HWND active = GetActiveWindow();
  return out + ", the active window " + (active ? nux::ToUtf8(screentest::WindowText(active)) : "none");
}

TEST_F(ScreenTest, DesktopFocusLeavingOurWindowsDeactivatesAndComingBackActivates) {
  HWND h = MakeWindow(RECT{100, 100, 400, 300});
  SetForegroundWindow(h);
  ASSERT_TRUE(Focused("Bildschirm"));
  ASSERT_EQ(GetActiveWindow(), h);
  g_seen = Seen{};

  // Another program's window takes the focus: ours is no longer active, and hears so.
  screentest::ForeignWindow other(screen().display(), "Anderes Programm", 700, 100, 200, 150);
  ASSERT_TRUE(other.shown());
  ASSERT_TRUE(other.TakeFocus());
  EXPECT_TRUE(PumpUntil(
      "the deactivation", [] { return g_seen.deactivations == 1 && !g_seen.appActivations.empty(); }, Activations));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(g_seen.appActivations, std::vector<WPARAM>{FALSE});
  // Once the display's later events have come in, the other program still has the focus.
  ASSERT_TRUE(PointerTo(250, 200));
  EXPECT_EQ(screentest::FocusedWindowName(screen().display()), "Anderes Programm") << "we took the focus back";

  // The person comes back to our window.
  ASSERT_TRUE(screentest::FocusWindowNamed(screen().display(), "Bildschirm"));
  EXPECT_TRUE(PumpUntil(
      "the activation", [&] { return GetActiveWindow() == h && g_seen.activations == 1; }, Activations));
  EXPECT_EQ(g_seen.appActivations, (std::vector<WPARAM>{FALSE, TRUE}));
  EXPECT_EQ(g_seen.deactivations, 1);
}

TEST_F(ScreenTest, ComingBackToAWindowDisabledByItsDialogActivatesTheDialog) {
  HWND owner = MakeWindow(RECT{100, 100, 500, 400});
  HWND dialog = CreateWindowExW(0, u"ScreenTest", u"Dialog", WS_POPUP | WS_CAPTION | WS_VISIBLE, 200, 180, 200, 120,
                                owner, nullptr, nullptr, nullptr);
  EnableWindow(owner, FALSE);
  SetForegroundWindow(dialog);
  ASSERT_TRUE(Focused("Dialog"));
  screentest::ForeignWindow other(screen().display(), "Anderes Programm", 700, 100, 200, 150);
  ASSERT_TRUE(other.TakeFocus());
  ASSERT_TRUE(PumpUntil("no active window", [] { return GetActiveWindow() == nullptr; }, Activations));
  // The person comes back by the owner: the dialog it waits for is active again.
  ASSERT_TRUE(screentest::FocusWindowNamed(screen().display(), "Bildschirm"));
  EXPECT_TRUE(PumpUntil("the dialog active", [&] { return GetActiveWindow() == dialog; }, Activations));
  EXPECT_TRUE(Focused("Dialog"));
  EnableWindow(owner, TRUE);
}

std::string Moves() {
  std::string out = std::to_string(g_seen.moves.size()) + " WM_MOVE";
  for (POINT p : g_seen.moves) out += " " + std::to_string(p.x) + "," + std::to_string(p.y);
  return out;
}

TEST_F(ScreenTest, WindowMovedByTheDesktopTakesThePlace) {
  HWND h = MakeWindow(RECT{100, 100, 400, 300});
  g_seen = Seen{};
  ASSERT_TRUE(screentest::MoveWindowNamed(screen().display(), "Bildschirm", 420, 330));
  EXPECT_TRUE(StandsAt(h, POINT{420, 330}));
  RECT r{};
  GetWindowRect(h, &r);
  EXPECT_EQ(r.right, 720);
  EXPECT_EQ(r.bottom, 530);
  ASSERT_FALSE(g_seen.moves.empty());
  EXPECT_EQ(g_seen.moves.back().x, 420);
  EXPECT_EQ(g_seen.moves.back().y, 330);
  // It stays there, with its own pixels, and a click there reaches it.
  ASSERT_TRUE(AddButton(h, 9));
  int x = 0, y = 0;
  EXPECT_TRUE(screentest::FindWindowNamed(screen().display(), "Bildschirm", &x, &y, nullptr, nullptr));
  EXPECT_EQ(x, 420);
  EXPECT_EQ(y, 330);
  ASSERT_TRUE(MoveTo(480, 362));
  ASSERT_TRUE(Xdo({"click", "1"}));
  EXPECT_TRUE(PumpUntil("the button's command", [] { return !g_seen.commands.empty(); }, Commands));
}

// Places the program asked for earlier are no longer its own once it stands elsewhere: another
// program (xdotool) moving the window back to one of them moves it there.
TEST_F(ScreenTest, WindowMovedByAnotherProgramToAPlaceAskedForEarlierTakesThePlace) {
  HWND h = MakeWindow(RECT{100, 100, 400, 300});
  for (POINT at : {POINT{300, 200}, POINT{500, 400}, POINT{700, 300}}) {
    SetWindowPos(h, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(StandsAt(h, at));
  }
  for (POINT at : {POINT{300, 200}, POINT{500, 400}, POINT{100, 100}}) {
    g_seen.moves.clear();
    ASSERT_TRUE(Xdo({"search", "--onlyvisible", "--name", "^Bildschirm$", "windowmove", std::to_string(at.x),
                     std::to_string(at.y)}));
    EXPECT_TRUE(StandsAt(h, at));
    EXPECT_TRUE(PumpUntil(
        "WM_MOVE to " + Point(at),
        [&] { return !g_seen.moves.empty() && g_seen.moves.back().x == at.x && g_seen.moves.back().y == at.y; },
        Moves));
  }
  // The program's own move after them still goes where it asks.
  SetWindowPos(h, nullptr, 700, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(StandsAt(h, POINT{700, 300}));
  EXPECT_TRUE(OnScreen(h));
}

// Servers that cannot take the windows' pixels from shared memory: one without the extension,
// and one that cannot reach this process's memory (in a namespace of its own, as a server on
// another machine is). The pixels are sent to them instead, and every picture still arrives.
TEST_F(ScreenTest, ServersWithoutOurSharedMemoryStillShowEveryPicture) {
  struct Case {
    const char* what;
    std::vector<std::string> wrapper, extra;
  };
  const Case cases[] = {{"a server without shared memory", {}, {"-extension", "MIT-SHM"}},
                        {"a server that cannot reach our memory", {"unshare", "--ipc"}, {}}};
  VirtualScreen* shared = screen_;
  // A server stays up until the display is open on the next one: the connection to it goes
  // only then, and a connection whose server died ends the program.
  std::unique_ptr<VirtualScreen> last;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.wrapper.empty() && screentest::Run({c.wrapper[0], c.wrapper[1], "true"}, {}, 5000).status != 0) {
      std::printf("skipped %s: %s is not allowed here\n", c.what, c.wrapper[0].c_str());
      continue;
    }
    nux::display::Close();
    auto own = std::make_unique<VirtualScreen>();
    std::string why;
    ASSERT_TRUE(own->Start(640, 480, &why, c.wrapper, c.extra)) << why;
    setenv("DISPLAY", own->display().c_str(), 1);
    ASSERT_TRUE(nux::display::Open());
    last = std::move(own);
    screen_ = last.get();
    HWND h = MakeWindow(RECT{40, 30, 440, 330});
    ASSERT_TRUE(h);
    EXPECT_TRUE(OnScreen(h));
    // Pictures one after another, each drawn over the last, then a new size.
    for (int i = 0; i < 20; ++i) {
      HDC dc = GetDC(h);
      RECT band{0, i * 10, 400, i * 10 + 10};
      HBRUSH b = CreateSolidBrush(RGB(i * 12, 255 - i * 12, 90));
      FillRect(dc, &band, b);
      DeleteObject(b);
      ReleaseDC(h, dc);
      nux::testing::PumpMessages();
    }
    EXPECT_TRUE(OnScreen(h));
    SetWindowPos(h, nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(OnScreen(h));
    DestroyWindow(h);
  }
  nux::display::Close();
  screen_ = shared;
  setenv("DISPLAY", screen().display().c_str(), 1);
  EXPECT_TRUE(nux::display::Open());
}

TEST_F(ScreenTest, MessageBoxWaitsForTheClickOfAPerson) {
  // A person waits until the box and its "Nein" show on the screen, and clicks there; until then
  // the box waits. A person who finds no button, or whose click does not end the box, says what
  // was seen and ends the box with "Ja", so that the test fails instead of waiting for ever.
  std::thread person([this] {
    HWND box = nullptr, no = nullptr;
    int differ = -1;
    RECT place{};
    auto result = screentest::WaitFor(
        "the box with its \"Nein\" on the screen",
        [&] {
          box = nux::testing::FindWindowByText(u"Frage");
          no = box ? nux::testing::FindWindowByText(u"Nein", box) : nullptr;
          nux::gdi::Surface shot, mine;
          if (!no || !GetWindowRect(box, &place) || !nux::testing::CaptureWindow(box, &mine) || !screen().ReadScreen(&shot))
            return false;
          differ = screentest::DifferingPixels(shot, mine, POINT{place.left, place.top});
          return differ == 0;
        },
        [&] {
          return std::string(box ? "the box" : "no box") + (no ? " with" : " without") + " its button, " +
                 std::to_string(differ) + " of its pixels differ on the screen";
        });
    if (result) {
      RECT r{};
      GetWindowRect(no, &r);
      screen().Xdotool({"mousemove", std::to_string((r.left + r.right) / 2), std::to_string((r.top + r.bottom) / 2),
                        "click", "1"});
      result = screentest::WaitFor("the box to end after the click", [&] { return !IsWindow(box); });
    }
    if (!result) {
      ADD_FAILURE() << result.message();
      if (HWND open = nux::testing::FindWindowByText(u"Frage"))
        PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    }
  });
  int answer = MessageBoxW(nullptr, u"Jetzt laden?", u"Frage", MB_YESNO | MB_ICONQUESTION);
  person.join();
  EXPECT_EQ(answer, IDNO);
}

TEST_F(ScreenTest, ClipboardTextGoesBothWaysWithTheDesktop) {
  if (!screentest::Have("xclip")) GTEST_SKIP() << "xclip is not installed";
  HWND h = MakeWindow(RECT{10, 10, 60, 60});
  const std::u16string text = u"Sirius, der hellste Stern: ß und Ü";
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
  std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * 2);
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(h));
  EmptyClipboard();
  ASSERT_TRUE(SetClipboardData(CF_UNICODETEXT, block));
  CloseClipboard();
  // Another program on the desktop reads it (we answer its request while it waits).
  auto read = screen().Command({"xclip", "-o", "-selection", "clipboard"}, 10000, Pump);
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.out, nux::ToUtf8(text));

  // And puts text of its own there, which we read in both formats.
  auto wrote = screen().Command(
      {"sh", "-c", "printf 'Grüße aus Köln' | xclip -i -selection clipboard -l 5 >/dev/null 2>&1"}, 10000, Pump);
  EXPECT_EQ(wrote.status, 0);
  // Once the other program holds the clipboard, we read its text in both formats.
  auto read8 = [&](UINT format) {
    std::string out;
    if (!OpenClipboard(h)) return out;
    if (HANDLE data = GetClipboardData(format)) {
      if (format == CF_TEXT) {
        out = static_cast<const char*>(GlobalLock(data));
      } else {
        out = nux::ToUtf8(static_cast<const char16_t*>(GlobalLock(data)));
      }
      GlobalUnlock(data);
    }
    CloseClipboard();
    return out;
  };
  EXPECT_TRUE(PumpUntil(
      "the other program's text on our clipboard", [&] { return read8(CF_UNICODETEXT) == "Grüße aus Köln"; },
      [&] { return "\"" + read8(CF_UNICODETEXT) + "\""; }));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(read8(CF_TEXT), "Gr\xFC\xDF" "e aus K\xF6ln");
}

// A 32 x 32 cursor of 32-bit pixels: a square of `colour` (0xRRGGBB) from 8 to 23, clear
// around it, with its hot spot.
std::string CursorBytes(uint32_t colour, int hotX, int hotY) {
  auto put16 = [](std::string& s, uint32_t v) { s.push_back(char(v & 0xFF)), s.push_back(char(v >> 8)); };
  auto put32 = [&](std::string& s, uint32_t v) { put16(s, v & 0xFFFF), put16(s, v >> 16); };
  std::string image;
  put32(image, 40);
  put32(image, 32);
  put32(image, 64);
  put16(image, 1);
  put16(image, 32);
  for (int i = 0; i < 6; ++i) put32(image, 0);
  for (int y = 31; y >= 0; --y)
    for (int x = 0; x < 32; ++x) put32(image, x >= 8 && x < 24 && y >= 8 && y < 24 ? 0xFF000000u | colour : 0);
  image.append(32 * 4, '\0');  // the mask: the alpha decides
  std::string file;
  put16(file, 0);
  put16(file, 2);
  put16(file, 1);
  file += std::string{char(32), char(32), char(0), char(0)};
  put16(file, uint32_t(hotX));
  put16(file, uint32_t(hotY));
  put32(file, uint32_t(image.size()));
  put32(file, 6 + 16);
  return file + image;
}

// An animated cursor of these frames, shown in the order of `sequence` with the rates (in
// sixtieths of a second) of `rates`.
std::string AnimatedCursorBytes(const std::vector<std::string>& frames, const std::vector<uint32_t>& sequence,
                                const std::vector<uint32_t>& rates) {
  auto put32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
  };
  auto chunk = [&](const char* id, const std::string& body) {
    std::string c(id, 4);
    put32(c, uint32_t(body.size()));
    c += body;
    if (body.size() & 1) c.push_back('\0');
    return c;
  };
  std::string header;
  for (uint32_t v : {36u, uint32_t(frames.size()), uint32_t(sequence.size()), 0u, 0u, 0u, 0u, 10u, 3u})
    put32(header, v);
  std::string seq, rate, icons = "fram";
  for (uint32_t v : sequence) put32(seq, v);
  for (uint32_t v : rates) put32(rate, v);
  for (const std::string& f : frames) icons += chunk("icon", f);
  std::string body = "ACON" + chunk("anih", header) + chunk("rate", rate) + chunk("seq ", seq) + chunk("LIST", icons);
  return chunk("RIFF", body);
}

// The colour at the middle of the cursor the X server shows, and its hot spot.
struct OnScreenCursor {
  uint32_t middle = 0;
  int hotX = -1, hotY = -1;
  bool operator==(const OnScreenCursor& o) const { return middle == o.middle && hotX == o.hotX && hotY == o.hotY; }
};

TEST_F(ScreenTest, CursorFilesShowTheirOwnPicturesAndTheAnimationStepsByItsRates) {
  nuxtest::TempDir dir;
  // Two frames, shown red (100 ms), blue (200 ms), red (50 ms), and over again.
  const std::string file = dir.Write("busy.ani", AnimatedCursorBytes({CursorBytes(0xFF0000, 3, 4), CursorBytes(0x0000FF, 20, 21)},
                                                                     {0, 1, 0}, {6, 12, 3}));
  const std::string still = dir.Write("hand.cur", CursorBytes(0x00C000, 9, 10));
  HCURSOR animated = LoadCursorFromFileA(("Z:" + file).c_str());
  HCURSOR plain = LoadCursorFromFileA(("Z:" + still).c_str());
  ASSERT_TRUE(animated && plain);
  HWND h = MakeWindow(RECT{100, 100, 300, 300});
  SetClassLongPtrW(h, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(animated));
  nux::testing::UseVirtualClock(true);
  auto onScreen = [&] {
    OnScreenCursor c;
    nux::gdi::Surface picture;
    if (screentest::ReadCursorImage(screen().display(), &picture, &c.hotX, &c.hotY) && picture.width() > 16)
      c.middle = picture.at(16, 16) & 0xFFFFFF;
    return c;
  };
  auto shows = [&](HCURSOR cursor, int frame, OnScreenCursor seen) {
    nux::display::ShownCursor now;
    OnScreenCursor there;
    auto colour = [](uint32_t c) {
      char text[16];
      std::snprintf(text, sizeof text, "%06x", c);
      return std::string(text);
    };
    return PumpUntil(
        "frame " + std::to_string(frame) + " on the screen, " + colour(seen.middle) + " with its hot spot at " +
            Point({seen.hotX, seen.hotY}),
        [&] {
          now = nux::display::CurrentCursor();
          there = onScreen();
          return now.cursor == cursor && now.frame == frame && there == seen;
        },
        [&] {
          return "frame " + std::to_string(now.frame) + (now.cursor == cursor ? "" : " of another cursor") +
                 ", on the screen " + colour(there.middle) + " at " + Point({there.hotX, there.hotY});
        });
  };
  ASSERT_TRUE(MoveTo(200, 200));
  EXPECT_TRUE(shows(animated, 0, {0xFF0000, 3, 4}));
  nux::testing::AdvanceAndPump(99, 10);
  EXPECT_TRUE(shows(animated, 0, {0xFF0000, 3, 4})) << "the first step lasts 100 ms";
  nux::testing::AdvanceAndPump(1);
  EXPECT_TRUE(shows(animated, 1, {0x0000FF, 20, 21}));
  nux::testing::AdvanceAndPump(200, 10);
  EXPECT_TRUE(shows(animated, 0, {0xFF0000, 3, 4}));
  nux::testing::AdvanceAndPump(50, 10);
  EXPECT_TRUE(shows(animated, 0, {0xFF0000, 3, 4}));
  nux::testing::AdvanceAndPump(100, 10);
  EXPECT_TRUE(shows(animated, 1, {0x0000FF, 20, 21})) << "after the last step the first comes again";

  // A still cursor's picture once the window's cursor is another; no step changes it.
  SetClassLongPtrW(h, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(plain));
  // A move without a button after the first in the window reaches the platform too.
  EXPECT_TRUE(PointerTo(210, 210));
  EXPECT_TRUE(shows(plain, 0, {0x00C000, 9, 10}));
  nux::testing::AdvanceAndPump(500, 50);
  EXPECT_TRUE(shows(plain, 0, {0x00C000, 9, 10}));
  nux::testing::UseVirtualClock(false);
  DestroyWindow(h);
  DestroyCursor(animated);
  DestroyCursor(plain);
}

}  // namespace
