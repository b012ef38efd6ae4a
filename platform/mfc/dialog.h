// CDialog: a window object for a dialog made from a template of the current resource module
// (AfxGetResourceHandle, so AFX_MANAGE_STATE decides whose templates are read), modeless
// (Create) or modal (DoModal), and the data exchange between dialog members and controls.
//
//   class CMyDlg : public CDialog {
//    public:
//     CMyDlg(CWnd* pParent = nullptr) : CDialog(IDD_MY, pParent) {}
//    protected:
//     void DoDataExchange(CDataExchange* pDX) override {
//       CDialog::DoDataExchange(pDX);
//       DDX_Control(pDX, IDC_PROGRESS, m_progress);   // binds the member to the control
//     }
//     BOOL OnInitDialog() override { CDialog::OnInitDialog(); ...; return TRUE; }
//     afx_msg void OnTimer(UINT_PTR nIDEvent);
//     CProgressCtrl m_progress;
//     DECLARE_MESSAGE_MAP()
//   };
//
// Showing: a ShowWindow call made while the dialog is being created (in OnInitDialog) decides
// whether it is visible; without one, a template with WS_VISIBLE is shown once OnInitDialog
// has run, and a modal dialog without it appears when its loop first runs out of messages.
#pragma once

#include <string>

#include "mfc/cstring.h"
#include "mfc/exceptions.h"
#include "mfc/wnd.h"

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog();
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd);
  CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd);
  ~CDialog() override;

  // Modeless; FALSE when the template is missing or a control cannot be made.
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  virtual BOOL Create(LPCWSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  // Runs the dialog modally (its owner disabled meanwhile) and returns the EndDialog value;
  // -1 when the dialog cannot be made.
  virtual INT_PTR DoModal();

  // Default: UpdateData(FALSE), then TRUE (the dialog manager focuses the first control).
  virtual BOOL OnInitDialog();
  // Default: UpdateData(TRUE), then EndDialog(IDOK).
  virtual void OnOK();
  // Default: EndDialog(IDCANCEL).
  virtual void OnCancel();
  void EndDialog(int nResult);

  void GotoDlgCtrl(CWnd* pWndCtrl);
  void NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
  void PrevDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
  void SetDefID(UINT nID) { ::SendMessageW(m_hWnd, DM_SETDEFID, nID, 0); }
  DWORD GetDefID() const { return static_cast<DWORD>(::SendMessageW(m_hWnd, DM_GETDEFID, 0, 0)); }
  void MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

  BOOL PreTranslateMessage(MSG* pMsg) override;

  CWnd* m_pParentWnd = nullptr;

 protected:
  virtual void PreInitDialog();
  afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

  UINT m_nIDHelp = 0;

  DECLARE_MESSAGE_MAP()

 private:
  // Makes the window from the template; parent given as a handle (the modal owner).
  BOOL CreateFromTemplate(HWND hWndParent);
  LPCWSTR TemplateName() const;

  UINT m_nIDTemplate = 0;
  std::u16string m_strTemplateName;  // when the template has a name, not an id
};

// The state of one UpdateData pass.
class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

  BOOL m_bSaveAndValidate;  // TRUE: controls to members
  CWnd* m_pDlgWnd;
  HWND m_idLastControl = nullptr;

  // The control with that id, remembered for Fail; throws CNotSupportedException when the
  // dialog has none.
  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC) { return PrepareCtrl(nIDC); }
  // Ends the exchange: focus to the last prepared control, then CUserException.
  [[noreturn]] void Fail();
};

// Binds the member object to the dialog's control (subclassing it) the first time.
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// The control's text <-> the member.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CStringA& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CStringW& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
// Check boxes and radio groups.
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
