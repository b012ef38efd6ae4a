// CListDropSource: the drop source of a list row's drag; it moves the row's image (a CDragWnd)
// with the cursor while the drag loop asks it whether to go on.
#pragma once

#include "DragWnd.h"
#include "mfc/oledragdrop.h"

class CListWnd;

class CListDropSource : public COleDropSource {
 public:
  CListDropSource();
  ~CListDropSource() override;  // destroys the drag window

  // Keeps list and size and creates the drag window (no parent) with the offsets and size.
  BOOL StartDragImage(CListWnd* pList, int nOffsetX, int nOffsetY, int nWidth, int nHeight);
  // Moves the image to a changed cursor position, then answers as COleDropSource does.
  SCODE QueryContinueDrag(BOOL bEscapePressed, DWORD dwKeyState) override;

  CDragWnd m_wndDrag;
  CListWnd* m_pList = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nLastX = -500;
  int m_nLastY = -500;
};
