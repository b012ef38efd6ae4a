#include "HostMenuResource.h"

#include "base/codepage.h"
#include "res/resources.h"
#include "res/templates.h"

namespace {

HostMenu Convert(const std::vector<nux::res::MenuItem>& items) {
  HostMenu menu;
  for (const nux::res::MenuItem& source : items) {
    HostMenuItem item;
    item.id = source.id;
    item.text = nux::WideToAnsi(source.text);
    item.popup = source.IsPopup();
    if (item.popup) {
      item.items = Convert(source.children);
    } else {
      item.separator = source.IsSeparator() || (item.id == 0 && item.text.empty());
    }
    menu.push_back(std::move(item));
  }
  return menu;
}

}  // namespace

bool ParseMenuTemplate(const unsigned char* bytes, size_t size, HostMenu& menu) {
  menu.clear();
  const auto parsed = nux::res::ParseMenuTemplate(bytes, size);
  if (!parsed) return false;
  menu = Convert(parsed->items);
  return true;
}

bool LoadHostMenu(const char* libraryPath, int menuId, HostMenu& menu) {
  menu.clear();
  HMODULE library = LoadLibraryA(libraryPath);
  if (library == nullptr) return false;
  const auto parsed = nux::res::LoadMenuTemplate(library, MAKEINTRESOURCEW(menuId));
  FreeLibrary(library);
  if (!parsed) return false;
  menu = Convert(parsed->items);
  return true;
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
