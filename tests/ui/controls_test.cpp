// The standard controls: edit text, selection and notifications; buttons; the progress bar;
// scroll information; static hit testing.
#include <fcntl.h>
#include <unistd.h>

#include "gdi/surface.h"
#include "test_support.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

class Controls : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    parent_ = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
    Rec().handlers[parent_] = [this](HWND, UINT m, WPARAM w, LPARAM l, LRESULT*) {
      if (m == WM_COMMAND) notes_.emplace_back(LOWORD(w), HIWORD(w));
      if (m == WM_CTLCOLOREDIT || m == WM_CTLCOLORSTATIC) colorMsgs_.emplace_back(m, reinterpret_cast<HWND>(l));
      return false;
    };
  }
  HWND Make(const char16_t* cls, DWORD style, int id, const char16_t* text = u"") {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 150, 24, parent_,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
  }
  size_t NoteCount(int id, WORD code) const {
    size_t n = 0;
    for (auto& c : notes_)
      if (c.first == static_cast<UINT>(id) && c.second == code) ++n;
    return n;
  }
  HWND parent_ = nullptr;
  std::vector<std::pair<UINT, WORD>> notes_;
  std::vector<std::pair<UINT, HWND>> colorMsgs_;
};

TEST_F(Controls, EditSelectionFollowsTheWindowsRules) {
  HWND e = Make(u"Edit", ES_AUTOHSCROLL, 5, u"Hello World");
  struct Case {
    int start, end;
    DWORD wantStart, wantEnd;
  } cases[] = {{0, -1, 0, 11}, {2, 5, 2, 5}, {5, 2, 2, 5}, {3, 100, 3, 11}, {-1, 0, 11, 11}};  // -1: deselect, caret kept
  for (auto& c : cases) {
    SendMessageW(e, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
    DWORD s = 0, t = 0;
    LRESULT packed = SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
    EXPECT_EQ(s, c.wantStart) << c.start << "," << c.end;
    EXPECT_EQ(t, c.wantEnd) << c.start << "," << c.end;
    EXPECT_EQ(packed, MAKELONG(c.wantStart, c.wantEnd));
  }
  SendMessageW(e, EM_SETSEL, 6, 11);
  SendMessageW(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"Welt"));
  char16_t buf[32];
  GetWindowTextW(e, buf, 32);
  EXPECT_EQ(std::u16string(buf), u"Hello Welt");
  EXPECT_TRUE(SendMessageW(e, EM_GETMODIFY, 0, 0));
  EXPECT_EQ(SendMessageW(e, EM_SCROLLCARET, 0, 0), TRUE);
}

TEST_F(Controls, EditNotifiesChangesAndReadOnlyIgnoresTyping) {
  HWND e = Make(u"Edit", ES_AUTOHSCROLL | WS_TABSTOP, 5);
  notes_.clear();
  SetWindowTextW(e, u"abc");
  EXPECT_EQ(NoteCount(5, EN_CHANGE), 1u);
  SetFocus(e);
  EXPECT_EQ(NoteCount(5, EN_SETFOCUS), 1u);
  SendMessageW(e, EM_SETSEL, 3, 3);
  nux::testing::TypeText(u"d\u00e9");
  nux::testing::KeyPress(VK_BACK);  // via TranslateMessage: a backspace character
  nux::testing::PumpMessages();
  char16_t buf[32];
  GetWindowTextW(e, buf, 32);
  EXPECT_EQ(std::u16string(buf), u"abcd");
  EXPECT_EQ(NoteCount(5, EN_CHANGE), 4u);
  SendMessageW(e, EM_SETREADONLY, TRUE, 0);
  EXPECT_NE(GetWindowLongW(e, GWL_STYLE) & ES_READONLY, 0);
  nux::testing::TypeText(u"x");
  nux::testing::PumpMessages();
  GetWindowTextW(e, buf, 32);
  EXPECT_EQ(std::u16string(buf), u"abcd");
  // A read-only edit asks for static colours when it paints; a writable one for edit colours.
  colorMsgs_.clear();
  InvalidateRect(e, nullptr, TRUE);
  UpdateWindow(e);
  ASSERT_FALSE(colorMsgs_.empty());
  EXPECT_EQ(colorMsgs_.back(), std::make_pair(static_cast<UINT>(WM_CTLCOLORSTATIC), e));
  SendMessageW(e, EM_SETREADONLY, FALSE, 0);  // invalidates the edit
  UpdateWindow(e);
  EXPECT_EQ(colorMsgs_.back(), std::make_pair(static_cast<UINT>(WM_CTLCOLOREDIT), e));
}

TEST_F(Controls, EditLimitAndNumberStyle) {
  HWND e = Make(u"Edit", ES_NUMBER, 6);
  SendMessageW(e, EM_LIMITTEXT, 3, 0);
  SetFocus(e);
  notes_.clear();
  nux::testing::TypeText(u"1a2345");
  nux::testing::PumpMessages();
  char16_t buf[32];
  GetWindowTextW(e, buf, 32);
  EXPECT_EQ(std::u16string(buf), u"123");
  EXPECT_GE(NoteCount(6, EN_MAXTEXT), 1u);
}

TEST_F(Controls, ButtonsClickByMouseKeyboardAndMessage) {
  HWND b = Make(u"Button", BS_PUSHBUTTON | WS_TABSTOP, IDOK, u"OK");
  HWND c = CreateWindowExW(0, u"Button", u"Merken", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 50, 100, 20, parent_,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(7)), nullptr, nullptr);
  nux::testing::Click(50, 20);
  nux::testing::PumpMessages();
  EXPECT_EQ(NoteCount(IDOK, BN_CLICKED), 1u);
  EXPECT_EQ(GetFocus(), b);
  // Pressed inside, released outside: no click.
  nux::testing::Drag(POINT{50, 20}, POINT{300, 200}, 2);
  nux::testing::PumpMessages();
  EXPECT_EQ(NoteCount(IDOK, BN_CLICKED), 1u);
  nux::testing::KeyPress(VK_SPACE);
  nux::testing::PumpMessages();
  EXPECT_EQ(NoteCount(IDOK, BN_CLICKED), 2u);
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(c, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(NoteCount(7, BN_CLICKED), 1u);
  EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
}

