// Menu handles and their items.
#include "ui/menu.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "res/templates.h"
#include "ui/wm_internal.h"

#ifndef ERROR_MENU_ITEM_NOT_FOUND
#define ERROR_MENU_ITEM_NOT_FOUND 1456L
#endif

namespace {

struct Item {
  UINT type = MFT_STRING;
  UINT state = 0;
  UINT id = 0;
  HMENU sub = nullptr;
  ULONG_PTR data = 0;
  std::u16string text;
  HBITMAP bitmap = nullptr;
};

struct Menu {
  bool popup = true;
  std::vector<Item> items;
};

std::recursive_mutex g_mutex;
std::map<HMENU, std::shared_ptr<Menu>> g_menus;
std::map<HWND, HMENU> g_systemMenus;
std::map<HWND, HMENU> g_menuBars;
std::deque<UINT> g_choices;
uintptr_t g_next = 0x30000;

using Guard = std::lock_guard<std::recursive_mutex>;

Menu* Get(HMENU h) {
  auto it = g_menus.find(h);
  return it == g_menus.end() ? nullptr : it->second.get();
}

HMENU Make(bool popup) {
  Guard g(g_mutex);
  HMENU h = reinterpret_cast<HMENU>(g_next);
  g_next += 4;
  auto m = std::make_shared<Menu>();
  m->popup = popup;
  g_menus[h] = m;
  return h;
}

// Finds an item by position or by command (searching submenus); returns its menu and index.
bool Locate(HMENU h, UINT item, UINT flags, Menu** menu, size_t* index) {
  Menu* m = Get(h);
  if (!m) return false;
  if (flags & MF_BYPOSITION) {
    if (item >= m->items.size()) return false;
    *menu = m;
    *index = item;
    return true;
  }
  for (size_t i = 0; i < m->items.size(); ++i) {
    if (!m->items[i].sub && !(m->items[i].type & MFT_SEPARATOR) && m->items[i].id == item) {
      *menu = m;
      *index = i;
      return true;
    }
  }
  for (auto& it : m->items)
    if (it.sub && Locate(it.sub, item, flags, menu, index)) return true;
  return false;
}

Item FromFlags(UINT flags, UINT_PTR idOrPopup, const std::u16string* text) {
  Item it;
  if (flags & MF_SEPARATOR) {
    it.type = MFT_SEPARATOR;
  } else {
    it.type = flags & (MF_BITMAP | MF_OWNERDRAW | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY);
    if (text && !(flags & (MF_BITMAP | MF_OWNERDRAW))) it.text = *text;
  }
  it.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
  if (flags & MF_POPUP)
    it.sub = reinterpret_cast<HMENU>(idOrPopup);
  else
    it.id = static_cast<UINT>(idOrPopup);
  return it;
}

void DestroyTree(HMENU h) {
  Menu* m = Get(h);
  if (!m) return;
  std::vector<HMENU> subs;
  for (auto& it : m->items)
    if (it.sub) subs.push_back(it.sub);
  g_menus.erase(h);
  for (HMENU s : subs) DestroyTree(s);
}

HMENU Build(const std::vector<nux::res::MenuItem>& items, bool popup) {
  HMENU h = Make(popup);
  for (const auto& mi : items) {
    Item it;
    it.text = mi.text;
    it.id = mi.id;
    it.state = mi.state ? mi.state : (mi.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT));
    if (mi.IsSeparator() || (mi.type & MFT_SEPARATOR)) {
      it.type = MFT_SEPARATOR;
      it.text.clear();
    } else {
      it.type = mi.type & ~MFT_SEPARATOR;
    }
    if (mi.IsPopup()) it.sub = Build(mi.children, true);
    Guard g(g_mutex);
    Get(h)->items.push_back(std::move(it));
  }
  return h;
}

std::u16string WideArg(LPCSTR s) { return s ? nux::AnsiToWide(s) : std::u16string(); }

