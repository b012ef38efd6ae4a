#include "MemBitmap.h"

#include <algorithm>

#include "mfc/dc.h"
#include "process/clock.h"

CMemBitmap::CMemBitmap() { Reset(); }

CMemBitmap::~CMemBitmap() { Destroy(); }

void CMemBitmap::Reset() {
  m_nWidth = 0;
  m_nHeight = 0;
  m_hBitmap = nullptr;
  m_hOldObject = nullptr;
  m_pDC = nullptr;
}

BOOL CMemBitmap::Create(int nWidth, int nHeight) {
  Destroy();
  HDC screen = ::GetDC(nullptr);
  m_hBitmap = ::CreateCompatibleBitmap(screen, nWidth, nHeight);
  ::ReleaseDC(nullptr, screen);
  if (m_hBitmap == nullptr) return FALSE;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  return TRUE;
}

BOOL CMemBitmap::CreateFromDC(CDC* pSrcDC, int x, int y, int nWidth, int nHeight) {
  Destroy();
  if (pSrcDC == nullptr) return FALSE;
  m_hBitmap = ::CreateCompatibleBitmap(pSrcDC->m_hDC, nWidth, nHeight);
  if (m_hBitmap == nullptr) return FALSE;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  HDC mem = ::CreateCompatibleDC(pSrcDC->m_hDC);
  HGDIOBJ old = ::SelectObject(mem, m_hBitmap);
  ::BitBlt(mem, 0, 0, nWidth, nHeight, pSrcDC->m_hDC, x, y, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  return TRUE;
}

CDC* CMemBitmap::GetDC() {
  if (m_hBitmap == nullptr) return nullptr;
  if (m_pDC == nullptr) {
    m_pDC = new CDC;
    m_pDC->CreateCompatibleDC(nullptr);
    m_hOldObject = ::SelectObject(m_pDC->m_hDC, m_hBitmap);
  }
  return m_pDC;
}

void CMemBitmap::ReleaseDC() {
  if (m_pDC == nullptr) return;
  ::SelectObject(m_pDC->m_hDC, m_hOldObject);
  m_pDC->DeleteDC();
  delete m_pDC;
  m_pDC = nullptr;
  m_hOldObject = nullptr;
}

void CMemBitmap::Destroy() {
  ReleaseDC();
  if (m_hBitmap != nullptr) ::DeleteObject(m_hBitmap);
  Reset();
}

void CMemBitmap::BitBlt(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc) {
  if (m_hBitmap == nullptr || pDC == nullptr) return;
  // A bitmap lives in one DC at a time: while this object's own DC holds it, that DC is the
  // source.
  if (m_pDC != nullptr) {
    ::BitBlt(pDC->m_hDC, x, y, nWidth, nHeight, m_pDC->m_hDC, xSrc, ySrc, SRCCOPY);
    return;
  }
  HDC mem = ::CreateCompatibleDC(pDC->m_hDC);
  HGDIOBJ old = ::SelectObject(mem, m_hBitmap);
  ::BitBlt(pDC->m_hDC, x, y, nWidth, nHeight, mem, xSrc, ySrc, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}

void CMemBitmap::Draw(CDC* pDC, int x, int y) { BitBlt(pDC, x, y, m_nWidth, m_nHeight, 0, 0); }

void CMemBitmap::AlphaDraw(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, double dOpacity) {
  if (dOpacity >= 100) {
    BitBlt(pDC, x, y, nWidth, nHeight, xSrc, ySrc);
    return;
  }
  if (m_hBitmap == nullptr || pDC == nullptr) return;
  BLENDFUNCTION blend{};
  blend.BlendOp = AC_SRC_OVER;
  blend.BlendFlags = 0;
  blend.SourceConstantAlpha = static_cast<BYTE>(std::clamp(static_cast<int>(dOpacity * 255 / 100), 0, 255));
  blend.AlphaFormat = 0;
  const bool own = m_pDC != nullptr;
  HDC mem = own ? m_pDC->m_hDC : ::CreateCompatibleDC(pDC->m_hDC);
  HGDIOBJ old = own ? nullptr : ::SelectObject(mem, m_hBitmap);
  ::AlphaBlend(pDC->m_hDC, x, y, nWidth, nHeight, mem, xSrc, ySrc, nWidth, nHeight, blend);
  if (!own) {
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
  }
}

void CMemBitmap::DrawInto(CMemBitmap& other, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc) {
  if (CDC* dc = other.GetDC()) BitBlt(dc, x, y, nWidth, nHeight, xSrc, ySrc);
  other.ReleaseDC();
}

void CMemBitmap::DrawInto(CMemBitmap& other, int x, int y) { DrawInto(other, x, y, m_nWidth, m_nHeight, 0, 0); }

void CMemBitmap::AlphaDrawInto(CMemBitmap& other, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc,
                               double dOpacity) {
  if (CDC* dc = other.GetDC()) AlphaDraw(dc, x, y, nWidth, nHeight, xSrc, ySrc, dOpacity);
  other.ReleaseDC();
}

BOOL CMemBitmap::CopyOf(CMemBitmap& other) {
  if (!Create(other.m_nWidth, other.m_nHeight)) return FALSE;
  other.DrawInto(*this, 0, 0);
  return TRUE;
}

BOOL CMemBitmap::SlideIn(CDC* pDC, int x, int y, int nSteps, int nPause, int nSide, BOOL bBlend) {
  if (m_hBitmap == nullptr || pDC == nullptr || nSteps < 1) return FALSE;
  const int W = m_nWidth, H = m_nHeight;
  CMemBitmap background, frame;
  background.CreateFromDC(pDC, x, y, W, H);
  for (int i = 1; i <= nSteps; ++i) {
    // Computed from i / n in whole numbers, so the last step shows the whole image, opaque.
    const int hv = static_cast<int>(static_cast<long long>(H) * i / nSteps);
    const int wv = static_cast<int>(static_cast<long long>(W) * i / nSteps);
    const double opacity = 100.0 * i / nSteps;
    int srcX = 0, srcY = 0, destX = 0, destY = 0, w = W, h = H;
    switch (nSide & 0xFF) {
      case 1:  // the bottom rows at the top: slides down from the top edge
        srcY = H - hv, h = hv;
        break;
      case 2:  // the top rows at the bottom: slides up from the bottom edge
        destY = H - hv, h = hv;
        break;
      case 3:  // the right columns at the left: slides in from the left edge
        srcX = W - wv, w = wv;
        break;
      case 4:  // the left columns at the right: slides in from the right edge
        destX = W - wv, w = wv;
        break;
      default:
        break;
    }
    frame.CopyOf(background);
    if (bBlend)
      AlphaDrawInto(frame, destX, destY, w, h, srcX, srcY, opacity);
    else
      DrawInto(frame, destX, destY, w, h, srcX, srcY);
    frame.Draw(pDC, x, y);
    if (nPause > 0) ::Sleep(static_cast<DWORD>(nPause));
  }
  background.Destroy();
  frame.Destroy();
  return TRUE;
}
