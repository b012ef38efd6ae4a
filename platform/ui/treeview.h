// The tree-view common control (class WC_TREEVIEW, "SysTreeView32"): items with text, a
// parameter, a state (expanded, selected, check-box state image) and children, shown one row per
// visible item at a fixed item height, scrolled by whole rows.
//
// What it offers: inserting, deleting, expanding and collapsing, selecting (the caret) and
// scrolling (first visible item), item queries and changes, hit tests and item rectangles,
// item height and indent, check boxes (TVS_CHECKBOXES: state image 1 unchecked, 2 checked),
// and its notifications to the parent by WM_NOTIFY (the W codes, unless CCM_SETUNICODEFORMAT
// switched them off): TVN_DELETEITEM for each item deleted (also when the window is destroyed),
// TVN_ITEMEXPANDING (a non-zero answer refuses) and TVN_ITEMEXPANDED, TVN_SELCHANGING (a
// non-zero answer refuses) and TVN_SELCHANGED, and NM_CUSTOMDRAW around its painting (pre-paint
// of the control, then item pre-paint per row; CDRF_SKIPDEFAULT leaves a row to the parent).
// A WM_PAINT whose wParam is a device context paints into it (no BeginPaint).
//
// Row geometry: a row's indent is (level + 1) * indent with TVS_LINESATROOT, else level *
// indent; the button (items with children) sits in the last indent column; then the state icon
// (16 pixels, check boxes only); then the label (text width + 6). The item under the mouse is
// drawn (and reported to custom draw) as hot.
//
// The keyboard (focus on the tree): Up and Down step through the visible items; Home and End
// go to the first and the last; PageUp and PageDown move by one page (the visible rows less
// one); Left collapses an expanded item, else goes to its parent; Right expands a collapsed
// item, else goes to its first child; Backspace goes to the parent; the keypad's + and -
// expand and collapse, * expands the item and everything under it. Typed characters search
// the visible items by the beginning of their text, without case (the platform's folding),
// from the selection on; characters typed within a second of each other continue one search
// text, and one letter typed again and again steps through the items beginning with it.
// A left click gives the tree the focus.
//
// Deleting the selected item leaves no item selected, without a notification. Collapsing an
// item that holds the selection moves the selection to it.
#pragma once

#include "base/types.h"
#include "ui/window.h"

#define WC_TREEVIEWW u"SysTreeView32"
#define WC_TREEVIEWA "SysTreeView32"
#ifdef _UNICODE
#define WC_TREEVIEW WC_TREEVIEWW
#else
#define WC_TREEVIEW WC_TREEVIEWA
#endif

struct _TREEITEM;
typedef struct _TREEITEM* HTREEITEM;

#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x10000)))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFF)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFE)))
#define TVI_SORT (reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFD)))

// Styles.
#define TVS_HASBUTTONS 0x0001
#define TVS_HASLINES 0x0002
#define TVS_LINESATROOT 0x0004
#define TVS_EDITLABELS 0x0008
#define TVS_DISABLEDRAGDROP 0x0010
#define TVS_SHOWSELALWAYS 0x0020
#define TVS_RTLREADING 0x0040
#define TVS_NOTOOLTIPS 0x0080
#define TVS_CHECKBOXES 0x0100
#define TVS_TRACKSELECT 0x0200
#define TVS_SINGLEEXPAND 0x0400
#define TVS_INFOTIP 0x0800
#define TVS_FULLROWSELECT 0x1000
#define TVS_NOSCROLL 0x2000
#define TVS_NONEVENHEIGHT 0x4000
#define TVS_NOHSCROLL 0x8000

