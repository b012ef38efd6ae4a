// CPoint, CSize and CRect: the class library's value types over POINT, SIZE and RECT.
// Pure arithmetic; rectangles have exclusive right and bottom edges.
#pragma once

#include <algorithm>

#include "base/types.h"

class CSize : public tagSIZE {
 public:
  CSize() { cx = cy = 0; }
  CSize(int x, int y) { cx = x, cy = y; }
  CSize(SIZE s) { cx = s.cx, cy = s.cy; }
  explicit CSize(POINT p) { cx = p.x, cy = p.y; }
  explicit CSize(DWORD packed) { cx = static_cast<SHORT>(LOWORD(packed)), cy = static_cast<SHORT>(HIWORD(packed)); }

  BOOL operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
  BOOL operator!=(SIZE s) const { return !(*this == s); }
  void operator+=(SIZE s) { cx += s.cx, cy += s.cy; }
  void operator-=(SIZE s) { cx -= s.cx, cy -= s.cy; }
  void SetSize(int x, int y) { cx = x, cy = y; }
  CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
  CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
  CSize operator-() const { return CSize(-cx, -cy); }
};

class CPoint : public tagPOINT {
 public:
  CPoint() { x = y = 0; }
  CPoint(int px, int py) { x = px, y = py; }
  CPoint(POINT p) { x = p.x, y = p.y; }
  explicit CPoint(SIZE s) { x = s.cx, y = s.cy; }
  // From an LPARAM-style packed point: signed low and high words.
  explicit CPoint(DWORD packed) { x = static_cast<SHORT>(LOWORD(packed)), y = static_cast<SHORT>(HIWORD(packed)); }

  void Offset(int dx, int dy) { x += dx, y += dy; }
  void Offset(POINT p) { Offset(p.x, p.y); }
  void Offset(SIZE s) { Offset(s.cx, s.cy); }
  void SetPoint(int px, int py) { x = px, y = py; }
  BOOL operator==(POINT p) const { return x == p.x && y == p.y; }
  BOOL operator!=(POINT p) const { return !(*this == p); }
  void operator+=(SIZE s) { x += s.cx, y += s.cy; }
  void operator-=(SIZE s) { x -= s.cx, y -= s.cy; }
  void operator+=(POINT p) { x += p.x, y += p.y; }
  void operator-=(POINT p) { x -= p.x, y -= p.y; }
  CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
  CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
  CPoint operator+(POINT p) const { return CPoint(x + p.x, y + p.y); }
  CSize operator-(POINT p) const { return CSize(x - p.x, y - p.y); }
  CPoint operator-() const { return CPoint(-x, -y); }
};

