// The library's application object: built when the library is loaded, it runs the start-up
// check, whose failure makes the load fail.
#pragma once

#include "mfc/afxwin.h"

class CNUXSVApp : public CWinApp {
 public:
  CNUXSVApp();
  ~CNUXSVApp() override;
  // The start-up check against the image control version "2.0.7.6"; then control containment
  // and the framework's own start.
  BOOL InitInstance() override;
  int ExitInstance() override;

 protected:
  DECLARE_MESSAGE_MAP()
};

extern CNUXSVApp theApp;
