// CWnd: handle maps, creation hook, the class library's window procedure, message routing
// and reflection, modal loops, and the thin wrappers that need more than one call.
#include "mfc/wnd.h"

#include <mutex>
#include <set>
#include <unordered_map>

#include "mfc/afxwin.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
  ON_WM_NCDESTROY()
  ON_WM_CTLCOLOR()
  ON_WM_DRAWITEM()
  ON_WM_MEASUREITEM()
  ON_WM_HSCROLL()
  ON_WM_VSCROLL()
END_MESSAGE_MAP()

namespace {

// Bound objects of every thread (a window's messages run on its own thread, but any thread may
// look a handle up).
std::mutex& MapMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::unordered_map<HWND, CWnd*>& Permanent() {
  static auto* map = new std::unordered_map<HWND, CWnd*>;
  return *map;
}

// Temporary objects of this thread, deleted at its idle time.
struct TempWnds {
  std::unordered_map<HWND, CWnd*> map;
  void Clear() {
    auto old = std::move(map);
    map.clear();
    for (auto& [h, w] : old) {
      w->m_hWnd = nullptr;
      delete w;
    }
  }
  ~TempWnds() { Clear(); }
};
thread_local TempWnds t_temps;

// The message being handled and how deep the dispatch is nested.
thread_local MSG t_lastMsg{};
thread_local int t_dispatchDepth = 0;

// Creation hook state.
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hHook = nullptr;
thread_local bool t_hookBound = false;

LRESULT CbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && t_pWndInit != nullptr) {
    CWnd* pWnd = t_pWndInit;
    t_pWndInit = nullptr;
    HWND hWnd = reinterpret_cast<HWND>(wParam);
    if (pWnd->Attach(hWnd)) {
      pWnd->PreSubclassWindow();
      auto old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
      if (old != &AfxWndProc) pWnd->m_pfnSuper = old;
      t_hookBound = true;
    }
  }
  return ::CallNextHookEx(t_hHook, code, wParam, lParam);
}

}  // namespace

namespace nux::afx {
// Called by the DC temporaries when a dispatch ends (dc.cpp).
void DeleteTempDCsAbove(int depth);
int DispatchDepth() { return t_dispatchDepth; }
}  // namespace nux::afx

// ---- hook --------------------------------------------------------------------------------

void AFXAPI AfxHookWindowCreate(CWnd* pWnd) {
  if (t_hHook == nullptr) t_hHook = ::SetWindowsHookExW(WH_CBT, &CbtFilterHook, nullptr, ::GetCurrentThreadId());
  t_pWndInit = pWnd;
  t_hookBound = false;
}

BOOL AFXAPI AfxUnhookWindowCreate() {
  if (t_hHook != nullptr) {
    ::UnhookWindowsHookEx(t_hHook);
    t_hHook = nullptr;
  }
  t_pWndInit = nullptr;
  bool bound = t_hookBound;
  t_hookBound = false;
  return bound ? TRUE : FALSE;
}

const MSG* AFXAPI AfxGetCurrentMessage() { return &t_lastMsg; }

// ---- window procedure --------------------------------------------------------------------

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  MSG saved = t_lastMsg;
  t_lastMsg = MSG{hWnd, nMsg, wParam, lParam, 0, POINT{0, 0}};
  ++t_dispatchDepth;
  LRESULT result = 0;
  {
    AFX_MAINTAIN_STATE2 state(pWnd->m_pModuleState);
    try {
      result = pWnd->WindowProc(nMsg, wParam, lParam);
    } catch (CException* e) {
      result = AfxProcessWndProcException(e, &t_lastMsg);
    }
    // A class whose own WM_NCDESTROY handler did not reach CWnd::OnNcDestroy is unbound here.
    if (nMsg == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd) pWnd->UnbindAfterDestroy();
  }
  --t_dispatchDepth;
  t_lastMsg = saved;
  nux::afx::DeleteTempDCsAbove(t_dispatchDepth);
  return result;
}

