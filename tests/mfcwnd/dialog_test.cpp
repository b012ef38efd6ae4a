// Dialogs: modeless and modal creation from the program's templates, the modal loop ended by
// a posted message, a timer or the keyboard, who is shown when, and data exchange.
#include "mfcwnd_fixture.h"

using namespace mfcwndtest;

namespace {

enum { kTestDlg = 200, kVisibleDlg = 201, kEdit = 1000, kBar = 1002, kGo = 1003, kLabel = 1004 };
constexpr UINT kEndMsg = WM_USER + 1;

// Ends itself the way a test asks: from a posted message, a timer or not at all.
class CTestDlg : public CDialog {
 public:
  enum class End { None, Posted, Timer, Escape, Enter };
  End end = End::None;
  bool hideInInit = false;
  bool visibleWhileRunning = false;
  int goClicks = 0;

  CProgressCtrl m_bar;
  CEdit m_edit;
  CStringA m_text = "initial";

  explicit CTestDlg(UINT id = kTestDlg, CWnd* parent = nullptr) : CDialog(id, parent) {}

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    if (GetDlgItem(kBar) == nullptr) return;  // the small template has no controls
    DDX_Control(pDX, kBar, m_bar);
    DDX_Control(pDX, kEdit, m_edit);
    DDX_Text(pDX, kEdit, m_text);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (hideInInit) ShowWindow(SW_HIDE);
    if (end == End::Posted) PostMessage(kEndMsg, 7);
    if (end == End::Timer) SetTimer(1, 50);
    if (end == End::Escape) PostMessage(WM_KEYDOWN, VK_ESCAPE, 0);
    if (end == End::Enter) {
      m_edit.SetWindowText("typed");
      PostMessage(WM_KEYDOWN, VK_RETURN, 0);
    }
    return TRUE;
  }
  afx_msg LRESULT OnEnd(WPARAM w, LPARAM) {
    visibleWhileRunning = IsWindowVisible() != FALSE;
    EndDialog(static_cast<int>(w));
    return 0;
  }
  afx_msg void OnTimer(UINT_PTR id) {
    KillTimer(id);
    visibleWhileRunning = IsWindowVisible() != FALSE;
    EndDialog(9);
  }
  afx_msg void OnGo() { ++goClicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
  ON_MESSAGE(kEndMsg, &CTestDlg::OnEnd)
  ON_WM_TIMER()
  ON_BN_CLICKED(kGo, &CTestDlg::OnGo)
END_MESSAGE_MAP()

// The owner of modal dialogs: moves the virtual clock on whenever a modal loop runs dry, and
// notes whether it was disabled meanwhile.
class COwner : public CWnd {
 public:
  int idles = 0;
  bool disabledWhileModal = false;

 protected:
  afx_msg void OnEnterIdle(UINT, CWnd*) {
    ++idles;
    if (!IsWindowEnabled()) disabledWhileModal = true;
    ::Sleep(60);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COwner, CWnd)
  ON_WM_ENTERIDLE()
END_MESSAGE_MAP()

}  // namespace

class Dialogs : public MfcTest {
 protected:
  void SetUp() override {
    MfcTest::SetUp();
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  }
  COwner owner;
};

TEST_F(Dialogs, ModalLoopEndsWithTheResultOfEndDialog) {
  struct Case {
    CTestDlg::End end;
    INT_PTR result;
  } cases[] = {
      {CTestDlg::End::Posted, 7},
      {CTestDlg::End::Timer, 9},
      {CTestDlg::End::Escape, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.end));
    CTestDlg dlg(kTestDlg, &owner);
    dlg.end = c.end;
    EXPECT_EQ(dlg.DoModal(), c.result);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_TRUE(owner.IsWindowEnabled());
  }
  EXPECT_TRUE(owner.disabledWhileModal);
}

TEST_F(Dialogs, ModalDialogWithoutTemplateFailsAndLeavesTheOwnerEnabled) {
  CTestDlg dlg(4711, &owner);
  EXPECT_EQ(dlg.DoModal(), -1);
  EXPECT_TRUE(owner.IsWindowEnabled());
  CTestDlg modeless(4711);
  EXPECT_FALSE(modeless.Create(4711, &owner));
}

TEST_F(Dialogs, AShowWindowInOnInitDialogDecidesVisibility) {
  // The template says visible: shown after OnInitDialog unless OnInitDialog hid it.
  CTestDlg shown(kVisibleDlg);
  ASSERT_TRUE(shown.Create(kVisibleDlg, &owner));
  EXPECT_TRUE(shown.IsWindowVisible());
  CTestDlg hidden(kVisibleDlg);
  hidden.hideInInit = true;
  ASSERT_TRUE(hidden.Create(kVisibleDlg, &owner));
  EXPECT_FALSE(hidden.IsWindowVisible());
  nux::testing::PumpMessages();
  EXPECT_FALSE(hidden.IsWindowVisible());

  // A modal dialog without WS_VISIBLE appears once its loop runs dry; one that hid itself stays
  // hidden.
  CTestDlg modal(kTestDlg, &owner);
  modal.end = CTestDlg::End::Timer;
  EXPECT_EQ(modal.DoModal(), 9);
  EXPECT_TRUE(modal.visibleWhileRunning);
  CTestDlg quiet(kVisibleDlg, &owner);
  quiet.end = CTestDlg::End::Timer;
  quiet.hideInInit = true;
  EXPECT_EQ(quiet.DoModal(), 9);
  EXPECT_FALSE(quiet.visibleWhileRunning);
}

TEST_F(Dialogs, DataExchangeBindsControlsAndMovesText) {
  CTestDlg dlg(kTestDlg);
  ASSERT_TRUE(dlg.Create(kTestDlg, &owner));
  HWND bar = ::GetDlgItem(dlg.m_hWnd, kBar);
  EXPECT_EQ(dlg.m_bar.m_hWnd, bar);
  EXPECT_EQ(CWnd::FromHandlePermanent(bar), &dlg.m_bar);
  EXPECT_EQ(TextOf(dlg.m_edit.m_hWnd), "initial");  // UpdateData(FALSE) in OnInitDialog

  dlg.m_bar.SetRange32(0, 10);
  dlg.m_bar.SetPos(4);
  EXPECT_EQ(dlg.m_bar.GetPos(), 4);
  EXPECT_EQ(dlg.m_bar.StepIt(), 4);  // the position before the step
  int low = -1, high = -1;
  dlg.m_bar.GetRange(low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 10);

  dlg.m_edit.SetWindowText("typed");
  EXPECT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_STREQ(dlg.m_text, "typed");

  // The controls' notifications reach the dialog's map.
  ::SendMessageW(::GetDlgItem(dlg.m_hWnd, kGo), BM_CLICK, 0, 0);
  nux::testing::PumpMessages();
  EXPECT_EQ(dlg.goClicks, 1);

  dlg.DestroyWindow();
  EXPECT_EQ(dlg.m_bar.m_hWnd, nullptr);
  EXPECT_EQ(dlg.m_edit.m_hWnd, nullptr);
}

TEST_F(Dialogs, EnterRunsOnOkWhichTakesTheDataAndEndsTheDialog) {
  CTestDlg dlg(kTestDlg, &owner);
  dlg.end = CTestDlg::End::Enter;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_STREQ(dlg.m_text, "typed");
}
