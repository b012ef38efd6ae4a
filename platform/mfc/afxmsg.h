// Message maps: the tables through which a window object (or any command target) answers
// window messages, commands, notifications and messages reflected back from its parent.
//
// A class declares its map with DECLARE_MESSAGE_MAP() and defines it in its source file:
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_WM_TIMER()
//     ON_BN_CLICKED(IDC_GO, &CMyDlg::OnGo)
//     ON_MESSAGE(WM_USER + 5, &CMyDlg::OnFive)
//   END_MESSAGE_MAP()
//
// Each entry holds a small dispatcher made for the handler it names (msgthunks.h); the
// dispatcher cracks wParam/lParam into the handler's arguments, so a handler may use either
// character set's structures (CREATESTRUCTA or CREATESTRUCTW for OnCreate) and the usual
// return types. Maps chain to their base class's map; the first matching entry wins.
#pragma once

#include "base/types.h"
#include "mfc/object.h"

class CCmdTarget;

#ifndef afx_msg
#define afx_msg
#endif

// Reflected messages: a parent hands a control's notification back to the control's own map
// under this offset (ON_CONTROL_REFLECT, ON_NOTIFY_REFLECT, ON_WM_CTLCOLOR_REFLECT ...).
#define WM_REFLECT_BASE 0xBC00
// Sent by a modal loop while it waits (wParam MSGF_DIALOGBOX, lParam the idle count).
#define WM_KICKIDLE 0x036A
#define MSGF_DIALOGBOX 0

// What a dispatcher receives: the message, its arguments and, for commands and notifications,
// the control id and notification code. The dispatcher stores the handler's answer in lResult.
struct AFX_MSGCALL {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  UINT nID = 0;
  UINT nCode = 0;
  void* pExtra = nullptr;  // AFX_NOTIFY for notifications
  LRESULT lResult = 0;
};

// Returns TRUE when the message counts as handled (an _EX handler may say FALSE).
typedef BOOL (*AFX_PMSG)(CCmdTarget* target, AFX_MSGCALL& call);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // window message; WM_COMMAND / WM_NOTIFY; WM_REFLECT_BASE + message
  UINT nCode;     // notification code (commands and notifications)
  UINT nID;       // first control id (commands and notifications)
  UINT nLastID;   // last control id
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// The extra data of a WM_NOTIFY dispatch.
struct AFX_NOTIFY {
  LRESULT* pResult;
  struct tagNMHDR* pNMHDR;
};
struct AFX_CMDHANDLERINFO;

// The entry of a map that matches; nullptr when none does.
const AFX_MSGMAP_ENTRY* AFXAPI AfxFindMessageEntry(const AFX_MSGMAP* map, UINT nMessage, UINT nCode, UINT nID);

#define DECLARE_MESSAGE_MAP()                          \
 protected:                                            \
  static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }   \
  const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() {                            \
    using ThisClass [[maybe_unused]] = theClass;                                      \
    using TheBaseClass = baseClass;                                                   \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                              \
  {0, 0, 0, 0, nullptr}                                                                \
  }                                                                                    \
  ;                                                                                    \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                  \
  }

// ---- window messages -------------------------------------------------------------------
#define NUX_ON_WM(msg, thunk, fn) {msg, 0, 0, 0, &nux::afx::thunk<&ThisClass::fn>},

