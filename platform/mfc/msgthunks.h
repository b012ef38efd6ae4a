// The dispatchers behind message-map entries (afxmsg.h): one template per way of cracking a
// message. Each is instantiated with the handler's member-function pointer, so the handler's
// own parameter and result types drive the conversions. Included by the umbrella header after
// the window, device-context, menu and control classes are complete.
#pragma once

#include <tuple>
#include <type_traits>
#include <utility>

#include "base/codepage.h"
#include "mfc/afxmsg.h"
#include "mfc/ctrls.h"
#include "mfc/dc.h"
#include "mfc/menu.h"
#include "mfc/wnd.h"

namespace nux::afx {

template <typename T>
struct Member;
template <typename C, typename R, typename... A>
struct Member<R (C::*)(A...)> {
  using Class = C;
  using Ret = R;
  using Args = std::tuple<A...>;
};

template <auto F>
inline auto* Target(CCmdTarget* t) {
  return static_cast<typename Member<decltype(F)>::Class*>(t);
}

template <typename R>
inline LRESULT ToResult(R r) {
  if constexpr (std::is_pointer_v<R>)
    return reinterpret_cast<LRESULT>(r);
  else
    return static_cast<LRESULT>(r);
}

// Calls the handler; its result (0 for void) as an LRESULT.
template <auto F, typename... A>
inline LRESULT Invoke(CCmdTarget* t, A&&... a) {
  using R = typename Member<decltype(F)>::Ret;
  if constexpr (std::is_void_v<R>) {
    (Target<F>(t)->*F)(std::forward<A>(a)...);
    return 0;
  } else {
    return ToResult((Target<F>(t)->*F)(std::forward<A>(a)...));
  }
}

template <auto F, size_t I>
using ArgOf = std::tuple_element_t<I, typename Member<decltype(F)>::Args>;

inline CPoint PointOf(LPARAM l) { return CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)); }
inline CWnd* WndOf(WPARAM h) { return CWnd::FromHandle(reinterpret_cast<HWND>(h)); }
inline CWnd* WndOfL(LPARAM h) { return CWnd::FromHandle(reinterpret_cast<HWND>(h)); }
inline UINT HitOf(WORD w) { return static_cast<UINT>(static_cast<int>(static_cast<short>(w))); }

template <auto F>
BOOL Void(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t);
  return TRUE;
}

template <auto F>
BOOL Result(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t);
  return TRUE;
}

template <auto F>
BOOL Create(CCmdTarget* t, AFX_MSGCALL& c) {
  using Arg = ArgOf<F, 0>;
  auto* cs = reinterpret_cast<CREATESTRUCTW*>(c.lParam);
  if constexpr (std::is_same_v<std::remove_cv_t<std::remove_pointer_t<Arg>>, CREATESTRUCTA>) {
    // A handler of an 8-bit build sees the creation texts in the ANSI code page.
    std::string name, cls;
    CREATESTRUCTA a{};
    if (cs) {
      a.lpCreateParams = cs->lpCreateParams;
      a.hInstance = cs->hInstance;
      a.hMenu = cs->hMenu;
      a.hwndParent = cs->hwndParent;
      a.cy = cs->cy;
      a.cx = cs->cx;
      a.y = cs->y;
      a.x = cs->x;
      a.style = cs->style;
      a.dwExStyle = cs->dwExStyle;
      if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) name = nux::WideToAnsi(cs->lpszName);
      if (cs->lpszClass && !IS_INTRESOURCE(cs->lpszClass)) cls = nux::WideToAnsi(cs->lpszClass);
      a.lpszName = cs->lpszName ? name.c_str() : nullptr;
      a.lpszClass = cs->lpszClass ? cls.c_str() : nullptr;
    }
    c.lResult = Invoke<F>(t, cs ? &a : nullptr);
  } else {
    c.lResult = Invoke<F>(t, cs);
  }
  return TRUE;
}

