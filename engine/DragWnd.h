// CDragWnd: the image of a dragged row that follows the cursor during a drag. A topmost,
// disabled tool popup whose window region leaves a 2 by 2 hole at the cursor's tip, so that
// the window under the cursor (the drop target) is found through it.
#pragma once

#include "mfc/afxwin.h"

class CDragWnd : public CWnd {
 public:
  CDragWnd();
  ~CDragWnd() override;

  // Creates the window "Drag" at (0, 0) with the size; the offsets are the image's top-left
  // corner relative to the cursor.
  BOOL Create(int nOffsetX, int nOffsetY, int nWidth, int nHeight, CWnd* pParent);
  // A memory device context with a bitmap of the window's size selected, to draw the image
  // into; the same context on later calls. NULL without a window.
  CDC* GetImageDC();
  // Moves the image so that the cursor at (x, y) keeps its place on it, and shows it without
  // activating it.
  void Move(int x, int y);

  CDC* m_pMemDC = nullptr;
  CBitmap* m_pBitmap = nullptr;
  CBitmap* m_pOldBitmap = nullptr;
  int m_nOffsetX = 0;
  int m_nOffsetY = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
  CRgn m_rgn;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnPaint();
  DECLARE_MESSAGE_MAP()
};
