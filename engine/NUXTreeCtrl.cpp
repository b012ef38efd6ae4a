#include "NUXTreeCtrl.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#include "DrawHelpers.h"
#include "FieldSplitter.h"
#include "NUXUtils.h"
#include "Report.h"
#include "VariantText.h"
#include "memory/memory.h"
#include "mfc/oledragdrop.h"

namespace {

HCURSOR g_arrowCursor = nullptr;
HCURSOR g_waitCursor = nullptr;

// A field as a 32-bit integer; Null (and anything that is no number) counts as 0.
long LongField(CDaoRecordset* rs, LPCWSTR field) {
  CVariantText value;
  rs->GetFieldValue(field, value.Variant());
  VARIANT out;
  VariantInit(&out);
  long n = 0;
  if (SUCCEEDED(VariantChangeType(&out, &value.m_value, 0, VT_I4))) n = out.lVal;
  VariantClear(&out);
  return n;
}

void CloseQuietly(CDaoRecordset* rs) {
  if (!rs) return;
  try {
    if (rs->IsOpen()) rs->Close();
  } catch (CException* e) {
    e->Delete();
  }
}

}  // namespace

BEGIN_MESSAGE_MAP(CNUXTreeCtrl, CTreeCtrl)
  ON_NOTIFY_REFLECT(TVN_DELETEITEM, &CNUXTreeCtrl::OnDeleteItem)
  ON_NOTIFY_REFLECT(TVN_ITEMEXPANDING, &CNUXTreeCtrl::OnItemExpanding)
  ON_NOTIFY_REFLECT_EX(TVN_SELCHANGED, &CNUXTreeCtrl::OnSelChanged)
  ON_WM_DESTROY()
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_NCMOUSEMOVE()
  ON_WM_SETFOCUS()
  ON_WM_VSCROLL()
  ON_WM_HSCROLL()
  ON_WM_SIZE()
  ON_WM_TIMER()
  ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CNUXTreeCtrl::OnCustomDraw)
END_MESSAGE_MAP()

CNUXTreeCtrl::CNUXTreeCtrl() : m_strOrder(u"ID ASC") {
  SetColors(0x000000, 0x00FFFF, 0xFFFFFE, 0xFFFFFF, 0xC00000, 0x0000C0);
}

CNUXTreeCtrl::~CNUXTreeCtrl() {
  if (GetSafeHwnd()) DestroyWindow();
  m_idMap.clear();
  delete m_pRecordset;
  m_pRecordset = nullptr;
}

void CNUXTreeCtrl::SetCursors(HCURSOR hArrow, HCURSOR hWait) {
  g_arrowCursor = hArrow;
  g_waitCursor = hWait;
}

// ---- set-up ----

BOOL CNUXTreeCtrl::Init(CDaoDatabase* pDatabase, LPCWSTR lpszTable, LPCWSTR lpszFilter, LPCWSTR lpszOrder,
                        LPCWSTR lpszFace, int nSize, int nWeight) {
  if (!pDatabase || m_pRecordset) return FALSE;
  m_pDatabase = pDatabase;
  m_pRecordset = new CDaoRecordset(pDatabase);
  m_strTable = lpszTable ? lpszTable : u"";
  m_strFilter = lpszFilter ? lpszFilter : u"";
  m_strOrder = lpszOrder ? lpszOrder : u"";
  m_font.DeleteObject();
  CreateFontFromFace(&m_font, lpszFace, nSize / 10, nWeight);
  SetItemHeight(16);
  SetFont(&m_font, TRUE);
  SendMessage(CCM_SETUNICODEFORMAT, TRUE, 0);
  ClearSelection();
  return TRUE;
}

BOOL CNUXTreeCtrl::SetSource(CDaoDatabase* pDatabase, LPCWSTR lpszTable, LPCWSTR lpszFilter, LPCWSTR lpszOrder) {
  if (!pDatabase) return FALSE;
  delete m_pRecordset;
  m_pDatabase = pDatabase;
  m_pRecordset = new CDaoRecordset(pDatabase);
  m_strTable = lpszTable ? lpszTable : u"";
  m_strFilter = lpszFilter ? lpszFilter : u"";
  m_strOrder = lpszOrder ? lpszOrder : u"";
  return TRUE;
}

