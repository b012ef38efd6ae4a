// Message maps: which handler a message reaches, how its arguments are cracked, what the
// handler's answer becomes, and reflection of control notifications to the control object.
#include <cstdio>
#include <vector>

#include "mfcwnd_fixture.h"

using namespace mfcwndtest;

namespace {

enum { kGo = 501, kRangeFirst = 600, kRangeLast = 609, kNotifier = 700, kButton = 900 };
const HBRUSH kProbeBrush = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(0x5150));

class CProbe : public CWnd {
 public:
  std::vector<std::string> log;
  void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    log.emplace_back(buffer);
  }
  std::string Last() const { return log.empty() ? std::string() : log.back(); }

 protected:
  afx_msg int OnCreate(CREATESTRUCTA* cs) {
    Add("create %s", cs->lpszName);
    return CWnd::OnCreate(cs);
  }
  afx_msg void OnSize(UINT type, int cx, int cy) { Add("size %u %d %d", type, cx, cy); }
  afx_msg void OnMove(int x, int y) { Add("move %d %d", x, y); }
  afx_msg void OnTimer(UINT_PTR id) { Add("timer %u", static_cast<unsigned>(id)); }
  afx_msg void OnLButtonDown(UINT flags, CPoint p) { Add("lbuttondown %u %d %d", flags, p.x, p.y); }
  afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint p) {
    Add("wheel %u %d %d %d", flags, delta, p.x, p.y);
    return TRUE;
  }
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT hit, UINT message) {
    Add("setcursor %d %u %s", static_cast<int>(hit), message, pWnd == this ? "self" : "other");
    return TRUE;
  }
  afx_msg void OnKeyDown(UINT ch, UINT repeat, UINT flags) { Add("keydown %u %u %u", ch, repeat, flags); }
  afx_msg void OnSysCommand(UINT id, LPARAM l) { Add("syscommand 0x%X %ld", id, static_cast<long>(l)); }
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT kind) {
    Add("ctlcolor %u %s %s", kind, pDC && pDC->m_hDC ? "dc" : "nodc", pWnd == this ? "self" : "other");
    return kProbeBrush;
  }
  afx_msg LRESULT OnNcHitTest(CPoint p) {
    Add("nchittest %d %d", p.x, p.y);
    return HTCAPTION;
  }
  afx_msg LRESULT OnFive(WPARAM w, LPARAM l) {
    Add("five");
    return static_cast<LRESULT>(w) + l;
  }
  afx_msg void OnGo() { Add("go"); }
  afx_msg void OnRange(UINT id) { Add("range %u", id); }
  afx_msg void OnItemClick(NMHDR* n, LRESULT* result) {
    Add("notify %u", static_cast<unsigned>(n->idFrom));
    *result = 77;
  }
  afx_msg void OnSizing(UINT side, LPRECT r) {
    Add("sizing %u", side);
    r->right = r->left + 100;
  }
  afx_msg void OnActivate(UINT state, CWnd* other, BOOL minimized) {
    Add("activate %u %s %d", state, other ? "other" : "null", minimized);
  }
  afx_msg void OnShowWindow(BOOL show, UINT status) { Add("show %d %u", show, status); }
  afx_msg void OnGetMinMaxInfo(MINMAXINFO* mmi) { mmi->ptMinTrackSize.x = 123; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbe, CWnd)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_MOVE()
  ON_WM_TIMER()
  ON_WM_LBUTTONDOWN()
  ON_WM_MOUSEWHEEL()
  ON_WM_SETCURSOR()
  ON_WM_KEYDOWN()
  ON_WM_SYSCOMMAND()
  ON_WM_CTLCOLOR()
  ON_WM_NCHITTEST()
  ON_WM_SIZING()
  ON_WM_ACTIVATE()
  ON_WM_SHOWWINDOW()
  ON_WM_GETMINMAXINFO()
  ON_MESSAGE(WM_USER + 5, &CProbe::OnFive)
  ON_COMMAND(kGo, &CProbe::OnGo)
  ON_COMMAND_RANGE(kRangeFirst, kRangeLast, &CProbe::OnRange)
  ON_NOTIFY(NM_CLICK, kNotifier, &CProbe::OnItemClick)
