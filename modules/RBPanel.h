// CRBPanel: the reference book's side panel, the book's navigation tree (table RB_NavTree).
#pragma once

#include "NUXTreeCtrl.h"
#include "Panel.h"

class CRBPanel : public CPanel {
 public:
  explicit CRBPanel(CWnd* pParent);
  ~CRBPanel() override;

  void Update(long lContentID, const CString& strObjectID, int bRefill) override;

  CNUXTreeCtrl m_tree;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void SetupLayout(CCtrlLayout* pLayout) override;

  afx_msg void OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult);
  DECLARE_MESSAGE_MAP()
};