void CNUXTreeCtrl::SetColors(COLORREF crText, COLORREF crHotText, COLORREF crSelText, COLORREF crBack,
                             COLORREF crHotBack, COLORREF crSelBack) {
  const COLORREF given[6] = {crText, crHotText, crSelText, crBack, crHotBack, crSelBack};
  for (int i = 0; i < 6; ++i) m_crColors[i] = given[i] == 0xFFFFFF ? 0xFFFFF0 : given[i];
}

void CNUXTreeCtrl::SetBitmaps(UINT nCollapsed, UINT nExpanded, UINT nLeaf) {
  m_images[0].LoadResource(nCollapsed);
  m_images[1].LoadResource(nExpanded);
  m_images[2].LoadResource(nLeaf);
}

// ---- filling and selecting ----

void CNUXTreeCtrl::Fill(HTREEITEM hParent) { FillLevel(hParent); }

BOOL CNUXTreeCtrl::FillLevel(HTREEITEM hParent) {
  if (!m_pRecordset) return FALSE;
  unsigned long pid = 0;
  HTREEITEM placeholder = nullptr;
  if (hParent != TVI_ROOT) {
    HTREEITEM child = GetChildItem(hParent);
    if (!child || GetItemText(child) != u"~") return TRUE;  // the level is loaded
    ItemData* data = DataOf(GetItemData(hParent));
    if (!data) return TRUE;
    placeholder = child;
    pid = static_cast<unsigned long>(data->nID);
  }
  // The whole level is read before the tree changes: a level whose query fails keeps its
  // placeholder (and so its expand button) and is read again at the next expansion.
  std::vector<LevelRecord> records;
  if (!ReadLevel(pid, records)) return FALSE;
  if (placeholder) DeleteItem(placeholder);
  InsertLevel(hParent, records);
  return TRUE;
}

BOOL CNUXTreeCtrl::ReadLevel(unsigned long pid, std::vector<LevelRecord>& records) {
  CDaoRecordset* parents = nullptr;
  try {
    CString sql;
    if (m_strFilter.IsEmpty())
      sql.Format(u"SELECT ID,PID,Title FROM %s WHERE PID=%lu ORDER BY %s", m_strTable.GetString(), pid,
                 m_strOrder.GetString());
    else
      sql.Format(u"SELECT ID,PID,Title FROM %s WHERE PID=%lu AND %s ORDER BY %s", m_strTable.GetString(), pid,
                 m_strFilter.GetString(), m_strOrder.GetString());
    m_pRecordset->Open(dbOpenDynaset, sql);
    records.reserve(records.size() + static_cast<size_t>(std::max(0L, m_pRecordset->GetRecordCount())));
    while (!m_pRecordset->IsEOF()) {
      CVariantText title;
      m_pRecordset->GetFieldValue(u"TITLE", title.Variant());
      CString text = title.ToString();
      DecodeCharRefs(text);
      CFieldSplitter splitter(text);
      splitter.StripTags();
      text = splitter.m_strText;
      text.Trim();
      records.push_back(LevelRecord{LongField(m_pRecordset, u"ID"), LongField(m_pRecordset, u"PID"), text, FALSE});
      m_pRecordset->MoveNext();
    }
    m_pRecordset->Close();

    // Which of the level's entries have children: one query for the whole level (a few for a
    // very wide one), "PID IN (...)", which the table's PID index answers.
    std::unordered_set<long> withChildren;
    const size_t kBatch = 500;
    for (size_t first = 0; first < records.size(); first += kBatch) {
      CString list;
      for (size_t k = first; k < records.size() && k < first + kBatch; ++k) {
        CString one;
        one.Format(k == first ? u"%lu" : u",%lu", static_cast<unsigned long>(records[k].nID));
        list += one;
      }
      if (m_strFilter.IsEmpty())
        sql.Format(u"SELECT PID FROM %s WHERE PID IN (%s)", m_strTable.GetString(), list.GetString());
      else
        sql.Format(u"SELECT PID FROM %s WHERE PID IN (%s) AND %s", m_strTable.GetString(), list.GetString(),
                   m_strFilter.GetString());
      parents = new CDaoRecordset(m_pDatabase);
      parents->Open(dbOpenDynaset, sql);
      while (!parents->IsEOF()) {
        withChildren.insert(LongField(parents, u"PID"));
        parents->MoveNext();
      }
      parents->Close();
      delete parents;
      parents = nullptr;
    }
    // An entry that is its own parent gets no placeholder.
    for (LevelRecord& record : records) record.bHasChildren = record.nID != record.nPID && withChildren.count(record.nID) > 0;
    return TRUE;
  } catch (CException* e) {
    ReportException(e, u"CNUXTreeCtrl::Fill");
    // Neither recordset stays open.
    CloseQuietly(parents);
    delete parents;
    CloseQuietly(m_pRecordset);
    records.clear();
    return FALSE;
  }
}

