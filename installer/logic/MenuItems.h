// The host's menu item lists: one item a line, "<id>\t<text>\t<flag>"; id -1 is a separator,
// 0 a popup whose items follow up to a '}' line, any other id a command. In memory a list is
// flat: a popup is followed by its items and an end marker, and every list read ends with one.
#pragma once

#include <string>
#include <vector>

class FormatIn;
class Report;

enum MenuItemKind { kMenuCommand = 0, kMenuSeparator = 1, kMenuPopup = 2, kMenuEnd = 3 };

struct MenuItem {
  int kind = kMenuEnd;
  int id = -11;
  std::string text;
  int flag = -1;

  bool operator==(const MenuItem&) const = default;
};

using MenuItemList = std::vector<MenuItem>;

// The end marker every list read ends with.
MenuItem MenuEndMarker();

// Parses one line (no nesting): false when the id or the flag is no number or the text field
// is missing.
bool ParseMenuItemLine(MenuItem& item, const char* line);
// Appends the items of the next list of reader (popups read with their items), then an end
// marker; true when at least one line was read before the list's end.
bool ReadMenuItems(MenuItemList& list, FormatIn& reader);
// Writes one line per item: commands with flag 0 or 1, separators as "separator" with
// SeparatorFlag, popups with PopupFlag, end markers as "}".
bool WriteMenuItems(const MenuItemList& list, Report& writer);

// The flag written for the separator at index separator: 1 when the item before it (for a
// separator after a popup's end, that popup) and the item after it both have non-zero flags.
bool SeparatorFlag(const MenuItemList& list, size_t separator);
// The flag written for the popup at index popup: 1 when an item after it, up to the first end
// marker, has a non-zero flag.
bool PopupFlag(const MenuItemList& list, size_t popup);

// Removes every character of set from text in place.
void StripChars(std::string& text, const char* set);
