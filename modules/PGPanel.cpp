#include "PGPanel.h"

#include "AstroDict.h"
#include "CtrlLayout.h"
#include "NavTree.h"

BEGIN_MESSAGE_MAP(CPGPanel, CPanel)
  ON_NOTIFY(TVN_SELCHANGED, IDC_PANEL_TREE, &CPGPanel::OnSelchangedTree)
END_MESSAGE_MAP()

CPGPanel::CPGPanel(CWnd* pParent) : CPanel(IDD_PGPANEL, pParent) {}

CPGPanel::~CPGPanel() = default;

void CPGPanel::DoDataExchange(CDataExchange* pDX) {
  CPanel::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PANEL_TREE, m_tree);
}

BOOL CPGPanel::OnInitDialog() {
  CPanel::OnInitDialog();
  InitNavTree(m_tree, u"PG_NavTree");
  return TRUE;
}

void CPGPanel::SetupLayout(CCtrlLayout* pLayout) {
  pLayout->SetCtrlGroup(IDC_PANEL_BACKGROUND, 0, 0, 0, 1);
  pLayout->SetCtrlProp(IDC_PANEL_TREE, 0, 0, 0, 1);
}

void CPGPanel::Update(long lContentID, const CString& strObjectID, int bRefill) {
  (void)lContentID;
  (void)bRefill;
  UpdateNavTree(m_tree, u"PG_NavTree", strObjectID, u"CPGPanel::Update");
}

void CPGPanel::OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult) {
  (void)pNMHDR;
  *pResult = 0;
  const CString condition =
      NavTreeCondition(u"SELECT * FROM PG_NavTree WHERE ID=%li", m_tree.GetSelectedID(),
                       u"CPGPanel::OnSelchangedTree");
  if (!condition.IsEmpty()) static_cast<CAstroDict*>(GetParent())->Display(condition, nullptr, 1, 1);
}
