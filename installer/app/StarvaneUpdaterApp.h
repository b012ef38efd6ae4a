// The installer's application object: refuses to run beside another installer, then shows the
// main dialog, which runs the install at once; the program ends when the dialog closes.
#pragma once

#include "mfc/afxwin.h"

class CStarvaneUpdaterApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};
