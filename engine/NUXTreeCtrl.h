// CNUXTreeCtrl: an owner-drawn tree whose items come from one table (ID, PID, Title): a record
// with PID 0 is a top-level item, any other one a child of the record whose ID is its PID.
// Levels are read when first expanded (an item with children carries a placeholder child "~"
// until then); SelectID reaches an item not yet read by walking its parent chain in the table.
// It paints its items itself (normal, hot and selected colours, optional images and check
// boxes) through memory bitmaps, and tells its parent of the mouse by private messages:
//   0x52D (0, item)  the mouse moved onto another item
//   0x52E (0, 0)     the mouse moved over no item or the non-client area
//   0x52F (0, item)  the item's check box was toggled by the mouse
//   0x530 (0, item)  the right button was released over an item
// The wait cursor shown while a check box toggle updates the tree and the arrow shown after it
// are the engine's start-up cursors, handed in once with SetCursors.
#pragma once

#include <map>
#include <vector>

#include "Dib.h"
#include "dao/dao.h"
#include "mfc/afxwin.h"
#include "mfc/treectrl.h"

#define WM_NUXTREE_HOTITEM 0x52D
#define WM_NUXTREE_NOITEM 0x52E
#define WM_NUXTREE_CHECKED 0x52F
#define WM_NUXTREE_RCLICK 0x530

class CNUXTreeCtrl : public CTreeCtrl {
 public:
  // An item's parameter; owned by the item.
  struct ItemData {
    long nID;
    long nValue;  // the record's PID after a fill
    BYTE* pData;  // a copied block or NULL
    DWORD nSize;
  };
  enum { kDragTimer = 2 };

  CNUXTreeCtrl();
  ~CNUXTreeCtrl() override;

  // The arrow and wait cursors of the engine (loaded by the library's start-up check); until
  // they are set, the system's arrow and wait cursors.
  static void SetCursors(HCURSOR hArrow, HCURSOR hWait);

  // FALSE for no database or when initialised already. The font: the face at nSize / 10 points
  // with the style bits nWeight.
  BOOL Init(CDaoDatabase* pDatabase, LPCWSTR lpszTable, LPCWSTR lpszFilter, LPCWSTR lpszOrder, LPCWSTR lpszFace,
            int nSize, int nWeight);
  BOOL SetSource(CDaoDatabase* pDatabase, LPCWSTR lpszTable, LPCWSTR lpszFilter, LPCWSTR lpszOrder);
  void SetOrder(LPCWSTR lpszOrder) { m_strOrder = lpszOrder ? lpszOrder : u""; }
  // Normal text, hot text, selected text, background, hot background, selected background;
  // pure white (transparent in painting) is kept as 0xFFFFF0.
  void SetColors(COLORREF crText, COLORREF crHotText, COLORREF crSelText, COLORREF crBack, COLORREF crHotBack,
                 COLORREF crSelBack);
  // Images 0 (collapsed), 1 (expanded) and 2 (no children) from bitmap resources.
  void SetBitmaps(UINT nCollapsed, UINT nExpanded, UINT nLeaf);

  void Refresh();
  void Fill(HTREEITEM hParent);
  void SelectID(long nID, BOOL bSelectExpand, BOOL bFirstVisible = FALSE);
  BOOL DeleteAll();

  long GetSelectedID();
  long GetParentID();
  long GetNextID();
  long GetPrevID();
  long GetItemID(HTREEITEM hItem);
  CString GetSelectedText();
  void SuppressSelChange() { ++m_nSuppressSelChange; }
  void ClearSelection();

  HTREEITEM InsertRecordItem(long nID, long nValue, LPCWSTR lpszText, const void* pData, DWORD nSize,
                             HTREEITEM hParent, HTREEITEM hInsertAfter);

  void SetCheckRecursive(HTREEITEM hFirst, BOOL bCheck);
  BOOL UpdateParentChecks(HTREEITEM hFirst);
  void CollectIDs(HTREEITEM hFirst, CDWordArray& ids, CDWordArray& checks, BOOL bLeavesOnly, BOOL bFirstOnly);
  void ExpandAll(HTREEITEM hFirst);
  void CollapseAll(HTREEITEM hFirst);
  HTREEITEM FindItemByID(long nID);

  virtual void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);

  CDaoDatabase* m_pDatabase = nullptr;
  CDaoRecordset* m_pRecordset = nullptr;  // owned
  CString m_strTable;
  CString m_strFilter;
  CString m_strOrder;
  COLORREF m_crColors[6] = {};
  CDib m_images[7];
  BOOL m_bDeleting = FALSE;
  HTREEITEM m_hHotItem = nullptr;
  HTREEITEM m_hLastToggled = nullptr;
  CFont m_font;
  int m_nSuppressSelChange = 0;
  BOOL m_bPressed = FALSE;
  BOOL m_bDragEnabled = FALSE;
  std::map<long, HTREEITEM> m_idMap;
  BOOL m_bIdMapDirty = FALSE;
  CPoint m_ptDrag;
  WORD m_cfFormat = 0;  // the dragged IDs' private format, registered at the first drag

 protected:
  afx_msg void OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg void OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg BOOL OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg void OnDestroy();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnPaint();
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnNcMouseMove(UINT nHitTest, CPoint point);
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

 private:
  static ItemData* DataOf(DWORD_PTR param) { return reinterpret_cast<ItemData*>(param); }
  static void FreeData(ItemData* pData);
  void ToggleCheck(HTREEITEM hItem, UINT nFlags);
  void SetCheckTree(HTREEITEM hFirst, BOOL bCheck);
  void MapItems(HTREEITEM hFirst);
  void FreeAllData(HTREEITEM hFirst);
  void SendToParent(UINT message, HTREEITEM hItem);
  void StartDrag();
  // Reads every level below the item that is not read yet, without expanding anything.
  void LoadBranch(HTREEITEM hItem);
  // One record of a level as read from the table.
  struct LevelRecord {
    long nID;
    long nPID;
    CString strTitle;
    BOOL bHasChildren;
  };
  // Reads the level of records whose PID is `pid` (a database failure is reported and gives
  // FALSE; nothing is changed then), and inserts a level read under the parent.
  BOOL ReadLevel(unsigned long pid, std::vector<LevelRecord>& records);
  void InsertLevel(HTREEITEM hParent, const std::vector<LevelRecord>& records);
  // Fill's work: FALSE when the level could not be read (a real parent keeps its placeholder).
  BOOL FillLevel(HTREEITEM hParent);
};
