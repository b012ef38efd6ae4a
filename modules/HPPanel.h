// CHPPanel: the help's side panel, the help's navigation tree (table HP_Nav_Tree).
#pragma once

#include "NUXTreeCtrl.h"
#include "Panel.h"

class CHPPanel : public CPanel {
 public:
  explicit CHPPanel(CWnd* pParent);
  ~CHPPanel() override;

  void Update(long lContentID, const CString& strObjectID, int bRefill) override;

  CNUXTreeCtrl m_tree;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void SetupLayout(CCtrlLayout* pLayout) override;

  afx_msg void OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult);
  DECLARE_MESSAGE_MAP()
};