LRESULT AFXAPI AfxProcessWndProcException(CException* e, const MSG* pMsg) {
  LRESULT result = 0;
  if (pMsg->message == WM_CREATE) result = -1;  // the creation fails
  if (pMsg->message == WM_PAINT) ::ValidateRect(pMsg->hwnd, nullptr);
  // A user exception was reported where it was raised; others are shown when they say what.
  if (!e->IsKindOf(RUNTIME_CLASS(CUserException))) {
    WCHAR text[512];
    if (e->GetErrorMessage(text, 512) && text[0] != 0) AfxMessageBoxW(text, MB_ICONEXCLAMATION);
  }
  e->Delete();
  return result;
}

LRESULT AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
  if (pWnd == nullptr) return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
  return AfxCallWndProc(pWnd, hWnd, nMsg, wParam, lParam);
}

INT_PTR AfxDlgProc(HWND hWnd, UINT nMsg, WPARAM, LPARAM) {
  if (nMsg == WM_INITDIALOG) {
    auto* pDlg = DYNAMIC_DOWNCAST(CDialog, CWnd::FromHandlePermanent(hWnd));
    return pDlg ? pDlg->OnInitDialog() : TRUE;
  }
  return FALSE;
}

// ---- construction and handle maps --------------------------------------------------------

CWnd::CWnd() = default;

CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd) {}

CWnd::~CWnd() {
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) {
    // The object goes first: its window goes with it.
    CWnd::DestroyWindow();
  }
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) Detach();
}

HWND CWnd::GetSafeHwnd() const {
  // Callers use this through pointers that may be null (an optional parent).
  const CWnd* self = this;
  asm volatile("" : "+r"(self));
  return self != nullptr ? self->m_hWnd : nullptr;
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd) {
  if (hWnd == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(MapMutex());
  auto it = Permanent().find(hWnd);
  return it == Permanent().end() ? nullptr : it->second;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd) {
  if (hWnd == nullptr) return nullptr;
  if (CWnd* p = FromHandlePermanent(hWnd)) return p;
  auto& temp = t_temps.map[hWnd];
  if (temp == nullptr) {
    temp = new CWnd;
    temp->m_hWnd = hWnd;
  }
  return temp;
}

void PASCAL CWnd::DeleteTempMap() { t_temps.Clear(); }

BOOL CWnd::Attach(HWND hWndNew) {
  if (hWndNew == nullptr || m_hWnd != nullptr) return FALSE;
  {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto [it, inserted] = Permanent().emplace(hWndNew, this);
    if (!inserted) return FALSE;
  }
  m_hWnd = hWndNew;
  m_pModuleState = AfxGetModuleState();
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h != nullptr) {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hWnd = nullptr;
  return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!::IsWindow(hWnd) || !Attach(hWnd)) return FALSE;
  PreSubclassWindow();
  auto old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old != &AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  HWND hWndControl = ::GetDlgItem(CWnd::HwndOf(pParent), static_cast<int>(nID));
  return hWndControl != nullptr && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow() {
  if (m_hWnd == nullptr) return nullptr;
  if (m_pfnSuper != nullptr) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

void CWnd::UnbindAfterDestroy() {
  if (m_hWnd != nullptr && m_pfnSuper != nullptr &&
      reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)) == &AfxWndProc) {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  }
  m_pfnSuper = nullptr;
  Detach();
  nux::afx::ReleaseControlSite(this);
  PostNcDestroy();
}

// ---- creation ----------------------------------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs) {
  if (cs.lpszClass == nullptr) cs.lpszClass = AfxRegisterWndClassW(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW));
  return TRUE;
}

BOOL CWnd::CreateExW(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, int x, int y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
  CREATESTRUCTW cs{};
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = x;
  cs.y = y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.hwndParent = hWndParent;
  cs.hMenu = nIDorHMenu;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = lpParam;
  if (!PreCreateWindow(cs)) return FALSE;
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  AfxUnhookWindowCreate();
  return hWnd != nullptr && m_hWnd == hWnd;
}

