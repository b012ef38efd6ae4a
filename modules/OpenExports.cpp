// The exports that open the library's reference windows, and the object popup menu.
#include "BigImageAddress.h"
#include "Globals.h"
#include "NUXSV.h"
#include "mfc/afxwin.h"
#include "ui/window.h"

NUXSV_EXPORT int NUXSV_OpenBigImage(CWnd* pParent, CString strAddress) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  (void)pParent;
  CString path;
  int width = 0, height = 0;
  // Without a picture to show nothing is touched, not even the focus of a window that may not
  // exist.
  if (!ParseBigImageAddress(strAddress, path, width, height)) return 0;
  CWnd* window = nuxsv::G().bigImage;
  if (window != nullptr && window->GetSafeHwnd() != nullptr) window->SetFocus();
  return 0;
}
