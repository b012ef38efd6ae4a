#include "NUXSVApp.h"

#include "FlatMenu.h"
#include "Startup.h"
#include "ui/window.h"

BEGIN_MESSAGE_MAP(CNUXSVApp, CWinApp)
END_MESSAGE_MAP()

CNUXSVApp::CNUXSVApp() : CWinApp(nullptr) {}

CNUXSVApp::~CNUXSVApp() = default;

BOOL CNUXSVApp::InitInstance() {
  if (!CheckEngineComponents(NUXSV_REQUIRED_CONTROL_VERSION)) return FALSE;
  AfxEnableControlContainer();
  return CWinApp::InitInstance();
}

int CNUXSVApp::ExitInstance() {
  // The popup menus' window class points into this library: it goes with the library, so that
  // a library loaded again registers it afresh instead of finding the old one.
  UnregisterClassW(CFlatMenu::kClassName, AfxGetInstanceHandle());
  return CWinApp::ExitInstance();
}

CNUXSVApp theApp;
