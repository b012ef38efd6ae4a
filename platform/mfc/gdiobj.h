// Wrappers of drawing objects: CGdiObject and CPen, CBrush, CFont, CBitmap, CRgn, CPalette.
// An object owns its handle (DeleteObject at destruction) unless it was taken with FromHandle
// (a temporary wrapper that lives until the thread's idle time) or given back with Detach.
#pragma once

#include "base/codepage.h"
#include "gdi/gdi.h"
#include "gdi/region.h"
#include "mfc/object.h"
#include "ui/sysparams.h"

class CDC;
class CBitmap;

class CGdiObject : public CObject {
  DECLARE_DYNCREATE(CGdiObject)

 public:
  HGDIOBJ m_hObject = nullptr;

  CGdiObject() = default;
  ~CGdiObject() override;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  operator HGDIOBJ() const { return m_hObject; }
  HGDIOBJ GetSafeHandle() const;
  static CGdiObject* PASCAL FromHandle(HGDIOBJ hObject);
  BOOL Attach(HGDIOBJ hObject);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  int GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectW(m_hObject, nCount, lpObject); }
  UINT GetObjectType() const { return static_cast<UINT>(::GetObjectType(m_hObject)); }
  BOOL CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
};

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)

 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  static CPen* PASCAL FromHandle(HPEN hPen);
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor) { return Attach(::CreatePen(nPenStyle, nWidth, crColor)); }
  BOOL CreatePenIndirect(LPLOGPEN lpLogPen) { return Attach(::CreatePenIndirect(lpLogPen)); }
  int GetLogPen(LOGPEN* pLogPen) { return GetObject(sizeof(LOGPEN), pLogPen); }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)

 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* PASCAL FromHandle(HBRUSH hBrush);
  BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
  BOOL CreateBrushIndirect(const LOGBRUSH* lpLogBrush) { return Attach(::CreateBrushIndirect(lpLogBrush)); }
  BOOL CreatePatternBrush(CBitmap* pBitmap);
  BOOL CreateSysColorBrush(int nIndex) { return Attach(::GetSysColorBrush(nIndex)); }
  int GetLogBrush(LOGBRUSH* pLogBrush) { return GetObject(sizeof(LOGBRUSH), pLogBrush); }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)

 public:
  CFont() = default;
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* PASCAL FromHandle(HFONT hFont);
  BOOL CreateFontIndirect(const LOGFONTW* lpLogFont) { return Attach(::CreateFontIndirectW(lpLogFont)); }
  BOOL CreateFontIndirect(const LOGFONTA* lpLogFont) { return Attach(::CreateFontIndirectA(lpLogFont)); }
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, LPCWSTR lpszFacename) {
    return Attach(::CreateFontW(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline, cStrikeOut,
                                nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily, lpszFacename));
  }
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename) {
    return Attach(::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline, cStrikeOut,
                                nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily, lpszFacename));
  }
  // A font of nPointSize tenths of a point, measured for pDC (the screen when NULL).
  BOOL CreatePointFont(int nPointSize, LPCWSTR lpszFaceName, CDC* pDC = nullptr);
  BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC = nullptr);
  BOOL CreatePointFontIndirect(const LOGFONTW* lpLogFont, CDC* pDC = nullptr);
  int GetLogFont(LOGFONTW* pLogFont) { return ::GetObjectW(m_hObject, sizeof(LOGFONTW), pLogFont); }
  int GetLogFont(LOGFONTA* pLogFont) { return ::GetObjectA(m_hObject, sizeof(LOGFONTA), pLogFont); }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)

 public:
  CBitmap() = default;
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* PASCAL FromHandle(HBITMAP hBitmap);
  BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
  }
  BOOL CreateBitmapIndirect(LPBITMAP lpBitmap) {
    return Attach(::CreateBitmap(lpBitmap->bmWidth, lpBitmap->bmHeight, lpBitmap->bmPlanes, lpBitmap->bmBitsPixel,
                                 lpBitmap->bmBits));
  }
  BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
  // A bitmap resource of the current resource module.
  BOOL LoadBitmap(UINT nIDResource) { return LoadBitmapResource(MAKEINTRESOURCEW(nIDResource)); }
  BOOL LoadBitmap(LPCWSTR lpszResourceName) { return LoadBitmapResource(lpszResourceName); }
  BOOL LoadBitmapResource(LPCWSTR lpszResourceName);
  int GetBitmap(BITMAP* pBitMap) { return GetObject(sizeof(BITMAP), pBitMap); }
};

class CRgn : public CGdiObject {
  DECLARE_DYNAMIC(CRgn)

 public:
  CRgn() = default;
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
  static CRgn* PASCAL FromHandle(HRGN hRgn);
  BOOL CreateRectRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateRectRgn(x1, y1, x2, y2)); }
  BOOL CreateRectRgnIndirect(LPCRECT lpRect) { return Attach(::CreateRectRgnIndirect(lpRect)); }
  int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode) {
    return ::CombineRgn(static_cast<HRGN>(m_hObject), pRgn1 ? static_cast<HRGN>(pRgn1->m_hObject) : nullptr,
                        pRgn2 ? static_cast<HRGN>(pRgn2->m_hObject) : nullptr, nCombineMode);
  }
  int CopyRgn(const CRgn* pRgnSrc) {
    return ::CombineRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(pRgnSrc->m_hObject), nullptr, RGN_COPY);
  }
  BOOL EqualRgn(const CRgn* pRgn) const { return ::EqualRgn(static_cast<HRGN>(m_hObject), static_cast<HRGN>(pRgn->m_hObject)); }
  int OffsetRgn(int x, int y) { return ::OffsetRgn(static_cast<HRGN>(m_hObject), x, y); }
  int OffsetRgn(POINT point) { return OffsetRgn(point.x, point.y); }
  int GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox(static_cast<HRGN>(m_hObject), lpRect); }
  void SetRectRgn(int x1, int y1, int x2, int y2) { ::SetRectRgn(static_cast<HRGN>(m_hObject), x1, y1, x2, y2); }
  void SetRectRgn(LPCRECT lpRect) { SetRectRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
  BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
  BOOL RectInRegion(LPCRECT lpRect) const { return ::RectInRegion(static_cast<HRGN>(m_hObject), lpRect); }
};

class CPalette : public CGdiObject {
  DECLARE_DYNAMIC(CPalette)

 public:
  CPalette() = default;
  operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
  static CPalette* PASCAL FromHandle(HPALETTE hPalette);
  BOOL CreatePalette(const LOGPALETTE* lpLogPalette) { return Attach(::CreatePalette(lpLogPalette)); }
  BOOL CreateHalftonePalette(CDC* pDC);
};

namespace nux::afx {
// Frees the calling thread's temporary drawing-object and device-context wrappers.
void DeleteTempGdiMaps();
}  // namespace nux::afx
