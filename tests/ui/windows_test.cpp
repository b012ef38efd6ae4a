// Window classes, creation and destruction order, the non-client model, SetWindowPos,
// ShowWindow, z-order and the relation calls.
#include <algorithm>

#include "base/errors.h"
#include "gdi/gdi.h"
#include "process/process.h"
#include "ui_fixture.h"

using namespace uitest;

namespace {

class Windows : public UiTest {};

TEST_F(Windows, ClassRegistrationRejectsDuplicatesIgnoringCase) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"MyClass";
  ATOM a = RegisterClassW(&wc);
  EXPECT_NE(a, 0);
  wc.lpszClassName = u"MYCLASS";
  EXPECT_EQ(RegisterClassW(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  HWND h = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(a)), u"x", WS_POPUP, 0, 0, 10, 10,
                           nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  char16_t name[32];
  GetClassNameW(h, name, 32);
  EXPECT_EQ(std::u16string(name), u"MyClass");
  EXPECT_FALSE(UnregisterClassW(u"myclass", nullptr));  // still in use
  DestroyWindow(h);
  EXPECT_TRUE(UnregisterClassW(u"myclass", nullptr));
  EXPECT_EQ(CreateWindowExW(0, u"MyClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), 1407u);
}

TEST_F(Windows, CreationSendsTheMessagesInWindowsOrder) {
  HWND h = Top(10, 20, 200, 100, WS_POPUP | WS_VISIBLE);
  ASSERT_NE(h, nullptr);
  std::vector<UINT> got = Rec().Messages(h);
  std::vector<UINT> prefix = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING};
  ASSERT_GE(got.size(), prefix.size());
  EXPECT_EQ(std::vector<UINT>(got.begin(), got.begin() + prefix.size()), prefix);
  auto at = [&](UINT m) { return std::find(got.begin(), got.end(), m) - got.begin(); };
  EXPECT_LT(at(WM_NCACTIVATE), at(WM_ACTIVATE));
  EXPECT_LT(at(WM_ACTIVATE), at(WM_SETFOCUS));
  EXPECT_EQ(got.back(), static_cast<UINT>(WM_WINDOWPOSCHANGED));
  EXPECT_EQ(GetActiveWindow(), h);
  EXPECT_EQ(GetFocus(), h);
  EXPECT_TRUE(IsWindowVisible(h));
}

TEST_F(Windows, CreateReturningMinusOneFailsAndDestroys) {
  Rec().any = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m == WM_CREATE) {
      *r = -1;
      return true;
    }
    return false;
  };
  EXPECT_EQ(Top(0, 0, 10, 10), nullptr);
  EXPECT_EQ(Rec().Count(WM_DESTROY), 1u);
  EXPECT_EQ(Rec().Count(WM_NCDESTROY), 1u);
}