void CNUXTreeCtrl::InsertLevel(HTREEITEM hParent, const std::vector<LevelRecord>& records) {
  for (const LevelRecord& record : records) {
    HTREEITEM item = InsertRecordItem(record.nID, record.nPID, record.strTitle, nullptr, 0, hParent, TVI_LAST);
    if (item && record.bHasChildren) InsertRecordItem(0, 0, u"~", nullptr, 0, item, TVI_LAST);
  }
}

void CNUXTreeCtrl::SelectID(long nID, BOOL bSelectExpand, BOOL bFirstVisible) {
  if (nID <= 0) {
    ClearSelection();
    return;
  }
  if (!m_pRecordset) return;
  std::vector<long> chain;  // the ancestors, nearest first
  try {
    CString sql;
    sql.Format(u"Select * from %s order by ID ASC", m_strTable.GetString());
    m_pRecordset->Open(dbOpenDynaset, sql);
    long current = nID;
    while (chain.size() < 64) {
      CString criteria;
      criteria.Format(u"ID = %li", current);
      if (!m_pRecordset->FindFirst(criteria)) break;
      long parent = LongField(m_pRecordset, u"PID");
      if (parent == 0) break;
      chain.push_back(parent);
      current = parent;
    }
    m_pRecordset->Close();
  } catch (CException* e) {
    ReportException(e, u"CNUXTreeCtrl::SelectID");
    CloseQuietly(m_pRecordset);
    return;
  }
  if (chain.size() >= 64) return;  // no top level reached (or a cycle): nothing changes

  LockWindowUpdate();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    HTREEITEM ancestor = FindItemByID(*it);
    if (!ancestor) break;
    Expand(ancestor, TVE_EXPAND);
  }
  HTREEITEM item = FindItemByID(nID);
  if (!item) {
    ClearSelection();
  } else if (bSelectExpand) {
    SelectItem(item);
    Expand(item, TVE_EXPAND);
    EnsureVisible(item);
  } else {
    SelectSetFirstVisible(item);
  }
  if (item && bFirstVisible) SelectSetFirstVisible(item);
  UnlockWindowUpdate();
}

void CNUXTreeCtrl::Refresh() {
  if (!m_pRecordset) {
    DeleteAll();
    return;
  }
  // The top level is read first: when the database fails, the tree stays as it was.
  std::vector<LevelRecord> top;
  if (!ReadLevel(0, top)) return;
  long selected = GetSelectedID();
  LockWindowUpdate();
  DeleteAll();
  InsertLevel(TVI_ROOT, top);
  if (GetStyle() & TVS_CHECKBOXES) {
    ExpandAll(TVI_ROOT);
    CollapseAll(TVI_ROOT);
    SendMessage(WM_VSCROLL, SB_TOP, 0);
  }
  if (selected >= 0) {
    const int before = m_nSuppressSelChange;
    SuppressSelChange();
    SelectID(selected, TRUE);
    // A select that changed nothing (a broken parent chain, a database error) must not keep
    // the user's next selection from the parent.
    if (m_nSuppressSelChange > before) m_nSuppressSelChange = before;
  }
  UnlockWindowUpdate();
}

