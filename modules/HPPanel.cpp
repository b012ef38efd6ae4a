#include "HPPanel.h"

#include "AstroDict.h"
#include "CtrlLayout.h"
#include "NavTree.h"

BEGIN_MESSAGE_MAP(CHPPanel, CPanel)
  ON_NOTIFY(TVN_SELCHANGED, IDC_PANEL_TREE, &CHPPanel::OnSelchangedTree)
END_MESSAGE_MAP()

CHPPanel::CHPPanel(CWnd* pParent) : CPanel(IDD_HPPANEL, pParent) {}

CHPPanel::~CHPPanel() = default;

void CHPPanel::DoDataExchange(CDataExchange* pDX) {
  CPanel::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PANEL_TREE, m_tree);
}

BOOL CHPPanel::OnInitDialog() {
  CPanel::OnInitDialog();
  InitNavTree(m_tree, u"HP_Nav_Tree");
  return TRUE;
}

void CHPPanel::SetupLayout(CCtrlLayout* pLayout) {
  pLayout->SetCtrlGroup(IDC_PANEL_BACKGROUND, 0, 0, 0, 1);
  pLayout->SetCtrlProp(IDC_PANEL_TREE, 0, 0, 0, 1);
}

void CHPPanel::Update(long lContentID, const CString& strObjectID, int bRefill) {
  (void)lContentID;
  (void)bRefill;
  UpdateNavTree(m_tree, u"HP_Nav_Tree", strObjectID, u"CHPPanel::Update");
}

void CHPPanel::OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult) {
  (void)pNMHDR;
  *pResult = 0;
  const CString condition =
      NavTreeCondition(u"SELECT * FROM HP_Nav_Tree WHERE ID=%li ORDER BY ID ASC", m_tree.GetSelectedID(),
                       u"CHPPanel::OnSelchangedTree");
  if (!condition.IsEmpty()) static_cast<CAstroDict*>(GetParent())->Display(condition, nullptr, 1, 1);
}
