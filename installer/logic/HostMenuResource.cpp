#include "HostMenuResource.h"

#include "res/resources.h"
#include "ui/menu.h"

namespace {

// The items of a loaded menu, read as the menu handlers read them: each position's id, type,
// submenu and text (256 characters), up to the first position that cannot be read.
HostMenu ReadMenu(HMENU handle) {
  HostMenu menu;
  const int count = GetMenuItemCount(handle);
  for (int position = 0; position < count; ++position) {
    char text[256] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_TYPE | MIIM_SUBMENU | MIIM_DATA;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(handle, static_cast<UINT>(position), TRUE, &info)) break;
    HostMenuItem item;
    item.id = info.wID;
    item.popup = info.hSubMenu != nullptr;
    item.separator = !item.popup && (info.fType & MFT_SEPARATOR) != 0;
    if (!item.separator) item.text = text;
    if (item.popup) item.items = ReadMenu(info.hSubMenu);
    menu.push_back(std::move(item));
  }
  return menu;
}

}  // namespace

bool LoadHostMenu(const char* libraryPath, int menuId, HostMenu& menu) {
  menu.clear();
  HMODULE library = LoadLibraryA(libraryPath);
  if (library == nullptr) return false;
  HMENU handle = LoadMenuA(library, MAKEINTRESOURCEA(menuId));
  if (handle != nullptr) {
    menu = ReadMenu(handle);
    DestroyMenu(handle);
  }
  FreeLibrary(library);
  return handle != nullptr;
}

bool FindMenuItemById(HostMenuItem* out, const HostMenu& menu, UINT id) {
  for (const HostMenuItem& item : menu) {
    if (item.separator) continue;
    if (!item.popup && item.id == id) {
      if (out != nullptr) *out = item;
      return true;
    }
    if (item.popup && FindMenuItemById(out, item.items, id)) return true;
  }
  return false;
}

const HostMenuItem* FindPopupByText(const HostMenu& menu, const std::string& text) {
  for (const HostMenuItem& item : menu) {
    if (item.separator) continue;
    if (!item.popup) continue;
    std::string plain;
    for (char c : item.text) {
      if (c != '&') plain += c;
    }
    if (plain == text) return &item;
    if (const HostMenuItem* found = FindPopupByText(item.items, text)) return found;
  }
  return nullptr;
}
