#include "DictLangItem.h"

#include <algorithm>

#include "VariantText.h"

IMPLEMENT_DYNCREATE(CDictLangItem, CListWndItem)

namespace {

CString ReadText(CDaoRecordset* pRecordset, LPCWSTR column) {
  CVariantText value;
  pRecordset->GetFieldValue(column, value.Variant());
  return value.ToString();
}

struct StateColors {
  COLORREF base;
  COLORREF highlight;
};

// Normal, hot and selected.
const StateColors kColors[3] = {
    {RGB(0x8C, 0x8F, 0x9E), RGB(0x98, 0x9B, 0xA8)},
    {RGB(0xA5, 0xA6, 0xAA), RGB(0xA2, 0xA9, 0xB7)},
    {RGB(0xA5, 0xA6, 0xAA), RGB(0xAF, 0xB7, 0xC6)},
};

const COLORREF kDivider = RGB(0xBB, 0xBF, 0xB8);

}  // namespace

CDictLangItem::CDictLangItem() { m_font.CreatePointFont(80, u"Arial"); }

CDictLangItem::~CDictLangItem() = default;

void CDictLangItem::ReadRecord(CDaoRecordset* pRecordset) {
  if (pRecordset == nullptr) return;
  m_strEnglish = ReadText(pRecordset, u"DC_ADC_EN");
  m_strGerman = ReadText(pRecordset, u"DC_ADC_DE");
  m_strFrench = ReadText(pRecordset, u"DC_ADC_FR");
}

int CDictLangItem::Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) {
  return DrawRow(pDC, rect, bMeasureOnly, nState, 1);
}

int CDictLangItem::DrawRow(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState, int nLanguage) {
  CRect columns[3] = {
      CRect(rect.left, rect.top, rect.left + kEnglishWidth, rect.bottom),
      CRect(rect.left + kEnglishWidth, rect.top, rect.left + kFrenchLeft, rect.bottom),
      CRect(rect.left + kFrenchLeft, rect.top, rect.right, rect.bottom),
  };
  if (!bMeasureOnly) {
    // A state outside the three paints as the normal row.
    const StateColors& colors = kColors[nState >= 0 && nState <= 2 ? nState : 0];
    for (int i = 0; i < 3; ++i) {
      pDC->FillSolidRect(&columns[i], i + 1 == nLanguage ? colors.highlight : colors.base);
    }
    CPen pen(PS_SOLID, 1, kDivider);
    CPen* oldPen = pDC->SelectObject(&pen);
    for (int i = 1; i < 3; ++i) {
      pDC->MoveTo(columns[i].left - 1, rect.top);
      pDC->LineTo(columns[i].left - 1, rect.bottom);
    }
    pDC->SelectObject(oldPen);
    pDC->SetBkMode(TRANSPARENT);
  }
  CFont* oldFont = pDC->SelectObject(&m_font);
  if (!bMeasureOnly) pDC->SetTextColor(RGB(0, 0, 0));
  UINT format = DT_VCENTER | DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX | DT_WORD_ELLIPSIS;
  if (bMeasureOnly) format |= DT_CALCRECT;
  const CString* words[3] = {&m_strEnglish, &m_strGerman, &m_strFrench};
  int height = 0;
  for (int i = 0; i < 3; ++i) {
    CRect text = columns[i];
    text.DeflateRect(kInset, kInset);
    // The row is as high as its highest text.
    height = std::max(height, pDC->DrawText(*words[i], &text, format));
  }
  pDC->SelectObject(oldFont);
  return height + 6;
}
