#include "StarvaneUpdaterApp.h"

#include <cstdio>
#include <string>

#include "InstallProcedure.h"
#include "Quillon.h"
#include "StarvaneUpdaterDlg.h"

BOOL CStarvaneUpdaterApp::InitInstance() {
  AfxEnableControlContainer();
  // The stop messages go to a message box over the installer's window, and to standard error.
  quillon::SetHaltHandler([](const std::string& text) {
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
    CStringA caption;
    caption.LoadString(kTextCaption);
    CWnd* main = AfxGetMainWnd();
    ::MessageBoxA(main != nullptr ? main->m_hWnd : nullptr, text.c_str(), caption, MB_ICONERROR);
  });

  if (FindInstallerWindow()) {
    CStringA text, caption;
    text.LoadString(kTextOtherInstaller);
    caption.LoadString(kTextCaption);
    ::MessageBoxA(nullptr, text, caption, MB_ICONERROR);
    return FALSE;
  }

  const std::string setupPath = std::string(GetModuleFolder()) + "\\PluginInstaller.ini";
  int icons[2] = {0, 0};
  {
    FormatIn setup(setupPath.c_str(), 0, '!', '}', 65520);
    setup.SetMarginsSpaceDelete(1);
    if (!setup.HasContent()) Halt("File %s is empty\n", setupPath.c_str());
    setup.Readln(icons, 2);
  }

  CStarvaneUpdaterDlg dlg(static_cast<UINT>(icons[0]));
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
