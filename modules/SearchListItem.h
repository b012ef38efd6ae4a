// CSearchListItem: a row of the search window's result list: the page title after a small
// icon of the page's module (dictionary, picture gallery, reference book, help, encyclopaedia),
// light text on a dark row.
#pragma once

#include "Dib.h"
#include "ListWndItem.h"

class CSearchListItem : public CListWndItem {
  DECLARE_DYNCREATE(CSearchListItem)

 public:
  // The bitmap resources of the module icons (22 x 14 pixels).
  enum { kIconDict = 181, kIconPGal = 182, kIconRecB = 183, kIconHelp = 207, kIconEnc = 215 };

  CSearchListItem();
  ~CSearchListItem() override;

  // The icon resource of a template code (upper case); 0 for a code without one.
  static UINT IconOfTemplate(const CString& strCode);

  // Reads the template code (upper-cased) and loads its icon.
  void ReadRecord(CDaoRecordset* pRecordset) override;
  int Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) override;

  CFont m_font;
  CDib m_dib;  // the module icon; empty when the code has none
  CString m_strTemplate;
};
