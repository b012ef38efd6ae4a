#include "DictLangItem3.h"

IMPLEMENT_DYNCREATE(CDictLangItem3, CDictLangItem)

int CDictLangItem3::Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) {
  return DrawRow(pDC, rect, bMeasureOnly, nState, 3);
}