BOOL CWnd::CreateExW(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                     CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
  return CreateExW(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, CWnd::HwndOf(pParentWnd),
                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

// ---- message routing ---------------------------------------------------------------------

LRESULT CWnd::Default() { return DefWindowProc(t_lastMsg.message, t_lastMsg.wParam, t_lastMsg.lParam); }

LRESULT CWnd::DefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper != nullptr) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  LRESULT result = 0;
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    result = 1;
  } else if (message == WM_NOTIFY) {
    auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
    if (nmhdr == nullptr || nmhdr->hwndFrom == nullptr || !OnNotify(wParam, lParam, &result)) return FALSE;
  } else {
    AFX_MSGCALL call;
    call.message = message;
    call.wParam = wParam;
    call.lParam = lParam;
    UINT key = message;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
      key = WM_CTLCOLOR;
      call.nCode = message - WM_CTLCOLORMSGBOX;
    }
    const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(GetMessageMap(), key, 0, 0);
    if (entry == nullptr || !entry->pfn(this, call)) return FALSE;
    result = call.lResult;
  }
  if (pResult) *pResult = result;
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT nID = LOWORD(wParam);
  HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
  int nCode = HIWORD(wParam);
  if (hWndCtrl == nullptr) {
    nCode = CN_COMMAND;  // menus and accelerators
  } else if (hWndCtrl != m_hWnd && ReflectLastMsg(hWndCtrl)) {
    return TRUE;  // the control handled its own notification
  }
  return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
  if (nmhdr->hwndFrom != m_hWnd && ReflectLastMsg(nmhdr->hwndFrom, pResult)) return TRUE;
  AFX_NOTIFY notify{pResult, reinterpret_cast<tagNMHDR*>(nmhdr)};
  return OnCmdMsg(static_cast<UINT>(nmhdr->idFrom), static_cast<int>(MAKELONG(LOWORD(nmhdr->code), WM_NOTIFY)),
                  &notify, nullptr);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  AFX_MSGCALL call;
  call.message = message;
  call.wParam = wParam;
  call.lParam = lParam;
  const AFX_MSGMAP* map = GetMessageMap();
  const AFX_MSGMAP_ENTRY* entry = nullptr;
  LRESULT local = 0;
  AFX_NOTIFY notify{pResult ? pResult : &local, nullptr};
  switch (message) {
    case WM_COMMAND:
      call.nCode = HIWORD(wParam);
      entry = AfxFindMessageEntry(map, WM_REFLECT_BASE + WM_COMMAND, call.nCode, 0);
      break;
    case WM_NOTIFY: {
      auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
      call.nCode = nmhdr->code;
      notify.pNMHDR = reinterpret_cast<tagNMHDR*>(nmhdr);
      call.pExtra = &notify;
      entry = AfxFindMessageEntry(map, WM_REFLECT_BASE + WM_NOTIFY, call.nCode, 0);
      if (entry == nullptr || !entry->pfn(this, call)) return FALSE;
      return TRUE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      call.nCode = message - WM_CTLCOLORMSGBOX;
      entry = AfxFindMessageEntry(map, WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0);
      break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
      entry = AfxFindMessageEntry(map, WM_REFLECT_BASE + message, 0, 0);
      break;
    default:
      return FALSE;
  }
  if (entry == nullptr || !entry->pfn(this, call)) return FALSE;
  if (pResult) *pResult = call.lResult;
  return TRUE;
}

BOOL PASCAL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
  CWnd* pWnd = FromHandlePermanent(hWndChild);
  return pWnd != nullptr && pWnd->SendChildNotifyLastMsg(pResult);
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult) {
  return OnChildNotify(t_lastMsg.message, t_lastMsg.wParam, t_lastMsg.lParam, pResult);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
  for (HWND h = pMsg->hwnd; h != nullptr; h = ::GetParent(h)) {
    CWnd* pWnd = FromHandlePermanent(h);
    if (pWnd != nullptr && pWnd->PreTranslateMessage(pMsg)) return TRUE;
    if (h == hWndStop) break;
  }
  return FALSE;
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) const {
  for (HWND h = ::GetTopWindow(m_hWnd); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
    ::SendMessageW(h, message, wParam, lParam);
    if (bDeep && ::GetTopWindow(h) != nullptr) {
      CWnd child(h);
      child.SendMessageToDescendants(message, wParam, lParam, bDeep);
      child.m_hWnd = nullptr;
    }
  }
}

