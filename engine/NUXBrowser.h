// The window that hosts the web-browser control inside the library's dialogs: it loads a
// template, defers page text until the template has loaded, attaches the document host
// objects at each completion, turns link navigation into 0x465 to its parent, builds pages
// from database records with search and bookmark marks, keeps the user's bookmarks in
// "Bookmark.mdb" and prints with the library's page setup.
//
// Messages to the parent (wParam the control id): 0x465 link (lParam a BROWSERLINK), 0x498
// page ready, 0x49A print start (sent), 0x49B print end (posted). The document host objects
// send 0x465 to 0x46A and 0x52D to the owner (DocSink.h, CustomDoc.h).
#pragma once

#include <vector>

#include "CustomDoc.h"
#include "DocSink.h"
#include "browser/webbrowser2.h"
#include "dao/dao.h"
#include "mfc/afxwin.h"
#include "mfc/collections.h"

#define WM_BROWSER_PAGEREADY (WM_USER + 152)
#define WM_BROWSER_PRINTSTART (WM_USER + 154)
#define WM_BROWSER_PRINTEND (WM_USER + 155)

// Mark texts of the page.
#define BROWSER_SEARCH_START u"<SPAN class=Search ID=Search>"
#define BROWSER_SEARCH_END u"</SPAN>"
#define BROWSER_BOOKMARK_START u"<SPAN class=Bookmark%u><A name=Bookmark%u></A><IMG SRC='BM%u.bmp'>"
#define BROWSER_BOOKMARK_END u"</SPAN>"

// The print engine's standard header and footer.
#define BROWSER_STANDARD_HEADER u"&w&b &p / &P"
#define BROWSER_STANDARD_FOOTER u"&u&b&d"

// One bookmark mark of a page: positions in the page's clean text.
struct CBookmarkMark {
  long lStart;
  long lEnd;
  UINT nType;
  long lID;
};

class CNUXBrowser : public CWnd {
 public:
  CNUXBrowser();
  ~CNUXBrowser() override;

  // ---- creation and options ----
  BOOL CreateInPlace(CWnd* pDialog, UINT nPlaceholderID, LPCWSTR lpszPath);
  BOOL CreateChild(CWnd* pDialog, DWORD dwStyle, const RECT& rect, UINT nID, LPCWSTR lpszPath);
  BOOL Create(CWnd* pDialog, DWORD dwStyle, const RECT& rect, LPCWSTR lpszPath);
  BOOL CreateBrowserControl();
  void EnableUIHandler(BOOL bEnable, IDispatch* pExternal);
  void EnableEventSink(BOOL bEnable) { m_bEventSink = bEnable; }
  void SetInterceptLinks(BOOL bEnable) { m_bInterceptLinks = bEnable; }
  void SuppressParentRedraw(BOOL bSuppress) { m_bRedrawParent = !bSuppress; }

  // ---- navigation and document access ----
  void Navigate(LPCWSTR lpszPath);
  void ShowCurrentPath();
  void LoadPath(LPCWSTR lpszPath);
  // The control's document with a reference the caller releases; null without one.
  IHTMLDocument2* GetDocument();
  CString GetBodyHTML();
  void SetBodyHTML(const CString& text);
  BOOL HasSelection();
  void ScrollTo(long x, long y);
  void ScrollToTop() { ScrollTo(0, 0); }
  BOOL GetScrollPos(long& x, long& y);
  // Elements with a reference the caller releases; null when not found.
  IHTMLElement* FindAnchor(LPCWSTR lpszName);
  IHTMLElement* FindElement(LPCWSTR lpszName);
  void SetAnchor(LPCWSTR lpszName) { m_strPendingAnchor = lpszName; }
  BOOL GoToAnchor(LPCWSTR lpszName);
  BOOL ScrollToElement(LPCWSTR lpszName);
  void Copy();
  void ClearSelection();

  // ---- page building ----
  CString SetHTML(CDaoRecordset* pSet, LPCWSTR lpszTitleColumn, LPCWSTR lpszHTMLColumn, LPCWSTR lpszPathPrefix);
  BOOL SyncBookmarks(CDaoRecordset* pSet, LPCWSTR lpszTitleColumn, LPCWSTR lpszHTMLColumn, LPCWSTR lpszPathPrefix);
  void Refresh();
  void SetPage(const CString& text);
  void SetSearchTerms(const CStringArray& words);
  void HighlightSearchTerms();
  void MarkBookmarks();
  void RetrieveBookmarks();
  // The text operations of the marks (positions are UTF-16 indexes).
  static void InsertBookmarkMark(CString& text, long start, long end, UINT type, long id);
  // Inserts several marks in one pass, with the same outcome as inserting them one by one in
  // the given order (descending start) with InsertBookmarkMark.
  static void InsertBookmarkMarks(CString& text, const std::vector<CBookmarkMark>& marks);
  // Marks every hit of the terms (and their ss/ß variants) outside tags and character
  // references; the number of marks put.
  static int MarkSearchHits(CString& text, const CStringArray& terms);
  static void RemoveSearchMarks(CString& text);
  static void WidenRangeOverLinks(const CString& text, long& start, long& end);

  // ---- bookmark store ----
  BOOL CreateBookmarkDatabase(LPCWSTR lpszPath);
  BOOL InitBookmarks(LPCWSTR lpszPath, BOOL bCreate);
  BOOL BookmarksEnabled() const { return m_bBookmarksEnabled; }
  CDaoDatabase* GetBookmarkDatabase() const { return m_pBookmarkDB; }
  long InsertBookmarkNode(long lContentID, LPCWSTR lpszTitle);
  long AddBookmark(LPCWSTR lpszTitle, LPCWSTR lpszNote);
  long AddBookmarkFromSelection(UINT nType);
  BOOL RenameBookmark(long lID, LPCWSTR lpszTitle, UINT nType);
  BYTE GetBookmarkType(long lID);
  CString GetBookmarkNote(long lID);
  BOOL SetBookmarkNote(long lID, LPCWSTR lpszNote);
  long GetBookmarkContentID(long lID);
  long GetBookmarkNodeID();
  BOOL DeleteBookmark(long lID);
  // FALSE when the new store could not be made (the old one is then emptied instead).
  BOOL DeleteAllBookmarks();
  void SetBookmarkAnchor(long lID);
  BOOL GoToBookmark(long lID);

  // ---- printing ----
  void SetPrintHeader(LPCWSTR lpszHeader) { m_strPrintHeader = lpszHeader; }
  void SetPrintFooter(LPCWSTR lpszFooter) { m_strPrintFooter = lpszFooter; }
  BOOL Print(BOOL bPreview);
  void WritePageSetup();
  void RestorePageSetup();

  BOOL PreTranslateMessage(MSG* pMsg) override;

  // ---- state (the load-pending flag and the content id are read by the owners) ----
  CString m_strCurrentPath;
  BOOL m_bLoadPending;
  BOOL m_bPrinting;
  BOOL m_bUIHandler;
  BOOL m_bEventSink;
  BOOL m_bBookmarksEnabled;
  BOOL m_bInterceptLinks;
  BOOL m_bRedrawParent;
  CWebBrowser2 m_wndBrowser;
  CWnd* m_pOwner;
  UINT m_nControlID;
  CString m_strKeptPage;
  CDocSink* m_pEventSink;
  IDispatch* m_pExternal;
  CString m_strPendingAnchor;
  CStringArray m_aSearchTerms;
  int m_nZoom;
  CString m_strPrintHeader;
  CString m_strPrintFooter;
  CDaoDatabase* m_pBookmarkDB;
  long m_lContentID;
  CString m_strContentTitle;
  CString m_strBookmarkPath;
  CDaoDatabase* m_pContentDB;
  CString m_strContentQuery;
  CString m_strTitleColumn;
  CString m_strHTMLColumn;
  CString m_strPathPrefix;

 protected:
  afx_msg void OnDestroy();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  void OnDocumentComplete(LPDISPATCH pDisp, VARIANT* URL);
  void OnBeforeNavigate2(LPDISPATCH pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                         VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
  void OnPrintTemplateInstantiation(LPDISPATCH pDisp);
  void OnPrintTemplateTeardown(LPDISPATCH pDisp);
  DECLARE_MESSAGE_MAP()
  DECLARE_EVENTSINK_MAP()

 private:
  // The user's own page-setup values, kept from print start to print end.
  struct SavedSetupValue {
    BOOL bPresent = FALSE;
    CString strValue;
  };
  SavedSetupValue m_savedSetup[6];
  BOOL m_bSetupSaved;

  IHTMLElement* GetBody();
  // Binds the host to the recordset's current record (content id and title, the query and
  // columns that rebuild the page); FALSE on a database error.
  BOOL Bind(CDaoRecordset* pSet, LPCWSTR lpszTitleColumn, LPCWSTR lpszHTMLColumn, LPCWSTR lpszPathPrefix);
  CWnd* GetNotifyParent();
  // Opens the store at the path and checks that it holds the table Bookmark with its fields;
  // FALSE with the reason (and whether the file is no store of ours at all) otherwise.
  BOOL OpenBookmarkStore(LPCWSTR lpszPath, CString& strReason, BOOL& bForeign);
  BOOL CreateHostWindow(CWnd* pDialog, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, UINT nID,
                        LPCWSTR lpszPath);
  void RemoveSelectionMarkers();
};
