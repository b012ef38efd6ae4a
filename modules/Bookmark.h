// CBookmark: the modeless bookmarks window of the main reference window. A tree of the user's
// bookmarks from the page browser's bookmark store (a node per page, the page's bookmarks under
// it), buttons to add, delete, rename and delete all, six type boxes for the type of new
// bookmarks, a note edit for the selected bookmark and a help button. Selecting a bookmark
// shows its page in the main window and jumps to it. The window is shown by its first timer
// tick, 5 ms after initialisation.
#pragma once

#include "Button1.h"
#include "Checkbox.h"
#include "NUXBrowser.h"
#include "NUXDialog.h"
#include "NUXEdit.h"
#include "NUXTreeCtrl.h"

enum {
  IDD_BOOKMARK = 186,
  IDC_BM_BACKGROUND = 1025,
  IDC_BM_CLOSE = 1027,
  IDC_BM_DELETE = 1040,
  IDC_BM_RENAME = 1043,
  IDC_BM_DELETEALL = 1044,
  IDC_BM_ADD = 1058,
  IDC_BM_NOTE = 1059,
  IDC_BM_HELP = 1081,
  IDC_BM_TREE = 1084,
  IDC_BM_TYPE1 = 1112,  // to 1117 for type 6
};

// The item pictures of the tree: collapsed, expanded, no children.
enum { IDB_BM_TREE_CLOSED = 200, IDB_BM_TREE_OPEN = 198, IDB_BM_TREE_LEAF = 199 };

class CBookmark : public CNUXDialog {
 public:
  enum { kShowTimer = 1, kShowDelay = 5 };

  explicit CBookmark(CWnd* pParent);
  ~CBookmark() override;

  // The main window's page browser, whose store the window shows; before the window is made.
  void SetBrowser(CNUXBrowser* pBrowser) { m_pBrowser = pBrowser; }
  // Selects the tree entry of the page shown (clears the selection when it has none).
  void Refresh();
  // Refills the tree from the store and selects the id (-1 or 0: none), acting on nothing.
  void SelectAndRefresh(long lID);
  // 1: by title; 2 and 3: by position in the page, then title; other values keep the order.
  void SetSortOrder(int nMode);
  // The type (1 to 6) of new bookmarks, kept library-wide; only its box is checked.
  void SelectType(int nType);

  int GetSortMode() const { return m_nSortMode; }
  long GetNoteBookmarkID() const { return m_lNoteID; }

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void UpdateTypeChecks();
  void SaveNote();
  // The note edit takes typing only while it shows a bookmark's note (read-only otherwise, so
  // that nothing typed is dropped unseen).
  void UpdateNoteEdit();
  void SetEntryButtons(short nState);

  afx_msg void OnSelchangedTree(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg void OnDestroy();
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

  void OnClickClose();
  void OnClickAdd();
  void OnClickDelete();
  void OnClickRename();
  void OnClickHelp();
  void OnClickDeleteAll();
  void OnClickType1() { SelectType(1); }
  void OnClickType2() { SelectType(2); }
  void OnClickType3() { SelectType(3); }
  void OnClickType4() { SelectType(4); }
  void OnClickType5() { SelectType(5); }
  void OnClickType6() { SelectType(6); }
  void OnBackMouseDown(short nButton, short nShift, long x, long y);
  void OnBackMouseMove(short nButton, short nShift, long x, long y);
  void OnBackMouseUp(short nButton, short nShift, long x, long y);
  DECLARE_EVENTSINK_MAP()

 public:
  CNUXEdit m_editNote;
  CNUXTreeCtrl m_Tree;
  CButton1 m_btnRename;
  CButton1 m_btnDelete;
  CCheckbox m_chkType[6];
  CNUXBrowser* m_pBrowser;
  int m_nSelHandling;  // 0 while the window itself changes the tree's selection
  int m_nSortMode;
  long m_lNoteID;  // the bookmark whose note the edit shows; -1: none
};
