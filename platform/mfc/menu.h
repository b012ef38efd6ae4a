// CMenu: a menu handle with its wrapper. An object owns its menu (DestroyMenu at destruction)
// unless it came from FromHandle (temporary) or was given back with Detach. All members are
// inline, so the A/W spellings of the window system's menu calls work in any unit.
#pragma once

#include "base/codepage.h"
#include "mfc/cstring.h"
#include "mfc/object.h"
#include "ui/ui.h"

class CWnd;

class CMenu : public CObject {
  DECLARE_DYNCREATE(CMenu)

 public:
  HMENU m_hMenu = nullptr;

  CMenu() = default;
  ~CMenu() override;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  operator HMENU() const { return m_hMenu; }
  HMENU GetSafeHmenu() const;
  static CMenu* PASCAL FromHandle(HMENU hMenu);
  static void PASCAL DeleteTempMap();
  BOOL Attach(HMENU hMenu);
  HMENU Detach();
  BOOL operator==(const CMenu& menu) const { return m_hMenu == menu.m_hMenu; }
  BOOL operator!=(const CMenu& menu) const { return m_hMenu != menu.m_hMenu; }

  BOOL CreateMenu() { return Attach(::CreateMenu()); }
  BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
  // A menu resource of the current resource module.
  BOOL LoadMenu(UINT nIDResource) { return LoadMenuResource(MAKEINTRESOURCEW(nIDResource)); }
  BOOL LoadMenu(LPCWSTR lpszResourceName) { return LoadMenuResource(lpszResourceName); }
  BOOL LoadMenu(LPCSTR lpszResourceName) {
    if (IS_INTRESOURCE(lpszResourceName)) return LoadMenuResource(reinterpret_cast<LPCWSTR>(lpszResourceName));
    std::u16string name = nux::AnsiToWide(lpszResourceName);
    return LoadMenuResource(name.c_str());
  }
  BOOL LoadMenuResource(LPCWSTR lpszResourceName);
  BOOL DestroyMenu();

  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0) { return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, nullptr); }
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem) {
    return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0) {
    return ::InsertMenuW(m_hMenu, nPosition, nFlags, nIDNewItem, nullptr);
  }
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem) {
    return ::InsertMenuW(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
    return ::InsertMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0) {
    return ::ModifyMenuW(m_hMenu, nPosition, nFlags, nIDNewItem, nullptr);
  }
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem) {
    return ::ModifyMenuW(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
    return ::ModifyMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
  }
  BOOL RemoveMenu(UINT nPosition, UINT nFlags) { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
  BOOL DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }

  int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
  UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
  UINT GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }
  int GetMenuString(UINT nIDItem, LPWSTR lpString, int nMaxCount, UINT nFlags) const {
    return ::GetMenuStringW(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
  }
  int GetMenuString(UINT nIDItem, LPSTR lpString, int nMaxCount, UINT nFlags) const {
    return ::GetMenuStringA(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
  }
  int GetMenuString(UINT nIDItem, CStringW& rString, UINT nFlags) const {
    int n = ::GetMenuStringW(m_hMenu, nIDItem, nullptr, 0, nFlags);
    int got = ::GetMenuStringW(m_hMenu, nIDItem, rString.GetBuffer(n + 1), n + 1, nFlags);
    rString.ReleaseBuffer(got);
    return got;
  }
  int GetMenuString(UINT nIDItem, CStringA& rString, UINT nFlags) const {
    CStringW wide;
    int got = GetMenuString(nIDItem, wide, nFlags);
    rString = CStringA(wide);
    return got > 0 ? rString.GetLength() : 0;
  }
  BOOL GetMenuItemInfo(UINT uItem, LPMENUITEMINFOW lpMenuItemInfo, BOOL fByPos = FALSE) const {
    return ::GetMenuItemInfoW(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  BOOL GetMenuItemInfo(UINT uItem, LPMENUITEMINFOA lpMenuItemInfo, BOOL fByPos = FALSE) const {
    return ::GetMenuItemInfoA(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  BOOL SetMenuItemInfo(UINT uItem, LPCMENUITEMINFOW lpMenuItemInfo, BOOL fByPos = FALSE) {
    return ::SetMenuItemInfoW(m_hMenu, uItem, fByPos, lpMenuItemInfo);
  }
  CMenu* GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable) { return ::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable); }
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck) { return ::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck); }
  BOOL SetDefaultItem(UINT uItem, BOOL fByPos = FALSE) { return ::SetMenuDefaultItem(m_hMenu, uItem, fByPos); }
  // Without a display the command comes from the menu script (nux::testing::QueueMenuChoice).
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);
};
