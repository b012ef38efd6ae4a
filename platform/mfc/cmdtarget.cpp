#include "mfc/cmdtarget.h"

#include "ui/cursor.h"
#include "ui/window.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {
thread_local int t_waitCount = 0;
thread_local HCURSOR t_cursorBeforeWait = nullptr;
}  // namespace

const AFX_MSGMAP_ENTRY* AFXAPI AfxFindMessageEntry(const AFX_MSGMAP* map, UINT nMessage, UINT nCode, UINT nID) {
  for (; map != nullptr; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
      if (e->nMessage == nMessage && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID) return e;
    }
  }
  return nullptr;
}

CCmdTarget::CCmdTarget() = default;
CCmdTarget::~CCmdTarget() = default;

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::DispatchEntry(UINT nMessage, UINT nCode, UINT nID, AFX_MSGCALL& call) {
  const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), nMessage, nCode, nID);
  if (!e) return FALSE;
  call.nID = nID;
  return e->pfn(this, call);
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO*) {
  AFX_MSGCALL call;
  call.nID = nID;
  call.pExtra = pExtra;
  if (HIWORD(static_cast<UINT>(nCode)) == WM_NOTIFY) {
    // Notification codes are negative numbers; the low word holds them sign-extended.
    UINT code = static_cast<UINT>(static_cast<int>(static_cast<short>(LOWORD(static_cast<UINT>(nCode)))));
    call.message = WM_NOTIFY;
    call.nCode = code;
    return DispatchEntry(WM_NOTIFY, code, nID, call);
  }
  call.message = WM_COMMAND;
  call.nCode = static_cast<UINT>(nCode);
  return DispatchEntry(WM_COMMAND, static_cast<UINT>(nCode), nID, call);
}

void CCmdTarget::BeginWaitCursor() {
  HCURSOR previous = ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  if (t_waitCount++ == 0) t_cursorBeforeWait = previous;
}

void CCmdTarget::EndWaitCursor() {
  if (t_waitCount == 0) return;
  if (--t_waitCount == 0) ::SetCursor(t_cursorBeforeWait ? t_cursorBeforeWait : LoadCursorW(nullptr, IDC_ARROW));
}

void CCmdTarget::RestoreWaitCursor() {
  if (t_waitCount > 0) ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}
