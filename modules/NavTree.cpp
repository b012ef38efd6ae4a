#include "NavTree.h"

#include "ContentDatabase.h"
#include "Globals.h"
#include "NUXUtils.h"
#include "Report.h"
#include "VariantText.h"

namespace {

enum { kPictureCollapsed = 190, kPictureExpanded = 188, kPictureLeaf = 189 };

long ReadID(CDaoRecordset& rs) {
  COleVariant value;
  rs.GetFieldValue(u"ID", value);
  if (value.vt == VT_I4) return long(value.lVal);
  COleVariant number;
  return SUCCEEDED(VariantChangeType(&number, &value, 0, VT_I4)) ? long(number.lVal) : 0;
}

}  // namespace

void InitNavTree(CNUXTreeCtrl& tree, LPCWSTR lpszTable) {
  tree.SetBitmaps(kPictureCollapsed, kPictureExpanded, kPictureLeaf);
  tree.SetColors(SwapRGB(0xADADAD), SwapRGB(0xCCCCCC), SwapRGB(0xFDB86D), SwapRGB(0x32343C), SwapRGB(0x626262),
                 SwapRGB(0x444444));
  tree.Init(GetContentDatabase(), lpszTable, u"", u"ID ASC", u"Arial", 80, 1);
  tree.Refresh();
}

void UpdateNavTree(CNUXTreeCtrl& tree, LPCWSTR lpszTable, const CString& strObjectID, LPCWSTR lpszContext) {
  CDaoDatabase* db = GetContentDatabase();
  if (db == nullptr) return;
  CDaoRecordset rs(db);
  try {
    CString sql = CString(u"SELECT * FROM ") + lpszTable + u" WHERE ID_TA_HTML LIKE '" + SqlLikeValue(strObjectID) + u"'";
    rs.Open(dbOpenDynaset, sql, 0);
    if (rs.IsEOF()) {
      tree.ClearSelection();
    } else {
      const long id = ReadID(rs);
      if (id != tree.GetSelectedID()) {
        tree.SuppressSelChange();
        tree.SelectID(id, TRUE);
      }
    }
    rs.Close();
  } catch (CException* e) {
    ReportException(e, lpszContext);
  }
}

CString NavTreeCondition(LPCWSTR lpszQueryFormat, long nID, LPCWSTR lpszContext) {
  CDaoDatabase* db = GetContentDatabase();
  if (db == nullptr) return u"";
  CDaoRecordset rs(db);
  CString condition;
  try {
    CString sql;
    sql.Format(lpszQueryFormat, nID);
    rs.Open(dbOpenDynaset, sql, 0);
    if (!rs.IsEOF()) {
      CVariantText value;
      rs.GetFieldValue(u"ID_TA_HTML", value);
      condition = u"ID_QBZ_SV LIKE '" + SqlLikeValue(value.ToString()) + u"'";
    }
    rs.Close();
  } catch (CException* e) {
    ReportException(e, lpszContext);
  }
  return condition;
}
