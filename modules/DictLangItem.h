// CDictLangItem: a row of the dictionary word list. It shows the entry's head word in English,
// German and French side by side and lights the column of the list's language; the derived
// rows CDictLangItem2 (German) and CDictLangItem3 (French) only choose another column. The row
// is as high as its French text needs.
#pragma once

#include "Dib.h"
#include "ListWndItem.h"

class CDictLangItem : public CListWndItem {
  DECLARE_DYNCREATE(CDictLangItem)

 public:
  // The column widths from the row's left edge: English, then German; French takes the rest.
  enum { kEnglishWidth = 196, kFrenchLeft = 393, kInset = 3 };

  CDictLangItem();
  ~CDictLangItem() override;

  // Reads the head words of the three languages.
  void ReadRecord(CDaoRecordset* pRecordset) override;
  // The English row.
  int Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) override;
  // Paints (or measures) the three columns, the column of nLanguage (1 English, 2 German,
  // 3 French) in the highlight colour; returns the French text's height plus 6.
  virtual int DrawRow(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState, int nLanguage);

  CFont m_font;
  CDib m_dib;  // kept for rows that show a picture; none loads one
  CString m_strEnglish;
  CString m_strGerman;
  CString m_strFrench;
};
