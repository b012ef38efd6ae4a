// CSearch: the full-text search window. The user types a query (the operator buttons insert
// the interface's words for OR, AND, NOT and parentheses), chooses the modules to search and
// whether only whole words count; the query becomes SQL through CSearchParser, the result list
// shows the titles of the pages found, and a click on one opens it in the main reference
// window with the query's words marked. There is at most one; it owns itself and clears the
// library's slot when it is destroyed.
#pragma once

#include "Button1.h"
#include "Checkbox.h"
#include "Image1.h"
#include "ListWnd.h"
#include "NUXDialog.h"
#include "NUXEdit.h"
#include "SearchParser.h"

// Template and control ids of the search window.
enum {
  IDD_SEARCH = 173,
  IDC_SEARCH_PICTURE = 1025,
  IDC_SEARCH_CLOSE = 1027,
  IDC_SEARCH_OR = 1028,
  IDC_SEARCH_AND = 1029,
  IDC_SEARCH_NOT = 1030,
  IDC_SEARCH_OPEN = 1031,
  IDC_SEARCH_CLOSEPAREN = 1032,
  IDC_SEARCH_GO = 1033,
  IDC_SEARCH_QUERY = 1059,
  IDC_SEARCH_WHOLEWORD = 1116,
  IDC_SEARCH_HELP = 1117,
  IDC_SEARCH_DICT = 1126,
  IDC_SEARCH_PGAL = 1127,
  IDC_SEARCH_RECB = 1128,
  IDC_SEARCH_HELPPAGES = 1129,
  IDC_SEARCH_LIST = 150,
};

class CSearch : public CNUXDialog {
 public:
  explicit CSearch(CWnd* pParent);
  ~CSearch() override;

  // Makes the window (placement "Search") unless one exists; the existing or new window, or
  // NULL when it could not be made.
  static CSearch* Open(CWnd* pParent);

  // Searches for the typed query (also the Enter key).
  void OnClickSearch();
  // Fills the list with the parsed query's pages of the checked modules.
  void RunQuery();
  // Puts a piece of query text at the caret, with a blank before it when asked and needed.
  void InsertText(const CString& strText, BOOL bBlankBefore);
  // Opens the page of the clicked result with the query's words.
  afx_msg LRESULT OnClickList(WPARAM wParam, LPARAM lParam);
  // Opens the search help page.
  void OnClickHelp();

  CNUXEdit m_editQuery;
  CCheckbox m_chkWholeWord;
  CCheckbox m_chkDict;
  CCheckbox m_chkPGal;
  CCheckbox m_chkRecB;
  CCheckbox m_chkHelp;
  CListWnd m_List;
  CString m_strOrderColumn;
  CSearchParser m_Parser;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnClickClose();
  void OnClickOr();
  void OnClickAnd();
  void OnClickNot();
  void OnClickOpenParen();
  void OnClickCloseParen();
  void OnMouseDownPicture(short nButton, short nShift, long x, long y);
  void OnMouseMovePicture(short nButton, short nShift, long x, long y);
  void OnMouseUpPicture(short nButton, short nShift, long x, long y);

  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()
};