TEST_F(Controls, ProgressBarRangePositionAndDrawing) {
  HWND p = Make(PROGRESS_CLASSW, PBS_SMOOTH, 9);
  struct Seen {
    int calls = 0, pos = 0;
  } seen;
  int id = nux::ui::AddProgressListener(
      [](HWND, int pos, int, int, void* ctx) {
        auto* s = static_cast<Seen*>(ctx);
        ++s->calls;
        s->pos = pos;
      },
      &seen);
  EXPECT_EQ(SendMessageW(p, PBM_SETRANGE32, 0, 200), MAKELONG(0, 100));
  EXPECT_EQ(SendMessageW(p, PBM_SETPOS, 50, 0), 0);
  EXPECT_EQ(SendMessageW(p, PBM_SETPOS, 500, 0), 50);
  EXPECT_EQ(SendMessageW(p, PBM_GETPOS, 0, 0), 200);  // clamped
  SendMessageW(p, PBM_SETPOS, 190, 0);
  SendMessageW(p, PBM_SETSTEP, 20, 0);
  SendMessageW(p, PBM_STEPIT, 0, 0);
  EXPECT_EQ(SendMessageW(p, PBM_GETPOS, 0, 0), 10);  // past the end it starts over
  PBRANGE r{};
  EXPECT_EQ(SendMessageW(p, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r)), 0);
  EXPECT_EQ(r.iHigh, 200);
  SendMessageW(p, PBM_SETPOS, 100, 0);
  EXPECT_EQ(seen.pos, 100);
  EXPECT_GE(seen.calls, 4);
  nux::ui::RemoveProgressListener(id);
  nux::testing::PumpMessages();
  nux::gdi::Surface shot;
  ASSERT_TRUE(nux::testing::CaptureWindow(p, &shot));
  EXPECT_EQ(shot.colorAt(10, 12), GetSysColor(COLOR_HIGHLIGHT));   // filled half
  EXPECT_EQ(shot.colorAt(140, 12), GetSysColor(COLOR_BTNFACE));   // empty half
}

TEST_F(Controls, ProgressBarIsMirroredAsATextLineWhenAskedFor) {
  nuxtest::TempDir dir;
  const std::string file = dir.path() + "/line.txt";
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  nux::ui::SetTerminalProgressOutput(fd);
  HWND p = Make(PROGRESS_CLASSW, 0, 9);
  SendMessageW(p, PBM_SETRANGE32, 0, 8);  // a new range is drawn at once
  SendMessageW(p, PBM_SETPOS, 2, 0);
  SendMessageW(p, PBM_SETPOS, 2, 0);  // unchanged: nothing drawn
  SendMessageW(p, PBM_DELTAPOS, 6, 0);
  HWND q = Make(PROGRESS_CLASSW, 0, 10);
  SendMessageW(q, PBM_SETPOS, 5, 0);
  DestroyWindow(q);  // the open line ends with its bar
  nux::ui::SetTerminalProgressOutput(-2);
  ::close(fd);
  const std::string bar10 = std::string(10, '#') + std::string(30, '-');
  EXPECT_EQ(nuxtest::ReadFile(file), "\r[" + std::string(40, '-') + "]   0%\r[" + bar10 + "]  25%\r[" + std::string(40, '#') + "] 100%\n\r[" +
                                         std::string(2, '#') + std::string(38, '-') + "]   5%\n");
  // Without a terminal (as in tests) the default mirrors nothing.
  SendMessageW(p, PBM_SETPOS, 1, 0);
}

TEST_F(Controls, ScrollInformationIsClampedToRangeAndPage) {
  HWND s = Make(u"ScrollBar", SBS_VERT, 11);
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 500, 0};
  EXPECT_EQ(SetScrollInfo(s, SB_CTL, &si, TRUE), 90);
  EXPECT_EQ(SetScrollPos(s, SB_CTL, -5, FALSE), 90);
  EXPECT_EQ(GetScrollPos(s, SB_CTL), 0);
  HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VSCROLL);
  SetScrollRange(w, SB_VERT, 0, 20, FALSE);
  SetScrollPos(w, SB_VERT, 15, FALSE);
  EXPECT_EQ(FlatSB_GetScrollPos(w, SB_VERT), 15);
  int prop = 0;
  FlatSB_SetScrollProp(w, WSB_PROP_CYVTHUMB, 30, FALSE);
  FlatSB_GetScrollProp(w, WSB_PROP_CYVTHUMB, &prop);
  EXPECT_EQ(prop, 30);
}

TEST_F(Controls, StaticsAreTransparentToTheMouseUnlessTheyNotify) {
  HWND plain = Make(u"Static", SS_LEFT, 20, u"Text");
  EXPECT_EQ(WindowFromPoint(POINT{20, 20}), parent_);
  DestroyWindow(plain);
  HWND notify = Make(u"Static", SS_LEFT | SS_NOTIFY, 21, u"Link");
  EXPECT_EQ(WindowFromPoint(POINT{20, 20}), notify);
  nux::testing::Click(20, 20);
  nux::testing::PumpMessages();
  EXPECT_EQ(NoteCount(21, STN_CLICKED), 1u);
}

}  // namespace
