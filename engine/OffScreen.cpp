#include "OffScreen.h"

COffScreen::COffScreen() : m_nWidth(0), m_nHeight(0), m_pBitmap(nullptr), m_pDC(nullptr), m_hOldObject(nullptr) {}

COffScreen::~COffScreen() { Destroy(); }

int COffScreen::Create(int nWidth, int nHeight) {
  if (m_pBitmap && m_nWidth == nWidth && m_nHeight == nHeight) return 0;
  Destroy();
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  HDC screen = ::GetDC(nullptr);
  m_pBitmap = new CBitmap;
  m_pBitmap->Attach(::CreateCompatibleBitmap(screen, nWidth, nHeight));
  ::ReleaseDC(nullptr, screen);
  return 1;
}

CDC* COffScreen::GetDC() {
  if (!m_pBitmap) return nullptr;
  if (!m_pDC) {
    m_pDC = new CDC;
    m_pDC->CreateCompatibleDC(nullptr);
    m_hOldObject = m_pDC->SelectObject(m_pBitmap->GetSafeHandle());
  }
  return m_pDC;
}

void COffScreen::ReleaseDC() {
  if (!m_pDC) return;
  m_pDC->SelectObject(m_hOldObject);
  m_pDC->DeleteDC();
  delete m_pDC;
  m_pDC = nullptr;
  m_hOldObject = nullptr;
}

void COffScreen::Destroy() {
  ReleaseDC();
  if (m_pBitmap) {
    m_pBitmap->DeleteObject();
    delete m_pBitmap;
  }
  m_pBitmap = nullptr;
  m_nWidth = m_nHeight = 0;
}

int COffScreen::BitBlt(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc) {
  if (!m_pBitmap) return 0;
  HDC mem = ::CreateCompatibleDC(pDC->GetSafeHdc());
  HGDIOBJ old = ::SelectObject(mem, m_pBitmap->GetSafeHandle());
  ::BitBlt(pDC->GetSafeHdc(), x, y, nWidth, nHeight, mem, xSrc, ySrc, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  return 1;
}

int COffScreen::Draw(CDC* pDC, int x, int y) { return BitBlt(pDC, x, y, m_nWidth, m_nHeight, 0, 0); }