BOOL CNUXTreeCtrl::DeleteAll() {
  if (GetCount() == 0) return TRUE;
  ShowWindow(SW_HIDE);
  m_bDeleting = TRUE;
  BOOL result = DeleteAllItems();
  m_bDeleting = FALSE;
  ShowWindow(SW_SHOW);
  return result;
}

// ---- queries ----

long CNUXTreeCtrl::GetItemID(HTREEITEM hItem) {
  if (!hItem) return -1;
  ItemData* data = DataOf(GetItemData(hItem));
  return data ? data->nID : -1;
}

long CNUXTreeCtrl::GetSelectedID() { return GetItemID(GetSelectedItem()); }

long CNUXTreeCtrl::GetParentID() {
  HTREEITEM selected = GetSelectedItem();
  return selected ? GetItemID(GetParentItem(selected)) : -1;
}

long CNUXTreeCtrl::GetNextID() {
  HTREEITEM selected = GetSelectedItem();
  return selected ? GetItemID(GetNextSiblingItem(selected)) : -1;
}

long CNUXTreeCtrl::GetPrevID() {
  HTREEITEM selected = GetSelectedItem();
  return selected ? GetItemID(GetPrevSiblingItem(selected)) : -1;
}

CString CNUXTreeCtrl::GetSelectedText() {
  HTREEITEM selected = GetSelectedItem();
  return selected ? GetItemText(selected) : CString();
}

void CNUXTreeCtrl::ClearSelection() {
  SelectItem(nullptr);
  if (m_nSuppressSelChange > 0) --m_nSuppressSelChange;
}

HTREEITEM CNUXTreeCtrl::InsertRecordItem(long nID, long nValue, LPCWSTR lpszText, const void* pData, DWORD nSize,
                                         HTREEITEM hParent, HTREEITEM hInsertAfter) {
  m_bIdMapDirty = TRUE;
  auto* data = new ItemData{nID, nValue, nullptr, 0};
  if (pData && nSize) {
    data->pData = new BYTE[nSize];
    std::memcpy(data->pData, pData, nSize);
    data->nSize = nSize;
  }
  HTREEITEM item = InsertItem(TVIF_TEXT | TVIF_PARAM, lpszText, 0, 0, 0, 0, reinterpret_cast<LPARAM>(data), hParent,
                              hInsertAfter);
  if (!item) FreeData(data);  // not inserted: nobody else would free it
  return item;
}

void CNUXTreeCtrl::FreeData(ItemData* pData) {
  if (!pData) return;
  delete[] pData->pData;
  delete pData;
}

// ---- check boxes and levels ----

void CNUXTreeCtrl::SetCheckTree(HTREEITEM hFirst, BOOL bCheck) {
  for (HTREEITEM h = hFirst; h; h = GetNextSiblingItem(h)) {
    SetCheck(h, bCheck);
    if (HTREEITEM child = GetChildItem(h)) SetCheckTree(child, bCheck);
  }
}

void CNUXTreeCtrl::SetCheckRecursive(HTREEITEM hFirst, BOOL bCheck) {
  SetCheckTree(hFirst, bCheck);
  UpdateParentChecks(hFirst);
}

BOOL CNUXTreeCtrl::UpdateParentChecks(HTREEITEM hFirst) {
  if (!hFirst || hFirst == TVI_ROOT) hFirst = GetRootItem();
  BOOL all = TRUE;
  for (HTREEITEM h = hFirst; h; h = GetNextSiblingItem(h)) {
    if (HTREEITEM child = GetChildItem(h)) SetCheck(h, UpdateParentChecks(child));
    if (!GetCheck(h)) all = FALSE;
  }
  return all;
}

