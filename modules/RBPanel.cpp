#include "RBPanel.h"

#include "AstroDict.h"
#include "CtrlLayout.h"
#include "NavTree.h"

BEGIN_MESSAGE_MAP(CRBPanel, CPanel)
  ON_NOTIFY(TVN_SELCHANGED, IDC_PANEL_TREE, &CRBPanel::OnSelchangedTree)
END_MESSAGE_MAP()

CRBPanel::CRBPanel(CWnd* pParent) : CPanel(IDD_RBPANEL, pParent) {}

CRBPanel::~CRBPanel() = default;

void CRBPanel::DoDataExchange(CDataExchange* pDX) {
  CPanel::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PANEL_TREE, m_tree);
}

BOOL CRBPanel::OnInitDialog() {
  CPanel::OnInitDialog();
  InitNavTree(m_tree, u"RB_NavTree");
  return TRUE;
}

void CRBPanel::SetupLayout(CCtrlLayout* pLayout) {
  pLayout->SetCtrlGroup(IDC_PANEL_BACKGROUND, 0, 0, 0, 1);
  pLayout->SetCtrlProp(IDC_PANEL_TREE, 0, 0, 0, 1);
}

void CRBPanel::Update(long lContentID, const CString& strObjectID, int bRefill) {
  (void)lContentID;
  (void)bRefill;
  UpdateNavTree(m_tree, u"RB_NavTree", strObjectID, u"CRBPanel::Update");
}

void CRBPanel::OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult) {
  (void)pNMHDR;
  *pResult = 0;
  const CString condition =
      NavTreeCondition(u"SELECT * FROM RB_NavTree WHERE ID=%li", m_tree.GetSelectedID(),
                       u"CRBPanel::OnSelchangedTree");
  if (!condition.IsEmpty()) static_cast<CAstroDict*>(GetParent())->Display(condition, nullptr, 1, 1);
}
