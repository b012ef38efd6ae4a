#include "StarvaneUpdaterApp.h"

#include <string>

#include "InstallProcedure.h"
#include "Quillon.h"
#include "StarvaneUpdaterDlg.h"

BOOL CStarvaneUpdaterApp::InitInstance() {
  AfxEnableControlContainer();

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
    setup.Readln(icons, 2);
  }

  CStarvaneUpdaterDlg dlg(static_cast<UINT>(icons[0]));
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
