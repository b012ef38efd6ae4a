#include "Panel.h"

CPanel::CPanel(UINT nIDTemplate, CWnd* pParent) : CNUXDialogScale(nIDTemplate, pParent) {
  SetFrameWidths(0, 0, 0, 0);
}

CPanel::~CPanel() = default;

void CPanel::Update(long lContentID, const CString& strObjectID, int bRefill) {
  (void)lContentID;
  (void)strObjectID;
  (void)bRefill;
}