#define ON_WM_CREATE() NUX_ON_WM(WM_CREATE, Create, OnCreate)
#define ON_WM_DESTROY() NUX_ON_WM(WM_DESTROY, Void, OnDestroy)
#define ON_WM_NCDESTROY() NUX_ON_WM(WM_NCDESTROY, Void, OnNcDestroy)
#define ON_WM_PAINT() NUX_ON_WM(WM_PAINT, Void, OnPaint)
#define ON_WM_NCPAINT() NUX_ON_WM(WM_NCPAINT, Void, OnNcPaint)
#define ON_WM_ERASEBKGND() NUX_ON_WM(WM_ERASEBKGND, EraseBkgnd, OnEraseBkgnd)
#define ON_WM_SIZE() NUX_ON_WM(WM_SIZE, Size, OnSize)
#define ON_WM_SIZING() NUX_ON_WM(WM_SIZING, Sizing, OnSizing)
#define ON_WM_MOVING() NUX_ON_WM(WM_MOVING, Sizing, OnMoving)
#define ON_WM_MOVE() NUX_ON_WM(WM_MOVE, Move, OnMove)
#define ON_WM_TIMER() NUX_ON_WM(WM_TIMER, Timer, OnTimer)
#define ON_WM_LBUTTONDOWN() NUX_ON_WM(WM_LBUTTONDOWN, Mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP() NUX_ON_WM(WM_LBUTTONUP, Mouse, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() NUX_ON_WM(WM_LBUTTONDBLCLK, Mouse, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() NUX_ON_WM(WM_RBUTTONDOWN, Mouse, OnRButtonDown)
#define ON_WM_RBUTTONUP() NUX_ON_WM(WM_RBUTTONUP, Mouse, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() NUX_ON_WM(WM_RBUTTONDBLCLK, Mouse, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() NUX_ON_WM(WM_MBUTTONDOWN, Mouse, OnMButtonDown)
#define ON_WM_MBUTTONUP() NUX_ON_WM(WM_MBUTTONUP, Mouse, OnMButtonUp)
#define ON_WM_MOUSEMOVE() NUX_ON_WM(WM_MOUSEMOVE, Mouse, OnMouseMove)
#define ON_WM_MOUSEHOVER() NUX_ON_WM(WM_MOUSEHOVER, Mouse, OnMouseHover)
#define ON_WM_MOUSELEAVE() NUX_ON_WM(WM_MOUSELEAVE, Void, OnMouseLeave)
#define ON_WM_MOUSEWHEEL() NUX_ON_WM(WM_MOUSEWHEEL, MouseWheel, OnMouseWheel)
#define ON_WM_SETCURSOR() NUX_ON_WM(WM_SETCURSOR, SetCursor, OnSetCursor)
#define ON_WM_NCHITTEST() NUX_ON_WM(WM_NCHITTEST, NcHitTest, OnNcHitTest)
#define ON_WM_NCCALCSIZE() NUX_ON_WM(WM_NCCALCSIZE, NcCalcSize, OnNcCalcSize)
#define ON_WM_NCLBUTTONDOWN() NUX_ON_WM(WM_NCLBUTTONDOWN, NcMouse, OnNcLButtonDown)
#define ON_WM_NCLBUTTONUP() NUX_ON_WM(WM_NCLBUTTONUP, NcMouse, OnNcLButtonUp)
#define ON_WM_NCLBUTTONDBLCLK() NUX_ON_WM(WM_NCLBUTTONDBLCLK, NcMouse, OnNcLButtonDblClk)
#define ON_WM_NCRBUTTONDOWN() NUX_ON_WM(WM_NCRBUTTONDOWN, NcMouse, OnNcRButtonDown)
#define ON_WM_NCMOUSEMOVE() NUX_ON_WM(WM_NCMOUSEMOVE, NcMouse, OnNcMouseMove)
#define ON_WM_NCACTIVATE() NUX_ON_WM(WM_NCACTIVATE, NcActivate, OnNcActivate)
#define ON_WM_GETMINMAXINFO() NUX_ON_WM(WM_GETMINMAXINFO, PtrArg, OnGetMinMaxInfo)
#define ON_WM_WINDOWPOSCHANGING() NUX_ON_WM(WM_WINDOWPOSCHANGING, PtrArg, OnWindowPosChanging)
#define ON_WM_WINDOWPOSCHANGED() NUX_ON_WM(WM_WINDOWPOSCHANGED, PtrArg, OnWindowPosChanged)
#define ON_WM_ACTIVATE() NUX_ON_WM(WM_ACTIVATE, Activate, OnActivate)
#define ON_WM_MOUSEACTIVATE() NUX_ON_WM(WM_MOUSEACTIVATE, MouseActivate, OnMouseActivate)
#define ON_WM_SHOWWINDOW() NUX_ON_WM(WM_SHOWWINDOW, ShowWindow, OnShowWindow)
#define ON_WM_ENABLE() NUX_ON_WM(WM_ENABLE, Enable, OnEnable)
#define ON_WM_CTLCOLOR() NUX_ON_WM(WM_CTLCOLOR, CtlColor, OnCtlColor)
#define ON_WM_KEYDOWN() NUX_ON_WM(WM_KEYDOWN, Key, OnKeyDown)
#define ON_WM_KEYUP() NUX_ON_WM(WM_KEYUP, Key, OnKeyUp)
#define ON_WM_CHAR() NUX_ON_WM(WM_CHAR, Key, OnChar)
#define ON_WM_SYSKEYDOWN() NUX_ON_WM(WM_SYSKEYDOWN, Key, OnSysKeyDown)
#define ON_WM_SYSCHAR() NUX_ON_WM(WM_SYSCHAR, Key, OnSysChar)
#define ON_WM_CLOSE() NUX_ON_WM(WM_CLOSE, Void, OnClose)
#define ON_WM_SYSCOMMAND() NUX_ON_WM(WM_SYSCOMMAND, SysCommand, OnSysCommand)
#define ON_WM_HSCROLL() NUX_ON_WM(WM_HSCROLL, Scroll, OnHScroll)
#define ON_WM_VSCROLL() NUX_ON_WM(WM_VSCROLL, Scroll, OnVScroll)
#define ON_WM_DRAWITEM() NUX_ON_WM(WM_DRAWITEM, DrawItem, OnDrawItem)
#define ON_WM_MEASUREITEM() NUX_ON_WM(WM_MEASUREITEM, MeasureItem, OnMeasureItem)
#define ON_WM_CAPTURECHANGED() NUX_ON_WM(WM_CAPTURECHANGED, WndLParam, OnCaptureChanged)
#define ON_WM_KILLFOCUS() NUX_ON_WM(WM_KILLFOCUS, WndWParam, OnKillFocus)
#define ON_WM_SETFOCUS() NUX_ON_WM(WM_SETFOCUS, WndWParam, OnSetFocus)
#define ON_WM_QUERYDRAGICON() NUX_ON_WM(WM_QUERYDRAGICON, Result, OnQueryDragIcon)
#define ON_WM_GETDLGCODE() NUX_ON_WM(WM_GETDLGCODE, Result, OnGetDlgCode)
#define ON_WM_CONTEXTMENU() NUX_ON_WM(WM_CONTEXTMENU, ContextMenu, OnContextMenu)
#define ON_WM_INITMENUPOPUP() NUX_ON_WM(WM_INITMENUPOPUP, InitMenuPopup, OnInitMenuPopup)
#define ON_WM_ENTERIDLE() NUX_ON_WM(WM_ENTERIDLE, EnterIdle, OnEnterIdle)
#define ON_WM_PARENTNOTIFY() NUX_ON_WM(WM_PARENTNOTIFY, ParentNotify, OnParentNotify)
#define ON_WM_ENTERSIZEMOVE() NUX_ON_WM(WM_ENTERSIZEMOVE, Void, OnEnterSizeMove)
#define ON_WM_EXITSIZEMOVE() NUX_ON_WM(WM_EXITSIZEMOVE, Void, OnExitSizeMove)