// Item masks and states.
#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIF_SELECTEDIMAGE 0x0020
#define TVIF_CHILDREN 0x0040
#define TVIS_SELECTED 0x0002
#define TVIS_CUT 0x0004
#define TVIS_DROPHILITED 0x0008
#define TVIS_BOLD 0x0010
#define TVIS_EXPANDED 0x0020
#define TVIS_EXPANDEDONCE 0x0040
#define TVIS_OVERLAYMASK 0x0F00
#define TVIS_STATEIMAGEMASK 0xF000
#define TVIS_USERMASK 0xF000
#ifndef INDEXTOSTATEIMAGEMASK
#define INDEXTOSTATEIMAGEMASK(i) ((UINT)(i) << 12)
#endif
#define I_CHILDRENCALLBACK (-1)

typedef struct tagTVITEMW {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
} TVITEMW, *LPTVITEMW;
typedef TVITEMW TVITEM;
typedef LPTVITEMW LPTVITEM;

typedef struct tagTVINSERTSTRUCTW {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  TVITEMW item;
} TVINSERTSTRUCTW, *LPTVINSERTSTRUCTW;
typedef TVINSERTSTRUCTW TVINSERTSTRUCT;

typedef struct tagTVHITTESTINFO {
  POINT pt;
  UINT flags;
  HTREEITEM hItem;
} TVHITTESTINFO, *LPTVHITTESTINFO;

#define TVHT_NOWHERE 0x0001
#define TVHT_ONITEMICON 0x0002
#define TVHT_ONITEMLABEL 0x0004
#define TVHT_ONITEMINDENT 0x0008
#define TVHT_ONITEMBUTTON 0x0010
#define TVHT_ONITEMRIGHT 0x0020
#define TVHT_ONITEMSTATEICON 0x0040
#define TVHT_ONITEM (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)
#define TVHT_ABOVE 0x0100
#define TVHT_BELOW 0x0200
#define TVHT_TORIGHT 0x0400
#define TVHT_TOLEFT 0x0800

// Messages.
#define TV_FIRST 0x1100
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_EXPAND (TV_FIRST + 2)
#define TVM_GETITEMRECT (TV_FIRST + 4)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETINDENT (TV_FIRST + 6)
#define TVM_SETINDENT (TV_FIRST + 7)
#define TVM_GETIMAGELIST (TV_FIRST + 8)
#define TVM_SETIMAGELIST (TV_FIRST + 9)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_SELECTITEM (TV_FIRST + 11)
#define TVM_GETVISIBLECOUNT (TV_FIRST + 16)
#define TVM_HITTEST (TV_FIRST + 17)
#define TVM_ENSUREVISIBLE (TV_FIRST + 20)
#define TVM_SETITEMHEIGHT (TV_FIRST + 27)
#define TVM_GETITEMHEIGHT (TV_FIRST + 28)
#define TVM_SETBKCOLOR (TV_FIRST + 29)
#define TVM_SETTEXTCOLOR (TV_FIRST + 30)
#define TVM_GETBKCOLOR (TV_FIRST + 31)
#define TVM_GETTEXTCOLOR (TV_FIRST + 32)
#define TVM_INSERTITEMW (TV_FIRST + 50)
#define TVM_GETITEMW (TV_FIRST + 62)
#define TVM_SETITEMW (TV_FIRST + 63)
#define TVM_INSERTITEM TVM_INSERTITEMW
#define TVM_GETITEM TVM_GETITEMW
#define TVM_SETITEM TVM_SETITEMW
#define CCM_SETUNICODEFORMAT 0x2005
#define CCM_GETUNICODEFORMAT 0x2006

#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003
#define TVE_COLLAPSERESET 0x8000

#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_FIRSTVISIBLE 0x0005
#define TVGN_NEXTVISIBLE 0x0006
#define TVGN_PREVIOUSVISIBLE 0x0007
#define TVGN_DROPHILITE 0x0008
#define TVGN_CARET 0x0009
#define TVGN_LASTVISIBLE 0x000A

#define TVSIL_NORMAL 0
#define TVSIL_STATE 2

