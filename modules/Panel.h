// CPanel: the base of the main reference window's side panels, one per module. A panel is a
// child dialog of the main window without a frame of its own; after each display the main
// window tells it which page is shown (Update), so that it selects that page's entry.
#pragma once

#include "NUXDialogScale.h"

// Templates and controls of the side panels.
enum {
  IDD_DCPANEL = 191,
  IDD_PGPANEL = 193,
  IDD_RBPANEL = 195,
  IDD_HPPANEL = 205,
  IDC_PANEL_BACKGROUND = 1025,
  IDC_PANEL_TABLES = 1032,
  IDC_PANEL_LIST = 1033,
  IDC_PANEL_SEEK = 1059,
  IDC_PANEL_TREE = 1084,
};

class CPanel : public CNUXDialogScale {
 public:
  CPanel(UINT nIDTemplate, CWnd* pParent);
  ~CPanel() override;

  // Selects the entry of the page shown; bRefill is 1 right after the panel was made.
  virtual void Update(long lContentID, const CString& strObjectID, int bRefill);
};