void CNUXTreeCtrl::CollectIDs(HTREEITEM hFirst, CDWordArray& ids, CDWordArray& checks, BOOL bLeavesOnly,
                              BOOL bFirstOnly) {
  for (HTREEITEM h = hFirst; h; h = bFirstOnly ? nullptr : GetNextSiblingItem(h)) {
    HTREEITEM child = GetChildItem(h);
    if (!(bLeavesOnly && child)) {
      ids.Add(static_cast<DWORD>(GetItemID(h)));
      checks.Add(static_cast<DWORD>(GetCheck(h)));
    }
    if (child) CollectIDs(child, ids, checks, bLeavesOnly, FALSE);
  }
}

void CNUXTreeCtrl::ExpandAll(HTREEITEM hFirst) {
  if (!hFirst || hFirst == TVI_ROOT) hFirst = GetRootItem();
  for (HTREEITEM h = hFirst; h; h = GetNextSiblingItem(h)) {
    if (!ItemHasChildren(h)) continue;
    Expand(h, TVE_EXPAND);
    if (HTREEITEM child = GetChildItem(h)) ExpandAll(child);
  }
}

void CNUXTreeCtrl::CollapseAll(HTREEITEM hFirst) {
  if (!hFirst || hFirst == TVI_ROOT) hFirst = GetRootItem();
  for (HTREEITEM h = hFirst; h; h = GetNextSiblingItem(h)) {
    HTREEITEM child = GetChildItem(h);
    if (!child) continue;
    CollapseAll(child);
    Expand(h, TVE_COLLAPSE);
  }
}

void CNUXTreeCtrl::MapItems(HTREEITEM hFirst) {
  for (HTREEITEM h = hFirst; h; h = GetNextSiblingItem(h)) {
    if (ItemData* data = DataOf(GetItemData(h))) m_idMap[data->nID] = h;
    if (HTREEITEM child = GetChildItem(h)) MapItems(child);
  }
}

HTREEITEM CNUXTreeCtrl::FindItemByID(long nID) {
  if (m_bIdMapDirty) {
    m_idMap.clear();
    MapItems(GetRootItem());
    m_bIdMapDirty = FALSE;
  }
  auto it = m_idMap.find(nID);
  return it == m_idMap.end() ? nullptr : it->second;
}

// ---- notifications ----

void CNUXTreeCtrl::OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult) {
  auto* nm = reinterpret_cast<NMTREEVIEWW*>(pNMHDR);
  FreeData(DataOf(static_cast<DWORD_PTR>(nm->itemOld.lParam)));
  nm->itemOld.lParam = 0;
  m_bIdMapDirty = TRUE;
  *pResult = 0;
}

void CNUXTreeCtrl::OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult) {
  if (m_bDeleting) {
    *pResult = 1;
    return;
  }
  auto* nm = reinterpret_cast<NMTREEVIEWW*>(pNMHDR);
  *pResult = 0;
  if ((nm->action & 3) == TVE_EXPAND) {
    // A level that could not be read stays closed with its placeholder, to be read next time.
    if (!FillLevel(nm->itemNew.hItem)) *pResult = 1;
    Invalidate(TRUE);
  }
}

BOOL CNUXTreeCtrl::OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult) {
  (void)pNMHDR;
  *pResult = 0;
  if (m_nSuppressSelChange > 0 || !IsWindowVisible()) {
    if (m_nSuppressSelChange > 0) --m_nSuppressSelChange;
    return TRUE;  // kept from the parent
  }
  return FALSE;
}

void CNUXTreeCtrl::FreeAllData(HTREEITEM hFirst) {
  for (HTREEITEM h = hFirst; h; h = GetNextSiblingItem(h)) {
    if (HTREEITEM child = GetChildItem(h)) FreeAllData(child);
    FreeData(DataOf(GetItemData(h)));
    SetItemData(h, 0);
  }
}

