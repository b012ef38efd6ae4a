// Window placement helpers: moving and sizing without activation or z-order change, fitting a
// rectangle into the work area of its monitor, and rectangle arithmetic.
#pragma once

#include "base/types.h"

class CWnd;

// SetWindowPos without z-order change, activation, copied bits, owner z-order, changing
// message or erase; the move, size and show flags say which of position, size and visibility
// change. Returns SetWindowPos's result.
BOOL MoveWindowTo(CWnd* pWnd, int x, int y, int nWidth, int nHeight, BOOL bMove, BOOL bSize, BOOL bShow);
// The same with a rectangle's edges.
BOOL MoveWindowToRect(CWnd* pWnd, int nLeft, int nTop, int nRight, int nBottom, BOOL bMove, BOOL bSize, BOOL bShow);

// Moves the rectangle into the work area of the monitor nearest to it (the primary work area
// when that cannot be had): past the left or top edge it moves right or down, past the right
// or bottom edge left or up, by the step when it is not 0, else exactly onto the edge. With
// bClamp the left and top edges are then cut to the work area, so a rectangle larger than the
// work area keeps its right and bottom edges.
void FitRectToWorkArea(RECT* pRect, BOOL bClamp, int nStepX, int nStepY);

// TRUE when the first rectangle lies within the second (edges may touch).
BOOL IsRectInside(int nLeft1, int nTop1, int nRight1, int nBottom1, int nLeft2, int nTop2, int nRight2, int nBottom2);

// Adds each delta to its edge; returns the rectangle.
RECT* AdjustRectEdges(RECT* pRect, int nDeltaLeft, int nDeltaTop, int nDeltaRight, int nDeltaBottom);