class CRect : public tagRECT {
 public:
  CRect() { left = top = right = bottom = 0; }
  CRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
  CRect(const RECT& r) { left = r.left, top = r.top, right = r.right, bottom = r.bottom; }
  CRect(LPCRECT r) { *this = CRect(*r); }
  CRect(POINT p, SIZE s) { left = p.x, top = p.y, right = p.x + s.cx, bottom = p.y + s.cy; }
  CRect(POINT topLeft, POINT bottomRight) {
    left = topLeft.x, top = topLeft.y, right = bottomRight.x, bottom = bottomRight.y;
  }

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(&left); }
  CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
  const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(&left); }
  const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }

  // Empty: no area (zero or negative width or height). Null: all four values zero.
  BOOL IsRectEmpty() const { return left >= right || top >= bottom; }
  BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

  void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
  void SetRect(POINT topLeft, POINT bottomRight) { *this = CRect(topLeft, bottomRight); }
  void SetRectEmpty() { left = top = right = bottom = 0; }
  void CopyRect(LPCRECT src) { *this = CRect(*src); }
  BOOL EqualRect(LPCRECT r) const {
    return left == r->left && top == r->top && right == r->right && bottom == r->bottom;
  }

  void InflateRect(int x, int y) { left -= x, top -= y, right += x, bottom += y; }
  void InflateRect(SIZE s) { InflateRect(s.cx, s.cy); }
  void InflateRect(LPCRECT r) { left -= r->left, top -= r->top, right += r->right, bottom += r->bottom; }
  void InflateRect(int l, int t, int r, int b) { left -= l, top -= t, right += r, bottom += b; }
  void DeflateRect(int x, int y) { InflateRect(-x, -y); }
  void DeflateRect(SIZE s) { InflateRect(-s.cx, -s.cy); }
  void DeflateRect(LPCRECT r) { left += r->left, top += r->top, right -= r->right, bottom -= r->bottom; }
  void DeflateRect(int l, int t, int r, int b) { left += l, top += t, right -= r, bottom -= b; }

  void OffsetRect(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
  void MoveToX(int x) { right = x + Width(), left = x; }
  void MoveToY(int y) { bottom = y + Height(), top = y; }
  void MoveToXY(int x, int y) { MoveToX(x), MoveToY(y); }
  void MoveToXY(POINT p) { MoveToXY(p.x, p.y); }

  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }

  // The overlap of a and b; all zero (and FALSE) when they do not overlap.
  BOOL IntersectRect(LPCRECT a, LPCRECT b) {
    CRect r(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
            std::min(a->bottom, b->bottom));
    if (r.IsRectEmpty()) {
      SetRectEmpty();
      return FALSE;
    }
    *this = r;
    return TRUE;
  }
  // The smallest rectangle holding both; empty rectangles do not count. FALSE when the result is empty.
  BOOL UnionRect(LPCRECT a, LPCRECT b) {
    CRect ra(*a), rb(*b);
    if (ra.IsRectEmpty() && rb.IsRectEmpty()) {
      SetRectEmpty();
      return FALSE;
    }
    if (ra.IsRectEmpty()) {
      *this = rb;
    } else if (rb.IsRectEmpty()) {
      *this = ra;
    } else {
      *this = CRect(std::min(ra.left, rb.left), std::min(ra.top, rb.top), std::max(ra.right, rb.right),
                    std::max(ra.bottom, rb.bottom));
    }
    return TRUE;
  }
  // a without b, when b covers a whole side of a; otherwise a itself. FALSE when empty.
  BOOL SubtractRect(LPCRECT a, LPCRECT b) {
    CRect r(*a), cut;
    if (!cut.IntersectRect(a, b)) {
      *this = r;
      return !r.IsRectEmpty();
    }
    if (cut.top == r.top && cut.bottom == r.bottom) {
      if (cut.left == r.left) r.left = cut.right;
      else if (cut.right == r.right) r.right = cut.left;
    } else if (cut.left == r.left && cut.right == r.right) {
      if (cut.top == r.top) r.top = cut.bottom;
      else if (cut.bottom == r.bottom) r.bottom = cut.top;
    }
    if (r.IsRectEmpty()) {
      SetRectEmpty();
      return FALSE;
    }
    *this = r;
    return TRUE;
  }

  BOOL operator==(const RECT& r) const { return EqualRect(&r); }
  BOOL operator!=(const RECT& r) const { return !EqualRect(&r); }
  void operator+=(POINT p) { OffsetRect(p); }
  void operator+=(SIZE s) { OffsetRect(s); }
  void operator+=(LPCRECT r) { InflateRect(r); }
  void operator-=(POINT p) { OffsetRect(-p.x, -p.y); }
  void operator-=(SIZE s) { OffsetRect(-s.cx, -s.cy); }
  void operator-=(LPCRECT r) { DeflateRect(r); }
  void operator&=(const RECT& r) { IntersectRect(this, &r); }
  void operator|=(const RECT& r) { UnionRect(this, &r); }
  CRect operator+(POINT p) const { CRect r(*this); r.OffsetRect(p); return r; }
  CRect operator-(POINT p) const { CRect r(*this); r.OffsetRect(-p.x, -p.y); return r; }
  CRect operator+(SIZE s) const { CRect r(*this); r.OffsetRect(s); return r; }
  CRect operator-(SIZE s) const { CRect r(*this); r.OffsetRect(-s.cx, -s.cy); return r; }
  CRect operator&(const RECT& o) const { CRect r; r.IntersectRect(this, &o); return r; }
  CRect operator|(const RECT& o) const { CRect r; r.UnionRect(this, &o); return r; }
};
