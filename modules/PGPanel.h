// CPGPanel: the picture gallery's side panel, the gallery's navigation tree (table PG_NavTree).
#pragma once

#include "NUXTreeCtrl.h"
#include "Panel.h"

class CPGPanel : public CPanel {
 public:
  explicit CPGPanel(CWnd* pParent);
  ~CPGPanel() override;

  void Update(long lContentID, const CString& strObjectID, int bRefill) override;

  CNUXTreeCtrl m_tree;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void SetupLayout(CCtrlLayout* pLayout) override;

  afx_msg void OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult);
  DECLARE_MESSAGE_MAP()
};
