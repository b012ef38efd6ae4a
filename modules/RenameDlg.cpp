#include "RenameDlg.h"

#include "NUXUtils.h"

BEGIN_EVENTSINK_MAP(CRenameDlg, CNUXDialog)
  ON_EVENT(CRenameDlg, IDC_RN_OK, -600, CRenameDlg::OnClickOK, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_CLOSE, -600, CRenameDlg::OnClickClose, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_TYPE1 + 0, -600, CRenameDlg::OnClickType1, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_TYPE1 + 1, -600, CRenameDlg::OnClickType2, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_TYPE1 + 2, -600, CRenameDlg::OnClickType3, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_TYPE1 + 3, -600, CRenameDlg::OnClickType4, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_TYPE1 + 4, -600, CRenameDlg::OnClickType5, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_TYPE1 + 5, -600, CRenameDlg::OnClickType6, VTS_NONE)
  ON_EVENT(CRenameDlg, IDC_RN_BACKGROUND, -605, CRenameDlg::OnBackMouseDown, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CRenameDlg, IDC_RN_BACKGROUND, -606, CRenameDlg::OnBackMouseMove, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
  ON_EVENT(CRenameDlg, IDC_RN_BACKGROUND, -607, CRenameDlg::OnBackMouseUp, VTS_I2 VTS_I2 VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

CRenameDlg::CRenameDlg(CWnd* pParent, const CString& strTitle, BYTE nType)
    : CNUXDialog(IDD_RENAME, pParent), m_strTitle(strTitle), m_nType(nType) {}

CRenameDlg::~CRenameDlg() = default;

void CRenameDlg::DoDataExchange(CDataExchange* pDX) {
  CNUXDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_RN_TITLE, m_editTitle);
  for (int i = 0; i < 6; ++i) DDX_Control(pDX, IDC_RN_TYPE1 + i, m_chkType[i]);
}

BOOL CRenameDlg::OnInitDialog() {
  CNUXDialog::OnInitDialog();
  m_editTitle.SetFontAndColors(u"MS Sans Serif", 10, 400, SwapRGB(0xFFFFFF), SwapRGB(0x575F82), SwapRGB(0x666666),
                               SwapRGB(0xCCCCCC));
  m_editTitle.SetWindowText(m_strTitle);
  UpdateTypeChecks();
  return TRUE;
}

void CRenameDlg::UpdateTypeChecks() {
  for (int i = 0; i < 6; ++i) m_chkType[i].SetCheck(m_nType == i + 1 ? 1 : 0);
}

void CRenameDlg::SelectType(int nType) {
  m_nType = BYTE(nType);
  UpdateTypeChecks();
}

void CRenameDlg::OnClickOK() {
  m_editTitle.GetWindowText(m_strTitle);
  EndDialog(1);
}

void CRenameDlg::OnClickClose() { EndDialog(0); }

void CRenameDlg::OnBackMouseDown(short, short, long x, long y) { StartMove(int(x), int(y)); }
void CRenameDlg::OnBackMouseMove(short, short, long x, long y) { MoveTo(int(x), int(y)); }
void CRenameDlg::OnBackMouseUp(short, short, long, long) { StopMove(); }