// ---- modal loop --------------------------------------------------------------------------

BOOL CWnd::ContinueModal() { return (m_nFlags & WF_CONTINUEMODAL) != 0; }

void CWnd::EndModalLoop(int nResult) {
  m_nModalResult = nResult;
  if (m_nFlags & WF_CONTINUEMODAL) {
    m_nFlags &= ~WF_CONTINUEMODAL;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
  }
}

int CWnd::RunModalLoop(DWORD dwFlags) {
  bool showOnIdle = (dwFlags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
  HWND hWndParent = ::GetParent(m_hWnd);
  m_nFlags |= WF_MODALLOOP | WF_CONTINUEMODAL;
  LONG idleCount = 0;
  MSG msg;
  while (ContinueModal()) {
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // The queue ran dry: show a dialog that is still hidden, then tell the owner.
      if (showOnIdle) {
        ShowWindow(SW_SHOWNORMAL);
        UpdateWindow();
        showOnIdle = false;
      }
      if (!(dwFlags & MLF_NOIDLEMSG) && hWndParent != nullptr && idleCount == 0)
        ::SendMessageW(hWndParent, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(m_hWnd));
      if (!(dwFlags & MLF_NOKICKIDLE) && m_hWnd != nullptr) SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, idleCount);
      ++idleCount;
      if (!ContinueModal()) break;
    }
    if (!AfxPumpMessage()) {
      // WM_QUIT ends the loop and goes back into the queue for the outer loop.
      ::PostQuitMessage(static_cast<int>(AfxGetCurrentPumpMessage()->wParam));
      m_nModalResult = -1;
      break;
    }
    MSG pumped = *AfxGetCurrentPumpMessage();
    if (AfxIsIdleMessage(&pumped)) idleCount = 0;
  }
  m_nFlags &= ~(WF_MODALLOOP | WF_CONTINUEMODAL);
  return m_nModalResult;
}

// ---- data exchange -----------------------------------------------------------------------

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (CUserException* e) {
    // A validation failed; the exchange already told the user and put the focus there.
    e->Delete();
    return FALSE;
  }
  return TRUE;
}

// ---- text --------------------------------------------------------------------------------

void PASCAL CWnd::ReadWindowText(HWND hWnd, CStringA& rString) {
  if (hWnd == nullptr) {
    rString.Empty();
    return;
  }
  int n = ::GetWindowTextLengthA(hWnd);
  LPSTR buffer = rString.GetBuffer(n + 1);
  int got = ::GetWindowTextA(hWnd, buffer, n + 1);
  rString.ReleaseBuffer(got);
}

void PASCAL CWnd::ReadWindowText(HWND hWnd, CStringW& rString) {
  if (hWnd == nullptr) {
    rString.Empty();
    return;
  }
  int n = ::GetWindowTextLengthW(hWnd);
  LPWSTR buffer = rString.GetBuffer(n + 1);
  int got = ::GetWindowTextW(hWnd, buffer, n + 1);
  rString.ReleaseBuffer(got);
}

int CWnd::ShowMessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType) {
  CStringW caption = lpszCaption ? CStringW(lpszCaption) : AfxGetAppNameW();
  return ::MessageBoxW(m_hWnd, lpszText, caption, nType);
}

int CWnd::ShowMessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  CStringW text(lpszText ? lpszText : "");
  if (lpszCaption == nullptr) return ShowMessageBox(static_cast<LPCWSTR>(text), nullptr, nType);
  CStringW caption(lpszCaption);
  return ShowMessageBox(static_cast<LPCWSTR>(text), static_cast<LPCWSTR>(caption), nType);
}

// ---- geometry and state ------------------------------------------------------------------

