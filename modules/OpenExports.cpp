// The exports that open the library's reference windows, and the object popup menu.
#include "AstroDict.h"
#include "BigImage.h"
#include "BigImageAddress.h"
#include "ContentDatabase.h"
#include "Dictionary.h"
#include "FlatMenu.h"
#include "Globals.h"
#include "NUXSV.h"
#include "ObjectMenu.h"
#include "Search.h"
#include "Report.h"
#include "VariantText.h"
#include "mfc/afxwin.h"
#include "ui/window.h"

namespace {

// The module of the page a condition selects, lower-cased; "" when none is found.
CString ModuleOfCondition(LPCWSTR pszCondition) {
  CString module;
  CDaoRecordset rs(GetContentDatabase());
  try {
    CString sql = u"SELECT * FROM SV_MODULE WHERE ";
    if (pszCondition == nullptr || *pszCondition == 0) {
      sql += u"ID_TPL LIKE 'dict' ORDER BY proper_name ASC";
    } else {
      sql += pszCondition;
    }
    rs.Open(dbOpenDynaset, sql, 0);
    rs.MoveFirst();
    CVariantText value;
    rs.GetFieldValue(u"SV_MODULE", value);
    module = value.ToString();
    module.MakeLower();
    rs.Close();
  } catch (CException* e) {
    ReportException(e, u"NUXSV_OpenAstroDict");
  }
  return module;
}

// The window slots hold the windows as plain windows; the dialog base clears the slot it was
// given through a pointer to its own class.
CNUXDialog** DialogSlot(CWnd*& slot) { return reinterpret_cast<CNUXDialog**>(&slot); }

}  // namespace

NUXSV_EXPORT void NUXSV_OpenAstroDict(CWnd* pParent, LPCWSTR pszCondition, CStringArray* pWords) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  nuxsv::Globals& g = nuxsv::G();
  if (!IsDictActive() || !IsPGalActive() || !IsRecBActive()) {
    const CString module = ModuleOfCondition(pszCondition);
    if (module == u"dict" && !IsDictActive()) {
      ShowNoDictNotice();
      return;
    }
    if (module == u"pgal" && !IsPGalActive()) {
      ShowNoPGalNotice();
      return;
    }
    if (module == u"recb" && !IsRecBActive()) {
      ShowNoRecBNotice();
      return;
    }
  }

  if (g.astroDict != nullptr) {
    auto* dict = static_cast<CAstroDict*>(g.astroDict);
    if (pszCondition == nullptr) {
      dict->Display(CString(), nullptr, 1, 1);
    } else {
      dict->Display(CString(pszCondition), pWords, 1, 1);
    }
  } else {
    auto* dict = new CAstroDict(nullptr);
    g.astroDict = dict;
    if (!dict->CreatePlaced(pParent, u"AstroDict", DialogSlot(g.astroDict))) {
      // No window: nothing may stay in the slot (a later call would take the object for a
      // window and hand it a request).
      if (g.astroDict == dict) g.astroDict = nullptr;
      delete dict;
      return;
    }
    if (pszCondition != nullptr) dict->SetPendingRequest(CString(pszCondition), pWords);
  }
  if (g.astroDict != nullptr) {
    g.astroDict->BringWindowToTop();
    g.astroDict->SetFocus();
  }
}

NUXSV_EXPORT void NUXSV_OpenSearch(CWnd* pParent) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  CSearch::Open(pParent);
}

NUXSV_EXPORT void NUXSV_OpenDictionary(CWnd* pParent) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  CDictionary::Open(pParent);
}

NUXSV_EXPORT int NUXSV_OpenBigImage(CWnd* pParent, CString strAddress) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  CString path;
  int width = 0, height = 0;
  // Without a picture to show nothing is touched, not even the focus of a window that may not
  // exist.
  if (!ParseBigImageAddress(strAddress, path, width, height)) return 0;
  OpenBigImageWindow(pParent, path, width, height);
  return 0;
}

NUXSV_EXPORT int NUXSV_OpenLinkMenubySVID(CWnd* pHost, int x, int y, CString strId, int nOwnPage) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  ObjectMenuModel model;
  BuildObjectMenu(strId, nOwnPage, model);
  if (model.entries.GetSize() == 0) return 0;
  CFlatMenu menu;
  SetMenuStyle(menu);
  for (const ObjectMenuItem& item : model.items) {
    if (item.nID == 0) {
      menu.AddItem(FlatMenuItem::Separator, u"", 0, -1);
    } else {
      menu.AddItem(0, item.strText, int(item.nID), -1);
    }
  }
  const int choice = menu.TrackPopup(x, y, pHost != nullptr ? pHost->GetSafeHwnd() : nullptr, TRUE, FALSE, 0);
  return RunObjectMenuChoice(pHost, choice > 0 ? UINT(choice) : 0, model);
}
