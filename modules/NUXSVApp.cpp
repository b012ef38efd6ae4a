#include "NUXSVApp.h"

#include "Startup.h"

BEGIN_MESSAGE_MAP(CNUXSVApp, CWinApp)
END_MESSAGE_MAP()

CNUXSVApp::CNUXSVApp() : CWinApp(nullptr) {}

CNUXSVApp::~CNUXSVApp() = default;

BOOL CNUXSVApp::InitInstance() {
  if (!CheckEngineComponents(NUXSV_REQUIRED_CONTROL_VERSION)) return FALSE;
  AfxEnableControlContainer();
  return CWinApp::InitInstance();
}

int CNUXSVApp::ExitInstance() { return CWinApp::ExitInstance(); }

CNUXSVApp theApp;
