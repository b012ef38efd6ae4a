// The host's menu resource, read from its resource library (a PE file loaded with
// LoadLibraryA): the items of a menu as a tree, and the two look-ups the menu merge needs.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"

struct HostMenuItem {
  UINT id = 0;
  bool separator = false;
  bool popup = false;
  std::string text;  // Windows-1252, '&' kept
  std::vector<HostMenuItem> items;  // a popup's items
};

using HostMenu = std::vector<HostMenuItem>;

// Loads the library (LoadLibraryA) and reads its menu resource menuId (LoadMenuA,
// GetMenuItemInfoA); false when either is missing.
bool LoadHostMenu(const char* libraryPath, int menuId, HostMenu& menu);

// The first item with the id, in the menu and its submenus (separators passed over); its
// information copied to out when given.
bool FindMenuItemById(HostMenuItem* out, const HostMenu& menu, UINT id);
// The first popup whose text without '&' equals text exactly, in the menu and its submenus.
const HostMenuItem* FindPopupByText(const HostMenu& menu, const std::string& text);
