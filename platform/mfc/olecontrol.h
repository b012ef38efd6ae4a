// ActiveX containment (windows that are controls made by class id).
#pragma once

#include "mfc/wnd.h"

namespace nux::afx {
// Lets go of the control a window object was bound to (its window is gone).
void ReleaseControlSite(CWnd* pWnd);
}  // namespace nux::afx
