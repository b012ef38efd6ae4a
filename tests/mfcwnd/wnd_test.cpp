// Window objects: the handle maps, attaching and subclassing, and who owns what when a window
// or its object goes away.
#include "mfcwnd_fixture.h"

using namespace mfcwndtest;

namespace {

HWND PlainWindow() {
  return ::CreateWindowExW(0, u"Static", u"plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

// Counts the characters it sees and leaves them to the edit control.
class CCountingEdit : public CEdit {
 public:
  int chars = 0;

 protected:
  afx_msg void OnChar(UINT ch, UINT repeat, UINT flags) {
    ++chars;
    CEdit::OnChar(ch, repeat, flags);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCountingEdit, CEdit)
  ON_WM_CHAR()
END_MESSAGE_MAP()

class CSelfOwned : public CWnd {
 public:
  explicit CSelfOwned(bool* deleted) : deleted_(deleted) {}
  ~CSelfOwned() override { *deleted_ = true; }

 protected:
  void PostNcDestroy() override { delete this; }

 private:
  bool* deleted_;
};

// Handles WM_NCDESTROY itself without calling the base handler.
class CForgetfulNcDestroy : public CWnd {
 public:
  int postNcDestroy = 0;

 protected:
  afx_msg void OnNcDestroy() {}
  void PostNcDestroy() override { ++postNcDestroy; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CForgetfulNcDestroy, CWnd)
  ON_WM_NCDESTROY()
END_MESSAGE_MAP()

class CTicker : public CWnd {
 public:
  int ticks = 0;

 protected:
  afx_msg void OnTimer(UINT_PTR id) {
    if (id == 7) ++ticks;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTicker, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()

}  // namespace

class Windows : public MfcTest {};

TEST_F(Windows, FromHandleGivesTheBoundObjectElseOneTemporaryPerHandle) {
  HWND h = PlainWindow();
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  CWnd* temp = CWnd::FromHandle(h);
  ASSERT_NE(temp, nullptr);
  EXPECT_EQ(temp->m_hWnd, h);
  EXPECT_EQ(CWnd::FromHandle(h), temp);
  EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

  CWnd bound;
  ASSERT_TRUE(bound.Attach(h));
  EXPECT_EQ(CWnd::FromHandle(h), &bound);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), &bound);
  CWnd second;
  EXPECT_FALSE(second.Attach(h));  // one object per window
  EXPECT_EQ(bound.Detach(), h);
  EXPECT_EQ(bound.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  EXPECT_TRUE(::IsWindow(h));  // detaching leaves the window alone
  ::DestroyWindow(h);
}

TEST_F(Windows, SubclassingRoutesMessagesThroughTheObjectUntilUnsubclassed) {
  HWND parent = PlainWindow();
  HWND edit = ::CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE, 0, 0, 40, 12, parent,
                                reinterpret_cast<HMENU>(static_cast<uintptr_t>(1000)), nullptr, nullptr);
  CCountingEdit wnd;
  CWnd* parentObj = CWnd::FromHandle(parent);
  ASSERT_TRUE(wnd.SubclassDlgItem(1000, parentObj));
  EXPECT_EQ(wnd.m_hWnd, edit);
  ::SendMessageW(edit, WM_CHAR, 'a', 1);
  EXPECT_EQ(wnd.chars, 1);
  EXPECT_EQ(TextOf(edit), "a");  // the control's own processing still ran
  wnd.SetSel(0, -1);
  int start = -1, end = -1;
  wnd.GetSel(start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 1);

  EXPECT_EQ(wnd.UnsubclassWindow(), edit);
  ::SendMessageW(edit, WM_CHAR, 'b', 1);
  EXPECT_EQ(wnd.chars, 1);
  EXPECT_EQ(TextOf(edit), "b");
  EXPECT_FALSE(wnd.SubclassDlgItem(4711, parentObj));
  ::DestroyWindow(parent);
}

TEST_F(Windows, DestroyedWindowUnbindsItsObjectAndSelfOwnedObjectsDeleteThemselves) {
  bool deleted = false;
  auto* self = new CSelfOwned(&deleted);
  ASSERT_TRUE(self->CreateEx(0, nullptr, "self", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  HWND h = self->m_hWnd;
  ::DestroyWindow(h);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);

  // A subclass that swallows WM_NCDESTROY is unbound all the same.
  CForgetfulNcDestroy forgetful;
  ASSERT_TRUE(forgetful.CreateEx(0, nullptr, "f", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  forgetful.DestroyWindow();
  EXPECT_EQ(forgetful.m_hWnd, nullptr);
  EXPECT_EQ(forgetful.postNcDestroy, 1);
}

TEST_F(Windows, ObjectGoingFirstTakesItsWindowAlong) {
  HWND h;
  {
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "scoped", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    h = wnd.m_hWnd;
  }
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST_F(Windows, ThinWrappersReachTheirWindow) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr, nullptr));
  CStatic label;
  ASSERT_TRUE(label.Create("label", WS_CHILD | WS_VISIBLE, CRect(10, 20, 60, 40), &parent, 1004));
  EXPECT_EQ(parent.GetDlgItem(1004), &label);
  EXPECT_EQ(label.GetDlgCtrlID(), 1004);
  EXPECT_EQ(label.GetParent(), &parent);
  EXPECT_EQ(parent.GetTopWindow(), &label);
  CRect r;
  label.GetWindowRect(&r);
  parent.ScreenToClient(&r);
  EXPECT_EQ(r, CRect(10, 20, 60, 40));
  CStringW text;
  parent.GetDlgItemText(1004, text);
  EXPECT_EQ(Narrow(text), "label");

  EXPECT_TRUE(label.ModifyStyle(0, WS_DISABLED));
  EXPECT_FALSE(label.IsWindowEnabled());
  EXPECT_FALSE(label.ModifyStyle(0, WS_DISABLED));  // no change
  label.ShowWindow(SW_HIDE);
  EXPECT_FALSE(label.IsWindowVisible());
  parent.MoveWindow(5, 6, 70, 80);
  parent.GetWindowRect(&r);
  EXPECT_EQ(r, CRect(5, 6, 75, 86));

  label.SetOwner(&parent);
  EXPECT_EQ(label.GetOwner(), &parent);
  EXPECT_EQ(parent.GetSafeHwnd(), parent.m_hWnd);
  EXPECT_EQ(CWnd::HwndOf(nullptr), nullptr);
}

TEST_F(Windows, TimersRunThroughTheMapOnTheVirtualClock) {
  CTicker ticker;
  ASSERT_TRUE(ticker.CreateEx(0, nullptr, "ticker", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  EXPECT_EQ(ticker.SetTimer(7, 25), 7u);
  nux::testing::AdvanceAndPump(100);
  EXPECT_EQ(ticker.ticks, 4);
  ticker.KillTimer(7);
  nux::testing::AdvanceAndPump(100);
  EXPECT_EQ(ticker.ticks, 4);
}

TEST_F(Windows, MenusFromResourcesAndBuiltByHand) {
  CMenu bar;
  ASSERT_TRUE(bar.LoadMenu(300));
  EXPECT_EQ(bar.GetMenuItemCount(), 1);
  CMenu* file = bar.GetSubMenu(0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->GetMenuItemCount(), 3);
  EXPECT_EQ(file->GetMenuItemID(2), 3002u);
  CStringA label;
  file->GetMenuString(3001, label, MF_BYCOMMAND);
  EXPECT_STREQ(label, "&Open");
  EXPECT_EQ(CMenu::FromHandle(bar.m_hMenu), &bar);

  CMenu popup;
  ASSERT_TRUE(popup.CreatePopupMenu());
  popup.AppendMenu(MF_STRING, 11, "Eins");
  popup.AppendMenu(MF_SEPARATOR);
  popup.AppendMenu(MF_STRING, 12, u"Zwei");
  EXPECT_EQ(popup.GetMenuItemCount(), 3);
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_ID;
  EXPECT_TRUE(popup.GetMenuItemInfo(2, &info, TRUE));
  EXPECT_EQ(info.wID, 12u);
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_CAPTION, 0, 0, 100, 100,
                             nullptr, nullptr));
  nux::ui::QueueMenuChoice(12);
  EXPECT_EQ(popup.TrackPopupMenu(TPM_RETURNCMD, 10, 10, &owner), 12);
  HMENU handle = popup.Detach();
  EXPECT_EQ(popup.m_hMenu, nullptr);
  EXPECT_TRUE(::IsMenu(handle));
  ::DestroyMenu(handle);

  // The system menu of a window with WS_SYSMENU takes entries of its own.
  CMenu* system = owner.GetSystemMenu(FALSE);
  ASSERT_NE(system, nullptr);
  int before = system->GetMenuItemCount();
  system->AppendMenu(MF_SEPARATOR);
  system->AppendMenu(MF_STRING, 0x10, "&About...");
  EXPECT_EQ(system->GetMenuItemCount(), before + 2);
}

namespace {

// Throws the class library's exceptions out of its handlers.
class CThrower : public CWnd {
 public:
  bool failCreate = false;

 protected:
  afx_msg int OnCreate(CREATESTRUCTW*) {
    if (failCreate) AfxThrowMemoryException();
    return 0;
  }
  afx_msg LRESULT OnBoom(WPARAM, LPARAM) { throw new CFileException(CFileException::fileNotFound, -1, u"C:\\fehlt.txt"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrower, CWnd)
  ON_WM_CREATE()
  ON_MESSAGE(WM_USER + 3, &CThrower::OnBoom)
END_MESSAGE_MAP()

}  // namespace

TEST_F(Windows, ExceptionLeavingAHandlerIsReportedAndEndsThere) {
  CThrower wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "thrower", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  EXPECT_EQ(wnd.SendMessage(WM_USER + 3), 0);
  ASSERT_EQ(nux::ui::MessageBoxLog().size(), 1u);
  EXPECT_EQ(nux::ui::MessageBoxLog()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_TRUE(::IsWindow(wnd.m_hWnd));

  CThrower failing;
  failing.failCreate = true;
  EXPECT_FALSE(failing.CreateEx(0, nullptr, "failing", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  EXPECT_EQ(failing.m_hWnd, nullptr);
}

TEST_F(Windows, AnEditHasTheCaretWhileFocusedAndHideCaretHidesIt) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_READONLY, CRect(5, 5, 150, 25), &parent, 1000));
  edit.SetFocus();
  nux::ui::CaretState caret;
  ASSERT_TRUE(nux::ui::GetCaretState(&caret));
  EXPECT_EQ(caret.owner, edit.m_hWnd);
  EXPECT_TRUE(caret.visible());
  edit.HideCaret();
  ASSERT_TRUE(nux::ui::GetCaretState(&caret));
  EXPECT_FALSE(caret.visible());
  edit.ShowCaret();
  ASSERT_TRUE(nux::ui::GetCaretState(&caret));
  EXPECT_TRUE(caret.visible());
  EXPECT_FALSE(::HideCaret(parent.m_hWnd));  // not the owner
  parent.SetFocus();
  EXPECT_FALSE(nux::ui::GetCaretState(&caret));  // gone with the focus
}

TEST_F(Windows, CenterWindowCentresOverTheOwnerWithinTheWorkArea) {
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr));
  CWnd popup;
  ASSERT_TRUE(popup.CreateEx(0, nullptr, "popup", WS_POPUP, 0, 0, 100, 50, owner.m_hWnd, nullptr));
  popup.CenterWindow();
  CRect r;
  popup.GetWindowRect(&r);
  EXPECT_EQ(r, CRect(200, 175, 300, 225));
  // An owner near the screen's corner: the window stays on the work area.
  owner.MoveWindow(-250, -150, 300, 200);
  popup.CenterWindow();
  popup.GetWindowRect(&r);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(popup.m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
  EXPECT_EQ(r.left, mi.rcWork.left);
  EXPECT_EQ(r.top, mi.rcWork.top);
}