template <auto F>
BOOL EraseBkgnd(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, CDC::FromHandle(reinterpret_cast<HDC>(c.wParam)));
  return TRUE;
}

template <auto F>
BOOL Size(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(c.wParam), static_cast<int>(static_cast<short>(LOWORD(c.lParam))),
                        static_cast<int>(static_cast<short>(HIWORD(c.lParam))));
  return TRUE;
}

template <auto F>
BOOL Sizing(CCmdTarget* t, AFX_MSGCALL& c) {
  Invoke<F>(t, static_cast<UINT>(c.wParam), reinterpret_cast<LPRECT>(c.lParam));
  c.lResult = TRUE;
  return TRUE;
}

template <auto F>
BOOL Move(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<int>(static_cast<short>(LOWORD(c.lParam))),
                        static_cast<int>(static_cast<short>(HIWORD(c.lParam))));
  return TRUE;
}

template <auto F>
BOOL Timer(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT_PTR>(c.wParam));
  return TRUE;
}

template <auto F>
BOOL Mouse(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(c.wParam), PointOf(c.lParam));
  return TRUE;
}

template <auto F>
BOOL MouseWheel(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(LOWORD(c.wParam)), static_cast<short>(HIWORD(c.wParam)),
                        PointOf(c.lParam));
  return TRUE;
}

template <auto F>
BOOL SetCursor(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, WndOf(c.wParam), HitOf(LOWORD(c.lParam)), static_cast<UINT>(HIWORD(c.lParam)));
  return TRUE;
}

template <auto F>
BOOL NcHitTest(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, PointOf(c.lParam));
  return TRUE;
}

template <auto F>
BOOL NcCalcSize(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<BOOL>(c.wParam), reinterpret_cast<NCCALCSIZE_PARAMS*>(c.lParam));
  return TRUE;
}

template <auto F>
BOOL NcMouse(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, HitOf(static_cast<WORD>(c.wParam)), PointOf(c.lParam));
  return TRUE;
}

template <auto F>
BOOL NcActivate(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<BOOL>(c.wParam));
  return TRUE;
}

// One pointer argument in lParam (MINMAXINFO*, WINDOWPOS* ...).
template <auto F>
BOOL PtrArg(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, reinterpret_cast<ArgOf<F, 0>>(c.lParam));
  return TRUE;
}

template <auto F>
BOOL PtrArgTrue(CCmdTarget* t, AFX_MSGCALL& c) {
  Invoke<F>(t, reinterpret_cast<ArgOf<F, 0>>(c.lParam));
  c.lResult = TRUE;
  return TRUE;
}

template <auto F>
BOOL Activate(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(LOWORD(c.wParam)), WndOfL(c.lParam), static_cast<BOOL>(HIWORD(c.wParam)));
  return TRUE;
}

template <auto F>
BOOL MouseActivate(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, WndOf(c.wParam), HitOf(LOWORD(c.lParam)), static_cast<UINT>(HIWORD(c.lParam)));
  return TRUE;
}

template <auto F>
BOOL ShowWindow(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<BOOL>(c.wParam), static_cast<UINT>(c.lParam));
  return TRUE;
}

template <auto F>
BOOL Enable(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<BOOL>(c.wParam));
  return TRUE;
}

// nCode carries the CTLCOLOR_ kind.
template <auto F>
BOOL CtlColor(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, CDC::FromHandle(reinterpret_cast<HDC>(c.wParam)), WndOfL(c.lParam), c.nCode);
  return TRUE;
}

template <auto F>
BOOL Key(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(c.wParam), static_cast<UINT>(LOWORD(c.lParam)),
                        static_cast<UINT>(HIWORD(c.lParam)));
  return TRUE;
}

template <auto F>
BOOL SysCommand(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(c.wParam), c.lParam);
  return TRUE;
}

