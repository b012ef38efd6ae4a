// The object look-ups: what the content database's look-up tables know of a sky object.
#include <string>
#include <string_view>

#include "ContentDatabase.h"
#include "Globals.h"
#include "NUXSV.h"
#include "Report.h"
#include "VariantText.h"
#include "mfc/afxwin.h"

namespace {

// A number column, read as a plain variant: NULL (or anything that is not a number) gives 0.
int ReadNumber(CDaoRecordset& rs, LPCWSTR column) {
  COleVariant value;
  rs.GetFieldValue(column, value);
  switch (value.vt) {
    case VT_I4:
      return int(value.lVal);
    case VT_I2:
      return value.iVal;
    case VT_UI1:
      return value.bVal;
    case VT_EMPTY:
    case VT_NULL:
      return 0;
    default: {
      COleVariant number;
      return SUCCEEDED(VariantChangeType(&number, &value, 0, VT_I4)) ? int(number.lVal) : 0;
    }
  }
}

// "SELECT * FROM <table> WHERE ID_QBZ_SV LIKE '<id>'", the id's quotes doubled.
std::u16string LookupSql(std::u16string_view table, const CString& id) {
  std::u16string sql;
  sql.reserve(64 + table.size() + size_t(id.GetLength()));
  sql += u"SELECT * FROM ";
  sql += table;
  sql += u" WHERE ID_QBZ_SV LIKE '";
  AppendSqlLikeValue(sql, id);
  sql += u'\'';
  return sql;
}

// The five numbers of a look-up record, in column order; *pKind when asked for. Returns
// whether the recordset had a record. Numbers read before a failure stay.
bool ReadLookup(const CString& id, CString* pKind, int* numbers[5]) {
  static const char16_t* const kColumns[5] = {u"SV_objectId_Lookup", u"DC_objectId_Lookup", u"PG_objectId_Lookup",
                                              u"RB_objectId_Lookup", u"HP_objectId_Lookup"};
  CDaoRecordset rs(GetContentDatabase());
  try {
    rs.Open(dbOpenDynaset, LookupSql(u"SV_LookUp_Table_Ref", id).c_str(), 0);
    if (rs.IsBOF() && rs.IsEOF()) {
      rs.Close();
      return false;
    }
    rs.MoveFirst();
    if (pKind) {
      CVariantText kind;
      rs.GetFieldValue(u"SV_TypeId_Lookup", kind);
      if (kind.m_value.vt != VT_NULL) *pKind = kind.ToString();
    }
    for (int i = 0; i < 5; ++i) *numbers[i] = ReadNumber(rs, kColumns[i]);
    rs.Close();
  } catch (CException* e) {
    ReportException(e, u"NUXSV_GetLookupTableRef");
  }
  return true;
}

bool AnyNonZero(int* numbers[5]) {
  for (int i = 0; i < 5; ++i) {
    if (*numbers[i] != 0) return true;
  }
  return false;
}

}  // namespace

NUXSV_EXPORT int NUXSV_GetLookupTableRef(CString strId, CString* pKind, int* pSkyView, int* pDict, int* pPGal,
                                         int* pRecB, int* pHelp, int* pSpare) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  int* numbers[5] = {pSkyView, pDict, pPGal, pRecB, pHelp};
  pKind->Empty();
  *pSpare = 0;
  for (int* n : numbers) *n = 0;
  if (!ReadLookup(strId, pKind, numbers)) return 0;
  *pSpare = 0;
  return !pKind->IsEmpty() || AnyNonZero(numbers) ? 1 : 0;
}

NUXSV_EXPORT int NUXSV_GetLookupTableRef2(CString strId, int* pSkyView, int* pDict, int* pPGal, int* pRecB,
                                          int* pHelp) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  int* numbers[5] = {pSkyView, pDict, pPGal, pRecB, pHelp};
  for (int* n : numbers) *n = 0;
  if (!ReadLookup(strId, nullptr, numbers)) return 0;
  return AnyNonZero(numbers) ? 1 : 0;
}

NUXSV_EXPORT int NUXSV_HasLookupTableRef(CString strId) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  CString kind;
  int skyView = 0, dict = 0, pgal = 0, recb = 0, help = 0, spare = 0;
  return NUXSV_GetLookupTableRef(strId, &kind, &skyView, &dict, &pgal, &recb, &help, &spare);
}

NUXSV_EXPORT void NUXSV_GetProperNamebySVID(CString strId, CString* pName) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  strId.MakeLower();
  pName->Empty();
  CDaoRecordset rs(GetContentDatabase());
  try {
    rs.Open(dbOpenDynaset, LookupSql(u"SV_LookUp_Table_Lang", strId).c_str(), 0);
    rs.MoveFirst();
    CVariantText name;
    rs.GetFieldValue(u"proper_name", name);
    *pName = name.ToString();
    rs.Close();
  } catch (CException* e) {
    ReportException(e, u"NUXSV_GetProperNamebySVID");
  }
}
