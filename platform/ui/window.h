// The headless window system: window classes, windows with their non-client model, z-order,
// messages and per-thread queues, timers on the platform clock, focus, activation, capture,
// keyboard state and painting with invalid regions.
//
// Every window belongs to the thread that created it; its window procedure runs only on that
// thread. SendMessage to a window of another thread waits until that thread retrieves
// messages (GetMessage, PeekMessage, or a SendMessage of its own). PostMessage and
// PostThreadMessage may be called from any thread.
//
// All windows are wide (UTF-16) inside; a window procedure set through an A function receives
// the text messages (WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, WM_CREATE, WM_NCCREATE,
// WM_CHAR) in Windows-1252, as Windows converts them.
//
// Pixels: a top-level window owns a surface of the drawing layer as large as its window
// rectangle; its child windows draw into the same surface at their offset. Painting follows
// the update-region rules: WM_PAINT (after WM_NCPAINT and WM_ERASEBKGND from BeginPaint) is
// generated for a visible window with a non-empty update region when its thread's queue holds
// nothing else, before WM_TIMER.
#pragma once

#include <functional>
#include <string>

#include "base/types.h"
#include "rc/nuxres.h"  // the style, control and key constants shared with resource scripts

// ---- window procedures and classes -----------------------------------------------
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL (*WNDENUMPROC)(HWND, LPARAM);
#define CALLBACK
#define WINAPI

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_GLOBALCLASS 0x4000
#define CS_DROPSHADOW 0x00020000

typedef struct tagWNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
} WNDCLASSW, *LPWNDCLASSW;

typedef struct tagWNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
} WNDCLASSA, *LPWNDCLASSA;

typedef struct tagWNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
} WNDCLASSEXW;

typedef struct tagWNDCLASSEXA {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
} WNDCLASSEXA;

// ---- styles --------------------------------------------------------------------------
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

#define CW_USEDEFAULT ((int)0x80000000)
#define HWND_DESKTOP ((HWND)0)
#define HWND_MESSAGE ((HWND)(LONG_PTR)-3)
#define HWND_BROADCAST ((HWND)0xffff)

// ---- messages ------------------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SYSCOLORCHANGE 0x0015
#define WM_SHOWWINDOW 0x0018
#define WM_CTLCOLOR 0x0019
#define WM_SETTINGCHANGE 0x001A
#define WM_ACTIVATEAPP 0x001C
#define WM_CANCELMODE 0x001F
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_CHILDACTIVATE 0x0022
#define WM_GETMINMAXINFO 0x0024
#define WM_ICONERASEBKGND 0x0027
#define WM_NEXTDLGCTL 0x0028
#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_QUERYDRAGICON 0x0037
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_NOTIFY 0x004E
#define WM_HELP 0x0053
#define WM_NOTIFYFORMAT 0x0055
#define WM_CONTEXTMENU 0x007B
#define WM_STYLECHANGING 0x007C
#define WM_STYLECHANGED 0x007D
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_NCACTIVATE 0x0086
#define WM_GETDLGCODE 0x0087
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONUP 0x00A2
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_NCRBUTTONDOWN 0x00A4
#define WM_NCRBUTTONUP 0x00A5
#define WM_NCRBUTTONDBLCLK 0x00A6
#define WM_NCMBUTTONDOWN 0x00A7
#define WM_NCMBUTTONUP 0x00A8
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_DEADCHAR 0x0103
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115
#define WM_INITMENU 0x0116
#define WM_INITMENUPOPUP 0x0117
#define WM_MENUSELECT 0x011F
#define WM_MENUCHAR 0x0120
#define WM_ENTERIDLE 0x0121
#define WM_UNINITMENUPOPUP 0x0125
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELAST 0x020A
#define WM_PARENTNOTIFY 0x0210
#define WM_ENTERMENULOOP 0x0211
#define WM_EXITMENULOOP 0x0212
#define WM_SIZING 0x0214
#define WM_CAPTURECHANGED 0x0215
#define WM_MOVING 0x0216
#define WM_ENTERSIZEMOVE 0x0231
#define WM_EXITSIZEMOVE 0x0232
#define WM_MOUSEHOVER 0x02A1
#define WM_MOUSELEAVE 0x02A3
#define WM_CUT 0x0300
#define WM_COPY 0x0301
#define WM_PASTE 0x0302
#define WM_CLEAR 0x0303
#define WM_UNDO 0x0304
#define WM_PRINT 0x0317
#define WM_PRINTCLIENT 0x0318
#define WM_APP 0x8000
#define WM_USER 0x0400

