#include "SearchListItem.h"

#include "RowColors.h"
#include "VariantText.h"

IMPLEMENT_DYNCREATE(CSearchListItem, CListWndItem)

CSearchListItem::CSearchListItem() { m_font.CreatePointFont(80, u"Arial"); }

CSearchListItem::~CSearchListItem() = default;

UINT CSearchListItem::IconOfTemplate(const CString& strCode) {
  if (strCode == u"DICT" || strCode.Left(2) == u"DC") return kIconDict;
  if (strCode == u"PGAL" || strCode == u"PGGG") return kIconPGal;
  if (strCode == u"RECB" || strCode == u"RBPG") return kIconRecB;
  if (strCode == u"HLPW" || strCode == u"HLPS") return kIconHelp;
  if (strCode == u"ENC" || strCode == u"ASO") return kIconEnc;
  return 0;
}

void CSearchListItem::ReadRecord(CDaoRecordset* pRecordset) {
  if (pRecordset == nullptr) return;
  CVariantText value;
  pRecordset->GetFieldValue(u"ID_TPL", value.Variant());
  m_strTemplate = value.ToString();
  m_strTemplate.MakeUpper();
  m_dib.Free();
  const UINT icon = IconOfTemplate(m_strTemplate);
  if (icon != 0) m_dib.LoadResource(icon);
}

int CSearchListItem::Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) {
  if (!bMeasureOnly) {
    const RowColors& colors = RowColorsOfState(nState);
    pDC->FillSolidRect(&rect, colors.background);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(colors.text);
  }
  CRect text = rect;
  if (m_dib.IsValid()) {
    if (!bMeasureOnly) m_dib.Draw(pDC, rect.left, rect.top + 2, SRCCOPY);
    text.left = rect.left + m_dib.GetWidth() + 3;
  } else {
    text.left = rect.left + 3;
  }
  text.top += 3;
  text.right -= 3;
  text.bottom -= 3;
  CFont* oldFont = pDC->SelectObject(&m_font);
  UINT format = DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX | DT_WORD_ELLIPSIS;
  if (bMeasureOnly) format |= DT_CALCRECT;
  const int height = pDC->DrawText(m_strText, &text, format);
  pDC->SelectObject(oldFont);
  return height + 6;
}
