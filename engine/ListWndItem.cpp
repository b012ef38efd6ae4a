#include "ListWndItem.h"

#include "ListWnd.h"
#include "VariantText.h"

IMPLEMENT_DYNCREATE(CListWndItem, CWnd)

BEGIN_MESSAGE_MAP(CListWndItem, CWnd)
  ON_WM_CREATE()
  ON_WM_PAINT()
  ON_WM_SIZE()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
END_MESSAGE_MAP()

CListWndItem::CListWndItem() = default;
CListWndItem::~CListWndItem() = default;

BOOL CListWndItem::Register(CListWnd* pList, const RECT& rect, CDaoRecordset* pRecordset, LPCWSTR lpszDisplayField) {
  m_pList = pList;
  LPCWSTR cls = AfxRegisterWndClassW(CS_DBLCLKS | CS_PARENTDC, ::LoadCursorW(nullptr, IDC_ARROW),
                                     static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
  m_pRecordset = pRecordset;
  m_strDisplayField = lpszDisplayField ? lpszDisplayField : u"";
  m_nState = 0;
  return CreateExW(0, cls, u"CListWndItem", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect, pList, 0);
}

void CListWndItem::SetState(int nState) {
  m_nState = nState;
  Invalidate(FALSE);
  UpdateWindow();
}

int CListWndItem::Height() const {
  CRect rc;
  GetWindowRect(&rc);
  return rc.Height();
}

int CListWndItem::MeasureHeight(int nWidth) {
  CDC* pDC = GetDC();
  int height = Draw(pDC, CRect(0, 0, nWidth, 8), TRUE, 0);
  ReleaseDC(pDC);
  return height;
}

void CListWndItem::ReadRecord(CDaoRecordset* pRecordset) { (void)pRecordset; }

int CListWndItem::Draw(CDC* pDC, CRect rect, BOOL bMeasureOnly, int nState) {
  if (!bMeasureOnly) {
    COLORREF fill = nState == 0 ? 0xAAAAAA : nState == 1 ? 0xCCCCCC : nState == 2 ? 0xFF0000 : 0x0000FF;
    pDC->FillSolidRect(&rect, fill);
    pDC->Draw3dRect(&rect, 0xFFFFFE, 0x666666);
    pDC->SetBkMode(TRANSPARENT);
  }
  CRect text = rect;
  text.DeflateRect(4, 4);
  pDC->SetTextColor(0x333333);
  UINT format = DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX | DT_WORD_ELLIPSIS;
  if (bMeasureOnly) format |= DT_CALCRECT;
  int height = pDC->DrawText(m_strText, &text, format);
  return height + 8;
}

BOOL CListWndItem::GetText(CString& strText) {
  strText = m_strText;
  return TRUE;
}

int CListWndItem::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  try {
    if (m_pRecordset) {
      CVariantText value;
      m_pRecordset->GetFieldValue(m_strDisplayField, value.Variant());
      m_strText = value.ToString();
    }
    ReadRecord(m_pRecordset);
  } catch (CException* e) {
    // The row keeps its place and shows why its record could not be read.
    WCHAR message[256] = {};
    e->GetErrorMessage(message, 255);
    m_strText = message;
    e->Delete();
  }
  CRect client;
  GetClientRect(&client);
  SetWindowPos(nullptr, 0, 0, client.Width(), MeasureHeight(client.Width()),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

void CListWndItem::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  Draw(&dc, client, FALSE, m_nState);
}

void CListWndItem::OnSize(UINT nType, int cx, int cy) { CWnd::OnSize(nType, cx, cy); }

void CListWndItem::ForwardToList(UINT message, UINT nFlags, CPoint point) {
  if (!m_pList || !m_pList->GetSafeHwnd()) return;
  MapWindowPoints(m_pList, &point, 1);
  m_pList->PostMessage(message, nFlags, MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
}

void CListWndItem::OnMouseMove(UINT nFlags, CPoint point) {
  CWnd::OnMouseMove(nFlags, point);
  ForwardToList(WM_MOUSEMOVE, nFlags, point);
}
void CListWndItem::OnLButtonDown(UINT nFlags, CPoint point) {
  CWnd::OnLButtonDown(nFlags, point);
  ForwardToList(WM_LBUTTONDOWN, nFlags, point);
}
void CListWndItem::OnLButtonUp(UINT nFlags, CPoint point) {
  CWnd::OnLButtonUp(nFlags, point);
  ForwardToList(WM_LBUTTONUP, nFlags, point);
}
void CListWndItem::OnRButtonDown(UINT nFlags, CPoint point) {
  CWnd::OnRButtonDown(nFlags, point);
  ForwardToList(WM_RBUTTONDOWN, nFlags, point);
}
void CListWndItem::OnRButtonUp(UINT nFlags, CPoint point) {
  CWnd::OnRButtonUp(nFlags, point);
  ForwardToList(WM_RBUTTONUP, nFlags, point);
}