void CNUXTreeCtrl::OnDestroy() {
  ShowWindow(SW_HIDE);
  m_bDeleting = TRUE;
  SendMessage(TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
  SendMessage(TVM_SETIMAGELIST, TVSIL_STATE, 0);
  // The items' data is freed here as well, so that none is lost when the control's deletion
  // notices do not come back (a parent that does not reflect them).
  FreeAllData(GetRootItem());
  CTreeCtrl::OnDestroy();
}

// ---- painting ----

BOOL CNUXTreeCtrl::OnEraseBkgnd(CDC* pDC) {
  (void)pDC;
  return TRUE;
}

void CNUXTreeCtrl::OnPaint() {
  CPaintDC dc(this);  // validates also while deleting, so that no paint comes again and again
  if (m_bDeleting) return;
  CRect client;
  GetClientRect(&client);
  CRect clip;
  dc.GetClipBox(&clip);
  if (client.IsRectEmpty() || clip.IsRectEmpty()) return;
  CDC back, items;
  CBitmap backBitmap, itemsBitmap;
  back.CreateCompatibleDC(&dc);
  items.CreateCompatibleDC(&dc);
  backBitmap.CreateCompatibleBitmap(&dc, client.Width(), client.Height());
  itemsBitmap.CreateCompatibleBitmap(&dc, client.Width(), client.Height());
  CBitmap* oldBack = back.SelectObject(&backBitmap);
  CBitmap* oldItems = items.SelectObject(&itemsBitmap);
  back.FillSolidRect(&client, m_crColors[3]);
  DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(items.m_hDC), 0);
  back.TransparentBlt(clip.left, clip.top, clip.Width(), clip.Height(), &items, clip.left, clip.top, clip.Width(),
                      clip.Height(), 0xFFFFFF);
  dc.BitBlt(clip.left, clip.top, clip.Width(), clip.Height(), &back, clip.left, clip.top, SRCCOPY);
  back.SelectObject(oldBack);
  items.SelectObject(oldItems);
}

void CNUXTreeCtrl::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
  auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(pNMHDR);
  *pResult = CDRF_DODEFAULT;
  if (m_bDeleting) return;
  const DWORD stage = cd->nmcd.dwDrawStage & ~CDDS_SUBITEM;
  if (stage == CDDS_PREPAINT) {
    *pResult = CDRF_NOTIFYITEMDRAW;
    return;
  }
  *pResult = CDRF_SKIPDEFAULT;
  if (stage != CDDS_ITEMPREPAINT) return;

  CDC* pDC = CDC::FromHandle(cd->nmcd.hdc);
  auto item = reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec);
  CString text = GetItemText(item);
  CRect row = cd->nmcd.rc;
  row.OffsetRect(-GetScrollPos(SB_HORZ), 0);
  const int indent = static_cast<int>(GetIndent());
  int x = row.left + cd->iLevel * indent;
  const BOOL hasChildren = ItemHasChildren(item);
  const BOOL expanded = (GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;

  COLORREF textColor = m_crColors[0], backColor = m_crColors[3];
  if (cd->nmcd.uItemState & CDIS_HOT) {
    textColor = m_crColors[1];
    backColor = m_crColors[4];
  }
  if (cd->nmcd.uItemState & CDIS_SELECTED) {
    textColor = m_crColors[2];
    backColor = m_crColors[5];
  }
  pDC->FillSolidRect(&row, m_crColors[3]);
  if (hasChildren) {
    CDib& image = m_images[expanded ? 1 : 0];
    if (image.IsValid()) image.Draw(pDC, x, row.top, SRCCOPY);
    x += indent;
  }
  if (GetStyle() & TVS_CHECKBOXES) {
    if (!hasChildren) x += indent;
    const BOOL checked = GetCheck(item);
    if (m_images[3].IsValid()) {
      m_images[checked ? 4 : 3].Draw(pDC, x, row.top, SRCCOPY);
    } else {
      CRect box(x + 4, row.top + 2, x + 15, row.top + 13);
      if (checked) {
        pDC->FillSolidRect(&box, 0x000000);
      } else {
        CBrush black(0x000000);
        pDC->FrameRect(&box, &black);
      }
    }
    x += indent;
  }
  if (!hasChildren) {
    if (m_images[2].IsValid()) m_images[2].Draw(pDC, x, row.top, SRCCOPY);
    x += indent;
  }
  CRect textRect(x, row.top, row.right, row.bottom);
  if (backColor != m_crColors[3]) pDC->FillSolidRect(&textRect, backColor);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SetTextColor(textColor);
  pDC->ExtTextOut(x, row.top, ETO_CLIPPED, &textRect, text, nullptr);
}

