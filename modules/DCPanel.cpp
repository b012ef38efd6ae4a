#include "DCPanel.h"

#include "AstroDict.h"
#include "ContentDatabase.h"
#include "CtrlLayout.h"
#include "DictListItem.h"
#include "FlatMenu.h"
#include "Globals.h"
#include "ObjectMenu.h"
#include "Report.h"
#include "VariantText.h"

namespace {

const char16_t kWordsQuery[] = u"SELECT * FROM SV_MODULE WHERE ID_TPL LIKE 'DICT' ORDER BY proper_name ASC";
const char16_t kTablesQuery[] = u"SELECT * FROM SV_Module WHERE ID_TPL LIKE 'dctb' ORDER BY proper_name";

CAstroDict* MainWindow(CWnd* panel) { return static_cast<CAstroDict*>(panel->GetParent()); }

}  // namespace

BEGIN_MESSAGE_MAP(CDCPanel, CPanel)
  ON_EN_CHANGE(IDC_PANEL_SEEK, &CDCPanel::OnChangeSeekEdit)
  ON_MESSAGE(WM_LISTWND_CLICK, &CDCPanel::OnClickList)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CDCPanel, CPanel)
  ON_EVENT(CDCPanel, IDC_PANEL_TABLES, DISPID_CLICK, CDCPanel::OnClickTables, VTS_NONE)
END_EVENTSINK_MAP()

CDCPanel::CDCPanel(CWnd* pParent) : CPanel(IDD_DCPANEL, pParent) {}

CDCPanel::~CDCPanel() = default;

void CDCPanel::DoDataExchange(CDataExchange* pDX) {
  CPanel::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PANEL_SEEK, m_editSeek);
  DDX_Control(pDX, IDC_PANEL_TABLES, m_btnTables);
}

BOOL CDCPanel::OnInitDialog() {
  m_list.CreateFromDlgItem(GetContentDatabase(), kWordsQuery, u"ID", u"proper_name", 1, 1, 1, this, IDC_PANEL_LIST, 1,
                           RUNTIME_CLASS(CDictListItem));
  CPanel::OnInitDialog();
  m_editSeek.SetFontAndColors(u"MS Sans Serif", 8, 400, 0x99D7D7, 0x1C221C, 0x666666, 0xCCCCCC);
  return TRUE;
}

void CDCPanel::SetupLayout(CCtrlLayout* pLayout) {
  pLayout->SetCtrlGroup(IDC_PANEL_BACKGROUND, 0, 0, 0, 1);
  pLayout->SetCtrlAnchor(2, int(IDC_PANEL_TABLES), 0);
  pLayout->SetCtrlProp(IDC_PANEL_LIST, 0, 0, 0, 1);
}

void CDCPanel::Update(long lContentID, const CString& strObjectID, int bRefill) {
  (void)strObjectID;
  (void)bRefill;
  if (m_list.GetSafeHwnd() != nullptr) m_list.SelectKey(lContentID, TRUE);
}

void CDCPanel::OnChangeSeekEdit() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  CString text;
  m_editSeek.GetWindowText(text);
  // The typed text is a value: a quote in it stays part of the word.
  const CString criteria = u"proper_name >= '" + SqlLikeValue(text) + u"'";
  m_list.FindFirst(criteria, TRUE);
}

LRESULT CDCPanel::OnClickList(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  CString condition;
  condition.Format(u"ID=%li", long(lParam));
  MainWindow(this)->Display(condition, nullptr, 1, 1);
  return 0;
}

void CDCPanel::OnClickTables() {
  CFlatMenu menu;
  SetMenuStyle(menu);
  CStringArray ids;
  RECT button{};
  m_btnTables.GetWindowRect(&button);

  CDaoDatabase* db = GetContentDatabase();
  if (db == nullptr) return;
  CDaoRecordset rs(db);
  try {
    rs.Open(dbOpenDynaset, kTablesQuery, 0);
    for (int command = 1; !rs.IsEOF(); ++command) {
      CVariantText name, id;
      rs.GetFieldValue(u"proper_name", name);
      rs.GetFieldValue(u"ID_QBZ_SV", id);
      menu.AddItem(0, name.ToString(), command, -1);
      ids.Add(id.ToString());
      rs.MoveNext();
    }
    rs.Close();
  } catch (CException* e) {
    ReportException(e, u"CDCPanel::OnClickTables");
    return;
  }

  CWnd* host = MainWindow(this)->GetParent();
  const int choice = menu.TrackPopup(button.left, button.bottom, host != nullptr ? host->GetSafeHwnd() : nullptr, TRUE,
                                     FALSE, 0);
  // Only a command of an item of this menu names a table.
  if (choice < 1 || choice > int(ids.GetSize())) return;
  const CString condition = u"ID_QBZ_SV LIKE '" + SqlLikeValue(ids[choice - 1]) + u"'";
  MainWindow(this)->Display(condition, nullptr, 1, 1);
}