template <auto F>
BOOL Scroll(CCmdTarget* t, AFX_MSGCALL& c) {
  CScrollBar* bar = c.lParam ? static_cast<CScrollBar*>(WndOfL(c.lParam)) : nullptr;
  c.lResult = Invoke<F>(t, static_cast<UINT>(LOWORD(c.wParam)), static_cast<UINT>(HIWORD(c.wParam)), bar);
  return TRUE;
}

template <auto F>
BOOL DrawItem(CCmdTarget* t, AFX_MSGCALL& c) {
  Invoke<F>(t, static_cast<int>(c.wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(c.lParam));
  c.lResult = TRUE;
  return TRUE;
}

template <auto F>
BOOL MeasureItem(CCmdTarget* t, AFX_MSGCALL& c) {
  Invoke<F>(t, static_cast<int>(c.wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(c.lParam));
  c.lResult = TRUE;
  return TRUE;
}

template <auto F>
BOOL WndLParam(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, WndOfL(c.lParam));
  return TRUE;
}

template <auto F>
BOOL WndWParam(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, WndOf(c.wParam));
  return TRUE;
}

template <auto F>
BOOL ContextMenu(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, WndOf(c.wParam), PointOf(c.lParam));
  return TRUE;
}

template <auto F>
BOOL InitMenuPopup(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, CMenu::FromHandle(reinterpret_cast<HMENU>(c.wParam)), static_cast<UINT>(LOWORD(c.lParam)),
                        static_cast<BOOL>(HIWORD(c.lParam)));
  return TRUE;
}

template <auto F>
BOOL EnterIdle(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(c.wParam), WndOfL(c.lParam));
  return TRUE;
}

template <auto F>
BOOL ParentNotify(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, static_cast<UINT>(c.wParam), c.lParam);
  return TRUE;
}

template <auto F>
BOOL Message(CCmdTarget* t, AFX_MSGCALL& c) {
  c.lResult = Invoke<F>(t, c.wParam, c.lParam);
  return TRUE;
}

template <auto F>
BOOL Command(CCmdTarget* t, AFX_MSGCALL&) {
  Invoke<F>(t);
  return TRUE;
}

template <auto F>
BOOL CommandEx(CCmdTarget* t, AFX_MSGCALL&) {
  return Invoke<F>(t) != 0;
}

template <auto F>
BOOL CommandRange(CCmdTarget* t, AFX_MSGCALL& c) {
  Invoke<F>(t, c.nID);
  return TRUE;
}

template <auto F>
BOOL Notify(CCmdTarget* t, AFX_MSGCALL& c) {
  auto* n = static_cast<AFX_NOTIFY*>(c.pExtra);
  Invoke<F>(t, reinterpret_cast<NMHDR*>(n->pNMHDR), n->pResult);
  return TRUE;
}

template <auto F>
BOOL NotifyEx(CCmdTarget* t, AFX_MSGCALL& c) {
  auto* n = static_cast<AFX_NOTIFY*>(c.pExtra);
  return Invoke<F>(t, reinterpret_cast<NMHDR*>(n->pNMHDR), n->pResult) != 0;
}

template <auto F>
BOOL NotifyRange(CCmdTarget* t, AFX_MSGCALL& c) {
  auto* n = static_cast<AFX_NOTIFY*>(c.pExtra);
  Invoke<F>(t, c.nID, reinterpret_cast<NMHDR*>(n->pNMHDR), n->pResult);
  return TRUE;
}

template <auto F>
BOOL CtlColorReflect(CCmdTarget* t, AFX_MSGCALL& c) {
  LRESULT brush = Invoke<F>(t, CDC::FromHandle(reinterpret_cast<HDC>(c.wParam)), c.nCode);
  if (!brush) return FALSE;
  c.lResult = brush;
  return TRUE;
}

template <auto F>
BOOL ScrollReflect(CCmdTarget* t, AFX_MSGCALL& c) {
  Invoke<F>(t, static_cast<UINT>(LOWORD(c.wParam)), static_cast<UINT>(HIWORD(c.wParam)));
  return TRUE;
}

}  // namespace nux::afx
