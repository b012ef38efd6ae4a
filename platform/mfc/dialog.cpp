// CDialog and the dialog data exchange.
#include "mfc/dialog.h"

#include <cstdlib>

#include "mfc/afxwin.h"
#include "res/templates.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

namespace {
// Set while a dialog is made: an explicit ShowWindow during its creation happened.
constexpr UINT kExplicitShowFlag = 0x0100;
}  // namespace

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_pParentWnd(pParentWnd), m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate) {}

CDialog::CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd) : m_pParentWnd(pParentWnd) {
  if (IS_INTRESOURCE(lpszTemplateName))
    m_nIDTemplate = LOWORD(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
  else if (lpszTemplateName)
    m_strTemplateName = lpszTemplateName;
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd) : m_pParentWnd(pParentWnd) {
  if (IS_INTRESOURCE(lpszTemplateName))
    m_nIDTemplate = LOWORD(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
  else if (lpszTemplateName)
    m_strTemplateName = nux::AnsiToWide(lpszTemplateName);
}

CDialog::~CDialog() = default;

LPCWSTR CDialog::TemplateName() const {
  if (!m_strTemplateName.empty()) return m_strTemplateName.c_str();
  return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(m_nIDTemplate));
}

BOOL CDialog::CreateFromTemplate(HWND hWndParent) {
  HINSTANCE hInst = AfxGetResourceHandle();
  auto tpl = nux::res::LoadDialogTemplate(hInst, TemplateName());
  if (!tpl) return FALSE;
  const bool templateVisible = (tpl->style & WS_VISIBLE) != 0;
  tpl->style &= ~WS_VISIBLE;
  m_nFlags = (m_nFlags | WF_INITDIALOG) & ~(WF_SHOWNINIT | kExplicitShowFlag);
  AfxHookWindowCreate(this);
  HWND hWnd = nux::ui::CreateDialogFromTemplate(hInst, *tpl, hWndParent, &AfxDlgProc, 0);
  AfxUnhookWindowCreate();
  const bool explicitShow = (m_nFlags & WF_SHOWNINIT) != 0;
  m_nFlags &= ~(WF_INITDIALOG | WF_SHOWNINIT);
  if (hWnd == nullptr || m_hWnd != hWnd) {
    if (hWnd != nullptr && ::IsWindow(hWnd)) ::DestroyWindow(hWnd);
    return FALSE;
  }
  if (explicitShow) {
    m_nFlags |= kExplicitShowFlag;
  } else if (templateVisible) {
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
  }
  return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDTemplate = nIDTemplate;
  m_strTemplateName.clear();
  if (m_nIDHelp == 0) m_nIDHelp = nIDTemplate;
  if (pParentWnd != nullptr) m_pParentWnd = pParentWnd;
  return CreateFromTemplate(CWnd::HwndOf(m_pParentWnd));
}

BOOL CDialog::Create(LPCWSTR lpszTemplateName, CWnd* pParentWnd) {
  if (IS_INTRESOURCE(lpszTemplateName)) return Create(UINT(LOWORD(reinterpret_cast<ULONG_PTR>(lpszTemplateName))), pParentWnd);
  m_strTemplateName = lpszTemplateName ? lpszTemplateName : u"";
  if (pParentWnd != nullptr) m_pParentWnd = pParentWnd;
  return CreateFromTemplate(CWnd::HwndOf(m_pParentWnd));
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd) {
  if (IS_INTRESOURCE(lpszTemplateName)) return Create(UINT(LOWORD(reinterpret_cast<ULONG_PTR>(lpszTemplateName))), pParentWnd);
  std::u16string name = lpszTemplateName ? nux::AnsiToWide(lpszTemplateName) : std::u16string();
  return Create(name.c_str(), pParentWnd);
}

INT_PTR CDialog::DoModal() {
  // The owner: the given parent's top-level window, else the main window.
  HWND hWndParent = CWnd::HwndOf(m_pParentWnd);
  if (hWndParent == nullptr) {
    CWnd* pMain = AfxGetMainWnd();
    if (pMain != nullptr && pMain != this) hWndParent = pMain->m_hWnd;
  }
  while (hWndParent != nullptr && (::GetWindowLongW(hWndParent, GWL_STYLE) & WS_CHILD)) hWndParent = ::GetParent(hWndParent);
  bool enableParent = false;
  if (hWndParent != nullptr && ::IsWindowEnabled(hWndParent)) {
    ::EnableWindow(hWndParent, FALSE);
    enableParent = true;
  }
  m_nModalResult = -1;
  m_nFlags |= WF_CONTINUEMODAL;
  INT_PTR result = -1;
  if (CreateFromTemplate(hWndParent)) {
    if (m_nFlags & WF_CONTINUEMODAL) {
      DWORD flags = (m_nFlags & kExplicitShowFlag) ? 0 : MLF_SHOWONIDLE;
      if (GetStyle() & DS_NOIDLEMSG) flags |= MLF_NOIDLEMSG;
      RunModalLoop(flags);
    }
    result = m_nModalResult;
    if (m_hWnd != nullptr) {
      ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
  }
  m_nFlags &= ~(WF_CONTINUEMODAL | kExplicitShowFlag);
  // The owner gets the input back before the dialog goes, so activation returns to it.
  if (enableParent) ::EnableWindow(hWndParent, TRUE);
  if (hWndParent != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(hWndParent);
  if (m_hWnd != nullptr) DestroyWindow();
  return result;
}

void CDialog::PreInitDialog() {}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
  PreInitDialog();
  // The dialog manager calls OnInitDialog through the dialog procedure.
  return Default();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int nResult) {
  if (m_nFlags & (WF_MODALLOOP | WF_CONTINUEMODAL)) EndModalLoop(nResult);
  m_nModalResult = nResult;
  if (m_hWnd != nullptr) ::EndDialog(m_hWnd, nResult);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl != nullptr) ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
  if (m_hWnd == nullptr || (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))) return FALSE;
  return ::IsDialogMessageW(m_hWnd, pMsg);
}

