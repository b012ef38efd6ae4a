// The menu sections of the plug-in files creator: the main menu, the toolbars menu and the two
// pop-up menus.
#include <map>

#include "HostMenuResource.h"
#include "InstalledFilesRegister.h"
#include "MenuItems.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "TextFiles.h"

namespace {

// The host's resource library in the work folder and the menu that names its popups.
constexpr const char* kHostResourceLibrary = "Tessaron.dll";
constexpr int kHostMainMenu = 128;


// Items of a [ModifyToolbarsMenu] body or target: one parsed line each, no nesting, up to '}'.
MenuItemList ReadFlatItems(FormatIn& reader) {
  MenuItemList list;
  char line[512];
  while (reader.Readln(line, sizeof line) == 1) {
    MenuItem item;
    if (ParseMenuItemLine(item, line)) list.push_back(item);
  }
  list.push_back(MenuEndMarker());
  return list;
}

}  // namespace

bool PluginFilesCreator::ModifyMenu(FormatIn& reader, const std::vector<int>& commandIds) {
  std::string path;
  if (!FindSectionTarget(reader, "[ModifyMenu]", path)) return false;

  HostMenu hostMenu;
  LoadHostMenu((workFolder() + kHostResourceLibrary).c_str(), kHostMainMenu, hostMenu);

  std::map<std::string, MenuItemList> popups;  // ordered by name, byte by byte
  char name[512];
  if (IsFileReadable(path.c_str())) {
    FormatIn host(path.c_str(), 0, '!', '}', 65520);
    host.SetMarginsSpaceDelete(1);
    while (host.Readln(name, sizeof name) == 1) {
      DeleteMarginsBlanks(name);
      MenuItemList list;
      ReadMenuItems(list, host);
      popups.emplace(name, std::move(list));
    }
  }

  while (reader.Readln(name, sizeof name) == 1) {
    DeleteMarginsBlanks(name);
    MenuItemList section;
    ReadMenuItems(section, reader);
    auto known = popups.find(name);
    if (known == popups.end()) {
      std::string plain = name;
      StripChars(plain, "&[]");
      if (const HostMenuItem* popup = FindPopupByText(hostMenu, plain)) {
        for (MenuItem& item : section) {
          if (item.kind == kMenuCommand && FindMenuItemById(nullptr, popup->items, static_cast<UINT>(item.id))) {
            item.flag = 1;
          }
        }
      }
      known = popups.emplace(name, std::move(section)).first;
    } else {
      MenuItemList& host = known->second;
      const size_t common = std::min(host.size(), section.size());
      for (size_t i = 0; i < common; ++i) {
        if (section[i].flag != 0) host[i].flag = 1;
      }
    }
    for (int id : commandIds) {
      for (MenuItem& item : known->second) {
        if (item.id == id) {
          item.flag = 1;
          break;
        }
      }
    }
  }

  {
    Report out(path.c_str(), "wt");
    for (const auto& [popupName, list] : popups) {
      out.Write("%s\n", popupName.c_str());
      WriteMenuItems(list, out);
    }
    out.Write("}\n");
    if (!out.Close()) return Failed(path);
  }
  UpdateFileChecksum(path.c_str());
  return true;
}

bool PluginFilesCreator::ModifyToolbarsMenu(FormatIn& reader) {
  std::string path;
  if (!FindSectionTarget(reader, "[ModifyToolbarsMenu]", path)) return false;
  MenuItemList section = ReadFlatItems(reader);
  if (IsFileReadable(path.c_str())) {
    FormatIn hostFile(path.c_str(), 0, '!', '}', 65520);
    hostFile.SetMarginsSpaceDelete(1);
    const MenuItemList host = ReadFlatItems(hostFile);
    for (MenuItem& item : section) {
      if (item.kind == kMenuEnd) continue;
      for (const MenuItem& stored : host) {
        if (stored.kind != kMenuEnd && stored.id == item.id) {
          if (stored.flag != 0) item.flag = stored.flag;
          break;
        }
      }
    }
  }
  {
    Report out(path.c_str(), "wt");
    for (const MenuItem& item : section) {
      if (item.kind == kMenuSeparator) continue;
      if (item.kind == kMenuEnd) {
        out.Write("}\n");
      } else {
        out.Write("%d\t%s\t%d\n", item.id, item.text.c_str(), item.flag);
      }
    }
    out.Write("}\n");
    if (!out.Close()) return Failed(path);
  }
  UpdateFileChecksum(path.c_str());
  return true;
}

bool PluginFilesCreator::ModifyPopupMenuFile(FormatIn& reader, const char* header) {
  std::string path;
  if (!FindSectionTarget(reader, header, path) || !IsFileReadable(path.c_str())) return false;
  MenuItemList host;
  {
    FormatIn hostFile(path.c_str(), 0, '!', '}', 65520);
    hostFile.SetMarginsSpaceDelete(1);
    ReadMenuItems(host, hostFile);
  }
  MenuItemList section;
  ReadMenuItems(section, reader);
  const size_t common = std::min(host.size(), section.size());
  for (size_t i = 0; i < common; ++i) {
    if (section[i].flag != 0) host[i].flag = 1;
  }
  {
    Report out(path.c_str(), "wt");
    WriteMenuItems(host, out);
    out.Write("}\n");
    if (!out.Close()) return Failed(path);
  }
  UpdateFileChecksum(path.c_str());
  return true;
}

bool PluginFilesCreator::ModifyRBtnPopupMenu(FormatIn& reader) {
  return ModifyPopupMenuFile(reader, "[ModifyRBtnPopupMenu]");
}

bool PluginFilesCreator::ModifyFindPopupMenu(FormatIn& reader) {
  return ModifyPopupMenuFile(reader, "[ModifyFindPopupMenu]");
}
