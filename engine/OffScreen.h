// COffScreen: a screen-compatible bitmap with a memory DC made on demand, into which a skin
// element renders once per size and from which it is copied on every paint.
#pragma once

#include "mfc/afxwin.h"

class COffScreen : public CObject {
 public:
  COffScreen();
  ~COffScreen() override;

  // A bitmap of that size: 0 when one of exactly that size exists already (nothing changes),
  // 1 when it was made anew.
  int Create(int nWidth, int nHeight);
  // The memory DC with the bitmap selected, made on first use; null without a bitmap.
  CDC* GetDC();
  // Selects the replaced object back and deletes the memory DC.
  void ReleaseDC();
  // ReleaseDC, the bitmap deleted, size zero.
  void Destroy();
  // Copies a piece to the target through a temporary DC; 0 without a bitmap. The bitmap must
  // not be selected into the buffer's own DC meanwhile.
  int BitBlt(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc);
  int Draw(CDC* pDC, int x, int y);

  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  CBitmap* GetBitmap() const { return m_pBitmap; }

 private:
  int m_nWidth;
  int m_nHeight;
  CBitmap* m_pBitmap;
  CDC* m_pDC;
  HGDIOBJ m_hOldObject;
};