// WM_SETICON / WM_GETICON
#define ICON_SMALL 0
#define ICON_BIG 1
#define ICON_SMALL2 2
// WM_ACTIVATE
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2
// WM_MOUSEACTIVATE results
#define MA_ACTIVATE 1
#define MA_ACTIVATEANDEAT 2
#define MA_NOACTIVATE 3
#define MA_NOACTIVATEANDEAT 4
// WM_SIZE
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
// WM_SIZING edges
#define WMSZ_LEFT 1
#define WMSZ_RIGHT 2
#define WMSZ_TOP 3
#define WMSZ_TOPLEFT 4
#define WMSZ_TOPRIGHT 5
#define WMSZ_BOTTOM 6
#define WMSZ_BOTTOMLEFT 7
#define WMSZ_BOTTOMRIGHT 8
// WM_SYSCOMMAND
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_RESTORE 0xF120
#define SC_KEYMENU 0xF100

// WM_NCHITTEST results
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTSYSMENU 3
#define HTMENU 5
#define HTHSCROLL 6
#define HTVSCROLL 7
#define HTMINBUTTON 8
#define HTMAXBUTTON 9
#define HTLEFT 10
#define HTRIGHT 11
#define HTTOP 12
#define HTTOPLEFT 13
#define HTTOPRIGHT 14
#define HTBOTTOM 15
#define HTBOTTOMLEFT 16
#define HTBOTTOMRIGHT 17
#define HTBORDER 18
#define HTCLOSE 20

// mouse key state in wParam
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010
#define WHEEL_DELTA 120
#define GET_WHEEL_DELTA_WPARAM(w) ((short)HIWORD(w))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

// virtual keys

// ---- structures ----------------------------------------------------------------------
typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *LPMSG;

typedef struct tagCREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;

typedef struct tagCREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
} CREATESTRUCTA, *LPCREATESTRUCTA;

typedef struct tagWINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
} WINDOWPOS, *LPWINDOWPOS;

typedef struct tagNCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos;
} NCCALCSIZE_PARAMS, *LPNCCALCSIZE_PARAMS;

typedef struct tagMINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
} MINMAXINFO, *LPMINMAXINFO;

typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagWINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
} WINDOWPLACEMENT;

typedef struct tagNMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
} NMHDR, *LPNMHDR;

// ---- classes -------------------------------------------------------------------------
// Names compare without case. Registering a name twice gives 0 with ERROR_CLASS_ALREADY_EXISTS.
// The standard classes ("Button", "Edit", "Static", "ScrollBar", "msctls_progress32", "#32770")
// are always registered.
ATOM RegisterClassW(const WNDCLASSW* wc);
ATOM RegisterClassA(const WNDCLASSA* wc);
ATOM RegisterClassExW(const WNDCLASSEXW* wc);
ATOM RegisterClassExA(const WNDCLASSEXA* wc);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSW wc);
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, LPWNDCLASSA wc);
int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount);
int GetClassNameA(HWND hwnd, LPSTR buffer, int maxCount);

