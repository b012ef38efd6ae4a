// CDictLangItem2: a row of the dictionary word list shown in German: the German column lit.
#pragma once

#include "DictLangItem.h"

class CDictLangItem2 : public CDictLangItem {
  DECLARE_DYNCREATE(CDictLangItem2)

 public:
  int Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) override;
};