TEST_F(Windows, DestroySendsDestroyParentFirstAndNcDestroyChildrenFirst) {
  HWND top = Top(0, 0, 100, 100);
  HWND a = Child(top, 1, 0, 0, 10, 10);
  HWND b = Child(a, 2, 0, 0, 5, 5);
  Rec().log.clear();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> seq;
  for (auto& r : Rec().log)
    if (r.msg == WM_DESTROY || r.msg == WM_NCDESTROY) seq.emplace_back(r.hwnd, r.msg);
  std::vector<std::pair<HWND, UINT>> expect = {{top, WM_DESTROY}, {a, WM_DESTROY},    {b, WM_DESTROY},
                                               {b, WM_NCDESTROY}, {a, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(seq, expect);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(b));
}

TEST_F(Windows, ClientAreaFollowsTheStyles) {
  struct Case {
    DWORD style, ex;
    RECT client;  // relative to the window's corner
  } cases[] = {
      {WS_POPUP, 0, {0, 0, 200, 100}},
      {WS_POPUP | WS_BORDER, 0, {1, 1, 199, 99}},
      {WS_POPUP | WS_DLGFRAME, 0, {3, 3, 197, 97}},
      {WS_POPUP | WS_THICKFRAME, 0, {4, 4, 196, 96}},
      {WS_POPUP | WS_CAPTION, 0, {3, 22, 197, 97}},
      {WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, {4, 23, 196, 96}},
      {WS_POPUP, WS_EX_CLIENTEDGE, {2, 2, 198, 98}},
      {WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, {0, 0, 184, 84}},
      {WS_OVERLAPPED, 0, {3, 22, 197, 97}},  // overlapped windows always get a caption
  };
  for (auto& c : cases) {
    HWND h = Top(50, 60, 200, 100, c.style, c.ex);
    ASSERT_NE(h, nullptr);
    RECT wr, cr;
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    POINT o{0, 0};
    ClientToScreen(h, &o);
    EXPECT_EQ(o.x - wr.left, c.client.left) << std::hex << c.style;
    EXPECT_EQ(o.y - wr.top, c.client.top) << std::hex << c.style;
    EXPECT_EQ(cr.right, c.client.right - c.client.left) << std::hex << c.style;
    EXPECT_EQ(cr.bottom, c.client.bottom - c.client.top) << std::hex << c.style;
    RECT adj = {0, 0, cr.right, cr.bottom};
    if (!(c.style & (WS_VSCROLL | WS_HSCROLL))) {
      AdjustWindowRectEx(&adj, c.style, FALSE, c.ex);
      EXPECT_EQ(adj.right - adj.left, 200);
      EXPECT_EQ(adj.bottom - adj.top, 100);
    }
    DestroyWindow(h);
  }
}

TEST_F(Windows, HitTestsOfTheFrame) {
  HWND h = Top(100, 100, 200, 150, WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE);
  struct Case {
    int x, y;
    LRESULT ht;
  } cases[] = {{101, 101, HTTOPLEFT}, {298, 248, HTBOTTOMRIGHT}, {200, 101, HTTOP},   {101, 200, HTLEFT},
               {298, 200, HTRIGHT},   {200, 248, HTBOTTOM},      {200, 110, HTCAPTION}, {200, 200, HTCLIENT},
               {99, 200, HTNOWHERE}};
  for (auto& c : cases)
    EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)), c.ht) << c.x << "," << c.y;
}

TEST_F(Windows, SetWindowPosSendsMoveAndSizeOnlyForWhatChanged) {
  HWND h = Top(0, 0, 100, 100);
  Rec().log.clear();
  SetWindowPos(h, HWND_TOP, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Rec().Messages(h), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
  EXPECT_EQ(Rec().log.back().lParam, MAKELPARAM(30, 40));
  Rec().log.clear();
  SetWindowPos(h, nullptr, 0, 0, 120, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Rec().Messages(h),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE}));
  EXPECT_EQ(Rec().log.back().lParam, MAKELPARAM(120, 80));
  Rec().log.clear();
  SetWindowPos(h, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
  EXPECT_EQ(Rec().Count(WM_WINDOWPOSCHANGING), 0u);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 125);
}

TEST_F(Windows, WindowPosChangingMayAlterTheRequest) {
  HWND h = Top(0, 0, 100, 100);
  Rec().handlers[h] = [](HWND, UINT m, WPARAM, LPARAM l, LRESULT*) {
    if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->x = 77;
    return false;
  };
  SetWindowPos(h, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 77);
  EXPECT_EQ(r.top, 10);
}

TEST_F(Windows, ChildCoordinatesAreRelativeToTheParentClientArea) {
  HWND top = Top(100, 200, 300, 300, WS_POPUP | WS_BORDER | WS_VISIBLE);
  HWND c = Child(top, 7, 10, 20, 50, 40);
  RECT r;
  GetWindowRect(c, &r);
  EXPECT_EQ(r.left, 111);
  EXPECT_EQ(r.top, 221);
  POINT p{0, 0};
  MapWindowPoints(c, top, &p, 1);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 20);
  EXPECT_EQ(GetDlgItem(top, 7), c);
  EXPECT_EQ(GetDlgCtrlID(c), 7);
  EXPECT_EQ(GetParent(c), top);
  EXPECT_TRUE(IsChild(top, c));
}

