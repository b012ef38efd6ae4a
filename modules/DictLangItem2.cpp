#include "DictLangItem2.h"

IMPLEMENT_DYNCREATE(CDictLangItem2, CDictLangItem)

int CDictLangItem2::Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) {
  return DrawRow(pDC, rect, bMeasureOnly, nState, 2);
}
