// CDC and the window device contexts.
#include "mfc/dc.h"

#include <mutex>
#include <unordered_map>
#include <utility>

#include "mfc/exceptions.h"
#include "mfc/wnd.h"

IMPLEMENT_DYNCREATE(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

namespace nux::afx {
int DispatchDepth();
}  // namespace nux::afx

namespace {

std::mutex& MapMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::unordered_map<HDC, CDC*>& Permanent() {
  static auto* map = new std::unordered_map<HDC, CDC*>;
  return *map;
}

// Temporary wrappers with the dispatch depth they were made at: those made inside a message
// handler go when it returns, those made outside any at the thread's idle time.
struct TempDCs {
  struct Entry {
    CDC* dc;
    int depth;
  };
  std::unordered_map<HDC, Entry> map;
  static void Free(CDC* dc) {
    dc->m_hDC = nullptr;
    dc->m_hAttribDC = nullptr;
    delete dc;
  }
  void Clear() {
    auto old = std::move(map);
    map.clear();
    for (auto& [h, e] : old) Free(e.dc);
  }
  ~TempDCs() { Clear(); }
};
thread_local TempDCs t_temps;

}  // namespace

namespace nux::afx {

void DeleteTempDC(CDC* pDC) {
  auto it = t_temps.map.find(pDC->m_hDC);
  if (it != t_temps.map.end() && it->second.dc == pDC) {
    t_temps.map.erase(it);
    TempDCs::Free(pDC);
  }
}

void DeleteTempDCsAbove(int depth) {
  if (t_temps.map.empty()) return;
  for (auto it = t_temps.map.begin(); it != t_temps.map.end();) {
    if (it->second.depth > depth) {
      CDC* dc = it->second.dc;
      it = t_temps.map.erase(it);
      TempDCs::Free(dc);
    } else {
      ++it;
    }
  }
}

}  // namespace nux::afx

CDC::~CDC() {
  if (m_hDC != nullptr) {
    bool owned = false;
    {
      std::lock_guard<std::mutex> lock(MapMutex());
      auto it = Permanent().find(m_hDC);
      owned = it != Permanent().end() && it->second == this;
    }
    if (owned) ::DeleteDC(Detach());
  }
}

HDC CDC::GetSafeHdc() const {
  const CDC* self = this;
  asm volatile("" : "+r"(self));
  return self != nullptr ? self->m_hDC : nullptr;
}

CDC* PASCAL CDC::FromHandle(HDC hDC) {
  if (hDC == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto it = Permanent().find(hDC);
    if (it != Permanent().end()) return it->second;
  }
  auto& entry = t_temps.map[hDC];
  if (entry.dc == nullptr) {
    entry.dc = new CDC;
    entry.dc->m_hDC = hDC;
    entry.dc->m_hAttribDC = hDC;
    entry.depth = nux::afx::DispatchDepth();
  }
  return entry.dc;
}

void PASCAL CDC::DeleteTempMap() { t_temps.Clear(); }

BOOL CDC::Attach(HDC hDC) {
  if (hDC == nullptr || m_hDC != nullptr) return FALSE;
  m_hDC = hDC;
  m_hAttribDC = hDC;
  std::lock_guard<std::mutex> lock(MapMutex());
  Permanent()[hDC] = this;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  if (h != nullptr) {
    std::lock_guard<std::mutex> lock(MapMutex());
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hDC = nullptr;
  m_hAttribDC = nullptr;
  return h;
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr) return FALSE;
  return ::DeleteDC(Detach());
}

CWnd* CDC::GetWindow() const { return CWnd::FromHandle(::WindowFromDC(m_hDC)); }

CPen* CDC::SelectObject(CPen* pPen) {
  return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pPen ? pPen->m_hObject : nullptr)));
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
  return CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, pBrush ? pBrush->m_hObject : nullptr)));
}

CFont* CDC::SelectObject(CFont* pFont) {
  return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, pFont ? pFont->m_hObject : nullptr)));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
  return CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, pBitmap ? pBitmap->m_hObject : nullptr)));
}

int CDC::SelectObject(CRgn* pRgn) { return ::SelectClipRgn(m_hDC, pRgn ? static_cast<HRGN>(pRgn->m_hObject) : nullptr); }

CGdiObject* CDC::SelectStockObject(int nIndex) {
  HGDIOBJ stock = ::GetStockObject(nIndex);
  return stock ? CGdiObject::FromHandle(::SelectObject(m_hDC, stock)) : nullptr;
}

CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground) {
  return CPalette::FromHandle(
      ::SelectPalette(m_hDC, pPalette ? static_cast<HPALETTE>(pPalette->m_hObject) : nullptr, bForceBackground));
}

CPoint CDC::SetBrushOrg(int x, int y) {
  POINT old{0, 0};
  ::SetBrushOrgEx(m_hDC, x, y, &old);
  return CPoint(old);
}

CPoint CDC::GetBrushOrg() const {
  POINT p{0, 0};
  ::GetBrushOrgEx(m_hDC, &p);
  return CPoint(p);
}

CPoint CDC::SetViewportOrg(int x, int y) {
  POINT old{0, 0};
  ::SetViewportOrgEx(m_hDC, x, y, &old);
  return CPoint(old);
}

CPoint CDC::GetViewportOrg() const {
  POINT p{0, 0};
  ::GetViewportOrgEx(m_hDC, &p);
  return CPoint(p);
}

CPoint CDC::OffsetViewportOrg(int nWidth, int nHeight) {
  POINT old{0, 0};
  ::OffsetViewportOrgEx(m_hDC, nWidth, nHeight, &old);
  return CPoint(old);
}

CPoint CDC::SetWindowOrg(int x, int y) {
  POINT old{0, 0};
  ::SetWindowOrgEx(m_hDC, x, y, &old);
  return CPoint(old);
}

CPoint CDC::GetWindowOrg() const {
  POINT p{0, 0};
  ::GetWindowOrgEx(m_hDC, &p);
  return CPoint(p);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT old{0, 0};
  ::MoveToEx(m_hDC, x, y, &old);
  return CPoint(old);
}

CPoint CDC::GetCurrentPosition() const {
  POINT p{0, 0};
  ::GetCurrentPositionEx(m_hDC, &p);
  return CPoint(p);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
  FillSolidRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, clr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
  RECT r{x, y, x + cx, y + cy};
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  ::SetBkColor(m_hDC, clr);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  Draw3dRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, clrTopLeft,
             clrBottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
  FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
  FillSolidRect(x + cx, y, -1, cy, clrBottomRight);
  FillSolidRect(x, y + cy, cx, -1, clrBottomRight);
}

CSize CDC::GetTextExtent(LPCWSTR lpszString, int nCount) const {
  SIZE s{0, 0};
  ::GetTextExtentPoint32W(m_hAttribDC, lpszString, nCount, &s);
  return CSize(s);
}

CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const {
  SIZE s{0, 0};
  ::GetTextExtentPoint32A(m_hAttribDC, lpszString, nCount, &s);
  return CSize(s);
}

// ---- window device contexts -------------------------------------------------------------

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
  if (!Attach(::BeginPaint(m_hWnd, &m_ps))) AfxThrowResourceException();
}

CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
  Detach();
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(CWnd::HwndOf(pWnd)) {
  if (!Attach(::GetDC(m_hWnd))) AfxThrowResourceException();
}

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(CWnd::HwndOf(pWnd)) {
  if (!Attach(::GetWindowDC(m_hWnd))) AfxThrowResourceException();
}

CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }
