// The update program's application object: shows the update dialog with the host executable's
// path from the command line and ends when the dialog has closed and the worker has ended.
#pragma once

#include "mfc/afxwin.h"

class CSv7UpdateAppApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};
