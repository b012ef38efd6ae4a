// The update program's dialog: hidden until the first progress message of a file download, then
// a status line, a progress bar and its per cent. The worker thread does the update and talks
// to the dialog only by posted messages and the two flags; the dialog cannot be closed until the
// worker has finished, and the worker's WM_CLOSE ends it.
#pragma once

#include "mfc/afxwin.h"

#include "HttpConnection.h"  // WM_DOWNLOAD_PROGRESS

#define WM_START_UPDATE (WM_USER + 1)

enum : UINT {
  IDD_SV7UPDATEAPP_DIALOG = 102,
  IDR_MAINFRAME = 128,
  IDC_UPDATE_PROGRESS = 1000,
  IDC_PERCENT = 1001,
  IDC_STATUS = 1002,
};

// What the dialog hands to the worker.
struct UpdateThreadParams {
  const char* jobString;  // the dialog's text, read while the dialog lives
  DWORD threadId;         // the dialog's thread
  HWND dialog;
};

// The worker: runs the update job for the dialog, then sets UpdateDone and posts WM_CLOSE to it.
// It owns (and deletes) its parameters.
UINT UpdateThreadProc(LPVOID param);

class CSv7UpdateAppDlg : public CDialog {
 public:
  explicit CSv7UpdateAppDlg(const CString& jobString, CWnd* pParent = nullptr);

  // The worker's thread object (not deleted by itself: the application waits on it and deletes
  // it); null until the update has started.
  CWinThread* worker() const { return m_pWorkerThread; }

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();
  afx_msg LRESULT OnStartUpdate(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnDownloadProgress(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  // Reads the caption (line 3) and the status text (line 5) of "Starvane7updater.ini".
  void LoadDialogTexts();

  CString m_caption;
  CString m_status;
  CString m_jobString;
  CWinThread* m_pWorkerThread = nullptr;
  HICON m_hIcon;
  CProgressCtrl m_progress;
  CStatic m_percent;
  CStatic m_statusLine;
};
