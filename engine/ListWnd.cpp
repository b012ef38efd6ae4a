#include "ListWnd.h"

#include <cstdint>
#include <cstring>

#include "ListDropSource.h"
#include "Report.h"
#include "VariantText.h"
#include "base/codepage.h"
#include "memory/memory.h"
#include "mfc/oledragdrop.h"
#include "ui/controls.h"

#ifndef ESB_ENABLE_BOTH
#define ESB_ENABLE_BOTH 0x0000
#define ESB_DISABLE_BOTH 0x0003
#endif

namespace {

// A field value as a 32-bit integer, whatever the field's type; Null and text that is no
// number give 0.
long LongOf(const VARIANT& v) {
  VARIANT out;
  VariantInit(&out);
  long value = 0;
  if (SUCCEEDED(VariantChangeType(&out, &v, 0, VT_I4))) value = out.lVal;
  VariantClear(&out);
  return value;
}

}  // namespace

BEGIN_MESSAGE_MAP(CListWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_SIZE()
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
  ON_WM_VSCROLL()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
  ON_WM_TIMER()
  ON_WM_KEYDOWN()
  ON_WM_GETDLGCODE()
  ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

CListWnd::CListWnd() = default;

CListWnd::~CListWnd() {
  if (GetSafeHwnd()) DestroyWindow();
  DestroyRows();
  delete m_pRecordset;
  m_pRecordset = nullptr;
}

// ---- creation ----

BOOL CListWnd::CreateWnd(CDaoDatabase* pDatabase, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                         CWnd* pParent, UINT nID, BYTE nFlag, CRuntimeClass* pItemClass) {
  LPCWSTR cls = AfxRegisterWndClassW(CS_DBLCLKS | CS_PARENTDC, ::LoadCursorW(nullptr, IDC_ARROW),
                                     static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
  m_pDatabase = pDatabase;
  m_nFlag = nFlag;
  m_nListID = static_cast<int>(nID);
  m_pItemClass = pItemClass;
  return CreateExW(0, cls, lpszWindowName, dwStyle | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL, rect, pParent, nID);
}

BOOL CListWnd::Create(CDaoDatabase* pDatabase, LPCWSTR lpszSQL, LPCWSTR lpszKeyField, LPCWSTR lpszDisplayField,
                      int nRowGap, int nLeftMargin, int nRightMargin, LPCWSTR lpszWindowName, DWORD dwStyle,
                      const RECT& rect, CWnd* pParent, UINT nID, BYTE nFlag, CRuntimeClass* pItemClass) {
  m_strSQL = lpszSQL ? lpszSQL : u"";
  SetFields(lpszKeyField, lpszDisplayField);
  SetSpacing(nRowGap, nLeftMargin, nRightMargin);
  return CreateWnd(pDatabase, lpszWindowName, dwStyle, rect, pParent, nID, nFlag, pItemClass);
}

BOOL CListWnd::CreateAtDlgItem(CDaoDatabase* pDatabase, CWnd* pDialog, UINT nPlaceholderID, BYTE nFlag,
                               CRuntimeClass* pItemClass) {
  if (!pDialog || !pDialog->GetSafeHwnd()) return FALSE;
  HWND placeholder = ::GetDlgItem(pDialog->m_hWnd, static_cast<int>(nPlaceholderID));
  if (!placeholder) return FALSE;  // no control to take the place of
  CRect rc;
  ::GetWindowRect(placeholder, &rc);
  pDialog->ScreenToClient(&rc);
  ::ShowWindow(placeholder, SW_HIDE);
  return CreateWnd(pDatabase, u"ListWnd", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rc, pDialog, nPlaceholderID, nFlag,
                   pItemClass);
}

BOOL CListWnd::CreateFromDlgItem(CDaoDatabase* pDatabase, LPCWSTR lpszSQL, LPCWSTR lpszKeyField,
                                 LPCWSTR lpszDisplayField, int nRowGap, int nLeftMargin, int nRightMargin,
                                 CWnd* pDialog, UINT nPlaceholderID, BYTE nFlag, CRuntimeClass* pItemClass) {
  m_strSQL = lpszSQL ? lpszSQL : u"";
  SetFields(lpszKeyField, lpszDisplayField);
  SetSpacing(nRowGap, nLeftMargin, nRightMargin);
  return CreateAtDlgItem(pDatabase, pDialog, nPlaceholderID, nFlag, pItemClass);
}

void CListWnd::SetSpacing(int nRowGap, int nLeftMargin, int nRightMargin) {
  m_nRowGap = nRowGap;
  m_nLeftMargin = nLeftMargin;
  m_nRightMargin = nRightMargin;
}

void CListWnd::SetFields(LPCWSTR lpszKeyField, LPCWSTR lpszDisplayField) {
  m_strKeyField = lpszKeyField ? lpszKeyField : u"";
  m_strDisplayField = lpszDisplayField ? lpszDisplayField : u"";
}

CListWndItem* CListWnd::CreateItem() {
  if (m_pItemClass) {
    CObject* obj = m_pItemClass->CreateObject();
    if (auto* item = dynamic_cast<CListWndItem*>(obj)) return item;
    delete obj;  // not a row class
    return nullptr;
  }
  return new CListWndItem;
}

// ---- records ----

BOOL CListWnd::ReQuery(LPCWSTR lpszSQL, BOOL bKeepSelection, BOOL bRefill) {
  if (!GetSafeHwnd()) return FALSE;
  if (!bKeepSelection) m_nSelectedKey = 0;
  m_strSQL = lpszSQL ? lpszSQL : u"";
  CloseRecordset();
  CDaoRecordset* rs = nullptr;
  try {
    rs = new CDaoRecordset(m_pDatabase);
    rs->Open(dbOpenDynaset, m_strSQL, 0);
    m_pRecordset = rs;
    if (rs->IsBOF() && rs->IsEOF()) {
      RecalcLayout();
      Invalidate();
      UpdateWindow();
      return FALSE;
    }
    rs->MoveLast();
    rs->MoveFirst();
  } catch (CException* e) {
    ReportExceptionQuiet(e, u"CListWnd::ReQuery");
    DestroyRows();
    delete rs;
    m_pRecordset = nullptr;
    Invalidate();
    return FALSE;
  }
  if (bRefill) RebuildRows();
  return TRUE;
}

BOOL CListWnd::FindFirst(LPCWSTR lpszCriteria, BOOL bRefill) {
  if (!m_pRecordset || !m_pRecordset->IsOpen()) return FALSE;
  try {
    long pos = m_pRecordset->GetAbsolutePosition();
    BOOL found = m_pRecordset->FindFirst(lpszCriteria);
    if (!found) {
      // Nothing matched: back to where the recordset was, and the rows stay as they are.
      if (pos >= 0) m_pRecordset->SetAbsolutePosition(pos);
      return FALSE;
    }
    if (bRefill) {
      // One record back (before the first: the beginning), so that the refill's next record
      // is the one found.
      if (!m_pRecordset->IsBOF()) m_pRecordset->MovePrev();
      Refill();
    }
    return found;
  } catch (CException* e) {
    ReportException(e, u"CListWnd::FindFirst");
    return FALSE;
  }
}

BOOL CListWnd::SelectKey(long nKey, BOOL bRefill) {
  if (nKey >= 0) SetFocus();
  if (nKey == m_nSelectedKey) return bRefill ? ShowSelected(TRUE) : TRUE;
  if (m_bMarkSelection) {
    for (int i = 0; i < m_nRows; ++i) {
      if (m_nSelectedKey >= 0 && m_rows[i].nKey == m_nSelectedKey) m_rows[i].pItem->SetState(0);
      if (m_rows[i].nKey == nKey) m_rows[i].pItem->SetState(2);
    }
  }
  if (!m_pRecordset) {
    m_nSelectedKey = 0;
    return FALSE;
  }
  CString criteria;
  criteria.Format(u"%s=%li", m_strKeyField.GetString(), nKey);
  BOOL found = FALSE;
  try {
    found = m_pRecordset->FindFirst(criteria);
  } catch (CException* e) {
    // A bad key field or a database gone away: reported here and taken as not found, so that
    // nothing escapes to the window procedure of a click.
    ReportException(e, u"CListWnd::SelectKey");
    found = FALSE;
  }
  if (!found) {
    // No row stays marked for a key that is not selected.
    if (m_bMarkSelection) {
      for (int i = 0; i < m_nRows; ++i)
        if (m_rows[i].nKey == nKey && m_rows[i].pItem->GetState() == 2)
          m_rows[i].pItem->SetState(i == m_nHotRow && m_bHotTracking ? 1 : 0);
    }
    m_nSelectedKey = 0;
    return FALSE;
  }
  m_nSelectedKey = nKey;
  return bRefill ? ShowSelected(TRUE) : TRUE;
}

BOOL CListWnd::ShowSelected(BOOL bRefill) {
  if (m_nSelectedKey <= 0) return TRUE;
  for (int i = 0; i < m_nRows; ++i) {
    if (m_rows[i].nKey == m_nSelectedKey) return TRUE;
  }
  CString criteria;
  criteria.Format(u"%s=%li", m_strKeyField.GetString(), m_nSelectedKey);
  return FindFirst(criteria, bRefill);
}

BOOL CListWnd::MoveFirst() {
  if (!m_pRecordset || !m_pRecordset->IsOpen()) return FALSE;
  try {
    m_pRecordset->MoveFirst();
    return TRUE;
  } catch (CException* e) {
    ReportException(e, u"CListWnd::MoveFirst");
    return FALSE;
  }
}

long CListWnd::KeyOfCurrent() {
  CVariantText key;
  m_pRecordset->GetFieldValue(m_strKeyField, key.Variant());
  return LongOf(key.m_value);
}

// ---- rows ----

BOOL CListWnd::MakeRow(long nPos, long nKey, RowEntry* pEntry) {
  CListWndItem* item = CreateItem();
  if (!item) return FALSE;
  CRect rc;
  GetClientRect(&rc);
  rc.left += m_nLeftMargin;
  rc.right -= m_nRightMargin;
  if (!item->Register(this, rc, m_pRecordset, m_strDisplayField)) {
    delete item;
    return FALSE;
  }
  pEntry->pItem = item;
  pEntry->nPos = nPos;
  pEntry->nKey = nKey;
  pEntry->nFlag = m_nFlag;
  if (nKey == m_nSelectedKey) item->SetState(2);
  return TRUE;
}

BOOL CListWnd::AddBottom(long nPos, BOOL bNext) {
  if (!m_pRecordset) return FALSE;
  if (m_nRows >= kMaxRows) return FALSE;  // the table is full: no further rows
  try {
    if (bNext) {
      m_pRecordset->MoveNext();
      if (m_pRecordset->IsEOF()) return FALSE;
      nPos = m_pRecordset->GetAbsolutePosition();
    } else {
      if (nPos < 0 || nPos >= m_pRecordset->GetRecordCount()) return FALSE;
      m_pRecordset->SetAbsolutePosition(nPos);
    }
    long key = KeyOfCurrent();
    RowEntry entry{};
    if (!MakeRow(nPos, key, &entry)) return FALSE;
    if (m_nRows > 0) {
      CRect last;
      m_rows[m_nRows - 1].pItem->GetWindowRect(&last);
      ScreenToClient(&last);
      entry.pItem->SetWindowPos(nullptr, last.left, last.bottom + m_nRowGap, 0, 0,
                                SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_rows[m_nRows++] = entry;
    return TRUE;
  } catch (CException* e) {
    ReportException(e, u"CListWnd::AddBottom");
    return FALSE;
  }
}

BOOL CListWnd::AddTop(BOOL bPrevious) {
  if (!m_pRecordset) return FALSE;
  if (m_nRows >= kMaxRows) return FALSE;
  if (m_nRows == 0 && !bPrevious) return FALSE;  // no first row to go above
  try {
    long pos;
    if (bPrevious) {
      m_pRecordset->MovePrev();
      if (m_pRecordset->IsBOF()) return FALSE;
      pos = m_pRecordset->GetAbsolutePosition();
    } else {
      pos = m_rows[0].nPos - 1;
      if (pos < 0) return FALSE;
      m_pRecordset->SetAbsolutePosition(pos);
    }
    long key = KeyOfCurrent();
    RowEntry entry{};
    if (!MakeRow(pos, key, &entry)) return FALSE;
    if (m_nRows > 0) {
      CRect first;
      m_rows[0].pItem->GetWindowRect(&first);
      ScreenToClient(&first);
      entry.pItem->SetWindowPos(nullptr, first.left, first.top - m_nRowGap - entry.pItem->Height(), 0, 0,
                                SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (int i = m_nRows; i > 0; --i) m_rows[i] = m_rows[i - 1];
    m_rows[0] = entry;
    ++m_nRows;
    return TRUE;
  } catch (CException* e) {
    ReportException(e, u"CListWnd::AddTop");
    return FALSE;
  }
}

void CListWnd::DestroyRow(int nIndex) {
  CListWndItem* item = m_rows[nIndex].pItem;
  m_rows[nIndex].pItem = nullptr;
  if (!item) return;
  if (item->GetSafeHwnd()) item->DestroyWindow();
  delete item;
}

void CListWnd::DestroyRows() {
  for (int i = 0; i < m_nRows; ++i) DestroyRow(i);
  if (m_nScrollOffset != 0 && GetSafeHwnd()) ScrollWindow(0, -m_nScrollOffset);
  m_nRows = 0;
  m_nScrollOffset = 0;
  m_nHotRow = -1;
  m_nSkipMoves = 0;
}

void CListWnd::Refill() {
  DestroyRows();
  if (m_pRecordset && m_pRecordset->IsOpen() && m_pRecordset->IsBOF())
    AddBottom(0, FALSE);
  else
    AddBottom(0, TRUE);
  RecalcLayout();
}

void CListWnd::RebuildRows() {
  LockWindowUpdate();
  DestroyRows();
  AddBottom(0, FALSE);
  RecalcLayout();
  MoveFirst();
  ShowSelected(TRUE);
  UnlockWindowUpdate();
  RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

void CListWnd::RestackRows(BOOL bWidthChanged) {
  if (m_nRows == 0) {
    AddBottom(0, FALSE);
    RecalcLayout();
    return;
  }
  if (bWidthChanged) {
    CRect client;
    GetClientRect(&client);
    const int width = client.Width() - m_nLeftMargin - m_nRightMargin;
    int top = 0;
    for (int i = 0; i < m_nRows; ++i) {
      CListWndItem* item = m_rows[i].pItem;
      int height = item->MeasureHeight(width);
      item->SetWindowPos(nullptr, m_nLeftMargin, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
      top += height + m_nRowGap;
    }
  }
  RecalcLayout();
}

void CListWnd::CloseRecordset() {
  DestroyRows();
  if (m_pRecordset) {
    try {
      if (m_pRecordset->IsOpen()) m_pRecordset->Close();
    } catch (CException* e) {
      e->Delete();
    }
    delete m_pRecordset;
    m_pRecordset = nullptr;
  }
  if (GetSafeHwnd()) Invalidate();
}

int CListWnd::RowAt(CPoint point) const {
  for (int i = 0; i < m_nRows; ++i) {
    CRect rc;
    m_rows[i].pItem->GetWindowRect(&rc);
    ScreenToClient(&rc);
    if (rc.PtInRect(point)) return i;
  }
  return -1;
}

BOOL CListWnd::IsRowWindow(HWND hwnd) const {
  if (!hwnd) return FALSE;
  for (int i = 0; i < m_nRows; ++i) {
    if (m_rows[i].pItem->m_hWnd == hwnd) return TRUE;
  }
  return FALSE;
}

// ---- layout and scrolling ----

void CListWnd::RecalcLayout() {
  if (!m_pRecordset) return;
  if (m_nRows == 0) {
    FlatSB_EnableScrollBar(m_hWnd, SB_VERT, ESB_DISABLE_BOTH);
    FlatSB_ShowScrollBar(m_hWnd, SB_VERT, FALSE);
    return;
  }
  FlatSB_EnableScrollBar(m_hWnd, SB_VERT, ESB_ENABLE_BOTH);
  FlatSB_ShowScrollBar(m_hWnd, SB_VERT, TRUE);
  CRect client;
  GetClientRect(&client);

  int kept = 0;
  for (int i = 0; i < m_nRows; ++i) {
    CRect rc;
    m_rows[i].pItem->GetWindowRect(&rc);
    ScreenToClient(&rc);
    if (rc.bottom + m_nRowGap <= client.top || rc.top - m_nRowGap >= client.bottom) {
      DestroyRow(i);
      if (m_nHotRow == i) m_nHotRow = -1;
    } else {
      if (m_nHotRow == i) m_nHotRow = kept;
      m_rows[kept++] = m_rows[i];
    }
  }
  m_nRows = kept;

  if (m_nRows > 0) {
    for (bool first = true;; first = false) {
      CRect last;
      m_rows[m_nRows - 1].pItem->GetWindowRect(&last);
      ScreenToClient(&last);
      if (last.bottom + m_nRowGap >= client.bottom) break;
      if (!(first ? AddBottom(m_rows[m_nRows - 1].nPos + 1, FALSE) : AddBottom(0, TRUE))) break;
    }
    for (bool first = true;; first = false) {
      CRect top;
      m_rows[0].pItem->GetWindowRect(&top);
      ScreenToClient(&top);
      if (top.top - m_nRowGap <= client.top) break;
      if (!(first ? AddTop(FALSE) : AddTop(TRUE))) break;
      if (m_nHotRow >= 0) ++m_nHotRow;
    }
  } else {
    if (AddBottom(0, FALSE)) RecalcLayout();
    return;
  }

  long count = 0;
  try {
    count = m_pRecordset->GetRecordCount();
  } catch (CException* e) {
    e->Delete();
  }
  const int height = client.Height();
  if (count < 2) {
    FlatSB_SetScrollProp(m_hWnd, WSB_PROP_CYVTHUMB, height, TRUE);
    FlatSB_SetScrollPos(m_hWnd, SB_VERT, 0, TRUE);
  } else {
    double pos = static_cast<double>(m_rows[0].nPos) / static_cast<double>(count - 1) * 1000.0;
    if (pos < 0) pos = 0;
    if (pos > 1000) pos = 1000;
    FlatSB_SetScrollPos(m_hWnd, SB_VERT, static_cast<int>(pos), TRUE);
    int thumb = height / static_cast<int>(count);
    thumb = thumb < 10 ? 10 : thumb * 2;
    FlatSB_SetScrollProp(m_hWnd, WSB_PROP_CYVTHUMB, thumb, TRUE);
  }
  if (m_bRepaintAfterLayout) {
    Invalidate(TRUE);
    UpdateWindow();
  }
}

void CListWnd::NotifyScrolled() {
  CWnd* parent = GetParent();
  if (parent && m_nRows > 0)
    ::SendMessageW(parent->m_hWnd, WM_LISTWND_SCROLL, static_cast<WPARAM>(m_nListID), m_rows[0].nKey);
}

void CListWnd::ScrollBy(int nAmount) {
  if (m_nRows == 0 || nAmount == 0) return;
  CRect client;
  GetClientRect(&client);
  if (nAmount > client.Height() || -nAmount > client.Height()) nAmount = static_cast<int>(nAmount * 0.4);

  long count = 0;
  try {
    count = m_pRecordset ? m_pRecordset->GetRecordCount() : 0;
  } catch (CException* e) {
    e->Delete();
  }
  CRect first, last;
  m_rows[0].pItem->GetWindowRect(&first);
  ScreenToClient(&first);
  m_rows[m_nRows - 1].pItem->GetWindowRect(&last);
  ScreenToClient(&last);
  if (m_rows[0].nPos < 1 && nAmount < 0 && first.top <= client.top) nAmount = first.top - client.top;
  if (m_rows[m_nRows - 1].nPos + 1 >= count && last.bottom - nAmount < client.bottom)
    nAmount = last.bottom - client.bottom;
  if (nAmount == 0) return;  // at an end already: nothing moves, nothing to tell

  m_nScrollOffset -= nAmount;
  ScrollWindow(0, -nAmount);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ScreenToClient(&cursor);
  TrackHotRow(cursor, TRUE);
  RecalcLayout();

  if (m_nRows > 0 && m_rows[0].nPos < 1) {
    m_rows[0].pItem->GetWindowRect(&first);
    ScreenToClient(&first);
    if (first.top > client.top) {
      m_nScrollOffset -= first.top - client.top;
      ScrollWindow(0, client.top - first.top);
      RecalcLayout();
    }
  }
  NotifyScrolled();
}

void CListWnd::TrackHotRow(CPoint point, BOOL bSetHot) {
  if (m_nRows == 0 || !m_bHotTracking) return;
  int found = RowAt(point);
  if (found == m_nHotRow) return;
  if (m_nHotRow >= 0 && m_nHotRow < m_nRows && m_rows[m_nHotRow].pItem->GetState() != 2)
    m_rows[m_nHotRow].pItem->SetState(0);
  if (found >= 0 && bSetHot && m_rows[found].pItem->GetState() != 2) {
    m_rows[found].pItem->SetState(1);
    SetTimer(kHoverTimer, 100);
  }
  m_nHotRow = found;
}

// ---- drag and drop ----

void CListWnd::StartDrag(CPoint point) {
  int index = RowAt(point);
  if (index < 0) return;
  if (m_nHotRow >= 0 && m_nHotRow < m_nRows && m_rows[m_nHotRow].pItem->GetState() != 2)
    m_rows[m_nHotRow].pItem->SetState(0);
  m_nHotRow = -1;
  m_nSkipMoves = 1;
  KillTimer(kHoverTimer);

  // No format of its own was given: the rows' private one.
  if (m_cfFormat == 0) m_cfFormat = static_cast<WORD>(::RegisterClipboardFormatW(u"NUX list row"));
  const RowEntry& row = m_rows[index];
  CListWndItem* item = row.pItem;
  COleDataSource source;
  HGLOBAL entry = ::GlobalAlloc(GMEM_DDESHARE | GMEM_ZEROINIT, 16);
  if (!entry) return;
  BYTE* bytes = static_cast<BYTE*>(::GlobalLock(entry));
  // The first field names the row: its index in the row table. An object's address would not
  // fit these 32 bits, and a cut one would point nowhere.
  const int32_t rowIndex = static_cast<int32_t>(index);
  const int32_t pos = static_cast<int32_t>(row.nPos), key = static_cast<int32_t>(row.nKey);
  std::memcpy(bytes, &rowIndex, 4);
  std::memcpy(bytes + 4, &pos, 4);
  std::memcpy(bytes + 8, &key, 4);
  bytes[12] = row.nFlag;
  ::GlobalUnlock(entry);
  source.CacheGlobalData(m_cfFormat, entry);

  CString text;
  if (item->GetText(text)) {
    std::string ansi = nux::WideToAnsi(std::u16string_view(text.GetString(), text.GetLength()));
    HGLOBAL block = ::GlobalAlloc(GMEM_DDESHARE | GMEM_ZEROINIT, ansi.size() + 1);
    if (block) {
      void* p = ::GlobalLock(block);
      std::memcpy(p, ansi.c_str(), ansi.size() + 1);
      ::GlobalUnlock(block);
      source.CacheGlobalData(CF_TEXT, block);
    }
  }

  CRect rc;
  item->GetWindowRect(&rc);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  auto* dropSource = new CListDropSource;
  dropSource->StartDragImage(this, rc.left - cursor.x, rc.top - cursor.y, rc.Width(), rc.Height());
  if (CDC* image = dropSource->m_wndDrag.GetImageDC())
    item->Draw(image, CRect(0, 0, rc.Width(), rc.Height()), FALSE, 1);
  source.DoDragDrop(DROPEFFECT_COPY, nullptr, dropSource);
  delete dropSource;
}

// ---- messages ----

int CListWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  if (!m_strSQL.IsEmpty()) {
    CDaoRecordset* rs = nullptr;
    try {
      rs = new CDaoRecordset(m_pDatabase);
      rs->Open(dbOpenDynaset, m_strSQL, 0);
      if (!(rs->IsBOF() && rs->IsEOF())) {
        rs->MoveLast();
        rs->MoveFirst();
      }
      m_pRecordset = rs;
    } catch (CException* e) {
      ReportException(e, u"CListWnd::OnCreate");
      delete rs;  // the list stays empty
    }
  }
  InitializeFlatSB(m_hWnd);
  FlatSB_SetScrollProp(m_hWnd, WSB_PROP_VSTYLE, FSB_REGULAR_MODE, TRUE);
  FlatSB_SetScrollRange(m_hWnd, SB_VERT, 0, 1000, TRUE);
  FlatSB_SetScrollPos(m_hWnd, SB_VERT, 0, TRUE);
  SetWindowPos(&wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
  return 0;
}

void CListWnd::OnDestroy() {
  KillTimer(kHoverTimer);
  KillTimer(kDragTimer);
  CWnd::OnDestroy();
  CloseRecordset();
}

void CListWnd::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  RestackRows(cx != m_nLastWidth);
  m_nLastWidth = cx;
}

BOOL CListWnd::OnEraseBkgnd(CDC* pDC) {
  (void)pDC;
  return TRUE;
}

void CListWnd::PaintBackground(CDC* pDC, CRgn* pRgn) {
  CBrush brush(m_crBackground);
  pDC->FillRgn(pRgn, &brush);
}

void CListWnd::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  if (m_nRows > 0) {
    CRgn rgn;
    rgn.CreateRectRgnIndirect(&client);
    for (int i = 0; i < m_nRows; ++i) {
      CRect rc;
      m_rows[i].pItem->GetWindowRect(&rc);
      ScreenToClient(&rc);
      CRgn row;
      row.CreateRectRgnIndirect(&rc);
      rgn.CombineRgn(&rgn, &row, RGN_XOR);
    }
    PaintBackground(&dc, &rgn);
    return;
  }
  dc.FillSolidRect(&client, m_crBackground);
  if (m_bShowEmptyText) {
    CGdiObject* oldFont = dc.SelectStockObject(ANSI_VAR_FONT);
    dc.SetTextColor(0xFFFFFF);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(CString(u"Keine Einträge"), &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (oldFont) dc.SelectObject(oldFont->m_hObject);
  }
}

void CListWnd::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  (void)pScrollBar;
  if (m_nRows == 0) return;
  SetFocus();
  switch (nSBCode) {
    case SB_LINEUP: ScrollBy(-m_nLineStep); break;
    case SB_LINEDOWN: ScrollBy(m_nLineStep); break;
    case SB_PAGEUP: ScrollBy(-m_nPageStep); break;
    case SB_PAGEDOWN: ScrollBy(m_nPageStep); break;
    case SB_THUMBTRACK: {
      long count = 0;
      try {
        count = m_pRecordset ? m_pRecordset->GetRecordCount() : 0;
      } catch (CException* e) {
        e->Delete();
      }
      if (count <= 0) break;
      long start = static_cast<long>(static_cast<double>(count) * static_cast<int>(nPos) / 1000.0);
      if (start > count - 1) start = count - 1;
      if (start < 0) start = 0;
      LockWindowUpdate();
      DestroyRows();
      AddBottom(start, FALSE);
      RecalcLayout();
      UnlockWindowUpdate();
      RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
      NotifyScrolled();
      break;
    }
    default: ScrollBy(0); break;
  }
}

void CListWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  switch (nFlags & 0xFF) {
    case 72: ScrollBy(-m_nLineStep); break;
    case 80: ScrollBy(m_nLineStep); break;
    case 73: ScrollBy(-m_nPageStep); break;
    case 81: ScrollBy(m_nPageStep); break;
    default: CWnd::OnKeyDown(nChar, nRepCnt, nFlags); break;
  }
}

UINT CListWnd::OnGetDlgCode() { return 0x85; }

BOOL CListWnd::OnMouseWheel(UINT nFlags, short zDelta, CPoint pt) {
  (void)nFlags, (void)pt;
  ScrollBy(-zDelta);
  return TRUE;
}

void CListWnd::OnMouseMove(UINT nFlags, CPoint point) {
  if (m_nSkipMoves > 0)
    --m_nSkipMoves;
  else
    TrackHotRow(point, TRUE);
  CWnd::OnMouseMove(nFlags, point);
}

BOOL CListWnd::ButtonOnRow(CPoint point, int* pRow) const {
  int row = RowAt(point);
  if (row < 0) return FALSE;
  POINT cursor{};
  ::GetCursorPos(&cursor);
  if (!IsRowWindow(::WindowFromPoint(cursor))) return FALSE;
  *pRow = row;
  return TRUE;
}

void CListWnd::OnLButtonDown(UINT nFlags, CPoint point) {
  (void)nFlags;
  int row;
  if (!ButtonOnRow(point, &row)) return;
  SelectKey(m_rows[row].nKey, FALSE);
  if (m_bDragEnabled) SetTimer(kDragTimer, 25);
}

void CListWnd::OnLButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags;
  int row;
  if (!ButtonOnRow(point, &row)) return;
  KillTimer(kDragTimer);
  SelectKey(m_rows[row].nKey, FALSE);
  if (CWnd* parent = GetParent())
    ::SendMessageW(parent->m_hWnd, WM_LISTWND_CLICK, static_cast<WPARAM>(m_nListID), m_nSelectedKey);
}

void CListWnd::OnRButtonDown(UINT nFlags, CPoint point) {
  (void)nFlags;
  int row;
  if (!ButtonOnRow(point, &row)) return;
  SelectKey(m_rows[row].nKey, FALSE);
}

void CListWnd::OnRButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags;
  int row;
  if (!ButtonOnRow(point, &row)) return;
  SelectKey(m_rows[row].nKey, FALSE);
  if (CWnd* parent = GetParent())
    ::SendMessageW(parent->m_hWnd, WM_LISTWND_CLICK, static_cast<WPARAM>(m_nListID), m_nSelectedKey);
}

void CListWnd::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent == kHoverTimer) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    if (!IsRowWindow(::WindowFromPoint(cursor))) {
      KillTimer(kHoverTimer);
      if (m_nHotRow >= 0 && m_nHotRow < m_nRows && m_rows[m_nHotRow].pItem->GetState() != 2)
        m_rows[m_nHotRow].pItem->SetState(0);
      m_nHotRow = -1;
    }
    return;
  }
  if (nIDEvent == kDragTimer) {
    KillTimer(kDragTimer);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    int row = RowAt(cursor);
    if (row >= 0 && m_rows[row].nKey == m_nSelectedKey) StartDrag(cursor);
    return;
  }
  CWnd::OnTimer(nIDEvent);
}
