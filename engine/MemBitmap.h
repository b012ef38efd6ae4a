// CMemBitmap: a screen-compatible bitmap with a memory DC made on demand. It captures a piece
// of a device context, copies or blends into a DC or another CMemBitmap, and plays the opening
// slide of a popup (the finished image slid in over the captured background, step by step).
#pragma once

#include "base/types.h"
#include "gdi/gdi.h"

class CDC;

class CMemBitmap {
 public:
  CMemBitmap();
  ~CMemBitmap();
  CMemBitmap(const CMemBitmap&) = delete;
  CMemBitmap& operator=(const CMemBitmap&) = delete;

  // All fields zero (nothing is freed).
  void Reset();
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  HBITMAP GetBitmap() const { return m_hBitmap; }

  // A bitmap compatible with the screen, of that size. FALSE when it cannot be made.
  BOOL Create(int nWidth, int nHeight);
  // A bitmap compatible with the source DC holding a copy of that rectangle of it.
  BOOL CreateFromDC(CDC* pSrcDC, int x, int y, int nWidth, int nHeight);
  // The memory DC with the bitmap selected, made on first use; null without a bitmap.
  CDC* GetDC();
  // Deselects the bitmap and deletes the memory DC.
  void ReleaseDC();
  // ReleaseDC, the bitmap deleted, Reset.
  void Destroy();

  // Copies (SRCCOPY) a piece of the bitmap to the target.
  void BitBlt(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc);
  void Draw(CDC* pDC, int x, int y);
  // Blends a piece over the target with a constant opacity in percent; 100 or more copies.
  void AlphaDraw(CDC* pDC, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc, double dOpacity);
  // The same into another CMemBitmap (whose DC is released afterwards).
  void DrawInto(CMemBitmap& other, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc);
  void DrawInto(CMemBitmap& other, int x, int y);
  void AlphaDrawInto(CMemBitmap& other, int x, int y, int nWidth, int nHeight, int xSrc, int ySrc,
                     double dOpacity);
  // A new bitmap of the other's size holding a copy of it.
  BOOL CopyOf(CMemBitmap& other);

  // Slides this bitmap (the finished image) in at (x, y) of the target in nSteps steps with a
  // pause of nPause ms after each. Side (low byte): 1 from the top edge, 2 from the bottom,
  // 3 from the left, 4 from the right, anything else the whole image every step. With bBlend
  // the piece also fades in. Step i of n shows i/n of the image at i/n opacity, so the last
  // step draws the whole image opaque. FALSE without a bitmap, target or steps.
  BOOL SlideIn(CDC* pDC, int x, int y, int nSteps, int nPause, int nSide, BOOL bBlend);

 private:
  int m_nWidth;
  int m_nHeight;
  HBITMAP m_hBitmap;
  HGDIOBJ m_hOldObject;  // what the bitmap replaced in the memory DC
  CDC* m_pDC;            // the memory DC; null until made
};
