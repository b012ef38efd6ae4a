#include "StarvaneUpdaterDlg.h"

#include <string>

#include "InstallProcedure.h"

namespace {

// The install procedure's window: the main dialog's title, its message boxes, file line and bar.
class DialogInstallUi : public InstallUi {
 public:
  DialogInstallUi(CEdit& edit, CProgressCtrl& progress) : edit_(edit), progress_(progress) {}

  std::string LoadText(UINT id) override {
    CStringA text;
    text.LoadString(id);
    return static_cast<LPCSTR>(text);
  }
  void SetTitle(const std::string& title) override {
    if (CWnd* main = AfxGetMainWnd()) main->SetWindowText(title.c_str());
  }
  void ShowMessage(const std::string& text, const std::string& caption, InstallMessage kind) override {
    CWnd* main = AfxGetMainWnd();
    ::MessageBoxA(main ? main->m_hWnd : nullptr, text.c_str(), caption.c_str(),
                  kind == InstallMessage::kError ? MB_ICONERROR : MB_ICONINFORMATION);
  }
  void SetProgressRange(int lower, int upper) override { progress_.SetRange32(lower, upper); }
  void StepProgress(const char* name, int step) override { ::StepProgress(edit_, progress_, name, step); }
  void HideCaret() override { edit_.HideCaret(); }
  void FillProgress() override {
    int lower = 0, upper = 0;
    progress_.GetRange(lower, upper);
    progress_.SetPos(upper - lower);
  }

 private:
  CEdit& edit_;
  CProgressCtrl& progress_;
};

}  // namespace

BOOL EnumInstallerWindowsProc(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<InstallerWindowSearch*>(lParam);
  if (::GetWindowLongA(hwnd, GWL_USERDATA) == search->marker) search->found = true;
  return TRUE;
}

bool FindInstallerWindow() {
  InstallerWindowSearch search;
  ::EnumWindows(EnumInstallerWindowsProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int RunInstallation(CEdit& edit, CProgressCtrl& progress) {
  DialogInstallUi ui(edit, progress);
  CWnd* main = AfxGetMainWnd();
  if (main) main->BeginWaitCursor();
  const int result = RunInstallProcedure(ui);
  if (main) main->EndWaitCursor();
  return result;
}

void StepProgress(CEdit& edit, CProgressCtrl& progress, const char* name, int step) {
  CStringA text;
  text.Format("%s", name);
  edit.SetWindowText(text);
  edit.HideCaret();
  const int position = static_cast<int>(progress.SendMessage(PBM_GETPOS, 0, 0));
  progress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(position + step), 0);
  PumpMessages(0.1);
}

bool PumpMessages(double seconds) {
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000.0);
  bool quit = false;
  while (::GetTickCount64() < end && !quit) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!AfxGetThread()->PumpMessage()) {
        quit = true;
        break;
      }
    }
  }
  return !quit;
}

CStarvaneUpdaterDlg::CStarvaneUpdaterDlg(UINT iconId, CWnd* pParent)
    : CDialog(IDD_STARVANEUPDATER_DIALOG, pParent),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(iconId))) {}

BEGIN_MESSAGE_MAP(CStarvaneUpdaterDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

void CStarvaneUpdaterDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_INSTALL_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_FILE_EDIT, m_fileEdit);
}

LRESULT CStarvaneUpdaterDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETICON) return reinterpret_cast<LRESULT>(m_hIcon);
  return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CStarvaneUpdaterDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ::SetWindowLongA(m_hWnd, GWL_USERDATA, kInstallerWindowMarker);

  if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
    CStringA about;
    about.LoadString(IDS_ABOUTBOX);
    if (!about.IsEmpty()) {
      systemMenu->AppendMenu(MF_SEPARATOR);
      systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, static_cast<LPCSTR>(about));
    }
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  // The install starts as soon as the window shows.
  PostMessage(WM_COMMAND, IDOK, 0);
  return TRUE;
}

void CStarvaneUpdaterDlg::OnOK() {
  // The message pump inside the copy loop can deliver a second IDOK: one install at a time.
  if (m_bBusy) return;
  m_bBusy = true;
  RunInstallation(m_fileEdit, m_progress);
  m_bBusy = false;
  CDialog::OnOK();
}

void CStarvaneUpdaterDlg::OnCancel() {
  if (m_bBusy) return;
  CDialog::OnCancel();
}

void CStarvaneUpdaterDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
    return;
  }
  if ((nID & 0xFFF0) == SC_CLOSE && m_bBusy) return;
  CDialog::OnSysCommand(nID, lParam);
}

void CStarvaneUpdaterDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  CRect rect;
  GetClientRect(&rect);
  const int x = (rect.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (rect.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc.GetSafeHdc(), x, y, m_hIcon);
}

HCURSOR CStarvaneUpdaterDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }

BOOL CStarvaneUpdaterDlg::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  if (nHitTest == HTCLIENT && m_bBusy) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return TRUE;
  }
  return CDialog::OnSetCursor(pWnd, nHitTest, message);
}