#define GCL_HBRBACKGROUND (-10)
#define GCL_HCURSOR (-12)
#define GCL_STYLE (-26)
#define GCLP_HBRBACKGROUND GCL_HBRBACKGROUND
#define GCLP_HCURSOR GCL_HCURSOR
ULONG_PTR GetClassLongPtrW(HWND hwnd, int index);
ULONG_PTR SetClassLongPtrW(HWND hwnd, int index, LONG_PTR value);
#define GetClassLongPtrA GetClassLongPtrW
#define SetClassLongPtrA SetClassLongPtrW
#define GetClassLongW(h, i) ((DWORD)GetClassLongPtrW(h, i))
#define GetClassLongA GetClassLongW

// ---- windows -------------------------------------------------------------------------
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
#define CreateWindowW(c, n, s, x, y, w, h, p, m, i, a) CreateWindowExW(0, c, n, s, x, y, w, h, p, m, i, a)
#define CreateWindowA(c, n, s, x, y, w, h, p, m, i, a) CreateWindowExA(0, c, n, s, x, y, w, h, p, m, i, a)
// Children are destroyed first; each window gets WM_DESTROY before its children and
// WM_NCDESTROY after them (the last message it receives).
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);  // it and all its ancestors have WS_VISIBLE
BOOL IsWindowEnabled(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);  // result: whether it was disabled before
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);

#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWL_ID (-12)
#define GWLP_WNDPROC GWL_WNDPROC
#define GWLP_HINSTANCE GWL_HINSTANCE
#define GWLP_HWNDPARENT GWL_HWNDPARENT
#define GWLP_USERDATA GWL_USERDATA
#define GWLP_ID GWL_ID
#define DWLP_MSGRESULT 0
#define DWL_MSGRESULT 0
#define DWLP_DLGPROC 8
#define DWLP_USER 16
#define DWL_USER 16
// Style changes through GWL_STYLE/GWL_EXSTYLE send WM_STYLECHANGING and WM_STYLECHANGED; a
// non-negative index reads and writes the window's extra bytes (cbWndExtra).
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
LONG GetWindowLongW(HWND hwnd, int index);
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongW(HWND hwnd, int index, LONG value);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount);
int GetWindowTextA(HWND hwnd, LPSTR buffer, int maxCount);
int GetWindowTextLengthW(HWND hwnd);
int GetWindowTextLengthA(HWND hwnd);

// Relations. GetParent gives the parent of a child window, else the owner of a popup.
HWND GetParent(HWND hwnd);
HWND SetParent(HWND child, HWND newParent);
#define GA_PARENT 1
#define GA_ROOT 2
#define GA_ROOTOWNER 3
HWND GetAncestor(HWND hwnd, UINT flags);
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
#define GW_ENABLEDPOPUP 6
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);  // the first child in z-order; NULL: the top-level window on top
inline HWND GetNextWindow(HWND hwnd, UINT cmd) { return GetWindow(hwnd, cmd); }
HWND GetDesktopWindow();
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND hwnd);
// Windows of other processes on the same platform root: every top-level window is published in
// the root's window table, and EnumWindows and FindWindow(Ex) with no parent see the other
// processes' live ones after this process's own. Such a handle answers IsWindow,
// GetWindowLong(GWL_USERDATA), GetClassName, GetWindowText and GetWindowThreadProcessId;
// messages cannot be sent to it.
//
// Top-level windows in z-order, topmost first; stops when the callback returns FALSE.
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);  // all descendants
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam);
// Top-level windows by class and/or title (either may be NULL), both without case.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
HWND FindWindowA(LPCSTR className, LPCSTR windowName);
HWND FindWindowExW(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName);
HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName);

// Geometry. Window rectangles are in screen coordinates; client rectangles start at (0, 0).
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);

