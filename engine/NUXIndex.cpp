#include "NUXIndex.h"

BOOL NUXUtils::CreateIndex(CDaoTableDef& tableDef, LPCWSTR fieldName, BOOL primary, BOOL unique) {
  try {
    CDaoIndexFieldInfo field;
    field.m_strName = fieldName;
    field.m_bDescending = FALSE;

    CDaoIndexInfo index;
    index.m_strName = fieldName;
    index.m_pFieldInfos = &field;
    index.m_nFields = 1;
    index.m_bPrimary = primary;
    index.m_bUnique = unique;
    index.m_bClustered = FALSE;
    index.m_bIgnoreNulls = FALSE;
    index.m_bRequired = FALSE;
    index.m_bForeign = FALSE;
    tableDef.CreateIndex(index);
    return TRUE;
  } catch (CDaoException* e) {
    // Reported quietly: the caller only learns that the index is missing.
    e->Delete();
    return FALSE;
  }
}
