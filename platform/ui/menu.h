// Menus: menu handles with their items (commands, separators, submenus), built by calls or
// loaded from RT_MENU resources; the window system menu. Menus here are data: nothing draws
// them (the system's own popup menus are drawn by the system's code).
#pragma once

#include "base/types.h"
#include "rc/nuxres.h"  // the style, control and key constants shared with resource scripts

#define MIIM_STATE 0x00000001
#define MIIM_ID 0x00000002
#define MIIM_SUBMENU 0x00000004
#define MIIM_CHECKMARKS 0x00000008
#define MIIM_TYPE 0x00000010
#define MIIM_DATA 0x00000020
#define MIIM_STRING 0x00000040
#define MIIM_BITMAP 0x00000080
#define MIIM_FTYPE 0x00000100

typedef struct tagMENUITEMINFOW {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPWSTR dwTypeData;
  UINT cch;
  HBITMAP hbmpItem;
} MENUITEMINFOW, *LPMENUITEMINFOW;
typedef const MENUITEMINFOW* LPCMENUITEMINFOW;

typedef struct tagMENUITEMINFOA {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPSTR dwTypeData;
  UINT cch;
  HBITMAP hbmpItem;
} MENUITEMINFOA, *LPMENUITEMINFOA;
typedef const MENUITEMINFOA* LPCMENUITEMINFOA;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);
HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR text);
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text);
BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);  // a submenu is kept alive
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);  // a submenu is destroyed
// -1 for an invalid menu.
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);  // -1 for a popup or a bad position
HMENU GetSubMenu(HMENU menu, int position);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount, UINT flags);
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags);
// With MIIM_STRING/MIIM_TYPE the text is copied into dwTypeData (cch characters) and cch is set
// to its length; with a null dwTypeData only cch is set.
BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info);
BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
UINT EnableMenuItem(HMENU menu, UINT item, UINT enable);  // previous state, or -1
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);   // previous check state, or -1
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
// The window's system menu (Restore, Move, Size, Minimize, Maximize, separator, Close), made
// on first use; revert TRUE puts the standard one back and returns NULL.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
HMENU GetMenu(HWND hwnd);
BOOL SetMenu(HWND hwnd, HMENU menu);
BOOL DrawMenuBar(HWND hwnd);

#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L
// Without a display no menu opens: the command comes from the menu script of nux::testing
// (nux::ui::QueueMenuChoice), else 0 (dismissed). With TPM_RETURNCMD it is returned, else
// posted as WM_COMMAND to the owner window.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);

#ifdef _UNICODE
#define MENUITEMINFO MENUITEMINFOW
#define LoadMenu LoadMenuW
#define AppendMenu AppendMenuW
#define InsertMenu InsertMenuW
#define ModifyMenu ModifyMenuW
#define GetMenuString GetMenuStringW
#define GetMenuItemInfo GetMenuItemInfoW
#define SetMenuItemInfo SetMenuItemInfoW
#define InsertMenuItem InsertMenuItemW
#else
#define MENUITEMINFO MENUITEMINFOA
#define LoadMenu LoadMenuA
#define AppendMenu AppendMenuA
#define InsertMenu InsertMenuA
#define ModifyMenu ModifyMenuA
#define GetMenuString GetMenuStringA
#define GetMenuItemInfo GetMenuItemInfoA
#endif

namespace nux::ui {
// The next TrackPopupMenu returns this command (0: dismissed). Answers are used in order.
void QueueMenuChoice(UINT command);
void ClearMenuChoices();
}  // namespace nux::ui
