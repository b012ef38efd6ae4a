// CTreeCtrl: the tree-view control (ui/treeview.h) as a window object. All members are inline
// wrappers of the control's messages.
#pragma once

#include "mfc/wnd.h"
#include "ui/treeview.h"

class CTreeCtrl : public CWnd {
  DECLARE_DYNAMIC(CTreeCtrl)

 public:
  CTreeCtrl() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateExW(0, WC_TREEVIEWW, nullptr, dwStyle, rect, pParentWnd, nID);
  }

  // ---- items ----
  HTREEITEM InsertItem(LPTVINSERTSTRUCTW lpInsertStruct) {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(lpInsertStruct)));
  }
  HTREEITEM InsertItem(UINT nMask, LPCWSTR lpszItem, int nImage, int nSelectedImage, UINT nState, UINT nStateMask,
                       LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) {
    TVINSERTSTRUCTW is{};
    is.hParent = hParent;
    is.hInsertAfter = hInsertAfter;
    is.item.mask = nMask;
    is.item.pszText = const_cast<LPWSTR>(lpszItem);
    is.item.iImage = nImage;
    is.item.iSelectedImage = nSelectedImage;
    is.item.state = nState;
    is.item.stateMask = nStateMask;
    is.item.lParam = lParam;
    return InsertItem(&is);
  }
  HTREEITEM InsertItem(LPCWSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST) {
    return InsertItem(TVIF_TEXT, lpszItem, 0, 0, 0, 0, 0, hParent, hInsertAfter);
  }
  BOOL DeleteItem(HTREEITEM hItem) {
    return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(hItem)));
  }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT))); }
  BOOL Expand(HTREEITEM hItem, UINT nCode) {
    return static_cast<BOOL>(SendMessage(TVM_EXPAND, nCode, reinterpret_cast<LPARAM>(hItem)));
  }
  UINT GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT, 0, 0)); }
  UINT GetVisibleCount() const { return static_cast<UINT>(SendMessage(TVM_GETVISIBLECOUNT, 0, 0)); }

  // ---- navigation ----
  HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, nCode, reinterpret_cast<LPARAM>(hItem)));
  }
  HTREEITEM GetChildItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXT); }
  HTREEITEM GetPrevSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PREVIOUS); }
  HTREEITEM GetParentItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PARENT); }
  HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
  HTREEITEM GetNextVisibleItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXTVISIBLE); }
  HTREEITEM GetPrevVisibleItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PREVIOUSVISIBLE); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  BOOL ItemHasChildren(HTREEITEM hItem) const {
    TVITEMW it{};
    it.mask = TVIF_CHILDREN | TVIF_HANDLE;
    it.hItem = hItem;
    if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return FALSE;
    return it.cChildren != 0;
  }

  // ---- selection and scrolling ----
  BOOL Select(HTREEITEM hItem, UINT nCode) {
    return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, nCode, reinterpret_cast<LPARAM>(hItem)));
  }
  BOOL SelectItem(HTREEITEM hItem) { return Select(hItem, TVGN_CARET); }
  BOOL SelectSetFirstVisible(HTREEITEM hItem) { return Select(hItem, TVGN_FIRSTVISIBLE); }
  BOOL SelectDropTarget(HTREEITEM hItem) { return Select(hItem, TVGN_DROPHILITE); }
  BOOL EnsureVisible(HTREEITEM hItem) {
    return static_cast<BOOL>(SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hItem)));
  }

  // ---- item attributes ----
  BOOL GetItem(TVITEMW* pItem) const { return static_cast<BOOL>(SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(pItem))); }
  BOOL SetItem(TVITEMW* pItem) { return static_cast<BOOL>(SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(pItem))); }
  CStringW GetItemText(HTREEITEM hItem) const {
    WCHAR buffer[1024] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = hItem;
    it.pszText = buffer;
    it.cchTextMax = 1024;
    GetItem(&it);
    return CStringW(buffer);
  }
  BOOL SetItemText(HTREEITEM hItem, LPCWSTR lpszItem) {
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = hItem;
    it.pszText = const_cast<LPWSTR>(lpszItem);
    return SetItem(&it);
  }
  DWORD_PTR GetItemData(HTREEITEM hItem) const {
    TVITEMW it{};
    it.mask = TVIF_PARAM | TVIF_HANDLE;
    it.hItem = hItem;
    GetItem(&it);
    return static_cast<DWORD_PTR>(it.lParam);
  }
  BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData) {
    TVITEMW it{};
    it.mask = TVIF_PARAM | TVIF_HANDLE;
    it.hItem = hItem;
    it.lParam = static_cast<LPARAM>(dwData);
    return SetItem(&it);
  }
  UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const {
    TVITEMW it{};
    it.mask = TVIF_STATE | TVIF_HANDLE;
    it.hItem = hItem;
    it.stateMask = nStateMask;
    GetItem(&it);
    return it.state & nStateMask;
  }
  BOOL SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) {
    TVITEMW it{};
    it.mask = TVIF_STATE | TVIF_HANDLE;
    it.hItem = hItem;
    it.state = nState;
    it.stateMask = nStateMask;
    return SetItem(&it);
  }
  // Check boxes: state image 2 is checked.
  BOOL GetCheck(HTREEITEM hItem) const {
    return (GetItemState(hItem, TVIS_STATEIMAGEMASK) >> 12) == 2;
  }
  BOOL SetCheck(HTREEITEM hItem, BOOL fCheck = TRUE) {
    return SetItemState(hItem, INDEXTOSTATEIMAGEMASK(fCheck ? 2 : 1), TVIS_STATEIMAGEMASK);
  }
  BOOL GetItemRect(HTREEITEM hItem, LPRECT lpRect, BOOL bTextOnly) const {
    *reinterpret_cast<HTREEITEM*>(lpRect) = hItem;
    return static_cast<BOOL>(SendMessage(TVM_GETITEMRECT, bTextOnly, reinterpret_cast<LPARAM>(lpRect)));
  }

  // ---- look ----
  UINT GetIndent() const { return static_cast<UINT>(SendMessage(TVM_GETINDENT, 0, 0)); }
  void SetIndent(UINT nIndent) { SendMessage(TVM_SETINDENT, nIndent, 0); }
  SHORT GetItemHeight() const { return static_cast<SHORT>(SendMessage(TVM_GETITEMHEIGHT, 0, 0)); }
  SHORT SetItemHeight(SHORT cyHeight) { return static_cast<SHORT>(SendMessage(TVM_SETITEMHEIGHT, static_cast<WPARAM>(cyHeight), 0)); }
  COLORREF SetBkColor(COLORREF clr) { return static_cast<COLORREF>(SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(clr))); }
  COLORREF SetTextColor(COLORREF clr) { return static_cast<COLORREF>(SendMessage(TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(clr))); }

  // ---- hit test ----
  HTREEITEM HitTest(CPoint pt, UINT* pFlags = nullptr) const {
    TVHITTESTINFO info{};
    info.pt = pt;
    HTREEITEM h = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (pFlags) *pFlags = info.flags;
    return h;
  }
  HTREEITEM HitTest(TVHITTESTINFO* pHitTestInfo) const {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(pHitTestInfo)));
  }
};
