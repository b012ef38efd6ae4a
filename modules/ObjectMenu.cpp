#include "ObjectMenu.h"


#include "ContentDatabase.h"
#include "EngineConfig.h"
#include "FlatMenu.h"
#include "NUXUtils.h"
#include "Globals.h"
#include "NUXSV.h"
#include "Report.h"
#include "mfc/afxwin.h"
#include "ui/msgbox.h"
#include "ui/window.h"

namespace {

// A decimal number as the run-time library reads one: blanks, a sign, the digits up to the
// first other character; 0 without digits, held at the limits of a long.
long DecimalNumber(const CString& text) {
  int i = 0;
  while (i < text.GetLength() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.GetLength() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.GetLength() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > 0x80000000LL) value = 0x80000000LL;
  }
  if (negative) value = -value;
  if (value > 0x7FFFFFFFLL) value = 0x7FFFFFFFLL;
  return long(value);
}

CString ProperName(const CString& id) {
  CString name;
  NUXSV_GetProperNamebySVID(id, &name);
  return name;
}

// Whether the content table has a page of that id.
BOOL HasOwnPage(const CString& objectId) {
  BOOL found = FALSE;
  CDaoRecordset rs(GetContentDatabase());
  try {
    CString sql = u"SELECT * FROM SV_Module WHERE ID_QBZ_SV LIKE '" + SqlLikeValue(objectId) + u"'";
    rs.Open(dbOpenDynaset, sql, 0);
    found = !(rs.IsBOF() && rs.IsEOF());
    rs.Close();
  } catch (CException* e) {
    ReportException(e, u"NUXSV_OpenLinkMenubySVID");
  }
  return found;
}

void AddEntry(ObjectMenuModel& menu, const CString& pageId, const char16_t* key) {
  ObjectMenuItem item;
  item.nID = UINT(OBJECT_MENU_PAGE_BASE + menu.entries.GetSize());
  item.strText = FormatEntryText(theEngineConfig.GetString(key), ProperName(pageId));
  menu.entries.Add(pageId);
  menu.items.push_back(item);
}

void ShowNotice(const char16_t* key) {
  CString text = theEngineConfig.GetString(key) + u"\n" + theEngineConfig.GetString(u"WebUpgrade");
  MessageBoxW(GetFocus(), text, theEngineConfig.GetString(u"Notice"), MB_ICONINFORMATION);
}

}  // namespace

void BuildObjectMenu(const CString& objectId, int nOwnPage, ObjectMenuModel& menu) {
  menu.strKind.Empty();
  menu.lNumber = 0;
  menu.items.clear();
  menu.entries.RemoveAll();
  int skyView = 0, dict = 0, pgal = 0, recb = 0, help = 0, spare = 0;
  NUXSV_GetLookupTableRef(objectId, &menu.strKind, &skyView, &dict, &pgal, &recb, &help, &spare);
  menu.lNumber = skyView;
  if (menu.strKind.IsEmpty() && menu.lNumber == 0) {
    // Nothing in the look-up table: the id itself names kind and number (NSTR1234).
    menu.strKind = objectId.Left(4);
    menu.lNumber = DecimalNumber(objectId.Mid(4));
  }

  if (nOwnPage && HasOwnPage(objectId)) AddEntry(menu, objectId, u"Dict");
  CString pageId;
  if (dict != 0) {
    pageId.Format(u"dict%li", long(dict));
    AddEntry(menu, pageId, u"Dict");
  }
  if (pgal != 0) {
    pageId.Format(u"pgal%li", long(pgal));
    AddEntry(menu, pageId, u"PGal");
  }
  if (recb != 0) {
    pageId.Format(u"recb%li", long(recb));
    AddEntry(menu, pageId, u"RecB");
  }
  if (help != 0) {
    pageId.Format(u"help%li", long(help));
    AddEntry(menu, pageId, u"Help");
  }

  if (menu.strKind.IsEmpty()) return;
  CString composed;
  composed.Format(u"%s%li", static_cast<LPCWSTR>(menu.strKind), menu.lNumber);
  const CString name = ProperName(composed);
  bool first = true;
  for (const ObjectCommand& command : ObjectCommands()) {
    if (!KindOffersCommand(menu.strKind, command.nID)) continue;
    if (first && menu.entries.GetSize() > 0) menu.items.push_back(ObjectMenuItem{0, CString()});
    first = false;
    menu.entries.Add(composed);
    menu.items.push_back(ObjectMenuItem{command.nID, FormatEntryText(theEngineConfig.GetString(command.pszKey), name)});
  }
}

int RunObjectMenuChoice(CWnd* pHost, UINT nChoice, const ObjectMenuModel& menu) {
  if (nChoice >= OBJECT_MENU_PAGE_BASE && nChoice <= OBJECT_MENU_PAGE_LAST) {
    const INT_PTR index = INT_PTR(nChoice - OBJECT_MENU_PAGE_BASE);
    if (index >= menu.entries.GetSize()) return 0;
    CString condition = u"ID_QBZ_SV like '" + SqlLikeValue(menu.entries[index]) + u"'";
    NUXSV_OpenAstroDict(pHost, condition, nullptr);
    return 1;
  }
  SetObjectKindBuffer(menu.strKind);
  for (const ObjectCommand& command : ObjectCommands()) {
    if (command.nID != nChoice) continue;
    HWND host = pHost != nullptr ? pHost->GetSafeHwnd() : nullptr;
    // Without a host window there is nobody to tell (a null window would post to the thread).
    if (host != nullptr) PostMessageW(host, command.nMessage, WPARAM(menu.lNumber), reinterpret_cast<LPARAM>(GetObjectKindBuffer()));
  }
  return 0;
}

void SetMenuStyle(CFlatMenu& menu) {
  menu.SetStyle(u"Arial", 8, RGB(0, 0, 0), RGB(0xA0, 0xA0, 0xA0), SwapRGB(0x262A3D), RGB(0xFF, 0xFF, 0xFF), RGB(0, 0, 0));
  menu.Init(AfxGetInstanceHandle(), -1);
}

void ShowNoDictNotice() { ShowNotice(u"NoDictMessage"); }
void ShowNoRecBNotice() { ShowNotice(u"NoRecBMessage"); }
void ShowNoPGalNotice() { ShowNotice(u"NoPGalMessage"); }