#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)(LONG_PTR)-1)
#define HWND_NOTOPMOST ((HWND)(LONG_PTR)-2)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_DRAWFRAME SWP_FRAMECHANGED
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOCOPYBITS 0x0100
#define SWP_NOOWNERZORDER 0x0200
#define SWP_NOREPOSITION SWP_NOOWNERZORDER
#define SWP_NOSENDCHANGING 0x0400
#define SWP_NOCLIENTSIZE 0x0800
#define SWP_NOCLIENTMOVE 0x1000
#define SWP_DEFERERASE 0x2000
#define SWP_ASYNCWINDOWPOS 0x4000
// WM_WINDOWPOSCHANGING (unless SWP_NOSENDCHANGING; the handler may change the WINDOWPOS), then
// WM_NCCALCSIZE when the size changes or SWP_FRAMECHANGED, then WM_WINDOWPOSCHANGED, whose
// default processing sends WM_MOVE and WM_SIZE. SWP_ASYNCWINDOWPOS on a window of another
// thread posts the request to that thread and returns at once.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND hwnd);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#define SW_FORCEMINIMIZE 11
// Returns whether the window was visible before. A minimized window's rectangle is
// (-32000, -32000) at the size Windows gives icons (160 x 31), as Windows parks it.
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL ShowWindowAsync(HWND hwnd, int cmd);

// Window regions: the window takes ownership of the region. Hit tests outside it miss.
int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw);
int GetWindowRgn(HWND hwnd, HRGN rgn);

// Screen point to the deepest visible, enabled-or-not child whose hit test is not
// HTTRANSPARENT (top-level windows in z-order, then children).
HWND WindowFromPoint(POINT point);
HWND ChildWindowFromPoint(HWND parent, POINT clientPoint);
#define CWP_ALL 0x0000
#define CWP_SKIPINVISIBLE 0x0001
#define CWP_SKIPDISABLED 0x0002
#define CWP_SKIPTRANSPARENT 0x0004
HWND ChildWindowFromPointEx(HWND parent, POINT clientPoint, UINT flags);

// Locks drawing of one window (and its children) until LockWindowUpdate(NULL); invalidations
// meanwhile are kept and painted after the unlock. FALSE when another window is locked.
BOOL LockWindowUpdate(HWND hwnd);

// ---- window procedures ---------------------------------------------------------------
// The default processing of every message the system's windows leave to it: the non-client
// model (WM_NCCREATE stores the title, WM_NCCALCSIZE, WM_NCHITTEST, WM_NCPAINT, WM_GETMINMAXINFO),
// WM_SETTEXT/WM_GETTEXT, WM_PAINT (validates), WM_ERASEBKGND (fills with the class brush),
// WM_CLOSE (DestroyWindow), WM_WINDOWPOSCHANGED (WM_MOVE, WM_SIZE), WM_ACTIVATE (focus),
// WM_SETICON/WM_GETICON (the window's big and small icon),
// WM_SETCURSOR (asks the parent, then sets the class cursor in the client area), WM_MOUSEACTIVATE
// (asks the parent), WM_CTLCOLOR* (system colours), WM_SYSCOMMAND SC_CLOSE (WM_CLOSE) and the
// SC_ size commands.
LRESULT DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- messages and queues -------------------------------------------------------------
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002
LRESULT SendMessageTimeoutW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            DWORD_PTR* result);
// Posts when the window is on another thread (and returns at once), else sends.
BOOL SendNotifyMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// -1 for an invalid window, 0 for WM_QUIT, else 1. Waits (on the platform clock) for a
// message, a timer or a paint.
BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
LRESULT DispatchMessageW(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
// WM_KEYDOWN of a key that gives a character posts WM_CHAR (letters with the shift state,
// digits, space, Enter, Escape, Backspace, Tab); TRUE for every key message.
BOOL TranslateMessage(const MSG* msg);
BOOL WaitMessage();
// Whether the calling thread has a message, paint or timer waiting (QS_ flags as Windows).
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_ALLINPUT 0x04FF
DWORD GetQueueStatus(UINT flags);
BOOL InSendMessage();
BOOL ReplyMessage(LRESULT result);
DWORD GetMessagePos();
LONG GetMessageTime();
UINT RegisterWindowMessageW(LPCWSTR name);
UINT RegisterWindowMessageA(LPCSTR name);

// ---- timers --------------------------------------------------------------------------
// A window timer with the same id replaces the earlier one. Due timers produce one WM_TIMER
// each (never a backlog) when the queue is otherwise empty; the next period starts when the
// message is retrieved. An interval below 10 ms counts as 10 ms (USER_TIMER_MINIMUM).
#define USER_TIMER_MINIMUM 0x0000000A
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// ---- focus, activation, capture, keyboard ---------------------------------------------
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// Pointer-leave tracking: after TrackMouseEvent with TME_LEAVE the window is posted one
// WM_MOUSELEAVE when the pointer leaves its client area (at once when it is not over it), and
// tracking ends with it. The pointer counts as leaving, too, when the window's top-level window
// loses activation or the window is hidden or destroyed. TME_CANCEL ends tracking without the
// message; TME_QUERY fills the structure with the tracking in force.
#define TME_HOVER 0x00000001
#define TME_LEAVE 0x00000002
#define TME_NONCLIENT 0x00000010
#define TME_QUERY 0x40000000
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF
struct TRACKMOUSEEVENT {
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
};
typedef TRACKMOUSEEVENT* LPTRACKMOUSEEVENT;
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);
// High bit set while the key is down, low bit toggled at each press; as of the last input
// message retrieved by the calling thread.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
int ShowCursor(BOOL show);
BOOL ClipCursor(const RECT* rect);

