#include "Sv7UpdateAppDlg.h"

#include "TextReader.h"
#include "UpdateFlags.h"
#include "UpdateJob.h"

UINT UpdateThreadProc(LPVOID param) {
  auto* params = static_cast<UpdateThreadParams*>(param);
  {
    UpdateJob job(params->jobString);
    job.Run(params->dialog);
    UpdateDone = 1;
    ::PostMessageA(params->dialog, WM_CLOSE, 0, 0);
  }
  delete params;
  return 0;
}

CSv7UpdateAppDlg::CSv7UpdateAppDlg(const CString& jobString, CWnd* pParent)
    : CDialog(IDD_SV7UPDATEAPP_DIALOG, pParent), m_jobString(jobString) {
  LoadDialogTexts();
  m_hIcon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME)
                        : ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void CSv7UpdateAppDlg::LoadDialogTexts() {
  TextReader reader;
  if (!reader.Open("Starvane7updater.ini")) return;
  char line[512];
  for (int number = 1; number <= 5; ++number) {
    if (reader.ReadLine(line, sizeof line) == TextReader::kEndOfFile) return;
    if (number == 3) m_caption = line;
    if (number == 5) m_status = line;
  }
}

BEGIN_MESSAGE_MAP(CSv7UpdateAppDlg, CDialog)
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_MESSAGE(WM_START_UPDATE, &CSv7UpdateAppDlg::OnStartUpdate)
  ON_MESSAGE(WM_DOWNLOAD_PROGRESS, &CSv7UpdateAppDlg::OnDownloadProgress)
END_MESSAGE_MAP()

void CSv7UpdateAppDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_UPDATE_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_PERCENT, m_percent);
  DDX_Control(pDX, IDC_STATUS, m_statusLine);
}

BOOL CSv7UpdateAppDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  SetWindowText(m_caption);
  ShowWindow(SW_HIDE);  // until the first progress message
  PostMessage(WM_START_UPDATE, 0, 0);
  return TRUE;
}

LRESULT CSv7UpdateAppDlg::OnStartUpdate(WPARAM, LPARAM) {
  auto* params = new UpdateThreadParams{static_cast<LPCSTR>(m_jobString), ::GetCurrentThreadId(), m_hWnd};
  // Started suspended and kept: the application waits on the thread's handle after the dialog
  // has closed, and the handle must stay valid however early the worker ends.
  m_pWorkerThread = AfxBeginThread(UpdateThreadProc, params, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  if (m_pWorkerThread == nullptr) {
    delete params;
    return 0;
  }
  m_pWorkerThread->m_bAutoDelete = FALSE;
  m_pWorkerThread->ResumeThread();
  return 0;
}

LRESULT CSv7UpdateAppDlg::OnDownloadProgress(WPARAM wParam, LPARAM lParam) {
  if (DialogClosed) return 1;
  if (!IsWindowVisible()) ShowWindow(SW_SHOW);
  char status[256] = {};
  ::GetWindowTextA(m_statusLine.m_hWnd, status, sizeof status);
  if (status[0] == '\0') m_statusLine.SetWindowText(m_status);
  int low = 0, high = 0;
  m_progress.GetRange(low, high);
  int position = 0;
  // An expected size of 0 or less (not known yet) leaves the bar and its per cent as they are.
  if (!ProgressPosition(low, high, wParam, lParam, &position)) return 0;
  m_progress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(position), 0);
  CString percent;
  percent.Format("%d %%", position);
  m_percent.SetWindowText(percent);
  return 0;
}

BOOL CSv7UpdateAppDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  // Neither Enter, Escape nor the close box ends the dialog while the update runs; Escape, the
  // close box and the cancel command ask the worker to stop: the running transfer is aborted,
  // nothing later is fetched or started, and the worker's WM_CLOSE then ends the dialog.
  if ((id == IDOK || id == IDCANCEL) && !UpdateDone) {
    if (id == IDCANCEL) CancelRequested = 1;
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

void CSv7UpdateAppDlg::OnPaint() {
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

HCURSOR CSv7UpdateAppDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }
