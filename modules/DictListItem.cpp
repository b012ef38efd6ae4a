#include "DictListItem.h"

#include "RowColors.h"

IMPLEMENT_DYNCREATE(CDictListItem, CListWndItem)

CDictListItem::CDictListItem() { m_font.CreatePointFont(80, u"Arial"); }

CDictListItem::~CDictListItem() = default;

int CDictListItem::Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) {
  if (bMeasureOnly || rect.Width() <= 0 || rect.Height() <= 0) return DrawOn(pDC, rect, bMeasureOnly, nState);
  CDC memDC;
  CBitmap bitmap;
  if (!memDC.CreateCompatibleDC(pDC) || !bitmap.CreateCompatibleBitmap(pDC, rect.Width(), rect.Height())) {
    return DrawOn(pDC, rect, FALSE, nState);
  }
  CBitmap* oldBitmap = memDC.SelectObject(&bitmap);
  const int height = DrawOn(&memDC, CRect(0, 0, rect.Width(), rect.Height()), FALSE, nState);
  pDC->BitBlt(rect.left, rect.top, rect.Width(), rect.Height(), &memDC, 0, 0, SRCCOPY);
  memDC.SelectObject(oldBitmap);
  return height;
}

int CDictListItem::DrawOn(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) {
  if (!bMeasureOnly) {
    const RowColors& colors = RowColorsOfState(nState);
    pDC->FillSolidRect(&rect, colors.background);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(colors.text);
  }
  CRect text = rect;
  text.DeflateRect(3, 3);
  CFont* oldFont = pDC->SelectObject(&m_font);
  UINT format = DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX | DT_WORD_ELLIPSIS;
  if (bMeasureOnly) format |= DT_CALCRECT;
  const int height = pDC->DrawText(m_strText, &text, format);
  pDC->SelectObject(oldFont);
  return height + 6;
}