// ---- painting ------------------------------------------------------------------------
// Invalid regions are in client coordinates. With a null rectangle the whole client area.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN rgn);
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase);
// Sends WM_PAINT at once when the update region is not empty.
BOOL UpdateWindow(HWND hwnd);
#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800
BOOL RedrawWindow(HWND hwnd, const RECT* update, HRGN updateRgn, UINT flags);
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// A DC on the client area (GetDC) or the whole window (GetWindowDC); NULL: the screen, which
// has no pixels here (an information context). Free with ReleaseDC.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
#define DCX_WINDOW 0x00000001L
#define DCX_CACHE 0x00000002L
#define DCX_CLIPCHILDREN 0x00000008L
#define DCX_CLIPSIBLINGS 0x00000010L
#define DCX_PARENTCLIP 0x00000020L
#define DCX_INTERSECTRGN 0x00000080L
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC hdc);
HWND WindowFromDC(HDC hdc);
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scrollRect, const RECT* clipRect);

// ---- hooks ---------------------------------------------------------------------------
// Only the computer-based-training hook's window creation is offered: it runs on the creating
// thread after the window exists and before its first message (WM_GETMINMAXINFO/WM_NCCREATE),
// which is where a class library attaches its window objects and subclasses.
NUX_DECLARE_HANDLE(HHOOK);
typedef LRESULT (*HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);
#define WH_CBT 5
#define HCBT_CREATEWND 3
#define HCBT_DESTROYWND 4
typedef struct tagCBT_CREATEWNDW {
  CREATESTRUCTW* lpcs;
  HWND hwndInsertAfter;
} CBT_CREATEWNDW, *LPCBT_CREATEWNDW;
// Hooks of the calling thread only (threadId 0 or the caller's id); other kinds give NULL.
HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
#define SetWindowsHookExA SetWindowsHookExW
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

// ---- rectangles ------------------------------------------------------------------------
BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(LPRECT rect);
BOOL CopyRect(LPRECT dst, const RECT* src);
BOOL IsRectEmpty(const RECT* rect);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* rect, POINT point);
BOOL OffsetRect(LPRECT rect, int dx, int dy);
BOOL InflateRect(LPRECT rect, int dx, int dy);
BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b);
BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b);
BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b);

