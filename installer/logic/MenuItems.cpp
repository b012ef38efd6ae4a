#include "MenuItems.h"

#include <cstdio>
#include <cstring>

#include "Quillon.h"

namespace {

std::string TrimBlanks(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

MenuItem MenuEndMarker() { return MenuItem{kMenuEnd, -11, std::string(), -1}; }

bool ParseMenuItemLine(MenuItem& item, const char* line) {
  if (line == nullptr) return false;
  const std::string text = line;
  const size_t tab1 = text.find('\t');
  if (tab1 == std::string::npos) return false;
  const size_t tab2 = text.find('\t', tab1 + 1);
  int id = 0;
  if (std::sscanf(text.substr(0, tab1).c_str(), "%d", &id) != 1) return false;
  const std::string name =
      TrimBlanks(text.substr(tab1 + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab1 - 1));
  if (tab2 == std::string::npos) return false;
  const size_t tab3 = text.find('\t', tab2 + 1);
  int flag = 0;
  if (std::sscanf(text.substr(tab2 + 1, tab3 == std::string::npos ? std::string::npos : tab3 - tab2 - 1).c_str(),
                  "%d", &flag) != 1) {
    return false;
  }
  item.kind = id == -1 ? kMenuSeparator : (id == 0 ? kMenuPopup : kMenuCommand);
  item.id = id;
  item.text = name;
  item.flag = flag;
  return true;
}

bool ReadMenuItems(MenuItemList& list, FormatIn& reader) {
  bool any = false;
  char line[512];
  while (reader.Readln(line, sizeof line) == 1) {
    any = true;
    MenuItem item;
    if (!ParseMenuItemLine(item, line)) continue;
    list.push_back(item);
    if (item.kind == kMenuPopup) ReadMenuItems(list, reader);
  }
  list.push_back(MenuEndMarker());
  return any;
}

bool SeparatorFlag(const MenuItemList& list, size_t separator) {
  if (separator == 0 || separator >= list.size()) return false;  // nothing before it
  const MenuItem* taken = &list[separator - 1];
  if (taken->kind == kMenuEnd) {
    taken = nullptr;
    for (size_t i = separator - 1; i-- > 0;) {
      if (list[i].kind == kMenuPopup) {
        taken = &list[i];
        break;
      }
    }
    if (taken == nullptr) return false;
  }
  if (taken->flag == 0) return false;
  return separator + 1 < list.size() && list[separator + 1].flag != 0;
}

bool PopupFlag(const MenuItemList& list, size_t popup) {
  for (size_t i = popup + 1; i < list.size() && list[i].kind != kMenuEnd; ++i) {
    if (list[i].flag != 0) return true;
  }
  return false;
}

bool WriteMenuItems(const MenuItemList& list, Report& writer) {
  for (size_t i = 0; i < list.size(); ++i) {
    const MenuItem& item = list[i];
    switch (item.kind) {
      case kMenuCommand:
        writer.Write("%d\t%s\t%d\n", item.id, item.text.c_str(), item.flag != 0 ? 1 : 0);
        break;
      case kMenuSeparator:
        writer.Write("%d\t%s\t%d\n", -1, "separator", SeparatorFlag(list, i) ? 1 : 0);
        break;
      case kMenuPopup:
        writer.Write("%d\t%s\t%d\n", 0, item.text.c_str(), PopupFlag(list, i) ? 1 : 0);
        break;
      default:
        writer.Write("}\n");
        break;
    }
  }
  return true;
}

void StripChars(std::string& text, const char* set) {
  if (set == nullptr) return;
  std::string kept;
  for (char c : text) {
    if (std::strchr(set, c) == nullptr || c == '\0') kept += c;
  }
  text.swap(kept);
}