// ---- mouse ----

void CNUXTreeCtrl::SendToParent(UINT message, HTREEITEM hItem) {
  HWND parent = ::GetParent(m_hWnd);
  if (parent) ::SendMessageW(parent, message, 0, reinterpret_cast<LPARAM>(hItem));
}

void CNUXTreeCtrl::ToggleCheck(HTREEITEM hItem, UINT nFlags) {
  if (!(GetStyle() & TVS_CHECKBOXES) || !(nFlags & TVHT_ONITEMSTATEICON)) return;
  ::SetCursor(g_waitCursor ? g_waitCursor : ::LoadCursorW(nullptr, IDC_WAIT));
  LockWindowUpdate();
  const BOOL wasChecked = GetCheck(hItem);
  SetCheck(hItem, !wasChecked);
  if (HTREEITEM child = GetChildItem(hItem)) SetCheckRecursive(child, !wasChecked);
  UpdateParentChecks(TVI_ROOT);
  UnlockWindowUpdate();
  ::SetCursor(g_arrowCursor ? g_arrowCursor : ::LoadCursorW(nullptr, IDC_ARROW));
  SendToParent(WM_NUXTREE_CHECKED, hItem);
  if (!wasChecked) SelectItem(hItem);
}

void CNUXTreeCtrl::OnLButtonDown(UINT nFlags, CPoint point) {
  (void)nFlags;
  // The press is handled here instead of by the control; the focus comes with it all the same.
  if (::GetFocus() != m_hWnd) SetFocus();
  SetCapture();
  m_bPressed = TRUE;
  UINT flags = 0;
  HTREEITEM item = HitTest(point, &flags);
  if (!item) return;
  ToggleCheck(item, flags);
  if (flags & TVHT_ONITEMSTATEICON) m_hLastToggled = item;
  if (m_bDragEnabled && (flags & (TVHT_ONITEMLABEL | TVHT_ONITEMRIGHT))) {
    m_ptDrag = point;
    SetTimer(kDragTimer, 250);
  }
}

void CNUXTreeCtrl::OnMouseMove(UINT nFlags, CPoint point) {
  UINT flags = 0;
  HTREEITEM item = HitTest(point, &flags);
  if (item) {
    if (item != m_hHotItem) {
      m_hHotItem = item;
      SendToParent(WM_NUXTREE_HOTITEM, item);
    }
    if (m_bPressed) {
      if (item != m_hLastToggled) ToggleCheck(item, flags);
      m_hLastToggled = item;
    }
  } else {
    m_hHotItem = nullptr;
    SendToParent(WM_NUXTREE_NOITEM, nullptr);
  }
  CTreeCtrl::OnMouseMove(nFlags, point);
}

void CNUXTreeCtrl::OnNcMouseMove(UINT nHitTest, CPoint point) {
  CTreeCtrl::OnNcMouseMove(nHitTest, point);
  m_hHotItem = nullptr;
  SendToParent(WM_NUXTREE_NOITEM, nullptr);
}