// ---- data exchange -----------------------------------------------------------------------

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND h = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
  if (h == nullptr) AfxThrowNotSupportedException();
  m_idLastControl = h;
  return h;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_idLastControl != nullptr) {
    ::SetFocus(m_idLastControl);
    if (::SendMessageW(m_idLastControl, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
      ::SendMessageW(m_idLastControl, EM_SETSEL, 0, -1);
  }
  AfxThrowUserException();
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd != nullptr) return;
  HWND h = pDX->PrepareCtrl(nIDC);
  if (!rControl.SubclassWindow(h)) AfxThrowNotSupportedException();
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CStringA& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  CWnd item(h);
  if (pDX->m_bSaveAndValidate)
    item.GetWindowText(value);
  else
    item.SetWindowText(static_cast<LPCSTR>(value));
  item.m_hWnd = nullptr;
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CStringW& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  CWnd item(h);
  if (pDX->m_bSaveAndValidate)
    item.GetWindowText(value);
  else
    item.SetWindowText(static_cast<LPCWSTR>(value));
  item.m_hWnd = nullptr;
}

namespace {

template <typename T>
void ExchangeNumber(CDataExchange* pDX, int nIDC, T& value, bool isSigned) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (!pDX->m_bSaveAndValidate) {
    ::SetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, nIDC, static_cast<UINT>(value), isSigned);
    return;
  }
  (void)h;
  BOOL ok = FALSE;
  UINT got = ::GetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, nIDC, &ok, isSigned);
  if (!ok) {
    AfxMessageBoxW(isSigned ? u"Please enter an integer." : u"Please enter a positive integer.", MB_ICONEXCLAMATION);
    pDX->Fail();
  }
  value = static_cast<T>(got);
}

}  // namespace

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) { ExchangeNumber(pDX, nIDC, value, true); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { ExchangeNumber(pDX, nIDC, value, false); }

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = static_cast<int>(::SendMessageW(h, BM_GETCHECK, 0, 0));
  else
    ::SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}