CWnd* CWnd::GetTopLevelParent() const {
  HWND h = m_hWnd;
  while (h != nullptr && (::GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
  return FromHandle(h);
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  if (m_nFlags & WF_INITDIALOG) m_nFlags |= WF_SHOWNINIT;
  return ::ShowWindow(m_hWnd, nCmdShow);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  RECT self;
  ::GetWindowRect(m_hWnd, &self);
  int w = self.right - self.left, h = self.bottom - self.top;
  DWORD style = GetStyle();
  RECT area{}, bounds{};
  if (style & WS_CHILD) {
    HWND parent = ::GetParent(m_hWnd);
    ::GetClientRect(parent, &area);
    bounds = area;
    RECT r{(area.left + area.right) / 2 - w / 2, (area.top + area.bottom) / 2 - h / 2, 0, 0};
    ::SetWindowPos(m_hWnd, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  HWND center = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  HMONITOR monitor = ::MonitorFromWindow(center ? center : m_hWnd, MONITOR_DEFAULTTONEAREST);
  ::GetMonitorInfoW(monitor, &mi);
  bounds = mi.rcWork;
  if (center != nullptr && ::IsWindowVisible(center) && !::IsIconic(center))
    ::GetWindowRect(center, &area);
  else
    area = bounds;
  int x = (area.left + area.right) / 2 - w / 2;
  int y = (area.top + area.bottom) / 2 - h / 2;
  // Keep it on the work area.
  if (x + w > bounds.right) x = bounds.right - w;
  if (y + h > bounds.bottom) y = bounds.bottom - h;
  if (x < bounds.left) x = bounds.left;
  if (y < bounds.top) y = bounds.top;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL PASCAL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_STYLE));
  DWORD newStyle = (style & ~dwRemove) | dwAdd;
  if (style == newStyle) return FALSE;
  ::SetWindowLongW(hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
  if (nFlags != 0)
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL PASCAL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_EXSTYLE));
  DWORD newStyle = (style & ~dwRemove) | dwAdd;
  if (style == newStyle) return FALSE;
  ::SetWindowLongW(hWnd, GWL_EXSTYLE, static_cast<LONG>(newStyle));
  if (nFlags != 0)
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) { return ModifyStyle(m_hWnd, dwRemove, dwAdd, nFlags); }

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  return ModifyStyleEx(m_hWnd, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask) const {
  lpScrollInfo->cbSize = sizeof(SCROLLINFO);
  lpScrollInfo->fMask = nMask;
  return ::GetScrollInfo(m_hWnd, nBar, lpScrollInfo);
}

// ---- painting, fonts, menus --------------------------------------------------------------

void CWnd::InvalidateRgn(CRgn* pRgn, BOOL bErase) {
  ::InvalidateRgn(m_hWnd, pRgn ? static_cast<HRGN>(pRgn->m_hObject) : nullptr, bErase);
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, CRgn* prgnUpdate, UINT flags) {
  return ::RedrawWindow(m_hWnd, lpRectUpdate, prgnUpdate ? static_cast<HRGN>(prgnUpdate->m_hObject) : nullptr,
                        flags);
}

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC* pDC) {
  if (pDC == nullptr) return 0;
  int result = ::ReleaseDC(m_hWnd, pDC->m_hDC);
  nux::afx::DeleteTempDC(pDC);
  return result;
}

CDC* CWnd::BeginPaint(LPPAINTSTRUCT lpPaint) { return CDC::FromHandle(::BeginPaint(m_hWnd, lpPaint)); }

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
  ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(pFont ? pFont->m_hObject : nullptr), bRedraw);
}

CFont* CWnd::GetFont() const {
  return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
}

CMenu* CWnd::GetMenu() const { return CMenu::FromHandle(::GetMenu(m_hWnd)); }

BOOL CWnd::SetMenu(CMenu* pMenu) { return ::SetMenu(m_hWnd, pMenu ? pMenu->m_hMenu : nullptr); }

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)); }

// ---- default handlers --------------------------------------------------------------------

int CWnd::OnCreate(CREATESTRUCTW*) { return static_cast<int>(Default()); }
int CWnd::OnCreate(CREATESTRUCTA*) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }

void CWnd::OnNcDestroy() {
  // The main window of a program going away ends the program's message loop.
  if (CWinThread* pThread = AfxGetThread(); pThread != nullptr && pThread->m_pMainWnd == this) {
    pThread->m_pMainWnd = nullptr;
    if (!AfxGetModuleState()->m_bDLL) ::PostQuitMessage(0);
  }
  Default();
  UnbindAfterDestroy();
}