#ifdef _UNICODE
#define WNDCLASS WNDCLASSW
#define WNDCLASSEX WNDCLASSEXW
#define CREATESTRUCT CREATESTRUCTW
#define LPCREATESTRUCT LPCREATESTRUCTW
#define RegisterClass RegisterClassW
#define RegisterClassEx RegisterClassExW
#define UnregisterClass UnregisterClassW
#define GetClassInfo GetClassInfoW
#define GetClassName GetClassNameW
#define CreateWindowEx CreateWindowExW
#define CreateWindow CreateWindowW
#define GetWindowLongPtr GetWindowLongPtrW
#define SetWindowLongPtr SetWindowLongPtrW
#define GetWindowLong GetWindowLongW
#define SetWindowLong SetWindowLongW
#define GetClassLongPtr GetClassLongPtrW
#define SetClassLongPtr SetClassLongPtrW
#define GetClassLong GetClassLongW
#define SetWindowText SetWindowTextW
#define GetWindowText GetWindowTextW
#define GetWindowTextLength GetWindowTextLengthW
#define FindWindow FindWindowW
#define FindWindowEx FindWindowExW
#define DefWindowProc DefWindowProcW
#define CallWindowProc CallWindowProcW
#define SendMessage SendMessageW
#define SendMessageTimeout SendMessageTimeoutW
#define SendNotifyMessage SendNotifyMessageW
#define PostMessage PostMessageW
#define PostThreadMessage PostThreadMessageW
#define GetMessage GetMessageW
#define PeekMessage PeekMessageW
#define DispatchMessage DispatchMessageW
#define RegisterWindowMessage RegisterWindowMessageW
#define SetWindowsHookEx SetWindowsHookExW
#else
#define WNDCLASS WNDCLASSA
#define WNDCLASSEX WNDCLASSEXA
#define CREATESTRUCT CREATESTRUCTA
#define LPCREATESTRUCT LPCREATESTRUCTA
#define RegisterClass RegisterClassA
#define RegisterClassEx RegisterClassExA
#define UnregisterClass UnregisterClassA
#define GetClassInfo GetClassInfoA
#define GetClassName GetClassNameA
#define CreateWindowEx CreateWindowExA
#define CreateWindow CreateWindowA
#define GetWindowLongPtr GetWindowLongPtrA
#define SetWindowLongPtr SetWindowLongPtrA
#define GetWindowLong GetWindowLongA
#define SetWindowLong SetWindowLongA
#define GetClassLongPtr GetClassLongPtrA
#define SetClassLongPtr SetClassLongPtrA
#define GetClassLong GetClassLongA
#define SetWindowText SetWindowTextA
#define GetWindowText GetWindowTextA
#define GetWindowTextLength GetWindowTextLengthA
#define FindWindow FindWindowA
#define FindWindowEx FindWindowExA
#define DefWindowProc DefWindowProcA
#define CallWindowProc CallWindowProcA
#define SendMessage SendMessageA
#define SendMessageTimeout SendMessageTimeoutW
#define SendNotifyMessage SendNotifyMessageW
#define PostMessage PostMessageA
#define PostThreadMessage PostThreadMessageA
#define GetMessage GetMessageA
#define PeekMessage PeekMessageA
#define DispatchMessage DispatchMessageA
#define RegisterWindowMessage RegisterWindowMessageA
#define SetWindowsHookEx SetWindowsHookExW
#endif

namespace nux::gdi {
class Surface;
}

namespace nux::ui {

// The surface a window draws into (its top-level window's), and the window's offset in it.
// Null for an unknown window.
nux::gdi::Surface* WindowSurface(HWND hwnd, POINT* windowOrigin);

// The window's rectangle inside its top-level window's surface (window or client area).
bool WindowRectInSurface(HWND hwnd, bool clientArea, RECT* rect);

// Whether the window procedure of the window is an A (Windows-1252) procedure.
bool IsWindowAnsi(HWND hwnd);

// Calls `fn` for every message the window system hands to a window procedure (after the
// text conversion), before the procedure runs; for tests that record message order.
// Returns an id for RemoveMessageHook. Hooks run on the window's thread.
int AddMessageHook(std::function<void(HWND, UINT, WPARAM, LPARAM)> fn);
void RemoveMessageHook(int id);

// Destroys every window of the calling thread and forgets its queue and timers; tests call
// it between cases.
void ResetThreadWindows();

}  // namespace nux::ui
