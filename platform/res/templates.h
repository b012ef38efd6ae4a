// Dialog, menu and accelerator resources read into plain structures, from which the window
// layer builds its dialogs, menus and accelerator tables. The parsers check every read against
// the resource's size; a damaged template gives nullopt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/types.h"

namespace nux::res {

// A field that is absent, an ordinal, or a string (the templates' "sz_Or_Ord").
struct NameOrOrdinal {
  bool present = false;
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::u16string text;
};

// Window classes that dialog items name by ordinal.
enum : WORD {
  kClassButton = 0x80,
  kClassEdit = 0x81,
  kClassStatic = 0x82,
  kClassListBox = 0x83,
  kClassScrollBar = 0x84,
  kClassComboBox = 0x85,
};

// "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" for the ordinals above; empty
// for any other.
std::u16string PredefinedClassName(WORD ordinal);

struct DialogItem {
  DWORD helpId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  // The control id as stored: a 16-bit id of a DIALOG template (an id of -1 reads 0xFFFF), a
  // 32-bit id of a DIALOGEX template.
  DWORD id = 0;
  NameOrOrdinal windowClass;  // an ordinal above, or a name ("msctls_progress32", "{class id}")
  NameOrOrdinal title;        // text, or an ordinal (the resource id of an icon or bitmap)
  std::vector<uint8_t> creationData;

  // The class as a name: the predefined name of an ordinal, else the text.
  std::u16string ClassName() const;
};

struct DialogTemplate {
  bool extended = false;  // DIALOGEX
  WORD version = 0;       // 1 for DIALOGEX
  DWORD helpId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string title;
  bool hasFont = false;  // DS_SETFONT (or DS_SHELLFONT)
  WORD pointSize = 0;
  WORD weight = 0;    // DIALOGEX only
  bool italic = false;  // DIALOGEX only
  BYTE charset = 0;   // DIALOGEX only
  std::u16string faceName;
  std::vector<DialogItem> items;
};

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size);

struct MenuItem {
  // MF_ flags: MF_POPUP for a submenu, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED,
  // MF_MENUBREAK, MF_MENUBARBREAK, MF_HELP, MF_OWNERDRAW, MF_BITMAP, MF_DEFAULT, MF_HILITE;
  // the end marker of the template is not kept. Items of a MENUEX template also keep their
  // type and state words.
  UINT flags = 0;
  UINT id = 0;  // 0 for a popup of a MENU template
  std::u16string text;
  DWORD type = 0;   // MFT_ word (MENUEX), else derived from flags
  DWORD state = 0;  // MFS_ word (MENUEX), else derived from flags
  DWORD helpId = 0;  // popups of a MENUEX template
  std::vector<MenuItem> children;

  bool IsPopup() const { return (flags & 0x10) != 0; }
  bool IsSeparator() const { return (flags & 0x800) != 0; }
};

struct MenuTemplate {
  bool extended = false;  // MENUEX
  DWORD helpId = 0;
  std::vector<MenuItem> items;
};

std::optional<MenuTemplate> ParseMenuTemplate(const void* data, std::size_t size);

struct Accelerator {
  BYTE fVirt = 0;  // FVIRTKEY, FNOINVERT, FSHIFT, FCONTROL, FALT
  WORD key = 0;    // virtual key with FVIRTKEY, else a character
  WORD cmd = 0;
};

std::optional<std::vector<Accelerator>> ParseAcceleratorTable(const void* data, std::size_t size);

// The same, found in a module's resources (RT_DIALOG, RT_MENU, RT_ACCELERATOR); nullopt with
// GetLastError set when the resource is missing, or ERROR_INVALID_DATA when it does not parse.
std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, LPCWSTR name);
std::optional<MenuTemplate> LoadMenuTemplate(HMODULE module, LPCWSTR name);
std::optional<std::vector<Accelerator>> LoadAcceleratorTable(HMODULE module, LPCWSTR name);

}  // namespace nux::res