// Notifications.
#define TVN_FIRST (0U - 400U)
#define TVN_SELCHANGINGA (TVN_FIRST - 1)
#define TVN_SELCHANGEDA (TVN_FIRST - 2)
#define TVN_ITEMEXPANDINGA (TVN_FIRST - 5)
#define TVN_ITEMEXPANDEDA (TVN_FIRST - 6)
#define TVN_BEGINDRAGA (TVN_FIRST - 7)
#define TVN_DELETEITEMA (TVN_FIRST - 9)
#define TVN_SELCHANGINGW (TVN_FIRST - 50)
#define TVN_SELCHANGEDW (TVN_FIRST - 51)
#define TVN_ITEMEXPANDINGW (TVN_FIRST - 54)
#define TVN_ITEMEXPANDEDW (TVN_FIRST - 55)
#define TVN_BEGINDRAGW (TVN_FIRST - 56)
#define TVN_DELETEITEMW (TVN_FIRST - 58)
#ifdef _UNICODE
#define TVN_SELCHANGING TVN_SELCHANGINGW
#define TVN_SELCHANGED TVN_SELCHANGEDW
#define TVN_ITEMEXPANDING TVN_ITEMEXPANDINGW
#define TVN_ITEMEXPANDED TVN_ITEMEXPANDEDW
#define TVN_DELETEITEM TVN_DELETEITEMW
#else
#define TVN_SELCHANGING TVN_SELCHANGINGA
#define TVN_SELCHANGED TVN_SELCHANGEDA
#define TVN_ITEMEXPANDING TVN_ITEMEXPANDINGA
#define TVN_ITEMEXPANDED TVN_ITEMEXPANDEDA
#define TVN_DELETEITEM TVN_DELETEITEMA
#endif

#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVC_BYKEYBOARD 0x0002

typedef struct tagNMTREEVIEWW {
  NMHDR hdr;
  UINT action;
  TVITEMW itemOld;
  TVITEMW itemNew;
  POINT ptDrag;
} NMTREEVIEWW, *LPNMTREEVIEWW;
typedef NMTREEVIEWW NMTREEVIEW;
typedef LPNMTREEVIEWW LPNMTREEVIEW;

// Custom draw.
#ifndef CDDS_PREPAINT
#define CDDS_PREPAINT 0x00000001
#define CDDS_POSTPAINT 0x00000002
#define CDDS_PREERASE 0x00000003
#define CDDS_POSTERASE 0x00000004
#define CDDS_ITEM 0x00010000
#define CDDS_ITEMPREPAINT (CDDS_ITEM | CDDS_PREPAINT)
#define CDDS_ITEMPOSTPAINT (CDDS_ITEM | CDDS_POSTPAINT)
#define CDDS_SUBITEM 0x00020000
#define CDRF_DODEFAULT 0x00000000
#define CDRF_NEWFONT 0x00000002
#define CDRF_SKIPDEFAULT 0x00000004
#define CDRF_NOTIFYPOSTPAINT 0x00000010
#define CDRF_NOTIFYITEMDRAW 0x00000020
#define CDRF_NOTIFYSUBITEMDRAW 0x00000020
#define CDRF_NOTIFYPOSTERASE 0x00000040
#define CDIS_SELECTED 0x0001
#define CDIS_GRAYED 0x0002
#define CDIS_DISABLED 0x0004
#define CDIS_CHECKED 0x0008
#define CDIS_FOCUS 0x0010
#define CDIS_DEFAULT 0x0020
#define CDIS_HOT 0x0040
#endif

typedef struct tagNMCUSTOMDRAWINFO {
  NMHDR hdr;
  DWORD dwDrawStage;
  HDC hdc;
  RECT rc;
  DWORD_PTR dwItemSpec;  // the item (HTREEITEM) of an item stage
  UINT uItemState;
  LPARAM lItemlParam;
} NMCUSTOMDRAW, *LPNMCUSTOMDRAW;

typedef struct tagNMTVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  COLORREF clrText;
  COLORREF clrTextBk;
  int iLevel;
} NMTVCUSTOMDRAW, *LPNMTVCUSTOMDRAW;

namespace nux::ui::detail {
// Registers the class; part of the standard classes.
void RegisterTreeViewClass();
}  // namespace nux::ui::detail
