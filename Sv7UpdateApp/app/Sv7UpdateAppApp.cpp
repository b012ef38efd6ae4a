#include "Sv7UpdateAppApp.h"

#include "Sv7UpdateAppDlg.h"
#include "UpdateFlags.h"

BOOL CSv7UpdateAppApp::InitInstance() {
  AfxEnableControlContainer();
  CCommandLineInfo commandLine;
  ParseCommandLine(commandLine);

  auto* dlg = new CSv7UpdateAppDlg(commandLine.m_strFileName);
  m_pMainWnd = dlg;
  dlg->DoModal();
  m_pMainWnd = nullptr;

  DialogClosed = 1;
  // The worker is at its end once it has closed the dialog; it is waited for in every case, so
  // that it never outlives the dialog whose text it reads.
  if (CWinThread* worker = dlg->worker()) {
    ::WaitForSingleObject(worker->m_hThread, INFINITE);
    delete worker;
  }
  delete dlg;
  return FALSE;
}
