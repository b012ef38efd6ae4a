// CDictLangItem3: a row of the dictionary word list shown in French: the French column lit.
#pragma once

#include "DictLangItem.h"

class CDictLangItem3 : public CDictLangItem {
  DECLARE_DYNCREATE(CDictLangItem3)

 public:
  int Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) override;
};
