// The installer's main dialog: a file-name line and a progress bar; the install starts as soon as
// the window shows, and the window cannot be closed while it runs. Also the about box and the
// single-instance look-up through the installer window marker.
#pragma once

#include "mfc/afxwin.h"

// Resources of the installer's dialogs.
enum : UINT {
  IDD_ABOUTBOX = 100,
  IDD_STARVANEUPDATER_DIALOG = 102,
  IDS_ABOUTBOX = 101,
  IDC_FILE_EDIT = 1000,
  IDC_INSTALL_PROGRESS = 1002,
  IDM_ABOUTBOX = 0x0010,
};

// Stored in the main dialog's GWL_USERDATA; another installer finds it there.
constexpr LONG kInstallerWindowMarker = 10111213;

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};

class CStarvaneUpdaterDlg : public CDialog {
 public:
  explicit CStarvaneUpdaterDlg(UINT iconId, CWnd* pParent = nullptr);

  bool busy() const { return m_bBusy; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  DECLARE_MESSAGE_MAP()

  CProgressCtrl m_progress;
  CEdit m_fileEdit;
  HICON m_hIcon;
  bool m_bBusy = false;
};

// True when some top-level window (of any process) carries the installer window marker.
bool FindInstallerWindow();
// The enumeration callback; lParam points to an InstallerWindowSearch. Sets its found flag when
// the window's GWL_USERDATA equals its marker; always asks for the next window.
struct InstallerWindowSearch {
  LONG marker = kInstallerWindowMarker;
  bool found = false;
};
BOOL EnumInstallerWindowsProc(HWND hwnd, LPARAM lParam);

// The whole install with the dialog's controls (RunInstallProcedure behind them): 0 or -1.
int RunInstallation(CEdit& edit, CProgressCtrl& progress);
// Shows the file's name, advances the bar by step, then lets the window breathe for 0.1 s.
void StepProgress(CEdit& edit, CProgressCtrl& progress, const char* name, int step);
// Processes window messages until the given time has passed; false when WM_QUIT arrived.
bool PumpMessages(double seconds);