void CWnd::OnPaint() { Default(); }
void CWnd::OnNcPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnSizing(UINT, LPRECT) { Default(); }
void CWnd::OnMoving(UINT, LPRECT) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnMouseHover(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) { Default(); }
void CWnd::OnNcLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnNcLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnNcLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnNcRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnNcMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnNcActivate(BOOL) { return static_cast<BOOL>(Default()); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnWindowPosChanging(WINDOWPOS*) { Default(); }
void CWnd::OnWindowPosChanged(WINDOWPOS*) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT) {
  LRESULT result = 0;
  if (pWnd != nullptr && pWnd->m_hWnd != m_hWnd && ReflectLastMsg(pWnd->m_hWnd, &result))
    return reinterpret_cast<HBRUSH>(result);
  return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }

void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar) {
  if (pScrollBar != nullptr && ReflectLastMsg(pScrollBar->m_hWnd)) return;
  Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar) {
  if (pScrollBar != nullptr && ReflectLastMsg(pScrollBar->m_hWnd)) return;
  Default();
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (lpDrawItemStruct != nullptr && lpDrawItemStruct->CtlType != ODT_MENU &&
      ReflectLastMsg(lpDrawItemStruct->hwndItem))
    return;
  Default();
}

void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
  if (lpMeasureItemStruct != nullptr && lpMeasureItemStruct->CtlType != ODT_MENU) {
    HWND item = ::GetDlgItem(m_hWnd, static_cast<int>(lpMeasureItemStruct->CtlID));
    if (item != nullptr && ReflectLastMsg(item)) return;
  }
  Default();
}

void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
void CWnd::OnEnterIdle(UINT, CWnd*) { Default(); }
void CWnd::OnParentNotify(UINT, LPARAM) { Default(); }
void CWnd::OnEnterSizeMove() { Default(); }
void CWnd::OnExitSizeMove() { Default(); }

// ---- window classes, main window, message boxes -------------------------------------------

LPCWSTR AFXAPI AfxRegisterWndClassW(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  static std::mutex mutex;
  static auto* names = new std::set<std::u16string>;
  HINSTANCE hInst = AfxGetInstanceHandle();
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "Afx:%p:%x:%p:%p:%p", static_cast<void*>(hInst), nClassStyle,
                static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
  std::u16string name = nux::AnsiToWide(buffer);
  std::lock_guard<std::mutex> lock(mutex);
  auto it = names->insert(name).first;
  WNDCLASSW wc{};
  if (!::GetClassInfoW(hInst, it->c_str(), &wc)) {
    wc.style = nClassStyle;
    wc.lpfnWndProc = &::DefWindowProcW;
    wc.hInstance = hInst;
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.lpszClassName = it->c_str();
    ::RegisterClassW(&wc);
  }
  return it->c_str();
}

LPCSTR AFXAPI AfxRegisterWndClassA(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  static std::mutex mutex;
  static auto* names = new std::set<std::string>;
  std::string name = nux::WideToAnsi(AfxRegisterWndClassW(nClassStyle, hCursor, hbrBackground, hIcon));
  std::lock_guard<std::mutex> lock(mutex);
  return names->insert(name).first->c_str();
}

CWnd* AFXAPI AfxGetMainWnd() {
  CWinThread* pThread = AfxGetThread();
  return pThread != nullptr ? pThread->GetMainWnd() : nullptr;
}

int AFXAPI AfxMessageBoxW(LPCWSTR lpszText, UINT nType, UINT nIDHelp) {
  if (CWinApp* app = AfxGetApp()) return app->DoMessageBox(lpszText, nType, nIDHelp);
  return nux::afx::DefaultMessageBox(lpszText, nType);
}

int AFXAPI AfxMessageBoxA(LPCSTR lpszText, UINT nType, UINT nIDHelp) {
  CStringW text(lpszText ? lpszText : "");
  return AfxMessageBoxW(text, nType, nIDHelp);
}

int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  CStringW text;
  text.LoadString(nIDPrompt);
  return AfxMessageBoxW(text, nType, nIDHelp == UINT(-1) ? nIDPrompt : nIDHelp);
}
