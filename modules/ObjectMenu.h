// The object popup menu: for a sky object it lists the object's reference pages and the
// commands the host's sky view offers for the object's kind; a chosen command is posted to the
// host's window with the object's number and the address of the library's object-kind buffer.
// Also the notices of switched-off modules.
#pragma once

#include <vector>

#include "base/types.h"
#include "mfc/collections.h"
#include "mfc/cstring.h"

class CWnd;
class CFlatMenu;

// The messages posted to the host for the object commands (2026 is not used).
#define WM_SV_OBJECT_INFO (WM_USER + 1000)
#define WM_SV_OBJECT_CENTER (WM_USER + 1001)
#define WM_SV_OBJECT_STAY (WM_USER + 1003)
#define WM_SV_OBJECT_FOLLOW (WM_USER + 1004)
#define WM_SV_OBJECT_FOLLOW_END (WM_USER + 1005)
#define WM_SV_OBJECT_FAVORITES (WM_USER + 1006)

// The module entries' command ids begin here: 100 + their index in the entry list.
enum { OBJECT_MENU_PAGE_BASE = 100, OBJECT_MENU_PAGE_LAST = 199 };
// The object-kind buffer: 63 characters and the terminator.
enum { OBJECT_KIND_CHARS = 64 };

// One object command: its id (1 to 6), the "Strings" key of its text, the message it posts.
struct ObjectCommand {
  UINT nID;
  const char16_t* pszKey;
  UINT nMessage;
};
// The six commands in the order of their ids.
const std::vector<ObjectCommand>& ObjectCommands();

// Whether an object of this kind is offered the command: each kind the command names is
// compared with the start of the object's kind, without regard to case.
BOOL KindOffersCommand(const CString& kind, UINT nCommand);

// A "Strings" text used as the format of a menu entry: its first "%s" is replaced by the name,
// literally; any other "%" stays as it stands (a text is never read as a format by itself).
CString FormatEntryText(const CString& format, const CString& name);

// The object-kind buffer whose address the posted commands carry; it keeps its text until the
// next choice.
const WCHAR* GetObjectKindBuffer();
// Copies a kind into the buffer, cut to the 63 characters that fit.
void SetObjectKindBuffer(const CString& kind);

struct ObjectMenuItem {
  UINT nID;  // 0: a separator
  CString strText;
};

// The menu of one object as it is offered.
struct ObjectMenuModel {
  CString strKind;                    // the object's kind ("" when nothing describes it)
  long lNumber = 0;                   // the object's number
  std::vector<ObjectMenuItem> items;  // in menu order
  CStringArray entries;               // one id for every item but the separator, in item order
};

// Builds the menu of an object through the look-up exports and the content database.
void BuildObjectMenu(const CString& objectId, int nOwnPage, ObjectMenuModel& menu);

// Acts on a choice of that menu (0: none): a page entry opens the main reference window on it
// and gives 1; otherwise the kind goes into the buffer, a command is posted to the host, and
// the result is 0.
int RunObjectMenuChoice(CWnd* pHost, UINT nChoice, const ObjectMenuModel& menu);

// The style every popup menu of the library has.
void SetMenuStyle(CFlatMenu& menu);

// The "not installed" notices of the three modules, owned by the window with the focus.
void ShowNoDictNotice();
void ShowNoRecBNotice();
void ShowNoPGalNotice();