TEST_F(Windows, ShowWindowCommands) {
  HWND other = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  HWND h = Top(10, 10, 100, 80);
  EXPECT_FALSE(ShowWindow(h, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_EQ(GetActiveWindow(), other);  // shown without activation
  EXPECT_TRUE(ShowWindow(h, SW_SHOW));
  EXPECT_EQ(GetActiveWindow(), h);
  ShowWindow(h, SW_SHOWMINNOACTIVE);
  EXPECT_TRUE(IsIconic(h));
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, -32000);
  ShowWindow(h, SW_RESTORE);
  EXPECT_FALSE(IsIconic(h));
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 110);
  ShowWindow(h, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(h));
  ShowWindow(h, SW_RESTORE);
  GetWindowRect(h, &r);
  EXPECT_EQ(r.bottom, 90);
  EXPECT_TRUE(ShowWindow(h, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_FALSE(ShowWindow(h, SW_HIDE));
}

TEST_F(Windows, ZOrderAndRelations) {
  HWND a = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE);
  HWND b = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE);
  EXPECT_EQ(GetTopWindow(nullptr), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
  BringWindowToTop(a);
  EXPECT_EQ(GetTopWindow(nullptr), a);
  HWND t = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  BringWindowToTop(b);
  EXPECT_EQ(GetTopWindow(nullptr), t);  // topmost windows stay above
  EXPECT_EQ(GetWindow(t, GW_HWNDNEXT), b);
  std::vector<HWND> seen;
  EnumWindows([](HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{t, b, a}));
  // Children keep creation order: the first created is first in z-order (tab order).
  HWND c1 = Child(a, 1, 0, 0, 1, 1), c2 = Child(a, 2, 0, 0, 1, 1);
  EXPECT_EQ(GetWindow(a, GW_CHILD), c1);
  EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
  HWND owned = CreateWindowExW(0, u"Rec", u"owned", WS_POPUP, 0, 0, 1, 1, c1, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), a);  // the owner is the child's top-level window
  SetWindowTextW(a, u"Hauptfenster");
  EXPECT_EQ(FindWindowW(u"REC", u"hauptfenster"), a);
  EXPECT_EQ(FindWindowW(nullptr, u"nothing"), nullptr);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(owned));  // owned windows go with their owner
}

TEST_F(Windows, WindowLongsAndStyleMessages) {
  HWND h = Top(0, 0, 10, 10);
  EXPECT_EQ(SetWindowLongPtrW(h, GWL_USERDATA, 1234), 0);
  EXPECT_EQ(GetWindowLongPtrW(h, GWL_USERDATA), 1234);
  int changing = 0;
  Rec().handlers[h] = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_STYLECHANGING || m == WM_STYLECHANGED) ++changing;
    return false;
  };
  LONG old = SetWindowLongW(h, GWL_STYLE, WS_POPUP | WS_BORDER);
  EXPECT_NE(static_cast<DWORD>(old) & WS_POPUP, 0u);
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_BORDER, static_cast<LONG>(WS_BORDER));
  EXPECT_EQ(GetWindowLongW(h, 400), 0);
  EXPECT_EQ(GetLastError(), 1413u);
}

// A procedure set through the A call gets 8-bit text; the wide caller still sees wide text.
LRESULT AnsiProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_SETTEXT) {
    const char* s = reinterpret_cast<const char*>(l);
    EXPECT_STREQ(s, "Gr\xfc\xdf");
  }
  return DefWindowProcA(h, m, w, l);
}

TEST_F(Windows, TextIsConvertedForAnsiProcedures) {
  HWND h = Top(0, 0, 10, 10);
  SetWindowLongPtrA(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(AnsiProc));
  EXPECT_TRUE(SetWindowTextW(h, u"Gr\u00fc\u00df"));
  char16_t w[16];
  EXPECT_EQ(GetWindowTextW(h, w, 16), 4);
  EXPECT_EQ(std::u16string(w), u"Gr\u00fc\u00df");
  char a[16];
  EXPECT_EQ(GetWindowTextA(h, a, 3), 2);  // truncated and terminated
  EXPECT_STREQ(a, "Gr");
  EXPECT_EQ(GetWindowTextLengthW(h), 4);
}

