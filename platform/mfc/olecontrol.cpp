#include "mfc/olecontrol.h"

namespace nux::afx {

void ReleaseControlSite(CWnd* pWnd) { pWnd->m_pCtrlSite = nullptr; }

}  // namespace nux::afx
