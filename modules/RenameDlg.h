// CRenameDlg: the small modal dialog of the bookmarks window that renames a bookmark and
// changes its type (1 to 6). OK ends it with 1 and keeps the edited title; the close button
// ends it with 0 and keeps nothing.
#pragma once

#include "Checkbox.h"
#include "NUXDialog.h"
#include "NUXEdit.h"

enum {
  IDD_RENAME = 201,
  IDC_RN_BACKGROUND = 1025,
  IDC_RN_CLOSE = 1027,
  IDC_RN_OK = 1037,
  IDC_RN_TITLE = 1059,
  IDC_RN_TYPE1 = 1112,  // to 1117 for type 6
};

class CRenameDlg : public CNUXDialog {
 public:
  CRenameDlg(CWnd* pParent, const CString& strTitle, BYTE nType);
  ~CRenameDlg() override;

  CString GetTitle() const { return m_strTitle; }
  BYTE GetType() const { return m_nType; }
  // The type becomes nType (1 to 6); only its box is checked.
  void SelectType(int nType);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void UpdateTypeChecks();

  void OnClickOK();
  void OnClickClose();
  void OnClickType1() { SelectType(1); }
  void OnClickType2() { SelectType(2); }
  void OnClickType3() { SelectType(3); }
  void OnClickType4() { SelectType(4); }
  void OnClickType5() { SelectType(5); }
  void OnClickType6() { SelectType(6); }
  void OnBackMouseDown(short nButton, short nShift, long x, long y);
  void OnBackMouseMove(short nButton, short nShift, long x, long y);
  void OnBackMouseUp(short nButton, short nShift, long x, long y);
  DECLARE_EVENTSINK_MAP()

 public:
  CNUXEdit m_editTitle;
  CCheckbox m_chkType[6];
  CString m_strTitle;
  BYTE m_nType;
};
