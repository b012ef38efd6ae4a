// CAstroDict: the main reference window. A skinned, resizable, modeless dialog that shows one
// record of the content table as a page in its browser, with the module's side panel on the
// left, the module tabs, the toolbar buttons and a page history of 20 entries. There is at
// most one; NUXSV_OpenAstroDict makes it or hands it a new request, and every other window of
// the library shows a page through Display.
#pragma once

#include "AstroDictHistory.h"
#include "Button1.h"
#include "Checkbox.h"
#include "Image1.h"
#include "NUXBrowser.h"
#include "NUXDialogSkin.h"
#include "mfc/collections.h"

class CPanel;
class CCtrlLayout;

// Control ids of the main reference window's template.
enum {
  IDD_ASTRODICT = 177,
  IDC_AD_CLOSE = 1027,
  IDC_AD_FOLD = 1028,
  IDC_AD_BACK = 1029,
  IDC_AD_FORWARD = 1030,
  IDC_AD_OBJECTMENU = 1031,
  IDC_AD_SEARCH = 1033,
  IDC_AD_BOOKMARKS = 1034,
  IDC_AD_WORDLIST = 1035,
  IDC_AD_COPY = 1078,
  IDC_AD_PRINT = 1079,
  IDC_AD_BROWSER = 1082,
  IDC_AD_CAPTION = 1109,
  IDC_AD_LEFT = 1110,
  IDC_AD_RIGHT = 1111,
  IDC_AD_TAB_DICT = 1120,
  IDC_AD_TAB_PGAL = 1121,
  IDC_AD_TAB_RECB = 1122,
  IDC_AD_TAB_HELP = 1123,
  IDC_AD_TITLE = 1135,
};

// The browser's messages to this window.
#define WM_AD_LINK (WM_USER + 101)
#define WM_AD_CONTEXTMENU (WM_USER + 301)
#define WM_AD_PAGEREADY (WM_USER + 152)

class CAstroDict : public CNUXDialogSkin {
 public:
  typedef sAstroDictHistory sHistory;

  enum { kFirstDisplayTimer = 1, kFirstDisplayDelay = 100, kPrintTimer = 2, kPanelTop = 50, kFoldedHeight = 22 };

  explicit CAstroDict(CWnd* pParent);
  ~CAstroDict() override;

  // Keeps the condition and a copy of the words (when given) for the first display.
  void SetPendingRequest(const CString& strCondition, CStringArray* pWords);
  // Shows the first record the condition selects ("" : the first dictionary page by name).
  // Null words keep the terms the browser holds; bAddHistory pushes the page on the history;
  // bUpdatePanel is handed to SetModule.
  void Display(const CString& strCondition, CStringArray* pWords, int bAddHistory, int bUpdatePanel);
  // Chooses the side panel of a template code.
  void SetModule(const CString& strCode, int bUpdatePanel);
  // The four tabs and the title picture after the current module.
  void ShowModuleTitle();
  // Places a side panel (null: the current one) at the left of the client area under the caption.
  void PositionPanel(CPanel* pPanel);

  // What the window shows.
  const CString& GetModule() const { return m_strModule; }
  const CString& GetObjectID() const { return m_strSVID; }
  long GetContentID() const { return m_lContentID; }
  CPanel* GetPanel() const { return m_pPanel; }
  CNUXBrowser& GetBrowser() { return m_Browser; }
  CHistoryTemp<sHistory>& GetHistory() { return m_History; }

  // Toolbar (AstroDictToolbar.cpp): the buttons' clicks arrive through the event sink map.
  // History steps show the entry's page again and scroll it back when it is ready.
  void GoBack();
  void GoForward();
  // Prints the body of the page shown through the hidden print browser, once it has loaded.
  void Print();
  void OnClickObjectMenu();
  // Opens the bookmarks window on the page browser's store; nothing when it is open.
  void ShowBookmarks();
  // Folds the window to its caption strip or back to its height at initialisation.
  void ToggleFold();
  CNUXBrowser* GetPrintBrowser() const { return m_pPrintBrowser; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void SetupLayout(CCtrlLayout* pLayout) override;

  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnClose();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg LRESULT OnLinkClicked(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnBrowserContextMenu(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnPageReady(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  void OnPrintTimer();
  void OnClickClose();
  void OnClickCopy();
  void OnClickSearch();
  void OnClickWordList();
  void OnClickTabDict();
  void OnClickTabPGal();
  void OnClickTabRecB();
  void OnClickTabHelp();
  void OnCaptionDown(short nButton, short nShift, long x, long y);
  void OnCaptionMove(short nButton, short nShift, long x, long y);
  void OnCaptionUp(short nButton, short nShift, long x, long y);
  DECLARE_EVENTSINK_MAP()

 public:
  CButton1 m_btnBack;
  CButton1 m_btnForward;
  CCheckbox m_tabDict;
  CCheckbox m_tabPGal;
  CCheckbox m_tabRecB;
  CCheckbox m_tabHelp;
  CButton1 m_btnObjectMenu;
  CButton1 m_btnWordList;
  CImage1 m_imgTitle;
  CNUXBrowser m_Browser;
  CNUXBrowser* m_pPrintBrowser;
  CString m_strModule;
  CString m_strSVID;
  int m_nPendingScroll;
  BOOL m_bScrollWaitsForText = FALSE;  // a step's page text waits for its template to load
  CHistoryTemp<sHistory> m_History;
  long m_lContentID;
  CNUXDialog* m_pBookmark;  // the bookmarks dialog while it is open; it clears this member itself
  CPanel* m_pPanel;
  int m_nFoldedHeight;
  int m_nUnfoldedHeight;
  BYTE m_bUnfolded;
  CString m_strPendingCondition;
  CStringArray m_aPendingWords;
};
