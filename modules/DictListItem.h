// CDictListItem: a row of the dictionary navigation panel: the plain title, light text on a
// dark row, painted off screen and copied in one piece.
#pragma once

#include "ListWndItem.h"

class CDictListItem : public CListWndItem {
  DECLARE_DYNCREATE(CDictListItem)

 public:
  CDictListItem();
  ~CDictListItem() override;

  int Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) override;

  CFont m_font;

 private:
  // Draws (or measures) the row into the rectangle of the context; the text height plus 6.
  int DrawOn(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState);
};
