// CPanel: the base of the main reference window's side panels, one per module. A panel is a
// child dialog of the main window without a frame of its own; after each display the main
// window tells it which page is shown (Update), so that it selects that page's entry.
#pragma once

#include "NUXDialogScale.h"

class CPanel : public CNUXDialogScale {
 public:
  CPanel(UINT nIDTemplate, CWnd* pParent);
  ~CPanel() override;

  // Selects the entry of the page shown; bRefill is 1 right after the panel was made.
  virtual void Update(long lContentID, const CString& strObjectID, int bRefill);
};