void CNUXTreeCtrl::OnLButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags;
  KillTimer(kDragTimer);
  m_bPressed = FALSE;
  m_hLastToggled = nullptr;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  UINT flags = 0;
  HTREEITEM item = HitTest(point, &flags);
  if (!item) return;
  const BOOL singleExpand = (GetStyle() & TVS_SINGLEEXPAND) != 0;
  if (flags & (TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON)) {
    if (singleExpand) {
      HTREEITEM before = GetSelectedItem();
      Expand(item, TVE_TOGGLE);
      if (before != item && GetSelectedItem() == item) {
        // The whole notice, as the control sends it: readers take the old and new item from it.
        NMTREEVIEWW nm{};
        nm.hdr.hwndFrom = m_hWnd;
        nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
        nm.hdr.code = TVN_SELCHANGEDW;
        nm.action = TVC_BYMOUSE;
        nm.itemOld.mask = nm.itemNew.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
        nm.itemOld.stateMask = nm.itemNew.stateMask = 0xFFFF;
        if (before) {
          nm.itemOld.hItem = before;
          nm.itemOld.lParam = static_cast<LPARAM>(GetItemData(before));
          nm.itemOld.state = GetItemState(before, 0xFFFF);
        }
        nm.itemNew.hItem = item;
        nm.itemNew.lParam = static_cast<LPARAM>(GetItemData(item));
        nm.itemNew.state = GetItemState(item, 0xFFFF);
        if (HWND parent = ::GetParent(m_hWnd))
          ::SendMessageW(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
      }
    } else {
      Expand(item, TVE_TOGGLE);
      if (GetSelectedItem() == item) {
        SelectItem(nullptr);
        SelectItem(item);
      }
    }
  } else if (flags & (TVHT_ONITEMLABEL | TVHT_ONITEMICON | TVHT_ONITEMRIGHT)) {
    if (!singleExpand) {
      SelectItem(item);
    } else if (GetSelectedItem() == item) {
      Expand(item, TVE_TOGGLE);
    } else {
      SelectItem(item);
      Expand(item, TVE_EXPAND);
    }
  }
}

void CNUXTreeCtrl::OnRButtonDown(UINT nFlags, CPoint point) { (void)nFlags, (void)point; }

void CNUXTreeCtrl::OnRButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags;
  if (HTREEITEM item = HitTest(point)) SendToParent(WM_NUXTREE_RCLICK, item);
}

void CNUXTreeCtrl::OnSetFocus(CWnd* pOldWnd) { (void)pOldWnd; }

void CNUXTreeCtrl::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  SetFocus();
  CTreeCtrl::OnVScroll(nSBCode, nPos, pScrollBar);
}

void CNUXTreeCtrl::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  SetFocus();
  CTreeCtrl::OnHScroll(nSBCode, nPos, pScrollBar);
}

void CNUXTreeCtrl::OnSize(UINT nType, int cx, int cy) { CTreeCtrl::OnSize(nType, cx, cy); }

void CNUXTreeCtrl::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kDragTimer) {
    KillTimer(kDragTimer);
    StartDrag();
    return;
  }
  CTreeCtrl::OnTimer(nIDEvent);
}

void CNUXTreeCtrl::LoadBranch(HTREEITEM hItem) {
  Fill(hItem);
  for (HTREEITEM h = GetChildItem(hItem); h; h = GetNextSiblingItem(h)) LoadBranch(h);
}

// Drags the record IDs of the leaves under the pressed item, as a block of 32-bit IDs.
void CNUXTreeCtrl::StartDrag() {
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  HTREEITEM item = HitTest(m_ptDrag);
  if (!item) return;
  LoadBranch(item);  // leaves of levels not read yet would be placeholders
  CDWordArray ids, checks;
  CollectIDs(item, ids, checks, TRUE, TRUE);
  SelectItem(item);
  if (ids.GetSize() == 0) return;
  if (m_cfFormat == 0) m_cfFormat = static_cast<WORD>(::RegisterClipboardFormatW(u"NUX tree IDs"));
  const size_t bytes = static_cast<size_t>(ids.GetSize()) * 4;
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!block) return;
  auto* out = static_cast<uint32_t*>(::GlobalLock(block));
  for (INT_PTR i = 0; i < ids.GetSize(); ++i) out[i] = static_cast<uint32_t>(ids[i]);
  ::GlobalUnlock(block);
  COleDataSource source;
  source.CacheGlobalData(m_cfFormat, block);
  source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE);
}