// Any message: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) {message, 0, 0, 0, &nux::afx::Message<memberFxn>},

// ---- commands and notifications ----------------------------------------------------------
#define CN_COMMAND 0
// void handler() for a menu/accelerator command or button click with that id.
#define ON_COMMAND(id, memberFxn) {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), &nux::afx::Command<memberFxn>},
// void handler(UINT id) for every id of the range.
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
  {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), &nux::afx::CommandRange<memberFxn>},
// void handler() for one notification code of one control.
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
  {WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id), &nux::afx::Command<memberFxn>},
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn) \
  {WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(idLast), &nux::afx::CommandRange<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)
// void handler(NMHDR*, LRESULT*) for one notification code of one control.
#define ON_NOTIFY(wNotifyCode, id, memberFxn) \
  {WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id), &nux::afx::Notify<memberFxn>},
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn) \
  {WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), (UINT)(idLast), &nux::afx::NotifyRange<memberFxn>},

// ---- reflected to the control itself --------------------------------------------------------
// void handler() (the _EX form: BOOL handler(), FALSE lets the parent handle it too).
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
  {WM_REFLECT_BASE + WM_COMMAND, (UINT)(wNotifyCode), 0, 0, &nux::afx::Command<memberFxn>},
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) \
  {WM_REFLECT_BASE + WM_COMMAND, (UINT)(wNotifyCode), 0, 0, &nux::afx::CommandEx<memberFxn>},
// void handler(NMHDR*, LRESULT*) (the _EX form returns BOOL).
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) \
  {WM_REFLECT_BASE + WM_NOTIFY, (UINT)(wNotifyCode), 0, 0, &nux::afx::Notify<memberFxn>},
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn) \
  {WM_REFLECT_BASE + WM_NOTIFY, (UINT)(wNotifyCode), 0, 0, &nux::afx::NotifyEx<memberFxn>},
// HBRUSH CtlColor(CDC*, UINT nCtlColor); a NULL brush leaves the message to the parent.
#define ON_WM_CTLCOLOR_REFLECT() {WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, &nux::afx::CtlColorReflect<&ThisClass::CtlColor>},
// void DrawItem(LPDRAWITEMSTRUCT), void MeasureItem(LPMEASUREITEMSTRUCT)
#define ON_WM_DRAWITEM_REFLECT() {WM_REFLECT_BASE + WM_DRAWITEM, 0, 0, 0, &nux::afx::PtrArgTrue<&ThisClass::DrawItem>},
#define ON_WM_MEASUREITEM_REFLECT() \
  {WM_REFLECT_BASE + WM_MEASUREITEM, 0, 0, 0, &nux::afx::PtrArgTrue<&ThisClass::MeasureItem>},
// void HScroll(UINT nSBCode, UINT nPos), void VScroll(UINT nSBCode, UINT nPos)
#define ON_WM_HSCROLL_REFLECT() {WM_REFLECT_BASE + WM_HSCROLL, 0, 0, 0, &nux::afx::ScrollReflect<&ThisClass::HScroll>},
#define ON_WM_VSCROLL_REFLECT() {WM_REFLECT_BASE + WM_VSCROLL, 0, 0, 0, &nux::afx::ScrollReflect<&ThisClass::VScroll>},

// nCtlColor values of OnCtlColor.
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6