END_MESSAGE_MAP()

// A probe window shown as a top-level popup.
struct ProbeWindow {
  CProbe wnd;
  ProbeWindow() { EXPECT_TRUE(wnd.CreateEx(0, nullptr, "probe", WS_POPUP, 10, 10, 200, 150, nullptr, nullptr)); }
};

}  // namespace

class MessageMaps : public MfcTest {};

TEST_F(MessageMaps, CreateHandlerSeesTheCreationTextsInItsCharacterSet) {
  ProbeWindow p;
  ASSERT_FALSE(p.wnd.log.empty());
  EXPECT_EQ(p.wnd.log.front(), "create probe");
  EXPECT_EQ(CWnd::FromHandlePermanent(p.wnd.m_hWnd), &p.wnd);
}

TEST_F(MessageMaps, HandlersReceiveCrackedArgumentsAndAnswer) {
  ProbeWindow p;
  HWND h = p.wnd.m_hWnd;
  HDC dc = ::GetDC(h);
  struct Case {
    UINT msg;
    WPARAM w;
    LPARAM l;
    const char* expected;
    LRESULT result;
  } cases[] = {
      {WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(30, 40), "size 2 30 40", 0},
      {WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(-5), 7), "move -5 7", 0},
      {WM_TIMER, 1500, 0, "timer 1500", 0},
      {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(static_cast<WORD>(-3), 12), "lbuttondown 5 -3 12", 0},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), MAKELPARAM(100, 200), "wheel 8 -120 100 200", 1},
      {WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(static_cast<WORD>(HTERROR), WM_LBUTTONDOWN),
       "setcursor -2 513 self", 1},
      {WM_KEYDOWN, 0x74, MAKELPARAM(3, 0x3F), "keydown 116 3 63", 0},
      {WM_SYSCOMMAND, SC_CLOSE, 0x10002, "syscommand 0xF060 65538", 0},
      {WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h), "ctlcolor 6 dc self",
       reinterpret_cast<LRESULT>(kProbeBrush)},
      {WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h), "ctlcolor 4 dc self",
       reinterpret_cast<LRESULT>(kProbeBrush)},
      {WM_NCHITTEST, 0, MAKELPARAM(15, 25), "nchittest 15 25", HTCAPTION},
      {WM_USER + 5, 2, 3, "five", 5},
      {WM_COMMAND, MAKEWPARAM(kGo, 0), 0, "go", 1},
      {WM_COMMAND, MAKEWPARAM(kRangeFirst + 3, 1), 0, "range 603", 1},
      {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0, "activate 2 null 1", 0},
      {WM_SHOWWINDOW, TRUE, 3, "show 1 3", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    p.wnd.log.clear();
    EXPECT_EQ(::SendMessageW(h, c.msg, c.w, c.l), c.result);
    EXPECT_EQ(p.wnd.Last(), c.expected);
  }
  ::ReleaseDC(h, dc);
}

TEST_F(MessageMaps, PointerArgumentsReachTheHandlerAndItsChangesReturn) {
  ProbeWindow p;
  RECT r{10, 10, 50, 50};
  EXPECT_EQ(p.wnd.SendMessage(WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&r)), TRUE);
  EXPECT_EQ(r.right, 110);
  MINMAXINFO mmi{};
  p.wnd.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 123);

  HWND child = ::CreateWindowExW(0, u"Static", u"", WS_CHILD, 0, 0, 5, 5, p.wnd.m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<uintptr_t>(kNotifier)), nullptr, nullptr);
  NMHDR nm{child, kNotifier, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(p.wnd.SendMessage(WM_NOTIFY, kNotifier, reinterpret_cast<LPARAM>(&nm)), 77);
  EXPECT_EQ(p.wnd.Last(), "notify 700");
  // Another code of the same control is no match.
  nm.code = static_cast<UINT>(NM_DBLCLK);
  p.wnd.log.clear();
  EXPECT_EQ(p.wnd.SendMessage(WM_NOTIFY, kNotifier, reinterpret_cast<LPARAM>(&nm)), 0);
  EXPECT_TRUE(p.wnd.log.empty());
}