BOOL Insert(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, const std::u16string* text, bool append) {
  Guard g(g_mutex);
  Menu* m = Get(menu);
  if (!m) return SetLastError(ERROR_INVALID_MENU_HANDLE), FALSE;
  Item it = FromFlags(flags, idOrPopup, text);
  if (append) {
    m->items.push_back(std::move(it));
    return TRUE;
  }
  Menu* target = m;
  size_t index = m->items.size();
  if (position != static_cast<UINT>(-1)) {
    if (!Locate(menu, position, flags & MF_BYPOSITION, &target, &index)) {
      target = m;
      index = m->items.size();
    }
  }
  target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(it));
  return TRUE;
}

BOOL Modify(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, const std::u16string* text) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &target, &index)) return FALSE;
  target->items[index] = FromFlags(flags, idOrPopup, text);
  return TRUE;
}

template <class INFO, class CH>
BOOL GetInfo(HMENU menu, UINT item, BOOL byPosition, INFO* info, std::basic_string<CH> (*convert)(const std::u16string&)) {
  if (!info) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Get(menu)) return SetLastError(ERROR_INVALID_MENU_HANDLE), FALSE;
  if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &target, &index))
    return SetLastError(ERROR_MENU_ITEM_NOT_FOUND), FALSE;
  const Item& it = target->items[index];
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) info->fType = it.type;
  if (info->fMask & MIIM_STATE) info->fState = it.state;
  if (info->fMask & MIIM_ID) info->wID = it.sub ? it.id : it.id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it.sub;
  if (info->fMask & MIIM_DATA) info->dwItemData = it.data;
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
    if (!(it.type & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))) {
      std::basic_string<CH> t = convert(it.text);
      if (info->dwTypeData && info->cch > 0) {
        size_t n = std::min<size_t>(t.size(), info->cch - 1);
        std::memcpy(info->dwTypeData, t.data(), n * sizeof(CH));
        info->dwTypeData[n] = 0;
        info->cch = static_cast<UINT>(n);
      } else {
        info->cch = static_cast<UINT>(t.size());
      }
    } else if (info->fMask & MIIM_STRING) {
      info->cch = 0;
    }
  }
  return TRUE;
}

std::u16string Same(const std::u16string& s) { return s; }
std::string ToAnsi(const std::u16string& s) { return nux::WideToAnsi(s); }

}  // namespace

HMENU CreateMenu() { return Make(false); }
HMENU CreatePopupMenu() { return Make(true); }

BOOL DestroyMenu(HMENU menu) {
  Guard g(g_mutex);
  if (!Get(menu)) return SetLastError(ERROR_INVALID_MENU_HANDLE), FALSE;
  DestroyTree(menu);
  for (auto it = g_systemMenus.begin(); it != g_systemMenus.end();)
    it = it->second == menu ? g_systemMenus.erase(it) : std::next(it);
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  Guard g(g_mutex);
  return Get(menu) != nullptr;
}

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name) {
  auto tpl = nux::res::LoadMenuTemplate(instance, name);
  if (!tpl) return nullptr;
  return Build(tpl->items, false);
}

HMENU LoadMenuA(HINSTANCE instance, LPCSTR name) {
  if (IS_INTRESOURCE(name)) return LoadMenuW(instance, reinterpret_cast<LPCWSTR>(name));
  std::u16string w = WideArg(name);
  return LoadMenuW(instance, w.c_str());
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  std::u16string t = (text && !(flags & (MF_BITMAP | MF_OWNERDRAW))) ? std::u16string(text) : std::u16string();
  return Insert(menu, static_cast<UINT>(-1), flags, idOrPopup, &t, true);
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  std::u16string t = (text && !(flags & (MF_BITMAP | MF_OWNERDRAW))) ? WideArg(text) : std::u16string();
  return Insert(menu, static_cast<UINT>(-1), flags, idOrPopup, &t, true);
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  std::u16string t = (text && !(flags & (MF_BITMAP | MF_OWNERDRAW))) ? std::u16string(text) : std::u16string();
  return Insert(menu, position, flags, idOrPopup, &t, false);
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  std::u16string t = (text && !(flags & (MF_BITMAP | MF_OWNERDRAW))) ? WideArg(text) : std::u16string();
  return Insert(menu, position, flags, idOrPopup, &t, false);
}

BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text) {
  std::u16string t = (text && !(flags & (MF_BITMAP | MF_OWNERDRAW))) ? std::u16string(text) : std::u16string();
  return Modify(menu, position, flags, idOrPopup, &t);
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCSTR text) {
  std::u16string t = (text && !(flags & (MF_BITMAP | MF_OWNERDRAW))) ? WideArg(text) : std::u16string();
  return Modify(menu, position, flags, idOrPopup, &t);
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &target, &index)) return FALSE;
  target->items.erase(target->items.begin() + static_cast<std::ptrdiff_t>(index));
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &target, &index)) return FALSE;
  HMENU sub = target->items[index].sub;
  target->items.erase(target->items.begin() + static_cast<std::ptrdiff_t>(index));
  if (sub) DestroyTree(sub);
  return TRUE;
}

int GetMenuItemCount(HMENU menu) {
  Guard g(g_mutex);
  Menu* m = Get(menu);
  if (!m) return SetLastError(ERROR_INVALID_MENU_HANDLE), -1;
  return static_cast<int>(m->items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
  Guard g(g_mutex);
  Menu* m = Get(menu);
  if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return static_cast<UINT>(-1);
  const Item& it = m->items[position];
  if (it.sub) return static_cast<UINT>(-1);
  return it.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  Guard g(g_mutex);
  Menu* m = Get(menu);
  if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
  return m->items[position].sub;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &target, &index)) return static_cast<UINT>(-1);
  const Item& it = target->items[index];
  UINT s = it.state | it.type;
  if (it.sub) {
    Menu* sm = Get(it.sub);
    s = (s & 0xFF) | MF_POPUP | ((sm ? static_cast<UINT>(sm->items.size()) : 0) << 8);
  }
  return s;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount, UINT flags) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &target, &index)) return 0;
  const std::u16string& t = target->items[index].text;
  if (!buffer || maxCount <= 0) return static_cast<int>(t.size());
  int n = std::min<int>(static_cast<int>(t.size()), maxCount - 1);
  std::memcpy(buffer, t.data(), n * 2);
  buffer[n] = 0;
  return n;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &target, &index)) return 0;
  std::string t = nux::WideToAnsi(target->items[index].text);
  if (!buffer || maxCount <= 0) return static_cast<int>(t.size());
  int n = std::min<int>(static_cast<int>(t.size()), maxCount - 1);
  std::memcpy(buffer, t.data(), n);
  buffer[n] = 0;
  return n;
}

BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info) {
  return GetInfo<MENUITEMINFOW, char16_t>(menu, item, byPosition, info, Same);
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
  return GetInfo<MENUITEMINFOA, char>(menu, item, byPosition, info, ToAnsi);
}

BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  if (!info) return FALSE;
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &target, &index)) return FALSE;
  Item& it = target->items[index];
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) it.type = info->fType;
  if (info->fMask & MIIM_STATE) it.state = info->fState;
  if (info->fMask & MIIM_ID) it.id = info->wID;
  if (info->fMask & MIIM_SUBMENU) it.sub = info->hSubMenu;
  if (info->fMask & MIIM_DATA) it.data = info->dwItemData;
  if ((info->fMask & (MIIM_STRING | MIIM_TYPE)) && info->dwTypeData && !(it.type & (MFT_SEPARATOR | MFT_BITMAP)))
    it.text = info->dwTypeData;
  return TRUE;
}

BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  if (!info) return FALSE;
  Guard g(g_mutex);
  Menu* m = Get(menu);
  if (!m) return FALSE;
  Menu* target = m;
  size_t index = m->items.size();
  if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &target, &index)) {
    target = m;
    index = m->items.size();
  }
  Item it;
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) it.type = info->fType;
  if (info->fMask & MIIM_STATE) it.state = info->fState;
  if (info->fMask & MIIM_ID) it.id = info->wID;
  if (info->fMask & MIIM_SUBMENU) it.sub = info->hSubMenu;
  if (info->fMask & MIIM_DATA) it.data = info->dwItemData;
  if ((info->fMask & (MIIM_STRING | MIIM_TYPE)) && info->dwTypeData) it.text = info->dwTypeData;
  target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(it));
  return TRUE;
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, item, enable & MF_BYPOSITION, &target, &index)) return static_cast<UINT>(-1);
  Item& it = target->items[index];
  UINT old = it.state & (MF_GRAYED | MF_DISABLED);
  it.state = (it.state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  Guard g(g_mutex);
  Menu* target;
  size_t index;
  if (!Locate(menu, item, check & MF_BYPOSITION, &target, &index)) return static_cast<DWORD>(-1);
  Item& it = target->items[index];
  DWORD old = it.state & MF_CHECKED;
  it.state = (it.state & ~MF_CHECKED) | (check & MF_CHECKED);
  return old;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
  Guard g(g_mutex);
  Menu* m = Get(menu);
  if (!m) return FALSE;
  for (auto& it : m->items) it.state &= ~MF_DEFAULT;
  if (item == static_cast<UINT>(-1)) return TRUE;
  Menu* target;
  size_t index;
  if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, &target, &index)) return FALSE;
  target->items[index].state |= MF_DEFAULT;
  return TRUE;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  if (!IsWindow(hwnd)) return nullptr;
  Guard g(g_mutex);
  auto it = g_systemMenus.find(hwnd);
  if (revert) {
    if (it != g_systemMenus.end()) {
      DestroyTree(it->second);
      g_systemMenus.erase(it);
    }
    return nullptr;
  }
  if (it != g_systemMenus.end() && Get(it->second)) return it->second;
  HMENU m = CreatePopupMenu();
  AppendMenuW(m, MF_STRING, SC_RESTORE, u"&Wiederherstellen");
  AppendMenuW(m, MF_STRING, SC_MOVE, u"&Verschieben");
  AppendMenuW(m, MF_STRING, SC_SIZE, u"&Gr\u00f6\u00dfe \u00e4ndern");
  AppendMenuW(m, MF_STRING, SC_MINIMIZE, u"Mi&nimieren");
  AppendMenuW(m, MF_STRING, SC_MAXIMIZE, u"Ma&ximieren");
  AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(m, MF_STRING, SC_CLOSE, u"&Schlie\u00dfen\tAlt+F4");
  g_systemMenus[hwnd] = m;
  return m;
}

HMENU GetMenu(HWND hwnd) {
  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  if (style & WS_CHILD) return nullptr;
  return reinterpret_cast<HMENU>(GetWindowLongPtrW(hwnd, GWL_ID));
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  if (!IsWindow(hwnd) || (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) return FALSE;
  SetWindowLongPtrW(hwnd, GWL_ID, reinterpret_cast<LONG_PTR>(menu));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

BOOL DrawMenuBar(HWND hwnd) { return RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE); }

BOOL TrackPopupMenu(HMENU menu, UINT flags, int, int, int, HWND owner, const RECT*) {
  UINT cmd = 0;
  {
    Guard g(g_mutex);
    if (!Get(menu)) return SetLastError(ERROR_INVALID_MENU_HANDLE), FALSE;
    if (!g_choices.empty()) {
      cmd = g_choices.front();
      g_choices.pop_front();
    }
  }
  if (owner && !(flags & TPM_NONOTIFY)) {
    SendMessageW(owner, WM_ENTERMENULOOP, TRUE, 0);
    SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  }
  if (owner && !(flags & TPM_NONOTIFY)) SendMessageW(owner, WM_EXITMENULOOP, TRUE, 0);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(cmd);
  if (cmd && owner) PostMessageW(owner, WM_COMMAND, cmd, 0);
  return TRUE;
}

namespace nux::ui {

void QueueMenuChoice(UINT command) {
  Guard g(g_mutex);
  g_choices.push_back(command);
}

void ClearMenuChoices() {
  Guard g(g_mutex);
  g_choices.clear();
}

}  // namespace nux::ui