TEST_F(Windows, WindowFromPointSkipsTransparentAndHiddenWindows) {
  HWND top = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND c = Child(top, 1, 10, 10, 50, 50);
  HWND glass = Child(top, 2, 10, 10, 50, 50);
  Rec().handlers[glass] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m == WM_NCHITTEST) {
      *r = HTTRANSPARENT;
      return true;
    }
    return false;
  };
  EXPECT_EQ(WindowFromPoint(POINT{20, 20}), c);
  ShowWindow(c, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{20, 20}), top);
  EXPECT_EQ(WindowFromPoint(POINT{500, 500}), nullptr);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{20, 20}, CWP_SKIPINVISIBLE), glass);
}

}  // namespace

namespace {

// A class library attaches its objects in the creation hook: the procedure set there sees the
// window's very first messages.
WNDPROC g_original = nullptr;
std::vector<UINT> g_subclassSeen;
LRESULT SubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  g_subclassSeen.push_back(m);
  return CallWindowProcW(g_original, h, m, w, l);
}
HHOOK g_hook = nullptr;
LRESULT CbtProc(int code, WPARAM w, LPARAM l) {
  if (code == HCBT_CREATEWND) {
    HWND h = reinterpret_cast<HWND>(w);
    g_original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  }
  return CallNextHookEx(g_hook, code, w, l);
}

TEST_F(Windows, CreationHookSubclassesBeforeTheFirstMessage) {
  g_subclassSeen.clear();
  g_hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
  ASSERT_NE(g_hook, nullptr);
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  UnhookWindowsHookEx(g_hook);
  ASSERT_NE(h, nullptr);
  ASSERT_FALSE(g_subclassSeen.empty());
  EXPECT_EQ(g_subclassSeen.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(Rec().Count(WM_CREATE, h), 1u);  // the original procedure still runs
  HWND plain = Top(0, 0, 10, 10, WS_POPUP);
  EXPECT_EQ(GetWindowLongPtrW(plain, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(RecProc));
}

}  // namespace

namespace {

TEST_F(Windows, WindowRegionLimitsHitTesting) {
  HWND back = Top(0, 0, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND shaped = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  EXPECT_EQ(WindowFromPoint(POINT{75, 75}), shaped);
  SetWindowRgn(shaped, CreateRectRgn(0, 0, 50, 50), TRUE);  // the window owns the region now
  EXPECT_EQ(WindowFromPoint(POINT{25, 25}), shaped);
  EXPECT_EQ(WindowFromPoint(POINT{75, 75}), back);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(shaped, copy), SIMPLEREGION);
  DeleteObject(copy);
}

}  // namespace

namespace {

TEST_F(Windows, OwnedWindowsStayAboveTheirOwner) {
  HWND owner = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND owned = CreateWindowExW(0, u"Rec", u"owned", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, owner, nullptr, nullptr,
                               nullptr);
  HWND other = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  EXPECT_EQ(GetTopWindow(nullptr), other);
  BringWindowToTop(owner);
  EXPECT_EQ(GetTopWindow(nullptr), owned);
  EXPECT_EQ(GetWindow(owned, GW_HWNDNEXT), owner);
  EXPECT_EQ(GetWindow(owner, GW_HWNDNEXT), other);
  // An owned popup is a top-level window, not a child of its owner.
  EXPECT_EQ(GetTopWindow(owner), nullptr);
  EXPECT_EQ(GetParent(owned), owner);
  std::vector<HWND> top;
  EnumWindows([](HWND h, LPARAM p) { return reinterpret_cast<std::vector<HWND>*>(p)->push_back(h), TRUE; },
              reinterpret_cast<LPARAM>(&top));
  EXPECT_NE(std::find(top.begin(), top.end(), owned), top.end());
}

}  // namespace