TEST_F(MessageMaps, UnmappedMessagesAndIdsGoToTheDefaultProcessing) {
  ProbeWindow p;
  p.wnd.log.clear();
  EXPECT_EQ(p.wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kRangeLast + 1, 0), 0), 0);
  EXPECT_TRUE(p.wnd.log.empty());
  p.wnd.SetWindowText("renamed");
  CStringA text;
  p.wnd.GetWindowText(text);
  EXPECT_STREQ(text, "renamed");
  EXPECT_EQ(p.wnd.GetWindowTextLength(), 7);
}

// ---- reflection ----

namespace {

class CReflectButton : public CButton {
 public:
  int clicks = 0;
  bool passOn = false;
  HBRUSH brush = nullptr;
  UINT colorKind = 99;
  int drawn = 0;

  void DrawItem(LPDRAWITEMSTRUCT dis) override {
    if (dis->hwndItem == m_hWnd) ++drawn;
  }

 protected:
  afx_msg BOOL OnClickedEx() {
    ++clicks;
    return passOn ? FALSE : TRUE;
  }
  afx_msg HBRUSH CtlColor(CDC*, UINT kind) {
    colorKind = kind;
    return brush;
  }
  afx_msg void OnReflectNotify(NMHDR*, LRESULT* result) { *result = 11; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectButton, CButton)
  ON_CONTROL_REFLECT_EX(BN_CLICKED, &CReflectButton::OnClickedEx)
  ON_WM_CTLCOLOR_REFLECT()
  ON_NOTIFY_REFLECT(NM_CLICK, &CReflectButton::OnReflectNotify)
END_MESSAGE_MAP()

class CParent : public CWnd {
 public:
  int clicks = 0;

 protected:
  afx_msg void OnButton() { ++clicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParent, CWnd)
  ON_BN_CLICKED(kButton, &CParent::OnButton)
END_MESSAGE_MAP()

struct Family {
  CParent parent;
  CReflectButton button;
  Family() {
    EXPECT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    EXPECT_TRUE(button.Create("B", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(5, 5, 60, 25), &parent, kButton));
  }
};

}  // namespace

TEST_F(MessageMaps, ControlNotificationIsReflectedToTheControlFirst) {
  Family f;
  f.button.SendMessage(BM_CLICK);
  nux::testing::PumpMessages();
  EXPECT_EQ(f.button.clicks, 1);
  EXPECT_EQ(f.parent.clicks, 0);
  // The _EX handler answering FALSE lets the parent have it too.
  f.button.passOn = true;
  f.button.SendMessage(BM_CLICK);
  nux::testing::PumpMessages();
  EXPECT_EQ(f.button.clicks, 2);
  EXPECT_EQ(f.parent.clicks, 1);
}

TEST_F(MessageMaps, ColourNotifyAndDrawItemAreReflected) {
  Family f;
  HDC dc = ::GetDC(f.parent.m_hWnd);
  f.button.brush = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(0x7070));
  EXPECT_EQ(f.parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(f.button.m_hWnd)),
            0x7070);
  EXPECT_EQ(f.button.colorKind, static_cast<UINT>(CTLCOLOR_BTN));
  // No brush from the control: the parent's default colours.
  f.button.brush = nullptr;
  LRESULT fallback =
      f.parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(f.button.m_hWnd));
  EXPECT_NE(fallback, 0);
  EXPECT_NE(fallback, 0x7070);
  ::ReleaseDC(f.parent.m_hWnd, dc);

  NMHDR nm{f.button.m_hWnd, kButton, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(f.parent.SendMessage(WM_NOTIFY, kButton, reinterpret_cast<LPARAM>(&nm)), 11);

  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = kButton;
  dis.hwndItem = f.button.m_hWnd;
  EXPECT_EQ(f.parent.SendMessage(WM_DRAWITEM, kButton, reinterpret_cast<LPARAM>(&dis)), TRUE);
  EXPECT_EQ(f.button.drawn, 1);
}
